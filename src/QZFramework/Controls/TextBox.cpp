#include "QZFramework/Controls/TextBox.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/Utilities/Storage/WrapperStringable.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

namespace QZ {

namespace {

constexpr const char16_t* kTextChange = u"NID_TEXTBOX_TEXT_CHANGE";
constexpr const char16_t* kValidating = u"NID_TEXTBOX_VALIDATING";
constexpr const char16_t* kValidated = u"NID_TEXTBOX_VALIDATED";
constexpr const char16_t* kLabelParam = u"LABEL";
constexpr const char16_t* kIBeamCursor = u"UI_CURSOR_IBEAM";

using LClipboardString = LWrapperStringable<WideString>;

// The edit commands of the context menu: the string-table key of the label and the request.
struct SEditCommand {
  const char16_t* label;
  const char16_t* id;
  std::int32_t code;
};
constexpr SEditCommand kEditCommands[] = {
    {u"EDIT_CUT", u"NID_EDIT_CUT_REQ", kEditCut},
    {u"EDIT_COPY", u"NID_EDIT_COPY_REQ", kEditCopy},
    {u"EDIT_PASTE", u"NID_EDIT_PASTE_REQ", kEditPaste},
    {u"EDIT_DELETE", u"NID_EDIT_DELETE_REQ", kEditDelete},
};

// Key codes of the key table: a pressed virtual key with its modifiers.
constexpr std::uint32_t Key(std::uint32_t virtualKey, std::uint32_t modifiers = 0) {
  return kKeyPressed | (virtualKey << kKeyVirtualKeyShift) | modifiers;
}
constexpr std::uint32_t kVkBackspace = 0x08;
constexpr std::uint32_t kVkEnter = 0x0D;
constexpr std::uint32_t kVkSpace = 0x20;
constexpr std::uint32_t kVkEnd = 0x23;
constexpr std::uint32_t kVkHome = 0x24;
constexpr std::uint32_t kVkLeft = 0x25;
constexpr std::uint32_t kVkUp = 0x26;
constexpr std::uint32_t kVkRight = 0x27;
constexpr std::uint32_t kVkDown = 0x28;
constexpr std::uint32_t kVkDelete = 0x2E;
constexpr std::uint32_t kVkA = 0x41;
constexpr std::uint32_t kCtrlShift = kKeyCtrl | kKeyShift;

constexpr char16_t kBackspaceCharacter = 8;
constexpr char16_t kTabCharacter = 9;

bool IsBlank(char16_t c) { return c == u' ' || (c >= 9 && c <= 13); }

// Letters, digits, punctuation and blanks: what typing may insert.
bool IsPrintable(char16_t c) {
  if (c == u' ')
    return true;
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
    return false;
  // Lone surrogate halves and non-characters are not text.
  return !(c >= 0xD800 && c <= 0xDFFF) && c != 0xFFFE && c != 0xFFFF;
}

WideString FromUnits(const std::u16string& units) {
  WideString text;
  text.AssignChars(units.c_str(), static_cast<std::uint32_t>(units.size()));
  return text;
}

std::u16string ToUnits(const WideString& text) { return std::u16string(text.GetChars(), text.GetLength()); }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

constexpr char16_t kReplacementCharacter = 0xFFFD;

// The text with every unpaired surrogate half replaced (the same text when it has none).
WideString WithoutLoneSurrogates(const WideString& text) {
  const char16_t* units = text.GetChars();
  const std::int32_t length = static_cast<std::int32_t>(text.GetLength());
  std::u16string repaired;
  for (std::int32_t i = 0; i < length; ++i) {
    const char16_t c = units[i];
    const bool paired = (IsHighSurrogate(c) && i + 1 < length && IsLowSurrogate(units[i + 1])) ||
                        (IsLowSurrogate(c) && i > 0 && IsHighSurrogate(units[i - 1]));
    if (paired || !(IsHighSurrogate(c) || IsLowSurrogate(c)))
      continue;
    if (repaired.empty())
      repaired = ToUnits(text);
    repaired[static_cast<std::size_t>(i)] = kReplacementCharacter;
  }
  return repaired.empty() ? text : FromUnits(repaired);
}

// The text the application's clipboard holds; false when it holds none.
bool ReadClipboard(WideString& out) {
  IFrameworkApp* app = GetFrameworkApp();
  if (app == nullptr)
    return false;
  const RCPtr<LClipboardString> text = DynamicCast<LClipboardString>(app->GetClipboardText());
  if (!text)
    return false;
  out = *text;
  return true;
}

} // namespace

RCPtr<LControl>& LTextBox::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                  const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LTextBox>(out, parent, descriptor);
}

double LTextBox::Now() const {
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetTime() : 0.0;
}

// ---------------------------------------------------------------------------
// Creation

QZRESULT LTextBox::CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) {
  const WideString kept = mText;
  const QZRESULT result = LScrollView::CreateChildrenFromDescriptor(descriptor);
  WideString label;
  if (mStringTable && mStringTable->GetString(kLabelParam, label)) {
    static_cast<void>(SetTextInternal(kept, true));
    mLabel = label;
    ShowLabelInLook();
    static_cast<void>(UpdateVisualState());
  }
  return result;
}

QZRESULT LTextBox::Initialize() {
  if (LScrollView::Initialize() >= 0) {
    SetLabelTextScrolls(true);
    UpdateCaretGeometry();
  }
  if (IFrameworkApp* app = GetFrameworkApp())
    SetCursor(app->GetCursor(WideString(kIBeamCursor)));
  return S_OK;
}

void LTextBox::AttachToRootWindow() {
  LScrollView::AttachToRootWindow();
  IFrameworkApp* app = GetFrameworkApp();
  LControlFactory* factory = app ? app->GetControlFactory() : nullptr;
  const RCPtr<LStringTable> strings = factory ? factory->GetFrameworkStringTable() : RCPtr<LStringTable>();
  if (!strings)
    return;
  const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
  for (const SEditCommand& command : kEditCommands) {
    WideString label;
    static_cast<void>(strings->GetString(command.label, label));
    static_cast<void>(menu->AppendItem(menu->GetItemCount(), label, WideString(command.id), true, false));
  }
  static_cast<void>(SetContextMenuDescriptor(menu));
}

WideString LTextBox::GetToolTipText() const {
  if (IsTextTruncated())
    return GetText();
  return LScrollView::GetToolTipText();
}

// ---------------------------------------------------------------------------
// Text

QZRESULT LTextBox::SetText(const WideString& text) { return SetTextInternal(text, true); }

QZRESULT LTextBox::SetText(const WideString& text, bool resetCaret) { return SetTextInternal(text, resetCaret); }

QZRESULT LTextBox::SetTextInternal(const WideString& text, bool resetCaret) {
  if (!ApplyText(WithoutLoneSurrogates(text), true))
    return S_FALSE;
  const RCPtr<LTextBox> self(this); // a listener may drop the last outside reference
  const float width = GetPrefixWidth(GetLength());
  static_cast<void>(SetClientExtent(width, LineHeight()));
  // The caret stays inside the new text: at 0 when reset, else where it was or at the end.
  const std::int32_t caret = resetCaret ? 0 : std::min(mCaret, GetLength());
  const bool hadSelection = mSelectionLength > 0;
  mSelectionStart = mSelectionLength = 0;
  static_cast<void>(SetCaret(caret, true));
  mSelectionAnchor = mCaret;
  if (hadSelection)
    static_cast<void>(UpdateVisualState());
  if (!mLabel.IsEmpty()) {
    ShowLabelInLook();
    static_cast<void>(UpdateVisualState());
  }
  static_cast<void>(Notify(LNotification::Create(kTextChange, RCPtr<LRefCountedObject>(this))));
  return S_OK;
}

void LTextBox::ShowLabelInLook() {
  if (static_cast<std::uint32_t>(kLookLabel) >= mLooks.GetCount() || mLabel.IsEmpty())
    return;
  if (const RCPtr<LLook>& look = mLooks.GetAt(kLookLabel))
    static_cast<void>(look->SetText(mLabel));
}

QZRESULT LTextBox::SetMaxLength(std::int32_t maxLength) {
  mMaxLength = maxLength;
  if (maxLength > 0 && maxLength < GetLength()) {
    // Never through a character: it goes whole or not at all.
    if (SetTextInternal(mText.Left(SnapToCaretStop(maxLength, false)), false) == S_OK)
      static_cast<void>(SetCaret(GetLength(), true));
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Caret and selection

QZRESULT LTextBox::SetCaret(std::int32_t position, bool force) {
  if (position < 0 || position > GetLength())
    return E_INVALIDARG;
  position = SnapToCaretStop(position, false);
  if (position == mCaret && !force) {
    if (mSelectionLength == 0)
      mSelectionAnchor = mCaret;
    return S_FALSE;
  }
  const bool same = position == mCaret;
  mCaret = position;
  if (mSelectionLength == 0)
    mSelectionAnchor = mCaret;
  UpdateCaretGeometry();
  ScrollCaretIntoView();
  mCaretVisible = true;
  mNextBlink = Now() + kCaretShownTime;
  InvalidateWhole();
  return same ? S_FALSE : S_OK;
}

void LTextBox::ClearSelection() {
  const bool had = mSelectionLength > 0;
  mSelectionStart = mSelectionLength = 0;
  mSelectionAnchor = mCaret;
  if (had)
    static_cast<void>(UpdateVisualState());
}

void LTextBox::SelectRange(std::int32_t first, std::int32_t last) {
  const std::int32_t oldStart = mSelectionStart;
  const std::int32_t oldLength = mSelectionLength;
  const std::int32_t length = GetLength();
  if (first == 0 && last == -1) {
    mSelectionStart = 0;
    mSelectionLength = length;
    mSelectionAnchor = 0;
  } else if (first == -1) {
    mSelectionStart = mSelectionLength = 0;
    mSelectionAnchor = mCaret;
  } else {
    if (first < 0 || first >= length || last < 0 || last >= length)
      return;
    mSelectionStart = SnapToCaretStop(std::min(first, last), false);
    mSelectionLength = SnapToCaretStop(std::max(first, last) + 1, true) - mSelectionStart;
    mSelectionAnchor = mSelectionStart;
  }
  if (oldStart != mSelectionStart || oldLength != mSelectionLength)
    static_cast<void>(UpdateVisualState());
}

void LTextBox::SetSelection(std::int32_t start, std::int32_t count, std::int32_t anchor) {
  const std::int32_t length = GetLength();
  if (start < 0 || start > length || count < 0 || start + count > length)
    return;
  if (count > 0) {
    SelectRange(start, start + count - 1);
  } else if (start = SnapToCaretStop(start, false); mSelectionStart != start || mSelectionLength != 0) {
    mSelectionStart = start;
    mSelectionLength = 0;
    static_cast<void>(UpdateVisualState());
  }
  mSelectionAnchor = SnapToCaretStop(std::clamp(anchor, 0, length), false);
}

void LTextBox::ExtendSelectionTo(std::int32_t position) {
  if (position < 0 || position > GetLength())
    return;
  position = SnapToCaretStop(position, false);
  const std::int32_t oldStart = mSelectionStart;
  const std::int32_t oldLength = mSelectionLength;
  mSelectionStart = std::min(mSelectionAnchor, position);
  mSelectionLength = std::abs(position - mSelectionAnchor);
  static_cast<void>(SetCaret(position, false));
  if (oldStart != mSelectionStart || oldLength != mSelectionLength)
    static_cast<void>(UpdateVisualState());
}

WideString LTextBox::GetSelectedText() const { return mText.Mid(mSelectionStart, mSelectionLength); }

std::int32_t LTextBox::NextWordPosition() const {
  const char16_t* text = mText.GetChars();
  const std::int32_t length = GetLength();
  std::int32_t i = mCaret;
  while (i < length && IsBlank(text[i]))
    ++i;
  while (i < length && !IsBlank(text[i]))
    ++i;
  while (i < length && IsBlank(text[i]))
    ++i;
  return i;
}

std::int32_t LTextBox::PreviousWordPosition() const {
  const char16_t* text = mText.GetChars();
  std::int32_t i = mCaret;
  while (i > 0 && IsBlank(text[i - 1]))
    --i;
  while (i > 0 && !IsBlank(text[i - 1]))
    --i;
  return i;
}

// ---------------------------------------------------------------------------
// Editing

void LTextBox::DeleteRange(std::int32_t start, std::int32_t count) {
  if (start < 0 || count <= 0 || start + count > GetLength())
    return;
  const std::int32_t end = SnapToCaretStop(start + count, true);
  start = SnapToCaretStop(start, false);
  count = end - start;
  std::u16string units = ToUnits(mText);
  units.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
  if (SetTextInternal(FromUnits(units), false) == S_OK)
    static_cast<void>(SetCaret(start, true));
}

void LTextBox::DeleteSelection() {
  if (mSelectionLength > 0)
    DeleteRange(mSelectionStart, mSelectionLength);
}

QZRESULT LTextBox::ReplaceSelection(const WideString& text) {
  if (mSelectionLength <= 0)
    return E_FAIL;
  const auto inserted = static_cast<std::int32_t>(text.GetLength());
  if (mMaxLength > 0 && GetLength() - mSelectionLength + inserted > mMaxLength)
    return E_FAIL;
  const std::int32_t start = mSelectionStart;
  std::u16string units = ToUnits(mText);
  units.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(mSelectionLength), ToUnits(text));
  const QZRESULT result = SetTextInternal(FromUnits(units), false);
  static_cast<void>(SetCaret(SnapToCaretStop(start + inserted, true), true));
  ClearSelection();
  return result;
}

QZRESULT LTextBox::InsertCharacter(char16_t character) {
  if (IsHighSurrogate(character) || IsLowSurrogate(character))
    return S_FALSE; // half a character is no text
  return InsertText(std::u16string_view(&character, 1));
}

QZRESULT LTextBox::InsertText(std::u16string_view inserted) {
  std::u16string units = ToUnits(mText);
  std::int32_t caret = mCaret;
  if (mSelectionLength > 0) {
    units.erase(static_cast<std::size_t>(mSelectionStart), static_cast<std::size_t>(mSelectionLength));
    caret = mSelectionStart;
  }
  // A text longer than the maximum (set from outside) takes no character either.
  const bool fits = mMaxLength <= 0 || static_cast<std::int64_t>(units.size() + inserted.size()) <= mMaxLength;
  if (fits)
    units.insert(static_cast<std::size_t>(caret), inserted);
  if (SetTextInternal(FromUnits(units), false) != S_OK)
    return S_FALSE;
  // After what was typed, and after any marks that now belong to it.
  const auto after = caret + (fits ? static_cast<std::int32_t>(inserted.size()) : 0);
  static_cast<void>(SetCaret(SnapToCaretStop(after, true), true));
  return S_OK;
}

RCPtr<LTextValidationParams> LTextBox::Validate() {
  const RCPtr<LTextBox> self(this);
  const RCPtr<LTextValidationParams> params = LTextValidationParams::Create(mText);
  // A listener that closes or hides the box moves the focus away from it: the
  // pair is not started again from inside itself for a box that is going.
  if (mValidating && !IsVisible(true))
    return params;
  const bool outer = !std::exchange(mValidating, true);
  struct Reset {
    bool& flag;
    bool outer;
    ~Reset() {
      if (outer)
        flag = false;
    }
  } reset{mValidating, outer};
  static_cast<void>(Notify(LNotification::Create(kValidating, params)));
  if (params->mAccept && !params->mText.EqualsString(mText))
    static_cast<void>(SetTextInternal(params->mText, false));
  if (params->mAccept)
    static_cast<void>(Notify(LNotification::Create(kValidated, params)));
  return params;
}

bool LTextBox::CanPerformEdit(std::int32_t code) {
  switch (code) {
  case kEditDelete:
  case kEditCut:
  case kEditCopy:
    return mSelectionLength > 0;
  case kEditPaste: {
    WideString text;
    if (!ReadClipboard(text))
      return false;
    return mMaxLength <= 0 ||
           GetLength() - mSelectionLength + static_cast<std::int32_t>(text.GetLength()) <= mMaxLength;
  }
  default:
    return false;
  }
}

QZRESULT LTextBox::PerformEdit(std::int32_t code) {
  const RCPtr<LTextBox> self(this);
  switch (code) {
  case kEditCopy:
  case kEditCut: {
    if (mSelectionLength <= 0)
      return E_FAIL;
    IFrameworkApp* app = GetFrameworkApp();
    const QZRESULT copied =
        app ? app->SetClipboardText(LClipboardString::Create(GetSelectedText())) : static_cast<QZRESULT>(E_FAIL);
    // What the clipboard did not take must not be cut away.
    if (copied < 0)
      return copied;
    if (code == kEditCut)
      DeleteSelection();
    return S_OK;
  }
  case kEditDelete:
    if (mSelectionLength <= 0)
      return E_FAIL;
    DeleteSelection();
    return S_OK;
  case kEditPaste: {
    WideString text;
    if (!ReadClipboard(text))
      return E_FAIL;
    if (mSelectionLength > 0)
      return ReplaceSelection(text);
    const auto inserted = static_cast<std::int32_t>(text.GetLength());
    if (mMaxLength > 0 && GetLength() + inserted > mMaxLength)
      return E_FAIL;
    const std::int32_t caret = mCaret;
    std::u16string units = ToUnits(mText);
    units.insert(static_cast<std::size_t>(caret), ToUnits(text));
    if (SetTextInternal(FromUnits(units), false) != S_OK)
      return E_FAIL;
    static_cast<void>(SetCaret(SnapToCaretStop(caret + inserted, true), true));
    return S_OK;
  }
  default:
    return E_FAIL;
  }
}

QZRESULT LTextBox::GetCommandEnabled(const RCPtr<LMenuDescriptor>&, std::int32_t, const WideString& id,
                                     LMenuItemState& state) {
  for (const SEditCommand& command : kEditCommands) {
    if (!id.IsEqual(command.id))
      continue;
    IFrameworkApp* app = GetFrameworkApp();
    state.mEnabled = app != nullptr && app->IsEditCommandAvailable(command.code);
    return S_OK;
  }
  return S_FALSE;
}

// ---------------------------------------------------------------------------
// Focus

QZRESULT LTextBox::SetFocus(bool fromFirst) {
  const RCPtr<LTextBox> self(this);
  if (HasFocus())
    static_cast<void>(Validate());
  return LScrollView::SetFocus(fromFirst);
}

bool LTextBox::CanLoseFocus() {
  const RCPtr<LTextBox> self(this);
  return Validate()->mAccept;
}

void LTextBox::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LScrollView::OnConditionsChanged(conditions);
  if (!conditions)
    return;
  const RCPtr<LTextBox> self(this);
  const std::uint32_t previous = conditions->mPreviousBits;
  const std::uint32_t current = conditions->mCurrentBits;
  const std::uint32_t gained = current & ~previous;
  const std::uint32_t lost = previous & ~current;
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if ((gained & kConditionHasFocus) != 0) {
    if (rootWindow)
      rootWindow->SetTextInputFocus(true, RCPtr<LControl>(this), 0);
    static_cast<void>(UpdateVisualState());
    // The caret keeps its phase: it shows at the first blink or the next move.
    mNextBlink = Now() + kCaretShownTime;
    ScrollCaretIntoView();
    InvalidateWhole();
    static_cast<void>(BeginIdleNotifications());
  } else if ((lost & kConditionHasFocus) != 0) {
    if (rootWindow)
      rootWindow->SetTextInputFocus(false, RCPtr<LControl>(this), 0);
    static_cast<void>(EndIdleNotifications());
    mCaretVisible = false;
    static_cast<void>(SetScrollOffset({0, 0}));
    static_cast<void>(UpdateVisualState());
    InvalidateWhole();
  } else {
    if ((gained & kConditionHover) != 0) {
      if (IFrameworkApp* app = GetFrameworkApp())
        SetCursor(app->GetCursor(WideString(kIBeamCursor)));
    }
    if ((lost & kConditionLeftDragging) != 0) {
      static_cast<void>(StopInertialScroll(0));
      static_cast<void>(StopInertialScroll(1));
    }
  }
  if (((gained | lost) & (kConditionHover | kConditionHasFocus | kConditionEnabled | kConditionLeftDragging)) != 0)
    static_cast<void>(UpdateVisualState());
}

// ---------------------------------------------------------------------------
// Keys

QZRESULT LTextBox::HandleEditingKey(std::uint32_t code) {
  const RCPtr<LTextBox> self(this);
  switch (code) {
  case Key(kVkA, kKeyCtrl):
    SelectRange(0, -1);
    return S_FALSE; // hot keys may still act on it
  case Key(kVkLeft):
    ClearSelection();
    if (mCaret > 0)
      static_cast<void>(SetCaret(PreviousCaretStop(mCaret), false));
    return S_OK;
  case Key(kVkRight):
    ClearSelection();
    if (mCaret < GetLength())
      static_cast<void>(SetCaret(NextCaretStop(mCaret), false));
    return S_OK;
  case Key(kVkLeft, kKeyShift):
    if (mCaret > 0)
      ExtendSelectionTo(PreviousCaretStop(mCaret));
    return S_OK;
  case Key(kVkRight, kKeyShift):
    if (mCaret < GetLength())
      ExtendSelectionTo(NextCaretStop(mCaret));
    return S_OK;
  case Key(kVkLeft, kKeyCtrl):
    ClearSelection();
    static_cast<void>(SetCaret(PreviousWordPosition(), false));
    return S_OK;
  case Key(kVkRight, kKeyCtrl):
    ClearSelection();
    static_cast<void>(SetCaret(NextWordPosition(), false));
    return S_OK;
  case Key(kVkLeft, kCtrlShift):
    ExtendSelectionTo(PreviousWordPosition());
    return S_OK;
  case Key(kVkRight, kCtrlShift):
    ExtendSelectionTo(NextWordPosition());
    return S_OK;
  case Key(kVkHome):
    ClearSelection();
    static_cast<void>(SetCaret(0, false));
    return S_OK;
  case Key(kVkEnd):
    ClearSelection();
    static_cast<void>(SetCaret(GetLength(), false));
    return S_OK;
  case Key(kVkHome, kKeyShift):
    if (mCaret > 0)
      ExtendSelectionTo(0);
    return S_OK;
  case Key(kVkEnd, kKeyShift):
    if (mCaret < GetLength())
      ExtendSelectionTo(GetLength());
    return S_OK;
  case Key(kVkBackspace):
  case Key(kVkDelete, kKeyShift):
    if (mSelectionLength > 0) {
      DeleteSelection();
    } else if (mCaret > 0) {
      const std::int32_t from = PreviousCaretStop(mCaret);
      DeleteRange(from, mCaret - from);
    }
    return S_OK;
  case Key(kVkDelete):
    if (mSelectionLength > 0)
      DeleteSelection();
    else if (mCaret < GetLength())
      DeleteRange(mCaret, NextCaretStop(mCaret) - mCaret);
    return S_OK;
  case Key(kVkDelete, kKeyCtrl):
    if (mSelectionLength > 0)
      DeleteSelection();
    else
      DeleteRange(mCaret, GetLength() - mCaret);
    return S_OK;
  case Key(kVkEnter):
    return Validate()->mAccept ? S_FALSE : S_OK;
  case Key(kVkUp):
  case Key(kVkDown):
  case Key(kVkUp, kKeyShift):
  case Key(kVkDown, kKeyShift):
  case Key(kVkUp, kKeyCtrl):
  case Key(kVkDown, kKeyCtrl):
  case Key(kVkUp, kCtrlShift):
  case Key(kVkDown, kCtrlShift):
    return S_FALSE;
  default:
    return -1;
  }
}

bool LTextBox::Accepts(std::u16string_view character) const {
  if (mCharacterFilter.IsEmpty())
    return true;
  const char16_t* filter = mCharacterFilter.GetChars();
  const bool listed =
      std::u16string_view(filter, mCharacterFilter.GetLength()).find(character) != std::u16string_view::npos;
  return listed == mFilterIsAllowList;
}

QZRESULT LTextBox::HandleKey(const RCPtr<LKeyParam>& key) {
  if (!key || !key->mKey.IsValid())
    return S_FALSE;
  const std::uint32_t code = key->mKey.Bits();
  if (const QZRESULT handled = HandleEditingKey(code); handled >= 0)
    return handled;
  if (key->mKey.IsVirtualKey()) {
    if ((code & kKeyPressed) == 0)
      return S_OK; // releases stay here
    const std::uint32_t virtualKey = key->mKey.GetVirtualKey();
    const bool typing = virtualKey == kVkSpace || (virtualKey >= u'0' && virtualKey <= u'9') ||
                        (virtualKey >= u'A' && virtualKey <= u'Z');
    // Its character comes as a separate event; with Ctrl, Alt or Command it is a hot key's.
    if (typing && (code & (kKeyCtrl | kKeyAlt | kKeyCommand)) == 0)
      return S_OK;
    return S_FALSE;
  }
  const char16_t character = key->mKey.GetCharacter();
  // A character outside the BMP comes as its two halves, one event each.
  const char16_t high = std::exchange(mPendingHighSurrogate, char16_t{0});
  if (IsHighSurrogate(character)) {
    mPendingHighSurrogate = character;
    return S_OK;
  }
  if (IsLowSurrogate(character)) {
    const char16_t pair[2] = {high, character};
    if (high != 0 && Accepts(std::u16string_view(pair, 2))) {
      const RCPtr<LTextBox> self(this);
      static_cast<void>(InsertText(std::u16string_view(pair, 2)));
    }
    return S_OK; // a second half without its first is dropped
  }
  if (character == kBackspaceCharacter)
    return S_OK; // the virtual key has deleted already
  if (!IsPrintable(character) || character == kTabCharacter)
    return S_FALSE;
  if (Accepts(std::u16string_view(&character, 1))) {
    const RCPtr<LTextBox> self(this);
    static_cast<void>(InsertCharacter(character));
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Geometry

bool LTextBox::MeasureCaretPositions() {
  // Asked several times for every click and key: what is kept is checked first.
  const auto size = static_cast<std::size_t>(GetLength()) + 1;
  if (mMeasuredFont.Get() == mFont.Get() && mCaretPositions.size() == size &&
      (mMeasuredText.GetChars() == mText.GetChars() || mMeasuredText.EqualsString(mText)))
    return true;
  IFrameworkApp* app = GetFrameworkApp();
  const RCPtr<LRenderer> renderer = app ? app->GetRenderer() : RCPtr<LRenderer>();
  if (!renderer)
    return false; // nothing to measure with yet; nothing is kept either
  renderer->MeasureCaretPositions(mText, mFont, mCaretPositions);
  if (mCaretPositions.size() != size)
    mCaretPositions.assign(size, 0.0f); // a renderer that broke its contract: stops everywhere, no widths
  // The ends are stops, a pair's halves never part, and widths never go back
  // (the hit test searches them).
  mCaretPositions.front() = 0.0f;
  mCaretPositions.back() = std::max(mCaretPositions.back(), 0.0f);
  const char16_t* units = mText.GetChars();
  float widest = 0.0f;
  for (std::size_t i = 0; i < size; ++i) {
    float& position = mCaretPositions[i];
    if (i > 0 && i + 1 < size && IsHighSurrogate(units[i - 1]) && IsLowSurrogate(units[i]))
      position = LMeasurementRenderer::kNoCaretStop;
    else if (position >= 0.0f)
      widest = position = std::max(position, widest);
  }
  mMeasuredText = mText;
  mMeasuredFont = mFont;
  return true;
}

bool LTextBox::IsCaretStop(std::int32_t index) {
  const std::int32_t length = GetLength();
  if (index <= 0 || index >= length)
    return true;
  if (MeasureCaretPositions())
    return mCaretPositions[static_cast<std::size_t>(index)] >= 0.0f;
  const char16_t* units = mText.GetChars();
  return !(IsLowSurrogate(units[index]) && IsHighSurrogate(units[index - 1]));
}

std::int32_t LTextBox::NextCaretStop(std::int32_t index) {
  const std::int32_t length = GetLength();
  index = std::max(index, -1);
  do
    ++index;
  while (index < length && !IsCaretStop(index));
  return std::min(index, length);
}

std::int32_t LTextBox::PreviousCaretStop(std::int32_t index) {
  index = std::min(index, GetLength() + 1);
  do
    --index;
  while (index > 0 && !IsCaretStop(index));
  return std::max(index, 0);
}

std::int32_t LTextBox::SnapToCaretStop(std::int32_t index, bool forward) {
  index = std::clamp(index, 0, GetLength());
  if (IsCaretStop(index))
    return index;
  return forward ? NextCaretStop(index) : PreviousCaretStop(index);
}

float LTextBox::GetPrefixWidth(std::int32_t count) {
  const std::int32_t length = GetLength();
  if (count <= 0 || length == 0 || !MeasureCaretPositions())
    return 0.0f;
  count = std::min(count, length);
  while (mCaretPositions[static_cast<std::size_t>(count)] < 0.0f)
    --count; // index 0 is a stop
  return mCaretPositions[static_cast<std::size_t>(count)];
}

std::int32_t LTextBox::LineHeight() const {
  IFrameworkApp* app = GetFrameworkApp();
  const RCPtr<LRenderer> renderer = app ? app->GetRenderer() : RCPtr<LRenderer>();
  std::int32_t lineHeight = 0;
  std::int32_t ascent = 0;
  std::int32_t descent = 0;
  if (renderer && renderer->GetFontMetrics(mFont, lineHeight, ascent, descent) >= 0)
    return lineHeight;
  return 0;
}

RectT<double> LTextBox::GetTextArea() const {
  const RCPtr<LLook>& look = GetLook(-1);
  if (look && look->GetDescriptor() && look->GetDescriptor()->HasTextProperties())
    return look->GetTextRect().ToDoubleRect();
  return {0, 0, mBounds.width, mBounds.height};
}

PointT<double> LTextBox::LineOrigin() const {
  const RCPtr<LLook>& look = GetLook(-1);
  const RCPtr<LFontText> block = look ? look->GetTextBlock() : RCPtr<LFontText>();
  if (!block || block->GetLineCount() < 1)
    return {0, 0};
  const RectT<float> line = block->GetLine(0);
  return {line.x, line.y};
}

void LTextBox::UpdateCaretGeometry() {
  const RectT<double> area = GetTextArea();
  const PointT<double> origin = LineOrigin();
  mCaretRect.x = static_cast<float>(area.x + origin.x) + GetPrefixWidth(mCaret) - 1.0f;
  mCaretRect.y = static_cast<float>(area.y + origin.y);
  mCaretRect.width = 1.0f;
  mCaretRect.height = static_cast<float>(LineHeight());
}

void LTextBox::ScrollCaretIntoView() {
  const RectT<double> area = GetTextArea();
  if (area.width < 1)
    return;
  // The caret's column and the last column inside the area, both as drawn at offset 0.
  const double caret = mCaretRect.x;
  const double right = area.x + area.width - 1;
  double offset = mScrollOffset.x;
  if (mHasFocus) {
    if (caret - offset > right)
      offset = caret - right;
    else if (caret - offset < area.x)
      offset = caret - area.x;
  }
  // The caret after the last character at the right edge at most.
  const double end = area.x + LineOrigin().x + GetPrefixWidth(GetLength()) - 1;
  offset = std::max(0.0, std::min(offset, end - right));
  if (offset != mScrollOffset.x)
    static_cast<void>(SetScrollOffset({offset, mScrollOffset.y}));
}

RectT<double> LTextBox::GetCharRect(std::int32_t index) {
  if (index < 0 || index > GetLength())
    return {};
  const RectT<double> area = GetTextArea();
  const PointT<double> origin = LineOrigin();
  const double left = GetPrefixWidth(index);
  // The caret position past the last character has no width; a character
  // that is more than one unit (or a letter with its marks) is one box.
  const double right = index < GetLength() ? GetPrefixWidth(NextCaretStop(index)) : left;
  return {area.x + origin.x + left, area.y + origin.y, right - left, static_cast<double>(LineHeight())};
}

RectT<double> LTextBox::GetRangeRect(std::int32_t first, std::int32_t last) {
  const std::int32_t length = GetLength();
  if (first < 0 || first > length || last < 0 || last > length)
    return {};
  const RectT<double> low = GetCharRect(std::min(first, last));
  if (first == last)
    return low;
  const RectT<double> high = GetCharRect(std::max(first, last));
  return {low.x, low.y, high.x + high.width - low.x, std::max(low.height, high.height)};
}

std::int32_t LTextBox::GetCharacterIndexAt(const PointT<double>& point) {
  const RectT<double> area = GetTextArea();
  const double x = std::clamp(point.x, area.x, area.x + std::max(0.0, area.width)) + mScrollOffset.x;
  const double along = x - area.x - LineOrigin().x;
  const std::int32_t length = GetLength();
  if (length == 0 || along < 0)
    return 0;
  if (along >= GetPrefixWidth(length))
    return length;
  if (!MeasureCaretPositions())
    return length; // nothing measured: every width is 0
  // The stops low and high around the point: width(low) <= along < width(high).
  const std::vector<float>& widths = mCaretPositions;
  const auto width = [&widths](std::int32_t i) { return widths[static_cast<std::size_t>(i)]; };
  std::int32_t low = 0;
  std::int32_t high = length;
  for (;;) {
    std::int32_t next = low + 1;
    while (width(next) < 0.0f)
      ++next; // the end is a stop
    if (next >= high)
      break;
    std::int32_t middle = low + (high - low) / 2;
    while (middle > low && width(middle) < 0.0f)
      --middle;
    if (middle <= low)
      middle = next;
    if (width(middle) <= along)
      low = middle;
    else
      high = middle;
  }
  return along >= (width(low) + width(high)) / 2 ? high : low;
}

// ---------------------------------------------------------------------------
// Looks

QZRESULT LTextBox::UpdateVisualState() {
  if (!IsEnabled(true)) {
    ClearLookRegions();
    return SelectLook(kLookDisabled);
  }
  const bool hover = mMouseInside || mLeftDragging;
  const bool focused = mHasFocus;
  if (!focused && mText.IsEmpty() && !mLabel.IsEmpty() &&
      static_cast<std::uint32_t>(kLookLabel) < mLooks.GetCount()) {
    const RCPtr<LLook> look = mLooks.GetAt(kLookLabel);
    const RCPtr<LFontText> block = look ? look->GetTextBlock() : RCPtr<LFontText>();
    if (block) {
      const RectT<double> area = GetTextArea();
      const double width = block->GetLineCount() > 0 ? block->GetLine(0).width : 0.0f;
      Region region;
      AddRoundedRectToRegion(region, {area.x, area.y, width, area.height});
      ClearLookRegions();
      static_cast<void>(SetLookRegion(kLookLabel, region));
      static_cast<void>(SetLookRegionExcluding(kLookOutsideLabel, kLookLabel));
      static_cast<void>(SelectLook(kLookOutsideLabel));
      return SetLookWeight(kLookLabel, 1.0f, false);
    }
  }
  const std::int32_t state = (focused ? kLookFocused : kLookNormal) + (hover ? 1 : 0);
  if (focused && mSelectionLength > 0) {
    const std::int32_t selectionLook = kLookSelection + (hover ? 1 : 0);
    const RectT<double> range = GetRangeRect(mSelectionStart, mSelectionStart + mSelectionLength - 1);
    const RectT<double> shown{range.x - mScrollOffset.x, range.y - mScrollOffset.y, range.width, range.height};
    const RectT<double> area = GetTextArea();
    const double left = std::max(shown.x, area.x);
    const double top = std::max(shown.y, area.y);
    const double right = std::min(shown.x + shown.width, area.x + area.width);
    const double bottom = std::min(shown.y + shown.height, area.y + area.height);
    Region region;
    if (right > left && bottom > top)
      AddRoundedRectToRegion(region, {left, top, right - left, bottom - top});
    ClearLookRegions();
    static_cast<void>(SetLookRegion(selectionLook, region));
    static_cast<void>(SetLookRegionExcluding(state, selectionLook));
    static_cast<void>(SelectLook(state));
    return SetLookWeight(selectionLook, 1.0f, false);
  }
  ClearLookRegions();
  return SelectLook(state);
}

void LTextBox::OnSizeChanged() {
  LScrollView::OnSizeChanged();
  UpdateCaretGeometry();
  ScrollCaretIntoView();
  static_cast<void>(UpdateVisualState());
}

const PointT<double>& LTextBox::SetScrollOffset(const PointT<double>& offset) {
  if (mScrollGuard)
    return mScrollOffset;
  mScrollGuard = true;
  const RCPtr<LTextBox> self(this);
  static_cast<void>(LScrollView::SetScrollOffset(offset));
  const double end = GetClientExtentSize().width - GetTextArea().width + 3;
  if (mScrollOffset.x <= 0 || mScrollOffset.x >= end)
    static_cast<void>(StopInertialScroll(0));
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (mLeftDragging && rootWindow) {
    const PointT<std::int32_t> cursor = rootWindow->GetCursorPosition();
    const PointT<double> origin = GetPositionInRoot();
    ExtendSelectionTo(GetCharacterIndexAt({cursor.x - origin.x, cursor.y - origin.y}));
  } else {
    static_cast<void>(UpdateVisualState());
  }
  mScrollGuard = false;
  return mScrollOffset;
}

// ---------------------------------------------------------------------------
// Mouse

void LTextBox::HandleLeftButtonDown(const RCPtr<LMouseButtonParam>& param) {
  LScrollView::HandleLeftButtonDown(param);
  if (!param)
    return;
  const std::int32_t position =
      GetCharacterIndexAt({static_cast<double>(param->mPoint.x), static_cast<double>(param->mPoint.y)});
  if ((param->mModifiers & kModifierShift) != 0) {
    ExtendSelectionTo(position);
    return;
  }
  ClearSelection();
  static_cast<void>(SetCaret(position, false));
  mSelectionAnchor = position;
}

void LTextBox::HandleMouseMove(const RCPtr<LPointWithModifiersParam>& param) {
  LScrollView::HandleMouseMove(param);
  if (!param || !mLeftDragging)
    return;
  ExtendSelectionTo(
      GetCharacterIndexAt({static_cast<double>(param->mPoint.x), static_cast<double>(param->mPoint.y)}));
}

void LTextBox::HandleLeftClick(const RCPtr<LMouseButtonParam>& param) {
  LScrollView::HandleLeftClick(param);
  if (!param || (param->mDoubleClick == 0 && (param->mModifiers & kModifierCtrl) == 0))
    return;
  ClearSelection();
  const char16_t* text = mText.GetChars();
  // A caret already at the start of a word stays there: that word is the one clicked.
  const bool atWordStart =
      mCaret < GetLength() && !IsBlank(text[mCaret]) && (mCaret == 0 || IsBlank(text[mCaret - 1]));
  if (!atWordStart)
    static_cast<void>(SetCaret(PreviousWordPosition(), false));
  std::int32_t end = NextWordPosition();
  while (end > mCaret && IsBlank(text[end - 1]))
    --end;
  ExtendSelectionTo(end);
}

// ---------------------------------------------------------------------------
// Caret

void LTextBox::OnIdle() {
  LScrollView::OnIdle();
  const double now = Now();
  if (now < mNextBlink)
    return;
  mCaretVisible = !mCaretVisible;
  mNextBlink = now + (mCaretVisible ? kCaretShownTime : kCaretHiddenTime);
  InvalidateWhole();
}

QZRESULT LTextBox::PaintOverChildren(const RCPtr<LRenderer>& renderer) {
  if (!renderer || !mHasFocus || !mCaretVisible)
    return S_OK;
  const float x = mCaretRect.x - static_cast<float>(mScrollOffset.x);
  const float top = mCaretRect.y - static_cast<float>(mScrollOffset.y);
  // White over a dark look, black over a light one.
  const std::uint32_t under =
      GetLookColorAtPoint(PointT<double>{x, top}.RoundToLong(), GetFirstVisibleLookIndex());
  // A mean of red, green and blue of 128 or less counts as dark.
  const std::uint32_t sum = ((under >> 16) & 0xFF) + ((under >> 8) & 0xFF) + (under & 0xFF);
  const Color color = Color::FromARGB(sum <= 3 * 128 ? 0xFFFFFFFFu : 0xFF000000u);
  renderer->DrawLine({x, top}, {x, top + mCaretRect.height}, color, 1.0f);
  return S_OK;
}

} // namespace QZ
