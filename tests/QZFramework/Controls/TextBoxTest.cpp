// The text box's editing model (keys, typing with the filter and the maximum
// length, the clipboard's edits, validation), its caret, mouse selection and
// looks, in a scripted root window with text measured at 10 pixels a character.

#include "QZFramework/Controls/ControlsFixture.h"

#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/ControlBase/MeasuringRenderer.h"
#include "QZFramework/Controls/TextBox.h"
#include "QZFramework/Utilities/Storage/WrapperStringable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <random>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::ControlsFixture;
using test::MeasuringRenderer;
using test::Narrow;
using test::NotificationLog;
using test::Placed;
using test::TestControl;

using ClipboardText = LWrapperStringable<WideString>;

// Virtual keys.
constexpr std::uint8_t kBack = 0x08;
constexpr std::uint8_t kEnter = 0x0D;
constexpr std::uint8_t kEnd = 0x23;
constexpr std::uint8_t kHome = 0x24;
constexpr std::uint8_t kLeft = 0x25;
constexpr std::uint8_t kUp = 0x26;
constexpr std::uint8_t kRight = 0x27;
constexpr std::uint8_t kDelete = 0x2E;
constexpr std::uint32_t kCtrl = kModifierCtrl;
constexpr std::uint32_t kShift = kModifierShift;

// A box whose look colour under the caret the test chooses.
class Box : public Placed<LTextBox> {
public:
  Box(const RCPtr<LControl>& parent, const RectT<double>& bounds) : Placed<LTextBox>(parent, u"box", bounds, 14) {}
  std::uint32_t GetLookColorAtPoint(const PointT<std::int32_t>&, std::int32_t) const override { return mUnder; }
  std::uint32_t mUnder = 0xFF000000u;
};

// Records the caret lines drawn. Its caret positions keep a letter with the
// combining marks after it together (U+0300..U+036F), as a shaper does.
class CaretRenderer : public MeasuringRenderer {
public:
  void MeasureCaretPositions(const WideString& text, const RCPtr<LFont>& font,
                             std::vector<float>& positions) override {
    ++mCaretMeasures;
    MeasuringRenderer::MeasureCaretPositions(text, font, positions);
    for (std::uint32_t i = 1; i < text.GetLength(); ++i) {
      if (text.GetChars()[i] >= 0x300 && text.GetChars()[i] <= 0x36F)
        positions[i] = kNoCaretStop;
    }
  }
  int mCaretMeasures = 0;
  void DrawLine(const PointT<float>& from, const PointT<float>& to, const Color& color, float) override {
    mLines.push_back({from, to, color.ToARGB()});
  }
  struct Line {
    PointT<float> from, to;
    std::uint32_t argb;
  };
  std::vector<Line> mLines;
};

std::string Text(const LTextBox& box) { return box.GetText().ToNarrow().GetChars(); }

class TextBoxTest : public ControlsFixture {
protected:
  void SetUp() override {
    ControlsFixture::SetUp();
    mRenderer = MakeRCPtr<CaretRenderer>();
    mApp.mRenderer = mRenderer;
    mWindow->mRenderer = mRenderer;
    mRoot = Make<TestControl>(RCPtr<LControl>(), u"root", {0, 0, 400, 100});
    mRoot->SetNotFocusable(false);
    mWindow->SetRootControl(mRoot);
    mBox = RCPtr<Box>(new Box(mRoot, {10, 10, 300, 20}));
    mBox->Finish();
    mBox->SetNotFocusable(false);
    mOther = Make<TestControl>(mRoot, u"other", {10, 50, 50, 20});
    mOther->SetNotFocusable(false);
    mLog = Listen(mBox, {u"NID_TEXTBOX_TEXT_CHANGE", u"NID_TEXTBOX_VALIDATING", u"NID_TEXTBOX_VALIDATED"});
    mApp.mEditCommandAvailable = [this](std::int32_t code) { return mBox->CanPerformEdit(code); };
  }
  void TearDown() override {
    mApp.mEditCommandAvailable = nullptr;
    mApp.mClipboard = RCPtr<LRefCountedObject>();
    mLog = RCPtr<NotificationLog>();
    mRoot = mOther = RCPtr<Placed<TestControl>>();
    mBox = RCPtr<Box>();
    ControlsFixture::TearDown();
  }

  // The box focused, holding text with the caret at caret and the selection start..start+count.
  void Prepare(const char* text, std::int32_t caret, std::int32_t start = 0, std::int32_t count = 0) {
    ASSERT_EQ(mBox->SetFocus(true), S_OK);
    mBox->SetText(WideString(text));
    mBox->ClearSelection();
    ASSERT_GE(mBox->SetCaret(caret, true), S_OK);
    if (count > 0) {
      mBox->SetSelection(start, count, start == caret ? start + count : start);
      ASSERT_EQ(mBox->GetSelectionLength(), count);
    }
    mLog->mEntries.clear();
  }
  QZRESULT Press(std::uint8_t virtualKey, std::uint32_t modifiers = 0) {
    return mBox->HandleKey(LKeyParam::Create(KeyCode(virtualKey, true, 0, modifiers), 1));
  }
  QZRESULT Type(char16_t character, std::uint32_t modifiers = 0) {
    return mBox->HandleKey(LKeyParam::Create(KeyCode(character, modifiers), 1));
  }
  void Copy(const char* text) { mApp.mClipboard = ClipboardText::Create(WideString(text)); }
  std::string Clipboard() const {
    const RCPtr<ClipboardText> text = DynamicCast<ClipboardText>(mApp.mClipboard);
    return text ? text->ToNarrow().GetChars() : "<none>";
  }

  RCPtr<CaretRenderer> mRenderer;
  RCPtr<Placed<TestControl>> mRoot, mOther;
  RCPtr<Box> mBox;
  RCPtr<NotificationLog> mLog;
};

TEST_F(TextBoxTest, TheKeyTableMovesTheCaretSelectsAndDeletes) {
  struct Case {
    const char* name;
    const char* text;
    std::int32_t caret, start, count;
    std::uint8_t key;
    std::uint32_t modifiers;
    const char* after;
    std::int32_t caretAfter, startAfter, countAfter;
    QZRESULT result;
  };
  const Case cases[] = {
      {"Left", "abcdef", 3, 0, 0, kLeft, 0, "abcdef", 2, 0, 0, S_OK},
      {"Left at 0", "abcdef", 0, 0, 0, kLeft, 0, "abcdef", 0, 0, 0, S_OK},
      {"Left clears a selection", "abcdef", 4, 1, 3, kLeft, 0, "abcdef", 3, 0, 0, S_OK},
      {"Right at the end", "abc", 3, 0, 0, kRight, 0, "abc", 3, 0, 0, S_OK},
      {"Shift+Left selects", "abcdef", 3, 0, 0, kLeft, kShift, "abcdef", 2, 2, 1, S_OK},
      {"Shift+Left shrinks", "abcdef", 4, 1, 3, kLeft, kShift, "abcdef", 3, 1, 2, S_OK},
      {"Shift+Right grows", "abcdef", 4, 1, 3, kRight, kShift, "abcdef", 5, 1, 4, S_OK},
      {"Ctrl+Right", "abc  def", 0, 0, 0, kRight, kCtrl, "abc  def", 5, 0, 0, S_OK},
      {"Ctrl+Left", "abc  def", 8, 0, 0, kLeft, kCtrl, "abc  def", 5, 0, 0, S_OK},
      {"Ctrl+Left inside a word", "abc  def", 2, 0, 0, kLeft, kCtrl, "abc  def", 0, 0, 0, S_OK},
      {"Ctrl+Shift+Right", "abc  def", 0, 0, 0, kRight, kCtrl | kShift, "abc  def", 5, 0, 5, S_OK},
      {"Ctrl+Shift+Left", "abc  def", 8, 0, 0, kLeft, kCtrl | kShift, "abc  def", 5, 5, 3, S_OK},
      {"Home", "abcdef", 3, 0, 0, kHome, 0, "abcdef", 0, 0, 0, S_OK},
      {"End", "abcdef", 3, 0, 0, kEnd, 0, "abcdef", 6, 0, 0, S_OK},
      {"Shift+Home", "abcdef", 3, 0, 0, kHome, kShift, "abcdef", 0, 0, 3, S_OK},
      {"Shift+End", "abcdef", 3, 0, 0, kEnd, kShift, "abcdef", 6, 3, 3, S_OK},
      {"Backspace", "abcdef", 3, 0, 0, kBack, 0, "abdef", 2, 0, 0, S_OK},
      {"Backspace at 0", "abcdef", 0, 0, 0, kBack, 0, "abcdef", 0, 0, 0, S_OK},
      {"Shift+Delete deletes backwards", "abcdef", 3, 0, 0, kDelete, kShift, "abdef", 2, 0, 0, S_OK},
      {"Delete", "abcdef", 3, 0, 0, kDelete, 0, "abcef", 3, 0, 0, S_OK},
      {"Delete at the end", "abc", 3, 0, 0, kDelete, 0, "abc", 3, 0, 0, S_OK},
      {"Delete a selection", "abcdef", 4, 1, 3, kDelete, 0, "aef", 1, 0, 0, S_OK},
      {"Ctrl+Delete", "abcdef", 2, 0, 0, kDelete, kCtrl, "ab", 2, 0, 0, S_OK},
      {"Ctrl+A passes on", "abcdef", 3, 0, 0, 0x41, kCtrl, "abcdef", 3, 0, 6, S_FALSE},
      {"Enter passes an accepted text on", "abc", 1, 0, 0, kEnter, 0, "abc", 1, 0, 0, S_FALSE},
      {"Up passes on", "abc", 1, 0, 0, kUp, 0, "abc", 1, 0, 0, S_FALSE},
      {"Ctrl+Shift+Up passes on", "abc", 1, 0, 0, kUp, kCtrl | kShift, "abc", 1, 0, 0, S_FALSE},
      {"A letter key waits for its character", "abc", 1, 0, 0, 0x41, 0, "abc", 1, 0, 0, S_OK},
      {"A letter key with Ctrl is a hot key's", "abc", 1, 0, 0, 0x42, kCtrl, "abc", 1, 0, 0, S_FALSE},
      {"A digit key with Alt is a hot key's", "abc", 1, 0, 0, 0x31, kModifierAlt, "abc", 1, 0, 0, S_FALSE},
      {"F1 passes on", "abc", 1, 0, 0, 0x70, 0, "abc", 1, 0, 0, S_FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Prepare(c.text, c.caret, c.start, c.count);
    EXPECT_EQ(Press(c.key, c.modifiers), c.result);
    EXPECT_EQ(Text(*mBox), c.after);
    EXPECT_EQ(mBox->GetCaret(), c.caretAfter);
    EXPECT_EQ(mBox->GetSelectionLength(), c.countAfter);
    if (c.countAfter > 0) {
      EXPECT_EQ(mBox->GetSelectionStart(), c.startAfter);
    }
  }
  // A release of any key stays in the box.
  EXPECT_EQ(mBox->HandleKey(LKeyParam::Create(KeyCode(kLeft, false, 0, 0), 1)), S_OK);
}

TEST_F(TextBoxTest, CtrlAReachesTheHotKeysAfterSelectingEverything) {
  mWindow->mHotKeys = {{static_cast<std::int32_t>(KeyCode(0x41, true, 0, kCtrl).Bits()), "all"}};
  Prepare("abc", 1);
  mWindow->Key(0x41, kCtrl);
  EXPECT_EQ(mBox->GetSelectionLength(), 3);
  EXPECT_EQ(mWindow->mOwnLog.back(), "window.hotkey:all");
}

TEST_F(TextBoxTest, TypingHonoursTheFilterAndTheMaximumLength) {
  Prepare("", 0);
  mBox->mCharacterFilter = WideString(u"0123456789-");
  EXPECT_EQ(Type(u'7'), S_OK);
  EXPECT_EQ(Type(u'x'), S_OK) << "a refused character is dropped, not passed on";
  EXPECT_EQ(Type(u'-'), S_OK);
  EXPECT_EQ(Text(*mBox), "7-");
  mBox->mFilterIsAllowList = false; // now the filter lists what is refused
  EXPECT_EQ(Type(u'5'), S_OK);
  EXPECT_EQ(Type(u'x'), S_OK);
  EXPECT_EQ(Text(*mBox), "7-x");
  mBox->mCharacterFilter = WideString();

  EXPECT_EQ(Type(u'\t'), S_FALSE) << "Tab goes to the focus";
  EXPECT_EQ(Type(char16_t{0x1B}), S_FALSE) << "control characters pass on";
  EXPECT_EQ(Type(char16_t{8}), S_OK) << "the character of Backspace";
  EXPECT_EQ(Text(*mBox), "7-x");

  // The maximum: typing stops there, a selection typed over is replaced.
  ASSERT_EQ(mBox->SetMaxLength(4), S_OK);
  EXPECT_EQ(Type(u'a'), S_OK);
  EXPECT_EQ(Type(u'b'), S_OK);
  EXPECT_EQ(Text(*mBox), "7-xa");
  EXPECT_EQ(mBox->GetCaret(), 4);
  mBox->SetSelection(1, 2, 1);
  EXPECT_EQ(Type(u'c'), S_OK);
  EXPECT_EQ(Text(*mBox), "7ca");
  EXPECT_EQ(mBox->GetCaret(), 2);
  EXPECT_EQ(mBox->GetSelectionLength(), 0);
}

TEST_F(TextBoxTest, TheMaximumLengthCutsTheTextOnceAndTheSameTextChangesNothing) {
  Prepare("12345", 1);
  ASSERT_EQ(mBox->SetMaxLength(3), S_OK);
  EXPECT_EQ(Text(*mBox), "123");
  EXPECT_EQ(mBox->GetCaret(), 3);
  EXPECT_EQ(mLog->Count("NID_TEXTBOX_TEXT_CHANGE"), 1);
  EXPECT_EQ(mBox->SetText(WideString(u"123")), S_FALSE);
  EXPECT_EQ(mLog->Count("NID_TEXTBOX_TEXT_CHANGE"), 1);
  EXPECT_EQ(mBox->SetText(WideString(u"12"), false), S_OK);
  EXPECT_EQ(mBox->GetCaret(), 2) << "a kept caret stays inside a shorter text";
}

TEST_F(TextBoxTest, CutCopyPasteAndDeleteGoThroughTheClipboard) {
  Prepare("hello world", 0, 0, 5);
  EXPECT_TRUE(mApp.IsEditCommandAvailable(kEditCopy));
  EXPECT_EQ(mBox->PerformEdit(kEditCopy), S_OK);
  EXPECT_EQ(Clipboard(), "hello");
  EXPECT_EQ(mBox->PerformEdit(kEditCut), S_OK);
  EXPECT_EQ(Text(*mBox), " world");
  EXPECT_EQ(mBox->GetCaret(), 0);
  for (const std::int32_t code : {kEditCut, kEditCopy, kEditDelete}) {
    SCOPED_TRACE(code);
    EXPECT_FALSE(mBox->CanPerformEdit(code)) << "nothing selected";
    EXPECT_EQ(mBox->PerformEdit(code), E_FAIL);
  }
  ASSERT_EQ(mBox->SetCaret(6, false), S_OK);
  EXPECT_EQ(mBox->PerformEdit(kEditPaste), S_OK);
  EXPECT_EQ(Text(*mBox), " worldhello");
  EXPECT_EQ(mBox->GetCaret(), 11);
  mBox->SelectRange(0, 0);
  EXPECT_EQ(mBox->PerformEdit(kEditDelete), S_OK);
  EXPECT_EQ(Text(*mBox), "worldhello");
  EXPECT_EQ(mBox->PerformEdit(99), E_FAIL);

  // Without clipboard text there is nothing to paste.
  mApp.mClipboard = RCPtr<LRefCountedObject>();
  EXPECT_FALSE(mBox->CanPerformEdit(kEditPaste));
  EXPECT_EQ(mBox->PerformEdit(kEditPaste), E_FAIL);

  // The menu items ask the clipboard, which asks the box.
  LMenuItemState state;
  EXPECT_EQ(mBox->GetCommandEnabled(RCPtr<LMenuDescriptor>(), 0, WideString(u"NID_EDIT_PASTE_REQ"), state), S_OK);
  EXPECT_FALSE(state.mEnabled);
  Copy("x");
  EXPECT_EQ(mBox->GetCommandEnabled(RCPtr<LMenuDescriptor>(), 0, WideString(u"NID_EDIT_PASTE_REQ"), state), S_OK);
  EXPECT_TRUE(state.mEnabled);
  EXPECT_EQ(mBox->GetCommandEnabled(RCPtr<LMenuDescriptor>(), 0, WideString(u"NID_OTHER"), state), S_FALSE);
}

TEST_F(TextBoxTest, PastingRespectsTheMaximumLength) {
  Prepare("abcd", 3, 0, 3);
  ASSERT_EQ(mBox->SetMaxLength(4), S_OK);
  mBox->SetSelection(0, 3, 0);
  Copy("xy");
  EXPECT_TRUE(mBox->CanPerformEdit(kEditPaste));
  EXPECT_EQ(mBox->PerformEdit(kEditPaste), S_OK);
  EXPECT_EQ(Text(*mBox), "xyd");
  EXPECT_EQ(mBox->GetCaret(), 2);

  mBox->SetSelection(0, 1, 0);
  Copy("12345");
  EXPECT_FALSE(mBox->CanPerformEdit(kEditPaste));
  EXPECT_EQ(mBox->PerformEdit(kEditPaste), E_FAIL);
  mBox->ClearSelection();
  EXPECT_EQ(mBox->PerformEdit(kEditPaste), E_FAIL);
  EXPECT_EQ(Text(*mBox), "xyd");
}

TEST_F(TextBoxTest, ACutTheClipboardRefusesKeepsTheText) {
  Prepare("keep", 0, 0, 4);
  mApp.mClipboardSetResult = E_FAIL;
  EXPECT_EQ(mBox->PerformEdit(kEditCut), E_FAIL);
  EXPECT_EQ(mBox->PerformEdit(kEditCopy), E_FAIL);
  EXPECT_EQ(Text(*mBox), "keep");
  EXPECT_EQ(mBox->GetSelectionLength(), 4);
}

TEST_F(TextBoxTest, ValidationListenersReplaceOrRefuseTheText) {
  class Validator : public LNotificationClient {
  public:
    std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) override {
      const RCPtr<LTextValidationParams> params = DynamicCast<LTextValidationParams>(n->GetPayload());
      if (params && mRefuse)
        params->mAccept = false;
      else if (params && !mReplacement.IsEmpty())
        params->mText = mReplacement;
      return 0;
    }
    bool mRefuse = false;
    WideString mReplacement;
  };
  const RCPtr<Validator> validator = MakeRCPtr<Validator>();
  mBox->RegisterClient(validator, u"NID_TEXTBOX_VALIDATING");

  Prepare("abc", 3);
  validator->mReplacement = WideString(u"ABC!");
  EXPECT_EQ(Press(kEnter), S_FALSE);
  EXPECT_EQ(Text(*mBox), "ABC!");
  EXPECT_EQ(mLog->Count("NID_TEXTBOX_VALIDATED"), 1);

  validator->mRefuse = true;
  mLog->mEntries.clear();
  EXPECT_EQ(Press(kEnter), S_OK) << "a refused text keeps Enter in the box";
  EXPECT_EQ(mLog->Count("NID_TEXTBOX_VALIDATED"), 0);
  EXPECT_EQ(mOther->SetFocus(true), E_FAIL) << "and keeps the focus";
  EXPECT_EQ(Focused(), "box");
  validator->mRefuse = false;
  validator->mReplacement = WideString();
  EXPECT_EQ(mOther->SetFocus(true), S_OK);
  EXPECT_EQ(Focused(), "other");
  mBox->UnregisterClientFromAll(validator);
}

TEST_F(TextBoxTest, TheCaretBlinksOnTheClockWhileTheBoxHasTheFocus) {
  mApp.mMilliseconds = 1000;
  mBox->SetText(WideString(u"abc"));
  ASSERT_EQ(mBox->SetFocus(true), S_OK);
  EXPECT_EQ(mBox->GetIdleRequestCount(), 1);
  EXPECT_EQ(std::count(mWindow->mOwnLog.begin(), mWindow->mOwnLog.end(), "window.textInput:on"), 1);
  ASSERT_EQ(mBox->SetCaret(3, false), S_OK);
  EXPECT_TRUE(mBox->IsCaretVisible());
  EXPECT_FLOAT_EQ(mBox->GetCaretRect().x, 29.0f) << "just left of the fourth character";
  EXPECT_FLOAT_EQ(mBox->GetCaretRect().height, 14.0f);

  const struct {
    std::uint32_t ms;
    bool visible;
  } steps[] = {{1499, true}, {1500, false}, {1799, false}, {1800, true}, {2299, true}, {2300, false}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.ms);
    IdleAt(step.ms);
    EXPECT_EQ(mBox->IsCaretVisible(), step.visible);
  }
  // A caret move shows it again for a whole phase.
  mApp.mMilliseconds = 2400;
  ASSERT_EQ(mBox->SetCaret(1, false), S_OK);
  EXPECT_TRUE(mBox->IsCaretVisible());
  IdleAt(2899);
  EXPECT_TRUE(mBox->IsCaretVisible());

  // Losing the focus hides it, scrolls back and gives the idle request back.
  mBox->SetScrollOffset({12, 0});
  ASSERT_EQ(mOther->SetFocus(true), S_OK);
  EXPECT_FALSE(mBox->IsCaretVisible());
  EXPECT_EQ(mBox->GetScrollOffset().x, 0.0);
  EXPECT_EQ(mBox->GetIdleRequestCount(), 0);
  EXPECT_EQ(std::count(mWindow->mOwnLog.begin(), mWindow->mOwnLog.end(), "window.textInput:off"), 1);
}

TEST_F(TextBoxTest, TheCaretIsWhiteOverADarkLookAndBlackOverALightOne) {
  mBox->SetText(WideString(u"ab"));
  ASSERT_EQ(mBox->SetFocus(true), S_OK);
  ASSERT_EQ(mBox->SetCaret(1, false), S_OK);
  const struct {
    std::uint32_t under;
    std::uint32_t caret;
  } cases[] = {
      {0xFF000000, 0xFFFFFFFF}, {0xFF808080, 0xFFFFFFFF}, {0xFF818181, 0xFF000000}, {0xFFFFFFFF, 0xFF000000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.under);
    mBox->mUnder = c.under;
    mRenderer->mLines.clear();
    mBox->PaintOverChildren(mRenderer);
    ASSERT_EQ(mRenderer->mLines.size(), 1u);
    EXPECT_EQ(mRenderer->mLines[0].argb, c.caret);
    EXPECT_FLOAT_EQ(mRenderer->mLines[0].from.x, 9.0f);
    EXPECT_FLOAT_EQ(mRenderer->mLines[0].to.y - mRenderer->mLines[0].from.y, 14.0f);
  }
  IdleAt(600); // hidden phase
  mRenderer->mLines.clear();
  mBox->PaintOverChildren(mRenderer);
  EXPECT_TRUE(mRenderer->mLines.empty());
}

TEST_F(TextBoxTest, TheMousePlacesTheCaretAndSelects) {
  mBox->SetText(WideString(u"abc  def"));
  // The box is at x 10; characters are 10 pixels wide.
  const struct {
    const char* name;
    std::int32_t x;
    std::int32_t caret;
  } clicks[] = {
      {"right of the text", 250, 8}, {"right half of b", 26, 2}, {"left half of b", 24, 1}, {"left edge", 10, 0}};
  for (const auto& c : clicks) {
    SCOPED_TRACE(c.name);
    mWindow->Click(kMouseButtonLeft, {c.x, 15});
    EXPECT_EQ(mBox->GetCaret(), c.caret);
    EXPECT_EQ(mBox->GetSelectionLength(), 0);
  }
  EXPECT_EQ(Focused(), "box");

  // Shift+click extends from the anchor.
  mWindow->Click(kMouseButtonLeft, {31, 15}); // caret 2
  mWindow->Press(kMouseButtonLeft, {75, 15}, false, kModifierShift);
  mWindow->Release(kMouseButtonLeft, {75, 15}, kModifierShift);
  EXPECT_EQ(mBox->GetSelectionStart(), 2);
  EXPECT_EQ(mBox->GetSelectionLength(), 5);
  EXPECT_EQ(mBox->GetCaret(), 7);

  // A drag selects from the press to the pointer.
  mWindow->Press(kMouseButtonLeft, {71, 15}); // caret 6
  mWindow->Move({40, 15});
  mWindow->Move({35, 15});
  EXPECT_EQ(mBox->GetSelectionStart(), 3);
  EXPECT_EQ(mBox->GetSelectionLength(), 3);
  mWindow->Release(kMouseButtonLeft, {35, 15});

  // A double click selects the word without the blanks after it.
  mWindow->Click(kMouseButtonLeft, {22, 15});
  mWindow->Press(kMouseButtonLeft, {22, 15}, true);
  mWindow->Release(kMouseButtonLeft, {22, 15});
  EXPECT_EQ(Narrow(mBox->GetSelectedText()), "abc");
  // Also from the first half of a word's first character.
  mWindow->Click(kMouseButtonLeft, {61, 15});
  mWindow->Press(kMouseButtonLeft, {61, 15}, true);
  mWindow->Release(kMouseButtonLeft, {61, 15});
  EXPECT_EQ(Narrow(mBox->GetSelectedText()), "def");
}

TEST_F(TextBoxTest, TheLooksFollowFocusHoverSelectionAndTheEnabledState) {
  mBox->SetText(WideString(u"abcdef"));
  mBox->UpdateVisualState();
  EXPECT_EQ(mBox->ShownLook(), LTextBox::kLookNormal);
  mWindow->Move({100, 15});
  EXPECT_EQ(mBox->ShownLook(), LTextBox::kLookHover);
  ASSERT_EQ(mBox->SetFocus(true), S_OK);
  EXPECT_EQ(mBox->ShownLook(), LTextBox::kLookFocusedHover);
  mWindow->Move({100, 80});
  EXPECT_EQ(mBox->ShownLook(), LTextBox::kLookFocused);

  mBox->SelectRange(1, 2);
  EXPECT_EQ(mBox->GetLookWeight(LTextBox::kLookFocused), 1.0f);
  EXPECT_EQ(mBox->GetLookWeight(LTextBox::kLookSelection), 1.0f);
  mWindow->Move({100, 15});
  EXPECT_EQ(mBox->GetLookWeight(LTextBox::kLookSelectionHover), 1.0f);
  EXPECT_EQ(mBox->GetLookWeight(LTextBox::kLookSelection), 0.0f);

  mBox->SetEnabled(false);
  EXPECT_EQ(mBox->ShownLook(), LTextBox::kLookDisabled);
  EXPECT_EQ(mBox->GetLookWeight(LTextBox::kLookSelectionHover), 0.0f);
}

TEST_F(TextBoxTest, TheContextMenuOffersTheFourEditsInTheFrameworkStrings) {
  mBox->AttachToRootWindow();
  EXPECT_FALSE(mBox->GetContextMenuDescriptor()) << "no framework strings, no menu";
  std::string document = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r><StringTable ID=\"Framework\">";
  for (const char* id : {"EDIT_CUT", "EDIT_COPY", "EDIT_PASTE", "EDIT_DELETE"})
    document +=
        std::string("<String ID=\"") + id + "\"><Locale LCID=\"0x0009\">" + (id + 5) + "</Locale></String>";
  mFactory->LoadStringTablesFromText(test::Bytes(std::string()),
                                     test::Bytes(test::Utf16Document(document + "</StringTable></r>")), 0x0409);
  ASSERT_TRUE(mFactory->GetFrameworkStringTable());
  mBox->AttachToRootWindow();
  const RCPtr<LMenuDescriptor> menu = mBox->GetContextMenuDescriptor();
  ASSERT_TRUE(menu);
  ASSERT_EQ(menu->GetItemCount(), 4u);
  const char* expected[][2] = {{"NID_EDIT_CUT_REQ", "CUT"},
                               {"NID_EDIT_COPY_REQ", "COPY"},
                               {"NID_EDIT_PASTE_REQ", "PASTE"},
                               {"NID_EDIT_DELETE_REQ", "DELETE"}};
  for (std::uint32_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Narrow(menu->GetItem(i)->mCommand), expected[i][0]);
    EXPECT_EQ(Narrow(menu->GetItem(i)->mLabel), expected[i][1]);
  }
}

TEST_F(TextBoxTest, CaretPositionsAreMeasuredOncePerTextAndFont) {
  mBox->SetText(WideString(u"abcdef"));
  EXPECT_EQ(mRenderer->mCaretMeasures, 1) << "for the extent";
  EXPECT_FLOAT_EQ(mBox->GetPrefixWidth(3), 30.0f);
  EXPECT_FLOAT_EQ(mBox->GetPrefixWidth(3), 30.0f);
  EXPECT_FLOAT_EQ(mBox->GetPrefixWidth(0), 0.0f);
  mWindow->Click(kMouseButtonLeft, {44, 15});
  EXPECT_EQ(mBox->GetCaret(), 3);
  EXPECT_EQ(mRenderer->mCaretMeasures, 1) << "every position read from the one measurement";
  mBox->SetText(WideString(u"abcXY"), false);
  EXPECT_EQ(mRenderer->mCaretMeasures, 2);
  EXPECT_FLOAT_EQ(mBox->GetPrefixWidth(4), 40.0f);
  EXPECT_FLOAT_EQ(mBox->GetPrefixWidth(9), 50.0f) << "at most the whole text";
  EXPECT_EQ(mRenderer->mCaretMeasures, 2);
  mBox->SetFont(LFont::GetFont(WideString(u"DejaVu Sans"), 12, 0));
  EXPECT_FLOAT_EQ(mBox->GetPrefixWidth(2), 20.0f);
  EXPECT_EQ(mRenderer->mCaretMeasures, 3) << "a new font is measured again";
}

TEST_F(TextBoxTest, TheToolTipShowsTheTextOnlyWhileItIsCutOff) {
  mBox->SetText(WideString(u"short"));
  EXPECT_EQ(Narrow(mBox->GetToolTipText()), "");
}

// Random editing against a model: after every step the text is the model's,
// and the caret, the selection and the anchor lie inside it.
TEST_F(TextBoxTest, RandomEditingKeepsTheCaretAndTheSelectionInsideTheText) {
  std::mt19937 random(20240611);
  Prepare("", 0);
  std::u16string model;
  std::int32_t maxLength = 0;
  const auto pick = [&random](std::int32_t n) {
    return std::uniform_int_distribution<std::int32_t>(0, n - 1)(random);
  };
  for (int step = 0; step < 3000; ++step) {
    SCOPED_TRACE(step);
    const std::int32_t caret = mBox->GetCaret();
    const std::int32_t start = mBox->GetSelectionStart();
    const std::int32_t count = mBox->GetSelectionLength();
    const auto limit = [&maxLength](std::size_t size) {
      return maxLength <= 0 || static_cast<std::int32_t>(size) <= maxLength;
    };
    switch (pick(9)) {
    case 0: { // a character
      const char16_t c = u"ab -1"[pick(5)];
      std::u16string next = model;
      std::int32_t at = caret;
      if (count > 0) {
        next.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
        at = start;
      }
      if (maxLength <= 0 || static_cast<std::int32_t>(next.size()) < maxLength)
        next.insert(static_cast<std::size_t>(at), 1, c);
      model = next;
      Type(c);
      break;
    }
    case 1: { // an editing key
      static const std::pair<std::uint8_t, std::uint32_t> keys[] = {
          {kLeft, 0},     {kRight, 0},    {kLeft, kShift},          {kRight, kShift}, {kHome, kShift},
          {kEnd, kShift}, {kLeft, kCtrl}, {kRight, kCtrl | kShift}, {kHome, 0},       {kEnd, 0}};
      const auto& key = keys[pick(10)];
      Press(key.first, key.second);
      break;
    }
    case 2: // Backspace or Delete
      if (count > 0)
        model.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
      else if (caret > 0)
        model.erase(static_cast<std::size_t>(caret - 1), 1);
      Press(kBack);
      break;
    case 3: { // paste
      const std::u16string pasted = pick(2) ? u"xy" : u"long text";
      Copy(Narrow(WideString(pasted.c_str())).c_str());
      std::u16string next = model;
      if (count > 0)
        next.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(count), pasted);
      else
        next.insert(static_cast<std::size_t>(caret), pasted);
      if (limit(next.size()))
        model = next;
      mBox->PerformEdit(kEditPaste);
      break;
    }
    case 4: // cut
      if (count > 0)
        model.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
      mBox->PerformEdit(kEditCut);
      break;
    case 5: { // a new maximum length
      maxLength = pick(3) == 0 ? 0 : pick(12);
      if (maxLength > 0 && static_cast<std::int32_t>(model.size()) > maxLength)
        model.resize(static_cast<std::size_t>(maxLength));
      mBox->SetMaxLength(maxLength);
      break;
    }
    case 6: // a click
      mWindow->Click(kMouseButtonLeft, {10 + pick(150), 15});
      break;
    case 7: // a drag
      mWindow->Press(kMouseButtonLeft, {10 + pick(150), 15});
      mWindow->Move({10 + pick(150), 15});
      mWindow->Release(kMouseButtonLeft, {10 + pick(150), 15});
      break;
    default: // Ctrl+Delete
      if (count > 0)
        model.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
      else
        model.erase(static_cast<std::size_t>(caret));
      Press(kDelete, kCtrl);
      break;
    }
    const auto length = static_cast<std::int32_t>(model.size());
    ASSERT_EQ(Narrow(mBox->GetText()), Narrow(WideString(model.c_str())));
    ASSERT_GE(mBox->GetCaret(), 0);
    ASSERT_LE(mBox->GetCaret(), length);
    ASSERT_GE(mBox->GetSelectionStart(), 0);
    ASSERT_LE(mBox->GetSelectionStart() + mBox->GetSelectionLength(), length);
    ASSERT_GE(mBox->GetSelectionAnchor(), 0);
    ASSERT_LE(mBox->GetSelectionAnchor(), length);
    if (maxLength > 0) {
      ASSERT_LE(length, maxLength);
    }
  }
}

std::u16string Units(const LTextBox& box) { return {box.GetText().GetChars(), box.GetText().GetLength()}; }

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsMark(char16_t c) { return c >= 0x300 && c <= 0x36F; }

// Whether index splits a character: a surrogate pair, or a letter from its marks.
bool Splits(const std::u16string& text, std::int32_t index) {
  if (index <= 0 || index >= static_cast<std::int32_t>(text.size()))
    return false;
  const auto at = static_cast<std::size_t>(index);
  return (IsHigh(text[at - 1]) && IsLow(text[at])) || IsMark(text[at]);
}

bool IsValidUtf16(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1]))
      ++i;
    else if (IsHigh(text[i]) || IsLow(text[i]))
      return false;
  }
  return true;
}

// One step of a script: a key, a typed unit, a paste, a new maximum, a caret
// or a selection set from outside.
struct Step {
  enum Kind { kKey, kType, kPaste, kMaxLength, kCaret, kSelect } kind;
  std::int32_t a = 0;
  std::int32_t b = 0;
  const char16_t* text = nullptr;
};
Step KeyStep(std::uint8_t key, std::uint32_t modifiers = 0) {
  return {Step::kKey, key, static_cast<std::int32_t>(modifiers)};
}
Step TypeStep(char16_t unit) { return {Step::kType, unit}; }
Step PasteStep(const char16_t* text) { return {Step::kPaste, 0, 0, text}; }
Step MaxStep(std::int32_t n) { return {Step::kMaxLength, n}; }
Step CaretStep(std::int32_t n) { return {Step::kCaret, n}; }
Step SelectStep(std::int32_t first, std::int32_t last) { return {Step::kSelect, first, last}; }

constexpr char16_t kFaceHigh = 0xD83D; // U+1F600 as its two halves
constexpr char16_t kFaceLow = 0xDE00;

class TextBoxWholeCharacterTest : public TextBoxTest {
protected:
  void Run(const Step& step) {
    switch (step.kind) {
    case Step::kKey:
      Press(static_cast<std::uint8_t>(step.a), static_cast<std::uint32_t>(step.b));
      break;
    case Step::kType:
      Type(static_cast<char16_t>(step.a));
      break;
    case Step::kPaste:
      mApp.mClipboard = ClipboardText::Create(WideString(step.text));
      mBox->PerformEdit(kEditPaste);
      break;
    case Step::kMaxLength:
      mBox->SetMaxLength(step.a);
      break;
    case Step::kCaret:
      mBox->SetCaret(step.a, false);
      break;
    case Step::kSelect:
      mBox->SelectRange(step.a, step.b);
      break;
    }
  }
  // The text is whole, the caret and the selection stand between characters,
  // and the caret is drawn inside the text area (it stands one pixel left of
  // its character, so at the very start it may take the column left of it).
  void ExpectWhole() {
    const std::u16string text = Units(*mBox);
    EXPECT_TRUE(IsValidUtf16(text));
    EXPECT_FALSE(Splits(text, mBox->GetCaret())) << "caret " << mBox->GetCaret();
    EXPECT_FALSE(Splits(text, mBox->GetSelectionStart()));
    EXPECT_FALSE(Splits(text, mBox->GetSelectionStart() + mBox->GetSelectionLength()));
    const RectT<double> area = mBox->GetTextArea();
    const double x = mBox->GetCaretRect().x - mBox->GetScrollOffset().x;
    EXPECT_GE(x, area.x - 1);
    EXPECT_LE(x, area.x + area.width - 1);
  }
};

TEST_F(TextBoxWholeCharacterTest, CaretDeletionAndTheMaximumStepOverWholeCharacters) {
  const char16_t* kFace = u"\U0001F600"; // two units
  struct Case {
    const char* name;
    const char16_t* text;
    std::int32_t caret;
    std::vector<Step> steps;
    const char16_t* after;
    std::int32_t caretAfter;
    std::int32_t startAfter = 0;
    std::int32_t countAfter = 0;
  };
  const Case cases[] = {
      {"pasted a pair, Left twice, Backspace",
       u"",
       0,
       {PasteStep(u"a\U0001F600b"), KeyStep(kLeft), KeyStep(kLeft), KeyStep(kBack)},
       u"\U0001F600b",
       0},
      {"Left over a pair", u"a\U0001F600b", 3, {KeyStep(kLeft)}, u"a\U0001F600b", 1},
      {"Right over a pair", u"a\U0001F600b", 1, {KeyStep(kRight)}, u"a\U0001F600b", 3},
      {"Backspace after a pair", u"a\U0001F600b", 3, {KeyStep(kBack)}, u"ab", 1},
      {"Delete before a pair", u"a\U0001F600b", 1, {KeyStep(kDelete)}, u"ab", 1},
      {"Shift+Delete after a pair", u"\U0001F600", 2, {KeyStep(kDelete, kShift)}, u"", 0},
      {"Shift+Right selects a pair", u"a\U0001F600b", 1, {KeyStep(kRight, kShift)}, u"a\U0001F600b", 3, 1, 2},
      {"Shift+Left selects a pair", u"a\U0001F600b", 3, {KeyStep(kLeft, kShift)}, u"a\U0001F600b", 1, 1, 2},
      {"a caret set inside a pair stands before it", u"a\U0001F600b", 0, {CaretStep(2)}, u"a\U0001F600b", 1},
      {"a selection ending inside a pair takes all of it",
       u"a\U0001F600b",
       0,
       {SelectStep(0, 1)},
       u"a\U0001F600b",
       0,
       0,
       3},
      {"a selection starting inside a pair takes all of it",
       u"a\U0001F600b",
       0,
       {SelectStep(2, 3)},
       u"a\U0001F600b",
       0,
       1,
       3},
      {"Left over a letter and its mark", u"ae\u0301b", 3, {KeyStep(kLeft)}, u"ae\u0301b", 1},
      {"Right over a letter and its marks", u"ae\u0301\u0302b", 1, {KeyStep(kRight)}, u"ae\u0301\u0302b", 4},
      {"Backspace takes a letter with its mark", u"ae\u0301b", 3, {KeyStep(kBack)}, u"ab", 1},
      {"Delete takes a letter with its mark", u"ae\u0301b", 1, {KeyStep(kDelete)}, u"ab", 1},
      {"a mark typed joins the letter before it", u"ae", 2, {TypeStep(0x301), KeyStep(kLeft)}, u"ae\u0301", 1},
      {"a letter typed before a mark takes it", u"a\u0301", 0, {TypeStep(u'e')}, u"ea\u0301", 1},
      {"typed as its two halves", u"ab", 1, {TypeStep(kFace[0]), TypeStep(kFace[1])}, u"a\U0001F600b", 3},
      {"typed over a selection",
       u"abc",
       0,
       {SelectStep(0, 1), TypeStep(kFace[0]), TypeStep(kFace[1])},
       u"\U0001F600c",
       2},
      {"a first half without its second", u"ab", 1, {TypeStep(kFace[0]), TypeStep(u'x')}, u"axb", 2},
      {"a second half alone", u"ab", 1, {TypeStep(kFace[1])}, u"ab", 1},
      {"two first halves, then a second",
       u"",
       0,
       {TypeStep(0xD83D), TypeStep(0xD83C), TypeStep(0xDFB9)},
       u"\U0001F3B9",
       2},
      {"a pair does not fit one unit below the maximum",
       u"ab",
       2,
       {MaxStep(3), TypeStep(kFace[0]), TypeStep(kFace[1])},
       u"ab",
       2},
      {"a pair fits two units below the maximum",
       u"ab",
       2,
       {MaxStep(4), TypeStep(kFace[0]), TypeStep(kFace[1])},
       u"ab\U0001F600",
       4},
      {"a pasted pair over the maximum is refused", u"ab", 2, {MaxStep(3), PasteStep(kFace)}, u"ab", 2},
      {"the maximum cuts before a pair it would split", u"a\U0001F600b", 1, {MaxStep(2)}, u"a", 1},
      {"the maximum cuts before a letter it would part from its mark", u"ae\u0301", 0, {MaxStep(2)}, u"a", 1},
      {"the maximum keeps a pair that fits", u"a\U0001F600b", 1, {MaxStep(3)}, u"a\U0001F600", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mBox->SetMaxLength(0);
    Prepare("", 0);
    mBox->SetText(WideString(c.text));
    ASSERT_EQ(mBox->SetCaret(c.caret, true) >= 0, true);
    for (const Step& step : c.steps) {
      Run(step);
      ExpectWhole();
    }
    EXPECT_EQ(Units(*mBox), std::u16string(c.after));
    EXPECT_EQ(mBox->GetCaret(), c.caretAfter);
    EXPECT_EQ(mBox->GetSelectionLength(), c.countAfter);
    if (c.countAfter > 0) {
      EXPECT_EQ(mBox->GetSelectionStart(), c.startAfter);
    }
  }
}

TEST_F(TextBoxWholeCharacterTest, ClicksAndDoubleClicksLandBetweenWholeCharacters) {
  // Ten pixels a unit from x 10: "a" 10..20, the pair 20..40, "e" and its mark 40..60, "b" 60..70.
  mBox->SetText(WideString(u"a\U0001F600e\u0301b cd"));
  const struct {
    std::int32_t x;
    std::int32_t caret;
  } clicks[] = {{21, 1}, {29, 1}, {31, 3}, {39, 3}, {45, 3}, {49, 3}, {51, 5}, {58, 5}, {66, 6}};
  for (const auto& c : clicks) {
    SCOPED_TRACE(c.x);
    mWindow->Click(kMouseButtonLeft, {c.x, 15});
    EXPECT_EQ(mBox->GetCaret(), c.caret);
    ExpectWhole();
  }
  // The character boxes cover whole characters.
  const RectT<double> pair = mBox->GetCharRect(2);
  EXPECT_EQ(pair.x, 10.0);
  EXPECT_EQ(pair.width, 20.0);
  // A double click selects the word of whole characters.
  mWindow->Click(kMouseButtonLeft, {35, 15});
  mWindow->Press(kMouseButtonLeft, {35, 15}, true);
  mWindow->Release(kMouseButtonLeft, {35, 15});
  EXPECT_EQ(mBox->GetSelectionStart(), 0);
  EXPECT_EQ(mBox->GetSelectionLength(), 6);
  // A drag ending inside the pair's right half reaches past it.
  mWindow->Press(kMouseButtonLeft, {11, 15});
  mWindow->Move({36, 15});
  mWindow->Release(kMouseButtonLeft, {36, 15});
  EXPECT_EQ(mBox->GetSelectionStart(), 0);
  EXPECT_EQ(mBox->GetSelectionLength(), 3);
  ExpectWhole();
}

TEST_F(TextBoxWholeCharacterTest, ATextSetWithALoneHalfHoldsAReplacementCharacter) {
  const char16_t lone[] = {u'a', 0xD83D, u'b', 0xDE00, 0};
  mBox->SetText(WideString(lone));
  EXPECT_EQ(Units(*mBox), std::u16string(u"a\uFFFDb\uFFFD"));
  mBox->SetText(WideString(u"x\U0001F600"));
  EXPECT_EQ(Units(*mBox), std::u16string(u"x\U0001F600")) << "a pair stays";
}

TEST_F(TextBoxWholeCharacterTest, TheCaretStaysInsideTheBoxWhileTypingPastTheEdgeAndDeletingBack) {
  // 300 pixels hold 30 characters of 10 pixels.
  Prepare("", 0);
  for (int i = 0; i < 60; ++i) {
    SCOPED_TRACE(i);
    if (i % 10 == 9) {
      Type(kFaceHigh);
      Type(kFaceLow);
    } else {
      Type(static_cast<char16_t>(u'a' + i % 26));
    }
    ExpectWhole();
  }
  const double textWidth = mBox->GetPrefixWidth(mBox->GetLength());
  EXPECT_EQ(textWidth, 660.0);
  EXPECT_EQ(mBox->GetScrollOffset().x, textWidth - 1 - 299) << "the caret at the end on the last column";
  // Its line is drawn there too.
  mRenderer->mLines.clear();
  mBox->PaintOverChildren(mRenderer);
  ASSERT_EQ(mRenderer->mLines.size(), 1u);
  EXPECT_EQ(mRenderer->mLines[0].from.x, 299.0f);

  // Home shows the start, End the end again; a click on the left edge moves left.
  Press(kHome);
  ExpectWhole();
  EXPECT_EQ(mBox->GetScrollOffset().x, 0.0);
  Press(kEnd);
  ExpectWhole();
  EXPECT_EQ(mBox->GetScrollOffset().x, 360.0);
  for (int i = 0; i < 5; ++i)
    Press(kLeft);
  EXPECT_EQ(mBox->GetScrollOffset().x, 360.0) << "a caret inside the area does not scroll";
  mWindow->Click(kMouseButtonLeft, {10, 15});
  ExpectWhole();
  EXPECT_LT(mBox->GetScrollOffset().x, 360.0);
  Press(kEnd);

  // Deleting scrolls back: never more than the text needs.
  double previous = mBox->GetScrollOffset().x;
  while (mBox->GetLength() > 0) {
    SCOPED_TRACE(mBox->GetLength());
    Press(kBack);
    ExpectWhole();
    const double offset = mBox->GetScrollOffset().x;
    EXPECT_LE(offset, previous);
    EXPECT_LE(offset, std::max(0.0, double{mBox->GetPrefixWidth(mBox->GetLength())} - 300));
    previous = offset;
  }
  EXPECT_EQ(mBox->GetScrollOffset().x, 0.0);

  // A long paste shows its end; Ctrl+Delete from the start shows the start.
  mApp.mClipboard = ClipboardText::Create(WideString(std::u16string(45, u'x').c_str()));
  mBox->PerformEdit(kEditPaste);
  ExpectWhole();
  EXPECT_EQ(mBox->GetScrollOffset().x, 150.0);
  Press(kHome);
  Press(kDelete, kCtrl);
  EXPECT_EQ(mBox->GetScrollOffset().x, 0.0);
}

TEST_F(TextBoxTest, ABoxClosedByItsOwnValidationDoesNotValidateAgain) {
  // The box closes itself, or the panel around it closes, when its text is
  // validated; by Enter or by the focus moving to another control.
  class Closer : public LNotificationClient {
  public:
    std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) override {
      ++mCalls;
      if (mTarget)
        static_cast<void>(std::exchange(mTarget, RCPtr<LControl>())->Close());
      return 0;
    }
    RCPtr<LControl> mTarget;
    int mCalls = 0;
  };
  struct Case {
    const char* name;
    bool closePanel;
    bool byEnter;
  };
  for (const Case& c : {Case{"the box, by Enter", false, true}, Case{"the box, by the focus", false, false},
                        Case{"its panel, by Enter", true, true}, Case{"its panel, by the focus", true, false}}) {
    SCOPED_TRACE(c.name);
    const RCPtr<Placed<TestControl>> panel = Make<TestControl>(mRoot, u"panel", {0, 0, 400, 40});
    const RCPtr<Box> box(new Box(panel, {10, 10, 300, 20}));
    box->Finish();
    box->SetNotFocusable(false);
    const RCPtr<NotificationLog> log = Listen(box, {u"NID_TEXTBOX_VALIDATING", u"NID_TEXTBOX_VALIDATED"});
    const RCPtr<Closer> closer = MakeRCPtr<Closer>();
    closer->mTarget = c.closePanel ? RCPtr<LControl>(panel) : RCPtr<LControl>(box);
    box->RegisterClient(closer, u"NID_TEXTBOX_VALIDATED");
    ASSERT_EQ(box->SetFocus(true), S_OK);
    box->SetText(WideString(u"done"));
    if (c.byEnter)
      box->HandleKey(LKeyParam::Create(KeyCode(kEnter, true, 0, 0), 1));
    else
      EXPECT_EQ(mOther->SetFocus(true), S_OK);
    EXPECT_EQ(log->Count("NID_TEXTBOX_VALIDATING"), 1);
    EXPECT_EQ(log->Count("NID_TEXTBOX_VALIDATED"), 1);
    EXPECT_EQ(closer->mCalls, 1);
    EXPECT_FALSE(box->HasFocus());
    box->UnregisterClientFromAll(closer);
    static_cast<void>(panel->Close());
  }
}

} // namespace
} // namespace QZ
