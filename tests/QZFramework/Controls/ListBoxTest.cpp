// The list box made from the skin in a scripted root window: the selection
// model (ranges, deselection, removal and insertion with anchor and focus),
// keys, text search, recycled row controls and scrolling, hidden rows, rows
// from "ITEM." entries, sorting, reordering items, the row height, static
// rows, drop-down mode, the row controls' notifications, a skin switch, and a
// random walk over the row and selection operations that checks the list's
// invariants after every step.

#include "QZFramework/Controls/ListBoxSkin.h"
#include "QZFramework/Controls/ScrollFixture.h"

#include "QZFramework/ControlBase/ControlBaseTestSupport.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/ItemConditionsParam.h"
#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/ListBoxItem.h"
#include "QZFramework/Renderer/RendererTestSupport.h"
#include "QZFramework/Utilities/Storage/Holder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::NotificationLog;

// Text measures 8 pixels per character and rowHeight pixels high.
class RowRenderer : public test::RecordingRenderer {
public:
  RectT<float> MeasureText(const WideString& text, const RCPtr<LFont>&) override {
    return {0.0f, -mHeight, static_cast<float>(text.GetLength()) * 8.0f, mHeight};
  }
  float mHeight = 18.0f;
};

std::string ListSkinBody(const std::string& skinName, int rowHeight) {
  const std::string rows = test::ListRow("templateItem", rowHeight);
  const std::string statics = test::ListRow("item1", 18, "Framework.ListBoxItem", "YPositionAbs=\"0\"") +
                              test::ListRow("item2", 18, "Framework.ListBoxItem", "YPositionAbs=\"18\"") +
                              test::ListRow("item4", 18, "Framework.ListBoxItem", "YPositionAbs=\"36\"");
  const std::string labels = test::ListRow("templateItem", 18, "Framework.Label");
  const std::string flat = test::ListRow("templateItem", 0);
  return "<Skin Name=\"" + skinName + "\">" + test::ListWindow("main", 100, rows) +
         test::ListWindow("static", 100, statics) + test::ListWindow("labels", 100, labels) +
         test::ListWindow("flat", 100, flat) + test::ListWindow("empty", 100, "") + "</Skin>";
}

class ListBoxTest : public test::ScrollFixture {
protected:
  void SetUp() override {
    ScrollFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.ListBox"), &LListBox::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.ListBoxItem"), &LListBoxItem::Create);
    LoadScrollSkin(test::SkinDocument(test::ListBoxLooks() + "<Skins>" + ListSkinBody("S", 18) +
                                      ListSkinBody("T", 20) + "</Skins>"));
  }
  void TearDown() override {
    mList = RCPtr<LListBox>();
    mApp.mRenderer = RCPtr<LRenderer>();
    ScrollFixture::TearDown();
  }

  void Open(const char16_t* name = u"main") {
    OpenTopLevel(name);
    mList = DynamicCast<LListBox>(mMain->FindChild(WideString(u"list")));
    ASSERT_TRUE(mList);
  }
  // Rows "r0", "r1", ... appended.
  void AddRows(int count) {
    for (int i = 0; i < count; ++i) {
      const int row = mList->GetItemCount();
      mList->InsertItem(row, LListBox::MakeTextItem(WideString(("r" + std::to_string(row)).c_str())));
    }
  }
  std::string Selected() {
    std::string text;
    for (const std::uint32_t row : mList->GetSelectedRows())
      text += (text.empty() ? "" : " ") + std::to_string(row);
    return text;
  }
  std::string ControlText(int index) const {
    const RCPtr<LListBoxItem> control = mList->GetItemControlAt(index);
    return control ? test::Narrow(control->GetText()) : "<none>";
  }
  std::string Texts() const {
    std::string text;
    for (int row = 0; row < mList->GetItemCount(); ++row)
      text += (row ? " " : "") + test::Narrow(mList->GetItemText(row));
    return text;
  }
  void Key(std::uint8_t virtualKey, std::uint32_t modifiers = 0) {
    static_cast<void>(mList->HandleKey(LKeyParam::Create(KeyCode(virtualKey, true, 0, modifiers), 1)));
  }
  // A point in the window over row control index.
  PointT<std::int32_t> OverControl(int index) const {
    const PointT<double> at = mList->GetItemControlAt(index)->GetPositionInRoot();
    return {static_cast<std::int32_t>(at.x) + 20, static_cast<std::int32_t>(at.y) + 5};
  }

  RCPtr<LListBox> mList;
};

TEST_F(ListBoxTest, SelectRangeSelectsExclusivelyOrAddsAndSendsOneChange) {
  Open();
  AddRows(10);
  const auto log = Listen(mList, {u"NID_SELECTION_CHANGE"});
  struct Case {
    const char* name;
    const char* before; // rows selected first, exclusively one by one added
    int first, last;
    bool exclusive;
    const char* selected;
    int anchor, focus, changes;
  };
  const Case cases[] = {
      {"backwards, exclusive", "7", 5, 2, true, "2 3 4 5", 5, 2, 1},
      {"adding over a selected row", "3", 2, 5, false, "2 3 4 5", 2, 5, 1},
      {"adding backwards", "", 5, 3, false, "3 4 5", 5, 3, 1},
      {"the only selected row again sends nothing", "4", 4, -1, true, "4", 4, 4, 0},
      {"one of two selected, exclusive", "4 6", 4, -1, true, "4", 4, 4, 1},
      {"one of two selected, adding sends nothing", "4 6", 4, -1, false, "4 6", 6, 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mList->ClearSelection();
    for (const char* p = c.before; *p; ++p)
      if (*p != ' ')
        mList->SelectRange(*p - '0', -1, false);
    log->mEntries.clear();
    EXPECT_EQ(mList->SelectRange(c.first, c.last, c.exclusive), c.first);
    EXPECT_EQ(Selected(), c.selected);
    EXPECT_EQ(mList->GetSelectedCount(), static_cast<int>(mList->GetSelectedRows().size()));
    EXPECT_EQ(mList->GetAnchorRow(), c.anchor);
    EXPECT_EQ(mList->GetFocusRow(), c.focus);
    EXPECT_EQ(log->Count("NID_SELECTION_CHANGE"), c.changes);
  }
  EXPECT_EQ(mList->SelectRange(10, -1, true), E_INVALIDARG);
  EXPECT_EQ(mList->SelectRange(-1, 2, true), E_INVALIDARG);
}

TEST_F(ListBoxTest, DeselectingAndRemovingKeepAnchorAndFocusOnRows) {
  Open();
  AddRows(10);
  // Deselecting the focus row of {4, 5} (anchor 4, focus 5).
  mList->SelectRange(4, 5, true);
  EXPECT_EQ(mList->DeselectRow(5), S_OK);
  EXPECT_EQ(mList->GetAnchorRow(), 4);
  EXPECT_EQ(mList->GetFocusRow(), 4);
  EXPECT_EQ(mList->DeselectRow(5), S_FALSE) << "not selected";
  EXPECT_EQ(mList->DeselectRow(40), S_FALSE);
  EXPECT_EQ(mList->DeselectRow(4), S_OK);
  EXPECT_EQ(mList->GetAnchorRow(), -1) << "nothing selected";
  EXPECT_EQ(mList->GetFocusRow(), -1);
  // Deselecting the anchor moves it to a selected neighbour.
  mList->SelectRange(2, 4, true);
  mList->DeselectRow(2);
  EXPECT_EQ(mList->GetAnchorRow(), 3);
  EXPECT_EQ(mList->GetFocusRow(), 4);

  struct Case {
    const char* name;
    int anchor, focus, removed;
    int anchorAfter, focusAfter;
  };
  const Case cases[] = {
      {"before both", 4, 6, 2, 3, 5},
      {"between them", 4, 6, 5, -1, -1},
      {"after both", 4, 6, 8, 4, 6},
      {"the last row, anchor and focus on it but not selected", 9, 9, 9, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mList->RemoveAllItems();
    AddRows(10);
    mList->SetAnchorRow(c.anchor);
    mList->SetFocusRow(c.focus);
    EXPECT_EQ(mList->RemoveItem(c.removed), 9);
    EXPECT_EQ(mList->GetAnchorRow(), c.anchorAfter);
    EXPECT_EQ(mList->GetFocusRow(), c.focusAfter);
  }
  EXPECT_EQ(mList->RemoveItem(9), E_INVALIDARG);
  EXPECT_EQ(mList->RemoveItem(-1), E_INVALIDARG);
  // A selected row removed leaves the count right.
  mList->SelectRange(1, 3, true);
  mList->RemoveItem(2);
  EXPECT_EQ(Selected(), "1 2");
  EXPECT_EQ(mList->GetSelectedCount(), 2);
}

TEST_F(ListBoxTest, KeysMoveTheFocusRowAndEnterActivates) {
  Open();
  AddRows(10);
  const auto log = Listen(mList, {u"NID_ITEM_ACTIVATED", u"NID_SELECTION_CHANGE"});
  Key(0x26); // Up without focus
  EXPECT_EQ(Selected(), "");
  Key(0x0D); // Enter without focus: handled, nothing
  EXPECT_EQ(log->Count("NID_ITEM_ACTIVATED"), 0);
  struct Case {
    const char* name;
    std::uint8_t key;
    std::uint32_t modifiers;
    const char* selected;
    int focus;
  };
  const Case cases[] = {
      {"Down with no focus selects row 0", 0x28, 0, "0", 0},
      {"Down", 0x28, 0, "1", 1},
      {"Down", 0x28, 0, "2", 2},
      {"Shift+Down in a single-selection list moves the selection", 0x28, kModifierShift, "3", 3},
      {"Up", 0x26, 0, "2", 2},
      {"Ctrl+Up is not the list's", 0x26, kModifierCtrl, "2", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Key(c.key, c.modifiers);
    EXPECT_EQ(Selected(), c.selected);
    EXPECT_EQ(mList->GetFocusRow(), c.focus);
  }
  Key(0x0D);
  EXPECT_EQ(log->Count("NID_ITEM_ACTIVATED"), 1);
  const auto handled = [&](std::uint8_t key, std::uint32_t modifiers) {
    return mList->HandleKey(LKeyParam::Create(KeyCode(key, true, 0, modifiers), 1));
  };
  for (const std::uint8_t key : std::vector<std::uint8_t>{0x25, 0x27, 0x21, 0x22, 0x24, 0x23})
    EXPECT_EQ(handled(key, 0), S_OK) << int(key);
  EXPECT_EQ(handled(0x41, 0), S_FALSE);
  EXPECT_EQ(handled(0x28, kModifierAlt), S_FALSE);

  // Extended selection: Shift extends from the anchor.
  mList->SetMultiSelect(true);
  mList->SelectRange(4, -1, true);
  Key(0x28, kModifierShift);
  Key(0x28, kModifierShift);
  EXPECT_EQ(Selected(), "4 5 6");
  EXPECT_EQ(mList->GetAnchorRow(), 4);
  EXPECT_EQ(mList->GetFocusRow(), 6);
}

// Reads the row a receiver of "NID_ITEM_ACTIVATED" is told to read: the focus row.
class ActivationReader : public LNotificationClient {
public:
  explicit ActivationReader(LListBox* list) : mList(list) {}
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) override {
    mActivated.push_back(test::Narrow(mList->GetItemText(mList->GetFocusRow())));
    return 0;
  }
  LListBox* mList;
  std::vector<std::string> mActivated;
};

TEST_F(ListBoxTest, AnInsertKeepsAnchorAndFocusOnTheirRowsForTheKeysAndEnter) {
  struct Case {
    const char* name;
    int rows;
    bool multi;
    int anchor, focus; // the selection made before the insert
    int insertAt;
    std::uint32_t modifiers; // of the Down press after the insert
    int anchorAfter, focusAfter;
    const char* selectedAfterDown; // texts
    const char* activated;         // by Enter after Down
  };
  const Case cases[] = {
      {"the last row selected, a row put before it: Down has nowhere to go", 3, false, 2, 2, 0, 0, 3, 3, "r2",
       "r2"},
      {"a row put before the focus", 5, false, 2, 2, 0, 0, 3, 3, "r3", "r3"},
      {"a row put at the focus", 5, false, 2, 2, 2, 0, 3, 3, "r3", "r3"},
      {"a row put after the focus", 5, false, 2, 2, 3, 0, 2, 2, "new", "new"},
      {"a row put between anchor and focus: Shift+Down extends from the anchor", 6, true, 1, 3, 2, kModifierShift,
       1, 4, "r1 new r2 r3 r4", "r4"},
      {"a row put before both, the range upward", 6, true, 4, 2, 0, 0, 5, 3, "r3", "r3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    mList->SetMultiSelect(c.multi);
    AddRows(c.rows);
    ASSERT_EQ(mList->SelectRange(c.anchor, c.focus, true), c.anchor);
    const RCPtr<ActivationReader> reader = MakeRCPtr<ActivationReader>(mList.GetRaw());
    mList->RegisterClient(reader, u"NID_ITEM_ACTIVATED");

    EXPECT_EQ(mList->InsertItem(c.insertAt, LListBox::MakeTextItem(WideString(u"new"))), c.insertAt);
    EXPECT_EQ(mList->GetAnchorRow(), c.anchorAfter);
    EXPECT_EQ(mList->GetFocusRow(), c.focusAfter);
    Key(0x28, c.modifiers);
    std::string selected;
    for (const std::uint32_t row : mList->GetSelectedRows())
      selected += (selected.empty() ? "" : " ") + test::Narrow(mList->GetItemText(static_cast<int>(row)));
    EXPECT_EQ(selected, c.selectedAfterDown);
    Key(0x0D);
    EXPECT_EQ(reader->mActivated, std::vector<std::string>{c.activated});

    mList->UnregisterClientFromAll(reader);
    mList = RCPtr<LListBox>();
    mMain = RCPtr<LControl>();
    mWindow->SetRootControl(RCPtr<LControl>());
  }
}

TEST_F(ListBoxTest, TextSearchFindsTheLastMatchAndSelectsAfterARow) {
  Open();
  for (const char16_t* text : {u"abc", u"x", u"abc", u"y"})
    mList->InsertItem(mList->GetItemCount(), LListBox::MakeTextItem(WideString(text)));
  mList->InsertItem(mList->GetItemCount(), RCPtr<LTaggableObject>());
  EXPECT_EQ(mList->FindRowByText(WideString(u"ABC"), false), 2);
  EXPECT_EQ(mList->FindRowByText(WideString(u"ABC"), true), -1);
  EXPECT_EQ(mList->FindRowByText(WideString(u"abc"), true), 2);
  EXPECT_EQ(mList->FindRowByText(WideString(u""), false), -1) << "a row without item matches nothing";
  EXPECT_EQ(mList->SelectByText(WideString(u"ABC"), 2, false), 0) << "searched past the end, then from the top";
  EXPECT_EQ(mList->SelectByText(WideString(u"abc"), 0, true), 2);
  EXPECT_EQ(mList->SelectByText(WideString(u"abc"), 17, true), 0) << "after out of range counts as -1";
  EXPECT_EQ(mList->SelectByText(WideString(u"z"), -1, false), -1);
  EXPECT_EQ(Selected(), "0");
}

TEST_F(ListBoxTest, SetItemCountGrowsWithEmptyRowsAndShrinks) {
  Open();
  EXPECT_EQ(mList->SetItemCount(3), 3);
  EXPECT_EQ(Texts(), "  ");
  EXPECT_EQ(mList->GetContentHeight(), 3 * 14);
  EXPECT_EQ(mList->SetItemCount(3), 3);
  EXPECT_EQ(mList->SetItemCount(0), 0);
  EXPECT_EQ(mList->GetItemCount(), 0);
  EXPECT_EQ(mList->SetItemCount(-1), E_INVALIDARG);
  EXPECT_EQ(mList->RemoveAllItems(), S_FALSE);
}

TEST_F(ListBoxTest, RowControlsFillTheViewAreRecycledAndNeverDestroyed) {
  Open();
  EXPECT_EQ(mList->GetRowHeight(), 14) << "no renderer to measure with";
  ASSERT_EQ(mList->GetItemControlCount(), 6) << "100 pixels of 18-pixel rows: five whole and one in part";
  EXPECT_EQ(test::Narrow(mList->GetItemControlAt(5)->GetName()), "ItemControl6");
  EXPECT_EQ(mList->GetItemControlAt(1)->GetBounds().y, 18.0) << "each under the one before";
  EXPECT_EQ(mList->CountControlsThatFit(), 5);
  // No rows: every control disabled, empty, the disabled look.
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(k);
    EXPECT_FALSE(mList->GetItemControlAt(k)->IsEnabled(false));
    EXPECT_EQ(ControlText(k), "");
    EXPECT_EQ(mList->GetItemControlAt(k)->GetVisualState(), LListBoxItem::kLookDisabled);
  }
  AddRows(30);
  EXPECT_EQ(ControlText(0), "r0");
  EXPECT_EQ(ControlText(5), "r5");
  EXPECT_TRUE(mList->GetItemControlAt(5)->IsEnabled(false));

  // The view grows: six more; it shrinks: none goes.
  const RCPtr<LListBoxItem> first = mList->GetItemControlAt(0);
  AxisPlacement placement = mList->GetLayout()->mPlacement[1];
  SizeSpec size = mList->GetLayout()->mSize[1];
  size.mAbsolute = 200;
  mList->SetAxisPlacement(1, placement, size);
  EXPECT_EQ(mList->GetItemControlCount(), 12);
  EXPECT_EQ(ControlText(11), "r11");
  size.mAbsolute = 60;
  mList->SetAxisPlacement(1, placement, size);
  EXPECT_EQ(mList->GetItemControlCount(), 12);
  EXPECT_EQ(mList->GetItemControlAt(0), first);
  size.mAbsolute = 100;
  mList->SetAxisPlacement(1, placement, size);

  // One step of the bar: one row further, the same controls rebound.
  const RCPtr<LScrollbar>& bar = mList->GetVerticalBar();
  ASSERT_TRUE(mList->IsScrollBarShown(LScrollView::kVerticalBar));
  bar->SetValue(bar->GetNormalizedValue() + bar->GetSmallStep());
  EXPECT_EQ(mList->GetFirstRow(), 1);
  EXPECT_EQ(mList->GetScrollOffset().y, 14.0) << "a whole row";
  EXPECT_EQ(ControlText(0), "r1");
  EXPECT_EQ(ControlText(11), "r12");
  EXPECT_EQ(mList->GetItemControlAt(0), first);
  EXPECT_EQ(mList->GetItemControlCount(), 12);

  // Removing rows: controls past the last row show none.
  mList->SetItemCount(3);
  EXPECT_EQ(mList->GetFirstRow(), 0);
  EXPECT_EQ(ControlText(2), "r2");
  EXPECT_EQ(ControlText(3), "");
  EXPECT_FALSE(mList->GetItemControlAt(3)->IsEnabled(false));
  EXPECT_EQ(mList->GetItemControlCount(), 12);
}

TEST_F(ListBoxTest, ScrollRowIntoViewShowsARowAsTheLastOrFirstWholeRow) {
  Open();
  AddRows(30);
  struct Case {
    const char* name;
    int row;
    int firstRow;
  };
  // Five rows fit wholly.
  const Case cases[] = {
      {"visible: nothing moves", 3, 0}, {"below: the last whole row", 10, 6},         {"visible again", 8, 6},
      {"above: the first row", 2, 2},   {"past the last possible first row", 29, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(mList->ScrollRowIntoView(c.row), S_OK);
    EXPECT_EQ(mList->GetFirstRow(), c.firstRow);
    EXPECT_EQ(mList->GetScrollOffset().y, c.firstRow * 14.0);
    EXPECT_EQ(ControlText(0), "r" + std::to_string(c.firstRow));
  }
  EXPECT_EQ(mList->ScrollRowIntoView(30), E_INVALIDARG);
}

TEST_F(ListBoxTest, HiddenRowsTakeNoControlAndNoHeight) {
  Open();
  AddRows(10);
  EXPECT_EQ(mList->SetItemHidden(2, true), S_OK);
  EXPECT_EQ(mList->SetItemHidden(3, true), S_OK);
  EXPECT_EQ(mList->SetItemHidden(3, true), S_FALSE);
  EXPECT_EQ(mList->SetItemHidden(10, true), E_INVALIDARG);
  EXPECT_EQ(ControlText(2), "r4");
  EXPECT_EQ(mList->GetItemControlIndex(3), -1);
  EXPECT_EQ(mList->GetItemControlIndex(4), 2);
  EXPECT_EQ(mList->GetRowOfItemControl(mList->GetItemControlAt(2).GetRaw()), 4);
  EXPECT_EQ(mList->GetContentHeight(), 8 * 14);
  // Hiding a selected row deselects it; hiding the first row moves to the next shown.
  mList->SelectRange(5, -1, true);
  mList->SetItemHidden(5, true);
  EXPECT_EQ(Selected(), "");
  mList->SetItemHidden(0, true);
  EXPECT_EQ(mList->GetFirstRow(), 1);
  EXPECT_EQ(ControlText(0), "r1");
  EXPECT_EQ(ControlText(1), "r4");
  mList->SetItemHidden(2, false);
  EXPECT_EQ(ControlText(1), "r2");
}

TEST_F(ListBoxTest, ItemEntriesGiveRowsByNumberWithGaps) {
  Open();
  struct Case {
    const char* name;
    std::vector<std::pair<const char16_t*, const char16_t*>> entries;
    const char* rows;
  };
  const Case cases[] = {
      {"by number", {{u"ITEM.1", u"x"}, {u"ITEM.0", u"y"}}, "y x"},
      {"a gap gives empty rows", {{u"ITEM.3", u"z"}}, "   z"},
      {"the later of one number wins", {{u"ITEM.01", u"a"}, {u"ITEM.1", u"b"}}, " b"},
      {"no number is 0; other keys are not rows", {{u"ITEM.x", u"n"}, {u"LABEL", u"l"}}, "n"},
      {"a negative or a huge number is ignored",
       {{u"ITEM.-1", u"neg"}, {u"ITEM.1025", u"far"}, {u"ITEM.99999999999", u"overflow"}, {u"ITEM.0", u"ok"}},
       "ok"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LStringTable::Entries entries;
    for (const auto& [key, text] : c.entries)
      entries[WideString(key)] = WideString(text);
    EXPECT_EQ(mList->ReadItemParams(MakeRCPtr<LStringTable>(entries)), S_OK);
    EXPECT_EQ(Texts(), c.rows);
  }
  EXPECT_EQ(mList->ReadItemParams(RCPtr<LStringTable>()), E_INVALIDARG);
}

TEST_F(ListBoxTest, SortingIgnoresCaseAndTheSelectionAndFocusFollowTheirRows) {
  Open();
  for (const char16_t* text : {u"b", u"A", u"c", u"a", u"B"})
    mList->InsertItem(mList->GetItemCount(), LListBox::MakeTextItem(WideString(text)));
  mList->SelectRange(2, -1, true); // "c"
  mList->SetAnchorRow(1);          // "A"
  const auto log = Listen(mList, {u"NID_SELECTION_CHANGE"});
  EXPECT_TRUE(mList->SortItems());
  EXPECT_EQ(Texts(), "A a b B c") << "rows equal but for case keep their order";
  EXPECT_EQ(Selected(), "4");
  EXPECT_EQ(mList->GetFocusRow(), 4);
  EXPECT_EQ(mList->GetAnchorRow(), 0);
  EXPECT_EQ(ControlText(4), "c");
  EXPECT_TRUE(mList->GetItemControlAt(4)->IsSelected());
  EXPECT_EQ(log->Count("NID_SELECTION_CHANGE"), 0);
  EXPECT_EQ(mList->SortRange(3, 3), E_INVALIDARG);
  EXPECT_EQ(mList->SortRange(0, 0), S_FALSE);
  // A part of the list only.
  mList->SetItem(0, LListBox::MakeTextItem(WideString(u"z")));
  EXPECT_EQ(mList->SortRange(0, 2), S_OK);
  EXPECT_EQ(Texts(), "a z b B c");
  // Sorting after every insertion.
  mList->SetAutoSort(true);
  mList->InsertItem(0, LListBox::MakeTextItem(WideString(u"y")));
  EXPECT_EQ(Texts(), "a b B c y z");
}

TEST_F(ListBoxTest, ReorderingItemsMovesOnlyTheItemsAndKeepsTheWidestRow) {
  mApp.mRenderer = MakeRCPtr<RowRenderer>();
  Open();
  for (const char16_t* text : {u"a", u"bbbbbb", u"cc", u"ddd", u"e"})
    mList->InsertItem(mList->GetItemCount(), LListBox::MakeTextItem(WideString(text)));
  mList->SetRowMarked(1, true);
  ASSERT_EQ(mList->SelectRange(3, -1, true), 3);
  const int widest = mList->GetContentWidth();
  ASSERT_EQ(widest, mList->MeasureRowWidth(1));

  for (const std::vector<std::int32_t>& wrong : std::vector<std::vector<std::int32_t>>{
           {0, 0, 1}, {0, 2}, {-1, 0}, {0, 1, 2, 3, 4, 5}, {1, 2, 3, 4, 5, 0}}) {
    EXPECT_EQ(mList->ReorderItems(wrong), E_INVALIDARG) << wrong.size() << " rows";
  }
  EXPECT_EQ(Texts(), "a bbbbbb cc ddd e") << "nothing moved";

  // The first four rows only: row k takes the item of row order[k].
  EXPECT_EQ(mList->ReorderItems({3, 0, 1, 2}), S_OK);
  EXPECT_EQ(Texts(), "ddd a bbbbbb cc e");
  EXPECT_EQ(ControlText(0), "ddd") << "the rows shown are bound again";
  EXPECT_EQ(ControlText(2), "bbbbbb");
  EXPECT_EQ(Selected(), "3") << "the selection stays with the row, not the item";
  EXPECT_TRUE(mList->GetRowMarked(1));
  EXPECT_EQ(mList->GetContentWidth(), widest);
  // The widest row still counts: replacing it measures the others.
  mList->SetItem(2, LListBox::MakeTextItem(WideString(u"f")));
  EXPECT_EQ(mList->GetContentWidth(), mList->MeasureRowWidth(0));
  EXPECT_EQ(mList->ReorderItems({}), S_OK);
}

TEST_F(ListBoxTest, TheRowHeightIsTheSampleTextsHeightAndAtLeastOnePixel) {
  const RCPtr<RowRenderer> renderer = MakeRCPtr<RowRenderer>();
  mApp.mRenderer = renderer;
  struct Case {
    float height;
    int rowHeight;
  };
  for (const Case c : {Case{18.0f, 18}, Case{16.5f, 17}, Case{0.4f, 14}}) {
    SCOPED_TRACE(c.height);
    renderer->mHeight = c.height;
    Open();
    EXPECT_EQ(mList->GetRowHeight(), c.rowHeight);
    AddRows(40);
    mList->GetVerticalBar()->SetValue(1.0);
    EXPECT_EQ(mList->GetScrollOffset().y, (40 - 100 / c.rowHeight) * c.rowHeight * 1.0) << "whole rows";
    mMain = RCPtr<LControl>();
    mList = RCPtr<LListBox>();
    mWindow->SetRootControl(RCPtr<LControl>());
  }
  // The row width: the text at 8 pixels a character.
  renderer->mHeight = 18.0f;
  Open();
  mList->InsertItem(0, LListBox::MakeTextItem(WideString(u"abcd")));
  EXPECT_EQ(mList->MeasureRowWidth(0), 32);
  EXPECT_EQ(mList->GetContentWidth(), 32);
  mList->SetItem(0, LListBox::MakeTextItem(WideString(u"ab")));
  EXPECT_EQ(mList->GetContentWidth(), 16) << "the widest row was replaced: measured again";
}

TEST_F(ListBoxTest, StaticRowsComeFromTheNumberedChildrenUpToTheFirstGap) {
  Open(u"static");
  EXPECT_EQ(mList->GetItemCount(), 2) << "item4 follows a missing item3";
  EXPECT_EQ(mList->GetItemControlCount(), 2);
  mList->SelectRange(1, -1, true);
  EXPECT_TRUE(mList->GetItemControlAt(1)->IsSelected());
  EXPECT_EQ(mList->GetItemControlAt(1), DynamicCast<LListBoxItem>(mList->FindChild(WideString(u"item2"))));
  AddRows(1);
  EXPECT_EQ(mList->GetItemControlCount(), 2) << "static rows are not recycled";
}

TEST_F(ListBoxTest, ARowControlThatCannotBeMadeStopsTheFilling) {
  Open(u"labels");
  EXPECT_EQ(mList->GetItemControlCount(), 0);
  EXPECT_EQ(mList->EnsureItemControls(), E_FAIL);
  EXPECT_EQ(mList->GetChildren().GetCount(), 3u) << "the bars and the corner only";
  mList = RCPtr<LListBox>();
  mWindow->SetRootControl(RCPtr<LControl>());
  Open(u"flat");
  EXPECT_EQ(mList->EnsureItemControls(), E_FAIL) << "rows 0 pixels high never fill the view";
  EXPECT_EQ(mList->GetItemControlCount(), 1);
  mList = RCPtr<LListBox>();
  mWindow->SetRootControl(RCPtr<LControl>());
  Open(u"empty");
  EXPECT_EQ(mList->EnsureItemControls(), S_FALSE) << "neither template nor static rows";
  AddRows(2);
  EXPECT_EQ(mList->GetItemCount(), 2);
}

TEST_F(ListBoxTest, ThePressOnARowSelectsItAndTheRowControlsReport) {
  Open();
  AddRows(20);
  const auto log = Listen(mList, {u"NID_SELECTION_CHANGE", u"NID_ITEM_DOUBLE_CLICKED", u"NID_ITEM_RIGHT_CLICK",
                                  u"NID_ITEM_HOVER_CONDITION_CHANGE", u"NID_ITEM_LEFT_DRAG_CONDITION_CHANGE"});
  struct RightClickLog : LNotificationClient {
    std::vector<int> rows;
    std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) override {
      const RCPtr<LHolder<std::int32_t>> holder = DynamicCast<LHolder<std::int32_t>>(n->GetPayload());
      rows.push_back(holder && holder->mValue ? *holder->mValue : -99);
      return 0;
    }
  };
  const RCPtr<RightClickLog> rightLog = MakeRCPtr<RightClickLog>();
  mList->RegisterClient(rightLog, u"NID_ITEM_RIGHT_CLICK");

  mWindow->Press(kMouseButtonLeft, OverControl(2));
  EXPECT_EQ(Selected(), "2");
  EXPECT_EQ(mList->GetItemControlAt(2)->GetVisualState(), LListBoxItem::kLookSelectedOffset)
      << "held still: the selected look";
  mWindow->Release(kMouseButtonLeft, OverControl(2));
  EXPECT_EQ(log->Count("NID_SELECTION_CHANGE"), 1);
  EXPECT_EQ(mList->GetItemControlAt(2)->GetVisualState(), LListBoxItem::kLookSelectedOffset + 1)
      << "under the pointer: selected hover";
  mList->SetRowMarked(2, true);
  EXPECT_EQ(mList->GetItemControlAt(2)->GetVisualState(), LListBoxItem::kLookSelectedMarkedOffset + 1);
  mList->SetRowMarked(2, false);
  EXPECT_GT(log->Count("NID_ITEM_HOVER_CONDITION_CHANGE"), 0);

  // A double click selects on the first press and reports on the second.
  log->mEntries.clear();
  mWindow->Press(kMouseButtonLeft, OverControl(4));
  mWindow->Release(kMouseButtonLeft, OverControl(4));
  EXPECT_EQ(log->Count("NID_ITEM_DOUBLE_CLICKED"), 0);
  mWindow->Press(kMouseButtonLeft, OverControl(4), true);
  mWindow->Release(kMouseButtonLeft, OverControl(4));
  EXPECT_EQ(log->Count("NID_ITEM_DOUBLE_CLICKED"), 1);

  // A right click reports its row and leaves the selection; a right double click reports nothing.
  mList->ScrollRowIntoView(9);
  ASSERT_EQ(mList->GetFirstRow(), 5);
  mWindow->Press(kMouseButtonRight, OverControl(2));
  mWindow->Release(kMouseButtonRight, OverControl(2));
  mWindow->Press(kMouseButtonRight, OverControl(2), true);
  mWindow->Release(kMouseButtonRight, OverControl(2));
  EXPECT_EQ(rightLog->rows, std::vector<int>{7});
  EXPECT_EQ(Selected(), "4");

  // Pressing the partly shown row scrolls it into view: the press moves to the control now showing it.
  mWindow->Press(kMouseButtonLeft, OverControl(5));
  EXPECT_EQ(Selected(), "10");
  EXPECT_EQ(mList->GetFirstRow(), 6);
  EXPECT_EQ(mWindow->GetCaptureControl(), RCPtr<LControl>(mList->GetItemControlAt(4)));
  mWindow->Release(kMouseButtonLeft, OverControl(4));
  mList->UnregisterClientFromAll(rightLog);

  // A press and a drag off the item: the drag's notification carries the row.
  log->mEntries.clear();
  mWindow->Press(kMouseButtonLeft, OverControl(1));
  mWindow->Move({OverControl(1).x, OverControl(1).y + 3});
  EXPECT_EQ(mList->GetItemControlAt(1)->GetVisualState(), LListBoxItem::kLookSelectedOffset + 2)
      << "dragging over the item: selected pressed";
  mWindow->Move({OverControl(1).x + 300, OverControl(1).y});
  EXPECT_EQ(mList->GetItemControlAt(1)->GetVisualState(), LListBoxItem::kLookSelectedOffset + 1)
      << "dragged off the item: selected hover";
  mWindow->Release(kMouseButtonLeft, {OverControl(1).x + 300, OverControl(1).y});
  EXPECT_GE(log->Count("NID_ITEM_LEFT_DRAG_CONDITION_CHANGE"), 2) << "on at the drag, off at the release";
}

TEST_F(ListBoxTest, TheItemsLookFollowsItsStates) {
  Open();
  AddRows(3);
  const RCPtr<LListBoxItem> item = mList->GetItemControlAt(0);
  struct Case {
    const char* name;
    bool selected, marked, blank, hover, enabled;
    int look;
  };
  const Case cases[] = {
      {"plain", false, false, false, false, true, 0},
      {"hover", false, false, false, true, true, 1},
      {"marked", false, true, false, false, true, 3},
      {"marked hover", false, true, false, true, true, 4},
      {"selected", true, false, false, false, true, 7},
      {"selected hover", true, false, false, true, true, 8},
      {"selected marked hover", true, true, false, true, true, 11},
      {"disabled", false, false, false, false, false, 6},
      {"disabled and selected", true, false, false, false, false, 13},
      {"blank whatever else", true, true, true, true, true, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mList->SetRow(0, LListBox::MakeTextItem(WideString(u"text")), 0.0, c.marked, c.blank);
    if (c.selected)
      mList->SelectRange(0, -1, true);
    else
      mList->ClearSelection();
    mList->SetRowHover(0, c.hover);
    mList->SetEnabled(c.enabled);
    EXPECT_EQ(item->GetVisualState(), c.look);
    EXPECT_EQ(item->GetLookWeight(static_cast<std::uint32_t>(c.look)), 1.0f);
    EXPECT_EQ(test::Narrow(item->GetText()), c.blank ? "" : "text");
    mList->SetEnabled(true);
  }
  EXPECT_EQ(mList->SetRowHover(40, true), S_FALSE) << "no control shows the row";
  EXPECT_TRUE(item->GetUseParentToolTip());
  EXPECT_TRUE(item->IsNotFocusable());
}

TEST_F(ListBoxTest, InDropDownModeHoverSelectsQuietlyAndTheReleaseActivatesAndHides) {
  Open();
  mList->SetDropDownMode(true);
  AddRows(4);
  EXPECT_EQ(mList->GetBounds().height, 4 * 14.0) << "as high as its rows (the skin's list has no frame)";
  const auto log = Listen(mList, {u"NID_SELECTION_CHANGE", u"NID_ITEM_ACTIVATED"});
  mWindow->Move(OverControl(1));
  EXPECT_EQ(Selected(), "1");
  mWindow->Move(OverControl(2));
  EXPECT_EQ(Selected(), "2");
  EXPECT_EQ(log->Count("NID_SELECTION_CHANGE"), 0);
  // The press goes to the list itself, at the point in its coordinates.
  mWindow->Press(kMouseButtonLeft, OverControl(2));
  EXPECT_EQ(mWindow->GetCaptureControl(), RCPtr<LControl>(mList));
  mWindow->Move({OverControl(1).x, OverControl(1).y + 2});
  EXPECT_EQ(Selected(), "1") << "dragging over the rows selects";
  mWindow->Release(kMouseButtonLeft, OverControl(1));
  EXPECT_EQ(log->Count("NID_ITEM_ACTIVATED"), 1);
  EXPECT_FALSE(mList->IsVisible(false));
  EXPECT_EQ(log->Count("NID_SELECTION_CHANGE"), 0);

  // With no rows the list is one row high.
  mList->RemoveAllItems();
  mList->SetVisible(true);
  mList->MeasureRowHeight(RCPtr<LControl>(mList->GetItemControlAt(0)));
  EXPECT_EQ(mList->GetBounds().height, 14.0);
}

TEST_F(ListBoxTest, ASkinSwitchKeepsRowsSelectionAndScrollPosition) {
  for (const char16_t* name : {u"main", u"static"}) {
    SCOPED_TRACE(test::Narrow(WideString(name)));
    ASSERT_EQ(mFactory->SetCurrentSkinIndex(0), S_OK);
    Open(name);
    if (mList->GetItemCount() == 0)
      AddRows(30);
    mList->SelectRange(1, -1, true);
    mList->ScrollRowIntoView(12);
    const int firstRow = mList->GetFirstRow();
    const double offset = mList->GetScrollOffset().y;
    const int count = mList->GetItemCount();
    const std::string texts = Texts();

    ASSERT_EQ(mFactory->SetCurrentSkinIndex(1), S_OK);
    RCPtr<LControl> main = mMain;
    ASSERT_EQ(mFactory->ApplySkinToControl(main), S_OK);
    ASSERT_EQ(DynamicCast<LListBox>(mMain->FindChild(WideString(u"list"))), mList) << "the same list";
    EXPECT_EQ(mList->GetItemCount(), count);
    EXPECT_EQ(Texts(), texts);
    EXPECT_EQ(Selected(), "1");
    EXPECT_EQ(mList->GetFirstRow(), firstRow);
    EXPECT_EQ(mList->GetScrollOffset().y, offset);
    ASSERT_GT(mList->GetItemControlCount(), 0);
    EXPECT_EQ(ControlText(0), test::Narrow(mList->GetItemText(firstRow)));
    if (mList->GetTemplateDescriptor()) {
      EXPECT_EQ(mList->GetItemControlAt(0)->GetBounds().height, 20.0) << "the new skin's rows";
      EXPECT_EQ(mList->GetItemControlCount(), 5);
    }
    // The list still works.
    mList->SelectRange(firstRow, -1, true);
    EXPECT_TRUE(mList->GetItemControlAt(0)->IsSelected());
    mList = RCPtr<LListBox>();
    mMain = RCPtr<LControl>();
    mWindow->SetRootControl(RCPtr<LControl>());
  }
}

TEST_F(ListBoxTest, TheHeightSnapsToWholeRows) {
  Open();
  ASSERT_EQ(mList->GetRowHeight(), 14);
  EXPECT_EQ(mList->SnapSizeLimitsToRows(), S_OK);
  EXPECT_EQ(mList->GetBounds().height, 98.0) << "seven rows of 14 in 100 pixels";
  mList->SetHeightForContent(3 * 14);
  EXPECT_EQ(mList->GetBounds().height, 42.0);
  mList->SetHeightForContent(5);
  mList->SnapSizeLimitsToRows();
  EXPECT_EQ(mList->GetBounds().height, 14.0) << "at least one row";
}

// A random walk over the row and selection operations; after every step the
// list's invariants hold, every row control shows the row the mapping rule
// gives, the content is as high as the rows shown and as wide as the widest
// row, and inserts, removals of other rows and sorts leave anchor and focus
// on their rows.
TEST_F(ListBoxTest, ARandomWalkKeepsTheInvariants) {
  mApp.mRenderer = MakeRCPtr<RowRenderer>(); // rows as wide as their texts
  for (const bool multi : {false, true}) {
    SCOPED_TRACE(multi ? "multiple selection" : "single selection");
    Open();
    mList->SetMultiSelect(multi);
    std::mt19937 random(multi ? 7u : 11u);
    int made = 0;
    const auto pick = [&](int count) { return count > 0 ? static_cast<int>(random() % count) : 0; };
    // Texts of one to twelve characters, each row's own.
    const auto text = [&] {
      std::string name = "n" + std::to_string(made++);
      name.resize(std::max<std::size_t>(name.size(), static_cast<std::size_t>(pick(13))), 'w');
      return LListBox::MakeTextItem(WideString(name.c_str()));
    };
    const auto itemAt = [&](int row) { return row >= 0 ? mList->GetItem(row).GetRaw() : nullptr; };
    for (int step = 0; step < 1500; ++step) {
      const int count = mList->GetItemCount();
      const unsigned op = static_cast<unsigned>(random() % 12);
      SCOPED_TRACE("operation " + std::to_string(op) + " rows before " + std::to_string(count) + " first " +
                   std::to_string(mList->GetFirstRow()));
      // The rows anchor and focus stand on, where the operation keeps them there.
      const LTaggableObject* anchorItem = itemAt(mList->GetAnchorRow());
      const LTaggableObject* focusItem = itemAt(mList->GetFocusRow());
      const bool hadAnchor = mList->GetAnchorRow() >= 0;
      const bool hadFocus = mList->GetFocusRow() >= 0;
      bool keepsEnds = false;
      switch (op) {
      case 0:
      case 1:
        mList->InsertItem(pick(count + 1), text());
        keepsEnds = true;
        break;
      case 2: {
        const int row = pick(count);
        // Removing the anchor's or the focus's own row moves them elsewhere.
        keepsEnds = row != mList->GetAnchorRow() && row != mList->GetFocusRow();
        mList->RemoveItem(row);
        break;
      }
      case 11:
        mList->SetItem(pick(count), text());
        break;
      case 3:
        mList->SetItemHidden(pick(count), random() % 3 != 0);
        break;
      case 4:
        mList->SetItemCount(pick(25));
        break;
      case 5:
        mList->SelectRange(pick(count), static_cast<int>(random() % 4 == 0 ? -1 : pick(count)), random() % 2 == 0);
        break;
      case 6:
        mList->DeselectRow(pick(count));
        break;
      case 7: {
        const std::uint8_t keys[] = {0x26, 0x28, 0x0D, 0x21, 0x22};
        Key(keys[random() % 5], random() % 2 ? kModifierShift : 0);
        break;
      }
      case 8:
        mList->SortItems();
        keepsEnds = true;
        break;
      case 9:
        mList->ScrollRowIntoView(pick(count));
        break;
      default:
        mList->GetVerticalBar()->SetValue(static_cast<double>(random() % 100) / 100.0);
        break;
      }
      const int rows = mList->GetItemCount();
      int selected = 0;
      for (int row = 0; row < rows; ++row)
        selected += mList->IsRowSelected(row) ? 1 : 0;
      ASSERT_EQ(mList->GetSelectedCount(), selected) << "step " << step;
      ASSERT_TRUE(mList->GetAnchorRow() >= -1 && mList->GetAnchorRow() < rows) << "step " << step;
      ASSERT_TRUE(mList->GetFocusRow() >= -1 && mList->GetFocusRow() < rows) << "step " << step;
      ASSERT_TRUE(mList->GetFirstRow() >= 0 && (mList->GetFirstRow() < rows || mList->GetFirstRow() == rows))
          << "step " << step;
      if (keepsEnds && mList->GetAnchorRow() >= 0) {
        ASSERT_EQ(itemAt(mList->GetAnchorRow()), anchorItem) << "step " << step << ": the anchor left its row";
      }
      if (keepsEnds && mList->GetFocusRow() >= 0) {
        ASSERT_EQ(itemAt(mList->GetFocusRow()), focusItem) << "step " << step << ": the focus left its row";
      }
      if (keepsEnds && op != 2) {
        ASSERT_EQ(mList->GetAnchorRow() >= 0, hadAnchor) << "step " << step;
        ASSERT_EQ(mList->GetFocusRow() >= 0, hadFocus) << "step " << step;
      }
      int shown = 0;
      int widest = 0;
      for (int r = 0; r < rows; ++r) {
        shown += mList->IsRowHidden(r) ? 0 : 1;
        widest = std::max(widest, mList->MeasureRowWidth(r));
      }
      ASSERT_EQ(mList->GetContentHeight(), shown * mList->GetRowHeight()) << "step " << step;
      ASSERT_EQ(mList->GetClientExtentSize().height, shown * mList->GetRowHeight()) << "step " << step;
      ASSERT_EQ(mList->GetContentWidth(), widest) << "step " << step;
      int row = mList->GetFirstRow();
      for (int k = 0; k < mList->GetItemControlCount(); ++k) {
        if (k > 0) {
          ++row;
          while (row < rows && mList->IsRowHidden(row))
            ++row;
        }
        if (row < rows && mList->IsRowHidden(row))
          continue; // a hidden first row gets no control
        const RCPtr<LListBoxItem> control = mList->GetItemControlAt(k);
        ASSERT_EQ(test::Narrow(control->GetText()), row < rows ? test::Narrow(mList->GetItemText(row)) : "")
            << "step " << step << " control " << k;
        ASSERT_EQ(control->IsEnabled(false), row < rows) << "step " << step << " control " << k;
        ASSERT_EQ(control->IsSelected(), mList->IsRowSelected(row)) << "step " << step << " control " << k;
      }
    }
    mList = RCPtr<LListBox>();
    mMain = RCPtr<LControl>();
    mWindow->SetRootControl(RCPtr<LControl>());
  }
}

} // namespace
} // namespace QZ
