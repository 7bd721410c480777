#include "DeviceControl/Engine/PresetEditorCommon/MidiCommInterface.h"

#include <utility>

namespace QZ {
namespace {

// A copy of a filter as the layer keeps it; the copy's own type must be a filter too.
ConstRCPtr<LIMidiFilter> CopyFilter(const ConstRCPtr<LIMidiFilter>& filter) {
  return ConstDynamicCast<LIMidiFilter>(filter->CreateCopy());
}

} // namespace

LMidiCommInterface::LMidiCommInterface() = default;

LMidiCommInterface::~LMidiCommInterface() = default;

MidiClientKey LMidiCommInterface::GetClientKey(const LNotificationReceiver* client) const {
  return reinterpret_cast<MidiClientKey>(client);
}

std::int32_t LMidiCommInterface::FindFilterEntry(MidiClientKey key) const {
  for (std::uint32_t i = 0; i < mFilters.GetCount(); ++i)
    if (mFilters.GetAt(i).key == key)
      return static_cast<std::int32_t>(i);
  return -1;
}

ConstRCPtr<LIMidiFilter> LMidiCommInterface::GetFilter(MidiClientKey key) {
  MutexLock lock(mFilterLock);
  const std::int32_t at = FindFilterEntry(key);
  if (at < 0)
    return ConstRCPtr<LIMidiFilter>();
  const ConstRCPtr<LIMidiFilter>& filter = mFilters.GetAt(static_cast<std::uint32_t>(at)).filter;
  return filter ? CopyFilter(filter) : ConstRCPtr<LIMidiFilter>();
}

QZRESULT LMidiCommInterface::SetFilter(MidiClientKey key, const ConstRCPtr<LIMidiFilter>& filter) {
  ConstRCPtr<LIMidiFilter> dropped; // let go after the lock: its destructor is the client's code
  MutexLock lock(mFilterLock);
  // Copied first, so that a filter without CreateCopy leaves the list as it was.
  ConstRCPtr<LIMidiFilter> copy = filter ? CopyFilter(filter) : ConstRCPtr<LIMidiFilter>();
  const std::int32_t at = FindFilterEntry(key);
  if (at >= 0) {
    MidiFilterEntry& entry = mFilters.GetAt(static_cast<std::uint32_t>(at));
    dropped = std::move(entry.filter);
    if (copy) {
      entry.filter = std::move(copy);
    } else {
      MidiFilterEntry removed;
      mFilters.RemoveItem(static_cast<std::uint32_t>(at), removed);
    }
  } else if (copy) {
    mFilters.AddItem(MidiFilterEntry{key, std::move(copy)});
  }
  return S_OK;
}

std::int32_t LMidiCommInterface::DispatchCapturedData(const RCPtr<LMidiCaptureNotificationData>& message) {
  RCPtr<LNotificationClientPool> pool = FindClientPool(InternNotificationID(kMidiDataCapturedID));
  if (!pool)
    return 1;
  const RCPtr<LNotificationDistributor> self(this);
  RCPtr<LNotification> notification; // one for every client of this message, made for the first that takes it
  for (std::int32_t index = static_cast<std::int32_t>(pool->GetCount()) - 1; index >= 0; --index) {
    std::int32_t count = 0;
    const RCPtr<LNotificationReceiver> client = pool->GetClientAt(index, count);
    if (!client) {
      index = count; // registrations went away: go on from the newest one left
      continue;
    }
    bool accepted = true;
    {
      MutexLock lock(mFilterLock);
      const std::int32_t at = FindFilterEntry(GetClientKey(client.GetRaw()));
      if (at >= 0 && message) {
        const ConstRCPtr<LIMidiFilter>& filter = mFilters.GetAt(static_cast<std::uint32_t>(at)).filter;
        if (filter) {
          const LMidiCaptureNotificationData::Bytes& bytes = message->GetBytes();
          accepted = filter->Accept(bytes.GetData(), bytes.GetCount());
        }
      }
    }
    if (!accepted)
      continue;
    if (!notification)
      notification = LNotification::Create(kMidiDataCapturedID, message);
    index = pool->NotifyClientAt(self, index, notification);
  }
  return 0;
}

} // namespace QZ
