#include "Platform/Library/Library.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ::Platform {
namespace {

TEST(Library, LoadsALibraryFindsItsSymbolsAndFreesIt) {
  LibraryHandle math = LoadSharedLibrary("libm.so.6");
  ASSERT_NE(math, nullptr);
  using Function = double (*)(double);
  auto* cosine = reinterpret_cast<Function>(FindLibrarySymbol(math, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(FindLibrarySymbol(math, "ZDX_NoSuchFunction"), nullptr);
  EXPECT_TRUE(FreeSharedLibrary(math));
}

TEST(Library, MissingFilesAndNullHandlesFailQuietly) {
  EXPECT_EQ(LoadSharedLibrary("/nonexistent/DeviceControlClient.dll"), nullptr);
  EXPECT_EQ(LoadSharedLibrary(""), nullptr);
  EXPECT_EQ(LoadSharedLibrary(nullptr), nullptr);
  EXPECT_EQ(FindLibrarySymbol(nullptr, "cos"), nullptr);
  EXPECT_FALSE(FreeSharedLibrary(nullptr));
}

TEST(Library, ExecutablePathNamesThisProgram) {
  const std::string path = GetExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_NE(path.find("qz_platform_library_tests"), std::string::npos) << path;
}

} // namespace
} // namespace QZ::Platform
