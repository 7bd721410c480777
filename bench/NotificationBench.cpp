// Throughput of the notification queue against a plain std::mutex + std::deque
// queue, measured in the same run: worker threads post, then the main thread
// delivers everything in one idle pass. Each figure is per notification.

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/Notification/NotificationClient.h"

#include <benchmark/benchmark.h>

#include <barrier>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Posts per worker thread and pass: a burst well past the ring's first 256 slots.
constexpr int kPerThread = 20000;

class CountingClient : public QZ::LNotificationClient {
public:
  std::int32_t Receive(const QZ::RCPtr<QZ::LNotificationDistributor>&,
                       const QZ::RCPtr<QZ::LNotification>& notification) override {
    if (notification->GetID() == mID)
      ++count;
    return 0;
  }
  QZ::NotificationID mID = QZ::InternNotificationID(u"NID_BENCH_POSTED");
  std::int64_t count = 0;
};

// Worker threads made once and re-used, so that thread start-up stays out of the
// figures. Run returns the seconds from the start signal until every worker has
// posted its share.
class WorkerTeam {
public:
  explicit WorkerTeam(int threads) : mStart(threads + 1), mDone(threads + 1) {
    for (int t = 0; t < threads; ++t)
      mThreads.emplace_back([this] {
        for (;;) {
          mStart.arrive_and_wait();
          if (mStop)
            return;
          for (int i = 0; i < kPerThread; ++i)
            mJob();
          mDone.arrive_and_wait();
        }
      });
  }
  ~WorkerTeam() {
    mStop = true;
    mStart.arrive_and_wait();
    for (std::thread& thread : mThreads)
      thread.join();
  }

  double Run(const std::function<void()>& job) {
    mJob = job;
    const auto start = Clock::now();
    mStart.arrive_and_wait();
    mDone.arrive_and_wait();
    return std::chrono::duration<double>(Clock::now() - start).count();
  }

private:
  std::barrier<> mStart;
  std::barrier<> mDone;
  std::function<void()> mJob;
  bool mStop = false;
  std::vector<std::thread> mThreads;
};

void Report(benchmark::State& state, double postSeconds, double deliverSeconds, std::int64_t delivered) {
  const double items = static_cast<double>(delivered);
  state.SetItemsProcessed(delivered);
  state.counters["post_ns"] = postSeconds * 1e9 / items;
  state.counters["deliver_ns"] = deliverSeconds * 1e9 / items;
  state.counters["total_ns"] = (postSeconds + deliverSeconds) * 1e9 / items;
}

// One center for every run, so that its ring has grown to the burst size before
// the timed runs: the figures are the steady state of an application.
struct CenterBench {
  CenterBench() {
    QZ::LNotification::EnablePooling(true);
    center = QZ::GetApplicationNotificationCenter();
    client = QZ::RCPtr<CountingClient>(new CountingClient);
    client->Subscribe(center, u"NID_BENCH_POSTED");
  }
  ~CenterBench() {
    client->UnsubscribeAll();
    client = QZ::RCPtr<CountingClient>();
    center = QZ::RCPtr<QZ::LNotificationCenter>();
    QZ::LNotificationCenterManager::GetInstance() = QZ::RCPtr<QZ::LNotificationCenterManager>();
    QZ::LNotification::EnablePooling(false);
  }

  QZ::RCPtr<QZ::LNotificationCenter> center;
  QZ::RCPtr<CountingClient> client;
};

CenterBench& Bench() {
  static CenterBench bench;
  return bench;
}

void BM_NotificationCenter(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  QZ::RCPtr<QZ::LNotificationCenter> center = Bench().center;
  CountingClient& client = *Bench().client;
  const QZ::NotificationID id = QZ::InternNotificationID(u"NID_BENCH_POSTED"); // once, not per post
  auto& manager = QZ::LNotificationCenterManager::GetInstance();
  const std::int64_t before = client.count;
  WorkerTeam team(threads);

  double postSeconds = 0, deliverSeconds = 0;
  for (auto _ : state) {
    postSeconds += team.Run([&] { center->Post(QZ::LNotification::Create(id)); });
    const auto start = Clock::now();
    manager->ProcessAll(false);
    deliverSeconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  const std::int64_t delivered = client.count - before;
  if (delivered != static_cast<std::int64_t>(state.iterations()) * threads * kPerThread)
    state.SkipWithError("lost notifications");
  Report(state, postSeconds, deliverSeconds, delivered);
}

// A burst into a center made just before it: the ring grows one slot per post
// past its first 256. The time column also holds making and dropping the center;
// the counters cover posting and delivering only.
void BM_NotificationCenterFirstBurst(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const QZ::NotificationID id = QZ::InternNotificationID(u"NID_BENCH_POSTED");
  QZ::RCPtr<CountingClient> client(new CountingClient);
  std::int64_t delivered = 0;
  double postSeconds = 0, deliverSeconds = 0;
  for (auto _ : state) {
    QZ::RCPtr<QZ::LNotificationCenter> center = QZ::LNotificationCenter::Create(u"burst");
    client->Subscribe(center, u"NID_BENCH_POSTED");
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i)
      center->Post(QZ::LNotification::Create(id));
    const auto posted = Clock::now();
    center->Process(false);
    postSeconds += std::chrono::duration<double>(posted - start).count();
    deliverSeconds += std::chrono::duration<double>(Clock::now() - posted).count();
    client->UnsubscribeAll();
    delivered += count;
  }
  Report(state, postSeconds, deliverSeconds, delivered);
}

// The baseline: what a posted notification carries, in a plain locked deque.
struct PlainItem {
  QZ::NotificationID id;
  void* payload;
};

class PlainQueue {
public:
  void Post(const PlainItem& item) {
    std::lock_guard<std::mutex> lock(mMutex);
    mItems.push_back(item);
  }
  void Process(const std::function<void(const PlainItem&)>& handler) {
    std::size_t n;
    {
      std::lock_guard<std::mutex> lock(mMutex);
      n = mItems.size();
    }
    for (; n > 0; --n) {
      PlainItem item;
      {
        std::lock_guard<std::mutex> lock(mMutex);
        item = mItems.front();
        mItems.pop_front();
      }
      handler(item);
    }
  }

private:
  std::mutex mMutex;
  std::deque<PlainItem> mItems;
};

void BM_PlainDequeQueue(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  const QZ::NotificationID id = QZ::InternNotificationID(u"NID_BENCH_POSTED");
  PlainQueue queue;
  WorkerTeam team(threads);
  std::int64_t count = 0;
  const std::function<void(const PlainItem&)> handler = [&](const PlainItem& item) {
    if (item.id == id)
      ++count;
  };

  double postSeconds = 0, deliverSeconds = 0;
  for (auto _ : state) {
    postSeconds += team.Run([&] { queue.Post(PlainItem{id, nullptr}); });
    const auto start = Clock::now();
    queue.Process(handler);
    deliverSeconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  if (count != static_cast<std::int64_t>(state.iterations()) * threads * kPerThread)
    state.SkipWithError("lost items");
  Report(state, postSeconds, deliverSeconds, count);
}

BENCHMARK(BM_NotificationCenter)->Arg(1)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainDequeQueue)->Arg(1)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NotificationCenterFirstBurst)
    ->Arg(256)
    ->Arg(4096)
    ->Arg(32768)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
