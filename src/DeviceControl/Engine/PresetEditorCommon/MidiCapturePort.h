#pragma once
// One opened MIDI input device. It keeps three 256-byte receive buffers queued at the platform, turns what comes
// back into whole messages (short ones as they come, system-exclusive ones reassembled across buffers) and hands
// each to its owner's thread pool, whose worker delivers it to the layer's clients.
//
// States: closed (no handle), open and stopped (buffers queued; Open), running (Start). Open on an open port
// closes it first. A buffer that comes back while the port closes is not queued again.
//
// A message pending across buffers is dropped when a new one starts (a buffer beginning with F0), when the port
// opens again, and when it grows beyond 64 KiB (CMidiSysExAssembler): after an unplug in the middle of a message,
// its stale bytes never reach the next one.
//
// Threads: the platform's input callback (the short messages, the assembly, the delivery and the re-queuing) runs
// on the platform's MIDI thread and only there touches the pending message; Open, Start and Close run on the
// caller's thread under the layer's ports lock, while no callback of the port can run (the platform's close waits
// for one). The handle and the closing flag are atomic because the callback reads them. No lock of its own.

#include "DeviceControl/Engine/PresetEditorCommon/MidiSysExAssembler.h"
#include "Platform/Midi/MidiSystem.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

namespace QZ {

class LMidiComm;

class LMidiCapturePort : public virtual LRefCountedObject {
public:
  static constexpr std::uint32_t kBufferCount = 3;
  static constexpr std::uint32_t kBufferBytes = 256;

  // A closed port, or null for an empty name or no owner.
  [[nodiscard]] static RCPtr<LMidiCapturePort> Create(const WideString& name, const RCPtr<LMidiComm>& owner);
  ~LMidiCapturePort() override;

  // Opens (or re-opens) the device the requested name designates and queues the buffers; input stays stopped.
  // 0, the platform's code, or Platform::kMidiNoDriver when no device is designated.
  std::int32_t Open();
  // Starts input: the platform's code, Platform::kMidiInvalidHandle while closed.
  std::int32_t Start();
  // Stops and closes the device if it is open.
  void Close();
  // Binds and queues the three buffers: 0, the platform's code, or Platform::kMidiError without a handle.
  std::int32_t AddBuffers();
  // Queues a returned buffer again: 0; Platform::kMidiHandleBusy while closing or closed; Platform::kMidiError
  // for a buffer that is not one of the port's or not bound; else the platform's code.
  std::int32_t ReAddBuffer(Platform::MidiBuffer* header);
  // Unbinds the three buffers.
  void UnprepareBuffers();

  // The port has a handle and the platform still has its device.
  bool IsDevicePresent() const;
  bool IsOpen() const { return mHandle.load() != 0; }
  const WideString& GetRequestedName() const { return mRequestedName; }
  const WideString& GetDeviceName() const { return mDeviceName; }

  // Takes the port out of its owner's list when the last client lets go.
  QZRESULT ReleaseInnerReferences() override;

  // The input bytes a packed short message carries, by its first byte: every system message counts one.
  static std::uint32_t GetShortMessageLength(std::uint8_t status);

private:
  struct CaptureBuffer {
    Platform::MidiBuffer header;
    std::array<std::uint8_t, kBufferBytes> data{};
    // The handle the buffer is bound to; 0 when not bound.
    std::atomic<Platform::MidiInHandle> preparedHandle{0};
  };

  LMidiCapturePort(const WideString& name, const RCPtr<LMidiComm>& owner);

  static void OnInputEvent(void* instance, Platform::MidiInputEvent event, std::uint32_t packed,
                           std::uint32_t timeMs, Platform::MidiBuffer* buffer);
  void OnShortMessage(std::uint32_t packed, std::uint32_t timeMs);
  void OnLongData(Platform::MidiBuffer& buffer);
  void Deliver(std::span<const std::uint8_t> bytes, std::uint32_t timeMs);

  const WideString mRequestedName;
  WideString mDeviceName;
  std::atomic<Platform::MidiInHandle> mHandle{0};
  RCPtr<LMidiComm> mOwner;
  std::shared_ptr<Platform::MidiSystem> mSystem;
  std::array<CaptureBuffer, kBufferCount> mBuffers;
  std::atomic<bool> mClosing{false};
  CMidiSysExAssembler mPending;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMidiCapturePort, "class QZ::LMidiCapturePort")
