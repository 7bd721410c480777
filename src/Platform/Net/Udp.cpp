#include "Platform/Net/Udp.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace QZ::Platform {

bool ResolveIPv4(const char* host, std::string& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (!host || !*host || ::getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
    return false;
  char text[INET_ADDRSTRLEN] = {};
  sockaddr_in ipv4{};
  // Copied out rather than cast: the list's address need not be aligned for it.
  const bool fits = found->ai_addrlen >= sizeof ipv4 && found->ai_addr;
  if (fits)
    std::memcpy(&ipv4, found->ai_addr, sizeof ipv4);
  const bool ok = fits && ::inet_ntop(AF_INET, &ipv4.sin_addr, text, sizeof text) != nullptr;
  ::freeaddrinfo(found);
  if (ok)
    address = text;
  return ok;
}

bool GetOwnHostName(std::string& name) {
  char own[256] = {};
  if (::gethostname(own, sizeof own - 1) != 0)
    return false;
  name = own;
  return true;
}

bool MakeUdpTarget(const char* address, std::uint16_t port, UdpTarget& target) {
  in_addr parsed{};
  if (!address || ::inet_pton(AF_INET, address, &parsed) != 1)
    return false;
  target.address = parsed.s_addr;
  target.port = port;
  return true;
}

UdpSocket OpenUdpSender() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  return fd >= 0 ? fd : kNoSocket;
}

UdpSocket OpenLoopbackReceiver(std::uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0)
    return kNoSocket;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  port = ntohs(address.sin_port);
  return fd;
}

void CloseUdpSocket(UdpSocket socket) {
  if (socket >= 0)
    ::close(socket);
}

bool SendDatagram(UdpSocket socket, const UdpTarget& target, const void* bytes, std::size_t length) {
  if (socket < 0)
    return false;
  sockaddr_in destination{};
  destination.sin_family = AF_INET;
  destination.sin_port = htons(target.port);
  destination.sin_addr.s_addr = target.address;
  ssize_t sent;
  do
    sent = ::sendto(socket, bytes, length, 0, reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
  while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(length);
}

std::int64_t ReceiveDatagram(UdpSocket socket, void* buffer, std::size_t capacity, int timeoutMs) {
  if (socket < 0)
    return -1;
  pollfd wait{socket, POLLIN, 0};
  if (::poll(&wait, 1, timeoutMs) != 1)
    return -1;
  const ssize_t n = ::recv(socket, buffer, capacity, 0);
  return n < 0 ? -1 : static_cast<std::int64_t>(n);
}

} // namespace QZ::Platform
