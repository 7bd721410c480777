#include "Platform/Midi/SimulatedMidiSystem.h"

#include <charconv>

namespace QZ::Platform {

std::optional<SimulatedMidiSystem::Options> SimulatedMidiSystem::ParseOptions(std::string_view text) {
  Options options;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view option = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (option == "silent") {
      options.silent = true;
    } else if (option == "slow") {
      options.replyDelay = kSlowDelay;
    } else if (option.starts_with("slow=")) {
      const std::string_view number = option.substr(5);
      unsigned ms = 0;
      const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), ms);
      if (error != std::errc() || end != number.data() + number.size())
        return std::nullopt;
      options.replyDelay = std::chrono::milliseconds(ms);
    } else {
      return std::nullopt;
    }
  }
  return options;
}

SimulatedMidiSystem::SimulatedMidiSystem() : SimulatedMidiSystem(Options()) {}

SimulatedMidiSystem::SimulatedMidiSystem(Options options) : mOptions(options) {
  mInput = mFake.AddDevice(MidiDirection::Input, kSimulatedDeviceName);
  mOutput = mFake.AddDevice(MidiDirection::Output, kSimulatedDeviceName);
  mAnswerThread = std::thread([this] { AnswerLoop(); });
}

SimulatedMidiSystem::~SimulatedMidiSystem() {
  {
    std::lock_guard<std::mutex> guard(mLock);
    mStopping = true;
  }
  mChanged.notify_all();
  mAnswerThread.join();
}

void SimulatedMidiSystem::SetSilent(bool silent) {
  std::lock_guard<std::mutex> guard(mLock);
  mOptions.silent = silent;
}

void SimulatedMidiSystem::SetReplyDelay(std::chrono::milliseconds delay) {
  std::lock_guard<std::mutex> guard(mLock);
  mOptions.replyDelay = delay;
}

void SimulatedMidiSystem::Unplug() {
  {
    std::lock_guard<std::mutex> guard(mLock);
    ++mPlugging;
    mQueue.clear();
  }
  mFake.Unplug(mInput);
  mFake.Unplug(mOutput);
  mChanges.fetch_add(1);
}

void SimulatedMidiSystem::Plug() {
  mFake.Plug(mInput);
  mFake.Plug(mOutput);
  mChanges.fetch_add(1);
}

std::optional<std::uint64_t> SimulatedMidiSystem::GetDeviceChangeCount() { return mChanges.load(); }

std::uint32_t SimulatedMidiSystem::GetAnswerCount() {
  std::lock_guard<std::mutex> guard(mLock);
  return mAnswers;
}

void SimulatedMidiSystem::HoldAnswers(bool hold) {
  {
    std::lock_guard<std::mutex> guard(mLock);
    mHeld = hold;
  }
  mChanged.notify_all();
}

bool SimulatedMidiSystem::WaitForKeptAnswers(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mLock);
  return mChanged.wait_for(lock, timeout, [&] { return mQueue.size() >= count; });
}

void SimulatedMidiSystem::AnswerLoop() {
  std::unique_lock<std::mutex> lock(mLock);
  while (!mStopping) {
    if (mQueue.empty() || mHeld) {
      mChanged.wait(lock);
      continue;
    }
    if (std::chrono::steady_clock::now() < mQueue.front().due) {
      mChanged.wait_until(lock, mQueue.front().due);
      continue;
    }
    Answer answer = std::move(mQueue.front());
    mQueue.pop_front();
    if (answer.plugging != mPlugging)
      continue;
    ++mAnswers;
    lock.unlock();
    mFake.InjectLong(mInput, answer.bytes); // as the device's MIDI thread; no lock of ours held
    lock.lock();
  }
}

std::uint32_t SimulatedMidiSystem::GetDeviceCount(MidiDirection direction) {
  return mFake.GetDeviceCount(direction);
}

MidiResult SimulatedMidiSystem::GetDeviceName(MidiDirection direction, std::uint32_t index, std::u16string& name) {
  return mFake.GetDeviceName(direction, index, name);
}

MidiResult SimulatedMidiSystem::OpenInput(std::uint32_t index, MidiInputCallback callback, void* instance,
                                          MidiInHandle& handle) {
  return mFake.OpenInput(index, callback, instance, handle);
}

MidiResult SimulatedMidiSystem::AddInputBuffer(MidiInHandle handle, MidiBuffer* buffer) {
  return mFake.AddInputBuffer(handle, buffer);
}

MidiResult SimulatedMidiSystem::StartInput(MidiInHandle handle) { return mFake.StartInput(handle); }
MidiResult SimulatedMidiSystem::StopInput(MidiInHandle handle) { return mFake.StopInput(handle); }
MidiResult SimulatedMidiSystem::ResetInput(MidiInHandle handle) { return mFake.ResetInput(handle); }
MidiResult SimulatedMidiSystem::CloseInput(MidiInHandle handle) { return mFake.CloseInput(handle); }
bool SimulatedMidiSystem::IsInputPresent(MidiInHandle handle) { return mFake.IsInputPresent(handle); }

MidiResult SimulatedMidiSystem::OpenOutput(std::uint32_t index, MidiOutputCallback callback, void* instance,
                                           MidiOutHandle& handle) {
  return mFake.OpenOutput(index, callback, instance, handle);
}

MidiResult SimulatedMidiSystem::SendShort(MidiOutHandle handle, std::uint32_t packed) {
  return mFake.SendShort(handle, packed);
}

MidiResult SimulatedMidiSystem::SendLong(MidiOutHandle handle, MidiBuffer* buffer) {
  // Copied first: the buffer is given back inside the call.
  std::vector<std::uint8_t> bytes;
  if (buffer && buffer->data)
    bytes.assign(buffer->data, buffer->data + buffer->length);
  const MidiResult result = mFake.SendLong(handle, buffer);
  if (result != kMidiOk)
    return result;
  std::optional<std::vector<std::uint8_t>> answer = mController.Receive(bytes);
  if (answer) {
    std::lock_guard<std::mutex> guard(mLock);
    if (!mOptions.silent)
      mQueue.push_back({std::chrono::steady_clock::now() + mOptions.replyDelay, mPlugging, std::move(*answer)});
  }
  mChanged.notify_all();
  return result;
}

MidiResult SimulatedMidiSystem::ResetOutput(MidiOutHandle handle) { return mFake.ResetOutput(handle); }
MidiResult SimulatedMidiSystem::CloseOutput(MidiOutHandle handle) { return mFake.CloseOutput(handle); }
bool SimulatedMidiSystem::IsOutputPresent(MidiOutHandle handle) { return mFake.IsOutputPresent(handle); }

} // namespace QZ::Platform
