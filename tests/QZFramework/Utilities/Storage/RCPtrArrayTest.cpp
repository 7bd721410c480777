#include "QZFramework/Utilities/Storage/RCPtrArray.h"

#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace QZ {
namespace {

// Logs its id when destroyed; copies (for unsharing) get id + 100.
class ArrayProbe : public virtual LRefCountedObject {
public:
  ArrayProbe(int id, std::vector<int>* log) : mId(id), mLog(log) {}
  ~ArrayProbe() override { mLog->push_back(mId); }
  RCPtr<LRefCountedObject> CreateCopy() const override {
    return RCPtr<LRefCountedObject>(new ArrayProbe(mId + 100, mLog));
  }
  int mId;

private:
  std::vector<int>* mLog;
};

} // namespace
} // namespace QZ

QZ_TYPE_NAME(QZ::ArrayProbe, "class QZ::ArrayProbe")

namespace QZ {
namespace {

using ProbeArray = RCPtrArray<ArrayProbe>;

class RCPtrArrayTest : public ::testing::Test {
protected:
  RCPtr<ArrayProbe> Make(int id) { return RCPtr<ArrayProbe>(new ArrayProbe(id, &mLog)); }

  // Ids of the slots, 0 for null.
  template <class A>
  static std::vector<int> Ids(const A& array) {
    std::vector<int> ids;
    for (std::uint32_t i = 0; i < array.GetCount(); ++i)
      ids.push_back(array.GetAt(i) ? array.GetAt(i)->mId : 0);
    return ids;
  }

  std::vector<int> mLog; // before the arrays, so it outlives them
};

std::string CaughtText(const std::function<void()>& action) { return test::ThrownText<std::out_of_range>(action); }

TEST_F(RCPtrArrayTest, ConstructionMakesNullSlots) {
  ProbeArray empty;
  EXPECT_EQ(0u, empty.GetCount());
  EXPECT_EQ(nullptr, empty.GetData());

  ProbeArray three(3, 0);
  EXPECT_EQ((std::vector<int>{0, 0, 0}), Ids(three));

  RCPtrArray<ArrayProbe, 256, 256> reserved(256, 256);
  EXPECT_EQ(256u, reserved.GetCount());
  EXPECT_TRUE(reserved.GetAt(255).IsNull());
}

TEST_F(RCPtrArrayTest, AddItemTakesOneReference) {
  RCPtr<ArrayProbe> a = Make(1);
  ProbeArray array;
  EXPECT_EQ(0, array.AddItem(a));
  EXPECT_EQ(2, a->GetRefCount());
  EXPECT_EQ(1, array.AddItem(nullptr));
  EXPECT_EQ((std::vector<int>{1, 0}), Ids(array));
  EXPECT_EQ(2, array.InsertItem(2, Make(2)));
  EXPECT_EQ(E_INVALIDARG, array.InsertItem(4, a));
  EXPECT_EQ(2, a->GetRefCount());
}

// The item inserted may be one of the array's own slots, whose storage moves.
TEST_F(RCPtrArrayTest, InsertingAnOwnSlotKeepsItsObject) {
  ProbeArray array;
  array.AddItem(Make(1));
  array.AddItem(Make(2));
  array.InsertItem(0, array.GetAt(1));
  EXPECT_EQ((std::vector<int>{2, 1, 2}), Ids(array));
  EXPECT_EQ(2, array.GetAt(0)->GetRefCount());
}

TEST_F(RCPtrArrayTest, RemoveItemMovesTheReferenceOut) {
  RCPtr<ArrayProbe> a = Make(1);
  RCPtr<ArrayProbe> old = Make(9);
  ProbeArray array;
  array.AddItem(a);
  array.AddItem(Make(2));

  RCPtr<ArrayProbe> out = old;
  old = nullptr;
  EXPECT_EQ(1, array.RemoveItem(0, out));
  EXPECT_EQ(a.Get(), out.Get());
  EXPECT_EQ(2, a->GetRefCount()); // a and out: the array's reference moved, none was added
  EXPECT_EQ((std::vector<int>{9}), mLog) << "what out held is released";
  EXPECT_EQ((std::vector<int>{2}), Ids(array));

  ConstRCPtr<ArrayProbe> constOut;
  EXPECT_EQ(0, array.RemoveItem(0, constOut));
  EXPECT_EQ(2, constOut->mId);
  EXPECT_EQ(1, constOut->GetRefCount());
}

// Moving is no copy: an unshareable element comes out as itself.
TEST_F(RCPtrArrayTest, RemovingAnUnshareableElementHandsOverTheObject) {
  ProbeArray array;
  array.AddItem(Make(1));
  ArrayProbe* raw = array.GetAt(0).Get();
  raw->SetUnshareable(true);
  RCPtr<ArrayProbe> out;
  array.RemoveLastItem(out);
  EXPECT_EQ(raw, out.Get());
  EXPECT_EQ(1, out->GetRefCount());
  EXPECT_TRUE(mLog.empty());
}

TEST_F(RCPtrArrayTest, RemoveItemOutsideTheBoundsThrowsWithTheViewsText) {
  RCPtrArray<ArrayProbe, 16, 16> array;
  array.AddItem(Make(1));
  array.AddItem(Make(2));
  RCPtr<ArrayProbe> out = Make(3);

  EXPECT_EQ("Out of Range : QZ::RCPtrArray<class QZ::ArrayProbe,16,16>::RemoveItem : "
            "utilities\\Storage/RCPtrArray : Line 175",
            CaughtText([&] { array.RemoveItem(2, out); }));
  ConstRCPtr<ArrayProbe> constOut;
  ConstRCPtrArray<ArrayProbe, 16, 16>& constView = array;
  EXPECT_EQ("Out of Range : QZ::ConstRCPtrArray<class QZ::ArrayProbe,16,16>::RemoveItem : "
            "utilities\\Storage/ConstRCPtrArray : Line 217",
            CaughtText([&] { constView.RemoveItem(2, constOut); }));

  EXPECT_EQ((std::vector<int>{1, 2}), Ids(array));
  EXPECT_EQ(3, out->mId) << "the out item is untouched";
  EXPECT_TRUE(mLog.empty());
}

TEST_F(RCPtrArrayTest, RemoveItemsPastTheEndRemovesToTheEndThenThrows) {
  ProbeArray array;
  for (int id = 1; id <= 3; ++id)
    array.AddItem(Make(id));

  EXPECT_EQ("Out of Range : QZ::ConstRCPtrArray<class QZ::ArrayProbe,1,0>::RemoveItem : "
            "utilities\\Storage/ConstRCPtrArray : Line 217",
            CaughtText([&] { array.RemoveItems(1, 3); }));
  EXPECT_EQ((std::vector<int>{1}), Ids(array));
  EXPECT_EQ((std::vector<int>{2, 3}), mLog);

  EXPECT_EQ(1, array.RemoveItems(5, 0));
  EXPECT_NE("nothing thrown", CaughtText([&] { array.RemoveItems(1, 1); }));
  EXPECT_EQ(0, array.RemoveItems(0, 1));
}

TEST_F(RCPtrArrayTest, RemoveItemsInsideReleasesInOrderAndKeepsTheRest) {
  ProbeArray array;
  for (int id = 1; id <= 6; ++id)
    array.AddItem(Make(id));
  EXPECT_EQ(3, array.RemoveItems(1, 3));
  EXPECT_EQ((std::vector<int>{2, 3, 4}), mLog);
  EXPECT_EQ((std::vector<int>{1, 5, 6}), Ids(array));
  EXPECT_EQ(1, array.GetAt(1)->GetRefCount());
  EXPECT_EQ(2, array.RemoveItems(0, 1));
  EXPECT_EQ((std::vector<int>{5, 6}), Ids(array));
}

// A full queue's storage: tens of thousands of slots, released first to last
// (and not by moving the rest down once per element, which took long).
TEST_F(RCPtrArrayTest, ClearingALargeArrayReleasesFirstToLast) {
  constexpr int kCount = 32768;
  std::vector<int> expected;
  {
    RCPtrArray<ArrayProbe, 256, 256> array(0, 256);
    for (int id = 1; id <= kCount; ++id) {
      array.AddItem(Make(id));
      expected.push_back(id);
    }
    EXPECT_EQ(kCount / 2, array.SetSize(kCount / 2));
    EXPECT_EQ(std::vector<int>(expected.begin() + kCount / 2, expected.end()), mLog);
    EXPECT_EQ(kCount / 2, array.GetAt(kCount / 2 - 1)->mId);
  }
  EXPECT_EQ(expected.size(), mLog.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + kCount / 2, mLog.begin() + kCount / 2));
}

TEST_F(RCPtrArrayTest, SetSizeReleasesTheTailInOrderAndGrowsWithNulls) {
  ProbeArray array;
  for (int id = 1; id <= 3; ++id)
    array.AddItem(Make(id));
  EXPECT_EQ(1, array.SetSize(1));
  EXPECT_EQ((std::vector<int>{2, 3}), mLog);
  EXPECT_EQ(3, array.SetSize(3));
  EXPECT_EQ((std::vector<int>{1, 0, 0}), Ids(array));
}

TEST_F(RCPtrArrayTest, InsertSpaceOpensNullSlots) {
  ProbeArray array;
  array.AddItem(Make(1));
  array.AddItem(Make(2));
  EXPECT_EQ(4, array.InsertSpace(1, 2));
  EXPECT_EQ((std::vector<int>{1, 0, 0, 2}), Ids(array));
  EXPECT_EQ(4, array.InsertSpace(9, 0));
  EXPECT_EQ(E_INVALIDARG, array.InsertSpace(5, 1));
  EXPECT_EQ(6, array.InsertSpace(4, 2));
  EXPECT_EQ((std::vector<int>{1, 0, 0, 2, 0, 0}), Ids(array));
  EXPECT_TRUE(mLog.empty());
}

TEST_F(RCPtrArrayTest, RemoveLastItem) {
  ProbeArray array;
  RCPtr<ArrayProbe> out = Make(9);
  EXPECT_EQ(E_FAIL, array.RemoveLastItem(out));
  EXPECT_TRUE(out.IsNull());
  EXPECT_EQ((std::vector<int>{9}), mLog);

  array.AddItem(Make(1));
  array.AddItem(Make(2));
  EXPECT_EQ(1, array.RemoveLastItem(out));
  EXPECT_EQ(2, out->mId);
  EXPECT_EQ(1, out->GetRefCount());
  EXPECT_EQ((std::vector<int>{1}), Ids(array));
}

TEST_F(RCPtrArrayTest, SwapExchangesSlotsWithoutCountChanges) {
  ProbeArray array;
  array.AddItem(Make(1));
  array.AddItem(Make(2));
  EXPECT_EQ(S_OK, array.Swap(0, 1));
  EXPECT_EQ((std::vector<int>{2, 1}), Ids(array));
  EXPECT_EQ(1, array.GetAt(0)->GetRefCount());
  EXPECT_EQ(E_INVALIDARG, array.Swap(0, 2));
  EXPECT_EQ((std::vector<int>{2, 1}), Ids(array));
}

TEST_F(RCPtrArrayTest, ClearingAndDestructionReleaseFirstToLast) {
  {
    ProbeArray array;
    for (int id = 1; id <= 3; ++id)
      array.AddItem(Make(id));
  }
  EXPECT_EQ((std::vector<int>{1, 2, 3}), mLog);

  mLog.clear();
  ProbeArray array;
  for (int id = 4; id <= 5; ++id)
    array.AddItem(Make(id));
  EXPECT_EQ(S_OK, array.RemoveAll());
  EXPECT_EQ(0u, array.GetCount());
  EXPECT_EQ((std::vector<int>{4, 5}), mLog);
}

TEST_F(RCPtrArrayTest, AnUnshareableObjectIsStoredAsItsPrivateCopy) {
  RCPtr<ArrayProbe> a = Make(1);
  a->SetUnshareable(true);
  ProbeArray array;
  array.AddItem(a);
  EXPECT_EQ(101, array.GetAt(0)->mId);
  EXPECT_EQ(1, a->GetRefCount());
  EXPECT_EQ(1, array.GetAt(0)->GetRefCount());
}

TEST_F(RCPtrArrayTest, AppendAndSetItemsCopyReferences) {
  ProbeArray source;
  source.AddItem(Make(1));
  source.AddItem(Make(2));
  ProbeArray target;
  target.AddItem(Make(3));

  EXPECT_EQ(3, target.AppendItems(source));
  EXPECT_EQ((std::vector<int>{3, 1, 2}), Ids(target));
  EXPECT_EQ(2, source.GetAt(0)->GetRefCount());

  EXPECT_EQ(2, target.SetItems(source));
  EXPECT_EQ((std::vector<int>{1, 2}), Ids(target));
  EXPECT_EQ((std::vector<int>{3}), mLog);

  const ConstRCPtrArray<ArrayProbe>& constSource = source;
  ConstRCPtrArray<ArrayProbe>& constTarget = target;
  EXPECT_EQ(4, constTarget.AppendItems(constSource));
  EXPECT_EQ(3, source.GetAt(1)->GetRefCount());
}

TEST_F(RCPtrArrayTest, WalkingTheMutableView) {
  ProbeArray array;
  for (int id = 1; id <= 3; ++id)
    array.AddItem(Make(id));
  std::vector<int> ids;
  for (auto it = array.RBegin(); !(it == array.REnd()); ++it)
    ids.push_back((*it)->mId);
  EXPECT_EQ((std::vector<int>{3, 2, 1}), ids);
}

TEST_F(RCPtrArrayTest, ATaggableArrayReleasesItsElementsWithItself) {
  RCPtr<LRCPtrArray<ArrayProbe>> array(new LRCPtrArray<ArrayProbe>(0, 0));
  array->AddItem(Make(1));
  array->mTag = Make(2);
  array = nullptr;
  EXPECT_EQ((std::vector<int>{1, 2}), mLog);
}

} // namespace
} // namespace QZ
