#include "QZFramework/Notification/NotificationDistributor.h"

#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Notification/NotificationHandler.h"
#include "Support/NotificationTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace QZ::test {
namespace {

constexpr const char16_t* kEvent = u"NID_TEST_EVENT";

RCPtr<LNotificationDistributor> MakeDistributor() {
  return RCPtr<LNotificationDistributor>(new LNotificationDistributor);
}

// A distributor that takes its registrations down when the outside lets go, as
// controls do.
class OwningDistributor : public LNotificationDistributor {
public:
  explicit OwningDistributor(LiveCount* live) : mLive(live) { ++mLive->value; }
  ~OwningDistributor() override { --mLive->value; }
  QZRESULT ReleaseInnerReferences() override {
    UnsubscribeAllClients();
    return LRefCountedObject::ReleaseInnerReferences();
  }

private:
  LiveCount* mLive;
};

class NotificationDistributorTest : public NotificationFixture {
protected:
  void SetUp() override {
    NotificationFixture::SetUp();
    distributor = MakeDistributor();
    for (const char* name : {"K1", "K2", "K3"}) {
      clients[name] = MakeClient(name, &log);
      ASSERT_EQ(clients[name]->Subscribe(distributor, kEvent), InternNotificationID(kEvent));
    }
  }
  void TearDown() override {
    for (auto& [name, client] : clients)
      client->UnsubscribeAll();
    NotificationFixture::TearDown();
  }

  std::vector<std::string> Send(const char16_t* id = kEvent) {
    log.clear();
    distributor->Notify(LNotification::Create(id));
    return log;
  }

  RCPtr<LNotificationDistributor> distributor;
  std::map<std::string, RCPtr<LoggingClient>> clients;
};

using Log = std::vector<std::string>;

TEST_F(NotificationDistributorTest, CallsNewestRegistrationFirst) {
  EXPECT_EQ(Send(), (Log{"K3:NID_TEST_EVENT", "K2:NID_TEST_EVENT", "K1:NID_TEST_EVENT"}));
  EXPECT_EQ(clients["K3"]->lastSource, distributor.Get());
  EXPECT_EQ(distributor->Notify(LNotification::Create(u"NID_TEST_NOBODY")), kNotifyNothingDone);
  EXPECT_EQ(distributor->Notify(RCPtr<LNotification>()), E_INVALIDARG);
  // A pool that has been emptied stays, and reports nobody.
  for (auto& [name, client] : clients)
    client->UnsubscribeAll();
  EXPECT_EQ(distributor->Notify(LNotification::Create(kEvent)), kNotifyNothingDone);
}

// Unsubscribing inside a delivery neither skips nor repeats anyone.
TEST_F(NotificationDistributorTest, UnsubscribingDuringDeliveryKeepsTheWalkExact) {
  struct Case {
    const char* caller;
    std::vector<const char*> leaving;
    Log during;
    Log after;
  } cases[] = {
      {"K3", {"K3"}, {"K3", "K2", "K1"}, {"K2", "K1"}}, {"K3", {"K1"}, {"K3", "K2"}, {"K3", "K2"}},
      {"K3", {"K2"}, {"K3", "K1"}, {"K3", "K1"}},       {"K2", {"K3"}, {"K3", "K2", "K1"}, {"K2", "K1"}},
      {"K2", {"K2", "K1"}, {"K3", "K2"}, {"K3"}},       {"K1", {"K3", "K2", "K1"}, {"K3", "K2", "K1"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.caller) + " removes " + std::to_string(c.leaving.size()));
    TearDown();
    SetUp();
    bool done = false;
    clients[c.caller]->hook = [&](LoggingClient&, const auto&, const auto&) {
      if (done)
        return;
      done = true;
      for (const char* name : c.leaving)
        EXPECT_EQ(clients[name]->Unsubscribe(distributor, kEvent), kNotifyDone);
    };
    auto names = [](const Log& entries) {
      Log out;
      for (const std::string& e : entries)
        out.push_back(e.substr(0, 2));
      return out;
    };
    EXPECT_EQ(names(Send()), c.during);
    EXPECT_EQ(names(Send()), c.after);
  }
}

TEST_F(NotificationDistributorTest, ClientSubscribedDuringDeliveryWaitsForTheNextOne) {
  auto k4 = MakeClient("K4", &log);
  clients["K2"]->hook = [&](LoggingClient&, const auto&, const auto&) {
    if (k4->GetSubscriptionCount() == 0)
      k4->Subscribe(distributor, kEvent);
  };
  EXPECT_EQ(Send(), (Log{"K3:NID_TEST_EVENT", "K2:NID_TEST_EVENT", "K1:NID_TEST_EVENT"}));
  EXPECT_EQ(Send().front(), "K4:NID_TEST_EVENT");
  k4->UnsubscribeAll();
}

// A handler that sends the same identifier through the same distributor again:
// each delivery walks all clients with its own cursor.
TEST_F(NotificationDistributorTest, NestedDeliveryOfTheSameIdentifierReachesEveryone) {
  int depth = 0;
  clients["K2"]->hook = [&](LoggingClient&, const auto&, const auto&) {
    if (depth++ == 0)
      distributor->Notify(LNotification::Create(kEvent));
  };
  Log expected{"K3:NID_TEST_EVENT", "K2:NID_TEST_EVENT", "K3:NID_TEST_EVENT",
               "K2:NID_TEST_EVENT", "K1:NID_TEST_EVENT", "K1:NID_TEST_EVENT"};
  EXPECT_EQ(Send(), expected);
}

TEST_F(NotificationDistributorTest, RemovalInsideANestedDeliveryMovesTheOuterCursorToo) {
  bool nested = false;
  clients["K2"]->hook = [&](LoggingClient&, const auto&, const auto&) {
    if (!nested) {
      nested = true;
      distributor->Notify(LNotification::Create(kEvent));
    }
  };
  // During the inner delivery K3 leaves above both cursors, and K1 at the inner
  // cursor and below the outer one.
  clients["K1"]->hook = [&](LoggingClient&, const auto&, const auto&) {
    if (clients["K3"]->GetSubscriptionCount())
      clients["K3"]->Unsubscribe(distributor, kEvent);
    if (clients["K1"]->GetSubscriptionCount())
      clients["K1"]->Unsubscribe(distributor, kEvent);
  };
  Log expected{"K3:NID_TEST_EVENT", "K2:NID_TEST_EVENT", "K3:NID_TEST_EVENT", "K2:NID_TEST_EVENT",
               "K1:NID_TEST_EVENT"};
  EXPECT_EQ(Send(), expected);
  EXPECT_EQ(Send(), (Log{"K2:NID_TEST_EVENT"}));
}

TEST_F(NotificationDistributorTest, NotifyClientAtReportsTheIndexAfterRemovals) {
  auto pool = distributor->FindClientPool(InternNotificationID(kEvent));
  ASSERT_TRUE(pool);
  auto n = LNotification::Create(kEvent);
  EXPECT_EQ(pool->NotifyClientAt(distributor, 3, n), 3);
  EXPECT_EQ(pool->NotifyClientAt(distributor, -1, n), 3);
  clients["K2"]->hook = [&](LoggingClient&, const auto&, const auto&) {
    clients["K1"]->Unsubscribe(distributor, kEvent);
  };
  EXPECT_EQ(pool->NotifyClientAt(distributor, 1, n), 0);
  EXPECT_EQ(log, (Log{"K2:NID_TEST_EVENT"}));
  EXPECT_EQ(pool->FindClient(clients["K3"]), 1);
}

TEST_F(NotificationDistributorTest, SubscribingTwiceOnlyUpdatesTheFlags) {
  RCPtr<LoggingClient>& k1 = clients["K1"];
  const std::int32_t count = k1->GetRefCount();
  const std::int32_t distributorCount = distributor->GetRefCount();
  EXPECT_EQ(k1->Subscribe(distributor, kEvent, 0x4), InternNotificationID(kEvent));
  EXPECT_EQ(k1->GetSubscriptionCount(), 1);
  EXPECT_EQ(k1->GetRefCount(), count);
  EXPECT_EQ(distributor->GetRefCount(), distributorCount);
  std::uint32_t flags = 0;
  EXPECT_EQ(distributor->GetClientFlags(k1, kEvent, flags), S_OK);
  EXPECT_EQ(flags, 0x4u);
  EXPECT_EQ(distributor->RegisterClient(k1, kEvent, 0), kNotifyNothingDone);
  EXPECT_EQ(distributor->GetClientFlags(k1, u"NID_TEST_OTHER", flags), E_FAIL);
}

TEST_F(NotificationDistributorTest, ResultsForBadArguments) {
  auto k1 = clients["K1"];
  auto stranger = MakeClient("S", &log);
  EXPECT_EQ(distributor->RegisterClient(RCPtr<LNotificationReceiver>(), kEvent), E_INVALIDARG);
  EXPECT_EQ(distributor->RegisterClient(stranger, u""), kNotifyNothingDone);
  EXPECT_EQ(distributor->UnregisterClient(RCPtr<LNotificationReceiver>(), kEvent), E_INVALIDARG);
  EXPECT_EQ(distributor->UnregisterClient(k1, nullptr), E_INVALIDARG);
  EXPECT_EQ(distributor->UnregisterClient(stranger, kEvent), kNotifyNothingDone);
  EXPECT_EQ(distributor->UnregisterClient(k1, u"NID_TEST_NO_POOL"), kNotifyNothingDone);
  EXPECT_EQ(distributor->UnregisterClientFromAll(RCPtr<LNotificationReceiver>()), E_INVALIDARG);
  EXPECT_EQ(stranger->Unsubscribe(distributor, kEvent), kNotifyNothingDone); // holds no subscriptions
  EXPECT_EQ(k1->Unsubscribe(RCPtr<LNotificationDistributor>(), kEvent), E_INVALIDARG);
  EXPECT_EQ(stranger->Subscribe(RCPtr<LNotificationDistributor>(), kEvent), nullptr);
  EXPECT_EQ(stranger->Subscribe(distributor, u""), nullptr);
  EXPECT_FALSE(distributor->IsClientRegistered(stranger));
  EXPECT_TRUE(distributor->IsClientRegistered(k1));
}

TEST_F(NotificationDistributorTest, RegistrationsAreCountedOnBothSides) {
  auto k1 = clients["K1"];
  // The registrations' references are inner ones; the fixture's map and k1 are outside.
  EXPECT_EQ(k1->GetRefCount(), 3);
  EXPECT_EQ(k1->GetInnerRefCount(), 1);
  EXPECT_EQ(distributor->GetRefCount(), 4);
  EXPECT_EQ(distributor->GetInnerRefCount(), 3);
  auto other = MakeDistributor();
  k1->Subscribe(other, kEvent);
  k1->Subscribe(other, u"NID_TEST_SECOND");
  EXPECT_EQ(k1->GetInnerRefCount(), 3);
  EXPECT_EQ(k1->GetSubscriptionCount(), 3);
  EXPECT_EQ(other->GetRefCount(), 3);
  EXPECT_EQ(k1->Unsubscribe(other, kEvent), kNotifyDone);
  EXPECT_TRUE(other->IsClientRegistered(k1));
  EXPECT_EQ(k1->UnsubscribeAll(), 2);
  EXPECT_EQ(k1->GetInnerRefCount(), 0);
  EXPECT_EQ(k1->GetRefCount(), 2);
  EXPECT_EQ(other->GetRefCount(), 1);
  EXPECT_EQ(other->GetInnerRefCount(), 0);
  EXPECT_EQ(distributor->GetInnerRefCount(), 2);
}

TEST_F(NotificationDistributorTest, ReleasingAClientUnsubscribesItEverywhere) {
  LiveCount live;
  auto second = MakeDistributor();
  {
    auto client = MakeClient("C", &log, &live);
    client->Subscribe(distributor, kEvent);
    client->Subscribe(distributor, u"NID_TEST_SECOND");
    client->Subscribe(second, kEvent);
    EXPECT_EQ(client->GetRefCount(), 4);
  }
  EXPECT_EQ(live.value, 0);
  EXPECT_EQ(second->GetRefCount(), 1);
  EXPECT_EQ(second->GetInnerRefCount(), 0);
  EXPECT_EQ(distributor->GetInnerRefCount(), 3);
  EXPECT_EQ(Send(u"NID_TEST_SECOND"), Log{});
}

TEST_F(NotificationDistributorTest, CycleOfDistributorAndClientsIsFreedFromEitherSide) {
  LiveCount clientsAlive, distributorsAlive;
  RCPtr<LoggingClient> a = MakeClient("A", &log, &clientsAlive);
  RCPtr<LoggingClient> b = MakeClient("B", &log, &clientsAlive);
  RCPtr<LNotificationDistributor> d(new OwningDistributor(&distributorsAlive));
  RCPtr<LNotificationDistributor> e(new OwningDistributor(&distributorsAlive));
  a->Subscribe(d, kEvent);
  b->Subscribe(d, kEvent);
  b->Subscribe(e, kEvent);
  a->Subscribe(e, u"NID_TEST_SECOND");

  d = RCPtr<LNotificationDistributor>(); // the distributor goes first and lets its clients go
  EXPECT_EQ(distributorsAlive.value, 1);
  EXPECT_EQ(a->GetSubscriptionCount(), 1);
  EXPECT_EQ(b->GetSubscriptionCount(), 1);

  a = RCPtr<LoggingClient>(); // a client goes first and leaves its distributor
  EXPECT_EQ(clientsAlive.value, 1);
  EXPECT_EQ(e->GetInnerRefCount(), 1);

  b = RCPtr<LoggingClient>();
  EXPECT_EQ(clientsAlive.value, 0);
  EXPECT_EQ(e->GetRefCount(), 1);
  EXPECT_EQ(e->GetInnerRefCount(), 0);
  e = RCPtr<LNotificationDistributor>();
  EXPECT_EQ(distributorsAlive.value, 0);
}

TEST_F(NotificationDistributorTest, DirectNotifyNeverReachesLatestPostedOnlyRegistration) {
  auto latest = MakeClient("L", &log);
  latest->Subscribe(distributor, kEvent, kNotifyLatestPostedOnly);
  auto pool = distributor->FindClientPool(InternNotificationID(kEvent));
  EXPECT_EQ(pool->GetCombinedFlags(), kNotifyLatestPostedOnly);
  EXPECT_EQ(Send().size(), 3u);
  EXPECT_EQ(latest->received, 0);
  latest->Subscribe(distributor, kEvent, 0); // flags changed: the combination is recomputed
  EXPECT_EQ(pool->GetCombinedFlags(), 0u);
  EXPECT_EQ(Send().front(), "L:NID_TEST_EVENT");
  latest->UnsubscribeAll();
}

class HandlingClient : public LNotificationClient {
public:
  HandlingClient() : handler(LNotificationHandler<HandlingClient>::Create(this)) {}
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override {
    return handler->Receive(source, notification);
  }
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& source, const char16_t* name) override {
    handler->Unregister(source, name);
    return LNotificationClient::Unsubscribe(source, name);
  }
  std::int32_t OnFirst(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
    calls.push_back("first");
    return 11;
  }
  std::int32_t OnSecond(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
    calls.push_back("second");
    return 22;
  }

  RCPtr<LNotificationHandler<HandlingClient>> handler;
  std::vector<std::string> calls;
};

TEST_F(NotificationDistributorTest, HandlerBindsMembersPerSourceAndIdentifier) {
  RCPtr<HandlingClient> client(new HandlingClient);
  auto& handler = client->handler;
  EXPECT_EQ(handler->Register(&HandlingClient::OnFirst, distributor, kEvent), S_OK);
  EXPECT_EQ(handler->Register(&HandlingClient::OnSecond, distributor, kEvent, 0x2), S_OK);
  EXPECT_EQ(handler->Register(&HandlingClient::OnSecond, RCPtr<LNotificationDistributor>(), kEvent), E_INVALIDARG);
  EXPECT_EQ(handler->Register(&HandlingClient::OnSecond, distributor, u""), E_FAIL);
  EXPECT_EQ(client->GetSubscriptionCount(), 1);

  Send();
  EXPECT_EQ(client->calls, (Log{"first"})); // the first member stays bound

  LNotificationHandler<HandlingClient>::Member member = nullptr;
  std::uint32_t flags = 0;
  EXPECT_EQ(handler->GetRegistration(distributor, kEvent, member, flags), S_OK);
  EXPECT_EQ(member, &HandlingClient::OnFirst);
  EXPECT_EQ(flags, 0x2u); // but the flags follow the second registration
  EXPECT_EQ(handler->GetRegistration(distributor, u"NID_TEST_UNBOUND", member, flags), E_FAIL);

  // Unbound pairs: nothing is called.
  auto other = MakeDistributor();
  EXPECT_EQ(handler->Receive(other, LNotification::Create(kEvent)), 0);
  EXPECT_EQ(handler->Receive(distributor, LNotification::Create(u"NID_TEST_UNBOUND")), 0);
  EXPECT_EQ(client->calls.size(), 1u);

  // Source-less bindings serve notifications handed over directly.
  EXPECT_EQ(handler->RegisterForReceive(&HandlingClient::OnSecond, u"NID_SIMULATE_CLICK"), S_OK);
  EXPECT_EQ(handler->RegisterForReceive(&HandlingClient::OnSecond, nullptr), E_FAIL);
  DeliverNotification(client, u"NID_SIMULATE_CLICK");
  EXPECT_EQ(client->calls.back(), "second");

  // The client's Unsubscribe drops the binding, and the distributor's walk drops the client.
  distributor->UnsubscribeAllClients();
  EXPECT_EQ(client->GetSubscriptionCount(), 0);
  EXPECT_EQ(handler->GetRegistration(distributor, kEvent, member, flags), E_FAIL);
  EXPECT_TRUE(handler->Unregister(RCPtr<LNotificationDistributor>(), u"NID_SIMULATE_CLICK"));
  EXPECT_FALSE(handler->Unregister(RCPtr<LNotificationDistributor>(), u"NID_SIMULATE_CLICK"));
}

} // namespace
} // namespace QZ::test
