#pragma once
// The edit requests' way into a control: a control that takes cut, copy,
// paste and delete (the text box) implements IEditTarget. The clipboard hands
// an edit request to the edit target of the focused control: that control
// when it is one, else the nearest ancestor that is.
//
// UI thread only, like the controls.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"

#include <cstdint>

namespace QZ {

class LControl;

class IEditTarget {
public:
  virtual ~IEditTarget() = default;

  // Whether the control takes edits now.
  virtual bool IsEditTarget() const = 0;
  // Whether the edit (kEditDelete, kEditCut, kEditCopy, kEditPaste) can run now.
  virtual bool CanPerformEdit(std::int32_t code) = 0;
  virtual QZRESULT PerformEdit(std::int32_t code) = 0;
};

// The control itself when it is an edit target, else its parent's answer; null
// at the top or for null.
RCPtr<LControl> GetEditTarget(const RCPtr<LControl>& control);

} // namespace QZ
