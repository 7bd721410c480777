#pragma once
// The edit requests' way into a control: a control that takes cut, copy,
// paste and delete (the text box) implements IEditTarget. The application's
// clipboard hands an edit request to the edit target of the focused control:
// that control when it is one, else the nearest ancestor that is (the walk is
// the application's, QZFramework/System/EditTarget.h). A control on the way
// may name another control as the target instead (IEditTargetDelegate): the
// menu bar names the control that had the focus before its menu opened. The edit codes are
// shared by the clipboard, the controls' edit commands and their menus.
//
// UI thread only, like the controls.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"

#include <cstdint>

namespace QZ {

class LControl;

// Edit operations.
inline constexpr std::int32_t kEditDelete = 0;
inline constexpr std::int32_t kEditCut = 1;
inline constexpr std::int32_t kEditCopy = 2;
inline constexpr std::int32_t kEditPaste = 3;

class IEditTarget {
public:
  virtual ~IEditTarget() = default;

  // Whether the control takes edits now.
  virtual bool IsEditTarget() const = 0;
  // Whether the edit (kEditDelete, kEditCut, kEditCopy, kEditPaste) can run now.
  virtual bool CanPerformEdit(std::int32_t code) = 0;
  virtual QZRESULT PerformEdit(std::int32_t code) = 0;
};

class IEditTargetDelegate {
public:
  virtual ~IEditTargetDelegate() = default;

  // The control that takes the edits in this control's place; null lets the
  // walk go on to the parent.
  virtual RCPtr<LControl> GetDelegatedEditTarget() const = 0;
};

} // namespace QZ
