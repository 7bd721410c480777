#pragma once
// The MIDI layer's interface: opening capture and render ports by name, sending bytes through a render port, and
// the delivery of every captured message as "NID_MIDI_DATA_CAPTURED" to the clients registered with the layer
// (it is their distributor), newest registration first, each through its filter when it has one.
//
// Port handles are the ports themselves, as RCPtr<LRefCountedObject>: holding one keeps the port open.
//
// Filters are stored and handed out as copies (CreateCopy), so a client's later changes to its own object never
// reach the layer. A client's key is its address as a receiver, the value the distributor compares.
//
// Threads: filters may be set and read from any thread; dispatching runs on the layer's worker thread. Locks: the
// filter lock is held while the filter list is searched or changed and while a filter's Accept runs; the
// distributor's pool lock only while one registration is read. They are never held together, and neither is held
// while a client is called.

#include "DeviceControl/Engine/PresetEditorCommon/MidiCaptureNotificationData.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/Buffer.h"
#include "QZFramework/Utilities/Storage/Iterable.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Threading/Mutex.h"

#include <cstdint>

namespace QZ {

inline constexpr char16_t kMidiDataCapturedID[] = u"NID_MIDI_DATA_CAPTURED";

// Decides which captured messages a client gets. Implementations must provide CreateCopy.
class LIMidiFilter : public virtual LRefCountedObject {
public:
  virtual bool Accept(const signed char* data, std::uint32_t count) const = 0;
};

// Addresses are 64 bits wide here: a narrower key could give two clients one filter.
using MidiClientKey = std::uintptr_t;

class LMidiCommInterface : public LNotificationDistributor {
public:
  struct MidiFilterEntry {
    MidiClientKey key = 0;
    ConstRCPtr<LIMidiFilter> filter;
  };

  ~LMidiCommInterface() override;

  // S_OK with port set; E_INVALIDARG for an ambiguous name; E_FAIL when no port was obtained. port is released
  // first and null on failure.
  virtual QZRESULT OpenCapturePort(const WideString& name, RCPtr<LRefCountedObject>& port) = 0;
  virtual QZRESULT OpenRenderPort(const WideString& name, RCPtr<LRefCountedObject>& port) = 0;
  // The number of bytes sent, or a failure.
  virtual std::int32_t Send(const RCPtr<LRefCountedObject>& port, const ConstRCPtr<LIBuffer>& buffer) = 0;
  virtual std::int32_t SendArray(const RCPtr<LRefCountedObject>& port, const IArray<signed char>& bytes) = 0;

  virtual MidiClientKey GetClientKey(const LNotificationReceiver* client) const;
  // A copy of the client's filter, or null.
  virtual ConstRCPtr<LIMidiFilter> GetFilter(MidiClientKey key);
  // A copy of filter becomes the client's; null removes the client's. Always 0.
  virtual QZRESULT SetFilter(MidiClientKey key, const ConstRCPtr<LIMidiFilter>& filter);
  // 0, or 1 when nobody ever registered for "NID_MIDI_DATA_CAPTURED" here.
  virtual std::int32_t DispatchCapturedData(const RCPtr<LMidiCaptureNotificationData>& message);

protected:
  LMidiCommInterface();

private:
  // Under the filter lock: the first entry with the key, or -1.
  std::int32_t FindFilterEntry(MidiClientKey key) const;

  Array<MidiFilterEntry> mFilters;
  Mutex mFilterLock;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LIMidiFilter, "class QZ::LIMidiFilter")
QZ_TYPE_NAME(QZ::LMidiCommInterface, "class QZ::LMidiCommInterface")
