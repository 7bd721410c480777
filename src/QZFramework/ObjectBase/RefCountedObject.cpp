#include "QZFramework/ObjectBase/RefCountedObject.h"

namespace QZ {

namespace {

// Where this file's exceptions say they come from: the source itself, and for
// the operations that the class's header declares, the header's spelling.
constexpr const char* kSourcePath = "ObjectBase\\RefCountedObject";
constexpr const char* kHeaderSourcePath = "objectbase\\RefCountedObject";

} // namespace

void LRefCountedObject::Undo() {
  ThrowException<std::logic_error>("Undo() not implemented for RefCountedObject", "QZ::LRefCountedObject::Undo",
                                   kHeaderSourcePath, 156);
}

std::int32_t LRefCountedObject::AddRef() const { return ++mRefCount; }

// Deciding "last outside reference" and giving that reference back must be one
// step: with two plain reads, two threads releasing the last two outside
// references could both miss it and the inner references would never go.
std::int32_t LRefCountedObject::Release() const {
  std::int32_t count = mRefCount.load();
  for (;;) {
    if (count - mInnerRefCount.load() == 1) {
      std::int32_t expected = 0;
      if (mReleaseGuard.compare_exchange_strong(expected, 1)) {
        if (mInnerRefCount.load() > 0)
          const_cast<LRefCountedObject*>(this)->ReleaseInnerReferences();
        if (mRefCount.load() != 1) {
          expected = 1;
          mReleaseGuard.compare_exchange_strong(expected, 0);
        }
      }
      count = --mRefCount;
      break;
    }
    if (mRefCount.compare_exchange_weak(count, count - 1)) {
      --count;
      break;
    }
  }
  if (count == 0)
    delete this;
  return count;
}

QZRESULT LRefCountedObject::ReleaseInnerReferences() {
  return (mInnerRefCount.load() == 0 && mRefCount.load() == 1) ? S_OK : E_FAIL;
}

RCPtr<LRefCountedObject> LRefCountedObject::CreateCopy() const {
  ThrowException<std::logic_error>("CreateCopy() not implemented for RefCountedObject",
                                   "QZ::LRefCountedObject::CreateCopy", kHeaderSourcePath, 274);
}

void LRefCountedObject::SetUnshareable(bool unshareable) {
  if (unshareable && mRefCount.load() > 1)
    ThrowException<std::runtime_error>("", "QZ::LRefCountedObject::SetUnshareable", kSourcePath, 29);
  mShareable.store(!unshareable, std::memory_order_relaxed);
}

void ThrowUnshareFailed(const char* typeName) {
  std::string function = "QZ::ConstRCPtr<";
  function += typeName;
  function += ",";
  function += typeName;
  function += " *>::Unshare";
  ThrowException<std::logic_error>(typeName, function, kHeaderSourcePath, 424);
}

} // namespace QZ
