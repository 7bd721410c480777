#pragma once
// Intrusive reference counting with copy-on-write (the shareable flag) and
// cycle breaking (inner references given back by ReleaseInnerReferences when
// the last outside owner lets go).

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/TypeName.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace QZ {

template <class C, class O>
class StringT;
using WideString = StringT<char16_t, char>;
using NarrowString = StringT<char, char16_t>;
template <class T, class P = T*>
class ConstRCPtr;
template <class T, class P = T*>
class RCPtr;

struct IStringable {
  virtual WideString ToString() const = 0;
  virtual ~IStringable() = default;
};

struct IUndoable : IStringable {
  virtual void Undo() = 0;
};

class LRefCountedObject : public IUndoable {
public:
  LRefCountedObject() noexcept { mReleaseGuard.exchange(0); }
  // A copy is a new object: it starts unowned and shareable.
  LRefCountedObject(const LRefCountedObject&) noexcept : LRefCountedObject() {}
  LRefCountedObject& operator=(const LRefCountedObject&) noexcept { return *this; }

  WideString ToString() const override;
  void Undo() override;
  virtual std::int32_t AddRef() const;
  virtual std::int32_t Release() const;
  virtual QZRESULT ReleaseInnerReferences();
  virtual RCPtr<LRefCountedObject> CreateCopy() const;
  ~LRefCountedObject() override = default;

  void SetUnshareable(bool unshareable);
  void AddInnerReferences(int n) const { mInnerRefCount.fetch_add(n); }

  std::int32_t GetRefCount() const { return mRefCount.load(); }
  std::int32_t GetInnerRefCount() const { return mInnerRefCount.load(); }
  bool IsShareable() const { return mShareable.load(std::memory_order_relaxed); }

private:
  mutable std::atomic<std::int32_t> mRefCount{0};
  mutable std::atomic<std::int32_t> mInnerRefCount{0};
  mutable std::atomic<std::int32_t> mReleaseGuard{0};
  // Written only by the sole owner; relaxed atomic so concurrent Acquire reads are defined.
  std::atomic<bool> mShareable{true};
};

template <class T, class U>
RCPtr<T> DynamicCast(const ConstRCPtr<U>& source);
template <class T, class U>
RCPtr<T> StaticCast(const ConstRCPtr<U>& source);

[[noreturn]] void ThrowUnshareFailed(const char* typeName);

template <class T, class P>
class ConstRCPtr {
public:
  constexpr ConstRCPtr() noexcept : mPtr(nullptr) {}
  ConstRCPtr(T* p) : mPtr(p) { Acquire(); }
  ConstRCPtr(const ConstRCPtr& other) : mPtr(other.mPtr) { Acquire(); }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ConstRCPtr(const ConstRCPtr<U>& other) : mPtr(other.GetRaw()) {
    Acquire();
  }
  // A move hands the reference over: no count changes, the source is left null.
  ConstRCPtr(ConstRCPtr&& other) noexcept : mPtr(other.mPtr) { other.mPtr = nullptr; }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ConstRCPtr(ConstRCPtr<U>&& other) noexcept : mPtr(other.mPtr) {
    other.mPtr = nullptr;
  }
  ~ConstRCPtr() {
    if (mPtr)
      Base(mPtr)->Release();
  }

  ConstRCPtr& operator=(const ConstRCPtr& other) {
    Assign(other.mPtr);
    return *this;
  }
  template <class U>
  ConstRCPtr& operator=(const ConstRCPtr<U>& other) {
    if constexpr (std::is_convertible_v<U*, T*>) {
      RCPtr<T> temp = StaticCast<T>(other);
      Assign(temp.GetRaw());
    } else {
      RCPtr<T> temp = DynamicCast<T>(other);
      Assign(temp.GetRaw());
    }
    return *this;
  }
  ConstRCPtr& operator=(T* p) {
    Assign(p);
    return *this;
  }
  ConstRCPtr& operator=(ConstRCPtr&& other) noexcept {
    TakeOver(other);
    return *this;
  }

  // A failed copy leaves this pointer null, with the reference it took given back.
  void Acquire() {
    if (mPtr) {
      Base(mPtr)->AddRef();
      if (!Base(mPtr)->IsShareable()) {
        try {
          Unshare();
        } catch (...) {
          if (T* p = mPtr) {
            mPtr = nullptr;
            Base(p)->Release();
          }
          throw;
        }
      }
    }
  }

  // Makes this pointer the only owner, copying the pointee when others hold it.
  void Unshare();

  const T* Get() const { return mPtr; }
  const T* operator->() const { return mPtr; }
  const T& operator*() const { return *mPtr; }
  explicit operator bool() const { return mPtr != nullptr; }
  bool IsNull() const { return mPtr == nullptr; }
  // The stored pointer, for casts and comparisons; not an owner.
  T* GetRaw() const { return mPtr; }

  friend bool operator==(const ConstRCPtr& a, const ConstRCPtr& b) { return a.mPtr == b.mPtr; }
  friend bool operator==(const ConstRCPtr& a, const T* b) { return a.mPtr == b; }
  friend bool operator<(const ConstRCPtr& a, const ConstRCPtr& b) { return a.mPtr < b.mPtr; }

  static const ConstRCPtr sNull;

protected:
  static const LRefCountedObject* Base(const T* p) { return p; }
  static LRefCountedObject* Base(T* p) { return p; }

  void Assign(T* p) {
    if (p == mPtr)
      return;
    T* old = mPtr;
    mPtr = p;
    try {
      Acquire(); // the new reference is taken before the old one goes
    } catch (...) {
      mPtr = old; // a failed assignment leaves the target as it was
      throw;
    }
    if (old)
      Base(old)->Release();
  }

  // Moves the other pointer's reference into this one; the old pointee is released last.
  template <class U, class Q>
  void TakeOver(ConstRCPtr<U, Q>& other) noexcept {
    if (static_cast<const void*>(&other) == static_cast<const void*>(this))
      return;
    T* old = mPtr;
    mPtr = other.mPtr;
    other.mPtr = nullptr;
    if (old)
      Base(old)->Release();
  }

  template <class, class>
  friend class ConstRCPtr;

  P mPtr;
};

template <class T, class P>
class RCPtr : public ConstRCPtr<T, P> {
  using Base_ = ConstRCPtr<T, P>;

public:
  constexpr RCPtr() noexcept = default;
  RCPtr(T* p) : Base_(p) {}
  RCPtr(const RCPtr& other) : Base_(other) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  RCPtr(const RCPtr<U>& other) : Base_(other.GetRaw()) {}
  RCPtr(RCPtr&& other) noexcept : Base_(static_cast<Base_&&>(other)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  RCPtr(RCPtr<U>&& other) noexcept : Base_(static_cast<ConstRCPtr<U>&&>(other)) {}

  RCPtr& operator=(const RCPtr& other) {
    this->Assign(other.mPtr);
    return *this;
  }
  template <class U>
  RCPtr& operator=(const ConstRCPtr<U>& other) {
    Base_::operator=(other);
    return *this;
  }
  RCPtr& operator=(T* p) {
    this->Assign(p);
    return *this;
  }
  RCPtr& operator=(RCPtr&& other) noexcept {
    this->TakeOver(other);
    return *this;
  }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  RCPtr& operator=(RCPtr<U>&& other) noexcept {
    this->TakeOver(other);
    return *this;
  }

  T* Get() const { return this->mPtr; }
  T* operator->() const { return this->mPtr; }
  T& operator*() const { return *this->mPtr; }

  static const RCPtr sNull;
};

template <class T, class P>
inline const ConstRCPtr<T, P> ConstRCPtr<T, P>::sNull{};
template <class T, class P>
inline const RCPtr<T, P> RCPtr<T, P>::sNull{};

// A new reference-counted object, owned by the pointer returned.
template <class T, class... Args>
RCPtr<T> MakeRCPtr(Args&&... args) {
  return RCPtr<T>(new T(std::forward<Args>(args)...));
}

template <class T, class U>
RCPtr<T> DynamicCast(const ConstRCPtr<U>& source) {
  return RCPtr<T>(dynamic_cast<T*>(source.GetRaw()));
}

template <class T, class U>
ConstRCPtr<T> ConstDynamicCast(const ConstRCPtr<U>& source) {
  return ConstRCPtr<T>(dynamic_cast<T*>(source.GetRaw()));
}

template <class T, class U>
RCPtr<T> StaticCast(const ConstRCPtr<U>& source) {
  return RCPtr<T>(static_cast<T*>(source.GetRaw()));
}

template <class T, class P>
void ConstRCPtr<T, P>::Unshare() {
  if (!mPtr || Base(mPtr)->GetRefCount() <= 1)
    return;
  {
    RCPtr<LRefCountedObject> copy = Base(mPtr)->CreateCopy();
    RCPtr<T> converted = DynamicCast<T>(copy);
    if (converted.GetRaw() != mPtr) {
      T* old = mPtr;
      mPtr = converted.GetRaw();
      if (mPtr)
        Base(mPtr)->AddRef();
      Base(old)->Release();
    }
  }
  if (!mPtr)
    ThrowUnshareFailed(RunTimeTypeName(typeid(T)));
}

} // namespace QZ

QZ_TYPE_NAME(QZ::LRefCountedObject, "class QZ::LRefCountedObject")
