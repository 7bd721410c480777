#include "Platform/GL/ErrorBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

struct SBox {
  std::string caption;
  std::string text;
  std::uint32_t style;
};
std::vector<SBox> sBoxes;

void Record(const std::string& caption, const std::string& text, std::uint32_t style) {
  sBoxes.push_back({caption, text, style});
}

TEST(ErrorBox, AHandlerTakesThePlaceOfTheBoxUntilWithdrawn) {
  sBoxes.clear();
  const ErrorBoxHandler previous = SetErrorBoxHandler(&Record);
  ShowErrorBox("OpenGL Error", "Not today.", kErrorBoxExclamation);
  ASSERT_EQ(sBoxes.size(), 1u);
  EXPECT_EQ(sBoxes[0].caption, "OpenGL Error");
  EXPECT_EQ(sBoxes[0].text, "Not today.");
  EXPECT_EQ(sBoxes[0].style, kErrorBoxExclamation);
  EXPECT_EQ(SetErrorBoxHandler(previous), &Record);
}

TEST(ErrorBox, WithoutADisplayTheMessageGoesToTheErrorStream) {
  // No display server may be reached: the box must not block the test.
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  const ErrorBoxHandler previous = SetErrorBoxHandler(nullptr);
  testing::internal::CaptureStderr();
  ShowErrorBox("Caption", "The text.", kErrorBoxOk);
  const std::string written = testing::internal::GetCapturedStderr();
  SetErrorBoxHandler(previous);
  EXPECT_NE(written.find("Caption: The text."), std::string::npos) << written;
}

} // namespace
} // namespace QZ::Platform
