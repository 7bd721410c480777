#pragma once
// A folder of its own for the running test (named after the test and the
// process, so parallel runs do not meet), removed afterwards.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

namespace QZ::test {

// A folder of its own for the running test, removed afterwards.
class TempFolder {
public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mPath = std::filesystem::temp_directory_path() /
            ("qz_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(mPath);
    std::filesystem::create_directories(mPath);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
  }

  const std::filesystem::path& Path() const { return mPath; }
  std::string File(const std::string& name) const { return (mPath / name).string(); }

  void Write(const std::string& name, std::span<const std::uint8_t> bytes) const {
    std::FILE* file = std::fopen(File(name).c_str(), "wb");
    ASSERT_TRUE(file);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
  }

private:
  std::filesystem::path mPath;
};

} // namespace QZ::test
