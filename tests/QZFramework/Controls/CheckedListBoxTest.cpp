// Checked list box without a window: check counts over the record operations,
// anchor and focus across an insert, the rows' own icons, the text forms of the
// check notifications' payloads, and the binding guard's failure text.

#include "QZFramework/Controls/CheckedListBox.h"

#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

TEST(CheckedListBoxTest, TheCheckedCountFollowsEveryRecordChange) {
  const auto list = MakeRCPtr<LCheckedListBox>(RCPtr<LControl>(), WideString(u"list"));
  EXPECT_EQ(list->SetItemCount(5), 5);
  list->SetRowChecked(1, true);
  list->SetRowChecked(3, true);
  list->SetRowChecked(3, true);
  list->SetRowChecked(7, true);
  list->SetRowChecked(-1, true);
  EXPECT_EQ(list->GetCheckedCount(), 2);
  EXPECT_TRUE(list->IsRowChecked(3));
  EXPECT_FALSE(list->IsRowChecked(7));
  EXPECT_FALSE(list->IsRowChecked(-1));

  EXPECT_EQ(list->RemoveItem(1), 4);
  EXPECT_EQ(list->GetCheckedCount(), 1) << "removing a checked row lowers the count";
  EXPECT_TRUE(list->IsRowChecked(2)) << "the checked state moves with its row";
  EXPECT_EQ(list->SwapRows(0, 2), S_OK);
  EXPECT_TRUE(list->IsRowChecked(0));
  EXPECT_EQ(list->SetItemCount(0), 0);
  EXPECT_EQ(list->GetCheckedCount(), 0) << "the count is made again";

  EXPECT_EQ(list->SetItemCount(3), 3);
  list->SetRowChecked(2, true);
  EXPECT_EQ(list->RemoveAllItems(), S_OK);
  EXPECT_EQ(list->GetCheckedCount(), 0) << "no row is left to be checked";
  list->Close();
}

TEST(CheckedListBoxTest, AnInsertMovesAnchorAndFocusWithTheirRows) {
  // Rows r0 .. r4 with r2 selected and checked; a row put before, at or after it, then Down.
  const struct {
    const char* name;
    std::int32_t insertAt, focusAfter;
    const char* selectedAfterDown;
  } cases[] = {{"before", 0, 3, "r3"}, {"at", 2, 3, "r3"}, {"after", 3, 2, "new"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto list = MakeRCPtr<LCheckedListBox>(RCPtr<LControl>(), WideString(u"list"));
    for (std::int32_t row = 0; row < 5; ++row)
      list->InsertItem(row, LListBox::MakeTextItem(WideString(("r" + std::to_string(row)).c_str())));
    list->SetRowChecked(2, true);
    ASSERT_EQ(list->SelectRange(2, 2, true), 2);
    ASSERT_EQ(list->InsertItem(c.insertAt, LListBox::MakeTextItem(WideString(u"new"))), c.insertAt);
    EXPECT_EQ(list->GetAnchorRow(), c.focusAfter);
    EXPECT_EQ(list->GetFocusRow(), c.focusAfter);
    EXPECT_TRUE(list->IsRowChecked(c.focusAfter)) << "the checked state went with the row";
    EXPECT_EQ(list->HandleKey(LKeyParam::Create(KeyCode(0x28, true, 0, 0), 1)), S_OK);
    ASSERT_EQ(list->GetSelectedRows().size(), 1u);
    EXPECT_EQ(Narrow(list->GetItemText(list->GetFocusRow())), c.selectedAfterDown);
    EXPECT_TRUE(list->IsRowSelected(list->GetFocusRow()));
    list->Close();
  }
}

TEST(CheckedListBoxTest, RowsShowTheirOwnIconsWithoutListIcons) {
  const auto list = MakeRCPtr<LCheckedListBox>(RCPtr<LControl>(), WideString(u"list"));
  list->SetItemCount(2);
  const auto icon = MakeRCPtr<LBitmap>();
  list->SetRowIcon(1, icon);
  EXPECT_EQ(list->GetRowIcon(1), icon);
  EXPECT_FALSE(list->GetRowIcon(0));
  EXPECT_FALSE(list->GetRowIcon(2));
  list->Close();
}

TEST(CheckedListBoxTest, PayloadTextsNameTheRowDataAndValue) {
  EXPECT_EQ(Narrow(LIndexedDataWithValueParam(RCPtr<LRefCountedObject>(), 2, 1.0).ToString()),
            "LIndexedDataParam: Index = 2, Data =  Value = 1.000000");
  EXPECT_EQ(
      Narrow(
          LIndexedDataParam(RCPtr<LRefCountedObject>(LListBox::MakeTextItem(WideString(u"Ram"))), 0).ToString()),
      "LIndexedDataParam: Index = 0, Data = Ram");
}

TEST(CheckedListBoxTest, TakingOutABindingThatDoesNotExistIsAnError) {
  const auto list = MakeRCPtr<LCheckedListBox>(RCPtr<LControl>(), WideString(u"list"));
  const auto handler = LNotificationHandler<LCheckedListBox>::Create(list.GetRaw());
  EXPECT_EQ(test::ThrownText<std::exception>([&] {
              const CAutoNotificationDisabler<LCheckedListBox> quiet(
                  handler, RCPtr<LNotificationDistributor>(list.GetRaw()), u"NID_VALUE_CHANGE");
            }),
            "Failed Result : QZRESULT = 80004005 : QZ::CAutoNotificationDisabler<class "
            "QZ::LCheckedListBox>::CAutoNotificationDisabler : notification\\NotificationHandler : Line 247");
  list->Close();
}

} // namespace
} // namespace QZ
