#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"

#include "QZFramework/Utilities/Storage/DebugOutput.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <string>

namespace QZ {
namespace {

// What the MIDI libraries say of themselves is for whoever reads the debug output, and for nobody else.
void WriteMidiDiagnostic(std::string_view text) {
  if (!DebugOutput::IsListened())
    return;
  std::string line = "MIDI: ";
  line.append(text);
  if (line.back() != '\n')
    line += '\n';
  DebugOutput::GetNarrowTarget() << line << std::flush;
}

void InstallMidiDiagnostics() {
  static std::once_flag once;
  std::call_once(once, [] { (void)Platform::SetMidiDiagnosticSink(&WriteMidiDiagnostic); });
}

} // namespace

LMidiComm::LMidiComm() : mThreadPool(LThreadPool::Create(kWorkerCount, kQueuePriority)) {
  InstallMidiDiagnostics(); // before the backend is made: making it may already have something to say
  mSystem = Platform::GetMidiSystem();
}

LMidiComm::~LMidiComm() = default;

RCPtr<LMidiCommInterface> LMidiComm::Create() { return RCPtr<LMidiCommInterface>(new LMidiComm()); }

QZRESULT LMidiComm::OpenCapturePort(const WideString& name, RCPtr<LRefCountedObject>& port) {
  MutexLock lock(mPortsLock);
  port = nullptr;
  MidiPortNameList names;
  (void)GetInputPortNames(*mSystem, names); // a partial list is still worth looking at
  std::int32_t index = -1;
  const std::int32_t count = FindPortName(names, name, index);
  if (count >= 2)
    return E_INVALIDARG;

  RCPtr<LMidiCapturePort> candidate;
  MidiPortNameList listed;
  GetCapturePortNames(listed);
  const std::int32_t hit = listed.Find(name, false);
  if (hit >= 0 && count == 1)
    candidate = mCapturePorts.GetAt(static_cast<std::uint32_t>(hit));
  else if (hit >= 0)
    CloseIfStale(*mCapturePorts.GetAt(static_cast<std::uint32_t>(hit))); // its device is not listed now
  if (candidate) {
    if (candidate->IsDevicePresent()) {
      port = candidate;
    } else if (candidate->IsOpen()) {
      candidate->Close(); // stale: its device went, perhaps came back already; absent this time, opened next
    } else if (candidate->Open() == 0) {
      if (candidate->Start() == Platform::kMidiOk)
        port = candidate;
      else
        candidate->Close(); // stays listed, closed, for its holders
    }
  } else {
    RCPtr<LMidiCapturePort> created = LMidiCapturePort::Create(name, RCPtr<LMidiComm>(this));
    if (created && created->Open() == 0) {
      List(mCapturePorts, created);
      if (created->Start() == Platform::kMidiOk) {
        port = created;
      } else {
        created->Close();
        created->AddInnerReferences(-1); // the list's reference becomes a plain one again
        Remove(mCapturePorts, created);
      }
    }
  }
  return port ? S_OK : E_FAIL;
}

QZRESULT LMidiComm::OpenRenderPort(const WideString& name, RCPtr<LRefCountedObject>& port) {
  MutexLock lock(mPortsLock);
  port = nullptr;
  MidiPortNameList names;
  (void)GetOutputPortNames(*mSystem, names);
  std::int32_t index = -1;
  const std::int32_t count = FindPortName(names, name, index);
  if (count >= 2)
    return E_INVALIDARG;

  RCPtr<LMidiRenderPort> candidate;
  MidiPortNameList listed;
  GetRenderPortNames(listed);
  const std::int32_t hit = listed.Find(count == 1 ? names.GetAt(static_cast<std::uint32_t>(index)) : name, false);
  if (hit >= 0 && count == 1)
    candidate = mRenderPorts.GetAt(static_cast<std::uint32_t>(hit));
  else if (hit >= 0)
    CloseIfStale(*mRenderPorts.GetAt(static_cast<std::uint32_t>(hit))); // its device is not listed now
  if (candidate) {
    if (candidate->IsDevicePresent())
      port = candidate;
    else if (candidate->IsOpen())
      candidate->Close(); // stale: absent this time, opened the next
    else if (candidate->Open() == 0)
      port = candidate;
  } else {
    RCPtr<LMidiRenderPort> created = LMidiRenderPort::Create(name, RCPtr<LMidiComm>(this));
    if (created && created->Open() == 0) {
      List(mRenderPorts, created);
      port = created;
    }
  }
  return port ? S_OK : E_FAIL;
}

std::int32_t LMidiComm::GetCapturePortNames(MidiPortNameList& names) {
  MutexLock lock(mPortsLock);
  const std::uint32_t count = mCapturePorts.GetCount();
  names.SetSize(count);
  for (std::uint32_t i = 0; i < count; ++i)
    names.GetAt(i) = mCapturePorts.GetAt(i)->GetRequestedName();
  return static_cast<std::int32_t>(count);
}

std::int32_t LMidiComm::GetRenderPortNames(MidiPortNameList& names) {
  MutexLock lock(mPortsLock);
  const std::uint32_t count = mRenderPorts.GetCount();
  names.SetSize(count);
  for (std::uint32_t i = 0; i < count; ++i)
    names.GetAt(i) = mRenderPorts.GetAt(i)->GetDeviceName();
  return static_cast<std::int32_t>(count);
}

QZRESULT LMidiComm::RemoveCapturePort(const RCPtr<LMidiCapturePort>& port) {
  MutexLock lock(mPortsLock);
  return Remove(mCapturePorts, port);
}

QZRESULT LMidiComm::RemoveRenderPort(const RCPtr<LMidiRenderPort>& port) {
  MutexLock lock(mPortsLock);
  return Remove(mRenderPorts, port);
}

template <class Port>
void LMidiComm::CloseIfStale(Port& port) {
  if (port.IsOpen() && !port.IsDevicePresent())
    port.Close();
}

template <class Port>
void LMidiComm::List(RCPtrArray<Port, 1, 0>& list, const RCPtr<Port>& port) {
  list.AddItem(port);
  port->AddInnerReferences(1);
}

template <class Port>
QZRESULT LMidiComm::Remove(RCPtrArray<Port, 1, 0>& list, const RCPtr<Port>& port) {
  for (std::uint32_t i = 0; i < list.GetCount(); ++i) {
    if (list.GetAt(i).GetRaw() == port.GetRaw()) {
      RCPtr<Port> removed;
      list.RemoveItem(i, removed);
      return S_OK; // the list's reference goes with removed, a plain decrement: the caller holds one too
    }
  }
  return E_FAIL;
}

std::int32_t LMidiComm::Send(const RCPtr<LRefCountedObject>& port, const ConstRCPtr<LIBuffer>& buffer) {
  if (!buffer)
    return E_INVALIDARG;
  return SendBytes(port, buffer->GetData(), buffer->GetSize());
}

std::int32_t LMidiComm::SendArray(const RCPtr<LRefCountedObject>& port, const IArray<signed char>& bytes) {
  return SendBytes(port, bytes.GetData(), bytes.GetCount());
}

std::int32_t LMidiComm::SendBytes(const RCPtr<LRefCountedObject>& port, const void* data, std::uint32_t length) {
  const RCPtr<LMidiRenderPort> render = DynamicCast<LMidiRenderPort>(port);
  // The result carries the length, so a longer message could not report its success.
  if (!render || length == 0 || !data ||
      length > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
    return E_INVALIDARG;
  const auto* bytes = static_cast<const std::uint8_t*>(data);

  render->WaitForCompletion(); // after the wait the send goes ahead regardless

  const std::uint8_t first = bytes[0];
  if (first >= 0x80 && first != 0xF0 && first != 0xF7) {
    std::uint32_t packed = 0;
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(length, 4); ++i)
      packed |= std::uint32_t{bytes[i]} << (8 * i);
    if (render->SendShort(packed) != Platform::kMidiOk)
      return E_FAIL;
    return LMidiRenderPort::GetShortMessageLength(first);
  }
  return render->SendLong(bytes, length);
}

std::int32_t LMidiComm::DoWork(RCPtr<LRefCountedObject>& params) {
  DispatchCapturedData(DynamicCast<LMidiCaptureNotificationData>(params));
  return 0;
}

WideString LMidiComm::ToString() const { return WideString(u"LMidiComm"); }

} // namespace QZ
