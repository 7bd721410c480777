#pragma once
// A client of the MIDI layer that keeps what it is given, for tests that wait for captured messages delivered
// on the layer's worker.

#include "DeviceControl/Engine/PresetEditorCommon/MidiCaptureNotificationData.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiCommInterface.h"
#include "QZFramework/Notification/NotificationClient.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace QZ::test {

struct CapturedMessage {
  std::vector<std::uint8_t> bytes;
  WideString portName;
  std::uint32_t timeStamp = 0;
  const LRefCountedObject* source = nullptr;
};

class MidiCaptureRecorder : public LNotificationClient {
public:
  // A recorder subscribed to the layer's captured messages.
  static RCPtr<MidiCaptureRecorder> Create(const RCPtr<LMidiCommInterface>& comm) {
    RCPtr<MidiCaptureRecorder> recorder = MakeRCPtr<MidiCaptureRecorder>();
    (void)recorder->Subscribe(RCPtr<LNotificationDistributor>(comm), kMidiDataCapturedID);
    return recorder;
  }

  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    const auto* data = dynamic_cast<const LMidiCaptureNotificationData*>(notification->GetPayload().GetRaw());
    if (!data)
      return 0;
    CapturedMessage message;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data->GetBytes().GetData());
    message.bytes.assign(bytes, bytes + data->GetBytes().GetCount());
    message.portName = data->GetPortName();
    message.timeStamp = data->GetTimeStamp();
    message.source = data->GetSource();
    {
      std::lock_guard<std::mutex> guard(mLock);
      mMessages.push_back(std::move(message));
    }
    mChanged.notify_all();
    return 0;
  }

  // Waits until count messages came (bounded); all that came so far.
  std::vector<CapturedMessage> WaitFor(std::size_t count,
                                       std::chrono::milliseconds patience = std::chrono::seconds(10)) {
    std::unique_lock<std::mutex> lock(mLock);
    mChanged.wait_for(lock, patience, [&] { return mMessages.size() >= count; });
    return mMessages;
  }
  // Waits until the messages so far satisfy done (bounded); all that came so far.
  template <class Done>
  std::vector<CapturedMessage> WaitUntil(Done done,
                                         std::chrono::milliseconds patience = std::chrono::seconds(10)) {
    std::unique_lock<std::mutex> lock(mLock);
    mChanged.wait_for(lock, patience, [&] { return done(mMessages); });
    return mMessages;
  }
  std::vector<CapturedMessage> Take() {
    std::lock_guard<std::mutex> guard(mLock);
    return std::exchange(mMessages, {});
  }

private:
  std::mutex mLock;
  std::condition_variable mChanged;
  std::vector<CapturedMessage> mMessages;
};

} // namespace QZ::test
