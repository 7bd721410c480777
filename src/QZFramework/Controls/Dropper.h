#pragma once
// LFileDropper and LDropper: throw-away drag tokens. A press on the token
// makes it a drag-and-drop drag that starts with the first movement; at the
// release the base control's drop handling hands it to the control under the
// pointer that accepts it (AcceptDrop), and the token asks its parent to close
// it in the next idle pass, dropped or not. LFileDropper carries a file name,
// LDropper one reference to any object; the code that makes a token sets
// them. Tokens never take the focus. UI thread only, like every control.

#include "QZFramework/ControlBase/Control.h"

namespace QZ {

// The behaviour both tokens share.
class LDropperBase : public LControl {
public:
  LDropperBase(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LDropperBase() override = default;

  // The drop, then the close at the next idle pass.
  void OnDragEnd() override;
  // A left press makes the drag: drag and drop on both axes, from the first pixel.
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  // Not focusable, shown. 0.
  QZRESULT FinishInitialize() override;
};

class LFileDropper : public LDropperBase {
public:
  LFileDropper(const RCPtr<LControl>& parent, const WideString& name) : LDropperBase(parent, name) {}
  ~LFileDropper() override = default;

  // "Framework.FileDropper".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  const WideString& GetFileName() const { return mFileName; }
  void SetFileName(const WideString& fileName) { mFileName = fileName; }

private:
  WideString mFileName;
};

class LDropper : public LDropperBase {
public:
  LDropper(const RCPtr<LControl>& parent, const WideString& name) : LDropperBase(parent, name) {}
  ~LDropper() override = default;

  // "Framework.Dropper".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);
  QZRESULT ReleaseInnerReferences() override;

  const RCPtr<LRefCountedObject>& GetPayload() const { return mPayload; }
  void SetPayload(const RCPtr<LRefCountedObject>& payload) { mPayload = payload; }

private:
  RCPtr<LRefCountedObject> mPayload;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LDropperBase, "class QZ::LDropperBase")
QZ_TYPE_NAME(QZ::LFileDropper, "class QZ::LFileDropper")
QZ_TYPE_NAME(QZ::LDropper, "class QZ::LDropper")
