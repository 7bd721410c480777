#include "Platform/Midi/MidiInputQueue.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace QZ::Platform {
namespace {

void MarkGivenBack(MidiBuffer* buffer) { buffer->flags = (buffer->flags & ~kMidiBufferQueued) | kMidiBufferDone; }

} // namespace

MidiInputQueue::MidiInputQueue(MidiInputCallback callback, void* instance)
    : mCallback(callback), mInstance(instance) {}

MidiResult MidiInputQueue::Add(MidiBuffer* buffer) {
  if (!buffer || !buffer->data || buffer->length == 0 || (buffer->flags & kMidiBufferQueued))
    return kMidiInvalidParam;
  std::lock_guard<std::mutex> state(mStateLock);
  if (mClosed)
    return kMidiInvalidHandle;
  buffer->flags = (buffer->flags & ~kMidiBufferDone) | kMidiBufferQueued;
  buffer->bytesRecorded = 0;
  mBuffers.push_back(buffer);
  return kMidiOk;
}

void MidiInputQueue::Start() {
  std::lock_guard<std::mutex> state(mStateLock);
  mStarted = true;
  mStartTime = std::chrono::steady_clock::now();
}

void MidiInputQueue::Stop() {
  std::lock_guard<std::mutex> state(mStateLock);
  mStarted = false;
}

void MidiInputQueue::Reset() {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  GiveBackAll();
}

void MidiInputQueue::Close() {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  GiveBackAll();
  std::lock_guard<std::mutex> state(mStateLock);
  mClosed = true;
}

void MidiInputQueue::GiveBackAll() {
  std::deque<MidiBuffer*> buffers;
  {
    std::lock_guard<std::mutex> state(mStateLock);
    mStarted = false;
    buffers.swap(mBuffers);
  }
  for (MidiBuffer* buffer : buffers) {
    buffer->bytesRecorded = 0;
    MarkGivenBack(buffer);
    mCallback(mInstance, MidiInputEvent::LongData, 0, 0, buffer);
  }
}

void MidiInputQueue::Deliver(std::span<const std::uint8_t> message) {
  if (message.empty())
    return;
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  if (message[0] != 0xF0) {
    std::uint32_t timeMs = 0;
    {
      std::lock_guard<std::mutex> state(mStateLock);
      if (mClosed || !mStarted)
        return;
      timeMs = static_cast<std::uint32_t>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - mStartTime)
              .count());
    }
    std::uint32_t packed = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(message.size(), 3); ++i)
      packed |= std::uint32_t{message[i]} << (8 * i);
    mCallback(mInstance, MidiInputEvent::ShortMessage, packed, timeMs, nullptr);
    return;
  }
  std::size_t at = 0;
  while (at < message.size()) {
    MidiBuffer* buffer = nullptr;
    {
      std::lock_guard<std::mutex> state(mStateLock);
      if (mClosed || !mStarted)
        return;
      if (mBuffers.empty()) {
        mDropped += static_cast<std::uint32_t>(message.size() - at);
        return;
      }
      buffer = mBuffers.front();
      mBuffers.pop_front();
    }
    const std::size_t n = std::min<std::size_t>(message.size() - at, buffer->length);
    std::memcpy(buffer->data, message.data() + at, n);
    buffer->bytesRecorded = static_cast<std::uint32_t>(n);
    MarkGivenBack(buffer);
    at += n;
    mCallback(mInstance, MidiInputEvent::LongData, 0, 0, buffer);
  }
}

std::uint32_t MidiInputQueue::GetQueuedCount() {
  std::lock_guard<std::mutex> state(mStateLock);
  return static_cast<std::uint32_t>(mBuffers.size());
}

std::uint32_t MidiInputQueue::GetDroppedByteCount() {
  std::lock_guard<std::mutex> state(mStateLock);
  return mDropped;
}

} // namespace QZ::Platform
