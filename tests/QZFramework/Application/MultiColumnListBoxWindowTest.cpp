// A three-column table from the skin, made by the framework's registered
// classes, in a real window under the offscreen driver: header clicks sort
// every column (each header in its own direction) with selection and marks
// following their rows and no selection notification, long texts by their
// whole text; a selection in one column is made in all and reported once, and
// the keys stay on it when a row is put into every column; the hover spreads
// across the row; keyboard scrolling in the first column moves every column
// and the bar, without moving the table sideways; Tab leaves the later columns
// out.
// Tables built by hand from skin entries show what Initialize answers and
// how a table without columns, or with columns of different lengths, behaves.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Controls/ListBoxSkin.h"
#include "QZFramework/Controls/MultiColumnListBox.h"

#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 300;
constexpr std::int32_t kHeight = 200;
constexpr int kRowControlHeight = 18;
// Each column's left edge in the table and its width.
constexpr int kColumnX[3] = {0, 80, 160};
constexpr int kColumnWidth[3] = {80, 80, 60};

std::string At(int x, int y, int w, int h) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(w) + "\" YSizeAbs=\"" + std::to_string(h) + "\"";
}

// A table of that name and place with these columns (list boxes of five row
// controls under 20-pixel headers) and header buttons.
std::string Table(const std::string& name, const std::string& place, int columns, int headers, bool bars = false) {
  std::string children = bars ? test::ScrollViewBars() : "";
  for (int n = 1; n <= headers; ++n)
    children += test::ScrollPart("Framework.Button", "buttonColumnHeader" + std::to_string(n),
                                 At(kColumnX[(n - 1) % 3], 0, kColumnWidth[(n - 1) % 3], 20), "GreenButton");
  for (int n = 1; n <= columns; ++n)
    children += test::ScrollPart("Framework.listboxNoScroll", "listboxNoScroll" + std::to_string(n),
                                 At(kColumnX[n - 1], 20, kColumnWidth[n - 1], 5 * kRowControlHeight), "Gray",
                                 test::ListRow("templateItem", kRowControlHeight));
  return test::ScrollPart("Framework.listbox2ColumnSortable", name, place, "Gray", children);
}

// The window's table at (10, 10), 200 by 126: narrower than its columns, so
// its horizontal bar shows. "variants" is never shown: its tables are built
// by hand.
std::string TableWindowSkin() {
  const std::string variants = Table("t32", At(0, 0, 240, 110), 3, 2) + Table("t33", At(0, 0, 240, 110), 3, 3) +
                               Table("t30", At(0, 0, 240, 110), 3, 0) + Table("t23", At(0, 0, 240, 110), 2, 3) +
                               Table("t01", At(0, 0, 240, 110), 0, 1);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
         test::ListBoxLooks() + "<Skins><Skin Name=\"S\">" +
         test::ScrollPart("Test.Plain", "main", At(0, 0, kWidth, kHeight), "Gray",
                          Table("table", At(10, 10, 200, 126), 3, 3, true)) +
         test::ScrollPart("Test.Plain", "variants", At(0, 0, kWidth, kHeight), "Gray", variants) +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

// What the table sends: the identifiers, and whether any came with a payload.
class Recorder : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    mIds.push_back(WideString(notification->GetID()).ToNarrow().GetChars());
    mPayloads += notification->GetPayload() ? 1 : 0;
    return 0;
  }
  int Count(const std::string& id) const {
    int count = 0;
    for (const std::string& entry : mIds)
      count += entry == id ? 1 : 0;
    return count;
  }
  std::vector<std::string> mIds;
  int mPayloads = 0;
};

using Row = std::array<const char*, 3>;

class MultiColumnListBoxWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    OpenSkinWindow(TableWindowSkin(), kWidth, kHeight);
    mTable = DynamicCast<LMultiColumnListBox>(mMain->FindChild(WideString(u"table")));
    ASSERT_TRUE(mTable);
    ASSERT_EQ(mTable->GetColumnCount(), 3);
    for (const char16_t* id :
         {u"NID_SELECTION_CHANGE", u"NID_ITEM_ACTIVATED", u"NID_ITEM_DOUBLE_CLICKED", u"NID_ITEM_RIGHT_CLICK"})
      mTable->RegisterClient(mLog, id);
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    Pump();
  }
  void TearDown() override {
    if (mTable)
      mTable->UnregisterClientFromAll(mLog);
    mTable = RCPtr<LMultiColumnListBox>();
    SkinWindowFixture::TearDown();
  }

  RCPtr<LListBox> Column(int c) const { return mTable->GetColumn(c); }
  // The rows, a null text leaving the cell without item.
  void Fill(const std::vector<Row>& rows) {
    for (int c = 0; c < 3; ++c)
      for (std::size_t r = 0; r < rows.size(); ++r)
        Column(c)->InsertItem(static_cast<std::int32_t>(r), rows[r][c]
                                                                ? LListBox::MakeTextItem(WideString(rows[r][c]))
                                                                : RCPtr<LTaggableObject>());
  }
  void FillNumbered(int count) {
    std::vector<std::string> texts;
    for (int r = 0; r < count; ++r)
      texts.push_back(std::to_string(r));
    for (int c = 0; c < 3; ++c)
      for (int r = 0; r < count; ++r)
        Column(c)->InsertItem(r, LListBox::MakeTextItem(WideString(texts[static_cast<std::size_t>(r)].c_str())));
  }
  std::vector<std::string> Texts(int c) const {
    std::vector<std::string> texts;
    for (std::int32_t r = 0; r < Column(c)->GetItemCount(); ++r)
      texts.emplace_back(Column(c)->GetItemText(r).ToNarrow().GetChars());
    return texts;
  }
  // The middle of row control k of column c, in the window (the table not scrolled sideways).
  static Platform::WindowPoint Cell(int c, int k) {
    return {10 + kColumnX[c] + 12, 10 + 20 + kRowControlHeight * k + kRowControlHeight / 2};
  }
  static Platform::WindowPoint Header(int c) { return {10 + kColumnX[c] + 12, 20}; }
  void Click(const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.MovePointer(mId, at));
    ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, at));
    ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, at));
    Pump();
  }
  void Key(std::uint32_t virtualKey) {
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, true));
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, false));
    Pump();
  }
  std::string Focused() const {
    const RCPtr<LControl> focus = mWindow->GetRootWindow()->GetFocusedControl();
    return focus ? std::string(focus->GetName().ToNarrow().GetChars()) : "none";
  }
  // A table made from the hidden "variants" entry as its create function
  // would make it, with the result of Initialize.
  RCPtr<LMultiColumnListBox> Build(const char16_t* name, QZRESULT& initialized) {
    const RCPtr<LControlDescriptor>& variants = mFactory->FindTopLevelDescriptor(WideString(u"variants"));
    RCPtr<LControlDescriptor> descriptor;
    for (std::uint32_t i = 0; variants && i < variants->GetChildren().GetCount(); ++i)
      if (variants->GetChildren().GetAt(i)->GetName().EqualsString(WideString(name)))
        descriptor = variants->GetChildren().GetAt(i);
    EXPECT_TRUE(descriptor);
    if (!descriptor)
      return RCPtr<LMultiColumnListBox>();
    const RCPtr<LMultiColumnListBox> table(new LMultiColumnListBox(mMain, WideString(name)));
    static_cast<void>(table->CreateChildrenFromDescriptor(descriptor));
    static_cast<void>(table->CreateChildren(descriptor));
    initialized = table->Initialize();
    static_cast<void>(table->FinishInitialize());
    table->SetCreated();
    return table;
  }

  RCPtr<LMultiColumnListBox> mTable;
  RCPtr<Recorder> mLog = MakeRCPtr<Recorder>();
};

TEST_F(MultiColumnListBoxWindowTest, HeadersSortEveryColumnEachInItsOwnDirection) {
  // Column 3 names the row each line came from.
  const std::vector<Row> rows = {{"echo", "b", "0"},    {"Alpha", "E", "1"}, {"delta", "a", "2"},
                                 {"Charlie", "D", "3"}, {"bravo", "c", "4"}, {"foxtrot", nullptr, "5"}};
  Fill(rows);
  ASSERT_TRUE(Column(0)->SetRowMarked(1, true));
  ASSERT_EQ(Column(0)->SelectRange(3, -1, true), 3);
  EXPECT_EQ(mLog->Count("NID_SELECTION_CHANGE"), 1);
  for (int c = 0; c < 3; ++c)
    EXPECT_TRUE(Column(c)->IsRowSelected(3));

  struct SStep {
    int header;
    std::vector<int> order; // the original rows, top to bottom
  };
  const SStep steps[] = {
      {1, {5, 2, 0, 4, 3, 1}}, // ascending ignoring case; no item is the empty text, first
      {1, {1, 3, 4, 0, 2, 5}}, // descending: the row without item last
      {0, {1, 4, 3, 2, 0, 5}}, // the first header's own first click: ascending
  };
  for (const SStep& step : steps) {
    SCOPED_TRACE("header " + std::to_string(step.header + 1));
    Click(Header(step.header));
    for (int c = 0; c < 3; ++c) {
      std::vector<std::string> expected;
      for (const int from : step.order)
        expected.emplace_back(rows[static_cast<std::size_t>(from)][c] ? rows[static_cast<std::size_t>(from)][c]
                                                                      : "");
      EXPECT_EQ(Texts(c), expected) << "column " << c + 1;
      for (int k = 0; k < 6; ++k) {
        const int from = step.order[static_cast<std::size_t>(k)];
        EXPECT_EQ(Column(c)->IsRowSelected(k), from == 3) << "column " << c + 1 << " row " << k;
        EXPECT_EQ(Column(c)->GetRowMarked(k), from == 1) << "column " << c + 1 << " row " << k;
      }
    }
  }
  EXPECT_EQ(mLog->Count("NID_SELECTION_CHANGE"), 1) << "sorting sends no selection change";

  // The columns still follow each other afterwards.
  Click(Cell(1, 0));
  EXPECT_EQ(mLog->Count("NID_SELECTION_CHANGE"), 2);
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(Column(c)->GetSelectedRows(), std::vector<std::uint32_t>{0});
}

TEST_F(MultiColumnListBoxWindowTest, LongTextsThatAgreeAtTheStartSortByTheirWholeText) {
  // Column 3 names the row. "~" comes after the letters; texts equal but for case keep their order both ways.
  const std::vector<Row> rows = {{"abcdefghZ", "", "0"}, {"ABCDEFGHa", "", "1"}, {"abcdefgh", "", "2"},
                                 {"abcdefghb", "", "3"}, {"abcdefgi", "", "4"},  {"Abcdefgh~", "", "5"},
                                 {"aBCDEFGH", "", "6"},  {"abc", "", "7"},       {"abcdefghB", "", "8"}};
  Fill(rows);
  const struct {
    const char* name;
    std::vector<std::string> order;
  } steps[] = {{"ascending", {"7", "2", "6", "1", "3", "8", "0", "5", "4"}},
               {"descending", {"4", "5", "0", "3", "8", "1", "2", "6", "7"}}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_EQ(mTable->PerformSort(0), S_OK);
    EXPECT_EQ(Texts(2), step.order);
  }
}

TEST_F(MultiColumnListBoxWindowTest, ASelectionInAnyColumnIsMadeInAllAndSentOnce) {
  FillNumbered(12);
  Click(Cell(1, 3));
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(Column(c)->GetSelectedRows(), std::vector<std::uint32_t>{3}) << "column " << c + 1;
  EXPECT_EQ(mLog->Count("NID_SELECTION_CHANGE"), 1);

  Click(Cell(2, 1));
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(Column(c)->GetSelectedRows(), std::vector<std::uint32_t>{1}) << "column " << c + 1;
  EXPECT_EQ(mLog->Count("NID_SELECTION_CHANGE"), 2);
  EXPECT_EQ(mLog->mPayloads, 0);

  // What a column reports of its rows, the table passes on without the row.
  mLog->mIds.clear();
  for (const char16_t* id : {u"NID_ITEM_ACTIVATED", u"NID_ITEM_DOUBLE_CLICKED", u"NID_ITEM_RIGHT_CLICK"}) {
    const std::string name = WideString(id).ToNarrow().GetChars();
    SCOPED_TRACE(name);
    Column(2)->Notify(
        LNotification::Create(id, RCPtr<LRefCountedObject>(LListBox::MakeTextItem(WideString(u"2")))));
    EXPECT_EQ(mLog->Count(name), 1);
  }
  EXPECT_EQ(mLog->mPayloads, 0);
  EXPECT_EQ(mLog->mIds.size(), 3u);
}

TEST_F(MultiColumnListBoxWindowTest, ARowPutIntoEveryColumnLeavesTheKeysOnTheSelectedRow) {
  const struct {
    const char* name;
    std::int32_t insertAt;
    const char* afterDown; // the first column's text of the row Down selects
  } cases[] = {{"before", 0, "4"}, {"at", 3, "4"}, {"after", 4, "new"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int col = 0; col < 3; ++col)
      ASSERT_GE(Column(col)->RemoveAllItems(), 0);
    FillNumbered(6);
    Click(Cell(0, 3));
    ASSERT_EQ(Focused(), "listboxNoScroll1");
    mLog->mIds.clear();

    // The owner puts the row into every column.
    for (int col = 0; col < 3; ++col)
      ASSERT_EQ(Column(col)->InsertItem(c.insertAt, LListBox::MakeTextItem(WideString(u"new"))), c.insertAt);
    Key(0x28); // Down
    const std::int32_t focus = Column(0)->GetFocusRow();
    ASSERT_GE(focus, 0);
    EXPECT_EQ(std::string(Column(0)->GetItemText(focus).ToNarrow().GetChars()), c.afterDown);
    for (int col = 0; col < 3; ++col)
      EXPECT_EQ(Column(col)->GetSelectedRows(), std::vector<std::uint32_t>{static_cast<std::uint32_t>(focus)})
          << "column " << col + 1;
    EXPECT_EQ(mLog->Count("NID_SELECTION_CHANGE"), 1);
    Key(0x0D); // Enter: the owner reads the row from the first column
    EXPECT_EQ(mLog->Count("NID_ITEM_ACTIVATED"), 1);
    EXPECT_EQ(Column(0)->GetFocusRow(), focus);
  }
}

TEST_F(MultiColumnListBoxWindowTest, TheHoverSpreadsAcrossTheRow) {
  FillNumbered(12);
  ASSERT_TRUE(mSimulator.MovePointer(mId, Cell(0, 2)));
  Pump();
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE("column " + std::to_string(c + 1));
    EXPECT_EQ(PaintAndRead(Cell(c, 2).x, Cell(c, 2).y), test::kScrollGreen);
    EXPECT_EQ(PaintAndRead(Cell(c, 1).x, Cell(c, 1).y), test::kScrollWhite);
  }
  ASSERT_TRUE(mSimulator.MovePointer(mId, {280, 190}));
  Pump();
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(PaintAndRead(Cell(c, 2).x, Cell(c, 2).y), test::kScrollWhite) << "column " << c + 1;
}

TEST_F(MultiColumnListBoxWindowTest, KeysInTheFirstColumnScrollEveryColumnAndTabSkipsTheOthers) {
  FillNumbered(12);
  Click(Cell(0, 0));
  ASSERT_EQ(Focused(), "listboxNoScroll1");
  ASSERT_TRUE(mTable->IsScrollBarShown(LScrollView::kHorizontalBar));
  ASSERT_TRUE(mTable->IsScrollBarShown(LScrollView::kVerticalBar));
  // Scrolled sideways as far as it goes: the columns are 220 pixels wide, the view 184.
  static_cast<void>(mTable->GetHorizontalBar()->SetValue(1.0));
  ASSERT_EQ(mTable->GetScrollOffset().x, 36);

  const std::int32_t rowHeight = Column(0)->GetRowHeight();
  for (int k = 1; k <= 5; ++k)
    Key(0x28); // Down
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE("column " + std::to_string(c + 1));
    EXPECT_EQ(Column(c)->GetSelectedRows(), std::vector<std::uint32_t>{5});
    EXPECT_EQ(Column(c)->GetFirstRow(), 1);
    EXPECT_EQ(Column(c)->GetScrollOffset().y, rowHeight);
  }
  EXPECT_EQ(mTable->GetScrollOffset().y, rowHeight);
  EXPECT_DOUBLE_EQ(mTable->GetVerticalBar()->GetValue(), 1.0) << "the bar counts rows";
  EXPECT_EQ(mTable->GetScrollOffset().x, 36) << "a row scrolled into view does not move the table sideways";

  // The bar moves the rows of every column back.
  static_cast<void>(mTable->GetVerticalBar()->SetValue(0.0));
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(Column(c)->GetFirstRow(), 0) << "column " << c + 1;
  // The wheel over a later column, which has no bar of its own, scrolls the table by a row.
  ASSERT_TRUE(mSimulator.Wheel(mId, Platform::WheelAxis::kVertical, -120, {10 + kColumnX[1] - 36 + 40, 60}));
  Pump();
  EXPECT_EQ(mTable->GetScrollOffset().y, rowHeight);
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(Column(c)->GetFirstRow(), 1) << "column " << c + 1;

  std::vector<std::string> stops;
  for (int i = 0; i < 8; ++i) {
    Key(0x09); // Tab
    stops.push_back(Focused());
  }
  for (const std::string& stop : stops) {
    EXPECT_NE(stop, "listboxNoScroll2");
    EXPECT_NE(stop, "listboxNoScroll3");
  }
}

TEST_F(MultiColumnListBoxWindowTest, InitializeAnswersWhetherTheHeadersMatchTheColumns) {
  struct SCase {
    const char16_t* name;
    QZRESULT expected;
  };
  const SCase cases[] = {
      {u"t32", LMultiColumnListBox::kHeadersDoNotMatchColumns},
      {u"t33", LMultiColumnListBox::kHeadersMatchColumns},
      {u"t30", S_OK}, // the panel's own result
      {u"t23", LMultiColumnListBox::kHeadersDoNotMatchColumns},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(WideString(c.name).ToNarrow().GetChars());
    QZRESULT initialized = E_FAIL;
    const RCPtr<LMultiColumnListBox> table = Build(c.name, initialized);
    ASSERT_TRUE(table);
    EXPECT_EQ(initialized, c.expected);
    static_cast<void>(table->Close());
  }

  // A header without a column sorts nothing; the one with a column sorts.
  QZRESULT initialized = E_FAIL;
  const RCPtr<LMultiColumnListBox> table = Build(u"t23", initialized);
  ASSERT_TRUE(table);
  for (const char16_t* text : {u"b", u"a"})
    table->GetColumn(0)->InsertItem(table->GetColumn(0)->GetItemCount(), LListBox::MakeTextItem(WideString(text)));
  table->GetColumn(1)->SetItemCount(2);
  const RCPtr<LMouseButtonParam> click = LMouseButtonParam::Create(1, {1, 1}, 0, 0, 0, 0);
  const auto header = [&](int n) {
    return DynamicCast<LButton>(table->FindChild(WideString(("buttonColumnHeader" + std::to_string(n)).c_str())));
  };
  ASSERT_TRUE(header(3));
  static_cast<void>(header(3)->OnLeftClick(click));
  EXPECT_EQ(std::string(table->GetCellText(0, 0).ToNarrow().GetChars()), "b");
  static_cast<void>(header(1)->OnLeftClick(click));
  EXPECT_EQ(std::string(table->GetCellText(0, 0).ToNarrow().GetChars()), "a");
  EXPECT_EQ(table->PerformSort(2), E_INVALIDARG);
  static_cast<void>(table->Close());
}

TEST_F(MultiColumnListBoxWindowTest, ATableWithoutColumnsHasNoExtentRowsOrSort) {
  QZRESULT initialized = E_FAIL;
  const RCPtr<LMultiColumnListBox> table = Build(u"t01", initialized);
  ASSERT_TRUE(table);
  EXPECT_EQ(initialized, LMultiColumnListBox::kHeadersDoNotMatchColumns);
  EXPECT_EQ(table->GetRowCount(), 0);
  const RectT<double> view = table->GetLocalBounds();
  EXPECT_EQ(view.width, 0);
  EXPECT_EQ(view.height, 0);
  EXPECT_EQ(table->GetClientExtentSize().width, 0);
  EXPECT_EQ(table->GetClientExtentSize().height, 0);
  EXPECT_EQ(table->PerformSort(0), E_INVALIDARG);
  EXPECT_TRUE(table->GetCellText(0, 0).IsEmpty());
  // Its header's click and a scroll find nothing to do.
  const RCPtr<LButton> header = DynamicCast<LButton>(table->FindChild(WideString(u"buttonColumnHeader1")));
  ASSERT_TRUE(header);
  static_cast<void>(header->OnLeftClick(LMouseButtonParam::Create(1, {1, 1}, 0, 0, 0, 0)));
  static_cast<void>(table->SetScrollOffset({0, 30}));
  static_cast<void>(table->Close());
}

TEST_F(MultiColumnListBoxWindowTest, ColumnsOfDifferentLengthsSortAndFollowOnlyTheRowsAllHold) {
  const char16_t* texts[3][5] = {
      {u"d", u"c", u"b", u"a", nullptr}, {u"z", u"y", u"x", nullptr, nullptr}, {u"p", u"q", u"r", u"s", u"t"}};
  const int counts[3] = {4, 3, 5};
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < counts[c]; ++r)
      Column(c)->InsertItem(r, LListBox::MakeTextItem(WideString(texts[c][r])));
  EXPECT_EQ(mTable->GetRowCount(), 4) << "the first column's";
  ASSERT_EQ(Column(2)->SelectRange(4, -1, true), 4);
  EXPECT_FALSE(Column(0)->IsRowSelected(4));
  EXPECT_FALSE(Column(1)->IsRowSelected(4));

  EXPECT_EQ(mTable->PerformSort(0), S_OK);
  const std::vector<std::vector<std::string>> expected = {
      {"b", "c", "d", "a"}, {"x", "y", "z"}, {"r", "q", "p", "s", "t"}};
  for (int c = 0; c < 3; ++c)
    EXPECT_EQ(Texts(c), expected[static_cast<std::size_t>(c)]) << "column " << c + 1;
  EXPECT_EQ(Column(2)->GetSelectedRows(), std::vector<std::uint32_t>{4}) << "the row past the others keeps it";
}

TEST_F(MultiColumnListBoxWindowTest, LostSubscriptionsEndASortWithTheFailedResult) {
  FillNumbered(3);
  // The table's selection binding of the second column is gone.
  static_cast<void>(mTable->Unsubscribe(RCPtr<LNotificationDistributor>(Column(1).GetRaw()),
                                        InternNotificationID(u"NID_SELECTION_CHANGE")));
  EXPECT_EQ(test::ThrownText<std::exception>([&] { static_cast<void>(mTable->PerformSort(0)); }),
            "Failed Result : QZRESULT = 80004005 : QZ::LMultiColumnListBox::PerformSort : "
            "Controls\\MultiColumnListBox : Line 725");

  const auto handler = LNotificationHandler<LMultiColumnListBox>::Create(mTable.GetRaw());
  EXPECT_EQ(test::ThrownText<std::exception>([&] {
              const CAutoNotificationDisabler<LMultiColumnListBox> quiet(
                  handler, RCPtr<LNotificationDistributor>(Column(0).GetRaw()), u"NID_SCROLL_OFFSET_CHANGE");
            }),
            "Failed Result : QZRESULT = 80004005 : QZ::CAutoNotificationDisabler<class "
            "QZ::LMultiColumnListBox>::CAutoNotificationDisabler : notification\\NotificationHandler : Line 247");
}

} // namespace
} // namespace QZ
