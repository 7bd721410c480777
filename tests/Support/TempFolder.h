#pragma once
// A fresh temporary folder per test, and whole-file reads and writes. Standard
// library only, so the platform layer's tests use it too.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <system_error>

namespace QZ::test {

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A new, empty folder under the system's temporary folder; empty when none could be made.
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = base / (prefix + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error))
      return candidate;
  }
  return {};
}

// A folder of its own for the running test (named after the test, so a failure
// shows whose it was), removed afterwards.
class TempFolder {
public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mPath = MakeTempFolder("qz_" + std::string(info->test_suite_name()) + "_" + info->name() + "_");
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
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
  }

private:
  std::filesystem::path mPath;
};

// The fixture form: a folder per test in SetUp, removed in TearDown.
class TempFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder = MakeTempFolder("qz-storage-");
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  std::string Path(const std::string& name) const { return (folder / name).string(); }

  std::filesystem::path folder;
};

} // namespace QZ::test
