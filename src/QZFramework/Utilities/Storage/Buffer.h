#pragma once
// The reference-counted byte buffer behind strings and variant data (the
// allocation rules are BufferT's).

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/BufferT.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace QZ {

// A buffer that is also reference-counted; the one kind of object that can be
// copied for copy-on-write.
class LIBuffer : public virtual IBuffer, public virtual LRefCountedObject {
public:
  // A new zero-filled buffer of size bytes holding this buffer's bytes from
  // offset on, as many as fit and exist.
  virtual ConstRCPtr<LIBuffer> CopyRange(std::uint32_t size, std::uint32_t offset) const = 0;
  RCPtr<LRefCountedObject> CreateCopy() const override = 0;
};

// ConstRCPtr's sNull is an RCPtr; GCC needs RCPtr<LIBuffer> complete before the
// first ConstRCPtr<LIBuffer> is.
static_assert(sizeof(RCPtr<LIBuffer>) == sizeof(LIBuffer*));

template <std::uint32_t Granularity, std::uint32_t Slack, std::uint32_t Alignment = 8, class TPtr = char*,
          AllocatorFunction AllocatorFn = GetSystemAllocator>
class LBufferT : public BufferT<Granularity, Slack, Alignment, TPtr, AllocatorFn>, public LIBuffer {
  using Buffer = BufferT<Granularity, Slack, Alignment, TPtr, AllocatorFn>;

public:
  explicit LBufferT(std::uint32_t size = 0, std::uint32_t capacity = 0, bool zeroFill = false)
      : Buffer(size, capacity, zeroFill) {}

  // The new buffer holds one reference, owned by the result.
  static ConstRCPtr<LIBuffer> Create(std::uint32_t size, std::uint32_t capacity = 0, bool zeroFill = true) {
    return ConstRCPtr<LIBuffer>(new LBufferT(size, capacity, zeroFill));
  }

  ConstRCPtr<LIBuffer> CopyRange(std::uint32_t size, std::uint32_t offset) const override {
    RCPtr<LBufferT> copy(new LBufferT(size, 0, true));
    const std::uint32_t have = this->GetSize();
    if (offset < have) {
      const std::uint32_t n = std::min(size, have - offset);
      if (n != 0)
        std::memcpy(copy->GetData(), this->GetData() + offset, n);
    }
    return copy;
  }

  RCPtr<LRefCountedObject> CreateCopy() const override {
    const std::uint32_t size = this->GetSize();
    RCPtr<LBufferT> copy(new LBufferT(size, 0, true));
    if (size != 0)
      std::memcpy(copy->GetData(), this->GetData(), size);
    return copy;
  }
};

// The storage of strings and variant data: exact size, up to 128 spare bytes kept.
inline ConstRCPtr<LIBuffer> CreateLBuffer(std::uint32_t size, std::uint32_t capacity = 0, bool zeroFill = true) {
  return LBufferT<1, 128>::Create(size, capacity, zeroFill);
}

} // namespace QZ

QZ_TYPE_NAME(QZ::LIBuffer, "class QZ::LIBuffer")
