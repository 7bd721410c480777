#include "Platform/Clipboard/Clipboard.h"
#include "Platform/Clipboard/FakeClipboard.h"

#include "Support/TempFolder.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace QZ::Platform {
namespace {

// "Grüße – 音楽 🎹": two-, three- and four-byte characters.
const std::string kNonAscii = "Gr\xc3\xbc\xc3\x9f"
                              "e \xe2\x80\x93 \xe9\x9f\xb3\xe6\xa5\xbd \xf0\x9f\x8e\xb9";

// The SDL clipboard of this process, on SDL's offscreen driver (which keeps
// the text inside the process).
class SDLClipboardTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    mPrevious = SetClipboard(nullptr);
  }
  void TearDown() override { SetClipboard(mPrevious); }

  std::shared_ptr<Clipboard> mPrevious;
};

TEST_F(SDLClipboardTest, TextClaimAndSequence) {
  const auto clipboard = GetClipboard();
  ASSERT_TRUE(clipboard->SetText(kNonAscii));
  const std::uint32_t afterSet = clipboard->GetSequenceNumber();
  EXPECT_EQ(clipboard->GetSequenceNumber(), afterSet); // reading changes nothing
  EXPECT_TRUE(clipboard->HasText());
  std::string text;
  ASSERT_TRUE(clipboard->GetText(text));
  EXPECT_EQ(text, kNonAscii);
  EXPECT_FALSE(clipboard->IsClaimed());

  ASSERT_TRUE(clipboard->Claim());
  EXPECT_TRUE(clipboard->IsClaimed());
  EXPECT_FALSE(clipboard->HasText());
  EXPECT_NE(clipboard->GetSequenceNumber(), afterSet);

  // A change behind our back (SDL called directly, as another program would)
  // moves the sequence on and ends the claim.
  const std::uint32_t claimed = clipboard->GetSequenceNumber();
  ASSERT_EQ(SDL_SetClipboardText("elsewhere"), 0);
  EXPECT_NE(clipboard->GetSequenceNumber(), claimed);
  EXPECT_FALSE(clipboard->IsClaimed());

  // Text stops at a zero byte.
  ASSERT_TRUE(clipboard->SetText(std::string("ab\0cd", 5)));
  ASSERT_TRUE(clipboard->GetText(text));
  EXPECT_EQ(text, "ab");
}

TEST(FakeClipboardTest, InstalledForItsScope) {
  const auto before = GetClipboard();
  {
    ScopedFakeClipboard fake;
    EXPECT_EQ(GetClipboard().get(), &*fake);
    const std::uint32_t start = fake->GetSequenceNumber();
    fake->CopyFromOtherProgram("x");
    EXPECT_EQ(fake->GetSequenceNumber(), start + 1);
  }
  EXPECT_EQ(GetClipboard(), before);
}

// Two processes on one X display (xvfb-run): the writer puts text on the
// clipboard and serves it while the reader reads it. Each role is a test of its
// own, run by the orchestrating test with QZ_CLIPBOARD_PEER naming a folder.
std::filesystem::path PeerFolder() {
  const char* folder = std::getenv("QZ_CLIPBOARD_PEER");
  return folder ? std::filesystem::path(folder) : std::filesystem::path();
}

bool WaitForFile(const std::filesystem::path& file, std::chrono::seconds limit, bool pump) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!std::filesystem::exists(file)) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    if (pump)
      SDL_PumpEvents(); // serves the other process's requests for our text
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(ClipboardPeer, Writer) {
  const auto folder = PeerFolder();
  if (folder.empty())
    GTEST_SKIP() << "run by ClipboardBetweenProcesses";
  const auto clipboard = GetClipboard();
  ASSERT_TRUE(clipboard->SetText(test::ReadAll(folder / "text")));
  test::WriteAll(folder / "ready", "");
  EXPECT_TRUE(WaitForFile(folder / "done", std::chrono::seconds(20), true));
}

TEST(ClipboardPeer, Reader) {
  const auto folder = PeerFolder();
  if (folder.empty())
    GTEST_SKIP() << "run by ClipboardBetweenProcesses";
  ASSERT_TRUE(WaitForFile(folder / "ready", std::chrono::seconds(20), false));
  const auto clipboard = GetClipboard();
  std::string text;
  const bool read = clipboard->HasText() && clipboard->GetText(text);
  test::WriteAll(folder / "result", read ? text : std::string("<unreadable>"));
  test::WriteAll(folder / "done", "");
}

TEST(ClipboardBetweenProcesses, NonAsciiTextRoundTrip) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "xvfb-run is not installed";
  test::TempFolder folder;
  test::WriteAll(folder.Path() / "text", kNonAscii);
  const std::string self = QZ_PLATFORM_CLIPBOARD_TESTS;
  // Bounded: the peers give up after 20 s, the whole run after 60 s. The display number starts from the shell's
  // process id: xvfb-run -a alone races with other X tests started at the same moment.
  const std::string command =
      "QZ_CLIPBOARD_PEER='" + folder.Path().string() +
      "' SDL_VIDEODRIVER=x11 timeout 60 xvfb-run -a -n $((200 + $$ % 700)) -s -noreset sh -c '\"" + self +
      "\" --gtest_filter=ClipboardPeer.Writer >/dev/null 2>&1 & \"" + self +
      "\" --gtest_filter=ClipboardPeer.Reader >/dev/null 2>&1; wait' >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(test::ReadAll(folder.Path() / "result"), kNonAscii);
}

} // namespace
} // namespace QZ::Platform
