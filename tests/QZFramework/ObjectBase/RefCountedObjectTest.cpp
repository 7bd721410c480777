#include "QZFramework/ObjectBase/RefCountedObject.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace QZ {
namespace {

// Counts its own deletions; may hold another object or hand out inner references.
class Probe : public virtual LRefCountedObject {
public:
  explicit Probe(int* deleted = nullptr) : mDeleted(deleted) {}
  ~Probe() override {
    if (mDeleted)
      ++*mDeleted;
  }
  RCPtr<Probe> mHeld;

private:
  int* mDeleted;
};

class OtherProbe : public virtual LRefCountedObject {};

// Copyable: the only kind of object that can be unshareable in practice.
class CopyableProbe : public virtual LRefCountedObject {
public:
  int mValue = 0;
  RCPtr<LRefCountedObject> CreateCopy() const override {
    auto* copy = new CopyableProbe;
    copy->mValue = mValue;
    return RCPtr<LRefCountedObject>(copy);
  }
};

// Stands for a class whose copy comes back as the wrong type.
class FakeEvent : public virtual LRefCountedObject {
public:
  RCPtr<LRefCountedObject> CreateCopy() const override { return RCPtr<LRefCountedObject>(new OtherProbe); }
};

// Holds `inner` references to itself, given back by ReleaseInnerReferences.
class CycleProbe : public virtual LRefCountedObject {
public:
  CycleProbe(int inner, std::atomic<int>* innerReleases, std::atomic<int>* deleted)
      : mInnerReleases(innerReleases), mDeleted(deleted) {
    for (int i = 0; i < inner; ++i) {
      mSelf.emplace_back(this);
      AddInnerReferences(1);
    }
  }
  ~CycleProbe() override { ++*mDeleted; }
  QZRESULT ReleaseInnerReferences() override {
    ++*mInnerReleases;
    std::vector<RCPtr<CycleProbe>> self;
    self.swap(mSelf);
    AddInnerReferences(-static_cast<int>(self.size()));
    return S_OK; // `self` gives the references back on the way out
  }

private:
  std::vector<RCPtr<CycleProbe>> mSelf;
  std::atomic<int>* mInnerReleases;
  std::atomic<int>* mDeleted;
};

} // namespace
} // namespace QZ

QZ_TYPE_NAME(QZ::FakeEvent, "class QZ::LEvent")

namespace QZ {
namespace {

TEST(RefCountedObject, CountsOwnersFromZeroAndDeletesWithTheLast) {
  int deleted = 0;
  auto* raw = new Probe(&deleted);
  EXPECT_EQ(raw->GetRefCount(), 0);
  {
    RCPtr<Probe> p(raw);
    EXPECT_EQ(raw->GetRefCount(), 1);
    RCPtr<Probe> q = p;
    EXPECT_EQ(raw->GetRefCount(), 2);
    q = p; // same pointer: no count changes
    EXPECT_EQ(raw->GetRefCount(), 2);
    ConstRCPtr<LRefCountedObject> base = p; // derived to virtual base
    EXPECT_EQ(raw->GetRefCount(), 3);
  }
  EXPECT_EQ(deleted, 1);
}

TEST(RefCountedObject, AssignmentTakesTheNewReferenceBeforeReleasingTheOld) {
  int deleted = 0;
  RCPtr<Probe> p(new Probe(&deleted));
  p->mHeld = new Probe(&deleted); // only the old object keeps the new one alive
  p = p->mHeld;
  ASSERT_TRUE(p);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(p->GetRefCount(), 1);
}

TEST(RefCountedObject, UnshareableObjectIsCopiedForASecondOwner) {
  RCPtr<CopyableProbe> owner(new CopyableProbe);
  owner->mValue = 7;
  owner->SetUnshareable(true);
  RCPtr<CopyableProbe> second = owner;
  EXPECT_NE(second.Get(), owner.Get());
  EXPECT_EQ(second->mValue, 7);
  EXPECT_EQ(second->GetRefCount(), 1);
  EXPECT_EQ(owner->GetRefCount(), 1);
  EXPECT_TRUE(second->IsShareable());

  RCPtr<LRefCountedObject> cast = owner; // converting copies follow the same rule
  EXPECT_NE(cast.Get(), static_cast<LRefCountedObject*>(owner.Get()));
  EXPECT_EQ(owner->GetRefCount(), 1);
}

TEST(RefCountedObject, FailureTexts) {
  const struct {
    const char* name;
    std::function<void()> action;
    const char* text;
  } cases[] = {
      {"copy of an unshareable object without CreateCopy",
       [] {
         RCPtr<Probe> p(new Probe);
         p->SetUnshareable(true);
         RCPtr<Probe> q = p;
       },
       "Logic Error : CreateCopy() not implemented for RefCountedObject : QZ::LRefCountedObject::CreateCopy : "
       "objectbase\\RefCountedObject : Line 274"},
      {"SetUnshareable with two owners",
       [] {
         RCPtr<Probe> p(new Probe);
         RCPtr<Probe> q = p;
         p->SetUnshareable(true);
       },
       "Runtime Error : QZ::LRefCountedObject::SetUnshareable : ObjectBase\\RefCountedObject : Line 29"},
      {"Undo",
       [] {
         RCPtr<Probe> p(new Probe);
         p->Undo();
       },
       "Logic Error : Undo() not implemented for RefCountedObject : QZ::LRefCountedObject::Undo : "
       "objectbase\\RefCountedObject : Line 156"},
      {"copy of the wrong type",
       [] {
         RCPtr<FakeEvent> p(new FakeEvent);
         p->SetUnshareable(true);
         RCPtr<FakeEvent> q = p;
       },
       "Logic Error : class QZ::LEvent : QZ::ConstRCPtr<class QZ::LEvent,class QZ::LEvent *>::Unshare : "
       "objectbase\\RefCountedObject : Line 424"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.action();
      ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
  }
}

TEST(RefCountedObject, SetUnshareableIsAllowedForASoleOwner) {
  auto* raw = new CopyableProbe;
  raw->SetUnshareable(true); // count 0
  RCPtr<CopyableProbe> p(raw);
  p->SetUnshareable(true); // count 1
  EXPECT_FALSE(p->IsShareable());
  RCPtr<CopyableProbe> q = p;
  p->SetUnshareable(false);
  EXPECT_TRUE(p->IsShareable());
}

TEST(RefCountedObject, LastOutsideReleaseGivesInnerReferencesBackOnce) {
  std::atomic<int> innerReleases{0}, deleted{0};
  auto* raw = new CycleProbe(2, &innerReleases, &deleted);
  {
    RCPtr<CycleProbe> outside(raw);
    EXPECT_EQ(raw->GetRefCount(), 3);
    EXPECT_EQ(raw->GetInnerRefCount(), 2);
  }
  EXPECT_EQ(innerReleases, 1);
  EXPECT_EQ(deleted, 1);
}

TEST(RefCountedObject, DefaultInnerReleaseLeavesTheInnerReferences) {
  int deleted = 0;
  auto* raw = new Probe(&deleted);
  RCPtr<Probe> a(raw), b(raw), c(raw);
  raw->AddInnerReferences(2);
  EXPECT_EQ(raw->ReleaseInnerReferences(), E_FAIL);
  a = nullptr;
  EXPECT_EQ(raw->GetRefCount(), 2);
  // Not the last outside reference any more: plain decrements.
  raw->AddInnerReferences(-2);
  b = nullptr;
  EXPECT_EQ(raw->GetRefCount(), 1);
  EXPECT_EQ(raw->ReleaseInnerReferences(), S_OK);
  c = nullptr;
  EXPECT_EQ(deleted, 1);
}

TEST(RefCountedObject, ConcurrentReleaseOfTheLastTwoOutsideReferences) {
  // Two threads dropping the last two outside owners at once must still let the
  // object give back its inner references and be deleted.
  constexpr int kRounds = 10000;
  std::atomic<int> innerReleases{0}, deleted{0};
  RCPtr<CycleProbe>* owners[2] = {};
  std::atomic<int> round{-1}; // published by the main thread
  std::atomic<int> dropped{0};
  auto drop = [&](int i) {
    for (int r = 0; r < kRounds; ++r) {
      while (round.load() < r)
        std::this_thread::yield();
      delete owners[i];
      ++dropped;
    }
  };
  std::thread t1(drop, 0), t2(drop, 1);
  int failedRound = -1;
  for (int r = 0; r < kRounds; ++r) {
    auto* raw = new CycleProbe(1, &innerReleases, &deleted);
    owners[0] = new RCPtr<CycleProbe>(raw);
    owners[1] = new RCPtr<CycleProbe>(raw);
    round.store(r);
    while (dropped.load() < 2 * (r + 1))
      std::this_thread::yield();
    if (failedRound < 0 && (deleted != r + 1 || innerReleases != r + 1))
      failedRound = r;
  }
  t1.join();
  t2.join();
  EXPECT_EQ(failedRound, -1) << "deleted " << deleted << ", inner releases " << innerReleases;
}

TEST(RefCountedObject, FailedCopyOnAssignmentLeavesTheTargetAndCountsIntact) {
  int deleted = 0;
  auto* unshareable = new Probe(&deleted);
  RCPtr<Probe> owner(unshareable);
  owner->SetUnshareable(true);
  RCPtr<Probe> target(new Probe(&deleted));
  Probe* before = target.Get();
  EXPECT_THROW(target = owner, std::logic_error);
  EXPECT_EQ(target.Get(), before);
  EXPECT_EQ(before->GetRefCount(), 1);
  EXPECT_EQ(unshareable->GetRefCount(), 1);
  owner = nullptr;
  target = nullptr;
  EXPECT_EQ(deleted, 2);
}

TEST(RefCountedObject, CastsGiveNullOnMismatchAndTouchNoCount) {
  RCPtr<Probe> probe(new Probe);
  RCPtr<LRefCountedObject> base = probe;
  EXPECT_EQ(probe->GetRefCount(), 2);
  EXPECT_TRUE(DynamicCast<OtherProbe>(base).IsNull());
  EXPECT_TRUE(DynamicCast<Probe>(RCPtr<LRefCountedObject>()).IsNull());
  EXPECT_EQ(probe->GetRefCount(), 2);
  RCPtr<Probe> back = DynamicCast<Probe>(base);
  EXPECT_EQ(back.Get(), probe.Get());
  ConstRCPtr<Probe> constBack = ConstDynamicCast<Probe>(base);
  EXPECT_EQ(constBack.Get(), probe.Get());
  EXPECT_EQ(probe->GetRefCount(), 4);
  EXPECT_TRUE(RCPtr<Probe>::sNull.IsNull());
}

TEST(RefCountedObject, MovesHandTheReferenceOverWithoutCounting) {
  int deleted = 0;
  RCPtr<Probe> p = MakeRCPtr<Probe>(&deleted);
  Probe* raw = p.Get();
  EXPECT_EQ(raw->GetRefCount(), 1);

  RCPtr<Probe> moved(std::move(p));
  EXPECT_TRUE(p.IsNull());
  EXPECT_EQ(raw->GetRefCount(), 1);

  ConstRCPtr<LRefCountedObject> base(std::move(moved)); // to a base, still one reference
  EXPECT_TRUE(moved.IsNull());
  EXPECT_EQ(raw->GetRefCount(), 1);

  // A move assignment releases what the target held, after taking the new pointee.
  int otherDeleted = 0;
  RCPtr<Probe> target = MakeRCPtr<Probe>(&otherDeleted);
  RCPtr<Probe> source(raw);
  EXPECT_EQ(raw->GetRefCount(), 2);
  target = std::move(source);
  EXPECT_EQ(otherDeleted, 1);
  EXPECT_EQ(raw->GetRefCount(), 2);

  target = std::move(target); // onto itself: nothing changes
  EXPECT_EQ(target.Get(), raw);
  EXPECT_EQ(raw->GetRefCount(), 2);

  base = ConstRCPtr<LRefCountedObject>();
  target = RCPtr<Probe>();
  EXPECT_EQ(deleted, 1);
}

} // namespace
} // namespace QZ
