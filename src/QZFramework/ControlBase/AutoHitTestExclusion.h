#pragma once
// CAutoHitTestExclusion: for its scope a control is not found by hit testing
// (its children still are), so a dragged control does not hide what lies
// beneath it. UI thread only.

#include "QZFramework/ControlBase/Control.h"

namespace QZ {

class CAutoHitTestExclusion {
public:
  explicit CAutoHitTestExclusion(const RCPtr<LControl>& control) : mControl(control) {
    if (mControl)
      mControl->SetHitTestExcluded(true);
  }
  ~CAutoHitTestExclusion() {
    if (mControl)
      mControl->SetHitTestExcluded(false);
  }
  CAutoHitTestExclusion(const CAutoHitTestExclusion&) = delete;
  CAutoHitTestExclusion& operator=(const CAutoHitTestExclusion&) = delete;

private:
  RCPtr<LControl> mControl;
};

} // namespace QZ
