#pragma once
// LListBoxItem: the row control of a list box. It shows one row's text and
// picks one of fourteen looks from the row's selection (its value, selected at
// 0.5 or more), the row's marked and blank flags, the pointer and the capture.
// The list binds rows to it as the view scrolls; the item keeps no row index.
//
// Looks: normal 0-2 (plain, hover, pressed), marked 3-5, disabled 6, selected
// 7-9, selected and marked 10-12; blank, and disabled while selected, 13.
// In a drop-down list a press starts the capture on the list itself, so the
// list sees the moves and the release.
// UI thread only, like every control.

#include "QZFramework/ControlBase/Control.h"

#include <cstdint>

namespace QZ {

class LListBoxItem : public LControl {
public:
  static constexpr std::int32_t kLookNormal = 0;
  static constexpr std::int32_t kLookHover = 1;
  static constexpr std::int32_t kLookPressed = 2;
  static constexpr std::int32_t kLookMarkedOffset = 3;
  static constexpr std::int32_t kLookDisabled = 6;
  static constexpr std::int32_t kLookSelectedOffset = 7;
  static constexpr std::int32_t kLookSelectedMarkedOffset = 10;
  static constexpr std::int32_t kLookBlank = 13;

  LListBoxItem(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LListBoxItem() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The look index (0-13) of the present state.
  virtual std::int32_t GetVisualState() const;
  // Shows the look of the present state and redraws the item.
  void RefreshLook();
  // A blank row shows no text and the blank look; nothing when unchanged.
  void SetBlank(bool blank);
  bool IsBlank() const { return mBlank; }
  // The list refreshes the look after changing it.
  void SetMarked(bool marked) { mMarked = marked; }
  bool IsMarked() const { return mMarked; }
  void SetInDropDown(bool inDropDown) { mInDropDown = inDropDown; }
  bool IsInDropDown() const { return mInDropDown; }
  bool IsSelected() const { return mNormalizedValue >= 0.5; }

  void OnValueChanged() override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  // The item never takes the focus. 0.
  QZRESULT FinishInitialize() override;
  // The item's own text while it does not fit, else the "TOOLTIP" text.
  WideString GetToolTipText() const override;
  // In a drop-down list the list takes the capture, at the point in its coordinates.
  QZRESULT BeginCapture(std::int32_t button, PointT<std::int32_t> point) override;
  // The press, then a press move the list asked for while it ran.
  QZRESULT OnMouseDown(const RCPtr<LMouseButtonParam>& param) override;

  // Hands a press over to another row control (the row moved there): it takes
  // the capture of the button at point (its own coordinates), the pointer is
  // moved to that place and the window's hover follows. Asked while this
  // item's own press is running, the move waits until the press has taken its
  // capture, which it would otherwise take back.
  void MovePressTo(const RCPtr<LListBoxItem>& target, std::uint32_t button, const PointT<std::int32_t>& point);

private:
  static void MovePress(const RCPtr<LListBoxItem>& target, std::uint32_t button,
                        const PointT<std::int32_t>& point);

  bool mInMouseDown = false;
  RCPtr<LListBoxItem> mPressTarget;
  std::uint32_t mPressButton = 0;
  PointT<std::int32_t> mPressPoint{};
  bool mMarked = false;
  bool mInDropDown = false;
  bool mBlank = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LListBoxItem, "class QZ::LListBoxItem")
