// A list box from the skin, made by the framework's registered classes, in a
// real window under the offscreen driver: a click selects a row and paints
// the selected look, the pointer paints the hover look, the wheel scrolls by
// one row and the rows rebind; in drop-down mode hovering selects without
// "NID_SELECTION_CHANGE" and the release on a row activates the row and hides
// the list.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/ListBoxSkin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 240;
constexpr std::int32_t kHeight = 140;

// The list at (10, 10), 200 by 100, with 18-pixel rows, in a 240 by 140 window.
std::string ListWindowSkin() {
  const std::string list = test::ScrollPart(
      "Framework.ListBox", "list", "XPositionAbs=\"10\" YPositionAbs=\"10\" XSizeAbs=\"200\" YSizeAbs=\"100\"",
      "Gray", test::ScrollViewBars() + test::ListRow("templateItem"));
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
         test::ListBoxLooks() + "<Skins><Skin Name=\"S\">" +
         test::ScrollPart("Test.Plain", "main",
                          "XPositionAbs=\"0\" YPositionAbs=\"0\" XSizeAbs=\"240\" "
                          "YSizeAbs=\"140\"",
                          "Gray", list) +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

class Counter : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) override {
    ++mCount;
    return 0;
  }
  int mCount = 0;
};

class ListBoxWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    OpenSkinWindow(ListWindowSkin(), kWidth, kHeight);
    mList = DynamicCast<LListBox>(mMain->FindChild(WideString(u"list")));
    ASSERT_TRUE(mList);
    for (int i = 0; i < 20; ++i)
      mList->InsertItem(i, LListBox::MakeTextItem(WideString(("row " + std::to_string(i)).c_str())));
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
  }
  void TearDown() override {
    for (const RCPtr<Counter>& counter : {mChanges, mActivations})
      mList->UnregisterClientFromAll(counter);
    mList = RCPtr<LListBox>();
    SkinWindowFixture::TearDown();
  }
  void Listen() {
    mList->RegisterClient(mChanges, u"NID_SELECTION_CHANGE");
    mList->RegisterClient(mActivations, u"NID_ITEM_ACTIVATED");
  }
  // The middle of row control k, in window coordinates.
  static Platform::WindowPoint Row(int k) { return {40, 10 + 18 * k + 9}; }
  void Click(const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.MovePointer(mId, at));
    ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, at));
    ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, at));
    Pump();
  }

  RCPtr<LListBox> mList;
  RCPtr<Counter> mChanges = MakeRCPtr<Counter>();
  RCPtr<Counter> mActivations = MakeRCPtr<Counter>();
};

TEST_F(ListBoxWindowTest, AClickSelectsTheWheelScrollsByARowAndTheLooksFollow) {
  Listen();
  EXPECT_GT(mList->GetRowHeight(), 5) << "measured in the row control's font";
  EXPECT_EQ(mList->GetItemControlCount(), 6);
  EXPECT_TRUE(mList->IsScrollBarShown(LScrollView::kVerticalBar));
  EXPECT_EQ(PaintAndRead(Row(2).x, Row(2).y), test::kScrollWhite) << "a plain row";

  Click(Row(2));
  EXPECT_EQ(mList->GetFocusRow(), 2);
  EXPECT_EQ(mChanges->mCount, 1);
  ASSERT_TRUE(mSimulator.MovePointer(mId, Row(4)));
  Pump();
  EXPECT_EQ(PaintAndRead(Row(2).x, Row(2).y), test::kScrollBlue) << "selected";
  EXPECT_EQ(PaintAndRead(Row(4).x, Row(4).y), test::kScrollGreen) << "under the pointer";

  // One notch down: the rows move up by one, the controls stay where they are.
  ASSERT_TRUE(mSimulator.Wheel(mId, Platform::WheelAxis::kVertical, -120, Row(4)));
  Pump();
  EXPECT_EQ(mList->GetFirstRow(), 1);
  EXPECT_EQ(mList->GetScrollOffset().y, mList->GetRowHeight() * 1.0);
  EXPECT_EQ(PaintAndRead(Row(1).x, Row(1).y), test::kScrollBlue) << "row 2 now in the second control";
  EXPECT_EQ(PaintAndRead(Row(2).x, Row(2).y), test::kScrollWhite);
  EXPECT_EQ(std::string(mList->GetItemControlAt(0)->GetText().ToNarrow().GetChars()), "row 1");

  // Down selects the next row; Enter activates.
  mList->SetFocus(true);
  mList->HandleKey(LKeyParam::Create(KeyCode(0x28, true, 0, 0), 1));
  EXPECT_EQ(mList->GetFocusRow(), 3);
  EXPECT_EQ(PaintAndRead(Row(2).x, Row(2).y), test::kScrollBlue);
  mList->HandleKey(LKeyParam::Create(KeyCode(0x0D, true, 0, 0), 1));
  EXPECT_EQ(mActivations->mCount, 1);
  EXPECT_TRUE(mList->IsVisible(false)) << "only a drop-down list hides";
}

TEST_F(ListBoxWindowTest, InDropDownModeHoverSelectsAndTheReleaseActivatesAndHides) {
  mList->SetDropDownMode(true);
  mList->SetItemCount(4);
  Listen();
  ASSERT_TRUE(mSimulator.MovePointer(mId, Row(1)));
  Pump();
  EXPECT_EQ(mList->GetFocusRow(), 1);
  EXPECT_EQ(PaintAndRead(Row(1).x, Row(1).y), test::kScrollGreen) << "selected under the pointer";
  ASSERT_TRUE(mSimulator.MovePointer(mId, Row(0)));
  Pump();
  EXPECT_EQ(mList->GetFocusRow(), 0);
  EXPECT_EQ(mChanges->mCount, 0) << "a drop-down list selects quietly";

  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, Row(0)));
  Pump();
  EXPECT_EQ(mWindow->GetRootWindow()->GetCaptureControl(), RCPtr<LControl>(mList)) << "the list holds the press";
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, Row(0)));
  Pump();
  EXPECT_EQ(mActivations->mCount, 1);
  EXPECT_FALSE(mList->IsVisible(false));
  EXPECT_EQ(mList->GetFocusRow(), 0);
  EXPECT_EQ(mChanges->mCount, 0);
}

} // namespace
} // namespace QZ
