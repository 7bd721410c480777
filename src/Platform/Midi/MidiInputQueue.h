#pragma once
// The input side of a backend whose library hands over whole messages (RtMidi): the buffers the port's owner
// queues, and the cutting of each whole system-exclusive message into them, so that the owner reassembles input as
// it would from a platform that fills buffers itself. A message that finds no buffer queued is dropped (what does
// not fit is dropped, and counted); every other message goes to the owner as a packed short message.
//
// Callbacks run under the queue's callback lock (recursive, taken before its state lock, which is never held
// during a callback): on the library's thread for input, on the caller's thread for Reset and Close, which
// therefore wait for a callback under way. Once Close returned no callback runs; the library's thread may still
// enter Deliver (and return at once) until the owner has stopped it, so the queue must outlive that thread.

#include "Platform/Midi/MidiSystem.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>

namespace QZ::Platform {

class MidiInputQueue {
public:
  MidiInputQueue(MidiInputCallback callback, void* instance);
  MidiInputQueue(const MidiInputQueue&) = delete;
  MidiInputQueue& operator=(const MidiInputQueue&) = delete;

  // kMidiInvalidParam for a buffer without room or already queued; kMidiInvalidHandle once closed.
  MidiResult Add(MidiBuffer* buffer);
  void Start();
  void Stop();
  // Stops and gives every queued buffer back empty.
  void Reset();
  // Reset, and no callback from now on.
  void Close();

  // One whole message from the library; ignored while stopped.
  void Deliver(std::span<const std::uint8_t> message);

  std::uint32_t GetQueuedCount();
  std::uint32_t GetDroppedByteCount();

private:
  void GiveBackAll();

  const MidiInputCallback mCallback;
  void* const mInstance;
  std::recursive_mutex mCallbackLock;
  std::mutex mStateLock;
  bool mStarted = false;
  bool mClosed = false;
  std::chrono::steady_clock::time_point mStartTime;
  std::deque<MidiBuffer*> mBuffers;
  std::uint32_t mDropped = 0;
};

} // namespace QZ::Platform
