#pragma once
// Reassembles system-exclusive messages from the input buffers the platform gives back, one buffer at a time.
// A buffer is complete when the platform stopped before filling it or when its last byte is F7; an incomplete
// buffer goes on in the next one.
//
// Rules, in order for each buffer with bytes:
// - A buffer starting with F0 always begins a new message: a pending one (left by an unplug or a lost end) is
//   dropped, so stale bytes are never glued to the next reply.
// - A complete buffer ends the pending message and hands it on; with nothing pending it is handed on alone when it
//   starts with F0 and dropped otherwise.
// - An incomplete buffer starts a pending message or adds to it.
// - A message that would grow beyond kMaxMessageBytes is dropped, and so is the rest of it, up to its complete
//   buffer or the next F0: the pending bytes never exceed the cap.
//
// Plain data, no lock: one thread feeds it (the platform's MIDI thread), or the owner while no input can arrive.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace QZ {

class CMidiSysExAssembler {
public:
  static constexpr std::size_t kMaxMessageBytes = 64 * 1024;

  // Called with each whole message; the bytes are valid during the call only.
  using Sink = std::function<void(std::span<const std::uint8_t> message)>;

  // Whether a buffer with recorded bytes out of its room ends what it holds.
  static bool IsComplete(std::span<const std::uint8_t> recorded, std::size_t room);

  void AddBuffer(std::span<const std::uint8_t> recorded, bool complete, const Sink& sink);
  // Forgets a pending message and ends the dropping of an oversized one.
  void Clear();

  bool HasPending() const { return mPending; }
  std::size_t GetPendingCount() const { return mBytes.size(); }

private:
  std::vector<std::uint8_t> mBytes;
  bool mPending = false;
  bool mDiscarding = false; // the rest of an oversized message is on its way
};

} // namespace QZ
