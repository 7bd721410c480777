#include "QZFramework/ControlBase/InputParams.h"

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

WideString Ascii(const char* text) { return WideString(text); }

} // namespace

WideString LPointParam::ToString() const {
  char text[64];
  std::snprintf(text, sizeof text, "point(%d, %d)", mPoint.x, mPoint.y);
  return Ascii(text);
}

RCPtr<LPointWithModifiersParam> LPointWithModifiersParam::Create(const PointT<std::int32_t>& point,
                                                                 std::uint32_t modifiers,
                                                                 std::int32_t pointerIndex) {
  return RCPtr<LPointWithModifiersParam>(new LPointWithModifiersParam(point, modifiers, pointerIndex));
}

WideString LPointWithModifiersParam::ToString() const {
  char text[32];
  std::snprintf(text, sizeof text, "  modifiers: 0x%08x", mModifiers);
  return LPointParam::ToString().Concat(Ascii(text));
}

void* LPointWithModifiersParam::operator new(std::size_t size) {
  return GetPool<LPointWithModifiersParam, 32>().Allocate(size);
}
void LPointWithModifiersParam::operator delete(void* p) { GetPool<LPointWithModifiersParam, 32>().Free(p); }

RCPtr<LMouseButtonParam> LMouseButtonParam::Create(std::uint32_t button, const PointT<std::int32_t>& point,
                                                   std::uint32_t modifiers, std::uint32_t doubleClick,
                                                   std::uint32_t buttonState, std::int32_t pointerIndex) {
  return RCPtr<LMouseButtonParam>(
      new LMouseButtonParam(button, point, modifiers, doubleClick, buttonState, pointerIndex));
}

void* LMouseButtonParam::operator new(std::size_t size) { return GetPool<LMouseButtonParam, 32>().Allocate(size); }
void LMouseButtonParam::operator delete(void* p) { GetPool<LMouseButtonParam, 32>().Free(p); }

RCPtr<LMouseWheelParam> LMouseWheelParam::Create(const PointT<std::int32_t>& point, std::uint32_t modifiers,
                                                 std::uint32_t direction) {
  return RCPtr<LMouseWheelParam>(new LMouseWheelParam(point, modifiers, direction));
}

WideString LMouseWheelParam::ToString() const {
  return LPointWithModifiersParam::ToString().Concat(
      Ascii(mDirection == kWheelDown ? "  direction: down" : "  direction: up"));
}

void* LMouseWheelParam::operator new(std::size_t size) { return GetPool<LMouseWheelParam, 4>().Allocate(size); }
void LMouseWheelParam::operator delete(void* p) { GetPool<LMouseWheelParam, 4>().Free(p); }

RCPtr<LKeyParam> LKeyParam::Create(const KeyCode& key, std::int32_t value) {
  return MakeRCPtr<LKeyParam>(key, value);
}

RCPtr<LSiblingKeyParam> LSiblingKeyParam::Create(const KeyCode& key, const RCPtr<LControl>& source) {
  return MakeRCPtr<LSiblingKeyParam>(key, source);
}

WideString LKeyParam::ToString() const { return KeyCode::Format(mKey.mPacked); }

} // namespace QZ
