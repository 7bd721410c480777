#pragma once
// Clients that log what they receive, payloads that count their instances, and a
// fixture that stands in for the application: pooling on while a test runs, the
// center manager dropped and pooling off afterwards. The idle pass is
// ProcessAll on the manager, called directly.

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Notification/NotificationDistributor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace QZ::test {

// Counts live instances, so tests can see when a payload or client is freed.
struct LiveCount {
  std::atomic<int> value{0};
};

class IntPayload : public virtual LRefCountedObject {
public:
  explicit IntPayload(int v, LiveCount* live = nullptr) : value(v), mLive(live) {
    if (mLive)
      ++mLive->value;
  }
  ~IntPayload() override {
    if (mLive)
      --mLive->value;
  }
  static RCPtr<LRefCountedObject> Make(int v, LiveCount* live = nullptr) {
    return RCPtr<LRefCountedObject>(new IntPayload(v, live));
  }

  const int value;

private:
  LiveCount* mLive;
};

inline int PayloadValue(const RCPtr<LNotification>& notification) {
  auto payload = DynamicCast<IntPayload>(notification->GetPayload());
  return payload ? payload->value : -1;
}

inline std::string Narrow(NotificationID id) {
  std::string text;
  for (; id && *id; ++id)
    text += static_cast<char>(*id);
  return text;
}

// Logs "name:ID" (and ":payload" when there is one) into a shared log, and runs an
// optional hook after logging.
class LoggingClient : public LNotificationClient {
public:
  using Hook =
      std::function<void(LoggingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)>;

  LoggingClient(std::string name, std::vector<std::string>* log, LiveCount* live = nullptr)
      : mName(std::move(name)), mLog(log), mLive(live) {
    if (mLive)
      ++mLive->value;
  }
  ~LoggingClient() override {
    if (mLive)
      --mLive->value;
  }

  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override {
    std::string entry = mName;
    entry += ':';
    entry += Narrow(notification->GetID());
    if (notification->GetPayload()) {
      entry += ':';
      entry += std::to_string(PayloadValue(notification));
    }
    if (mLog)
      mLog->push_back(entry);
    lastSource = source.GetRaw();
    ++received;
    if (hook)
      hook(*this, source, notification);
    return 0;
  }

  const std::string& Name() const { return mName; }

  Hook hook;
  int received = 0;
  const LNotificationDistributor* lastSource = nullptr; // not owned: no cycle

private:
  std::string mName;
  std::vector<std::string>* mLog;
  LiveCount* mLive;
};

inline RCPtr<LoggingClient> MakeClient(const std::string& name, std::vector<std::string>* log,
                                       LiveCount* live = nullptr) {
  return RCPtr<LoggingClient>(new LoggingClient(name, log, live));
}

class NotificationFixture : public ::testing::Test {
protected:
  void SetUp() override { LNotification::EnablePooling(true); }
  void TearDown() override {
    LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
    LNotification::EnablePooling(false);
  }

  // One idle pass over every center.
  static bool IdlePass(bool idle) { return LNotificationCenterManager::GetInstance()->ProcessAll(idle); }

  std::vector<std::string> log;
};

} // namespace QZ::test
