#include "QZFramework/ControlBase/ControlDescriptor.h"

namespace QZ {

QZRESULT LControlDescriptor::SetSkin(const RCPtr<LSkinDescriptor>& skin) {
  mSkin = skin;
  return S_OK;
}

QZRESULT LControlDescriptor::SetLayout(const RCPtr<LLayoutDescriptor>& layout) {
  mLayout = layout;
  return S_OK;
}

QZRESULT LControlDescriptor::SetCreateParams(const RCPtr<LStringTable>& params) {
  mCreateParams = params;
  return S_OK;
}

RCPtr<LControlDescriptor> LControlDescriptor::Clone(const WideString& newName) const {
  RCPtr<LControlDescriptor> clone =
      MakeRCPtr<LControlDescriptor>(mClass, newName.IsEmpty() ? mName : newName, mParent);
  if (clone->mChildren.SetItems(mChildren) < 0)
    throw Exception<std::bad_alloc>();
  clone->mSkin = mSkin;
  clone->mLayout = mLayout;
  clone->mCreateParams = mCreateParams;
  clone->mCreateFunction = mCreateFunction;
  return clone;
}

} // namespace QZ
