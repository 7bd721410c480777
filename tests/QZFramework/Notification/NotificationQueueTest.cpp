#include "QZFramework/Notification/NotificationQueue.h"

#include "QZFramework/Notification/NotificationCenter.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/NotificationTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace QZ::test {
namespace {

using Log = std::vector<std::string>;

constexpr const char16_t* kPosted = u"NID_TEST_POSTED";

class NotificationQueueTest : public NotificationFixture {
protected:
  void SetUp() override {
    NotificationFixture::SetUp();
    center = LNotificationCenterManager::GetInstance()->GetCenter(u"test");
    client = MakeClient("C", &log);
    client->Subscribe(center, kPosted);
    client->Subscribe(center, u"NID_IDLE");
  }
  void TearDown() override {
    client->UnsubscribeAll();
    center = RCPtr<LNotificationCenter>();
    NotificationFixture::TearDown();
  }

  QZRESULT Post(int value, const char16_t* id = kPosted) {
    return center->Post(LNotification::Create(id, IntPayload::Make(value)));
  }

  RCPtr<LNotificationCenter> center;
  RCPtr<LoggingClient> client;
};

TEST_F(NotificationQueueTest, PostsFromAWorkerArriveInOrderOnTheProcessingThread) {
  std::thread worker([this] {
    for (int i = 1; i <= 3; ++i)
      EXPECT_EQ(Post(i), S_OK);
  });
  worker.join();
  EXPECT_TRUE(log.empty()) << "nothing is delivered before the pass";
  EXPECT_FALSE(center->Process(false));
  EXPECT_EQ(log, (Log{"C:NID_TEST_POSTED:1", "C:NID_TEST_POSTED:2", "C:NID_TEST_POSTED:3"}));
  EXPECT_EQ(client->lastSource, static_cast<LNotificationDistributor*>(center.Get()));
}

TEST_F(NotificationQueueTest, PostedDuringAPassWaitsForTheNextPass) {
  client->hook = [this](LoggingClient&, const auto&, const RCPtr<LNotification>& n) {
    if (PayloadValue(n) == 1)
      Post(4);
  };
  for (int i = 1; i <= 3; ++i)
    Post(i);
  EXPECT_TRUE(center->Process(false));
  EXPECT_EQ(log.size(), 3u);
  log.clear();
  EXPECT_FALSE(center->Process(false));
  EXPECT_EQ(log, (Log{"C:NID_TEST_POSTED:4"}));
}

TEST_F(NotificationQueueTest, IdleNotificationRules) {
  EXPECT_FALSE(center->Process(false));
  EXPECT_TRUE(log.empty());

  EXPECT_FALSE(center->Process(true));
  EXPECT_EQ(log, (Log{"C:NID_IDLE"}));

  // One idle object per queue, re-used.
  const LNotification* idle = nullptr;
  client->hook = [&](LoggingClient&, const auto&, const RCPtr<LNotification>& n) {
    if (n->GetID() == InternNotificationID(u"NID_IDLE")) {
      if (idle) {
        EXPECT_EQ(idle, n.Get());
      }
      idle = n.Get();
    }
  };
  center->Process(true);
  center->Process(true);

  // A pass from inside a handler delivers no queued notification, but "NID_IDLE".
  log.clear();
  bool inner = false;
  client->hook = [&](LoggingClient&, const auto&, const RCPtr<LNotification>& n) {
    if (PayloadValue(n) == 1 && !inner) {
      inner = true;
      EXPECT_TRUE(center->Process(true));
    }
  };
  Post(1);
  Post(2);
  EXPECT_FALSE(center->Process(false));
  EXPECT_EQ(log, (Log{"C:NID_TEST_POSTED:1", "C:NID_IDLE", "C:NID_TEST_POSTED:2"}));

  // The idle pass goes once through every center.
  log.clear();
  auto other = LNotificationCenterManager::GetInstance()->GetCenter(u"other");
  auto second = MakeClient("D", &log);
  second->Subscribe(other, u"NID_IDLE");
  EXPECT_FALSE(IdlePass(true));
  EXPECT_EQ(log, (Log{"D:NID_IDLE", "C:NID_IDLE"}));
  log.clear();
  EXPECT_FALSE(IdlePass(false));
  EXPECT_TRUE(log.empty());
  second->UnsubscribeAll();

  // Shut down: nothing at all, not even "NID_IDLE".
  center->Shutdown();
  EXPECT_FALSE(center->Process(true));
  EXPECT_TRUE(log.empty());
}

TEST_F(NotificationQueueTest, ANotificationIsPostedOnceAtATime) {
  RCPtr<LNotification> n = LNotification::Create(kPosted, IntPayload::Make(9));
  EXPECT_EQ(center->Post(n), S_OK);
  EXPECT_TRUE(n->IsPosted());
  EXPECT_EQ(center->Post(n), E_INVALIDARG);
  client->hook = [&](LoggingClient&, const auto&, const RCPtr<LNotification>& delivered) {
    EXPECT_TRUE(delivered->IsPosted());
    EXPECT_EQ(center->Post(delivered), E_INVALIDARG);
  };
  center->Process(false);
  EXPECT_FALSE(n->IsPosted());
  client->hook = nullptr;
  EXPECT_EQ(center->Post(n), S_OK);
  center->Process(false);
  EXPECT_EQ(log, (Log{"C:NID_TEST_POSTED:9", "C:NID_TEST_POSTED:9"}));
  EXPECT_EQ(center->Post(RCPtr<LNotification>()), E_INVALIDARG);
}

// A handler that throws leaves the pass; the notification it was handed must not
// stay marked as posted, neither for whoever kept it nor in the pool.
TEST_F(NotificationQueueTest, AThrowingHandlerLeavesNoNotificationMarkedPosted) {
  RCPtr<LNotification> kept = LNotification::Create(kPosted, IntPayload::Make(1));
  bool fail = true;
  client->hook = [&](LoggingClient&, const auto&, const RCPtr<LNotification>&) {
    if (std::exchange(fail, false))
      throw std::runtime_error("handler failed");
  };
  ASSERT_EQ(center->Post(kept), S_OK);
  ASSERT_EQ(Post(2), S_OK);
  EXPECT_THROW(center->Process(false), std::runtime_error);
  EXPECT_FALSE(kept->IsPosted());
  EXPECT_EQ(center->Post(kept), S_OK) << "it can be posted again";
  EXPECT_FALSE(center->Process(false)) << "the pass is not stuck";
  EXPECT_EQ(log, (Log{"C:NID_TEST_POSTED:1", "C:NID_TEST_POSTED:2", "C:NID_TEST_POSTED:1"}));

  // The same, for a notification nobody else holds: it goes back to the pool.
  log.clear();
  LNotification::EnablePooling(false);
  LNotification::EnablePooling(true);
  fail = true;
  ASSERT_EQ(Post(1), S_OK);
  EXPECT_THROW(center->Process(false), std::runtime_error);
  ASSERT_EQ(LNotification::GetPoolCount(), 1u);
  RCPtr<LNotification> recycled = LNotification::Create(kPosted, IntPayload::Make(3));
  EXPECT_FALSE(recycled->IsPosted());
  EXPECT_EQ(center->Post(recycled), S_OK);
  center->Process(false);
  EXPECT_EQ(log, (Log{"C:NID_TEST_POSTED:1", "C:NID_TEST_POSTED:3"}));
}

TEST_F(NotificationQueueTest, AQueueNeedsADistributor) {
  RCPtr<LNotificationQueue> queue(new LNotificationQueue);
  EXPECT_EQ(queue->Post(LNotification::Create(kPosted)), E_FAIL);
  EXPECT_EQ(queue->SetDistributor(RCPtr<LNotificationDistributor>()), S_OK);
  RCPtr<LNotificationDistributor> distributor(new LNotificationDistributor);
  EXPECT_EQ(queue->SetDistributor(distributor), S_OK);
  EXPECT_EQ(queue->SetDistributor(distributor), E_FAIL);
  EXPECT_EQ(queue->Post(LNotification::Create(kPosted)), S_OK);
  queue->Shutdown();
  EXPECT_EQ(queue->Post(LNotification::Create(kPosted)), E_FAIL);
  EXPECT_EQ(queue->SetDistributor(distributor), E_FAIL);
  EXPECT_FALSE(queue->GetPostingReceiver());
  EXPECT_EQ(queue->GetRefCount(), 1);
  EXPECT_EQ(queue->GetInnerRefCount(), 0);
  EXPECT_EQ(distributor->GetRefCount(), 1);
}

TEST_F(NotificationQueueTest, MoreThanTheRingsSlotsAreKeptInOrder) {
  constexpr int kCount = 1000;
  for (int i = 0; i < kCount; ++i)
    ASSERT_EQ(Post(i), S_OK);
  EXPECT_FALSE(center->Process(false));
  ASSERT_EQ(log.size(), static_cast<std::size_t>(kCount));
  for (int i = 0; i < kCount; ++i)
    ASSERT_EQ(log[i], "C:NID_TEST_POSTED:" + std::to_string(i));
}

TEST_F(NotificationQueueTest, LatestPostedOnlyRegistrationGetsTheLastOfABurst) {
  constexpr const char16_t* kStatus = u"NID_SET_STATUS_TEXT";
  auto status = MakeClient("S", &log);
  auto plain = MakeClient("P", &log);
  plain->Subscribe(center, kStatus);
  status->Subscribe(center, kStatus, kNotifyLatestPostedOnly);
  for (int i = 1; i <= 3; ++i)
    Post(i, kStatus);
  center->Process(false);
  EXPECT_EQ(log, (Log{"P:NID_SET_STATUS_TEXT:1", "P:NID_SET_STATUS_TEXT:2", "S:NID_SET_STATUS_TEXT:3",
                      "P:NID_SET_STATUS_TEXT:3"}));
  // Sent directly, it never arrives; and a delivered text is not delivered again.
  log.clear();
  center->Notify(LNotification::Create(kStatus, IntPayload::Make(4)));
  Post(5, kStatus);
  center->Process(false);
  EXPECT_EQ(log, (Log{"P:NID_SET_STATUS_TEXT:4", "S:NID_SET_STATUS_TEXT:5", "P:NID_SET_STATUS_TEXT:5"}));
  status->UnsubscribeAll();
  plain->UnsubscribeAll();
}

TEST_F(NotificationQueueTest, PostingReceiverQueuesACopyForTheQueuesOwnDistributor) {
  RCPtr<LNotificationDistributor> button(new LNotificationDistributor);
  auto receiver = center->GetPostingReceiver();
  ASSERT_TRUE(receiver);
  EXPECT_EQ(button->RegisterClient(receiver, kPosted), kNotifyDone);
  LiveCount live;
  RCPtr<LRefCountedObject> payload = IntPayload::Make(6, &live);
  RCPtr<LNotification> sent = LNotification::Create(kPosted, payload);
  button->Notify(sent);
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(sent->IsPosted()) << "a copy is posted";
  EXPECT_EQ(payload->GetRefCount(), 3); // shared by the original and the copy
  center->Process(false);
  EXPECT_EQ(log, (Log{"C:NID_TEST_POSTED:6"}));
  EXPECT_EQ(client->lastSource, static_cast<LNotificationDistributor*>(center.Get()));
  EXPECT_EQ(receiver->Unsubscribe(button, InternNotificationID(kPosted)), E_FAIL);
  EXPECT_EQ(button->UnregisterClient(receiver, kPosted), kNotifyDone);
  EXPECT_EQ(button->GetRefCount(), 1);
}

TEST_F(NotificationQueueTest, CentersAreNamedAndProcessedLastFirst) {
  auto& manager = LNotificationCenterManager::GetInstance();
  RCPtr<LNotificationCenter> application = GetApplicationNotificationCenter();
  ASSERT_TRUE(application);
  EXPECT_EQ(application.Get(), GetApplicationNotificationCenter().Get());
  EXPECT_EQ(application.Get(), manager->FindCenter(u"application").Get());
  EXPECT_TRUE(application->GetName().IsEqual(u"application"));
  EXPECT_EQ(manager->GetCenter(u"test").Get(), center.Get());
  EXPECT_FALSE(manager->GetCenter(u""));
  EXPECT_FALSE(manager->FindCenter(u""));
  EXPECT_FALSE(manager->FindCenter(u"Test")) << "names are case-sensitive";
  auto other = manager->GetCenter(u"other");

  auto a = MakeClient("A", &log);
  auto o = MakeClient("O", &log);
  a->Subscribe(application, kPosted);
  o->Subscribe(other, kPosted);
  application->Post(LNotification::Create(kPosted, IntPayload::Make(1)));
  other->Post(LNotification::Create(kPosted, IntPayload::Make(2)));
  Post(3);
  EXPECT_FALSE(IdlePass(false));
  EXPECT_EQ(log, (Log{"O:NID_TEST_POSTED:2", "A:NID_TEST_POSTED:1", "C:NID_TEST_POSTED:3"}));
  a->UnsubscribeAll();
  o->UnsubscribeAll();
}

// Lookups hand out the center's pointer by reference, and callers keep it:
// adding centers must not move it.
TEST_F(NotificationQueueTest, CenterReferencesStayValidWhenCentersAreAdded) {
  auto& manager = LNotificationCenterManager::GetInstance();
  const RCPtr<LNotificationCenter>& application = GetApplicationNotificationCenter();
  const RCPtr<LNotificationCenter>& found = manager->FindCenter(u"test");
  const RCPtr<LNotificationCenter>& made = manager->GetCenter(u"first");
  LNotificationCenter* const applicationCenter = application.Get();
  std::vector<RCPtr<LNotificationCenter>> more;
  for (int i = 0; i < 100; ++i)
    more.push_back(manager->GetCenter(WideString(("center " + std::to_string(i)).c_str())));

  ASSERT_TRUE(application);
  EXPECT_EQ(application.Get(), applicationCenter);
  EXPECT_TRUE(application->GetName().IsEqual(u"application"));
  EXPECT_EQ(found.Get(), center.Get());
  EXPECT_TRUE(made->GetName().IsEqual(u"first"));
  EXPECT_EQ(&GetApplicationNotificationCenter(), &application);
  EXPECT_EQ(&manager->GetCenter(u"first"), &made);
}

TEST_F(NotificationQueueTest, ReleasingACenterDropsItsClientsAndItsQueue) {
  LiveCount clientsAlive, payloads;
  auto& manager = LNotificationCenterManager::GetInstance();
  RCPtr<LNotificationCenter> doomed = LNotificationCenter::Create(u"doomed");
  {
    auto listener = MakeClient("L", &log, &clientsAlive);
    listener->Subscribe(doomed, kPosted);
    doomed->Post(LNotification::Create(kPosted, IntPayload::Make(1, &payloads)));
    auto owner = MakeClient("Owner", &log, &clientsAlive);
    owner->Subscribe(doomed, u"NID_TEST_OTHER");
    // Only the registrations hold the clients from here on.
  }
  EXPECT_EQ(clientsAlive.value, 0) << "a client whose last outside reference went is unsubscribed";

  auto stays = MakeClient("S", &log, &clientsAlive);
  stays->Subscribe(doomed, kPosted);
  doomed->Post(LNotification::Create(kPosted, IntPayload::Make(2, &payloads)));
  EXPECT_EQ(payloads.value, 2);
  doomed = RCPtr<LNotificationCenter>();
  EXPECT_EQ(stays->GetSubscriptionCount(), 0);
  EXPECT_EQ(stays->GetInnerRefCount(), 0);
  EXPECT_EQ(payloads.value, 0) << "queued notifications are dropped undelivered";
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(manager->FindCenter(u"doomed"));
}

TEST_F(NotificationQueueTest, ManagerReleaseFreesItsCenters) {
  LiveCount alive;
  auto listener = MakeClient("L", &log, &alive);
  {
    auto app = GetApplicationNotificationCenter();
    listener->Subscribe(app, kPosted);
    app->Post(LNotification::Create(kPosted));
  }
  EXPECT_EQ(listener->GetSubscriptionCount(), 1);
  LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
  EXPECT_EQ(listener->GetSubscriptionCount(), 0);
  EXPECT_TRUE(log.empty());
}

// Run from inside a handler: another thread takes every lock of the notification
// system (the table and pool, the queue Mutex, the center's distributor lock and
// the pool locks of the identifiers being delivered). A lock still held by the
// delivering thread would block it. Only copies are captured, since a blocked
// thread outlives the test.
bool AnotherThreadGetsEveryLock(const RCPtr<LNotificationCenter>& target) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread([center = target, done] {
    RCPtr<LoggingClient> probe = MakeClient("probe", nullptr);
    for (const char16_t* id : {kPosted, u"NID_SET_STATUS_TEXT", u"NID_IDLE"})
      probe->Subscribe(center, id);
    probe->Subscribe(center, u"NID_TEST_PROBE", kNotifyLatestPostedOnly);
    center->Post(LNotification::Create(u"NID_TEST_PROBE"));
    probe->UnsubscribeAll();
    done->set_value();
  }).detach();
  return finished.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
}

// A client that runs a hook when a distributor asks it to unsubscribe.
class UnsubscribeHookClient : public LoggingClient {
public:
  using LoggingClient::LoggingClient;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& source, const char16_t* name) override {
    if (onUnsubscribe)
      onUnsubscribe();
    return LoggingClient::Unsubscribe(source, name);
  }
  std::function<void()> onUnsubscribe;
};

TEST_F(NotificationQueueTest, NoLockIsHeldWhileClientsRun) {
  auto status = MakeClient("S", &log);
  status->Subscribe(center, u"NID_SET_STATUS_TEXT", kNotifyLatestPostedOnly);
  int probes = 0;
  auto probe = [&](LoggingClient&, const auto&, const auto&) {
    ++probes;
    EXPECT_TRUE(AnotherThreadGetsEveryLock(center)) << "a lock is held around " << probes;
  };
  client->hook = probe;
  status->hook = probe;
  Post(1);
  Post(2, u"NID_SET_STATUS_TEXT");
  IdlePass(true); // a posted notification, a latest-posted-only one and "NID_IDLE"
  EXPECT_EQ(probes, 3);
  center->Notify(LNotification::Create(kPosted)); // sent directly
  EXPECT_EQ(probes, 4);

  RCPtr<UnsubscribeHookClient> leaving(new UnsubscribeHookClient("U", nullptr));
  leaving->Subscribe(center, kPosted);
  leaving->onUnsubscribe = [&] {
    ++probes;
    EXPECT_TRUE(AnotherThreadGetsEveryLock(center)) << "a lock is held around Unsubscribe";
  };
  center->UnsubscribeAllClients();
  EXPECT_EQ(probes, 5);
  EXPECT_EQ(leaving->GetSubscriptionCount(), 0);
  status->UnsubscribeAll();
}

// Several workers post to two centers while the main thread runs idle passes:
// everything arrives on the main thread, each worker's posts in order, and within
// one pass the later center ("other") before the earlier ("application").
TEST_F(NotificationQueueTest, PostsFromManyWorkersAreDeliveredInOrderByTheIdlePass) {
  constexpr int kWorkers = 4;
  constexpr int kPerWorker = 500;
  auto& manager = LNotificationCenterManager::GetInstance();
  RCPtr<LNotificationCenter> application = GetApplicationNotificationCenter();
  RCPtr<LNotificationCenter> other = manager->GetCenter(u"other");
  const std::thread::id mainThread = std::this_thread::get_id();

  struct Arrival {
    int pass;
    bool fromOther;
    int value;
  };
  std::vector<Arrival> arrivals;
  int pass = 0;
  auto record = [&](bool fromOther) {
    return [&, fromOther](LoggingClient&, const auto&, const RCPtr<LNotification>& n) {
      EXPECT_EQ(std::this_thread::get_id(), mainThread);
      arrivals.push_back({pass, fromOther, PayloadValue(n)});
    };
  };
  auto a = MakeClient("A", nullptr);
  auto o = MakeClient("O", nullptr);
  a->hook = record(false);
  o->hook = record(true);
  a->Subscribe(application, kPosted);
  o->Subscribe(other, kPosted);

  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      NotificationID id = InternNotificationID(kPosted);
      for (int i = 0; i < kPerWorker; ++i) {
        const int value = w * kPerWorker + i;
        const RCPtr<LNotificationCenter>& target = (i % 2) ? other : application;
        EXPECT_EQ(target->Post(LNotification::Create(id, IntPayload::Make(value))), S_OK);
      }
    });
  }
  const std::size_t total = static_cast<std::size_t>(kWorkers) * kPerWorker;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (arrivals.size() < total && std::chrono::steady_clock::now() < deadline) {
    ++pass;
    IdlePass(pass % 2 == 0);
    std::this_thread::yield();
  }
  for (std::thread& worker : workers)
    worker.join();
  ++pass;
  EXPECT_FALSE(IdlePass(false));
  ASSERT_EQ(arrivals.size(), total);

  std::vector<int> next(kWorkers * 2, 0);
  for (std::size_t k = 0; k < arrivals.size(); ++k) {
    const Arrival& arrival = arrivals[k];
    const int worker = arrival.value / kPerWorker;
    const int index = arrival.value % kPerWorker;
    EXPECT_EQ(arrival.fromOther, index % 2 == 1);
    int& expected = next[worker * 2 + (arrival.fromOther ? 1 : 0)];
    EXPECT_EQ(index, expected * 2 + (arrival.fromOther ? 1 : 0)) << "worker " << worker;
    ++expected;
    if (k > 0 && arrivals[k - 1].pass == arrival.pass) {
      EXPECT_FALSE(!arrivals[k - 1].fromOther && arrival.fromOther) << "application before other in one pass";
    }
  }
  a->UnsubscribeAll();
  o->UnsubscribeAll();
}

// Subscribing and unsubscribing on the main thread while workers post: the
// registrations and the queue are shared under their locks.
TEST_F(NotificationQueueTest, PostingRacesWithSubscriptionChanges) {
  constexpr int kPosts = 2000;
  constexpr const char16_t* kStatus = u"NID_SET_STATUS_TEXT";
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    for (int i = 0; i < kPosts; ++i)
      Post(i, (i % 2) ? kPosted : kStatus);
    stop = true;
  });
  auto latest = MakeClient("L", nullptr);
  while (!stop) {
    latest->Subscribe(center, kStatus, kNotifyLatestPostedOnly);
    center->Process(false);
    latest->UnsubscribeAll();
  }
  worker.join();
  center->Process(false);
  EXPECT_EQ(client->received, kPosts / 2);
}

} // namespace
} // namespace QZ::test
