#include "QZFramework/ControlBase/InputParams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) {
  const NarrowString narrow = text.ToNarrow();
  return std::string(narrow.GetChars(), narrow.GetLength());
}

TEST(InputParams, FactoriesFillEveryField) {
  const auto button = LMouseButtonParam::Create(kMouseButtonRight, {-3, 4}, kModifierShift, 1,
                                                kMouseButtonLeft | kMouseButtonRight, 2);
  EXPECT_EQ(button->mButton, kMouseButtonRight);
  EXPECT_EQ(button->mPoint, (PointT<std::int32_t>{-3, 4}));
  EXPECT_EQ(button->mModifiers, kModifierShift);
  EXPECT_EQ(button->mDoubleClick, 1u);
  EXPECT_EQ(button->mButtonState, kMouseButtonLeft | kMouseButtonRight);
  EXPECT_EQ(button->mPointerIndex, 2);

  const auto wheel = LMouseWheelParam::Create({5, 6}, kModifierAlt, kWheelRight);
  EXPECT_EQ(wheel->mDirection, kWheelRight);
  EXPECT_EQ(wheel->mPointerIndex, 0);

  const KeyCode key(0x41, true, 1, kModifierCtrl | kModifierRightCtrl);
  const auto keyParam = LKeyParam::Create(key, 1);
  EXPECT_EQ(keyParam->mKey.Bits(), key.Bits());
  EXPECT_EQ(keyParam->mKey.mSideMask, kSideRightCtrl);
  EXPECT_EQ(keyParam->mKey.mRepeat, 1u);
  EXPECT_EQ(keyParam->mValue, 1);
  EXPECT_EQ(keyParam->mVisited.GetCount(), 0u);

  // No handler has answered a sibling key yet.
  const auto sibling = LSiblingKeyParam::Create(key, RCPtr<LControl>());
  EXPECT_EQ(sibling->mKey.Bits(), key.Bits());
  EXPECT_FALSE(sibling->mSource);
  EXPECT_EQ(sibling->mResult, LSiblingKeyParam::kNoResult);
}

TEST(InputParams, Texts) {
  struct Case {
    RCPtr<LRefCountedObject> record;
    const char* text;
  };
  const Case cases[] = {
      {MakeRCPtr<LPointParam>(PointT<std::int32_t>{-1, 2}), "point(-1, 2)"},
      {LPointWithModifiersParam::Create({3, 4}, kModifierCtrl | kModifierAlt, 0),
       "point(3, 4)  modifiers: 0x00000041"},
      {LMouseButtonParam::Create(kMouseButtonLeft, {0, 0}, 0, 0, 0, 0), "point(0, 0)  modifiers: 0x00000000"},
      {LMouseWheelParam::Create({3, 4}, kModifierCtrl, kWheelUp),
       "point(3, 4)  modifiers: 0x00000001  direction: up"},
      {LMouseWheelParam::Create({3, 4}, 0, kWheelDown), "point(3, 4)  modifiers: 0x00000000  direction: down"},
      {LMouseWheelParam::Create({3, 4}, 0, kWheelLeft), "point(3, 4)  modifiers: 0x00000000  direction: up"},
      {LKeyParam::Create(KeyCode::Parse(WideString(u"Ctrl+VKEY_C")), 1), "Ctrl+VKEY_C"},
      {LKeyParam::Create(KeyCode(u'a', kModifierAlt), 0), "Alt+[97]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Narrow(c.record->ToString()), c.text);
  }
}

// Mouse records are recycled: a record made after one is dropped takes its place.
TEST(InputParams, MouseRecordsComeFromPools) {
  const void* address = nullptr;
  {
    const auto first = LPointWithModifiersParam::Create({1, 1}, 0, 0);
    address = first.Get();
  }
  const auto second = LPointWithModifiersParam::Create({2, 2}, 0, 0);
  EXPECT_EQ(static_cast<const void*>(second.Get()), address);
  EXPECT_EQ(second->mPoint, (PointT<std::int32_t>{2, 2}));

  // Many live records at once, beyond one block, all distinct.
  std::vector<RCPtr<LMouseButtonParam>> live;
  for (int i = 0; i < 100; ++i)
    live.push_back(LMouseButtonParam::Create(kMouseButtonLeft, {i, -i}, 0, 0, 0, 0));
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(live[static_cast<std::size_t>(i)]->mPoint.x, i);
}

} // namespace
} // namespace QZ
