#include "QZFramework/ControlBase/LayoutDescriptor.h"

namespace QZ {

LLayoutDescriptor::LLayoutDescriptor() {
  mSize[kAxisX].mAbsolute = 16.0;
  mSize[kAxisY].mAbsolute = 40.0;
}

RCPtr<LLayoutDescriptor> LLayoutDescriptor::Clone() const {
  // The copy starts with a count of its own (LRefCountedObject's copy is a new object).
  return MakeRCPtr<LLayoutDescriptor>(*this);
}

QZRESULT LLayoutDescriptor::GetAxisLayout(std::int32_t axis, AxisPlacement& placement, SizeSpec& size) const {
  if (axis != kAxisX && axis != kAxisY)
    return E_INVALIDARG;
  placement = mPlacement[axis];
  size = mSize[axis];
  return S_OK;
}

QZRESULT LLayoutDescriptor::SetAxisLayout(std::int32_t axis, const AxisPlacement& placement,
                                          const SizeSpec& size) {
  if (axis != kAxisX && axis != kAxisY)
    return E_INVALIDARG;
  mPlacement[axis] = placement;
  mSize[axis] = size;
  return S_OK;
}

QZRESULT LLayoutDescriptor::GetAxisSizeLimits(std::int32_t axis, SizeLimitSpec& minimum,
                                              SizeLimitSpec& maximum) const {
  if (axis != kAxisX && axis != kAxisY)
    return E_INVALIDARG;
  minimum = mMinSize[axis];
  maximum = mMaxSize[axis];
  return S_OK;
}

QZRESULT LLayoutDescriptor::SetAxisSizeLimits(std::int32_t axis, const SizeLimitSpec& minimum,
                                              const SizeLimitSpec& maximum) {
  if (axis != kAxisX && axis != kAxisY)
    return E_INVALIDARG;
  mMinSize[axis] = minimum;
  mMaxSize[axis] = maximum;
  return S_OK;
}

void LLayoutDescriptor::RenameControlReference(const WideString& oldName, const WideString& newName) {
  for (const std::int32_t axis : {kAxisX, kAxisY}) {
    if (mPlacement[axis].mReferenceName.EqualsString(oldName))
      mPlacement[axis].mReferenceName = newName;
    if (mSize[axis].mReferenceName.EqualsString(oldName))
      mSize[axis].mReferenceName = newName;
  }
}

} // namespace QZ
