#pragma once
// The text of the exception of type E that an action throws, for exact-text checks.

#include <string>
#include <utility>

namespace QZ::test {

template <class E, class F>
std::string ThrownText(F&& action) {
  try {
    std::forward<F>(action)();
  } catch (const E& e) {
    return e.what();
  }
  return "nothing thrown";
}

} // namespace QZ::test
