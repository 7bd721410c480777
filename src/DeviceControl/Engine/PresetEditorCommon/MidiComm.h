#pragma once
// The MIDI layer: the one implementation of LMidiCommInterface. It owns a thread pool of one worker on which
// captured messages reach the clients (its own job, DoWork, delivers one message), and sends bytes through
// render ports. It works on the platform backend that was installed when it was made.
//
// Lifetime: every open port and every queued or running delivery job holds a reference, so the layer outlives
// them. The last reference may go on the pool's own worker (a job's); the pool then shuts down without waiting
// for that thread, which ends by itself.

#include "DeviceControl/Engine/PresetEditorCommon/MidiCommInterface.h"
#include "Platform/Midi/MidiSystem.h"
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

  // Opening ports by name comes with the port registry; until then no port is obtained.
  QZRESULT OpenCapturePort(const WideString& name, RCPtr<LRefCountedObject>& port) override;
  QZRESULT OpenRenderPort(const WideString& name, RCPtr<LRefCountedObject>& port) override;
  std::int32_t Send(const RCPtr<LRefCountedObject>& port, const ConstRCPtr<LIBuffer>& buffer) override;
  std::int32_t SendArray(const RCPtr<LRefCountedObject>& port, const IArray<signed char>& bytes) override;

  // Through a render port: a first byte from 80 to FF other than F0 and F7 makes a short message of at most
  // the first four bytes (the result is the status's length); anything else goes out whole as one long message
  // (the result is its length once the platform reports it done). E_INVALIDARG for a port handle that is not a
  // render port, no bytes or no data; E_FAIL when the platform refuses or a long message is not done in time.
  std::int32_t SendBytes(const RCPtr<LRefCountedObject>& port, const void* data, std::uint32_t length);

  // Delivers one captured message (the job's params) through DispatchCapturedData. Always 0.
  std::int32_t DoWork(RCPtr<LRefCountedObject>& params) override;
  WideString ToString() const override;

  const RCPtr<LThreadPool>& GetThreadPool() const { return mThreadPool; }
  const std::shared_ptr<Platform::MidiSystem>& GetMidiSystem() const { return mSystem; }

private:
  LMidiComm();

  std::shared_ptr<Platform::MidiSystem> mSystem;
  RCPtr<LThreadPool> mThreadPool;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMidiComm, "class QZ::LMidiComm")
