#include "QZFramework/Utilities/Storage/QZFile.h"

#include "QZFramework/Utilities/Storage/PathText.h"
#include "Support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace QZ {
namespace {

namespace fs = std::filesystem;
using namespace QZ::test;

constexpr std::uint32_t kRW = File::kReadWrite;
constexpr std::uint32_t kCreate = File::kCreate;

template <class F>
std::string RuntimeErrorOf(F&& f) {
  try {
    f();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

using FileTest = TempFolderTest;

TEST_F(FileTest, OpeningNamesAndTheInvalidPathname) {
  const std::string invalid =
      "Runtime Error : invalid pathname : QZ::File::Open : Utilities\\Storage\\QZFile : Line 318";
  EXPECT_EQ(RuntimeErrorOf([] { File f(WideString(), WideString(), File::kRead); }), invalid);

  WriteAll(folder / "a.bin", "abc");
  // An empty name opens the folder text itself.
  File whole(W(Path("a.bin")), WideString(), File::kRead);
  EXPECT_TRUE(whole.IsOpen());
  EXPECT_EQ(N(whole.GetFullPath()), Path("a.bin"));
  EXPECT_TRUE(whole.GetFileName().IsEmpty());
  EXPECT_EQ(whole.GetLength(), 3u);

  // Folder and name are joined; opening again keeps the first file.
  File joined(W(folder.string()), W("a.bin"), File::kRead);
  EXPECT_EQ(N(joined.GetFullPath()), Path("a.bin"));
  EXPECT_EQ(N(joined.GetFileName()), "a.bin");
  EXPECT_EQ(joined.Open(W(folder.string()), W("other.bin"), kRW | kCreate), 1);
  EXPECT_EQ(N(joined.GetFullPath()), Path("a.bin"));
  EXPECT_EQ(joined.GetFlags(), File::kRead);
  EXPECT_FALSE(fs::exists(folder / "other.bin"));
  EXPECT_EQ(RuntimeErrorOf([&] { joined.Open(WideString(), WideString(), 0); }), "(nothing thrown)");
}

TEST_F(FileTest, OpenFailuresLeaveTheObjectClosed) {
  fs::create_directory(folder / "sub");
  struct Case {
    const char* name;
    std::uint32_t flags;
  };
  // A missing file without create and a folder (the platform's tests add a FIFO).
  for (const Case& c : {Case{"missing.bin", File::kRead}, Case{"missing.bin", kRW}, Case{"sub", File::kRead},
                        Case{"sub", kRW | kCreate}}) {
    SCOPED_TRACE(c.name);
    File file(W(folder.string()), W(c.name), 0);
    EXPECT_EQ(file.Open(W(folder.string()), W(c.name), c.flags), E_FAIL);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetFlags(), c.flags); // stored all the same
    EXPECT_EQ(file.GetLength(), 0u);
  }
  EXPECT_FALSE(fs::exists(folder / "missing.bin"));
}

TEST_F(FileTest, CreateExclusiveAndContentsKept) {
  WriteAll(folder / "keep.bin", "0123456789");
  {
    File file(W(folder.string()), W("keep.bin"), kRW | kCreate);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.Write("AB", 2, 4), 2);
  }
  EXPECT_EQ(ReadAll(folder / "keep.bin"), "0123AB6789");

  File exclusive(W(folder.string()), W("keep.bin"), kRW | kCreate | File::kExclusive);
  EXPECT_FALSE(exclusive.IsOpen());
  EXPECT_EQ(ReadAll(folder / "keep.bin"), "0123AB6789");

  // Exclusive without create changes nothing; with create a new file is made.
  File plain(W(folder.string()), W("keep.bin"), kRW | File::kExclusive);
  EXPECT_TRUE(plain.IsOpen());
  File fresh(W(folder.string()), W("new.bin"), kRW | kCreate | File::kExclusive);
  EXPECT_TRUE(fresh.IsOpen());
  EXPECT_EQ(fresh.GetLength(), 0u);
}

TEST_F(FileTest, DeleteOnClose) {
  {
    File file(W(folder.string()), W("temp.bin"), kRW | kCreate | File::kDeleteOnClose);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Write("xyz", 3), 3);
    EXPECT_TRUE(fs::exists(folder / "temp.bin"));
  }
  EXPECT_FALSE(fs::exists(folder / "temp.bin"));

  File file(W(folder.string()), W("temp2.bin"), kRW | kCreate | File::kDeleteOnClose);
  EXPECT_EQ(file.Close(), 0);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(fs::exists(folder / "temp2.bin"));
  EXPECT_EQ(file.Close(), 0);

  // Without the flag the file stays.
  { File kept(W(folder.string()), W("kept.bin"), kRW | kCreate); }
  EXPECT_TRUE(fs::exists(folder / "kept.bin"));
}

TEST_F(FileTest, ReadPositionsAndSeek) {
  WriteAll(folder / "r.bin", "abcdefgh");
  File file(W(folder.string()), W("r.bin"), File::kRead);
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(file.Read(buffer, 3, -1), 3); // continues
  EXPECT_EQ(std::string(buffer, 3), "def");
  EXPECT_EQ(file.Read(buffer, 3, 0), 3); // rereads from the start
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(file.Read(buffer, 16, 6), 2);
  EXPECT_EQ(std::string(buffer, 2), "gh");
  EXPECT_EQ(file.Read(buffer, 16), 0); // end of file

  EXPECT_EQ(file.Seek(2, 0), 2);
  EXPECT_EQ(file.Seek(1, 1), 3);
  EXPECT_EQ(file.Seek(-1, 2), 7);
  EXPECT_EQ(file.Read(buffer, 1), 1);
  EXPECT_EQ(buffer[0], 'h');
  EXPECT_EQ(file.Seek(-100, 0), -1);
  EXPECT_EQ(file.Seek(0, 7), -1);
  File closed(W(folder.string()), W("missing"), File::kRead);
  EXPECT_EQ(closed.Seek(0, 0), -1);
}

TEST_F(FileTest, ErrorTexts) {
  WriteAll(folder / "w.bin", "data");
  File readOnly(W(folder.string()), W("w.bin"), File::kRead);
  EXPECT_EQ(RuntimeErrorOf([&] { readOnly.Write("zz", 2, 0); }),
            "Runtime Error : file is read only : QZ::File::Write : Utilities\\Storage\\QZFile : Line 579");
  EXPECT_EQ(ReadAll(folder / "w.bin"), "data");

  char buffer[4];
  EXPECT_EQ(RuntimeErrorOf([&] { readOnly.Read(buffer, 1, -7); }),
            "Runtime Error : lseek : QZ::File::Read : Utilities\\Storage\\QZFile : Line 472");
  File writable(W(folder.string()), W("w.bin"), kRW);
  EXPECT_EQ(RuntimeErrorOf([&] { writable.Write("z", 1, -7); }),
            "Runtime Error : lseek : QZ::File::Write : Utilities\\Storage\\QZFile : Line 588");
  EXPECT_EQ(ReadAll(folder / "w.bin"), "data");

  // Without an open file the transfers fail like any other failed transfer.
  File closed(W(folder.string()), W("missing.bin"), kRW);
  ASSERT_FALSE(closed.IsOpen());
  EXPECT_EQ(RuntimeErrorOf([&] { closed.Read(buffer, 1); }),
            "Runtime Error : read : QZ::File::Read : Utilities\\Storage\\QZFile : Line 500");
  EXPECT_EQ(RuntimeErrorOf([&] { closed.Write("z", 1); }),
            "Runtime Error : write : QZ::File::Write : Utilities\\Storage\\QZFile : Line 627");
  EXPECT_EQ(closed.GetLength(), 0u);
  EXPECT_FALSE(fs::exists(folder / "missing.bin"));
}

TEST(PathText, MakeValidFileNameAndSplitting) {
  EXPECT_EQ(N(MakeValidFileName(W("My Co: A/B & C.v1 2"))), "My Co_ A_B _ C.v1 2");
  EXPECT_EQ(N(MakeValidFileName(W("\\/:*?\"<>|&;,^()"))), std::string(15, '_'));
  EXPECT_EQ(N(MakeValidFileName(W("Grüße-01.ini"))), "Grüße-01.ini");

  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  };
  for (const Case& c : {
           Case{"/home/u/file.ini", "/home/u", "file.ini"},
           Case{"file.ini", "file.ini", "file.ini"},
           Case{"/home/u/", "/home/u", "/home/u/"},      // separator last: the whole path
           Case{"C:\\Data\\x.bin", "C:\\Data", "x.bin"}, // backslashes split too
           Case{"a\\b/c.txt", "a\\b", "c.txt"},          // the later separator counts
           Case{"a/b\\c.txt", "a/b", "c.txt"},
           Case{"/top", "", "top"},
           Case{"", "", ""},
       }) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(N(ExtractFolderPath(W(c.path))), c.folder);
    EXPECT_EQ(N(ExtractFileName(W(c.path))), c.name);
  }
}

TEST_F(FileTest, ExistenceAndFolderCreation) {
  WriteAll(folder / "f.txt", "x");
  EXPECT_TRUE(DirectoryExists(W("/")));
  EXPECT_TRUE(DirectoryExists(W(folder.string())));
  EXPECT_TRUE(DirectoryExists(W(folder.string() + "/")));
  EXPECT_FALSE(DirectoryExists(W(Path("f.txt"))));
  EXPECT_FALSE(DirectoryExists(W(Path("none"))));
  EXPECT_FALSE(DirectoryExists(WideString()));
  EXPECT_TRUE(FileExists(W(Path("f.txt"))));
  EXPECT_FALSE(FileExists(W(folder.string())));
  EXPECT_FALSE(FileExists(W(Path("none"))));

  const std::string nested = Path("one/two/three");
  EXPECT_EQ(EnsureDirectoryExists(W(nested)), 0);
  EXPECT_TRUE(fs::is_directory(nested));
  EXPECT_EQ(EnsureDirectoryExists(W(nested)), 1);
  EXPECT_EQ(EnsureDirectoryExists(W(Path("f.txt"))), E_FAIL);
  // A file in the way of a folder to be made.
  EXPECT_EQ(EnsureDirectoryExists(W(Path("f.txt/below"))), E_FAIL);
  EXPECT_EQ(EnsureDirectoryExists(W(Path("trailing/"))), 0);
  EXPECT_TRUE(fs::is_directory(folder / "trailing"));

  EXPECT_TRUE(CreateDirectoryChain(W(Path("p/q/r")), true));
  EXPECT_TRUE(fs::is_directory(folder / "p" / "q"));
  EXPECT_FALSE(fs::exists(folder / "p" / "q" / "r"));
  EXPECT_TRUE(CreateDirectoryChain(W("plain"), true));
  EXPECT_FALSE(CreateDirectoryChain(WideString(), false));
}

// A folder name that is not UTF-8 (a Latin-1 home folder) reaches the system byte for byte, and the text of a
// path that cannot be (a lone surrogate no path's text holds) names no file at all, not a cut one.
TEST_F(FileTest, APathTextReachesTheSystemByteForByte) {
  const auto text = [](const std::string& bytes) {
    WideString path;
    EXPECT_TRUE(PathTextFromBytes(bytes, path));
    return path;
  };
  const fs::path latin = folder / "caf\xe9";
  EXPECT_EQ(EnsureDirectoryExists(text((latin / "sub").string())), 0);
  EXPECT_TRUE(fs::is_directory(latin / "sub"));
  EXPECT_TRUE(DirectoryExists(text(latin.string())));
  {
    File file(text(latin.string()), W("f.bin"), kRW | kCreate);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Write("x", 1), 1);
  }
  EXPECT_EQ(ReadAll(latin / "f.bin"), "x");
  EXPECT_TRUE(FileExists(text((latin / "f.bin").string())));
  std::string resolved;
  EXPECT_TRUE(PathBytesFromText(GetLongPath(text((latin / "sub" / ".." / "f.bin").string())), resolved));
  EXPECT_EQ(resolved, fs::canonical(latin / "f.bin").string());
  StringArrayT<char16_t, char> found;
  EXPECT_EQ(FindFiles(text(latin.string()), W("*"), found), 1);

  const WideString noPath = W(folder.string()).Concat(WideString(u"/caf\xD800/x"));
  EXPECT_EQ(EnsureDirectoryExists(noPath), E_FAIL);
  EXPECT_FALSE(File(noPath, WideString(), kRW | kCreate).IsOpen());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "only the Latin-1 folder, nothing cut";
}

TEST_F(FileTest, FindFilesListsMatchingFilesOnly) {
  for (const char* name : {"a.ttf", "B.TTF", "c.ttc", "noext", "x.ttf.bak"})
    WriteAll(folder / name, "x");
  fs::create_directory(folder / "dir.ttf");
  fs::create_symlink(folder / "dir.ttf", folder / "link.ttf");

  const auto sorted = [](const StringArrayT<char16_t, char>& list) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < list.GetCount(); ++i)
      names.push_back(N(list.GetAt(i)));
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::string prefix = folder.string() + "/";

  StringArrayT<char16_t, char> out;
  out.InsertItem(0, W("stale"));
  EXPECT_EQ(FindFiles(W(folder.string()), W("*.ttf"), out), 2);
  EXPECT_EQ(sorted(out), (std::vector<std::string>{prefix + "B.TTF", prefix + "a.ttf"}));

  EXPECT_EQ(FindFiles(W(folder.string()), W("?.tt?"), out), 3);
  EXPECT_EQ(FindFiles(W(folder.string()), W("*.*"), out), 5);
  EXPECT_EQ(FindFiles(W(folder.string()), W("*"), out), 5);
  EXPECT_EQ(FindFiles(W(folder.string()), W("*.png"), out), 0);
  EXPECT_EQ(out.GetCount(), 0u);

  out.InsertItem(0, W("stale"));
  EXPECT_EQ(FindFiles(W(Path("missing")), W("*"), out), E_NOTIMPL);
  EXPECT_EQ(out.GetCount(), 0u);
}

TEST_F(FileTest, LongPathIsTheCanonicalPath) {
  fs::create_directory(folder / "real");
  WriteAll(folder / "real" / "f.txt", "x");
  const std::string canonical = fs::canonical(folder / "real" / "f.txt").string();
  EXPECT_EQ(N(GetLongPath(W(Path("real/../real/./f.txt")))), canonical);
  // Nothing to resolve: the path comes back as given.
  EXPECT_EQ(N(GetLongPath(W(Path("none/f.txt")))), Path("none/f.txt"));
  EXPECT_TRUE(GetLongPath(WideString()).IsEmpty());
}

} // namespace
} // namespace QZ
