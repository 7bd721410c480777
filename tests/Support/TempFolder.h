#pragma once
// A fresh temporary folder per test, and whole-file reads and writes. Standard
// library only, so the platform layer's tests use it too.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

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
