#pragma once
// Standard controls in a scripted root window: each control is placed at a
// rectangle of its parent with opaque looks (so the pointer finds it), then
// initialised and marked created as its create function would. The fake
// application's clock drives the timed behaviour.

#include "QZFramework/ControlBase/ControlTreeFixture.h"

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationClient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ::test {

template <class T>
class Placed : public T {
public:
  Placed(const RCPtr<LControl>& parent, const char16_t* name, const RectT<double>& bounds, std::int32_t looks)
      : T(parent, WideString(name)) {
    this->mLayout = MakeRCPtr<LLayoutDescriptor>();
    this->mBounds = bounds;
    for (std::int32_t i = 0; i < looks; ++i)
      this->AddLook(RCPtr<LLook>());
    static_cast<void>(this->SetLookWeight(0, 1.0f, true));
  }
  std::uint32_t GetLookColorAtPoint(const PointT<std::int32_t>&, std::int32_t) const override {
    return 0xFF000000u;
  }

  // The creation steps after construction.
  void Finish() {
    static_cast<void>(this->Initialize());
    static_cast<void>(this->FinishInitialize());
    this->SetCreated();
  }
  // The index of the look shown, or -1.
  std::int32_t ShownLook() const {
    for (std::uint32_t i = 0; i < this->GetLookCount(); ++i)
      if (this->GetLookWeight(i) > 0.0f)
        return static_cast<std::int32_t>(i);
    return -1;
  }
};

// Logs the notifications a control sends, by name.
class NotificationLog : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    std::string entry;
    for (const char16_t* c = notification->GetID(); *c; ++c)
      entry += static_cast<char>(*c);
    mEntries.push_back(entry);
    return 0;
  }
  std::int32_t Count(const std::string& id) const {
    std::int32_t count = 0;
    for (const std::string& entry : mEntries)
      count += entry == id ? 1 : 0;
    return count;
  }
  std::vector<std::string> mEntries;
};

class ControlsFixture : public ControlTreeFixture {
protected:
  void SetUp() override {
    ControlTreeFixture::SetUp();
    mWindow = MakeRCPtr<FakeRootWindow>();
  }
  void TearDown() override {
    for (const auto& [control, log] : mLogs)
      control->UnregisterClientFromAll(log);
    mLogs.clear();
    mWindow->SetRootControl(RCPtr<LControl>());
    mWindow = RCPtr<FakeRootWindow>();
    ControlTreeFixture::TearDown();
  }

  template <class T>
  RCPtr<Placed<T>> Make(const RCPtr<LControl>& parent, const char16_t* name, const RectT<double>& bounds,
                        std::int32_t looks = 1) {
    const RCPtr<Placed<T>> control(new Placed<T>(parent, name, bounds, looks));
    control->Finish();
    return control;
  }
  RCPtr<NotificationLog> Listen(const RCPtr<LControl>& control, std::initializer_list<const char16_t*> ids) {
    const RCPtr<NotificationLog> log = MakeRCPtr<NotificationLog>();
    for (const char16_t* id : ids)
      control->RegisterClient(log, id);
    mLogs.emplace_back(control, log);
    return log;
  }
  std::string Focused() const {
    return mWindow->mFocused ? std::string(mWindow->mFocused->GetName().ToNarrow().GetChars()) : "none";
  }
  // Moves the fake clock to ms and runs one idle pass.
  void IdleAt(std::uint32_t ms) {
    mApp.mMilliseconds = ms;
    mWindow->ProcessIdle();
  }

  RCPtr<FakeRootWindow> mWindow;
  std::vector<std::pair<RCPtr<LControl>, RCPtr<NotificationLog>>> mLogs;
};

} // namespace QZ::test
