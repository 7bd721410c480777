#include "QZFramework/Utilities/Graphics/Bitmap.h"

#include "Platform/Resources/Resources.h"
#include "QZFramework/Utilities/Storage/QZFile.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <span>
#include <system_error>

namespace QZ {

using Platform::Image;
using Platform::ImageLockData;
using Platform::ImageStatus;

namespace {

constexpr const char* kSourcePath = "Utilities\\Graphics\\Bitmap";

[[noreturn]] void ThrowRuntimeError(const char* function, int line) {
  ThrowException<std::runtime_error>("", function, kSourcePath, line);
}

[[noreturn]] void ThrowDomainError(const char* function, int line) {
  ThrowException<std::domain_error>("", function, kSourcePath, line);
}

bool IsResourceSource(const WideString& source) {
  const char16_t* chars = source.GetChars();
  return chars[0] == u':' && chars[1] == u':';
}

// The file system here is case-sensitive, so a path keeps its case. The key is
// the real path, links and ".." resolved the way the system opens the file, so
// that two spellings of one file share an entry and one spelling never stands
// for another file ("link/../b.png" is not "b.png" when link leads elsewhere).
WideString FilePathKey(const WideString& source) {
  if (source.IsEmpty())
    return source;
  const WideString real = GetLongPath(source);
  if (!real.EqualsString(source))
    return real;
  // Already real, or nothing there to resolve (such a source does not load
  // and is never stored): the absolute spelling is key enough.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(source.ToNarrow().GetChars(), error);
  if (error)
    return source;
  return WideString(absolute.lexically_normal().string().c_str());
}

WideString CacheKey(const WideString& source) {
  return IsResourceSource(source) ? source.ToUpper() : FilePathKey(source);
}

// The process-wide map from cache key to bitmap. Its references are counted as
// inner references of the bitmaps, so it never keeps one alive by itself.
struct BitmapCache {
  std::recursive_mutex mutex;
  std::map<WideString, RCPtr<LBitmap>> entries;

  ~BitmapCache();
};

constinit std::atomic<bool> sCacheClosed{false};

BitmapCache* GetCache() {
  static BitmapCache cache;
  return sCacheClosed.load() ? nullptr : &cache;
}

BitmapCache::~BitmapCache() {
  // Bitmaps still held elsewhere outlive the map: they must find it closed
  // rather than destroyed when they are released later.
  std::map<WideString, RCPtr<LBitmap>> remaining;
  {
    std::lock_guard lock(mutex);
    remaining.swap(entries);
    sCacheClosed.store(true);
  }
}

// Offsets past the 32-bit range lie outside every image either way.
std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

std::uint8_t TintByte(std::uint8_t old, float keep, float tint) {
  const float v = (static_cast<float>(old) / 255.0f * keep + tint) * 255.0f + 0.5f;
  // Modifiers above 1 (or below 0) push results out of the byte range.
  if (!(v > 0.0f))
    return 0;
  if (v >= 255.0f)
    return 255;
  return static_cast<std::uint8_t>(v);
}

} // namespace

LBitmap::LBitmap() = default;

LBitmap::LBitmap(const WideString& source, const WideString& cacheKey) : mSource(source), mCacheKey(cacheKey) {
  std::unique_ptr<Image> image;
  if (IsResourceSource(source)) {
    WideString name = source.MidToEnd(2).ToUpper();
    name.ReplaceChars(u". ", u'_');
    std::span<const std::uint8_t> bytes;
    if (Platform::FindResource("GDIPLUS", name.ToNarrow().GetChars(), bytes) && !bytes.empty())
      image = Image::DecodePng(bytes.data(), bytes.size());
  } else if (!source.IsEmpty()) {
    image = Image::LoadPngFile(source.ToNarrow().GetChars());
  }
  if (image) {
    mWidth = image->GetWidth();
    mHeight = image->GetHeight();
    mImage = std::move(image);
  }
}

LBitmap::LBitmap(std::unique_ptr<Image> image) : mImage(std::move(image)) {
  if (mImage) {
    mWidth = mImage->GetWidth();
    mHeight = mImage->GetHeight();
  }
}

LBitmap::~LBitmap() = default;

RCPtr<LBitmap> LBitmap::GetCachedBitmap(const WideString& source) {
  const WideString key = CacheKey(source);
  BitmapCache* cache = GetCache();
  if (!cache)
    return RCPtr<LBitmap>();
  std::lock_guard lock(cache->mutex);
  const auto found = cache->entries.find(key);
  if (found != cache->entries.end())
    return found->second;
  RCPtr<LBitmap> bitmap(new LBitmap(source, key));
  if (!bitmap->IsUsable())
    return RCPtr<LBitmap>();
  cache->entries.emplace(key, bitmap);
  bitmap->AddInnerReferences(1);
  return bitmap;
}

QZRESULT LBitmap::ReleaseInnerReferences() {
  if (!mSource.IsEmpty()) {
    if (BitmapCache* cache = GetCache()) {
      bool erased = false;
      {
        // The caller's reference is still counted, so dropping the map's cannot
        // destroy this bitmap here.
        std::lock_guard lock(cache->mutex);
        const auto found = cache->entries.find(mCacheKey);
        if (found != cache->entries.end() && found->second.GetRaw() == this) {
          cache->entries.erase(found);
          erased = true;
        }
      }
      if (erased)
        AddInnerReferences(-1);
    }
  }
  return GetInnerRefCount() == 0 && GetRefCount() == 1 ? S_OK : E_FAIL;
}

Image* LBitmap::GetGdiplusBitmap() const {
  for (const LBitmap* bitmap = this; bitmap; bitmap = bitmap->mParent.GetRaw()) {
    if (bitmap->mImage)
      return bitmap->mImage.get();
  }
  return nullptr;
}

RCPtr<LBitmap> LBitmap::CreateSubBitmap(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  if (!GetGdiplusBitmap())
    return RCPtr<LBitmap>();
  if (width < 1 || height < 1) {
    x = 0;
    y = 0;
    width = mWidth;
    height = mHeight;
  }
  RCPtr<LBitmap> view = MakeRCPtr<LBitmap>();
  view->mX = ClampToInt32(std::int64_t{mX} + x);
  view->mY = ClampToInt32(std::int64_t{mY} + y);
  view->mWidth = width;
  view->mHeight = height;
  view->mParent = mParent ? mParent : RCPtr<LBitmap>(this);
  return view;
}

RCPtr<LBitmap> LBitmap::Clone() const {
  RCPtr<LBitmap> copy(new LBitmap);
  copy->mWidth = mWidth;
  copy->mHeight = mHeight;
  if (Image* image = GetGdiplusBitmap())
    copy->mImage = image->CloneArea(mX, mY, mWidth, mHeight, image->GetPixelFormat());
  return copy;
}

RCPtr<LBitmapData> LBitmap::Lock() {
  if (mParent)
    return mParent->Lock();
  return RCPtr<LBitmapData>(new LBitmapData(RCPtr<LBitmap>(this), Platform::kImageLockRead));
}

Color LBitmap::GetPixel(std::int32_t x, std::int32_t y) const {
  Image* image = GetGdiplusBitmap();
  if (!image)
    return {};
  const std::int64_t left = std::int64_t{mX} + x;
  const std::int64_t top = std::int64_t{mY} + y;
  if (left < 0 || top < 0 || left >= image->GetWidth() || top >= image->GetHeight())
    return {};
  std::uint32_t argb = 0;
  if (image->GetPixel(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), argb) != ImageStatus::Ok)
    return {};
  return {static_cast<float>((argb >> 16) & 0xFF) / 255.0f, static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
          static_cast<float>(argb & 0xFF) / 255.0f, static_cast<float>(argb >> 24) / 255.0f};
}

void LBitmap::ApplyColorizer(const RCPtr<LBitmap>& bitmap, const ConstRCPtr<LColorizer>& colorizer,
                             float alphaModifier) {
  if (!bitmap || !colorizer)
    ThrowRuntimeError("QZ::LBitmap::ApplyColorizer", 374);
  if (colorizer->IsGradient()) {
    // Raises the gradient error (or the size error); nothing is tinted.
    static_cast<void>(CreateColorizedBitmap(colorizer, alphaModifier, {bitmap->mWidth, bitmap->mHeight}));
    return;
  }
  const Color& color = colorizer->GetColor();
  const float c = color.a * alphaModifier;
  const float keep = 1.0f - c;
  const float tint[3] = {color.b * c, color.g * c, color.r * c}; // memory order: blue, green, red

  Image* image = bitmap->GetGdiplusBitmap();
  ImageLockData data;
  if (!image ||
      image->LockBits(bitmap->mX, bitmap->mY, bitmap->mWidth, bitmap->mHeight, Platform::kImageLockReadWrite,
                      Platform::kPixelFormat32bppARGB, data) != ImageStatus::Ok)
    ThrowRuntimeError("QZ::LBitmap::ApplyColorizer", 398);
  auto* rows = static_cast<std::uint8_t*>(data.scan0);
  for (std::uint32_t y = 0; y < data.height; ++y) {
    std::uint8_t* pixel = rows + static_cast<std::ptrdiff_t>(y) * data.stride;
    for (std::uint32_t x = 0; x < data.width; ++x, pixel += 4) {
      for (int channel = 0; channel < 3; ++channel)
        pixel[channel] = TintByte(pixel[channel], keep, tint[channel]);
    }
  }
  image->UnlockBits(data); // a failure is recorded on the image
}

RCPtr<LBitmap> LBitmap::CreateColorizedBitmap(const ConstRCPtr<LColorizer>& colorizer, float alphaModifier,
                                              const SizeT<std::int32_t>& size) {
  if (size.width <= 0 || size.height <= 0 || !colorizer)
    ThrowRuntimeError("QZ::LBitmap::CreateColorizedBitmap", 298);
  if (colorizer->IsGradient())
    CreateGradientFilledBitmap(size, colorizer->GetColor(), colorizer->GetEndColor(),
                               {colorizer->GetGradientStartX(), colorizer->GetGradientStartY()},
                               {colorizer->GetGradientEndX(), colorizer->GetGradientEndY()},
                               colorizer->GetColorType() == LColorizer::kRadialGradient);
  Color color = colorizer->GetColor();
  color.a *= alphaModifier;
  return CreateFilledBitmap(size, color);
}

RCPtr<LBitmap> LBitmap::CreateFilledBitmap(const SizeT<std::int32_t>& size, const Color& color) {
  if (size.width <= 0 || size.height <= 0)
    ThrowRuntimeError("QZ::LBitmap::CreateFilledBitmap", 327);
  std::unique_ptr<Image> image = Image::Create(size.width, size.height);
  ImageLockData data;
  if (!image || image->LockBits(0, 0, size.width, size.height, Platform::kImageLockWrite,
                                Platform::kPixelFormat32bppARGB, data) != ImageStatus::Ok)
    throw Exception<std::bad_alloc>();
  const std::uint32_t argb = color.ToARGB();
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 8),
                                 static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 24)};
  auto* rows = static_cast<std::uint8_t*>(data.scan0);
  for (std::uint32_t y = 0; y < data.height; ++y) {
    std::uint8_t* pixel = rows + static_cast<std::ptrdiff_t>(y) * data.stride;
    for (std::uint32_t x = 0; x < data.width; ++x, pixel += 4)
      std::memcpy(pixel, bytes, 4);
  }
  image->UnlockBits(data);
  return RCPtr<LBitmap>(new LBitmap(std::move(image)));
}

RCPtr<LBitmap> LBitmap::CreateGradientFilledBitmap(const SizeT<std::int32_t>&, const Color&, const Color&,
                                                   const PointT<float>&, const PointT<float>&, bool) {
  ThrowDomainError("QZ::LBitmap::CreateGradientFilledBitmap", 362);
}

RCPtr<LBitmap> LBitmap::PreparePartBitmap(const ConstRCPtr<LColorizer>& colorizer, float alphaModifier,
                                          const SizeT<std::int32_t>& size, const RCPtr<LBitmap>& image,
                                          const RCPtr<LBitmap>& mask) {
  if (mask && image)
    ThrowDomainError("QZ::LBitmap::ApplyColorizer", 444);
  if (!image && !mask)
    return CreateColorizedBitmap(colorizer, alphaModifier, size);
  RCPtr<LBitmap> copy = image ? image->Clone() : mask->Clone();
  ApplyColorizer(copy, colorizer, alphaModifier);
  return copy;
}

LBitmapData::LBitmapData(const RCPtr<LBitmap>& bitmap, std::uint32_t lockMode,
                         const RCPtr<LPixelBuffer<std::uint32_t>>& externalBuffer) {
  if (externalBuffer)
    ThrowDomainError("QZ::LBitmapData::LBitmapData", 489);
  mBitmap = bitmap;
  if (!mBitmap)
    return;
  if (Image* image = mBitmap->GetGdiplusBitmap())
    image->LockBits(mBitmap->GetX(), mBitmap->GetY(), mBitmap->GetWidth(), mBitmap->GetHeight(), lockMode,
                    Platform::kPixelFormat32bppARGB, mLock); // a failure leaves the record zero
}

LBitmapData::~LBitmapData() {
  if (!mBitmap)
    return;
  if (Image* image = mBitmap->GetGdiplusBitmap())
    image->UnlockBits(mLock); // a failure is recorded on the image
}

std::int32_t LBitmapData::GetWidth() const {
  return mExternalBuffer ? mExternalBuffer->GetWidth() : static_cast<std::int32_t>(mLock.width);
}

std::int32_t LBitmapData::GetHeight() const {
  return mExternalBuffer ? mExternalBuffer->GetHeight() : static_cast<std::int32_t>(mLock.height);
}

std::int32_t LBitmapData::GetStride() const {
  return mExternalBuffer ? mExternalBuffer->GetStride() : mLock.stride;
}

const std::uint32_t* LBitmapData::GetPixelAddressConst(std::int32_t x, std::int32_t y) const {
  if (mExternalBuffer)
    return mExternalBuffer->GetPixelAddressConst(x, y);
  if (!mLock.scan0 || x < 0 || y < 0 || static_cast<std::uint32_t>(x) >= mLock.width ||
      static_cast<std::uint32_t>(y) >= mLock.height)
    return nullptr;
  return reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(mLock.scan0) +
                                                static_cast<std::ptrdiff_t>(y) * mLock.stride +
                                                static_cast<std::ptrdiff_t>(x) * 4);
}

std::uint32_t* LBitmapData::GetPixelAddress(std::int32_t x, std::int32_t y) {
  if (mExternalBuffer)
    return mExternalBuffer->GetPixelAddress(x, y);
  return const_cast<std::uint32_t*>(GetPixelAddressConst(x, y));
}

} // namespace QZ
