#pragma once
// IPv4 UDP: host look-up, the machine's own name, and datagram sockets. A socket is
// used by one thread at a time (its owner locks around it); failures are reported,
// never thrown.

#include <cstddef>
#include <cstdint>
#include <string>

namespace QZ::Platform {

// The dotted address of the host's first IPv4 address.
bool ResolveIPv4(const char* host, std::string& address);
// This machine's host name.
bool GetOwnHostName(std::string& name);

using UdpSocket = int;
inline constexpr UdpSocket kNoSocket = -1;

// Where datagrams go: an IPv4 address and port, in the system's form.
struct UdpTarget {
  std::uint32_t address = 0; // network order
  std::uint16_t port = 0;    // host order
};
// False when the text is not a dotted IPv4 address.
bool MakeUdpTarget(const char* address, std::uint16_t port, UdpTarget& target);

// An unbound socket for sending; kNoSocket on failure.
UdpSocket OpenUdpSender();
// A socket bound to the loopback address at a port of the system's choosing, which
// port receives; kNoSocket on failure.
UdpSocket OpenLoopbackReceiver(std::uint16_t& port);
void CloseUdpSocket(UdpSocket socket);

// The whole datagram or nothing; false when the system refused it.
bool SendDatagram(UdpSocket socket, const UdpTarget& target, const void* bytes, std::size_t length);
// Waits up to timeoutMs for the next datagram; -1 on time-out or failure, else its
// length (the part that fits the buffer is stored).
std::int64_t ReceiveDatagram(UdpSocket socket, void* buffer, std::size_t capacity, int timeoutMs);

} // namespace QZ::Platform
