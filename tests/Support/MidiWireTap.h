#pragma once
// A MIDI backend that passes everything on to another one and keeps what went out on the wire: the bytes of every
// long message the other backend accepted, in order. A hook may run on the sender's thread just before a long
// message is handed on (to act while the sender is inside its send), and device enumerations are counted by the
// thread that made them (to see which threads probe the ports).

#include "Platform/Midi/MidiSystem.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace QZ::test {

class MidiWireTap final : public Platform::MidiSystem {
public:
  using Bytes = std::vector<std::uint8_t>;
  using SendHook = std::function<void(const Bytes&)>;

  explicit MidiWireTap(std::shared_ptr<Platform::MidiSystem> inner) : mInner(std::move(inner)) {}

  std::vector<Bytes> GetSent() {
    std::lock_guard<std::mutex> guard(mLock);
    return mSent;
  }
  std::vector<Bytes> TakeSent() {
    std::lock_guard<std::mutex> guard(mLock);
    return std::exchange(mSent, {});
  }
  // Runs for every long message before it is handed on; null removes it.
  void SetSendHook(SendHook hook) {
    std::lock_guard<std::mutex> guard(mLock);
    mHook = std::move(hook);
  }
  // Device enumerations (GetDeviceCount) made by threads other than this one.
  std::uint32_t GetEnumerationsOffThread(std::thread::id thread) {
    std::lock_guard<std::mutex> guard(mLock);
    std::uint32_t count = 0;
    for (const auto& [id, n] : mEnumerations)
      if (id != thread)
        count += n;
    return count;
  }

  std::uint32_t GetDeviceCount(Platform::MidiDirection direction) override {
    {
      std::lock_guard<std::mutex> guard(mLock);
      ++mEnumerations[std::this_thread::get_id()];
    }
    return mInner->GetDeviceCount(direction);
  }
  Platform::MidiResult GetDeviceName(Platform::MidiDirection direction, std::uint32_t index,
                                     std::u16string& name) override {
    return mInner->GetDeviceName(direction, index, name);
  }
  Platform::MidiResult OpenInput(std::uint32_t index, Platform::MidiInputCallback callback, void* instance,
                                 Platform::MidiInHandle& handle) override {
    return mInner->OpenInput(index, callback, instance, handle);
  }
  Platform::MidiResult AddInputBuffer(Platform::MidiInHandle handle, Platform::MidiBuffer* buffer) override {
    return mInner->AddInputBuffer(handle, buffer);
  }
  Platform::MidiResult StartInput(Platform::MidiInHandle handle) override { return mInner->StartInput(handle); }
  Platform::MidiResult StopInput(Platform::MidiInHandle handle) override { return mInner->StopInput(handle); }
  Platform::MidiResult ResetInput(Platform::MidiInHandle handle) override { return mInner->ResetInput(handle); }
  Platform::MidiResult CloseInput(Platform::MidiInHandle handle) override { return mInner->CloseInput(handle); }
  bool IsInputPresent(Platform::MidiInHandle handle) override { return mInner->IsInputPresent(handle); }
  Platform::MidiResult OpenOutput(std::uint32_t index, Platform::MidiOutputCallback callback, void* instance,
                                  Platform::MidiOutHandle& handle) override {
    return mInner->OpenOutput(index, callback, instance, handle);
  }
  Platform::MidiResult SendShort(Platform::MidiOutHandle handle, std::uint32_t packed) override {
    return mInner->SendShort(handle, packed);
  }
  Platform::MidiResult SendLong(Platform::MidiOutHandle handle, Platform::MidiBuffer* buffer) override {
    Bytes bytes;
    if (buffer && buffer->data)
      bytes.assign(buffer->data, buffer->data + buffer->length); // the buffer may come back inside the call
    SendHook hook;
    {
      std::lock_guard<std::mutex> guard(mLock);
      hook = mHook;
    }
    if (hook)
      hook(bytes);
    const Platform::MidiResult result = mInner->SendLong(handle, buffer);
    if (result == Platform::kMidiOk) {
      std::lock_guard<std::mutex> guard(mLock);
      mSent.push_back(std::move(bytes));
    }
    return result;
  }
  Platform::MidiResult ResetOutput(Platform::MidiOutHandle handle) override { return mInner->ResetOutput(handle); }
  Platform::MidiResult CloseOutput(Platform::MidiOutHandle handle) override { return mInner->CloseOutput(handle); }
  bool IsOutputPresent(Platform::MidiOutHandle handle) override { return mInner->IsOutputPresent(handle); }

private:
  std::shared_ptr<Platform::MidiSystem> mInner;
  std::mutex mLock;
  SendHook mHook;
  std::vector<Bytes> mSent;
  std::map<std::thread::id, std::uint32_t> mEnumerations;
};

} // namespace QZ::test
