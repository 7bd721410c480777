#include "Platform/Files/Files.h"

#include "Platform/Files/SpecialFilesForTests.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

namespace fs = std::filesystem;
using QZ::test::ReadAll;
using QZ::test::TempFolderTest;
using QZ::test::WriteAll;

// A temporary is "<head>.<check>.<number>.tmp": check is sixteen hexadecimal digits, number at most nine.
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kCheckWithDots = 1 + 16 + 1;
constexpr std::size_t kLongestNumber = 9;

// The names created in folder while action runs, in order.
std::vector<std::string> NamesCreatedDuring(const std::string& folder, const std::function<void()>& action) {
  std::vector<std::string> names;
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(watch, 0);
  if (watch < 0)
    return names;
  EXPECT_GE(::inotify_add_watch(watch, folder.c_str(), IN_CREATE), 0);
  action();
  // The events of a call are queued before it returns.
  alignas(inotify_event) char buffer[64 * (sizeof(inotify_event) + NAME_MAX + 1)];
  for (;;) {
    const ssize_t n = ::read(watch, buffer, sizeof buffer);
    if (n <= 0)
      break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0)
        names.emplace_back(event->name);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  ::close(watch);
  return names;
}

// What every temporary of the same file begins with: a temporary's name without its number and ".tmp".
std::string StemOf(const std::string& temporary) {
  EXPECT_TRUE(temporary.ends_with(kTemporarySuffix)) << temporary;
  return temporary.substr(0, temporary.rfind('.', temporary.size() - kTemporarySuffix.size() - 1) + 1);
}

// The head of a stem: the name, perhaps cut.
std::string HeadOf(const std::string& stem) {
  return stem.size() < kCheckWithDots ? std::string() : stem.substr(0, stem.size() - kCheckWithDots);
}

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

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
  // Saves bytes as name in the test's folder (or in where) and gives the temporary the save made there.
  std::string SaveSeeingTheTemporary(const std::string& name, const std::string& bytes,
                                     const fs::path& where = {}) {
    const fs::path in = where.empty() ? folder : where;
    int result = -1;
    const std::vector<std::string> made =
        NamesCreatedDuring(in, [&] { result = ReplaceFileAtomically((in / name).c_str(), bytes); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadAll(in / name), bytes);
    // The file itself arrives by a rename, which creates no name: the temporary is the one made.
    EXPECT_EQ(made.size(), 1u);
    if (made.empty())
      return {};
    EXPECT_FALSE(fs::exists(fs::symlink_status(in / made.back())));
    return made.back();
  }
  // Makes a regular file at name, written an hour before this process started.
  void WriteOld(const std::string& name, const std::string& bytes) {
    WriteAll(folder / name, bytes);
    fs::last_write_time(folder / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
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
  EXPECT_EQ(ReplaceFileAtomically(Path("plain/").c_str(), "x"), ENOTDIR);
  EXPECT_EQ(ReplaceFileAtomically((folder.string() + "/").c_str(), "x"), EISDIR);
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
  const std::string stem = StemOf(SaveSeeingTheTemporary("lead.pv", "old"));
  const std::string otherStem = StemOf(SaveSeeingTheTemporary("other.pv", "other"));
  ASSERT_EQ(HeadOf(stem), "lead.pv");
  std::string otherCheck = stem; // the check of some other name
  otherCheck[stem.size() - 2] = otherCheck[stem.size() - 2] == '0' ? '1' : '0';
  struct Leftover {
    std::string name;
    bool removed;
  };
  // Made before this process started: the temporaries of earlier saves of "lead.pv" go, nothing else.
  const std::vector<Leftover> old{
      {stem + "0.tmp", true},
      {stem + "7.tmp", true},
      {stem + "123456789.tmp", true},
      {stem + "1234567890.tmp", false}, // more digits than a save writes
      {stem + "0123.tmp", false},
      {stem + ".tmp", false},
      {stem + "12a.tmp", false},
      {stem + "-12.tmp", false},
      {stem + "12.tmp.bak", false},
      {stem + "12.TMP", false},
      {"x" + stem + "12.tmp", false},
      {otherCheck + "12.tmp", false},
      {otherStem + "12.tmp", false},
      // Named as a user may name a copy of their own: no check, so never a temporary.
      {"lead.pv.12.tmp", false},
      {"lead.pv.tmp", false},
      {"lead.pv", false},
  };
  for (const Leftover& leftover : old)
    WriteOld(leftover.name, "left");
  // Looking like one but not a regular file, or newer than this process (a save under way).
  fs::create_directory(folder / (stem + "11.tmp"));
  fs::last_write_time(folder / (stem + "11.tmp"), fs::file_time_type::clock::now() - std::chrono::hours(1));
  WriteOld("elsewhere", "kept");
  fs::create_symlink("elsewhere", folder / (stem + "22.tmp"));
  ASSERT_TRUE(test::MakeFifo(Path(stem + "33.tmp")));
  WriteAll(folder / (stem + "44.tmp"), "in progress");
  WriteAll(folder / (stem + "55.tmp"), "in progress");
  fs::last_write_time(folder / (stem + "55.tmp"), fs::file_time_type::clock::now() + std::chrono::hours(1));

  ASSERT_EQ(ReplaceFileAtomically(Path("lead.pv").c_str(), "new"), 0);
  EXPECT_EQ(ReadAll(folder / "lead.pv"), "new");
  for (const Leftover& leftover : old) {
    SCOPED_TRACE(leftover.name);
    EXPECT_EQ(fs::exists(folder / leftover.name), !leftover.removed);
  }
  for (const std::string& kept : {stem + "11.tmp", stem + "22.tmp", stem + "33.tmp", stem + "44.tmp",
                                  stem + "55.tmp", std::string("elsewhere")}) {
    SCOPED_TRACE(kept);
    EXPECT_TRUE(fs::exists(fs::symlink_status(folder / kept)));
  }
  EXPECT_EQ(ReadAll(folder / "elsewhere"), "kept");

  // Through a link the target's leftovers go, beside the target.
  fs::create_directory(folder / "real");
  const std::string realStem = StemOf(SaveSeeingTheTemporary("t", "old", folder / "real"));
  WriteOld("real/" + realStem + "99.tmp", "left");
  fs::create_symlink(fs::path("real") / "t", folder / "t-link");
  ASSERT_EQ(ReplaceFileAtomically(Path("t-link").c_str(), "new"), 0);
  EXPECT_FALSE(fs::exists(folder / "real" / (realStem + "99.tmp")));
  EXPECT_EQ(EntryCount(folder / "real"), 1u);
}

// The longest names a folder takes, whose temporaries would not fit with the whole name in them.
TEST_F(Files, TheLongestNamesSave) {
  const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  ASSERT_GT(nameMax, 64);
  const auto limit = static_cast<std::size_t>(nameMax);
  const auto repeat = [](const std::string& piece, std::size_t times) {
    std::string all;
    for (std::size_t i = 0; i < times; ++i)
      all += piece;
    return all;
  };
  const auto fill = [&](const std::string& before, const std::string& piece, const std::string& after) {
    const std::size_t room = limit - before.size() - after.size();
    EXPECT_EQ(room % piece.size(), 0u) << "a name of " << limit << " bytes cannot be made of these";
    return before + repeat(piece, room / piece.size()) + after;
  };
  struct Case {
    const char* what;
    std::string name;
    bool utf8;
  };
  const std::vector<Case> cases{
      {"ASCII", std::string(limit, 'a'), true},
      {"a program file", fill("", "p", ".pellanvorn"), true},
      {"two-byte characters", fill("x", "\xC3\xA9", ""), true},            // é
      {"three-byte characters", fill("", "\xE9\x9F\xB3", ""), true},       // 音
      {"four-byte characters", fill("ab", "\xF0\x9F\x8E\xB9", "c"), true}, // 🎹
      {"bytes that are no UTF-8", std::string(limit, '\xE9'), false},
      {"continuation bytes only", std::string(limit, '\xA9'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.name.size(), limit);
    fs::remove_all(folder);
    fs::create_directory(folder);

    const std::string temporary = SaveSeeingTheTemporary(c.name, "first");
    EXPECT_LE(temporary.size(), limit);
    const std::string stem = StemOf(temporary);
    const std::string head = HeadOf(stem);
    EXPECT_EQ(c.name.compare(0, head.size(), head), 0) << "the head is the name's beginning";
    // With the longest number a save writes, a temporary still fits, and is no more than a character short.
    const std::size_t longest = stem.size() + kLongestNumber + kTemporarySuffix.size();
    EXPECT_LE(longest, limit);
    EXPECT_GE(longest + 3, limit);
    if (c.utf8) {
      EXPECT_FALSE(IsUtf8Continuation(c.name[head.size()])) << "no character cut in two";
    }

    // A name that differs only after the head has temporaries of its own.
    std::string neighbour = c.name;
    neighbour.back() = neighbour.back() == 'z' ? 'y' : 'z';
    const std::string neighbourStem = StemOf(SaveSeeingTheTemporary(neighbour, "next door"));
    EXPECT_NE(neighbourStem, stem);
    WriteOld(stem + "5.tmp", "left");
    WriteOld(neighbourStem + "6.tmp", "left");

    EXPECT_EQ(StemOf(SaveSeeingTheTemporary(c.name, "second")), stem);
    EXPECT_FALSE(fs::exists(folder / (stem + "5.tmp")));
    EXPECT_TRUE(fs::exists(folder / (neighbourStem + "6.tmp")));
    EXPECT_EQ(ReadAll(folder / neighbour), "next door");
    std::string back;
    ASSERT_TRUE(ReadWholeFile(Path(c.name).c_str(), back));
    EXPECT_EQ(back, "second");
    EXPECT_EQ(EntryCount(folder), 3u);
  }
  // A name longer than the folder takes is refused, and nothing is made.
  fs::remove_all(folder);
  fs::create_directory(folder);
  EXPECT_EQ(ReplaceFileAtomically(Path(std::string(limit + 1, 'a')).c_str(), "x"), ENAMETOOLONG);
  EXPECT_TRUE(fs::is_empty(folder));
}

// Folders nested inside the test's folder, made one at a time (the whole path may be longer than the system
// takes in one call), down to where a name of nameLength makes a path of exactly pathLength bytes.
class NestedFolders {
public:
  NestedFolders(const fs::path& top, std::size_t pathLength, std::size_t nameLength) : mPath(top.string()) {
    mFolder = ::open(top.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    constexpr std::size_t kFolderName = 200;
    while (mFolder >= 0 && mPath.size() + 1 + nameLength < pathLength) {
      // Each level takes "/" and its name; the last one takes exactly what is left, never less than one.
      const std::size_t left = pathLength - nameLength - 1 - mPath.size();
      const std::string name(left - 1 <= kFolderName ? left - 1 : std::min(kFolderName, left - 3), 'd');
      const int next = ::mkdirat(mFolder, name.c_str(), 0777) == 0
                           ? ::openat(mFolder, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)
                           : -1;
      ::close(mFolder);
      mFolder = next;
      mPath += "/" + name;
    }
    EXPECT_GE(mFolder, 0);
    EXPECT_EQ(mPath.size() + 1 + nameLength, pathLength);
  }
  NestedFolders(const NestedFolders&) = delete;
  NestedFolders& operator=(const NestedFolders&) = delete;
  ~NestedFolders() {
    if (mFolder >= 0)
      ::close(mFolder);
  }

  const std::string& Path() const { return mPath; }
  // The whole of name in the deepest folder, read through its descriptor.
  std::string Read(const std::string& name) const {
    const int file = ::openat(mFolder, name.c_str(), O_RDONLY | O_CLOEXEC);
    std::string bytes;
    char buffer[256];
    for (ssize_t n; file >= 0 && (n = ::read(file, buffer, sizeof buffer)) > 0;)
      bytes.append(buffer, static_cast<std::size_t>(n));
    if (file >= 0)
      ::close(file);
    return bytes;
  }
  bool IsLink(const std::string& name) const {
    struct stat st {};
    return ::fstatat(mFolder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
  }
  std::size_t EntryCount() const {
    const int listing = ::openat(mFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(listing >= 0 ? ::fdopendir(listing) : nullptr, ::closedir);
    std::size_t count = 0;
    while (dir && ::readdir(dir.get()))
      ++count;
    return count - 2; // "." and ".."
  }
  bool MakeLink(const std::string& target, const std::string& name) const {
    return ::symlinkat(target.c_str(), mFolder, name.c_str()) == 0;
  }

private:
  std::string mPath;
  int mFolder = -1;
};

TEST_F(Files, PathsAsLongAsTheSystemTakesAndLongerSave) {
  struct Case {
    const char* what;
    std::size_t pathLength;
    std::size_t nameLength;
  };
  for (const Case& c : {Case{"the longest path one call takes", PATH_MAX - 1, 20},
                        Case{"its longest name too", PATH_MAX - 1, NAME_MAX},
                        Case{"longer than one call takes", 2 * PATH_MAX + 300, 30}}) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder);
    fs::create_directory(folder);
    const NestedFolders deep(folder, c.pathLength, c.nameLength);
    const std::string name(c.nameLength, 'n');
    const std::string path = deep.Path() + "/" + name;
    ASSERT_EQ(path.size(), c.pathLength);
    ASSERT_EQ(ReplaceFileAtomically(path.c_str(), "first"), 0);
    ASSERT_EQ(ReplaceFileAtomically(path.c_str(), "second"), 0);
    EXPECT_EQ(deep.Read(name), "second");
    // A link in the deepest folder is followed there, and stays a link.
    ASSERT_TRUE(deep.MakeLink(name, "l"));
    ASSERT_EQ(ReplaceFileAtomically((deep.Path() + "/l").c_str(), "through the link"), 0);
    EXPECT_TRUE(deep.IsLink("l"));
    EXPECT_EQ(deep.Read(name), "through the link");
    EXPECT_EQ(deep.EntryCount(), 2u);
    if (c.pathLength < PATH_MAX) {
      std::string back;
      ASSERT_TRUE(ReadWholeFile(path.c_str(), back));
      EXPECT_EQ(back, "through the link");
    } else {
      // A run of slashes is one, even where the path must be cut inside it.
      std::string slashes = path;
      slashes.insert(folder.string().size(), std::string(PATH_MAX, '/'));
      ASSERT_EQ(ReplaceFileAtomically(slashes.c_str(), "slashes"), 0);
      EXPECT_EQ(deep.Read(name), "slashes");
      EXPECT_EQ(deep.EntryCount(), 2u);
    }
  }
}

// A link to a folder that does not answer would stop any look through it; a link to a FIFO stands in for one
// (opening it waits for a writer). Named as a temporary or not, beside a save it is neither followed nor
// removed, and the save ends.
TEST_F(Files, TheSweepLooksAtNoLinksTarget) {
  const std::string stem = StemOf(SaveSeeingTheTemporary("lead.pv", "old"));
  ASSERT_TRUE(test::MakeFifo(Path("fifo")));
  const std::string asTemporary = stem + "7.tmp";
  for (const std::string& link : {asTemporary, std::string("fifo-link")}) {
    fs::create_symlink("fifo", folder / link);
    // The link itself as old as a leftover: only what it is keeps it.
    const timespec anHourAgo{::time(nullptr) - 3600, 0};
    const std::array<timespec, 2> times{anHourAgo, anHourAgo};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path(link).c_str(), times.data(), AT_SYMLINK_NOFOLLOW), 0);
  }
  WriteOld(stem + "8.tmp", "left");

  // In a child, so that a save that hangs fails the test instead of stopping it.
  int answer[2];
  ASSERT_EQ(::pipe2(answer, O_CLOEXEC), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int result = ReplaceFileAtomically(Path("lead.pv").c_str(), "new");
    ::_exit(::write(answer[1], &result, sizeof result) == sizeof result ? 0 : 1);
  }
  ::close(answer[1]);
  pollfd ready{answer[0], POLLIN, 0};
  constexpr int kDeadlineMs = 30000;
  const bool answered = ::poll(&ready, 1, kDeadlineMs) == 1;
  int result = -1;
  const bool read = answered && ::read(answer[0], &result, sizeof result) == sizeof result;
  ::close(answer[0]);
  if (!answered)
    ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(answered) << "the save hung";
  ASSERT_TRUE(read);
  EXPECT_EQ(result, 0);

  EXPECT_EQ(ReadAll(folder / "lead.pv"), "new");
  EXPECT_FALSE(fs::exists(folder / (stem + "8.tmp")));
  EXPECT_EQ(test::KindOfNode(Path(asTemporary)), test::NodeKind::kLink);
  EXPECT_EQ(test::KindOfNode(Path("fifo-link")), test::NodeKind::kLink);
  EXPECT_EQ(test::KindOfNode(Path("fifo")), test::NodeKind::kFifo);
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
