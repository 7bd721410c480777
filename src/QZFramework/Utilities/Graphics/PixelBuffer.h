#pragma once
// Rows of pixels seen through one interface, whether they lie in a locked
// bitmap or in a buffer of their own. Addresses of pixels outside the buffer
// are null, never computed past its end.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace QZ {

template <class T>
struct IPixelBuffer {
  virtual std::int32_t GetWidth() const = 0;
  virtual std::int32_t GetHeight() const = 0;
  // Bytes from one row to the next.
  virtual std::int32_t GetStride() const = 0;
  virtual const T* GetPixelAddressConst(std::int32_t x, std::int32_t y) const = 0;
  virtual T* GetPixelAddress(std::int32_t x, std::int32_t y) = 0;
  virtual ~IPixelBuffer() = default;
};

// Pixels in a framework byte buffer of height rows of stride bytes (the
// rasterised glyphs and glyph atlases of the text path, external pixels of a
// bitmap).
template <class T>
class LPixelBuffer : public IPixelBuffer<T>, public virtual LRefCountedObject {
public:
  // Without source: a zero-filled buffer, where a stride of 0 becomes the row's
  // bytes rounded up to a multiple of 16. With source: height x stride bytes
  // copied from it. A size that cannot be held leaves it without storage.
  LPixelBuffer(std::int32_t width, std::int32_t height, std::int32_t stride, const void* source = nullptr)
      : mWidth(width), mStride(stride) {
    if (source == nullptr && stride == 0 && width > 0) {
      const std::int64_t rowBytes = (std::int64_t{width} * std::int64_t{sizeof(T)} + 15) / 16 * 16;
      mStride = static_cast<std::int32_t>(std::min<std::int64_t>(rowBytes, INT32_MAX));
    }
    if (Resize(height) == S_OK && source != nullptr && mStorage)
      std::memcpy(mStorage->GetData(), source, mStorage->GetSize());
  }

  std::int32_t GetWidth() const override { return mWidth; }
  std::int32_t GetHeight() const override { return mHeight; }
  std::int32_t GetStride() const override { return mStride; }

  const T* GetPixelAddressConst(std::int32_t x, std::int32_t y) const override { return Address(x, y); }
  T* GetPixelAddress(std::int32_t x, std::int32_t y) override { return Address(x, y); }

  // Keeps the existing rows and zero-fills the added ones; E_FAIL when no
  // storage is available for a non-zero height.
  QZRESULT Resize(std::int32_t height) {
    const std::int64_t bytes = std::int64_t{height} * mStride;
    if (height < 0 || mStride < 0 || bytes > UINT32_MAX)
      return E_FAIL;
    if (bytes == 0) {
      mStorage = nullptr;
      mHeight = height;
      return S_OK;
    }
    try {
      ConstRCPtr<LIBuffer> storage = LBufferT<1, 0>::Create(static_cast<std::uint32_t>(bytes), 0, true);
      if (mStorage)
        std::memcpy(storage->GetData(), mStorage->GetData(),
                    std::min<std::uint32_t>(mStorage->GetSize(), storage->GetSize()));
      mStorage = storage.GetRaw();
    } catch (const std::bad_alloc&) {
      return E_FAIL;
    }
    mHeight = height;
    return S_OK;
  }

private:
  T* Address(std::int32_t x, std::int32_t y) const {
    if (!mStorage || x < 0 || y < 0)
      return nullptr;
    const std::uint64_t offset = std::uint64_t(x) * sizeof(T) + std::uint64_t(y) * std::uint64_t(mStride);
    if (offset + sizeof(T) > mStorage->GetSize())
      return nullptr;
    return reinterpret_cast<T*>(mStorage->GetData() + offset);
  }

  std::int32_t mWidth;
  std::int32_t mHeight = 0;
  std::int32_t mStride;
  RCPtr<LIBuffer> mStorage;
};

} // namespace QZ
