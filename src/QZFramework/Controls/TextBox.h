#pragma once
// LTextBox: the single-line text entry. Its text is the base control's text;
// the caret and the selection are character indices into it. It edits with the
// keyboard (caret, word and selection keys, deletion), takes typed characters
// through an optional filter (allow or deny) up to a maximum length, runs cut,
// copy, paste and delete through the application's clipboard (as an edit
// target and through its context menu), and validates its text on Enter and
// whenever the focus would leave it: "NID_TEXTBOX_VALIDATING" lets listeners
// replace or refuse the text, "NID_TEXTBOX_VALIDATED" follows an accepted one.
// Every change of the text sends "NID_TEXTBOX_TEXT_CHANGE" with the box.
//
// Presentation: the looks show hover, focus, disabled state, the selection (a
// look region over the selected characters) and, in an empty unfocused box,
// the "LABEL" text of the box's string table; the text scrolls with the
// content; the caret is a one-pixel line drawn over the text, blinking 0.5 s
// on and 0.3 s off on the application's clock while the box has the focus
// (the box holds one idle request exactly while it has the focus).
//
// Indices count UTF-16 units, but the caret, the selection's ends and every
// deletion stand only on caret stops: never inside a surrogate pair, and not
// between a letter and its combining marks where the renderer's shaping keeps
// them together. A character outside the BMP typed as two key events (its two
// halves) goes in as one; the text never holds a lone surrogate half (one set
// from outside comes in as U+FFFD). After every caret move and edit the text
// scrolls horizontally so that the caret stays inside the text area, and no
// further than the text needs (deleting scrolls back).
//
// Invariants: 0 <= caret <= length; the selection lies inside the text; with
// no selection the anchor is at the caret; a maximum length above 0 is never
// exceeded by typing, pasting or replacing. The caret positions of the text
// are measured once per text and font, in one call to the renderer.
// A box closed or hidden from inside its own validation (a listener of
// "NID_TEXTBOX_VALIDATED" that closes it) does not validate again while its
// focus moves away.
// UI thread only, like every control.

#include "QZFramework/ControlBase/EditTarget.h"
#include "QZFramework/Controls/ScrollView.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace QZ {

// The payload of "NID_TEXTBOX_VALIDATING" and "NID_TEXTBOX_VALIDATED": the text
// to take (a listener may replace it), the text when validation began, and
// whether it is accepted (a listener may refuse it).
class LTextValidationParams : public virtual LRefCountedObject {
public:
  explicit LTextValidationParams(const WideString& text) : mText(text), mTextBefore(text) {}
  ~LTextValidationParams() override = default;

  [[nodiscard]] static RCPtr<LTextValidationParams> Create(const WideString& text) {
    return RCPtr<LTextValidationParams>(new LTextValidationParams(text));
  }

  WideString mText;
  WideString mTextBefore;
  bool mAccept = true;
};

class LTextBox : public LScrollView, public IEditTarget {
public:
  // The looks the box selects, in the order of the skins' text-box look lists.
  static constexpr std::int32_t kLookNormal = 0;
  static constexpr std::int32_t kLookHover = 1;
  static constexpr std::int32_t kLookOutsideLabel = 2;
  static constexpr std::int32_t kLookFocused = 3;
  static constexpr std::int32_t kLookFocusedHover = 4;
  static constexpr std::int32_t kLookDisabled = 6;
  static constexpr std::int32_t kLookLabel = 9;
  static constexpr std::int32_t kLookSelection = 10;
  static constexpr std::int32_t kLookSelectionHover = 11;

  // The caret's phases, in seconds.
  static constexpr double kCaretShownTime = 0.5;
  static constexpr double kCaretHiddenTime = 0.3;

  LTextBox(const RCPtr<LControl>& parent, const WideString& name) : LScrollView(parent, name) {}
  ~LTextBox() override = default;

  // "Framework.TextBox".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // ---- Text

  // SetText(text, true).
  QZRESULT SetText(const WideString& text) override;
  // The text, the caret put back to 0 when resetCaret (else kept inside the
  // text): 0 when it changed (the selection is cleared and
  // "NID_TEXTBOX_TEXT_CHANGE" sent), 1 when it was equal (nothing happens).
  virtual QZRESULT SetText(const WideString& text, bool resetCaret);
  // Stores the maximum (0 or less: none); a longer text is cut to it, the caret at its end. 0.
  QZRESULT SetMaxLength(std::int32_t maxLength);
  std::int32_t GetMaxLength() const { return mMaxLength; }
  std::int32_t GetLength() const { return static_cast<std::int32_t>(mText.GetLength()); }
  const WideString& GetLabel() const { return mLabel; }

  // ---- Caret and selection

  // E_INVALIDARG outside 0..length; a position inside a character means the
  // caret stop before it. The same position without force: 1 (the
  // anchor comes to the caret when nothing is selected). Otherwise the caret
  // moves, shows and restarts its visible phase: 0, or 1 when forced onto the
  // same position.
  QZRESULT SetCaret(std::int32_t position, bool force);
  std::int32_t GetCaret() const { return mCaret; }
  // No selection; the anchor at the caret.
  void ClearSelection();
  // (0, -1) everything; first -1 nothing; else first..last (inclusive, in any
  // order, both inside the text, widened to whole characters) with the anchor
  // at the lower end.
  void SelectRange(std::int32_t first, std::int32_t last);
  // count characters from start (0: an empty selection there), then the anchor.
  void SetSelection(std::int32_t start, std::int32_t count, std::int32_t anchor);
  // The selection from the anchor to position, the caret at position.
  void ExtendSelectionTo(std::int32_t position);
  std::int32_t GetSelectionStart() const { return mSelectionStart; }
  std::int32_t GetSelectionLength() const { return mSelectionLength; }
  std::int32_t GetSelectionAnchor() const { return mSelectionAnchor; }
  WideString GetSelectedText() const;
  // Word boundaries from the caret: where the next word begins (or the end);
  // where the word before the caret begins (or 0).
  std::int32_t NextWordPosition() const;
  std::int32_t PreviousWordPosition() const;

  // ---- Editing

  // Removes count units at start (nothing outside the text), widened to whole
  // characters; the caret at the start.
  void DeleteRange(std::int32_t start, std::int32_t count);
  void DeleteSelection();
  // E_FAIL without a selection or beyond the maximum length; else the
  // selection replaced, the caret after the new text: SetText's result.
  QZRESULT ReplaceSelection(const WideString& text);
  // Over a selection, which goes first; only below the maximum length. 0 when
  // the text changed, else 1 (also for a lone surrogate half, never inserted).
  QZRESULT InsertCharacter(char16_t character);
  // Runs the validation pair; the parameters as the listeners left them.
  RCPtr<LTextValidationParams> Validate();

  // IEditTarget: cut, copy, paste and delete through the application's clipboard.
  bool IsEditTarget() const override { return true; }
  bool CanPerformEdit(std::int32_t code) override;
  QZRESULT PerformEdit(std::int32_t code) override;

  // ---- Presentation

  // The caret rectangle (content coordinates): x just left of the caret's
  // character, the first line's top, width 1, the font's line height.
  const RectT<float>& GetCaretRect() const { return mCaretRect; }
  bool IsCaretVisible() const { return mCaretVisible; }
  double GetNextBlink() const { return mNextBlink; }
  void UpdateCaretGeometry();
  // The text area: the current look's text rectangle, else the whole control.
  RectT<double> GetTextArea() const;
  // A character's box (content coordinates); empty outside 0..length.
  RectT<double> GetCharRect(std::int32_t index);
  // From the lower index's box to the higher one's; empty when either is outside.
  RectT<double> GetRangeRect(std::int32_t first, std::int32_t last);
  // The caret position nearest to a point (control coordinates), inside the text.
  std::int32_t GetCharacterIndexAt(const PointT<double>& point);
  // The looks for the present state (see the contract). 0.
  QZRESULT UpdateVisualState();
  // The width of the text before the caret stop at or before count, read from
  // the caret positions measured once per text and font.
  float GetPrefixWidth(std::int32_t count);
  // Whether the caret may stand at index (always at 0 and the length).
  bool IsCaretStop(std::int32_t index);
  // The caret stop after index (the length at most) and before it (0 at least).
  std::int32_t NextCaretStop(std::int32_t index);
  std::int32_t PreviousCaretStop(std::int32_t index);

  // ---- Control

  const PointT<double>& SetScrollOffset(const PointT<double>& offset) override;
  // The looks' text areas moved: the caret and the look regions follow.
  void OnSizeChanged() override;
  // Validates first when the box has the focus.
  QZRESULT SetFocus(bool fromFirst) override;
  // Validates: whether the text was accepted.
  bool CanLoseFocus() override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  // The base's, then the context menu of the four edit commands.
  void AttachToRootWindow() override;
  // The clipboard's availability for the four edit requests: 0; other ids 1.
  QZRESULT GetCommandEnabled(const RCPtr<LMenuDescriptor>& menu, std::int32_t itemIndex, const WideString& id,
                             LMenuItemState& state) override;
  // Keeps the text across the base's step, which would show the label as the text.
  QZRESULT CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
  void HandleLeftButtonDown(const RCPtr<LMouseButtonParam>& param) override;
  void HandleMouseMove(const RCPtr<LPointWithModifiersParam>& param) override;
  // A double click (or a click with Ctrl) selects the word under the caret.
  void HandleLeftClick(const RCPtr<LMouseButtonParam>& param) override;
  // 0 handled, 1 passed on.
  QZRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
  void OnIdle() override;
  // The caret line.
  QZRESULT PaintOverChildren(const RCPtr<LRenderer>& renderer) override;
  QZRESULT Initialize() override;
  // The box's own text while it does not fit, else the base's.
  WideString GetToolTipText() const override;

  // Typed characters are tested against the filter (empty: no test): in allow
  // mode only characters in it are taken, in deny mode only those not in it.
  WideString mCharacterFilter;
  bool mFilterIsAllowList = true;

private:
  QZRESULT SetTextInternal(const WideString& text, bool resetCaret);
  // The label's look shows the label again (the base gives every look the text).
  void ShowLabelInLook();
  double Now() const;
  // The text's first line's offset inside the look's text block.
  PointT<double> LineOrigin() const;
  std::int32_t LineHeight() const;
  // Handles the keys of the key table; -1 for a key that is not in it.
  QZRESULT HandleEditingKey(std::uint32_t code);
  bool Accepts(std::u16string_view character) const;
  // Inserts units (whole characters) at the caret, over a selection, within
  // the maximum length: InsertCharacter's result.
  QZRESULT InsertText(std::u16string_view units);
  // Measures the caret positions of the text when the text or the font
  // changed; false without a renderer to measure with.
  bool MeasureCaretPositions();
  // index itself when it is a caret stop, else the stop after or before it.
  std::int32_t SnapToCaretStop(std::int32_t index, bool forward);
  // Keeps the caret inside the text area and the offset within what the text needs.
  void ScrollCaretIntoView();

  WideString mLabel;
  std::int32_t mCaret = 0;
  std::int32_t mSelectionStart = 0;
  std::int32_t mSelectionLength = 0;
  std::int32_t mSelectionAnchor = 0;
  std::int32_t mMaxLength = 0;
  RectT<float> mCaretRect{};
  bool mScrollGuard = false;
  bool mCaretVisible = true;
  double mNextBlink = 0;
  // The first half of a pair typed as two key events, until its second comes.
  char16_t mPendingHighSurrogate = 0;
  // Set while the validation pair runs.
  bool mValidating = false;
  // The caret positions of mMeasuredText in mMeasuredFont (the renderer's
  // contract): stops hold widths, never decreasing; others kNoCaretStop.
  WideString mMeasuredText;
  RCPtr<LFont> mMeasuredFont;
  std::vector<float> mCaretPositions;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LTextValidationParams, "class QZ::LTextValidationParams")
QZ_TYPE_NAME(QZ::LTextBox, "class QZ::LTextBox")
