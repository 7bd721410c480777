#include "QZFramework/ControlBase/ControlParams.h"

#include "QZFramework/Utilities/Storage/ReuseAllocator.h"

#include <cstdio>

namespace QZ {

namespace {

// Made at first use and never destroyed: a record may be dropped while the
// process ends.
template <class T, std::uint32_t N>
ReuseAllocator<T, N>& GetPool() {
  static auto* pool = new ReuseAllocator<T, N>(true);
  return *pool;
}

} // namespace

RCPtr<LValueParam> LValueParam::Create(double normalized, double value) {
  return RCPtr<LValueParam>(new LValueParam(normalized, value));
}

WideString LValueParam::ToString() const {
  char text[64];
  std::snprintf(text, sizeof text, "ValueParam = %lf", mNormalizedValue);
  return WideString(text);
}

void* LValueParam::operator new(std::size_t size) { return GetPool<LValueParam, 4>().Allocate(size); }
void LValueParam::operator delete(void* p) { GetPool<LValueParam, 4>().Free(p); }

RCPtr<LConditionsParam> LConditionsParam::Create(std::uint32_t previousBits, std::uint32_t currentBits,
                                                 const PointT<double>& point) {
  return RCPtr<LConditionsParam>(new LConditionsParam(previousBits, currentBits, point));
}

WideString LConditionsParam::ToString() const {
  char text[64];
  std::snprintf(text, sizeof text, "(%g, %g)", mPoint.x, mPoint.y);
  return WideString(text);
}

void* LConditionsParam::operator new(std::size_t size) { return GetPool<LConditionsParam, 4>().Allocate(size); }
void LConditionsParam::operator delete(void* p) { GetPool<LConditionsParam, 4>().Free(p); }

} // namespace QZ
