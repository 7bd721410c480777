#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"

#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Utilities/Threading/Event.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

// What one client got.
struct Delivery {
  std::string client;
  const LNotification* notification;
  const LNotificationDistributor* sender;
  const LRefCountedObject* payload;
  std::thread::id thread;
};

class Recorder : public LNotificationClient {
public:
  using Hook = std::function<void(Recorder&)>;
  // Guards every log: clients may be called on the layer's worker.
  static inline std::mutex sLogLock;

  Recorder(std::string name, std::vector<Delivery>* log) : mName(std::move(name)), mLog(log) {}

  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override {
    EXPECT_EQ(notification->GetID(), InternNotificationID(kMidiDataCapturedID));
    {
      std::lock_guard<std::mutex> guard(sLogLock);
      mLog->push_back({mName, notification.GetRaw(), source.GetRaw(), notification->GetPayload().GetRaw(),
                       std::this_thread::get_id()});
    }
    if (mHook)
      mHook(*this);
    return 0;
  }

  void SetHook(Hook hook) { mHook = std::move(hook); }
  const std::string& Name() const { return mName; }

private:
  std::string mName;
  std::vector<Delivery>* mLog;
  Hook mHook; // set before the client can be called
};

// Takes a message when its first byte is the one it waits for; counts what it was asked.
class FirstByteFilter : public LIMidiFilter {
public:
  FirstByteFilter(signed char wanted, std::atomic<int>* asked = nullptr) : mWanted(wanted), mAsked(asked) {}
  bool Accept(const signed char* data, std::uint32_t count) const override {
    if (mAsked)
      ++*mAsked;
    return count > 0 && data[0] == mWanted;
  }
  RCPtr<LRefCountedObject> CreateCopy() const override { return MakeRCPtr<FirstByteFilter>(mWanted, mAsked); }
  signed char Wanted() const { return mWanted; }

private:
  signed char mWanted;
  std::atomic<int>* mAsked;
};

// A filter that cannot be copied, and one whose copies cannot be copied again.
class PlainFilter : public LIMidiFilter {
public:
  bool Accept(const signed char*, std::uint32_t) const override { return true; }
};

class CopyOnceFilter : public LIMidiFilter {
public:
  explicit CopyOnceFilter(bool copyable) : mCopyable(copyable) {}
  bool Accept(const signed char*, std::uint32_t) const override { return true; }
  RCPtr<LRefCountedObject> CreateCopy() const override {
    if (!mCopyable)
      return LRefCountedObject::CreateCopy();
    return MakeRCPtr<CopyOnceFilter>(false);
  }

private:
  bool mCopyable;
};

// A filter whose copies say when they go: the layer's copy goes with the layer.
class GoneFilter : public LIMidiFilter {
public:
  explicit GoneFilter(std::shared_ptr<std::promise<void>> gone, bool isCopy = false)
      : mGone(std::move(gone)), mIsCopy(isCopy) {}
  ~GoneFilter() override {
    if (mIsCopy)
      mGone->set_value();
  }
  bool Accept(const signed char*, std::uint32_t) const override { return true; }
  RCPtr<LRefCountedObject> CreateCopy() const override { return MakeRCPtr<GoneFilter>(mGone, true); }

private:
  std::shared_ptr<std::promise<void>> mGone; // kept until set_value has returned
  bool mIsCopy;
};

constexpr char kLogicError[] = "Logic Error : CreateCopy() not implemented for RefCountedObject : "
                               "QZ::LRefCountedObject::CreateCopy : objectbase\\RefCountedObject : Line 274";

RCPtr<LMidiCaptureNotificationData> Message(std::initializer_list<int> bytes, std::uint32_t timeStamp = 0) {
  RCPtr<LMidiCaptureNotificationData> message = LMidiCaptureNotificationData::Create(WideString(u"Keys"), nullptr);
  for (int b : bytes) {
    const signed char c = static_cast<signed char>(b);
    EXPECT_EQ(message->AppendBytes(&c, 1), S_OK);
  }
  message->SetTimeStamp(timeStamp);
  return message;
}

class MidiCommTest : public ::testing::Test {
protected:
  RCPtr<Recorder> Subscribed(const std::string& name) {
    RCPtr<Recorder> client = MakeRCPtr<Recorder>(name, &mLog);
    EXPECT_NE(client->Subscribe(RCPtr<LNotificationDistributor>(mComm), kMidiDataCapturedID), nullptr);
    return client;
  }
  MidiClientKey Key(const RCPtr<Recorder>& client) { return mComm->GetClientKey(client.Get()); }
  std::vector<std::string> Clients() const {
    std::vector<std::string> names;
    for (const Delivery& d : mLog)
      names.push_back(d.client);
    return names;
  }

  RCPtr<LMidiCommInterface> mComm = LMidiComm::Create();
  std::vector<Delivery> mLog;
};

TEST_F(MidiCommTest, NobodyEverRegisteredReturnsOne) {
  EXPECT_EQ(mComm->ToString(), WideString(u"LMidiComm"));
  EXPECT_EQ(mComm->DispatchCapturedData(Message({0x90, 0x3C, 0x64})), 1);

  RCPtr<Recorder> client = Subscribed("a");
  client->UnsubscribeAll();
  EXPECT_EQ(mComm->DispatchCapturedData(Message({0x90, 0x3C, 0x64})), 0) << "the pool stays, empty";
  EXPECT_TRUE(mLog.empty());
}

TEST_F(MidiCommTest, NewestFirstThroughTheFiltersWithOneSharedNotification) {
  std::atomic<int> asked{0};
  RCPtr<Recorder> a = Subscribed("a");
  RCPtr<Recorder> b = Subscribed("b");
  RCPtr<Recorder> c = Subscribed("c");
  RCPtr<Recorder> d = Subscribed("d");
  ASSERT_EQ(mComm->SetFilter(Key(b), MakeRCPtr<FirstByteFilter>(static_cast<signed char>(0xF0), &asked)), S_OK);
  ASSERT_EQ(mComm->SetFilter(Key(d), MakeRCPtr<FirstByteFilter>(static_cast<signed char>(0x90), &asked)), S_OK);

  const RCPtr<LMidiCaptureNotificationData> note = Message({0x90, 0x3C, 0x64});
  EXPECT_EQ(mComm->DispatchCapturedData(note), 0);
  EXPECT_EQ(Clients(), (std::vector<std::string>{"d", "c", "a"})) << "b's filter wants system-exclusive only";
  EXPECT_EQ(asked.load(), 2);
  ASSERT_EQ(mLog.size(), 3u);
  for (const Delivery& delivery : mLog) {
    EXPECT_EQ(delivery.notification, mLog[0].notification) << "one notification for every client";
    EXPECT_EQ(delivery.sender, static_cast<const LNotificationDistributor*>(mComm.Get()));
    EXPECT_EQ(delivery.payload, static_cast<const LRefCountedObject*>(note.Get()));
  }

  // Nobody takes it: no notification is made at all.
  mLog.clear();
  ASSERT_EQ(mComm->SetFilter(Key(a), MakeRCPtr<FirstByteFilter>(static_cast<signed char>(0xF0))), S_OK);
  ASSERT_EQ(mComm->SetFilter(Key(c), MakeRCPtr<FirstByteFilter>(static_cast<signed char>(0xF0))), S_OK);
  EXPECT_EQ(mComm->DispatchCapturedData(Message({0xC0, 0x05})), 0);
  EXPECT_TRUE(mLog.empty());
}

TEST_F(MidiCommTest, FiltersAreKeptAndHandedOutAsCopies) {
  RCPtr<Recorder> a = Subscribed("a");
  const MidiClientKey key = Key(a);
  EXPECT_EQ(mComm->GetFilter(key), nullptr);

  const RCPtr<FirstByteFilter> first = MakeRCPtr<FirstByteFilter>(static_cast<signed char>(0x90));
  ASSERT_EQ(mComm->SetFilter(key, first), S_OK);
  ConstRCPtr<LIMidiFilter> got = mComm->GetFilter(key);
  ASSERT_NE(got, nullptr);
  EXPECT_NE(got.Get(), first.Get()) << "a copy, not the client's own object";
  EXPECT_NE(got.Get(), mComm->GetFilter(key).Get()) << "a new copy each time";

  // A second filter replaces the first; null removes the entry; null for a client without one changes nothing.
  ASSERT_EQ(mComm->SetFilter(key, MakeRCPtr<FirstByteFilter>(static_cast<signed char>(0xF0))), S_OK);
  got = mComm->GetFilter(key);
  EXPECT_EQ(dynamic_cast<const FirstByteFilter&>(*got).Wanted(), static_cast<signed char>(0xF0));
  EXPECT_EQ(mComm->SetFilter(key, nullptr), S_OK);
  EXPECT_EQ(mComm->GetFilter(key), nullptr);
  EXPECT_EQ(mComm->SetFilter(key + 8, nullptr), S_OK);
  EXPECT_EQ(mComm->GetFilter(key + 8), nullptr);

  // A filter that cannot be copied is refused with the base class's error, and changes nothing.
  ASSERT_EQ(mComm->SetFilter(key, first), S_OK);
  EXPECT_EQ(test::ThrownText<std::logic_error>([&] { mComm->SetFilter(key, MakeRCPtr<PlainFilter>()); }),
            kLogicError);
  EXPECT_EQ(dynamic_cast<const FirstByteFilter&>(*mComm->GetFilter(key)).Wanted(), static_cast<signed char>(0x90));
  // Stored as a copy that cannot be copied again: handing it out fails the same way.
  ASSERT_EQ(mComm->SetFilter(key, MakeRCPtr<CopyOnceFilter>(true)), S_OK);
  EXPECT_EQ(test::ThrownText<std::logic_error>([&] { (void)mComm->GetFilter(key); }), kLogicError);
  EXPECT_EQ(mComm->DispatchCapturedData(Message({0xF8})), 0) << "the filter lock was given back";
  EXPECT_EQ(mLog.size(), 1u);
}

TEST_F(MidiCommTest, ClientsThatLeaveDuringTheWalk) {
  const struct {
    const char* scenario;
    const char* leaver;  // unsubscribes when called
    const char* leaving; // ... this client (itself or another)
    std::vector<std::string> called;
  } cases[] = {
      {"itself", "c", "c", {"d", "c", "b", "a"}},
      {"one below it", "d", "b", {"d", "c", "a"}},
      {"one above it", "b", "d", {"d", "c", "b", "a"}},
      {"the newest, itself", "d", "d", {"d", "c", "b", "a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    mLog.clear();
    std::map<std::string, RCPtr<Recorder>> clients;
    for (const char* name : {"a", "b", "c", "d"})
      clients[name] = Subscribed(name);
    const RCPtr<Recorder> leaving = clients[c.leaving];
    const RCPtr<LNotificationDistributor> comm(mComm);
    clients[c.leaver]->SetHook([&](Recorder&) { leaving->Unsubscribe(comm, kMidiDataCapturedID); });
    EXPECT_EQ(mComm->DispatchCapturedData(Message({0xF8})), 0);
    EXPECT_EQ(Clients(), c.called);
    for (auto& [name, client] : clients)
      client->UnsubscribeAll();
  }
}

TEST_F(MidiCommTest, CapturedMessagesReachTheClientsOnTheLayersWorkerInOrder) {
  RCPtr<Recorder> client = Subscribed("a");
  // Kept by the hook, so it outlives a Set still returning on the worker.
  auto arrived = std::make_shared<Event>(true);
  client->SetHook([arrived](Recorder&) { arrived->Set(); });
  const auto waitForLog = [&](std::size_t n) {
    for (;;) {
      {
        std::lock_guard<std::mutex> guard(Recorder::sLogLock);
        if (mLog.size() >= n)
          return true;
      }
      if (arrived->Wait(10000) != kWaitSignalled)
        return false;
    }
  };

  const RCPtr<LMidiComm> comm = DynamicCast<LMidiComm>(mComm);
  ASSERT_NE(comm, nullptr);
  constexpr std::uint32_t kMessages = 20;
  std::vector<RCPtr<LMidiCaptureNotificationData>> messages;
  for (std::uint32_t i = 0; i < kMessages; ++i) {
    messages.push_back(Message({0x90, 0x3C, 0x64}, i));
    comm->GetThreadPool()->Execute(comm, messages.back(), LMidiComm::kDeliveryPriority);
  }
  ASSERT_TRUE(waitForLog(kMessages));
  {
    std::lock_guard<std::mutex> guard(Recorder::sLogLock);
    for (std::uint32_t i = 0; i < kMessages; ++i) {
      EXPECT_EQ(mLog[i].payload, static_cast<const LRefCountedObject*>(messages[i].Get())) << "in order";
      EXPECT_NE(mLog[i].thread, std::this_thread::get_id());
      EXPECT_EQ(mLog[i].thread, mLog[0].thread) << "one worker";
    }
  }

  // A job whose params are no captured message still reaches the clients, with no payload.
  comm->GetThreadPool()->Execute(comm, RCPtr<LRefCountedObject>(), LMidiComm::kDeliveryPriority);
  ASSERT_TRUE(waitForLog(kMessages + 1));
  std::lock_guard<std::mutex> guard(Recorder::sLogLock);
  EXPECT_EQ(mLog.back().payload, nullptr);
}

// The last reference goes with a delivery job on the pool's own worker: the layer ends there, without waiting
// for the thread it runs on.
TEST_F(MidiCommTest, ReleasedOnItsOwnWorker) {
  auto gone = std::make_shared<std::promise<void>>();
  std::future<void> goneFuture = gone->get_future();
  std::promise<void> released;
  std::shared_future<void> releasedFuture = released.get_future().share();

  RCPtr<Recorder> client = Subscribed("a");
  ASSERT_EQ(mComm->SetFilter(Key(client), MakeRCPtr<GoneFilter>(gone)), S_OK);
  client->SetHook([releasedFuture](Recorder& self) {
    releasedFuture.wait(); // the test has let go of the layer
    self.UnsubscribeAll();
  });
  {
    const RCPtr<LMidiComm> comm = DynamicCast<LMidiComm>(mComm);
    comm->GetThreadPool()->Execute(comm, Message({0xF8}), LMidiComm::kDeliveryPriority);
  }
  mComm = nullptr;
  released.set_value();
  // Only the job holds the layer now; it ends on the worker, which the pool's shutdown must not wait for.
  ASSERT_EQ(goneFuture.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  std::lock_guard<std::mutex> guard(Recorder::sLogLock);
  EXPECT_EQ(mLog.size(), 1u);
}

TEST(LMidiCaptureNotificationData, HoldsItsBytesAndComesFromOneSharedPool) {
  LMidiComm* source = nullptr;
  RCPtr<LMidiCaptureNotificationData> message =
      LMidiCaptureNotificationData::Create(WideString(u"Keys (2)"), source);
  EXPECT_EQ(message->GetPortName(), WideString(u"Keys (2)"));
  EXPECT_EQ(message->GetTimeStamp(), 0u);
  std::vector<signed char> bytes(300);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<signed char>(i);
  ASSERT_EQ(message->AppendBytes(bytes.data(), 3), S_OK);
  ASSERT_EQ(message->AppendBytes(bytes.data() + 3, 297), S_OK) << "past the inline four";
  ASSERT_EQ(message->GetBytes().GetCount(), 300u);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), message->GetBytes().GetData()));

  // A freed record is the next one handed out.
  const void* record = message.Get();
  message = nullptr;
  message = LMidiCaptureNotificationData::Create(WideString(u"Keys"), nullptr);
  EXPECT_EQ(static_cast<const void*>(message.Get()), record);
  EXPECT_EQ(message->GetBytes().GetCount(), 0u);

  // Made on some threads and dropped on others, as the capture and delivery threads do.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      std::vector<RCPtr<LMidiCaptureNotificationData>> held;
      for (int i = 0; i < 500; ++i) {
        held.push_back(LMidiCaptureNotificationData::Create(WideString(u"Keys"), nullptr));
        const signed char status = static_cast<signed char>(0xF8);
        EXPECT_EQ(held.back()->AppendBytes(&status, 1), S_OK);
        if (held.size() > 8)
          held.erase(held.begin());
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
}

} // namespace
} // namespace QZ
