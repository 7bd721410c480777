#include "QZFramework/Notification/Notification.h"

#include "Support/NotificationTestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace QZ::test {
namespace {

using NotificationTest = NotificationFixture;

TEST_F(NotificationTest, InterningGivesOnePointerPerTextCaseSensitively) {
  const char16_t first[] = u"NID_IDLE";
  const char16_t second[] = u"NID_IDLE"; // same text, other storage
  NotificationID id = InternNotificationID(first);
  ASSERT_NE(id, nullptr);
  EXPECT_NE(id, first); // the table keeps its own copy
  EXPECT_EQ(InternNotificationID(second), id);
  EXPECT_EQ(InternNotificationID(id), id);
  NotificationID lower = InternNotificationID(u"nid_idle");
  ASSERT_NE(lower, nullptr);
  EXPECT_NE(lower, id);
  EXPECT_EQ(Narrow(lower), "nid_idle");
  EXPECT_EQ(InternNotificationID(nullptr), nullptr);
  EXPECT_EQ(InternNotificationID(u""), nullptr);
}

TEST_F(NotificationTest, NullOrEmptyNameMakesNoNotification) {
  for (bool pooling : {false, true}) {
    LNotification::EnablePooling(pooling);
    EXPECT_FALSE(LNotification::Create(nullptr));
    EXPECT_FALSE(LNotification::Create(u""));
    EXPECT_FALSE(LNotification::New(nullptr));
    EXPECT_FALSE(LNotification::New(u""));
  }
}

TEST_F(NotificationTest, CreateCarriesInternedIdentifierAndPayload) {
  LiveCount live;
  RCPtr<LNotification> n = LNotification::Create(u"NID_TEST_CARRY", IntPayload::Make(7, &live));
  ASSERT_TRUE(n);
  EXPECT_EQ(n->GetID(), InternNotificationID(u"NID_TEST_CARRY"));
  EXPECT_EQ(PayloadValue(n), 7);
  EXPECT_EQ(n->GetPayload()->GetRefCount(), 1); // the notification's reference only
  EXPECT_FALSE(n->IsPosted());
  n = RCPtr<LNotification>();
  EXPECT_EQ(live.value, 0);
}

TEST_F(NotificationTest, ReleasedNotificationIsRecycledWithNewIdentifierAndPayload) {
  LiveCount live;
  RCPtr<LNotification> a = LNotification::Create(u"NID_TEST_A", IntPayload::Make(1, &live));
  LNotification* raw = a.Get();
  const std::uint32_t pooled = LNotification::GetPoolCount();
  a = RCPtr<LNotification>();
  EXPECT_EQ(live.value, 0) << "the payload goes when the notification is recycled";
  EXPECT_EQ(LNotification::GetPoolCount(), pooled + 1);

  RCPtr<LNotification> b = LNotification::Create(u"NID_TEST_B", IntPayload::Make(2, &live));
  EXPECT_EQ(b.Get(), raw);
  EXPECT_EQ(b->GetID(), InternNotificationID(u"NID_TEST_B"));
  EXPECT_EQ(PayloadValue(b), 2);
  EXPECT_EQ(b->GetRefCount(), 1);
  EXPECT_EQ(LNotification::GetPoolCount(), pooled);
}

TEST_F(NotificationTest, PoolIsLastInFirstOut) {
  LNotification::EnablePooling(false);
  LNotification::EnablePooling(true);
  RCPtr<LNotification> x = LNotification::Create(u"NID_TEST_X");
  RCPtr<LNotification> y = LNotification::Create(u"NID_TEST_Y");
  LNotification* rawX = x.Get();
  LNotification* rawY = y.Get();
  x = RCPtr<LNotification>();
  y = RCPtr<LNotification>();
  ASSERT_EQ(LNotification::GetPoolCount(), 2u);
  RCPtr<LNotification> first = LNotification::Create(u"NID_TEST_Z");
  RCPtr<LNotification> second = LNotification::Create(u"NID_TEST_Z");
  EXPECT_EQ(first.Get(), rawY);
  EXPECT_EQ(second.Get(), rawX);
  // New never takes from the pool.
  first = RCPtr<LNotification>();
  RCPtr<LNotification> fresh = LNotification::New(u"NID_TEST_Z");
  EXPECT_NE(fresh.Get(), rawY);
  EXPECT_EQ(LNotification::GetPoolCount(), 1u);
}

TEST_F(NotificationTest, PoolingOffDeletesInsteadOfRecycling) {
  RCPtr<LNotification> kept = LNotification::Create(u"NID_TEST_KEEP");
  kept = RCPtr<LNotification>();
  RCPtr<LNotification> more = LNotification::Create(u"NID_TEST_KEEP");
  RCPtr<LNotification> most = LNotification::Create(u"NID_TEST_KEEP");
  more = RCPtr<LNotification>();
  most = RCPtr<LNotification>();
  ASSERT_GE(LNotification::GetPoolCount(), 2u);

  LNotification::EnablePooling(false); // empties the pool at once
  EXPECT_EQ(LNotification::GetPoolCount(), 0u);

  LiveCount live;
  RCPtr<LNotification> plain = LNotification::Create(u"NID_TEST_KEEP", IntPayload::Make(3, &live));
  plain = RCPtr<LNotification>();
  EXPECT_EQ(live.value, 0);
  EXPECT_EQ(LNotification::GetPoolCount(), 0u);
}

TEST_F(NotificationTest, DeliverNotificationHandsOverWithoutSource) {
  auto client = MakeClient("K", &log);
  DeliverNotification(client, u"NID_SIBLING_KEY", IntPayload::Make(5));
  DeliverNotification(client, u"");
  DeliverNotification(RCPtr<LNotificationReceiver>(), u"NID_SIBLING_KEY");
  EXPECT_EQ(log, (std::vector<std::string>{"K:NID_SIBLING_KEY:5"}));
  EXPECT_EQ(client->lastSource, nullptr);
}

// Interning, creating and releasing from several threads at once, with pooling on.
TEST_F(NotificationTest, InterningAndRecyclingAreThreadSafe) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  const char16_t* names[] = {u"NID_TEST_MT_0", u"NID_TEST_MT_1", u"NID_TEST_MT_2"};
  std::vector<std::vector<NotificationID>> seen(kThreads);
  LiveCount live;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        const char16_t* name = names[(i + t) % 3];
        RCPtr<LNotification> n = LNotification::Create(name, IntPayload::Make(i, &live));
        if (PayloadValue(n) != i)
          ADD_FAILURE() << "payload of another thread";
        if (i < 3)
          seen[t].push_back(InternNotificationID(names[i]));
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(seen[t][i], InternNotificationID(names[i]));
  EXPECT_EQ(live.value, 0);
}

} // namespace
} // namespace QZ::test
