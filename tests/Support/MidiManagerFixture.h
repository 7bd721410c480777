#pragma once
// The application as the MIDI manager needs it, for tests: notification pooling on, the application center with a
// listener that records every value change and connection change, the program engine made, initialised and set as
// the process's engine, and a backend installed behind a wire tap (set mTap before SetUp). Deliveries happen only
// in the fixture's own idle passes (Deliver, DeliverUntil), on the test's thread.

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiManager.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "Platform/Midi/SimulatedController.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "Support/MidiTestSupport.h"
#include "Support/MidiWireTap.h"
#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace QZ::test {

// The widths of the program record's twelve values.
inline constexpr std::size_t kWidths[] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1};
// A polling period short enough for tests that wait for ticks.
inline constexpr std::uint32_t kFastPollMs = 2;

inline std::string Narrow(NotificationID id) {
  std::string text;
  for (; id && *id; ++id)
    text += static_cast<char>(*id);
  return text;
}

// One delivery on the application center: a value change (a pair) or a connection change.
struct Seen {
  std::string id;
  std::int32_t param = -1;
  Bytes value;
  std::int32_t status = -1;
};

class Listener : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    Seen seen;
    seen.id = Narrow(notification->GetID());
    const RCPtr<LRefCountedObject>& payload = notification->GetPayload();
    if (auto pair = DynamicCast<LRootModuleEngine::PairPayload>(payload)) {
      seen.param = pair->mKey.id;
      seen.value = DataOf(pair->mValue);
    } else if (auto status = DynamicCast<LMidiDeviceConnectionStatusChangedNotification>(payload)) {
      seen.status = status->GetStatus();
    } else if (DynamicCast<LRootModuleEngine::ListPayload>(payload)) {
      seen.param = -100; // a list: not what a fetch posts
    }
    all.push_back(seen);
    return 0;
  }
  std::vector<Seen> all;
};

// The application as the manager needs it: pooling on, the application center with a listener, the engine made,
// initialised and set as the process's engine, and a backend installed behind a wire tap.
class MidiManagerFixture : public ::testing::Test {
protected:
  void SetUp() override {
    LNotification::EnablePooling(true);
    const RCPtr<LNotificationDistributor> center(GetApplicationNotificationCenter());
    mListener = MakeRCPtr<Listener>();
    for (const char16_t* id : {kNidParamModuleStateChange, kMidiInputDeviceConnectionStatusChangedID,
                               kMidiOutputDeviceConnectionStatusChangedID})
      mListener->Subscribe(center, id);
    mEngine = LPresetEditorAppEngine::Create();
    mEngine->Initialize(0);
    SetAppEngine(RCPtr<LRootModuleEngine>(mEngine));
    mPrevious = Platform::SetMidiSystem(mTap);
    Deliver();
  }
  void TearDown() override {
    const RCPtr<LMidiCommInterface> comm = mManager ? mManager->GetMidiComm() : RCPtr<LMidiCommInterface>();
    mManager = nullptr; // ends the polling thread
    // Deliveries still queued hold the layer: let them finish, so that the layer ends here with its worker
    // joined, not on that worker while the process goes on.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (comm && comm->GetRefCount() > 1 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SetAppEngine(RCPtr<LRootModuleEngine>());
    mEngine = nullptr;
    Platform::SetMidiSystem(mPrevious);
    mListener->UnsubscribeAll();
    mListener = nullptr;
    LNotificationCenterManager::GetInstance() = nullptr;
    LNotification::EnablePooling(false);
  }

  void MakeManager() {
    mManager = LMidiManager::Create();
    mManager->SetPollingPeriod(kFastPollMs);
  }

  // One idle pass; what it delivered.
  std::vector<Seen> Deliver() {
    LNotificationCenterManager::GetInstance()->ProcessAll(false);
    return std::exchange(mListener->all, {});
  }
  // Idle passes until the deliveries so far satisfy done (bounded); all of them.
  template <class Done>
  std::vector<Seen> DeliverUntil(Done done) {
    std::vector<Seen> all;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done(all) && std::chrono::steady_clock::now() < deadline) {
      for (Seen& seen : Deliver())
        all.push_back(seen);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return all;
  }

  Bytes EngineRecord() {
    Array<ParamValue> values;
    mEngine->GetValues({0, 12}, values, -1);
    Bytes record;
    for (std::uint32_t i = 0; i < values.GetCount(); ++i)
      for (std::uint8_t byte : DataOf(values.GetAt(i).value))
        record.push_back(byte);
    return record;
  }
  void SetEngineRecord(const Platform::SimulatedController::Record& record) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < std::size(kWidths); ++i) {
      mEngine->SetParamValue(ParamDescriptor(static_cast<std::int32_t>(i)),
                             MakeBuffer(Bytes(record.begin() + static_cast<std::ptrdiff_t>(at),
                                              record.begin() + static_cast<std::ptrdiff_t>(at + kWidths[i]))));
      at += kWidths[i];
    }
    Deliver();
  }
  // Polling is on exactly when starting it finds it on (and then it stays on).
  bool IsPollingOn() {
    if (mManager->StartDeviceStatusPolling() == 1)
      return true;
    mManager->StopDeviceStatusPolling();
    return false;
  }

  std::shared_ptr<test::MidiWireTap> mTap;
  std::shared_ptr<Platform::MidiSystem> mPrevious;
  RCPtr<Listener> mListener;
  RCPtr<LPresetEditorAppEngine> mEngine;
  RCPtr<LMidiManager> mManager;
};

} // namespace QZ::test
