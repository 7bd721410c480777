#include "Platform/System/Numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace QZ::Platform {
namespace {

TEST(Numbers, DoublesReadTheSameInEveryLocale) {
  // A locale with a decimal comma, where one is installed; the C locale otherwise.
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  struct Case {
    const char* text;
    double value;
  } const cases[] = {
      {"1.5", 1.5}, {"  -2.25xyz", -2.25}, {"1,5", 1.0}, {"0x10", 16.0}, {"", 0.0}, {"abc", 0.0}, {"1e3", 1000.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseDoubleInCLocale(c.text), c.value);
  }
  EXPECT_TRUE(std::isinf(ParseDoubleInCLocale("inf")));
  EXPECT_TRUE(std::isnan(ParseDoubleInCLocale("nan")));
  std::setlocale(LC_NUMERIC, before.c_str());
}

} // namespace
} // namespace QZ::Platform
