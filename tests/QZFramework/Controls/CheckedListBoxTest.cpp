// Checked list box without a window: check counts over the record operations,
// the rows' own icons, the text forms of the check notifications' payloads,
// and the binding guard's failure text.

#include "QZFramework/Controls/CheckedListBox.h"

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
