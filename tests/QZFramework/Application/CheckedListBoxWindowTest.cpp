// Checked list boxes from the skin in a real window under the offscreen
// driver: a click on a row's check box checks the row, selects it and tells
// the listeners, and the box paints off, on and on under the pointer; scrolling
// rebinds the boxes without a check notification; a list whose look 3 holds
// three pictures shows them on its rows in turn.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Controls/CheckedListBox.h"
#include "QZFramework/Controls/CheckedListSkin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 460;
constexpr std::int32_t kHeight = 140;
constexpr int kRowHeight = 18;

// "checked" at (10, 10) and "icons" at (240, 10), each 200 by 100.
std::string CheckedWindowSkin() {
  const std::string checked =
      test::ScrollPart("Framework.CheckedListBox", "checked",
                       "XPositionAbs=\"10\" YPositionAbs=\"10\" XSizeAbs=\"200\" YSizeAbs=\"100\"", "Gray",
                       test::ScrollViewBars() + test::CheckedRow("Framework.CheckedListBoxItem", kRowHeight));
  const std::string icons =
      test::ScrollPart("Framework.ListBoxWithIcons", "icons",
                       "XPositionAbs=\"240\" YPositionAbs=\"10\" XSizeAbs=\"200\" YSizeAbs=\"100\"", "IconList",
                       test::ScrollViewBars() + test::CheckedRow("Framework.CheckedListBoxItem", kRowHeight));
  return test::CheckedSkinDocument(kWidth, kHeight, checked + icons);
}

class CheckLog : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    const RCPtr<LIndexedDataWithValueParam> param =
        DynamicCast<LIndexedDataWithValueParam>(notification->GetPayload());
    mRows.push_back(param ? param->mIndex : -100);
    mValues.push_back(param ? param->mValue : -1.0);
    return 0;
  }
  std::vector<std::int32_t> mRows;
  std::vector<double> mValues;
};

class CheckedListBoxWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    mFactory->SetResourceFolder(WideString((std::string(QZ_TESTS_DIR) + "/fixtures/Graphics/").c_str()));
    OpenSkinWindow(CheckedWindowSkin(), kWidth, kHeight);
    mList = DynamicCast<LCheckedListBox>(mMain->FindChild(WideString(u"checked")));
    mIcons = DynamicCast<LCheckedListBox>(mMain->FindChild(WideString(u"icons")));
    ASSERT_TRUE(mList);
    ASSERT_TRUE(mIcons);
    for (int i = 0; i < 20; ++i) {
      const RCPtr<LTaggableObject> item = LListBox::MakeTextItem(WideString(("row " + std::to_string(i)).c_str()));
      mList->InsertItem(i, item);
      mIcons->InsertItem(i, item);
    }
    mList->RegisterClient(mChecks, u"NID_ITEM_CHECK_CHANGE");
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    Pump();
  }
  void TearDown() override {
    mList->UnregisterClientFromAll(mChecks);
    mList = RCPtr<LCheckedListBox>();
    mIcons = RCPtr<LCheckedListBox>();
    SkinWindowFixture::TearDown();
  }
  // The middle of row control k's check box, in window coordinates.
  static Platform::WindowPoint Box(int k) { return {10 + test::kCheckBoxWidth / 2, 10 + kRowHeight * k + 9}; }
  void Click(const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.MovePointer(mId, at));
    ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, at));
    ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, at));
    Pump();
  }
  RCPtr<LBitmap> ImageOf(const RCPtr<LButton>& box, std::int32_t look) const {
    const RCPtr<LLook>& slot = box->GetLook(look);
    return slot && slot->GetImagePart() ? slot->GetImagePart()->GetImage() : RCPtr<LBitmap>();
  }

  RCPtr<LCheckedListBox> mList;
  RCPtr<LCheckedListBox> mIcons;
  RCPtr<CheckLog> mChecks = MakeRCPtr<CheckLog>();
};

TEST_F(CheckedListBoxWindowTest, AClickOnACheckBoxChecksSelectsAndTellsTheListeners) {
  EXPECT_EQ(PaintAndRead(Box(2).x, Box(2).y), test::kScrollWhite) << "look 0: off";
  Click(Box(2));
  EXPECT_TRUE(mList->IsRowChecked(2));
  EXPECT_EQ(mList->GetCheckedCount(), 1);
  EXPECT_TRUE(mList->IsRowSelected(2));
  EXPECT_EQ(mChecks->mRows, std::vector<std::int32_t>{2});
  EXPECT_EQ(mChecks->mValues, std::vector<double>{1.0});
  EXPECT_EQ(PaintAndRead(Box(2).x, Box(2).y), test::kScrollRed) << "look 8: on, under the pointer";
  ASSERT_TRUE(mSimulator.MovePointer(mId, {150, 120}));
  EXPECT_EQ(PaintAndRead(Box(2).x, Box(2).y), test::kScrollBlue) << "look 7: on";

  Click(Box(4));
  EXPECT_EQ(mList->GetCheckedCount(), 2);
  EXPECT_TRUE(mList->IsRowSelected(4));
  EXPECT_FALSE(mList->IsRowSelected(2)) << "one row at a time without multiple selection";
  Click(Box(2));
  EXPECT_FALSE(mList->IsRowChecked(2));
  EXPECT_EQ(mList->GetCheckedCount(), 1);
  EXPECT_EQ(mChecks->mRows, (std::vector<std::int32_t>{2, 4, 2}));
  EXPECT_EQ(mChecks->mValues, (std::vector<double>{1.0, 1.0, 0.0}));
  ASSERT_TRUE(mSimulator.MovePointer(mId, {150, 120}));
  EXPECT_EQ(PaintAndRead(Box(2).x, Box(2).y), test::kScrollWhite);

  EXPECT_EQ(mList->RemoveItem(4), 19);
  EXPECT_EQ(mList->GetCheckedCount(), 0);
  EXPECT_EQ(mChecks->mRows.size(), 3u) << "removing sends no check notification";
}

TEST_F(CheckedListBoxWindowTest, ScrollingRebindsTheBoxesWithoutACheckNotification) {
  mList->SetRowChecked(1, true);
  mList->SetRowChecked(3, true);
  const RCPtr<LButton> firstBox = LCheckedListBox::GetCheckBox(RCPtr<LControl>(mList->GetItemControlAt(0)));
  ASSERT_TRUE(firstBox);
  EXPECT_EQ(firstBox->GetNormalizedValue(), 0.0);
  for (const int firstRow : {1, 2, 3}) {
    SCOPED_TRACE(firstRow);
    ASSERT_TRUE(mSimulator.Wheel(mId, Platform::WheelAxis::kVertical, -120, Box(1)));
    Pump();
    ASSERT_EQ(mList->GetFirstRow(), firstRow);
    EXPECT_EQ(firstBox->GetNormalizedValue(), mList->IsRowChecked(firstRow) ? 1.0 : 0.0)
        << "the box shows its new row";
  }
  EXPECT_TRUE(mChecks->mRows.empty());
  EXPECT_EQ(mList->GetCheckedCount(), 2);

  // Row controls past the last row hide their boxes.
  mList->SetItemCount(2);
  const RCPtr<LCheckedListBoxItem> past = mList->GetCheckedItemControlAt(mList->GetItemControlCount() - 1);
  ASSERT_TRUE(past);
  EXPECT_FALSE(past->GetCheckBox()->IsVisible(false));
  EXPECT_EQ(mList->GetCheckedCount(), 1) << "recounted";
  EXPECT_TRUE(mChecks->mRows.empty());
}

TEST_F(CheckedListBoxWindowTest, RowsShowTheListsPicturesInTurn) {
  ASSERT_EQ(mIcons->GetIconCount(), 3u);
  EXPECT_EQ(mList->GetIconCount(), 0u) << "a list without look 3 has none";
  const RCPtr<LBitmap> icons[3] = {mIcons->GetRowIcon(0), mIcons->GetRowIcon(1), mIcons->GetRowIcon(2)};
  for (const RCPtr<LBitmap>& icon : icons)
    ASSERT_TRUE(icon);
  EXPECT_NE(icons[0], icons[1]);
  EXPECT_NE(icons[1], icons[2]);
  const struct { std::int32_t row, icon; } cases[] = {{0, 0}, {2, 2}, {3, 0}, {4, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    EXPECT_EQ(mIcons->GetRowIcon(c.row), icons[c.icon]);
    const std::int32_t k = mIcons->GetItemControlIndex(c.row);
    ASSERT_GE(k, 0);
    const RCPtr<LButton> box = mIcons->GetCheckedItemControlAt(k)->GetCheckBox();
    for (const std::int32_t look : {0, 7, 13})
      EXPECT_EQ(ImageOf(box, look), icons[c.icon]) << "look " << look;
  }
  EXPECT_FALSE(mIcons->GetRowIcon(20));

  // The boxes let presses through to their rows: a press selects row 4 and checks nothing.
  const Platform::WindowPoint onBox{240 + test::kCheckBoxWidth / 2, 10 + kRowHeight * 4 + 9};
  ASSERT_TRUE(mSimulator.MovePointer(mId, onBox));
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, onBox));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, onBox));
  Pump();
  EXPECT_TRUE(mIcons->IsRowSelected(4));
  EXPECT_EQ(mIcons->GetCheckedCount(), 0);
}

} // namespace
} // namespace QZ
