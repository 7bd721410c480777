#pragma once
// One opened MIDI output device. It sends short messages straight away and one long message at a time, waiting
// for the platform to report it done; its completion light is green while no long message is under way.
//
// A long message goes out from the port's own copy of the bytes, in a record that stays alive until the
// platform gives it back, also when the sender stopped waiting: after a time-out the output is reset, which
// makes the platform give it back, and a platform that still holds it returns it at the latest when the port
// closes its device.
//
// Threads: sends run on the caller's thread; the light is the only coordination between two senders on one
// port. The platform's completion callback only turns the light green and lets go of the record. Open runs
// under the layer's ports lock; the destructor closes the device on the thread that drops the last reference,
// after the port has left the layer's list (ReleaseInnerReferences).

#include "Platform/Midi/MidiSystem.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Threading/Event.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace QZ {

class LMidiComm;

// The longest a send waits for the previous long message, and for its own.
inline constexpr std::uint32_t kMidiRenderWaitMs = 10000;

class LMidiRenderPort : public virtual LRefCountedObject {
public:
  // A closed port, or null for an empty name or no owner. waitMs bounds each of a send's two waits.
  [[nodiscard]] static RCPtr<LMidiRenderPort> Create(const WideString& name, const RCPtr<LMidiComm>& owner,
                                                     std::uint32_t waitMs = kMidiRenderWaitMs);
  ~LMidiRenderPort() override;

  // Opens (or re-opens) the device the requested name designates: 0, the platform's code, or
  // Platform::kMidiNoDriver when no device is designated.
  std::int32_t Open();

  // The bytes a short message with this first byte counts as sent; 0 for F0 and F7.
  static std::int32_t GetShortMessageLength(std::uint8_t status);

  const WideString& GetRequestedName() const { return mRequestedName; }
  const WideString& GetDeviceName() const { return mDeviceName; }
  bool IsOpen() const { return mHandle.load() != 0; }
  // The port has a handle and the platform still has its device.
  bool IsDevicePresent() const;

  // Takes the port out of its owner's list when the last client lets go.
  QZRESULT ReleaseInnerReferences() override;
  bool IsCompletionLightGreen() { return mCompletionLight.IsGreen(); }

private:
  friend class LMidiComm;
  struct LongMessage;

  LMidiRenderPort(const WideString& name, const RCPtr<LMidiComm>& owner, std::uint32_t waitMs);

  void Close();
  // Waits for the light; what the wait gives is not examined.
  void WaitForCompletion();
  Platform::MidiResult SendShort(std::uint32_t packed);
  // The length, or E_FAIL.
  std::int32_t SendLong(const std::uint8_t* data, std::uint32_t length);

  static void OnOutputEvent(void* instance, Platform::MidiOutputEvent event, Platform::MidiBuffer* buffer);

  const WideString mRequestedName;
  WideString mDeviceName;
  // Read by senders while the layer may re-open the port.
  std::atomic<Platform::MidiOutHandle> mHandle{0};
  RCPtr<LMidiComm> mOwner;
  std::shared_ptr<Platform::MidiSystem> mSystem;
  TrafficLight mCompletionLight;
  const std::uint32_t mWaitMs;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMidiRenderPort, "class QZ::LMidiRenderPort")
