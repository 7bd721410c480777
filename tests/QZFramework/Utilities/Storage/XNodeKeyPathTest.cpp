#include "QZFramework/Utilities/Storage/XNodeKeyPath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

// Steps written as "name", "name$" (last) or "#index".
std::vector<std::string> Steps(const char* path) {
  std::vector<std::string> out;
  CKeyPathTokenizer tokenizer(path);
  SKeyPathStep step;
  while (tokenizer.Next(step)) {
    if (step.kind == SKeyPathStep::kIndex)
      out.push_back("#" + std::to_string(step.index));
    else
      out.push_back(std::string(step.name) + (step.last ? "$" : ""));
  }
  return out;
}

TEST(KeyPath, StepsOfEachForm) {
  struct Case {
    const char* path;
    std::vector<std::string> steps;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {nullptr, {}},
      {"a", {"a$"}},
      {"a.b.c", {"a", "b", "c$"}},
      {"a.b[2].c", {"a", "b", "#2", "c$"}},
      {"a[2]c", {"a", "#2", "c$"}}, // the dot after "]" is optional
      {"a[1][0]", {"a", "#1", "#0"}},
      {"[3]", {"#3"}},
      {"a..b", {"a", "b$"}}, // empty names are skipped
      {".", {}},
      {"a.", {"a"}},                            // not last: a separator follows
      {"a[", {"a", "#0"}},                      // "[" without digits is index 0
      {"a[x].b", {"a", "#0", "x]", "b$"}},      // a "]" without digits before it is part of a name
      {"a[99999999999]", {"a", "#4294967296"}}, // saturates
      {"1_0_0.Window", {"1_0_0", "Window$"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path ? c.path : "(null)");
    EXPECT_EQ(Steps(c.path), c.steps);
    EXPECT_EQ(CKeyPathTokenizer::CountSteps(c.path), static_cast<int>(c.steps.size()));
  }
}

} // namespace
} // namespace QZ
