#pragma once
// The process-wide diagnostic channel. Narrow (UTF-8) and wide (UTF-16) text is
// buffered and delivered at every flush: to the debugger output (standard error
// here), or, once a UDP port is set, as one datagram of UTF-8 text. Console mode
// points the channel at standard error for good.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <sstream>
#include <string>

namespace QZ {

template <class C>
class basic_debugbuf : public std::basic_stringbuf<C> {
public:
  // Bulk writes are delivered in pieces of at most this many characters.
  static constexpr std::streamsize kChunk = 1023;

  basic_debugbuf() : std::basic_stringbuf<C>(std::ios_base::out) {}
  ~basic_debugbuf() override;

protected:
  std::streamsize xsputn(const C* s, std::streamsize count) override;
  int sync() override;
};

template <class C>
class basic_dostream : public std::basic_ostream<C> {
public:
  basic_dostream() : std::basic_ostream<C>(nullptr) { this->rdbuf(&mBuffer); }
  ~basic_dostream() override = default;

private:
  basic_debugbuf<C> mBuffer;
};

extern template class basic_debugbuf<char>;
extern template class basic_debugbuf<char16_t>;

class DebugOutput {
public:
  // The one channel, made on first use.
  static DebugOutput& Instance();

  // A non-null host replaces the stored one. A port of 0 or less keeps (or returns
  // to) the debugger output.
  static void SetUdpTarget(const char* host, std::int32_t port);
  // From now on both targets write to standard error, unbuffered.
  static void OpenConsole();
  // Sends the text (up to its zero) as one datagram, making the socket and sending
  // the greeting first when there is none yet. Failures are dropped.
  static void SendUdp(const char* host, std::int32_t port, const char* text);

  // Where diagnostics are written. The wide target takes text only: the standard
  // library has no char16_t facets, so a number written to it turns the stream bad and
  // std::endl throws std::bad_cast; format into the text first and end lines with u"\n".
  static std::ostream& GetNarrowTarget();
  static std::basic_ostream<char16_t>& GetWideTarget();

  // Someone reads the channel: console mode, or a UDP target. Chatter that only a reader wants (what the
  // libraries say of themselves) is written only then, so that a plain start prints nothing.
  static bool IsListened();

  static std::int32_t GetUdpPort();
  static std::string GetUdpHost();

  DebugOutput(const DebugOutput&) = delete;
  DebugOutput& operator=(const DebugOutput&) = delete;

private:
  template <class C>
  friend class basic_debugbuf;

  DebugOutput();
  ~DebugOutput();

  // What a flush hands on: the UTF-8 text up to its first zero.
  static void Deliver(const char* text);

  basic_dostream<char> mNarrowStream;
  basic_dostream<char16_t> mWideStream;
  std::atomic<std::ostream*> mNarrowTarget;
  std::atomic<std::basic_ostream<char16_t>*> mWideTarget;
  std::mutex mLock; // host, port and console flag
  std::string mUdpHost;
  std::int32_t mUdpPort = -1;
  bool mConsole = false;
};

} // namespace QZ
