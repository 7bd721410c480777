#pragma once
// The MIDI layer: the one implementation of LMidiCommInterface. It owns a thread pool of one worker on which
// captured messages reach the clients (its own job, DoWork, delivers one message), and sends bytes through
// render ports. It works on the platform backend that was installed when it was made.
//
// Port registry: OpenCapturePort and OpenRenderPort resolve a name against the current device list and hand out
// the listed port for it while its device still answers, or make, open and list a new one. A listed port whose
// device went away while it was open is stale: the first request that finds it so closes it and reads absent,
// also when the device has come back meanwhile, so that the connection check announces every loss; the next
// request re-opens it (and restarts an input). A listed capture port is found again by the name it was asked
// for, a render port by its device's name against the list name the lookup chose (both ignoring case). The list
// holds an inner reference: when the last client lets go, the port takes itself out of its list and its
// destructor closes the device.
//
// Lock order: the ports lock (recursive: a port released under it takes it again to leave its list) comes before
// everything the ports call; nothing of the filter lock or the pool is touched under it.
//
// Lifetime: every open port and every queued or running delivery job holds a reference, so the layer outlives
// them. The last reference may go on the pool's own worker (a job's); the pool then shuts down without waiting
// for that thread, which ends by itself.

#include "DeviceControl/Engine/PresetEditorCommon/MidiCapturePort.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiCommInterface.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiPortNames.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiRenderPort.h"
#include "Platform/Midi/MidiSystem.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Threading/Mutex.h"
#include "QZFramework/Utilities/Threading/ThreadPool.h"
#include "QZFramework/Utilities/Threading/ThreadWorker.h"

#include <cstdint>
#include <memory>

namespace QZ {

class LMidiComm : public LMidiCommInterface, public LThreadWorker {
public:
  // Workers of the pool, and the platform priority of its queue thread (the highest).
  static constexpr int kWorkerCount = 1;
  static constexpr int kQueuePriority = 2;
  // The priority of a delivery job.
  static constexpr int kDeliveryPriority = 0;

  [[nodiscard]] static RCPtr<LMidiCommInterface> Create();
  ~LMidiComm() override;

  // S_OK with port set, E_INVALIDARG when the name is contained in several port names and equals none, E_FAIL
  // when no port was obtained (port is then null).
  QZRESULT OpenCapturePort(const WideString& name, RCPtr<LRefCountedObject>& port) override;
  QZRESULT OpenRenderPort(const WideString& name, RCPtr<LRefCountedObject>& port) override;
  std::int32_t Send(const RCPtr<LRefCountedObject>& port, const ConstRCPtr<LIBuffer>& buffer) override;
  std::int32_t SendArray(const RCPtr<LRefCountedObject>& port, const IArray<signed char>& bytes) override;

  // Through a render port: a first byte from 80 to FF other than F0 and F7 makes a short message of at most
  // the first four bytes (the result is the status's length); anything else goes out whole as one long message
  // (the result is its length once the platform reports it done). E_INVALIDARG for a port handle that is not a
  // render port, no bytes or no data; E_FAIL when the platform refuses or a long message is not done in time.
  std::int32_t SendBytes(const RCPtr<LRefCountedObject>& port, const void* data, std::uint32_t length);

  // The names of the listed ports, in list order: capture ports by requested name, render ports by device name.
  // The count.
  std::int32_t GetCapturePortNames(MidiPortNameList& names);
  std::int32_t GetRenderPortNames(MidiPortNameList& names);
  // Takes this very port out of its list: 0, or E_FAIL when it is not listed.
  QZRESULT RemoveCapturePort(const RCPtr<LMidiCapturePort>& port);
  QZRESULT RemoveRenderPort(const RCPtr<LMidiRenderPort>& port);

  // Delivers one captured message (the job's params) through DispatchCapturedData. Always 0.
  std::int32_t DoWork(RCPtr<LRefCountedObject>& params) override;
  WideString ToString() const override;

  const RCPtr<LThreadPool>& GetThreadPool() const { return mThreadPool; }
  const std::shared_ptr<Platform::MidiSystem>& GetMidiSystem() const { return mSystem; }

private:
  LMidiComm();

  // Under the ports lock: lists a new port, the list's reference counted as an inner one.
  // Closes a listed port whose device went while it was open; its holders keep it, closed, until it re-opens.
  template <class Port>
  static void CloseIfStale(Port& port);
  template <class Port>
  static void List(RCPtrArray<Port, 1, 0>& list, const RCPtr<Port>& port);
  // Under the ports lock: takes the first element that is this port out of the list; E_FAIL when none.
  template <class Port>
  static QZRESULT Remove(RCPtrArray<Port, 1, 0>& list, const RCPtr<Port>& port);

  RCPtrArray<LMidiCapturePort, 1, 0> mCapturePorts;
  RCPtrArray<LMidiRenderPort, 1, 0> mRenderPorts;
  std::shared_ptr<Platform::MidiSystem> mSystem;
  RCPtr<LThreadPool> mThreadPool;
  Mutex mPortsLock;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMidiComm, "class QZ::LMidiComm")
