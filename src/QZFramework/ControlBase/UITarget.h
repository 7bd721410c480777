#pragma once
// UITarget: what the root window of a native window calls on a control to hand
// it input: the pointer entering and leaving it, moves, presses and releases,
// the wheel, keys, the capture of the pointer, the focus leaving it, the
// window's new size and files dragged in from outside. LControl implements
// every operation; control classes refine them.
//
// Results follow the input convention: 0 handled, 1 not handled (the caller
// may offer the event elsewhere), negative for a bad argument.
//
// UI thread only.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringArrayT.h"
#include "QZFramework/Utilities/Storage/Wrapper.h"

#include <cstdint>

namespace QZ {

class LPointWithModifiersParam;
class LMouseButtonParam;
class LMouseWheelParam;
class LKeyParam;

// The files of a drag that entered the window from outside.
using LDropFileList = LWrapper<StringArrayT<char16_t, char>, LRefCountedObject>;

class UITarget {
public:
  virtual ~UITarget() = default;

  // The pointer came over the control (hover tracking of the root window). 0.
  virtual QZRESULT OnMouseEnter() = 0;
  // A move, the point in the control's coordinates. 0.
  virtual QZRESULT OnMouseMove(const RCPtr<LPointWithModifiersParam>& param) = 0;
  // A press (or the second press of a double click): 0 handled, 1 ignored,
  // E_INVALIDARG for null or a button other than 1, 2, 4.
  virtual QZRESULT OnMouseDown(const RCPtr<LMouseButtonParam>& param) = 0;
  // A release, as OnMouseDown.
  virtual QZRESULT OnMouseUp(const RCPtr<LMouseButtonParam>& param) = 0;
  // The pointer left the control. 0.
  virtual QZRESULT OnMouseLeave() = 0;
  // Takes the pointer for a button held down (0: no button) pressed at point
  // (control coordinates). 0 captured, 1 refused.
  virtual QZRESULT BeginCapture(std::int32_t button, PointT<std::int32_t> point) = 0;
  // Gives the capture back: 1 when the control did not hold it.
  virtual QZRESULT EndCapture() = 0;
  // Every key event of the window while the control holds the focus.
  virtual void OnKey(const RCPtr<LKeyParam>& key) = 0;
  // One wheel step (point in the window's client coordinates): the result of
  // whoever used it, 1 when nobody did, -1 for null.
  virtual QZRESULT OnMouseWheel(const RCPtr<LMouseWheelParam>& param) = 0;
  virtual QZRESULT OnMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param) = 0;
  // The container (the parent, or the window for a top-level control) has a new size. 0.
  virtual QZRESULT OnContainerResized(const SizeT<std::int32_t>& size) = 0;
  // Whether the focus may leave the control now.
  virtual bool CanLoseFocus() = 0;
  // The focus leaves the control (or the descendant that holds it); true when
  // that went through.
  virtual bool KillFocus() = 0;
  // Whether the control takes the dragged files; Drop then takes them (0 accepted).
  virtual bool CanDrop(const RCPtr<LDropFileList>& files) = 0;
  virtual QZRESULT Drop(const RCPtr<LDropFileList>& files) = 0;
};

} // namespace QZ
