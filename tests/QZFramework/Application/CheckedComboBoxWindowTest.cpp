// Checked combo boxes from the skin in a real window under the offscreen
// driver: the box's looks move by seven while a row is checked, the list's
// check notifications pass through the box, the box's check box shows the
// selected row's state and icon (cycling through the list's three pictures),
// and a box whose list is a plain list box stays a plain combo box.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Controls/CheckedComboBox.h"
#include "QZFramework/Controls/CheckedListSkin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 400;
constexpr std::int32_t kHeight = 200;
constexpr int kRowHeight = 14;

// A box of that class 100 by 20 at (x, 10) with a check box at its left and a hidden list of that class under
// it, drawn and hit outside the box.
std::string Combo(const std::string& cls, const std::string& name, int x, const std::string& listClass,
                  const std::string& listLooks) {
  const std::string list =
      test::ScrollPart(listClass, "listBox",
                       "Visible=\"False\" ClipToParent=\"False\" Z_Order=\"9999\" XPositionAbs=\"0\" "
                       "YPositionRel=\"1\" XSizeToControl=\"Parent\" XSizeRel=\"1\" "
                       "XSizeAbs=\"0\" YSizeAbs=\"" +
                           std::to_string(kRowHeight) + "\"",
                       listLooks, test::CheckedRow("Framework.CheckedListBoxItem", kRowHeight));
  return test::ScrollPart(
      cls, name, "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"10\" XSizeAbs=\"100\" YSizeAbs=\"20\"",
      "BoxStates", list + test::CheckBox(20));
}

std::string ComboWindowSkin() {
  return test::CheckedSkinDocument(
      kWidth, kHeight,
      Combo("Framework.CheckedComboBox", "checked", 10, "Framework.CheckedListBox", "Gray") +
          Combo("Framework.ComboBoxWithIcons", "icons", 140, "Framework.ListBoxWithIcons", "IconList") +
          Combo("Framework.CheckedComboBox", "plain", 270, "Framework.ListBox", "Gray"));
}

// Six rows for the icon box from its string table.
std::string RowTable() {
  std::string document = "<r><StringTable ID=\"Test.Plain|icons\">";
  for (int n = 0; n < 6; ++n)
    document += "<String ID=\"ITEM.0" + std::to_string(n) + "\"><Locale LCID=\"9\">row " + std::to_string(n) +
                "</Locale></String>";
  return document + "</StringTable></r>";
}

class CheckLog : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    const RCPtr<LIndexedDataWithValueParam> param =
        DynamicCast<LIndexedDataWithValueParam>(notification->GetPayload());
    mRows.push_back(param ? param->mIndex : -100);
    return 0;
  }
  std::vector<std::int32_t> mRows;
};

class CheckedComboBoxWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    mFactory->SetResourceFolder(WideString((std::string(QZ_TESTS_DIR) + "/fixtures/Graphics/").c_str()));
    const std::string table = RowTable();
    mFactory->LoadStringTablesFromText(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(table.data()), table.size()),
        std::span<const std::uint8_t>(), 0x0409);
    OpenSkinWindow(ComboWindowSkin(), kWidth, kHeight);
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    ASSERT_TRUE(mSimulator.MovePointer(mId, {200, 190}));
    Pump();
  }
  void TearDown() override {
    for (const auto& [combo, log] : mLogs)
      combo->UnregisterClientFromAll(log);
    mLogs.clear();
    SkinWindowFixture::TearDown();
  }
  RCPtr<LCheckedComboBox> Box(const char16_t* name) const {
    return DynamicCast<LCheckedComboBox>(mMain->FindChild(WideString(name)));
  }
  RCPtr<CheckLog> Listen(const RCPtr<LControl>& control) {
    const RCPtr<CheckLog> log = MakeRCPtr<CheckLog>();
    control->RegisterClient(log, u"NID_ITEM_CHECK_CHANGE");
    mLogs.emplace_back(control, log);
    return log;
  }
  static std::int32_t ShownLook(const RCPtr<LControl>& control) {
    for (std::uint32_t i = 0; i < control->GetLookCount(); ++i)
      if (control->GetLookWeight(i) > 0.0f)
        return static_cast<std::int32_t>(i);
    return -1;
  }
  // The image of each existing look of the button (null where it has none).
  static std::vector<RCPtr<LBitmap>> Images(const RCPtr<LButton>& box) {
    std::vector<RCPtr<LBitmap>> images;
    for (std::uint32_t i = 0; i < box->GetLookCount(); ++i) {
      const RCPtr<LLook>& look = box->GetLook(static_cast<std::int32_t>(i));
      images.push_back(look && look->GetImagePart() ? look->GetImagePart()->GetImage() : RCPtr<LBitmap>());
    }
    return images;
  }

  std::vector<std::pair<RCPtr<LControl>, RCPtr<CheckLog>>> mLogs;
};

TEST_F(CheckedComboBoxWindowTest, TheLooksMoveBySevenWhileARowIsChecked) {
  const RCPtr<LCheckedComboBox> combo = Box(u"checked");
  ASSERT_TRUE(combo);
  ASSERT_TRUE(combo->GetCheckedList());
  for (const char* text : {"one", "two", "three"})
    combo->AddItem(WideString(text));
  const RCPtr<CheckLog> passed = Listen(RCPtr<LControl>(combo));
  ASSERT_EQ(Box(u"plain")->SetFocus(true), S_OK);
  EXPECT_EQ(ShownLook(RCPtr<LControl>(combo)), 0) << "closed, without focus or pointer";

  // The list's row check box, as a click would set it, while the box is closed.
  const RCPtr<LButton> rowBox = combo->GetCheckedList()->GetCheckedItemControlAt(0)->GetCheckBox();
  ASSERT_TRUE(rowBox);
  static_cast<void>(rowBox->SetValue(1.0));
  EXPECT_EQ(combo->GetCheckedList()->GetCheckedCount(), 1);
  EXPECT_EQ(ShownLook(RCPtr<LControl>(combo)), 7) << "the first check";
  EXPECT_EQ(passed->mRows, std::vector<std::int32_t>{0}) << "passed on with the list's parameter";
  static_cast<void>(rowBox->SetValue(0.0));
  EXPECT_EQ(ShownLook(RCPtr<LControl>(combo)), 0) << "the last uncheck";
  EXPECT_EQ(passed->mRows, (std::vector<std::int32_t>{0, 0}));

  // A click on a row's check box in the open list; closed again, the box keeps the focus the list had.
  ASSERT_EQ(combo->ShowDropDown(true), S_OK);
  EXPECT_EQ(ShownLook(RCPtr<LControl>(combo)), LComboBox::kLookOpen);
  const RectT<double> rowRect = combo->GetCheckedList()->GetRowRect(2);
  const PointT<double> list = combo->GetCheckedList()->GetPositionInRoot();
  const Platform::WindowPoint onBox{static_cast<int>(list.x + rowRect.x) + test::kCheckBoxWidth / 2,
                                    static_cast<int>(list.y + rowRect.y) + kRowHeight / 2};
  ASSERT_TRUE(mSimulator.MovePointer(mId, onBox));
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, onBox));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, onBox));
  Pump();
  EXPECT_TRUE(combo->GetCheckedList()->IsRowChecked(2));
  EXPECT_EQ(passed->mRows, (std::vector<std::int32_t>{0, 0, 2}));
  ASSERT_EQ(combo->ShowDropDown(false), S_OK);
  ASSERT_TRUE(mSimulator.MovePointer(mId, {200, 190}));
  Pump();
  const std::int32_t focused = LComboBox::kLookClosedFocused;
  EXPECT_EQ(ShownLook(RCPtr<LControl>(combo)), focused + LCheckedComboBox::kCheckedLookOffset);

  // Fewer rows: the checked one goes and the looks follow the count.
  EXPECT_EQ(combo->SetItemCount(2), 2);
  EXPECT_EQ(combo->GetCheckedList()->GetCheckedCount(), 0);
  EXPECT_EQ(ShownLook(RCPtr<LControl>(combo)), focused);
}

TEST_F(CheckedComboBoxWindowTest, TheCheckBoxShowsTheSelectedRowsStateAndIcon) {
  const RCPtr<LCheckedComboBox> combo = Box(u"icons");
  ASSERT_TRUE(combo);
  const RCPtr<LCheckedListBox> list = combo->GetCheckedList();
  ASSERT_TRUE(list);
  ASSERT_EQ(list->GetIconCount(), 3u);
  ASSERT_EQ(combo->GetItemCount(), 6);
  const RCPtr<LButton> box = combo->GetCheckBox();
  ASSERT_TRUE(box);
  const RCPtr<LBitmap> icons[3] = {list->GetRowIcon(0), list->GetRowIcon(1), list->GetRowIcon(2)};
  ASSERT_TRUE(icons[0] && icons[1] && icons[2]);
  EXPECT_NE(icons[0], icons[1]);
  EXPECT_FALSE(box->ContainsPoint({5, 5})) << "presses go through the check box to the box";

  const std::vector<RCPtr<LBitmap>> none(box->GetLookCount());
  auto all = [&](const RCPtr<LBitmap>& icon) { return std::vector<RCPtr<LBitmap>>(box->GetLookCount(), icon); };
  EXPECT_EQ(combo->GetSelectedIndex(), 0);
  EXPECT_EQ(Images(box), all(icons[0])) << "the start-up row's icon";

  list->SetRowChecked(4, true);
  const struct {
    std::int32_t index;
    std::int32_t selected;
    double value; // the check box's afterwards
    std::vector<RCPtr<LBitmap>> images;
  } cases[] = {
      {4, 4, 1.0, all(icons[1])}, // row 4 of 3 pictures shows picture 1
      {2, 2, 0.0, all(icons[2])}, {4, 4, 1.0, all(icons[1])},
      {9, -1, 1.0, none}, // past the end: no icon, the value as it was
      {-1, -1, 1.0, none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(combo->SetSelectedIndex(c.index), c.selected);
    EXPECT_EQ(box->GetNormalizedValue(), c.value);
    EXPECT_EQ(Images(box), c.images);
  }
}

TEST_F(CheckedComboBoxWindowTest, APlainListLeavesAPlainComboBox) {
  const RCPtr<LCheckedComboBox> combo = Box(u"plain");
  ASSERT_TRUE(combo) << "the create function keeps the box";
  EXPECT_FALSE(combo->GetCheckedList());
  ASSERT_TRUE(combo->GetListBox());
  combo->AddItem(WideString(u"one"));
  EXPECT_EQ(combo->SetSelectedIndex(0), 0);
  EXPECT_EQ(std::string(combo->GetText().ToNarrow().GetChars()), "one");
  EXPECT_EQ(Images(combo->GetCheckBox()), std::vector<RCPtr<LBitmap>>(combo->GetCheckBox()->GetLookCount()));
  EXPECT_EQ(combo->SetItemCount(2), 2);
  EXPECT_EQ(ShownLook(RCPtr<LControl>(combo)), 0);
}

} // namespace
} // namespace QZ
