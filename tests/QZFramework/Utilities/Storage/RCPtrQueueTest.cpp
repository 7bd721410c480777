#include "QZFramework/Utilities/Storage/RCPtrQueue.h"
#include "QZFramework/Utilities/Storage/Wrapper.h"
#include "QZFramework/Utilities/Threading/Mutex.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

class QueueItem : public virtual LRefCountedObject {
public:
  explicit QueueItem(int id) : mId(id) {}
  const int mId;
};

struct QueuedRecord {
  int mValue;
};

} // namespace
} // namespace QZ

QZ_TYPE_NAME(QZ::QueueItem, "class QZ::QueueItem")
QZ_TYPE_NAME(QZ::QueuedRecord, "struct QZ::QueuedRecord")

namespace QZ {
namespace {

using ItemQueue = RCPtrQueue<QueueItem, 256, Mutex>;

RCPtr<QueueItem> Item(int id) { return RCPtr<QueueItem>(new QueueItem(id)); }

std::vector<int> DrainIds(ItemQueue& queue) {
  std::vector<int> ids;
  for (std::uint32_t n = queue.GetCount(); n > 0; --n)
    ids.push_back(queue.Dequeue()->mId);
  return ids;
}

// 4 slots: a, b, c; a out; d fills the ring with its items wrapped (read 1,
// write 0); e makes it grow at the read index.
TEST(RCPtrQueueTest, GrowingAWrappedRingKeepsTheOrder) {
  Mutex lock;
  ItemQueue queue(&lock, 4);
  for (int id : {1, 2, 3})
    EXPECT_EQ(S_OK, queue.Enqueue(Item(id)));
  EXPECT_EQ(1, queue.Dequeue()->mId);
  queue.Enqueue(Item(4));
  EXPECT_EQ(3u, queue.GetCount());
  queue.Enqueue(Item(5));
  EXPECT_EQ(4u, queue.GetCount());
  EXPECT_EQ((std::vector<int>{2, 3, 4, 5}), DrainIds(queue));
}

TEST(RCPtrQueueTest, GrowingAnUnwrappedRingKeepsTheOrder) {
  ItemQueue queue(nullptr);
  std::vector<int> expected;
  for (int id = 1; id <= 256; ++id) {
    queue.Enqueue(Item(id));
    expected.push_back(id);
  }
  EXPECT_EQ(256u, queue.GetCount());
  EXPECT_EQ(expected, DrainIds(queue));
}

TEST(RCPtrQueueTest, AQueueWithoutSlotsGetsThemAtTheFirstEnqueue) {
  ItemQueue queue(nullptr, 0);
  EXPECT_EQ(0u, queue.GetCount());
  queue.Enqueue(Item(1));
  queue.Enqueue(Item(2));
  EXPECT_EQ((std::vector<int>{1, 2}), DrainIds(queue));
}

// Any mix of enqueues and dequeues, across many growths, behaves as a FIFO.
TEST(RCPtrQueueTest, CountAndOrderFollowEnqueuesAndDequeues) {
  ItemQueue queue(nullptr, 3);
  std::deque<int> model;
  int next = 0;
  const int bursts[][2] = {{2, 1}, {5, 3}, {1, 1}, {9, 2}, {4, 10}, {7, 0}, {3, 6}, {12, 12}};
  for (const auto& burst : bursts) {
    for (int i = 0; i < burst[0]; ++i) {
      queue.Enqueue(Item(next));
      model.push_back(next++);
    }
    for (int i = 0; i < burst[1]; ++i) {
      ASSERT_EQ(model.front(), queue.Dequeue()->mId);
      model.pop_front();
    }
    ASSERT_EQ(model.size(), queue.GetCount());
  }
}

TEST(RCPtrQueueTest, TheQueueHoldsOneReferencePerItemUntilDequeued) {
  RCPtr<QueueItem> kept = Item(1);
  {
    ItemQueue queue(nullptr, 4);
    queue.Enqueue(kept);
    queue.Enqueue(kept);
    EXPECT_EQ(3, kept->GetRefCount());
    RCPtr<QueueItem> out = queue.Dequeue();
    EXPECT_EQ(3, kept->GetRefCount()) << "kept, out and the remaining slot";
  }
  EXPECT_EQ(1, kept->GetRefCount());
}

TEST(RCPtrQueueTest, DequeueOnAnEmptyQueueThrowsAndChangesNothing) {
  Mutex lock;
  ItemQueue queue(&lock, 4);
  queue.Enqueue(Item(1));
  queue.Dequeue();
  try {
    queue.Dequeue();
    FAIL() << "nothing thrown";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ("Runtime Error : QZ::RCPtrQueue<class QZ::QueueItem,256,class QZ::Mutex>::Dequeue : "
                 "utilities\\Storage/RCPtrQueue : Line 110",
                 e.what());
  }
  EXPECT_EQ(0u, queue.GetCount());
  queue.Enqueue(Item(2));
  EXPECT_EQ((std::vector<int>{2}), DrainIds(queue));

  RCPtrQueue<LWrapper<QueuedRecord>, 256, Mutex> packets(&lock);
  try {
    packets.Dequeue();
    FAIL() << "nothing thrown";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ("Runtime Error : QZ::RCPtrQueue<class QZ::LWrapper<struct QZ::QueuedRecord,"
                 "class QZ::LRefCountedObject>,256,class QZ::Mutex>::Dequeue : utilities\\Storage/RCPtrQueue : "
                 "Line 110",
                 e.what());
  }
}

// Several producers, one consumer that dequeues at most what GetCount reports.
TEST(RCPtrQueueTest, ProducersOnSeveralThreadsAndOneConsumer) {
  constexpr int kProducers = 4;
  constexpr int kItemsEach = 2000;
  Mutex lock;
  ItemQueue queue(&lock, 2);

  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p)
    producers.emplace_back([&queue, p] {
      for (int i = 0; i < kItemsEach; ++i)
        queue.Enqueue(Item(p * kItemsEach + i));
    });

  std::vector<int> lastSeen(kProducers, -1);
  int received = 0;
  bool ordered = true;
  while (received < kProducers * kItemsEach) {
    std::uint32_t n = queue.GetCount();
    if (n == 0) {
      std::this_thread::yield();
      continue;
    }
    for (; n > 0; --n, ++received) {
      const int id = queue.Dequeue()->mId;
      const int producer = id / kItemsEach;
      ordered = ordered && id % kItemsEach == lastSeen[producer] + 1;
      lastSeen[producer] = id % kItemsEach;
    }
  }
  for (auto& producer : producers)
    producer.join();

  EXPECT_TRUE(ordered) << "each producer's items arrive in the order it sent them";
  EXPECT_EQ(std::vector<int>(kProducers, kItemsEach - 1), lastSeen);
  EXPECT_EQ(0u, queue.GetCount());
}

} // namespace
} // namespace QZ
