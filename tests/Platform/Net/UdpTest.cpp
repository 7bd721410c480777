#include "Platform/Net/Udp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

TEST(Udp, LoopbackDatagramsArriveWhole) {
  std::uint16_t port = 0;
  const UdpSocket receiver = OpenLoopbackReceiver(port);
  ASSERT_NE(receiver, kNoSocket);
  EXPECT_NE(port, 0);
  const UdpSocket sender = OpenUdpSender();
  ASSERT_NE(sender, kNoSocket);
  UdpTarget target;
  ASSERT_TRUE(MakeUdpTarget("127.0.0.1", port, target));

  for (const std::string& text : {std::string("one"), std::string(1000, 'x'), std::string("\xC3\xA9t\xC3\xA9")}) {
    SCOPED_TRACE(text.size());
    ASSERT_TRUE(SendDatagram(sender, target, text.data(), text.size()));
    std::vector<char> buffer(65536);
    const std::int64_t n = ReceiveDatagram(receiver, buffer.data(), buffer.size(), 5000);
    ASSERT_EQ(n, static_cast<std::int64_t>(text.size()));
    EXPECT_EQ(std::string(buffer.data(), static_cast<std::size_t>(n)), text);
  }
  char byte = 0;
  EXPECT_EQ(ReceiveDatagram(receiver, &byte, 1, 0), -1); // nothing more
  CloseUdpSocket(sender);
  CloseUdpSocket(receiver);

  EXPECT_FALSE(SendDatagram(kNoSocket, target, "x", 1));
  EXPECT_EQ(ReceiveDatagram(kNoSocket, &byte, 1, 0), -1);
}

TEST(Udp, AddressesAndNames) {
  UdpTarget target;
  for (const char* bad : {"", "localhost", "1.2.3", "256.1.1.1", "::1"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(MakeUdpTarget(bad, 1, target));
  }
  EXPECT_FALSE(MakeUdpTarget(nullptr, 1, target));
  ASSERT_TRUE(MakeUdpTarget("10.0.0.1", 9, target));
  EXPECT_EQ(target.port, 9);

  std::string address;
  EXPECT_TRUE(ResolveIPv4("127.0.0.1", address));
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_FALSE(ResolveIPv4("", address));
  EXPECT_FALSE(ResolveIPv4(nullptr, address));
  std::string own;
  EXPECT_TRUE(GetOwnHostName(own));
  EXPECT_FALSE(own.empty());
}

} // namespace
} // namespace QZ::Platform
