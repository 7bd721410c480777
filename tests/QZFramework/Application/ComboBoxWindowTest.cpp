// Combo boxes from the skin in a real window under the offscreen driver: rows
// from the box's own string table and the start-up selection, the list placed
// below or above the box for the room the window leaves (with and without the
// skin's maximum), a press that opens and a second that closes, the keys, the
// selection rules, a row put before, at or after the selected one, and a box
// whose skin forgot its list.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Controls/ComboBox.h"
#include "QZFramework/Controls/TextBox.h"
#include "QZFramework/Controls/ListBoxSkin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 460;
constexpr std::int32_t kHeight = 450;
constexpr int kRowHeight = 14;

std::string At(int x, int y, int w, int h) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(w) + "\" YSizeAbs=\"" + std::to_string(h) + "\"";
}

// A combo box 100 by 20 at (x, y) with a hidden list under it, as wide as the box; listExtra adds to the
// list's layout, params are creation parameters.
std::string Combo(const std::string& name, int x, int y, const std::string& listExtra = "",
                  const std::string& params = "", bool withList = true, const std::string& more = "") {
  const std::string list = test::ScrollPart(
      "Framework.ListBox", "listBox",
      "Visible=\"False\" XPositionAbs=\"0\" YPositionRel=\"1\" XSizeToControl=\"Parent\" XSizeRel=\"1\" "
      "XSizeAbs=\"0\" YSizeAbs=\"" +
          std::to_string(kRowHeight) + "\" " + listExtra,
      "Gray", test::ListRow("templateItem", kRowHeight));
  std::string text = "<SubControl Class=\"Framework.ComboBox\" Name=\"" + name + "\" " + At(x, y, 100, 20) + ">";
  if (!params.empty())
    text += "<CreateParamList>" + params + "</CreateParamList>";
  return text + "<Skin Name=\"" + name + "Skin\" LookList=\"Gray\">" + (withList ? list : "") + more +
         "</Skin></SubControl>";
}

std::string ComboWindowSkin() {
  const std::string combos =
      Combo("small", 10, 50) + Combo("tall", 120, 305) + Combo("limited", 230, 305, "YMaxSizeAbs=\"80\"") +
      Combo("third", 10, 100, "", "<CreateParam ID=\"INITIAL_SELECTED_INDEX\">2</CreateParam>") +
      Combo("pastEnd", 10, 150, "", "<CreateParam ID=\"INITIAL_SELECTED_INDEX\">7</CreateParam>") +
      Combo("noList", 340, 50, "", "", false) +
      Combo("editable", 340, 150, "", "", true,
            "<SubControl Class=\"Framework.TextBox\" Name=\"textBox\" " + At(0, 0, 80, 20) +
                " FontName=\"DejaVu Sans\" FontSize=\"10\" FontStyle=\"0\"><Skin Name=\"editableText\" "
                "LookList=\"Gray\"/></SubControl>");
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
         test::ListBoxLooks() + "<Skins><Skin Name=\"S\">" +
         test::ScrollPart("Test.Plain", "main", At(0, 0, kWidth, kHeight), "Gray", combos) +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

// Rows "Up", "Down", "Inclusive" for each of the boxes that read them.
std::string RowTables() {
  std::string document = "<r>";
  for (const char* name : {"small", "third", "pastEnd", "editable"}) {
    document += std::string("<StringTable ID=\"Test.Plain|") + name + "\">";
    int n = 0;
    for (const char* row : {"Up", "Down", "Inclusive"})
      document +=
          "<String ID=\"ITEM.0" + std::to_string(n++) + "\"><Locale LCID=\"9\">" + row + "</Locale></String>";
    document += "</StringTable>";
  }
  return document + "</r>";
}

class Counter : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) override {
    ++mCount;
    return 0;
  }
  int mCount = 0;
};

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

class ComboBoxWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    const std::string tables = RowTables();
    mFactory->LoadStringTablesFromText(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(tables.data()), tables.size()),
        std::span<const std::uint8_t>(), 0x0409);
    OpenSkinWindow(ComboWindowSkin(), kWidth, kHeight);
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    Pump();
  }
  void TearDown() override {
    for (const auto& [combo, counter] : mListening)
      combo->UnregisterClientFromAll(counter);
    mListening.clear();
    SkinWindowFixture::TearDown();
  }
  RCPtr<LComboBox> Box(const char16_t* name) const {
    return DynamicCast<LComboBox>(mMain->FindChild(WideString(name)));
  }
  RCPtr<Counter> Listen(const RCPtr<LComboBox>& combo, const char16_t* id) {
    const RCPtr<Counter> counter = MakeRCPtr<Counter>();
    combo->RegisterClient(counter, id);
    mListening.emplace_back(combo, counter);
    return counter;
  }
  void Fill(const RCPtr<LComboBox>& combo, int rows) {
    for (int i = 0; i < rows; ++i)
      ASSERT_EQ(combo->AddItem(WideString(("row " + std::to_string(i)).c_str())), i);
  }
  void Press(const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.MovePointer(mId, at));
    ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, at));
    Pump();
  }
  void Release(const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, at));
    Pump();
  }
  void Key(std::uint32_t virtualKey, bool shift = false) {
    if (shift) {
      ASSERT_TRUE(mSimulator.Key(mId, 0x10, true));
    }
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, true));
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, false));
    if (shift) {
      ASSERT_TRUE(mSimulator.Key(mId, 0x10, false));
    }
    Pump();
  }

  std::vector<std::pair<RCPtr<LComboBox>, RCPtr<Counter>>> mListening;
};

TEST_F(ComboBoxWindowTest, RowsComeFromTheBoxsTableAndTheInitialRowIsShown) {
  const struct {
    const char16_t* name;
    int index;
    const char* text;
  } cases[] = {{u"small", 0, "Up"}, {u"third", 2, "Inclusive"}, {u"pastEnd", -1, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(WideString(c.name)));
    const RCPtr<LComboBox> combo = Box(c.name);
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->GetItemCount(), 3);
    EXPECT_EQ(combo->GetSelectedIndex(), c.index);
    EXPECT_EQ(Narrow(combo->GetText()), c.text);
    EXPECT_FALSE(combo->IsDroppedDown());
    EXPECT_TRUE(combo->GetListBox()->IsDropDownMode());
  }
}

TEST_F(ComboBoxWindowTest, TheListOpensWhereTheWindowLeavesRoom) {
  Fill(Box(u"tall"), 100);
  Fill(Box(u"limited"), 100);
  const struct {
    const char16_t* name;
    bool below;
    double minHeight, maxHeight; // the list's height after snapping to rows
    double minMaximum, maxMaximum;
  } cases[] = {
      {u"small", true, 42, 42, 0, 0},       // 3 rows, 375 pixels below: no limit
      {u"tall", false, 280, 300, 280, 300}, // 100 rows, 120 below, 300 above
      {u"limited", true, 70, 80, 70, 80},   // the skin's 80 fits below
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(WideString(c.name)));
    const RCPtr<LComboBox> combo = Box(c.name);
    const RCPtr<Counter> opening = Listen(combo, u"NID_DROPDOWN_OPENING");
    ASSERT_EQ(combo->ShowDropDown(true), S_OK);
    EXPECT_EQ(opening->mCount, 1);
    ASSERT_TRUE(combo->IsDroppedDown());
    const RCPtr<LListBox> list = combo->GetListBox();
    const RectT<double>& bounds = list->GetBounds();
    EXPECT_GE(bounds.height, c.minHeight);
    EXPECT_LE(bounds.height, c.maxHeight);
    EXPECT_EQ(bounds.y, c.below ? 20.0 : -bounds.height);
    const double maximum = list->GetLayout()->mMaxSize[LLayoutDescriptor::kAxisY].mAbsolute;
    EXPECT_GE(maximum, c.minMaximum);
    EXPECT_LE(maximum, c.maxMaximum);
    EXPECT_EQ(list->GetFocusRow(), 0) << "the box's text, or row 0";
    EXPECT_EQ(combo->ShowDropDown(false), S_OK);
  }
}

TEST_F(ComboBoxWindowTest, APressOpensTheNextClosesAndTheListHoldsThePress) {
  const RCPtr<LComboBox> combo = Box(u"small");
  const RCPtr<Counter> changes = Listen(combo, u"NID_SELECTION_CHANGE");
  const Platform::WindowPoint onBox{50, 60};
  Press(onBox);
  ASSERT_TRUE(combo->IsDroppedDown());
  EXPECT_EQ(mWindow->GetRootWindow()->GetCaptureControl(), RCPtr<LControl>(combo->GetListBox()))
      << "the press goes on in the list";
  Release(onBox);
  EXPECT_TRUE(combo->IsDroppedDown()) << "a release over the box keeps the list open";
  Press(onBox);
  EXPECT_FALSE(combo->IsDroppedDown()) << "the second press closes, and opens nothing";
  Release(onBox);
  EXPECT_FALSE(combo->IsDroppedDown());

  // Pressed on the box and released on the third row: that row is selected.
  Press(onBox);
  ASSERT_TRUE(combo->IsDroppedDown());
  const Platform::WindowPoint third{50, 70 + 2 * kRowHeight + kRowHeight / 2};
  ASSERT_TRUE(mSimulator.MovePointer(mId, third));
  Pump();
  Release(third);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->GetSelectedIndex(), 2);
  EXPECT_EQ(Narrow(combo->GetText()), "Inclusive");
  EXPECT_EQ(changes->mCount, 1);

  // Another control taking the focus closes an open list.
  ASSERT_EQ(combo->ShowDropDown(true), S_OK);
  ASSERT_TRUE(combo->IsDroppedDown());
  static_cast<void>(Box(u"third")->SetFocus(true));
  EXPECT_FALSE(combo->IsDroppedDown());
  // So does the program's SetFocus on the box itself.
  ASSERT_EQ(combo->ShowDropDown(true), S_OK);
  static_cast<void>(combo->SetFocus(true));
  EXPECT_FALSE(combo->IsDroppedDown());
}

TEST_F(ComboBoxWindowTest, DownAndEnterOpenEscapeClosesAndShiftDownDoesNothing) {
  const RCPtr<LComboBox> combo = Box(u"small");
  const struct {
    std::uint32_t key;
    bool shift;
    bool opens;
  } cases[] = {{0x28, false, true}, {0x0D, false, true}, {0x28, true, false}, {0x41, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    static_cast<void>(combo->SetFocus(true));
    Pump();
    Key(c.key, c.shift);
    EXPECT_EQ(combo->IsDroppedDown(), c.opens);
    if (c.opens) {
      Key(0x1B);
      EXPECT_FALSE(combo->IsDroppedDown());
    }
  }
}

TEST_F(ComboBoxWindowTest, SelectionTextAndInsertion) {
  const RCPtr<LComboBox> combo = Box(u"small");
  const RCPtr<Counter> changes = Listen(combo, u"NID_SELECTION_CHANGE");
  EXPECT_EQ(combo->SetSelectedIndex(0), 0);
  EXPECT_EQ(changes->mCount, 0) << "the selected row again";
  EXPECT_EQ(combo->SetSelectedIndex(1), 1);
  EXPECT_EQ(changes->mCount, 1);
  EXPECT_EQ(Narrow(combo->GetText()), "Down");
  EXPECT_EQ(combo->SetSelectedIndex(5), -1) << "past the end";
  EXPECT_EQ(Narrow(combo->GetText()), "Down");
  EXPECT_EQ(combo->SetSelectedIndex(-1), -1);
  EXPECT_EQ(Narrow(combo->GetText()), "Down");
  EXPECT_EQ(changes->mCount, 1);

  EXPECT_EQ(combo->SetText(WideString(u"inCLUSIVE")), S_OK);
  EXPECT_EQ(combo->GetSelectedIndex(), 2);
  EXPECT_EQ(Narrow(combo->GetText()), "Inclusive") << "the row's own text";
  EXPECT_EQ(combo->SetText(WideString(u"Inclusive")), S_FALSE);
  EXPECT_EQ(combo->SetText(WideString(u"Sideways")), S_OK);
  EXPECT_EQ(combo->GetSelectedIndex(), -1);
  EXPECT_EQ(Narrow(combo->GetText()), "Sideways");

  // Inserting before or at the selected row moves it down without a notification.
  ASSERT_EQ(combo->SetSelectedIndex(1), 1);
  const int before = changes->mCount;
  EXPECT_EQ(combo->InsertItem(0, LListBox::MakeTextItem(WideString(u"First"))), 0);
  EXPECT_EQ(combo->InsertItem(2, LListBox::MakeTextItem(WideString(u"Second"))), 2);
  EXPECT_EQ(combo->GetSelectedIndex(), 3);
  EXPECT_EQ(Narrow(combo->GetItemText(3)), "Down");
  EXPECT_EQ(changes->mCount, before);
  EXPECT_EQ(combo->InsertItem(0, RCPtr<LTaggableObject>()), E_INVALIDARG);

  // Two rows with the box's text: the list opens on the first.
  EXPECT_EQ(combo->AddItem(WideString(u"Down")), 5);
  ASSERT_EQ(combo->ShowDropDown(true), S_OK);
  EXPECT_EQ(combo->GetListBox()->GetFocusRow(), 3);
  // Fewer rows than the selection: it is cleared.
  EXPECT_GE(combo->SetItemCount(2), 0);
  EXPECT_EQ(combo->GetSelectedIndex(), -1);
}

TEST_F(ComboBoxWindowTest, ARowPutBeforeAtOrAfterTheSelectedOneLeavesTheOpenListOnIt) {
  const RCPtr<LComboBox> combo = Box(u"small");
  const RCPtr<Counter> changes = Listen(combo, u"NID_SELECTION_CHANGE");
  const struct {
    const char* name;
    std::int32_t insertAt;
    std::int32_t downAt;      // where "Down" is after the insert
    const char* afterNextRow; // the box's text after Down and Enter in the open list
  } cases[] = {{"before", 0, 2, "Inclusive"}, {"at", 1, 2, "Inclusive"}, {"after", 2, 1, "First"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Rows Up, Down, Inclusive with Down selected.
    ASSERT_EQ(combo->SetSelectedIndex(-1), -1);
    ASSERT_GE(combo->SetItemCount(0), 0);
    for (const char16_t* row : {u"Up", u"Down", u"Inclusive"})
      static_cast<void>(combo->AddItem(WideString(row)));
    ASSERT_EQ(combo->SetSelectedIndex(1), 1);
    const int before = changes->mCount;

    ASSERT_EQ(combo->InsertItem(c.insertAt, LListBox::MakeTextItem(WideString(u"First"))), c.insertAt);
    EXPECT_EQ(combo->GetSelectedIndex(), c.downAt);
    // Opened and closed again with Enter: the box keeps its row and says nothing.
    ASSERT_EQ(combo->ShowDropDown(true), S_OK);
    Pump();
    EXPECT_EQ(combo->GetListBox()->GetFocusRow(), c.downAt);
    Key(0x0D);
    EXPECT_FALSE(combo->IsDroppedDown());
    EXPECT_EQ(Narrow(combo->GetText()), "Down");
    EXPECT_EQ(combo->GetSelectedIndex(), c.downAt);
    EXPECT_EQ(changes->mCount, before);
    // Down in the open list goes to the row after "Down".
    ASSERT_EQ(combo->ShowDropDown(true), S_OK);
    Pump();
    Key(0x28);
    Key(0x0D);
    EXPECT_EQ(Narrow(combo->GetText()), c.afterNextRow);
    EXPECT_EQ(combo->GetSelectedIndex(), c.downAt + 1);
    EXPECT_EQ(changes->mCount, before + 1);
  }
}

TEST_F(ComboBoxWindowTest, ABoxWithoutItsListFailsSafely) {
  const RCPtr<LComboBox> combo = Box(u"noList");
  ASSERT_TRUE(combo) << "the create function keeps the box";
  EXPECT_FALSE(combo->GetListBox());
  EXPECT_EQ(combo->ShowDropDown(true), E_FAIL);
  EXPECT_EQ(combo->SetItemCount(3), E_FAIL);
  EXPECT_EQ(combo->AddItem(WideString(u"x")), E_FAIL);
  EXPECT_EQ(combo->SetSelectedIndex(0), -1);
  EXPECT_FALSE(combo->GetItemAt(0));
  EXPECT_EQ(combo->FinishInitialize(), E_FAIL);
  Press({390, 60});
  Release({390, 60});
  Key(0x28);
  EXPECT_FALSE(combo->IsDroppedDown());
}

// An editable combo: its text box's notifications come from the combo as well, a validated text selects the row
// of that text (ignoring case) or none, and the text box taking the focus closes the list.
TEST_F(ComboBoxWindowTest, AnEditableBoxPassesOnItsTextBoxAndSelectsTheRowOfAValidatedText) {
  const RCPtr<LComboBox> combo = Box(u"editable");
  ASSERT_TRUE(combo);
  const RCPtr<LTextBox> textBox = combo->GetTextBox();
  ASSERT_TRUE(textBox);
  const RCPtr<Counter> changes = Listen(combo, u"NID_TEXTBOX_TEXT_CHANGE");
  const RCPtr<Counter> validated = Listen(combo, u"NID_TEXTBOX_VALIDATED");
  const RCPtr<Counter> selections = Listen(combo, u"NID_SELECTION_CHANGE");

  ASSERT_EQ(combo->ShowDropDown(true), S_OK);
  ASSERT_TRUE(combo->IsDroppedDown());
  Press({360, 160});
  Release({360, 160});
  ASSERT_TRUE(textBox->HasFocus());
  EXPECT_FALSE(combo->IsDroppedDown()) << "the text box took the focus";

  const struct {
    const char* typed;
    int row;
  } cases[] = {{"down", 1}, {"INCLUSIVE", 2}, {"Sideways", -1}, {"Up", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const int changesBefore = changes->mCount;
    const int validatedBefore = validated->mCount;
    // Ctrl+A selects what the last round typed, so the new text replaces it.
    ASSERT_TRUE(mSimulator.Key(mId, 0x11, true));
    ASSERT_TRUE(mSimulator.Key(mId, 0x41, true));
    ASSERT_TRUE(mSimulator.Key(mId, 0x41, false));
    ASSERT_TRUE(mSimulator.Key(mId, 0x11, false));
    ASSERT_TRUE(mSimulator.Text(mId, c.typed));
    Pump();
    EXPECT_GT(changes->mCount, changesBefore) << "the text box's change came from the combo";
    Key(0x0D); // Enter validates
    EXPECT_EQ(validated->mCount, validatedBefore + 1);
    EXPECT_EQ(combo->GetSelectedIndex(), c.row);
  }
  EXPECT_GE(selections->mCount, 3);
}

} // namespace
} // namespace QZ
