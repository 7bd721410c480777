#include "Platform/Midi/FakeMidiSystem.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace QZ::Platform {
namespace {

std::size_t Slot(MidiDirection direction) { return direction == MidiDirection::Input ? 0 : 1; }

void MarkGivenBack(MidiBuffer* buffer) { buffer->flags = (buffer->flags & ~kMidiBufferQueued) | kMidiBufferDone; }

} // namespace

FakeMidiSystem::FakeMidiSystem() = default;

FakeMidiSystem::~FakeMidiSystem() {
  {
    StateLock lock(mLock);
    mStopping = true;
  }
  mScheduleChanged.notify_all();
  if (mDelayThread.joinable())
    mDelayThread.join();
}

FakeMidiSystem::Device& FakeMidiSystem::DeviceAt(DeviceId id) {
  auto it = mDevices.find(id);
  if (it == mDevices.end())
    throw std::invalid_argument("FakeMidiSystem: no such device");
  return it->second;
}

bool FakeMidiSystem::TakeFailure(Call call, MidiResult& result) {
  auto it = mFailures.find(call);
  if (it == mFailures.end() || it->second.empty())
    return false;
  result = it->second.front();
  it->second.pop_front();
  return true;
}

FakeMidiSystem::Port* FakeMidiSystem::FindPort(std::uintptr_t handle, MidiDirection direction) {
  auto it = mPorts.find(handle);
  if (it == mPorts.end() || it->second.direction != direction)
    return nullptr;
  return &it->second;
}

MidiResult FakeMidiSystem::UsablePort(std::optional<Call> call, std::uintptr_t handle, MidiDirection direction,
                                      Port*& port) {
  MidiResult failure = kMidiOk;
  if (call && TakeFailure(*call, failure))
    return failure;
  port = FindPort(handle, direction);
  if (!port)
    return kMidiInvalidHandle;
  if (port->dead)
    return kMidiNoDriver;
  return kMidiOk;
}

void FakeMidiSystem::Unschedule(const MidiBuffer* buffer) {
  std::erase_if(mScheduled, [buffer](const Scheduled& entry) { return entry.buffer == buffer; });
}

void FakeMidiSystem::TakeAll(Port& port, std::vector<GiveBack>& out) {
  for (MidiBuffer* buffer : port.buffers) {
    Unschedule(buffer);
    MarkGivenBack(buffer);
    out.push_back({port.inputCallback, port.outputCallback, port.instance, MidiInputEvent::LongData, buffer});
  }
  port.buffers.clear();
}

bool FakeMidiSystem::Finish(Port& port, MidiBuffer* buffer, std::vector<GiveBack>& out) {
  auto it = std::find(port.buffers.begin(), port.buffers.end(), buffer);
  if (it == port.buffers.end())
    return false;
  port.buffers.erase(it);
  Unschedule(buffer);
  if (!port.dead) { // a device that went away sends nothing more
    SentMessage sent;
    sent.isLong = true;
    sent.bytes.assign(buffer->data, buffer->data + buffer->length);
    DeviceAt(port.device).sent.push_back(std::move(sent));
  }
  MarkGivenBack(buffer);
  out.push_back({nullptr, port.outputCallback, port.instance, MidiInputEvent::LongData, buffer});
  return true;
}

void FakeMidiSystem::Deliver(const std::vector<GiveBack>& backs) {
  for (const GiveBack& back : backs) {
    if (back.inputCallback)
      back.inputCallback(back.instance, back.inputEvent, 0, 0, back.buffer);
    else if (back.outputCallback)
      back.outputCallback(back.instance, MidiOutputEvent::Done, back.buffer);
  }
}

// ---------------------------------------------------------------------------
// Scripting

FakeMidiSystem::DeviceId FakeMidiSystem::AddDevice(MidiDirection direction, const std::u16string& name) {
  StateLock lock(mLock);
  const DeviceId id = mNextDevice++;
  Device& device = mDevices[id];
  device.direction = direction;
  device.name = name;
  mOrder[Slot(direction)].push_back(id);
  ++mChanges;
  return id;
}

void FakeMidiSystem::Unplug(DeviceId id) {
  StateLock lock(mLock);
  Device& device = DeviceAt(id);
  if (!device.present)
    return;
  device.present = false;
  ++mChanges;
  auto& order = mOrder[Slot(device.direction)];
  order.erase(std::find(order.begin(), order.end(), id));
  for (auto& [handle, port] : mPorts) {
    if (port.device == id) {
      port.dead = true;
      port.started = false;
    }
  }
}

void FakeMidiSystem::Plug(DeviceId id) {
  StateLock lock(mLock);
  Device& device = DeviceAt(id);
  if (device.present)
    return;
  device.present = true;
  ++mChanges;
  mOrder[Slot(device.direction)].push_back(id);
}

void FakeMidiSystem::SetChangeCounting(bool on) {
  StateLock lock(mLock);
  mChangeCounting = on;
}

std::optional<std::uint64_t> FakeMidiSystem::GetDeviceChangeCount() {
  StateLock lock(mLock);
  return mChangeCounting ? std::optional<std::uint64_t>(mChanges) : std::nullopt;
}

void FakeMidiSystem::SetNameReadFails(DeviceId id, bool fails) {
  StateLock lock(mLock);
  DeviceAt(id).nameReadFails = fails;
}

void FakeMidiSystem::SetSingleClient(DeviceId id, bool single) {
  StateLock lock(mLock);
  DeviceAt(id).singleClient = single;
}

void FakeMidiSystem::FailNext(Call call, MidiResult result) {
  StateLock lock(mLock);
  mFailures[call].push_back(result);
}

void FakeMidiSystem::SetCompletion(DeviceId id, Completion completion, std::chrono::milliseconds delay) {
  StateLock lock(mLock);
  Device& device = DeviceAt(id);
  device.completion = completion;
  device.delay = delay;
}

std::vector<FakeMidiSystem::SentMessage> FakeMidiSystem::GetSent(DeviceId id) {
  StateLock lock(mLock);
  return DeviceAt(id).sent;
}

std::uint32_t FakeMidiSystem::GetPendingCount(DeviceId id) {
  StateLock lock(mLock);
  DeviceAt(id);
  std::uint32_t count = 0;
  for (const auto& [handle, port] : mPorts)
    if (port.device == id && port.direction == MidiDirection::Output)
      count += static_cast<std::uint32_t>(port.buffers.size());
  return count;
}

std::uint32_t FakeMidiSystem::GetQueuedBufferCount(DeviceId id) {
  StateLock lock(mLock);
  DeviceAt(id);
  std::uint32_t count = 0;
  for (const auto& [handle, port] : mPorts)
    if (port.device == id && port.direction == MidiDirection::Input)
      count += static_cast<std::uint32_t>(port.buffers.size());
  return count;
}

std::uint32_t FakeMidiSystem::CompletePending(DeviceId id) {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  std::vector<GiveBack> backs;
  {
    StateLock lock(mLock);
    DeviceAt(id);
    for (auto& [handle, port] : mPorts) {
      if (port.device != id || port.direction != MidiDirection::Output)
        continue;
      while (!port.buffers.empty())
        Finish(port, port.buffers.front(), backs);
    }
  }
  Deliver(backs);
  return static_cast<std::uint32_t>(backs.size());
}

std::uint32_t FakeMidiSystem::GetDroppedByteCount(DeviceId id) {
  StateLock lock(mLock);
  return DeviceAt(id).droppedBytes;
}

std::uint32_t FakeMidiSystem::GetResetCount(DeviceId id) {
  StateLock lock(mLock);
  return DeviceAt(id).resets;
}

bool FakeMidiSystem::IsStarted(DeviceId id) {
  StateLock lock(mLock);
  DeviceAt(id);
  for (const auto& [handle, port] : mPorts)
    if (port.device == id && port.started)
      return true;
  return false;
}

std::uint32_t FakeMidiSystem::GetOpenCount(DeviceId id) {
  StateLock lock(mLock);
  DeviceAt(id);
  return static_cast<std::uint32_t>(
      std::count_if(mPorts.begin(), mPorts.end(), [id](const auto& entry) { return entry.second.device == id; }));
}

std::uint32_t FakeMidiSystem::GetOpenTotal(DeviceId id) {
  StateLock lock(mLock);
  return DeviceAt(id).openTotal;
}

// ---------------------------------------------------------------------------
// Input injection

std::uint32_t FakeMidiSystem::InjectShort(DeviceId id, std::uint32_t packed, std::uint32_t timeMs) {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  std::vector<std::pair<MidiInputCallback, void*>> targets;
  {
    StateLock lock(mLock);
    if (!DeviceAt(id).present)
      return 0;
    for (const auto& [handle, port] : mPorts)
      if (port.device == id && port.direction == MidiDirection::Input && port.started && !port.dead)
        targets.emplace_back(port.inputCallback, port.instance);
  }
  for (const auto& [callback, instance] : targets)
    callback(instance, MidiInputEvent::ShortMessage, packed, timeMs, nullptr);
  return static_cast<std::uint32_t>(targets.size());
}

std::uint32_t FakeMidiSystem::InjectLong(DeviceId id, std::span<const std::uint8_t> bytes,
                                         std::span<const std::uint32_t> chunks) {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  std::vector<std::uintptr_t> targets;
  {
    StateLock lock(mLock);
    if (!DeviceAt(id).present)
      return 0;
    for (const auto& [handle, port] : mPorts)
      if (port.device == id && port.direction == MidiDirection::Input && port.started && !port.dead)
        targets.push_back(handle);
  }
  for (std::uintptr_t handle : targets) {
    std::size_t offset = 0;
    std::size_t chunk = 0;
    std::size_t chunkLeft = chunks.empty() ? 0 : chunks[0];
    while (offset < bytes.size()) {
      if (!chunks.empty()) {
        while (chunkLeft == 0 && ++chunk < chunks.size())
          chunkLeft = chunks[chunk];
        if (chunkLeft == 0)
          break; // the chunks are used up
      }
      std::vector<GiveBack> backs;
      {
        StateLock lock(mLock);
        Port* port = FindPort(handle, MidiDirection::Input);
        if (!port || port->dead || !port->started)
          break;
        if (port->buffers.empty()) {
          DeviceAt(id).droppedBytes += static_cast<std::uint32_t>(bytes.size() - offset);
          break;
        }
        MidiBuffer* buffer = port->buffers.front();
        port->buffers.pop_front();
        std::size_t n = std::min<std::size_t>(bytes.size() - offset, buffer->length);
        if (!chunks.empty())
          n = std::min(n, chunkLeft);
        std::memcpy(buffer->data, bytes.data() + offset, n);
        buffer->bytesRecorded = static_cast<std::uint32_t>(n);
        MarkGivenBack(buffer);
        offset += n;
        if (!chunks.empty())
          chunkLeft -= n;
        backs.push_back({port->inputCallback, nullptr, port->instance, MidiInputEvent::LongData, buffer});
      }
      Deliver(backs);
    }
  }
  return static_cast<std::uint32_t>(targets.size());
}

std::uint32_t FakeMidiSystem::InjectLongError(DeviceId id) {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  std::vector<GiveBack> backs;
  {
    StateLock lock(mLock);
    if (!DeviceAt(id).present)
      return 0;
    for (auto& [handle, port] : mPorts) {
      if (port.device != id || port.direction != MidiDirection::Input || !port.started || port.dead ||
          port.buffers.empty())
        continue;
      MidiBuffer* buffer = port.buffers.front();
      port.buffers.pop_front();
      buffer->bytesRecorded = 0;
      MarkGivenBack(buffer);
      backs.push_back({port.inputCallback, nullptr, port.instance, MidiInputEvent::LongError, buffer});
    }
  }
  Deliver(backs);
  return static_cast<std::uint32_t>(backs.size());
}

// ---------------------------------------------------------------------------
// MidiSystem

std::uint32_t FakeMidiSystem::GetDeviceCount(MidiDirection direction) {
  StateLock lock(mLock);
  return static_cast<std::uint32_t>(mOrder[Slot(direction)].size());
}

MidiResult FakeMidiSystem::GetDeviceName(MidiDirection direction, std::uint32_t index, std::u16string& name) {
  StateLock lock(mLock);
  name.clear();
  const auto& order = mOrder[Slot(direction)];
  if (index >= order.size())
    return kMidiBadDeviceId;
  const Device& device = DeviceAt(order[index]);
  if (device.nameReadFails)
    return kMidiError;
  name = device.name;
  TruncateMidiDeviceName(name);
  return kMidiOk;
}

MidiResult FakeMidiSystem::Open(MidiDirection direction, std::uint32_t index, MidiInputCallback inputCallback,
                                MidiOutputCallback outputCallback, void* instance, std::uintptr_t& handle) {
  StateLock lock(mLock);
  MidiResult failure = kMidiOk;
  if (TakeFailure(direction == MidiDirection::Input ? Call::OpenInput : Call::OpenOutput, failure))
    return failure;
  const auto& order = mOrder[Slot(direction)];
  if (index >= order.size())
    return kMidiBadDeviceId;
  const DeviceId id = order[index];
  Device& device = DeviceAt(id);
  if (device.singleClient) {
    for (const auto& [h, port] : mPorts)
      if (port.device == id && !port.dead)
        return kMidiAllocated;
  }
  Port port;
  port.direction = direction;
  port.device = id;
  port.inputCallback = inputCallback;
  port.outputCallback = outputCallback;
  port.instance = instance;
  handle = mNextHandle++;
  mPorts.emplace(handle, std::move(port));
  ++device.openTotal;
  return kMidiOk;
}

MidiResult FakeMidiSystem::OpenInput(std::uint32_t index, MidiInputCallback callback, void* instance,
                                     MidiInHandle& handle) {
  if (!callback)
    return kMidiInvalidParam;
  return Open(MidiDirection::Input, index, callback, nullptr, instance, handle);
}

MidiResult FakeMidiSystem::AddInputBuffer(MidiInHandle handle, MidiBuffer* buffer) {
  StateLock lock(mLock);
  Port* port = nullptr;
  if (const MidiResult usable = UsablePort(Call::AddInputBuffer, handle, MidiDirection::Input, port);
      usable != kMidiOk)
    return usable;
  if (!buffer || !buffer->data || buffer->length == 0 || (buffer->flags & kMidiBufferQueued))
    return kMidiInvalidParam;
  buffer->flags = (buffer->flags & ~kMidiBufferDone) | kMidiBufferQueued;
  buffer->bytesRecorded = 0;
  port->buffers.push_back(buffer);
  return kMidiOk;
}

MidiResult FakeMidiSystem::StartInput(MidiInHandle handle) {
  StateLock lock(mLock);
  Port* port = nullptr;
  if (const MidiResult usable = UsablePort(Call::StartInput, handle, MidiDirection::Input, port);
      usable != kMidiOk)
    return usable;
  port->started = true;
  return kMidiOk;
}

MidiResult FakeMidiSystem::StopInput(MidiInHandle handle) {
  // Every injected piece comes back at once, so no buffer is ever partly filled here.
  StateLock lock(mLock);
  Port* port = nullptr;
  if (const MidiResult usable = UsablePort(std::nullopt, handle, MidiDirection::Input, port); usable != kMidiOk)
    return usable;
  port->started = false;
  return kMidiOk;
}

MidiResult FakeMidiSystem::ResetInput(MidiInHandle handle) {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  std::vector<GiveBack> backs;
  {
    StateLock lock(mLock);
    Port* port = FindPort(handle, MidiDirection::Input);
    if (!port)
      return kMidiInvalidHandle;
    port->started = false;
    ++DeviceAt(port->device).resets;
    TakeAll(*port, backs);
  }
  Deliver(backs);
  return kMidiOk;
}

// Closing gives back every queued buffer, as the platform does; a handle that is gone is refused.
MidiResult FakeMidiSystem::ClosePort(std::uintptr_t handle, MidiDirection direction) {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  std::vector<GiveBack> backs;
  {
    StateLock lock(mLock);
    Port* port = FindPort(handle, direction);
    if (!port)
      return kMidiInvalidHandle;
    TakeAll(*port, backs);
    mPorts.erase(handle);
  }
  Deliver(backs);
  return kMidiOk;
}

bool FakeMidiSystem::IsPortPresent(std::uintptr_t handle, MidiDirection direction) {
  StateLock lock(mLock);
  const Port* port = FindPort(handle, direction);
  return port && !port->dead;
}

MidiResult FakeMidiSystem::CloseInput(MidiInHandle handle) { return ClosePort(handle, MidiDirection::Input); }

bool FakeMidiSystem::IsInputPresent(MidiInHandle handle) { return IsPortPresent(handle, MidiDirection::Input); }

MidiResult FakeMidiSystem::OpenOutput(std::uint32_t index, MidiOutputCallback callback, void* instance,
                                      MidiOutHandle& handle) {
  return Open(MidiDirection::Output, index, nullptr, callback, instance, handle);
}

MidiResult FakeMidiSystem::SendShort(MidiOutHandle handle, std::uint32_t packed) {
  StateLock lock(mLock);
  Port* port = nullptr;
  if (const MidiResult usable = UsablePort(Call::SendShort, handle, MidiDirection::Output, port);
      usable != kMidiOk)
    return usable;
  SentMessage sent;
  sent.packed = packed;
  const std::uint32_t length = PackedMessageLength(static_cast<std::uint8_t>(packed & 0xFF));
  for (std::uint32_t i = 0; i < length; ++i)
    sent.bytes.push_back(static_cast<std::uint8_t>(packed >> (8 * i)));
  DeviceAt(port->device).sent.push_back(std::move(sent));
  return kMidiOk;
}

MidiResult FakeMidiSystem::SendLong(MidiOutHandle handle, MidiBuffer* buffer) {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  std::vector<GiveBack> backs;
  {
    StateLock lock(mLock);
    Port* port = nullptr;
    if (const MidiResult usable = UsablePort(Call::SendLong, handle, MidiDirection::Output, port);
        usable != kMidiOk)
      return usable;
    if (!buffer || !buffer->data || buffer->length == 0 || (buffer->flags & kMidiBufferQueued))
      return kMidiInvalidParam;
    buffer->flags = (buffer->flags & ~kMidiBufferDone) | kMidiBufferQueued;
    port->buffers.push_back(buffer);
    const Device& device = DeviceAt(port->device);
    switch (device.completion) {
    case Completion::Immediate:
      Finish(*port, buffer, backs);
      break;
    case Completion::Delayed:
      mScheduled.push_back({std::chrono::steady_clock::now() + device.delay, handle, buffer});
      if (!mDelayThread.joinable())
        mDelayThread = std::thread([this] { DelayLoop(); });
      break;
    case Completion::Withheld:
      break;
    }
  }
  mScheduleChanged.notify_all();
  Deliver(backs);
  return kMidiOk;
}

MidiResult FakeMidiSystem::ResetOutput(MidiOutHandle handle) {
  std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
  std::vector<GiveBack> backs;
  {
    StateLock lock(mLock);
    MidiResult failure = kMidiOk;
    if (TakeFailure(Call::ResetOutput, failure))
      return failure;
    Port* port = FindPort(handle, MidiDirection::Output);
    if (!port)
      return kMidiInvalidHandle;
    ++DeviceAt(port->device).resets;
    TakeAll(*port, backs);
  }
  Deliver(backs);
  return kMidiOk;
}

MidiResult FakeMidiSystem::CloseOutput(MidiOutHandle handle) { return ClosePort(handle, MidiDirection::Output); }

bool FakeMidiSystem::IsOutputPresent(MidiOutHandle handle) { return IsPortPresent(handle, MidiDirection::Output); }

void FakeMidiSystem::DelayLoop() {
  StateLock lock(mLock);
  while (!mStopping) {
    if (mScheduled.empty()) {
      mScheduleChanged.wait(lock);
      continue;
    }
    auto next = std::min_element(mScheduled.begin(), mScheduled.end(),
                                 [](const Scheduled& a, const Scheduled& b) { return a.due < b.due; });
    if (std::chrono::steady_clock::now() < next->due) {
      mScheduleChanged.wait_until(lock, next->due);
      continue;
    }
    const Scheduled due = *next;
    mScheduled.erase(next);
    lock.unlock();
    {
      // The callback lock comes first; a reset or close meanwhile has given the buffer back already.
      std::lock_guard<std::recursive_mutex> callbacks(mCallbackLock);
      std::vector<GiveBack> backs;
      {
        StateLock state(mLock);
        if (Port* port = FindPort(due.handle, MidiDirection::Output))
          Finish(*port, due.buffer, backs);
      }
      Deliver(backs);
    }
    lock.lock();
  }
}

} // namespace QZ::Platform
