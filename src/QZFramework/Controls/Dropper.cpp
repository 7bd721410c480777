#include "QZFramework/Controls/Dropper.h"

#include "QZFramework/ControlBase/ControlFactory.h"

namespace QZ {

void LDropperBase::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LControl::OnConditionsChanged(conditions);
  if (!conditions)
    return;
  const std::uint32_t gained = conditions->mCurrentBits & ~conditions->mPreviousBits;
  if ((gained & kConditionLeftDragArmed) == 0)
    return;
  static_cast<void>(SetDragMode(kDragAndDrop, kDragAxisX | kDragAxisY));
  static_cast<void>(SetDragThreshold(0));
}

void LDropperBase::OnDragEnd() {
  const RCPtr<LControl> self(this);
  LControl::OnDragEnd();
  if (const RCPtr<LControl> parent = GetParent())
    static_cast<void>(parent->CloseChildLater(self));
}

QZRESULT LDropperBase::FinishInitialize() {
  SetNotFocusable(true);
  static_cast<void>(SetVisible(true));
  return S_OK;
}

RCPtr<LControl>& LFileDropper::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                      const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LFileDropper>(out, parent, descriptor);
}

RCPtr<LControl>& LDropper::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                  const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LDropper>(out, parent, descriptor);
}

QZRESULT LDropper::ReleaseInnerReferences() {
  mPayload = RCPtr<LRefCountedObject>();
  return LDropperBase::ReleaseInnerReferences();
}

} // namespace QZ
