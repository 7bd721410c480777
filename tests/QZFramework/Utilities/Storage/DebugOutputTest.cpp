#include "QZFramework/Utilities/Storage/DebugOutput.h"

#include <gtest/gtest.h>

#include "Platform/Net/Udp.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace QZ {
namespace {

// A UDP socket on 127.0.0.1 at a port of the system's choosing.
class UdpReceiver {
public:
  UdpReceiver() {
    std::uint16_t port = 0;
    mSocket = Platform::OpenLoopbackReceiver(port);
    mPort = port;
  }
  ~UdpReceiver() { Platform::CloseUdpSocket(mSocket); }

  int Port() const { return mPort; }

  // The next datagram, or "(none)" when nothing arrives in time.
  std::string Next(int timeoutMs = 5000) {
    std::vector<char> buffer(65536);
    const std::int64_t n = Platform::ReceiveDatagram(mSocket, buffer.data(), buffer.size(), timeoutMs);
    return n < 0 ? "(none)" : std::string(buffer.data(), static_cast<std::size_t>(n));
  }

private:
  Platform::UdpSocket mSocket = Platform::kNoSocket;
  int mPort = 0;
};

TEST(DebugOutput, DebuggerOutputIsStandardError) {
  DebugOutput::SetUdpTarget(nullptr, -1);
  std::ostream& narrow = DebugOutput::GetNarrowTarget();
  std::basic_ostream<char16_t>& wide = DebugOutput::GetWideTarget();

  testing::internal::CaptureStderr();
  narrow << "abc";
  const std::string beforeFlush = testing::internal::GetCapturedStderr();
  EXPECT_EQ(beforeFlush, "");

  testing::internal::CaptureStderr();
  narrow << std::flush;
  narrow << std::flush; // nothing pending any more
  narrow << "n=" << 42 << '\n' << std::flush;
  // Wide text leaves as UTF-8; a surrogate without its partner as U+FFFD.
  wide << u"\u00e9\u20ac\U0001F600|" << std::flush;
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  wide << lone << std::flush;
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "abcn=42\n\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|a\xEF\xBF\xBD"
                                                    "b");
  EXPECT_TRUE(narrow.good());
  EXPECT_TRUE(wide.good());
}

// The socket and its destination are made once per process, so every UDP
// behaviour is checked in this one test.
TEST(DebugOutput, UdpGreetingTextAndPieces) {
  UdpReceiver receiver;
  ASSERT_GT(receiver.Port(), 0);
  DebugOutput::SetUdpTarget("127.0.0.1", receiver.Port());
  EXPECT_EQ(DebugOutput::GetUdpHost(), "127.0.0.1");
  EXPECT_EQ(DebugOutput::GetUdpPort(), receiver.Port());
  std::ostream& narrow = DebugOutput::GetNarrowTarget();
  std::basic_ostream<char16_t>& wide = DebugOutput::GetWideTarget();

  narrow << "abc" << std::flush;
  EXPECT_EQ(receiver.Next(), "*** APPLICATION Launched on ");
  EXPECT_EQ(receiver.Next(), "127.0.0.1");
  EXPECT_EQ(receiver.Next(), "***\n");
  EXPECT_EQ(receiver.Next(), "abc");

  // Later flushes send their text only; an empty flush sends nothing.
  narrow << std::flush;
  narrow << "def" << std::flush;
  EXPECT_EQ(receiver.Next(), "def");
  EXPECT_EQ(receiver.Next(200), "(none)");

  // A long bulk write goes out in pieces of 1023 as it is written, the rest at the flush.
  const std::string long3000 = std::string(1000, 'a') + std::string(1000, 'b') + std::string(1000, 'c');
  narrow.write(long3000.data(), static_cast<std::streamsize>(long3000.size()));
  EXPECT_EQ(receiver.Next(), long3000.substr(0, 1023));
  EXPECT_EQ(receiver.Next(), long3000.substr(1023, 1023));
  EXPECT_EQ(receiver.Next(200), "(none)");
  narrow << std::flush;
  EXPECT_EQ(receiver.Next(), long3000.substr(2046));

  // Text already pending counts towards the piece.
  narrow << "12345";
  narrow.write(long3000.data(), 1020);
  EXPECT_EQ(receiver.Next(), "12345" + long3000.substr(0, 1018));
  narrow << std::flush;
  EXPECT_EQ(receiver.Next(), long3000.substr(1018, 2));

  // Pieces end between characters, so every datagram is whole UTF-8.
  narrow << std::string(1022, 'x') + "\xC3\xA9" + "yz" << std::flush;
  EXPECT_EQ(receiver.Next(), std::string(1022, 'x'));
  EXPECT_EQ(receiver.Next(), "\xC3\xA9yz");
  wide << std::u16string(1022, u'w') + u"\U0001F600" + u"\u00e9" << std::flush;
  EXPECT_EQ(receiver.Next(), std::string(1022, 'w'));
  EXPECT_EQ(receiver.Next(), "\xF0\x9F\x98\x80\xC3\xA9");

  // Characters written one by one are not split.
  for (int i = 0; i < 1500; ++i)
    narrow.put('p');
  narrow << std::flush;
  EXPECT_EQ(receiver.Next(), std::string(1500, 'p'));

  // SendUdp itself; a null host keeps the stored one.
  DebugOutput::SendUdp(nullptr, receiver.Port(), "direct");
  EXPECT_EQ(receiver.Next(), "direct");
  DebugOutput::SetUdpTarget(nullptr, 0);
  EXPECT_EQ(DebugOutput::GetUdpHost(), "127.0.0.1");
  testing::internal::CaptureStderr();
  narrow << "back" << std::flush;
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "back");
  EXPECT_EQ(receiver.Next(200), "(none)");
  DebugOutput::SetUdpTarget(nullptr, -1);
}

TEST(DebugOutputDeathTest, ConsoleModeWritesToStandardErrorForGood) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        DebugOutput::OpenConsole();
        // The UDP settings are not consulted any more.
        DebugOutput::SetUdpTarget("127.0.0.1", 9);
        DebugOutput::GetNarrowTarget() << "narrow-";
        DebugOutput::GetWideTarget() << u"wide-\u00e9";
        std::exit(0);
      },
      testing::ExitedWithCode(0), "^narrow-wide-\xC3\xA9$");
}

} // namespace
} // namespace QZ
