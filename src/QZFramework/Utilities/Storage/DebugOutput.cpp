#include "QZFramework/Utilities/Storage/DebugOutput.h"

#include "Platform/Net/Udp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <type_traits>

namespace QZ {

namespace {

// Process-wide UDP state; never released, like the socket it names.
std::mutex sUdpLock;
Platform::UdpSocket sSocket = Platform::kNoSocket;
Platform::UdpTarget sDestination;

// Set while the channel exists: buffers flushed after it is gone (during exit)
// fall back to standard error.
std::atomic<DebugOutput*> sInstance{nullptr};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Up to the first zero; a surrogate without its partner becomes U+FFFD.
std::string ToUtf8(const char16_t* text) {
  std::string out;
  for (const char16_t* p = text; *p; ++p) {
    const char16_t c = *p;
    if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (p[1] - 0xDC00));
      ++p;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

// The largest piece of at most count characters that does not end inside a
// character, so that every datagram is whole UTF-8; count when there is none.
std::streamsize WholeCharacters(const char* s, std::streamsize count) {
  std::streamsize k = count;
  while (k > count - 3 && k > 0 && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80)
    --k;
  return (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80 ? count : k;
}

std::streamsize WholeCharacters(const char16_t* s, std::streamsize count) {
  const bool splitsPair =
      s[count - 1] >= 0xD800 && s[count - 1] <= 0xDBFF && s[count] >= 0xDC00 && s[count] <= 0xDFFF;
  return splitsPair ? count - 1 : count;
}

void SendDatagramLocked(const char* text) {
  const std::size_t length = text ? std::strlen(text) : 0;
  if (sSocket == Platform::kNoSocket || length == 0)
    return;
  // Send failures are dropped: diagnostics never disturb the writer.
  (void)Platform::SendDatagram(sSocket, sDestination, text, length);
}

void OpenSocketLocked(const char* host, std::int32_t port) {
  std::string address = "127.0.0.1";
  if (!host || !Platform::ResolveIPv4(host, address)) {
    std::string own;
    if (Platform::GetOwnHostName(own))
      (void)Platform::ResolveIPv4(own.c_str(), address);
  }
  sDestination = Platform::UdpTarget();
  (void)Platform::MakeUdpTarget(address.c_str(), static_cast<std::uint16_t>(port & 0xFFFF), sDestination);

  sSocket = Platform::OpenUdpSender();
  if (sSocket == Platform::kNoSocket)
    return;
  SendDatagramLocked("*** APPLICATION Launched on ");
  SendDatagramLocked(address.c_str());
  SendDatagramLocked("***\n");
}

void WriteToStandardError(const char* text) {
  const std::size_t length = std::strlen(text);
  if (length)
    std::fwrite(text, 1, length, stderr);
}

} // namespace

// ---------------------------------------------------------------------------
// Buffers

template <class C>
basic_debugbuf<C>::~basic_debugbuf() {
  if (this->pptr() != this->pbase())
    sync();
}

template <class C>
std::streamsize basic_debugbuf<C>::xsputn(const C* s, std::streamsize count) {
  std::streamsize done = 0;
  while (done < count) {
    std::streamsize pending = this->pptr() - this->pbase();
    if (pending >= kChunk) {
      sync();
      pending = 0;
    }
    std::streamsize piece = std::min(kChunk - pending, count - done);
    if (done + piece < count) {
      // Text pending before this write may leave too little room for a whole
      // character: deliver that first.
      const std::streamsize whole = WholeCharacters(s + done, piece);
      if (whole == 0) {
        sync();
        continue;
      }
      piece = whole;
    }
    const std::streamsize written = std::basic_stringbuf<C>::xsputn(s + done, piece);
    done += written;
    if (written < piece)
      break;
  }
  return done;
}

template <class C>
int basic_debugbuf<C>::sync() {
  const std::basic_string<C> text = this->str();
  if constexpr (std::is_same_v<C, char>)
    DebugOutput::Deliver(text.c_str());
  else
    DebugOutput::Deliver(ToUtf8(text.c_str()).c_str());
  this->str(std::basic_string<C>());
  return 0;
}

template class basic_debugbuf<char>;
template class basic_debugbuf<char16_t>;

// ---------------------------------------------------------------------------
// Channel

DebugOutput::DebugOutput() : mNarrowTarget(&mNarrowStream), mWideTarget(&mWideStream) { sInstance.store(this); }

DebugOutput::~DebugOutput() {
  // Pending text goes out while the settings it needs are still here.
  mNarrowStream.flush();
  mWideStream.flush();
  sInstance.store(nullptr);
}

DebugOutput& DebugOutput::Instance() {
  static DebugOutput instance;
  return instance;
}

void DebugOutput::SetUdpTarget(const char* host, std::int32_t port) {
  DebugOutput& self = Instance();
  std::lock_guard<std::mutex> guard(self.mLock);
  if (host)
    self.mUdpHost = host;
  self.mUdpPort = port;
}

void DebugOutput::OpenConsole() {
  DebugOutput& self = Instance();
  std::ios_base::sync_with_stdio(true);
  // The wide stream stays the wide target: there is no standard UTF-16 error
  // stream, so it writes there itself, flushing after every output like one.
  self.mWideStream.setf(std::ios_base::unitbuf);
  {
    std::lock_guard<std::mutex> guard(self.mLock);
    self.mConsole = true;
  }
  self.mNarrowTarget.store(&std::cerr);
}

void DebugOutput::SendUdp(const char* host, std::int32_t port, const char* text) {
  std::lock_guard<std::mutex> guard(sUdpLock);
  if (sSocket == Platform::kNoSocket)
    OpenSocketLocked(host, port);
  SendDatagramLocked(text);
}

std::ostream& DebugOutput::GetNarrowTarget() { return *Instance().mNarrowTarget.load(); }

std::basic_ostream<char16_t>& DebugOutput::GetWideTarget() { return *Instance().mWideTarget.load(); }

bool DebugOutput::IsListened() {
  DebugOutput& self = Instance();
  std::lock_guard<std::mutex> guard(self.mLock);
  return self.mConsole || self.mUdpPort > 0;
}

std::int32_t DebugOutput::GetUdpPort() {
  DebugOutput& self = Instance();
  std::lock_guard<std::mutex> guard(self.mLock);
  return self.mUdpPort;
}

std::string DebugOutput::GetUdpHost() {
  DebugOutput& self = Instance();
  std::lock_guard<std::mutex> guard(self.mLock);
  return self.mUdpHost;
}

void DebugOutput::Deliver(const char* text) {
  DebugOutput* self = sInstance.load();
  std::string host;
  std::int32_t port = -1;
  if (self) {
    std::lock_guard<std::mutex> guard(self->mLock);
    if (!self->mConsole) {
      host = self->mUdpHost;
      port = self->mUdpPort;
    }
  }
  if (port <= 0)
    WriteToStandardError(text);
  else
    SendUdp(host.empty() ? nullptr : host.c_str(), port, text);
}

} // namespace QZ
