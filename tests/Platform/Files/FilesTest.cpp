#include "Platform/Files/Files.h"

#include "Platform/Files/SpecialFilesForTests.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

namespace fs = std::filesystem;
using QZ::test::ReadAll;
using QZ::test::TempFolderTest;
using QZ::test::WriteAll;

class Files : public TempFolderTest {
protected:
  std::size_t EntryCount(const fs::path& where) const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(where), fs::directory_iterator()));
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
  }
};

TEST_F(Files, OnlyRegularFilesOpen) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_directory(folder / "sub");
  struct Case {
    const char* name;
    std::uint32_t mode;
  };
  // A FIFO must neither open nor hang the caller.
  for (const Case& c : {Case{"missing", 0u}, Case{"sub", 0u}, Case{"sub", kOpenReadWrite | kOpenCreate},
                        Case{"fifo", 0u}, Case{"fifo", kOpenReadWrite}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OpenRegularFile(Path(c.name).c_str(), c.mode), kNoFile);
  }
  EXPECT_EQ(OpenRegularFile("", 0), kNoFile);
  EXPECT_EQ(OpenRegularFile(nullptr, 0), kNoFile);
}

TEST_F(Files, ReadWriteSeekAndSize) {
  const std::string path = Path("data.bin");
  const FileDescriptor created = OpenRegularFile(path.c_str(), kOpenReadWrite | kOpenCreate | kOpenExclusive);
  ASSERT_NE(created, kNoFile);
  EXPECT_EQ(WriteFile(created, "0123456789", 10), 10);
  std::uint64_t size = 0;
  ASSERT_TRUE(GetFileSize(created, size));
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(SeekFile(created, 4, 0), 4);
  EXPECT_EQ(SeekFile(created, 2, 1), 6);
  EXPECT_EQ(SeekFile(created, -1, 2), 9);
  EXPECT_EQ(SeekFile(created, 0, 7), -1);
  EXPECT_EQ(SeekFile(created, -20, 0), -1);
  char buffer[16] = {};
  EXPECT_EQ(SeekFile(created, 3, 0), 3);
  EXPECT_EQ(ReadFile(created, buffer, sizeof buffer), 7);
  EXPECT_EQ(std::string(buffer, 7), "3456789");
  EXPECT_EQ(ReadFile(created, buffer, sizeof buffer), 0);
  CloseFile(created);

  // Exclusive creation refuses an existing file; nothing truncates it.
  EXPECT_EQ(OpenRegularFile(path.c_str(), kOpenReadWrite | kOpenCreate | kOpenExclusive), kNoFile);
  const FileDescriptor reading = OpenRegularFile(path.c_str(), 0);
  ASSERT_NE(reading, kNoFile);
  EXPECT_EQ(WriteFile(reading, "x", 1), -1); // read-only
  CloseFile(reading);
  EXPECT_EQ(ReadAll(path), "0123456789");

  std::string whole;
  ASSERT_TRUE(ReadWholeFile(path.c_str(), whole));
  EXPECT_EQ(whole, "0123456789");
  EXPECT_FALSE(ReadWholeFile(Path("missing").c_str(), whole));
  EXPECT_FALSE(ReadWholeFile(folder.c_str(), whole));
}

TEST_F(Files, PathQueries) {
  WriteAll(folder / "file", "x");
  fs::create_directory(folder / "dir");
  fs::create_symlink("dir", folder / "dirlink");
  fs::create_symlink("nowhere", folder / "dangling");
  struct Case {
    const char* name;
    PathKind kind;
    bool exists;
  };
  for (const Case& c : {Case{"file", PathKind::kFile, true}, Case{"dir", PathKind::kDirectory, true},
                        Case{"dirlink", PathKind::kDirectory, true}, Case{"dangling", PathKind::kMissing, true},
                        Case{"missing", PathKind::kMissing, false}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetPathKind(Path(c.name).c_str()), c.kind);
    EXPECT_EQ(PathExists(Path(c.name).c_str()), c.exists);
  }
  EXPECT_EQ(GetPathKind("/dev/null"), PathKind::kOther);

  std::string real;
  ASSERT_TRUE(GetRealPath(Path("dirlink/../file").c_str(), real));
  EXPECT_EQ(real, fs::canonical(folder / "file").string());
  EXPECT_FALSE(GetRealPath(Path("missing").c_str(), real));

  EXPECT_TRUE(MakeDirectory(Path("made").c_str()));
  EXPECT_FALSE(MakeDirectory(Path("made").c_str()));
  EXPECT_TRUE(RemoveFile(Path("file").c_str()));
  EXPECT_FALSE(RemoveFile(Path("file").c_str()));
}

TEST_F(Files, ListingNamesEveryEntryAndFollowsLinks) {
  WriteAll(folder / "a.txt", "a");
  fs::create_directory(folder / "sub");
  fs::create_symlink("sub", folder / "sublink");
  std::vector<std::pair<std::string, bool>> seen;
  ASSERT_TRUE(
      ListDirectory(folder.c_str(), [&](const DirectoryEntry& e) { seen.emplace_back(e.name, e.isDirectory); }));
  std::sort(seen.begin(), seen.end());
  const std::vector<std::pair<std::string, bool>> expected = {{"a.txt", false}, {"sub", true}, {"sublink", true}};
  EXPECT_EQ(seen, expected);
  EXPECT_FALSE(ListDirectory(Path("missing").c_str(), [](const DirectoryEntry&) {}));
}

TEST_F(Files, ReplacingGivesANewFileTheUmasksMode) {
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
    SCOPED_TRACE(mask);
    const mode_t old = ::umask(mask);
    const std::string path = Path("new-" + std::to_string(mask));
    const int result = ReplaceFileAtomically(path.c_str(), "contents");
    ::umask(old);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ModeOf(path), 0666 & ~mask);
    EXPECT_EQ(ReadAll(path), "contents");
  }
}

TEST_F(Files, ReplacingKeepsTheOldFilesMode) {
  const std::string path = Path("settings");
  for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0755}}) {
    SCOPED_TRACE(mode);
    WriteAll(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_EQ(ReplaceFileAtomically(path.c_str(), "new"), 0);
    EXPECT_EQ(ModeOf(path), mode);
    EXPECT_EQ(ReadAll(path), "new");
  }
  EXPECT_EQ(EntryCount(folder), 1u);
}

TEST_F(Files, ReplacingThroughALinkReplacesItsTarget) {
  fs::create_directory(folder / "real");
  WriteAll(folder / "real" / "target", "old");
  ASSERT_EQ(::chmod((folder / "real" / "target").c_str(), 0640), 0);
  // A chain: absolute link to a relative one.
  fs::create_symlink(fs::path("real") / "target", folder / "relative");
  fs::create_symlink(folder / "relative", folder / "absolute");
  ASSERT_EQ(ReplaceFileAtomically(Path("absolute").c_str(), "new"), 0);
  EXPECT_TRUE(fs::is_symlink(folder / "absolute"));
  EXPECT_TRUE(fs::is_symlink(folder / "relative"));
  EXPECT_EQ(ReadAll(folder / "real" / "target"), "new");
  EXPECT_EQ(ModeOf(Path("real/target")), 0640u);
  EXPECT_EQ(EntryCount(folder / "real"), 1u);

  // A dangling link: its target is made.
  fs::create_symlink("later", folder / "dangling");
  ASSERT_EQ(ReplaceFileAtomically(Path("dangling").c_str(), "made"), 0);
  EXPECT_TRUE(fs::is_symlink(folder / "dangling"));
  EXPECT_EQ(ReadAll(folder / "later"), "made");

  // A loop is an error, not a hang.
  fs::create_symlink("loop-b", folder / "loop-a");
  fs::create_symlink("loop-a", folder / "loop-b");
  EXPECT_EQ(ReplaceFileAtomically(Path("loop-a").c_str(), "x"), ELOOP);
}

TEST_F(Files, FailedReplaceLeavesNothingBehind) {
  EXPECT_EQ(ReplaceFileAtomically("", "x"), EINVAL);
  EXPECT_EQ(ReplaceFileAtomically(nullptr, "x"), EINVAL);
  EXPECT_EQ(ReplaceFileAtomically(Path("no/such").c_str(), "x"), ENOENT);
  WriteAll(folder / "plain", "x");
  EXPECT_EQ(ReplaceFileAtomically(Path("plain/inside").c_str(), "x"), ENOTDIR);
  EXPECT_EQ(ReadAll(folder / "plain"), "x");
  EXPECT_EQ(EntryCount(folder), 1u);
}

// A child process without privileges stands for the user, whom the file's mode stops.
TEST_F(Files, AFileTheUserMayNotWriteIsNotReplaced) {
  const std::string path = Path("locked");
  WriteAll(path, "original");
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(2);
    ::_exit(ReplaceFileAtomically(path.c_str(), "replaced") == EACCES ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  EXPECT_EQ(ReadAll(path), "original");
  EXPECT_EQ(EntryCount(folder), 1u);
}

TEST_F(Files, OnlyARegularFileIsReplaced) {
  using test::NodeKind;
  struct Case {
    const char* name;
    NodeKind kind;
    int error;
  };
  ASSERT_TRUE(test::MakeFifo(Path("fifo")));
  fs::create_directory(folder / "dir");
  const bool device = test::MakeNullDevice(Path("device"));
  std::vector<Case> cases{{"fifo", NodeKind::kFifo, kErrorNotRegularFile}, {"dir", NodeKind::kFolder, EISDIR}};
  if (device)
    cases.push_back({"device", NodeKind::kCharacterDevice, kErrorNotRegularFile});
  else
    std::cout << "no character device could be made here: it is left out\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The node itself, and behind a chain of two links (one relative, one absolute).
    fs::create_symlink(c.name, folder / (std::string(c.name) + "-relative"));
    fs::create_symlink(folder / (std::string(c.name) + "-relative"), folder / (std::string(c.name) + "-link"));
    for (const std::string& via : {std::string(c.name), std::string(c.name) + "-link"}) {
      SCOPED_TRACE(via);
      const std::size_t entries = EntryCount(folder);
      EXPECT_EQ(ReplaceFileAtomically(Path(via).c_str(), "replaced"), c.error);
      EXPECT_EQ(test::KindOfNode(Path(c.name)), c.kind);
      EXPECT_EQ(test::KindOfNode(Path(std::string(c.name) + "-link")), NodeKind::kLink);
      EXPECT_EQ(EntryCount(folder), entries) << "nothing made beside it";
    }
  }
  EXPECT_TRUE(fs::is_empty(folder / "dir"));

  // A link to a regular file still replaces the file, and stays a link.
  WriteAll(folder / "plain", "old");
  fs::create_symlink("plain", folder / "plain-link");
  ASSERT_EQ(ReplaceFileAtomically(Path("plain-link").c_str(), "new"), 0);
  EXPECT_EQ(test::KindOfNode(Path("plain-link")), NodeKind::kLink);
  EXPECT_EQ(ReadAll(folder / "plain"), "new");
}

TEST_F(Files, ASaveRemovesWhatKilledSavesOfTheSameNameLeft) {
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
  const auto future = fs::file_time_type::clock::now() + std::chrono::hours(1);
  struct Leftover {
    std::string name;
    bool removed;
  };
  // Made before this process started: the temporaries of earlier saves of "lead.pv" go, nothing else.
  const std::vector<Leftover> old{
      {"lead.pv.0.tmp", true},         {"lead.pv.7.tmp", true},
      {"lead.pv.123456789.tmp", true}, {"lead.pv.1234567890.tmp", false}, // more digits than a save writes
      {"lead.pv.0123.tmp", false},     {"lead.pv..tmp", false},
      {"lead.pv.12a.tmp", false},      {"lead.pv.12.tmp.bak", false},
      {"lead.pv.12.TMP", false},       {"other.pv.12.tmp", false},
      {"xlead.pv.12.tmp", false},      {"lead.pv-12.tmp", false},
      {"lead.pv.-12.tmp", false},      {"lead.pv", false},
  };
  WriteAll(folder / "lead.pv", "old");
  for (const Leftover& leftover : old) {
    if (leftover.name != "lead.pv")
      WriteAll(folder / leftover.name, "left");
    fs::last_write_time(folder / leftover.name, past);
  }
  // Looking like one but not a regular file, or newer than this process (a save under way).
  fs::create_directory(folder / "lead.pv.11.tmp");
  fs::last_write_time(folder / "lead.pv.11.tmp", past);
  WriteAll(folder / "elsewhere", "kept");
  fs::last_write_time(folder / "elsewhere", past);
  fs::create_symlink("elsewhere", folder / "lead.pv.22.tmp");
  ASSERT_TRUE(test::MakeFifo(Path("lead.pv.33.tmp")));
  WriteAll(folder / "lead.pv.44.tmp", "in progress");
  WriteAll(folder / "lead.pv.55.tmp", "in progress");
  fs::last_write_time(folder / "lead.pv.55.tmp", future);

  ASSERT_EQ(ReplaceFileAtomically(Path("lead.pv").c_str(), "new"), 0);
  EXPECT_EQ(ReadAll(folder / "lead.pv"), "new");
  for (const Leftover& leftover : old) {
    SCOPED_TRACE(leftover.name);
    EXPECT_EQ(fs::exists(folder / leftover.name), !leftover.removed);
  }
  for (const char* kept :
       {"lead.pv.11.tmp", "lead.pv.22.tmp", "lead.pv.33.tmp", "lead.pv.44.tmp", "lead.pv.55.tmp", "elsewhere"}) {
    SCOPED_TRACE(kept);
    EXPECT_TRUE(fs::exists(fs::symlink_status(folder / kept)));
  }
  EXPECT_EQ(ReadAll(folder / "elsewhere"), "kept");

  // Through a link the target's leftovers go, beside the target.
  fs::create_directory(folder / "real");
  WriteAll(folder / "real" / "t", "old");
  WriteAll(folder / "real" / "t.99.tmp", "left");
  fs::last_write_time(folder / "real" / "t.99.tmp", past);
  fs::create_symlink(fs::path("real") / "t", folder / "t-link");
  ASSERT_EQ(ReplaceFileAtomically(Path("t-link").c_str(), "new"), 0);
  EXPECT_FALSE(fs::exists(folder / "real" / "t.99.tmp"));
  EXPECT_EQ(EntryCount(folder / "real"), 1u);
}

TEST_F(Files, ABoundedReadRefusesALargerFileBeforeReadingIt) {
  const std::string path = Path("sparse");
  {
    std::ofstream out(path, std::ios::binary);
    out << "x";
  }
  // A gigabyte that takes no room: a read of it would take its size in memory.
  fs::resize_file(path, std::uint64_t{1} << 30);
  std::string bytes = "before";
  EXPECT_FALSE(ReadWholeFile(path.c_str(), bytes, 1 << 20));
  EXPECT_TRUE(bytes.empty());

  for (const std::uint64_t limit : {std::uint64_t{4}, std::uint64_t{5}, std::uint64_t{100}}) {
    SCOPED_TRACE(limit);
    WriteAll(folder / "small", "12345");
    const bool fits = limit >= 5;
    EXPECT_EQ(ReadWholeFile(Path("small").c_str(), bytes, limit), fits);
    EXPECT_EQ(bytes, fits ? "12345" : "");
  }
  EXPECT_FALSE(ReadWholeFile(Path("missing").c_str(), bytes, 100));
  ASSERT_TRUE(test::MakeFifo(Path("fifo")));
  EXPECT_FALSE(ReadWholeFile(Path("fifo").c_str(), bytes, 100));
}

} // namespace
} // namespace QZ::Platform
