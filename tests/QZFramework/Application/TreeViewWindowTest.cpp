// A tree view from the skin in a real window under the offscreen driver:
// expand boxes enabled only on rows with descendants, rows indented by their
// depth, a click on a box collapsing or expanding the subtree (selecting the
// row and telling the listeners), and a removed row taking its subtree with
// its selection and checks.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Controls/CheckedListSkin.h"
#include "QZFramework/Controls/TreeView.h"
#include "QZFramework/Controls/TreeViewItem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 240;
constexpr std::int32_t kHeight = 140;
constexpr int kRowHeight = 18;

std::string TreeWindowSkin() {
  const std::string tree = test::ScrollPart(
      "Framework.TreeView", "tree", "XPositionAbs=\"10\" YPositionAbs=\"10\" XSizeAbs=\"200\" YSizeAbs=\"100\"",
      "Gray", test::ScrollViewBars() + test::CheckedRow("Framework.TreeViewItem", kRowHeight));
  return test::CheckedSkinDocument(kWidth, kHeight, tree);
}

class Counter : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) override {
    ++mCount;
    return 0;
  }
  int mCount = 0;
};

class TreeViewWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    OpenSkinWindow(TreeWindowSkin(), kWidth, kHeight);
    mTree = DynamicCast<LTreeView>(mMain->FindChild(WideString(u"tree")));
    ASSERT_TRUE(mTree);
    // a (0) with a1 (1), which has a11 (2); b (3). Rows 0 and 1 expanded.
    const std::pair<const char*, std::int32_t> rows[] = {{"a", -1}, {"a1", 0}, {"a11", 1}, {"b", -1}};
    for (const auto& [text, parent] : rows) {
      const std::int32_t row = mTree->GetItemCount();
      ASSERT_EQ(mTree->InsertItem(row, LListBox::MakeTextItem(WideString(text))), row);
      ASSERT_EQ(mTree->SetParentRow(row, parent), S_OK);
      mTree->UpdateDescendantVisibility(parent);
    }
    mTree->ExpandRow(0);
    mTree->ExpandRow(1);
    mTree->RegisterClient(mChecks, u"NID_ITEM_CHECK_CHANGE");
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    Pump();
  }
  void TearDown() override {
    mTree->UnregisterClientFromAll(mChecks);
    mTree = RCPtr<LTreeView>();
    SkinWindowFixture::TearDown();
  }
  // The middle of the expand box of row control k at that depth, in window coordinates.
  static Platform::WindowPoint Box(int k, int depth) {
    return {10 + depth * test::kCheckBoxWidth + test::kCheckBoxWidth / 2, 10 + kRowHeight * k + 9};
  }
  void Click(const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.MovePointer(mId, at));
    ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, at));
    ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, at));
    Pump();
  }
  // The texts the row controls show, up to the last row.
  std::vector<std::string> Shown() const {
    std::vector<std::string> texts;
    for (std::int32_t k = 0; k < mTree->GetItemControlCount(); ++k) {
      const RCPtr<LListBoxItem> control = mTree->GetItemControlAt(k);
      if (mTree->GetRowOfItemControl(control.GetRaw()) < mTree->GetItemCount())
        texts.push_back(control->GetText().ToNarrow().GetChars());
    }
    return texts;
  }
  RCPtr<LButton> BoxOf(std::int32_t k) const { return mTree->GetCheckedItemControlAt(k)->GetCheckBox(); }

  RCPtr<LTreeView> mTree;
  RCPtr<Counter> mChecks = MakeRCPtr<Counter>();
};

TEST_F(TreeViewWindowTest, BoxesOnRowsWithDescendantsAndRowsIndentedByDepth) {
  ASSERT_TRUE(DynamicCast<LTreeViewItem>(mTree->GetItemControlAt(0)));
  EXPECT_EQ(Shown(), (std::vector<std::string>{"a", "a1", "a11", "b"}));
  const struct {
    std::int32_t row;
    bool enabled;
    double indent;
  } cases[] = {{0, true, 0}, {1, true, 12}, {2, false, 24}, {3, false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    const std::int32_t k = mTree->GetItemControlIndex(c.row);
    ASSERT_EQ(k, c.row);
    EXPECT_EQ(BoxOf(k)->IsEnabled(false), c.enabled);
    EXPECT_EQ(mTree->GetRowRect(c.row).x, c.indent) << "depth times the box's width";
    EXPECT_EQ(BoxOf(k)->GetNormalizedValue(), mTree->IsRowExpanded(c.row) ? 1.0 : 0.0);
  }
}

TEST_F(TreeViewWindowTest, ABoxCollapsesAndExpandsItsSubtree) {
  // Collapse a1, then a: only a and b are left.
  Click(Box(1, 1));
  EXPECT_FALSE(mTree->IsRowExpanded(1));
  EXPECT_EQ(Shown(), (std::vector<std::string>{"a", "a1", "b"}));
  EXPECT_EQ(mTree->GetFocusRow(), 1) << "the toggled row is selected";
  Click(Box(0, 0));
  EXPECT_EQ(Shown(), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(mTree->IsRowHidden(1));
  EXPECT_TRUE(mTree->IsRowHidden(2));
  EXPECT_EQ(mTree->GetFocusRow(), 0);
  EXPECT_EQ(mChecks->mCount, 2);
  EXPECT_EQ(mTree->GetCheckedCount(), 0);
  EXPECT_EQ(mTree->GetRowRect(3).x, 0.0) << "b took a1's control and its depth";

  // Expanding a shows a1 but not a11, whose parent is still collapsed.
  Click(Box(0, 0));
  EXPECT_EQ(Shown(), (std::vector<std::string>{"a", "a1", "b"}));
  EXPECT_FALSE(mTree->IsRowHidden(1));
  EXPECT_TRUE(mTree->IsRowHidden(2));
  EXPECT_EQ(mChecks->mCount, 3);
  EXPECT_EQ(mTree->GetCheckedCount(), 1);

  // A box without descendants is disabled: a click on it changes nothing.
  Click(Box(2, 0));
  EXPECT_FALSE(mTree->IsRowExpanded(3));
  EXPECT_EQ(mChecks->mCount, 3);
}

TEST_F(TreeViewWindowTest, WithoutAutoValueSetAClickIsReportedAndTheReceiverDecides) {
  const RCPtr<Counter> clicks = MakeRCPtr<Counter>();
  mTree->RegisterClient(clicks, u"NID_ITEM_CHECKBOX_CLICKED");
  mTree->SetCheckBoxAutoValueSet(false);
  Click(Box(1, 1));
  EXPECT_EQ(clicks->mCount, 1);
  EXPECT_EQ(mChecks->mCount, 0);
  EXPECT_TRUE(mTree->IsRowExpanded(1)) << "the box does not toggle itself";
  EXPECT_EQ(mTree->GetFocusRow(), 1);
  mTree->SetRowChecked(1, false);
  mTree->UpdateDescendantVisibility(1);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"a", "a1", "b"}));

  // Back to boxes that set their value: the tree follows them again.
  mTree->SetCheckBoxAutoValueSet(true);
  Click(Box(1, 1));
  EXPECT_TRUE(mTree->IsRowExpanded(1));
  EXPECT_EQ(Shown(), (std::vector<std::string>{"a", "a1", "a11", "b"}));
  EXPECT_EQ(mChecks->mCount, 1);
  EXPECT_EQ(clicks->mCount, 1);
  mTree->UnregisterClientFromAll(clicks);
}

TEST_F(TreeViewWindowTest, AutoScrollingRunsOnEveryIdlePass) {
  for (int i = 0; i < 20; ++i)
    ASSERT_GE(mTree->InsertItem(mTree->GetItemCount(), LListBox::MakeTextItem(WideString(u"more"))), 0);
  IdleAt(1000);
  // A row per tenth of a second, as a drag held at the tree's bottom edge starts it.
  ASSERT_EQ(mTree->StartInertialScroll(1, kRowHeight * 10.0, 1000.0, 0.0, RCPtr<LControl>()), S_OK);
  std::vector<std::int32_t> firstRows;
  for (const std::uint32_t ms : {1100u, 1200u, 1300u}) {
    IdleAt(ms);
    firstRows.push_back(mTree->GetFirstRow());
  }
  EXPECT_EQ(firstRows, (std::vector<std::int32_t>{1, 2, 3})) << "the tree ends no idle request it did not take";
  EXPECT_EQ(mTree->StopInertialScroll(1), S_OK);
}

TEST_F(TreeViewWindowTest, RemovingARowTakesItsSubtreeSelectionAndChecks) {
  mTree->SetMultiSelect(true);
  ASSERT_EQ(mTree->SelectRange(2, 2, false), 2);
  ASSERT_EQ(mTree->GetCheckedCount(), 2);
  EXPECT_EQ(mTree->RemoveItem(0), 1);
  EXPECT_EQ(Shown(), std::vector<std::string>{"b"});
  EXPECT_EQ(mTree->GetParentRow(0), -1);
  EXPECT_EQ(mTree->GetSelectedCount(), 0);
  EXPECT_TRUE(mTree->GetSelectedRows().empty());
  EXPECT_EQ(mTree->GetCheckedCount(), 0);
  EXPECT_EQ(mTree->GetAnchorRow(), -1);
  EXPECT_EQ(mTree->GetFocusRow(), -1);
  EXPECT_FALSE(BoxOf(0)->IsEnabled(false));
  EXPECT_EQ(mTree->GetRowRect(0).x, 0.0);
  EXPECT_FALSE(BoxOf(1)->IsVisible(false)) << "past the last row";

  EXPECT_FALSE(mTree->SortItems());
  EXPECT_EQ(mTree->SortRange(0, 1), E_NOTIMPL);
}

} // namespace
} // namespace QZ
