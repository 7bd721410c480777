#include "QZFramework/Utilities/Storage/Holder.h"
#include "QZFramework/Utilities/Storage/Pair.h"
#include "QZFramework/Utilities/Storage/TaggableObject.h"
#include "QZFramework/Utilities/Storage/Wrapper.h"
#include "QZFramework/Utilities/Storage/WrapperStringable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

struct WrappedRecord {
  int mNumber; // value-initialised by the wrapper
};

class LoggedObject : public virtual LRefCountedObject {
public:
  LoggedObject(int id, std::vector<int>* log) : mId(id), mLog(log) {}
  ~LoggedObject() override { mLog->push_back(mId); }

private:
  int mId;
  std::vector<int>* mLog;
};

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

WideString NumberKeyToString(const int& key) { return WideString(u"%d", key); }

} // namespace
} // namespace QZ

QZ_TYPE_NAME(QZ::WrappedRecord, "struct QZ::WrappedRecord")

namespace QZ {
namespace {

TEST(HolderTest, NewHolderHoldsTheValueInitialisedValue) {
  RCPtr<LHolder<bool>> flag = LHolder<bool>::Create();
  ASSERT_NE(nullptr, flag->mValue);
  EXPECT_FALSE(*flag->mValue);
  EXPECT_EQ(1, flag->GetRefCount());

  RCPtr<LHolder<unsigned int>> number = LHolder<unsigned int>::Create();
  EXPECT_EQ(0u, *number->mValue);
  *number->mValue = 7;
  RCPtr<LHolder<unsigned int>> second = number;
  EXPECT_EQ(7u, *second->mValue);
}

TEST(WrapperTest, ToStringIsTheDefaultTextWithTheWrappersTypeName) {
  RCPtr<LWrapper<WrappedRecord>> wrapper = LWrapper<WrappedRecord>::Create();
  EXPECT_EQ(1, wrapper->GetRefCount());
  EXPECT_EQ(0, wrapper->mNumber);
  EXPECT_EQ("LRefCountedObject::ToString() not overridden. Returning TypeName: "
            "class QZ::LWrapper<struct QZ::WrappedRecord,class QZ::LRefCountedObject>",
            Narrow(wrapper->ToString()));

  RCPtr<LHolder<bool>> holder = LHolder<bool>::Create();
  EXPECT_EQ("LRefCountedObject::ToString() not overridden. Returning TypeName: class QZ::LHolder<bool>",
            Narrow(holder->ToString()));
}

TEST(WrapperStringableTest, ToStringIsACopyOfTheString) {
  auto text = LWrapperStringable<WideString>::Create(WideString(u"abc"));
  WideString copy = text->ToString();
  EXPECT_EQ("abc", Narrow(copy));
  copy.AppendString(WideString(u"def"));
  EXPECT_EQ("abc", Narrow(text->ToString()));
  EXPECT_TRUE(DynamicCast<LTaggableObject>(RCPtr<LRefCountedObject>(text.Get())));
}

TEST(PairTest, ToStringIsTheKeysTextWhateverTheValue) {
  using NumberPair = LPair<int, double, NumberKeyToString>;
  RCPtr<NumberPair> a(new NumberPair(42, 1.5));
  RCPtr<NumberPair> b(new NumberPair(42, -7.0));
  EXPECT_EQ("42", Narrow(a->ToString()));
  EXPECT_EQ("42", Narrow(b->ToString()));
  EXPECT_EQ(-7.0, b->mValue);

  Pair<int, double> plain{3, 0.5};
  EXPECT_EQ(3, plain.mKey);
}

TEST(TaggableObjectTest, TheTagGoesWithTheObject) {
  std::vector<int> log;
  RCPtr<LTaggableObject> object(new LTaggableObject);
  EXPECT_TRUE(object->mTag.IsNull());
  object->SetTag(RCPtr<LRefCountedObject>(new LoggedObject(1, &log)));
  object = nullptr;
  EXPECT_EQ((std::vector<int>{1}), log);
}

// The pair's own part goes first, then the tag.
TEST(TaggableObjectTest, APairReleasesItsValueBeforeItsTag) {
  using ObjectPair = LPair<int, RCPtr<LoggedObject>, NumberKeyToString>;
  std::vector<int> log;
  RCPtr<ObjectPair> pair(new ObjectPair(5, RCPtr<LoggedObject>(new LoggedObject(1, &log))));
  pair->mTag = new LoggedObject(2, &log);
  EXPECT_TRUE(log.empty());
  pair = nullptr;
  EXPECT_EQ((std::vector<int>{1, 2}), log);
}

} // namespace
} // namespace QZ
