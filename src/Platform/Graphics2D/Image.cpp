#include "Platform/Graphics2D/Image.h"

#include <cairo.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace QZ::Platform {

namespace {

ImageStatus Report(ImageStatus* out, ImageStatus status) {
  if (out)
    *out = status;
  return status;
}

// Bytes of a width x height store, or 0 when either is below 1 or the store
// would pass the limit.
std::uint64_t PixelBytes(std::uint64_t width, std::uint64_t height) {
  if (width < 1 || height < 1 || width > Image::kMaxPixelBytes || height > Image::kMaxPixelBytes)
    return 0;
  const std::uint64_t bytes = width * height * 4;
  return bytes <= Image::kMaxPixelBytes ? bytes : 0;
}

std::unique_ptr<std::uint8_t[]> AllocatePixels(std::uint64_t bytes) {
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]());
}

// Releases libpng's state however the read or write ends; harmless after
// libpng has already released it on an error.
struct PngImage : png_image {
  PngImage() {
    std::memset(static_cast<png_image*>(this), 0, sizeof(png_image));
    version = PNG_IMAGE_VERSION;
  }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;
  ~PngImage() { png_image_free(this); }
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::uint32_t ReadBigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
         std::uint32_t{bytes[3]};
}

// Chunks that ask the decoder to manage colour. Skins give their colours as
// the stored bytes, so these are dropped before decoding: with them the
// decoder would convert every pixel to its idea of the screen's gamma.
bool IsColourChunk(const std::uint8_t* type) {
  static constexpr const char* kTypes[] = {"gAMA", "cHRM", "sRGB", "iCCP", "cICP"};
  for (const char* colourType : kTypes) {
    if (std::memcmp(type, colourType, 4) == 0)
      return true;
  }
  return false;
}

// The file without its colour chunks; false (out untouched) when there are none
// or the chunk layout is not intact, and the decoder then sees the bytes as
// they are and judges them itself.
bool StripColourChunks(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
  constexpr std::size_t kSignature = 8;
  constexpr std::size_t kChunkFrame = 12; // length, type, checksum
  if (size < kSignature || png_sig_cmp(data, 0, kSignature) != 0)
    return false;
  bool found = false;
  for (std::size_t at = kSignature; at < size;) {
    if (size - at < kChunkFrame)
      return false;
    const std::uint64_t chunk = std::uint64_t{ReadBigEndian32(data + at)} + kChunkFrame;
    if (chunk > size - at)
      return false;
    if (IsColourChunk(data + at + 4))
      found = true;
    at += static_cast<std::size_t>(chunk);
  }
  if (!found)
    return false;
  out.clear();
  out.reserve(size);
  out.insert(out.end(), data, data + kSignature);
  for (std::size_t at = kSignature; at < size;) {
    const std::size_t chunk = static_cast<std::size_t>(ReadBigEndian32(data + at)) + kChunkFrame;
    if (!IsColourChunk(data + at + 4))
      out.insert(out.end(), data + at, data + at + chunk);
    at += chunk;
  }
  return true;
}

// The whole file, or false when it cannot be read or is larger than any
// image we would decode.
bool ReadWholeFile(std::FILE* file, std::vector<std::uint8_t>& out) {
  constexpr std::size_t kLimit = static_cast<std::size_t>(Image::kMaxPixelBytes);
  std::uint8_t block[65536];
  for (;;) {
    const std::size_t got = std::fread(block, 1, sizeof block, file);
    if (out.size() + got > kLimit)
      return false;
    out.insert(out.end(), block, block + got);
    if (got < sizeof block)
      return std::ferror(file) == 0;
  }
}

} // namespace

Image::Image(std::int32_t width, std::int32_t height, std::unique_ptr<std::uint8_t[]> pixels)
    : mWidth(width), mHeight(height), mPixels(std::move(pixels)) {}

Image::~Image() = default;

std::unique_ptr<Image> Image::Create(std::int32_t width, std::int32_t height, ImageStatus* status) {
  if (width < 1 || height < 1) {
    Report(status, ImageStatus::InvalidParameter);
    return nullptr;
  }
  const std::uint64_t bytes = PixelBytes(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height));
  std::unique_ptr<std::uint8_t[]> pixels = bytes ? AllocatePixels(bytes) : nullptr;
  if (!pixels) {
    Report(status, ImageStatus::OutOfMemory);
    return nullptr;
  }
  Report(status, ImageStatus::Ok);
  return std::unique_ptr<Image>(new Image(width, height, std::move(pixels)));
}

namespace {

// The second half of a read once the header is in: checks the size, then
// decodes into straight-alpha BGRA.
std::unique_ptr<std::uint8_t[]> FinishRead(PngImage& png, ImageStatus& status) {
  png.format = PNG_FORMAT_BGRA;
  // 16-bit files without gamma information are taken as they are, not as
  // linear light, like 8-bit ones.
  png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  const std::uint64_t bytes = PixelBytes(png.width, png.height);
  if (!bytes) {
    status = ImageStatus::OutOfMemory;
    return nullptr;
  }
  std::unique_ptr<std::uint8_t[]> pixels = AllocatePixels(bytes);
  if (!pixels) {
    status = ImageStatus::OutOfMemory;
    return nullptr;
  }
  if (!png_image_finish_read(&png, nullptr, pixels.get(), 0, nullptr)) {
    status = ImageStatus::UnknownImageFormat;
    return nullptr;
  }
  status = ImageStatus::Ok;
  return pixels;
}

} // namespace

// Runs a read whose header step is `begin` (true when the header is in) and
// decodes the pixels.
template <class BeginRead>
std::unique_ptr<Image> Image::ReadPng(BeginRead begin, ImageStatus* status) {
  PngImage png;
  if (!begin(png)) {
    Report(status, ImageStatus::UnknownImageFormat);
    return nullptr;
  }
  ImageStatus result;
  std::unique_ptr<std::uint8_t[]> pixels = FinishRead(png, result);
  Report(status, result);
  if (!pixels)
    return nullptr;
  return std::unique_ptr<Image>(
      new Image(static_cast<std::int32_t>(png.width), static_cast<std::int32_t>(png.height), std::move(pixels)));
}

std::unique_ptr<Image> Image::DecodePng(const void* data, std::size_t size, ImageStatus* status) {
  if (!data || size == 0) {
    Report(status, ImageStatus::InvalidParameter);
    return nullptr;
  }
  std::vector<std::uint8_t> stripped;
  if (StripColourChunks(static_cast<const std::uint8_t*>(data), size, stripped)) {
    data = stripped.data();
    size = stripped.size();
  }
  return ReadPng([&](PngImage& png) { return png_image_begin_read_from_memory(&png, data, size) != 0; }, status);
}

std::unique_ptr<Image> Image::LoadPngFile(const char* path, ImageStatus* status) {
  if (!path || !*path) {
    Report(status, ImageStatus::InvalidParameter);
    return nullptr;
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) {
    Report(status, ImageStatus::FileNotFound);
    return nullptr;
  }
  // Read whole, so a file goes through the same decoding as a resource.
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(file.get(), bytes) || bytes.empty()) {
    Report(status, ImageStatus::UnknownImageFormat);
    return nullptr;
  }
  return DecodePng(bytes.data(), bytes.size(), status);
}

ImageStatus Image::Fail(ImageStatus status) {
  mLastStatus.store(status);
  return status;
}

ImageStatus Image::GetLastStatus() { return mLastStatus.exchange(ImageStatus::Ok); }

bool Image::Contains(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) const {
  return x >= 0 && y >= 0 && width >= 1 && height >= 1 && std::int64_t{x} + width <= mWidth &&
         std::int64_t{y} + height <= mHeight;
}

std::uint8_t* Image::PixelAt(std::int32_t x, std::int32_t y) const {
  return mPixels.get() +
         (static_cast<std::size_t>(y) * static_cast<std::size_t>(mWidth) + static_cast<std::size_t>(x)) * 4;
}

std::unique_ptr<Image> Image::CloneArea(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                        std::int32_t pixelFormat) {
  if (mLockToken.load() != 0) {
    Fail(ImageStatus::WrongState);
    return nullptr;
  }
  if (pixelFormat != kPixelFormat32bppARGB || !Contains(x, y, width, height)) {
    Fail(ImageStatus::InvalidParameter);
    return nullptr;
  }
  ImageStatus status;
  std::unique_ptr<Image> copy = Create(width, height, &status);
  if (!copy) {
    Fail(status);
    return nullptr;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  for (std::int32_t row = 0; row < height; ++row)
    std::memcpy(copy->PixelAt(0, row), PixelAt(x, y + row), rowBytes);
  return copy;
}

ImageStatus Image::LockBits(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                            std::uint32_t mode, std::int32_t pixelFormat, ImageLockData& data) {
  data = {};
  if (mode == 0 || (mode & ~std::uint32_t{kImageLockReadWrite}) != 0 || pixelFormat != kPixelFormat32bppARGB ||
      !Contains(x, y, width, height))
    return Fail(ImageStatus::InvalidParameter);
  if (mLockToken.load() != 0)
    return Fail(ImageStatus::WrongState);
  std::uintptr_t token = ++mNextToken;
  if (token == 0)
    token = ++mNextToken;
  mLockToken.store(token);
  data.width = static_cast<std::uint32_t>(width);
  data.height = static_cast<std::uint32_t>(height);
  data.stride = mWidth * 4;
  data.pixelFormat = kPixelFormat32bppARGB;
  data.scan0 = PixelAt(x, y);
  data.reserved = token;
  return ImageStatus::Ok;
}

ImageStatus Image::UnlockBits(const ImageLockData& data) {
  const std::uintptr_t token = mLockToken.load();
  if (token == 0 || data.reserved != token)
    return Fail(ImageStatus::WrongState);
  mLockToken.store(0);
  ++mChangeCount;
  return ImageStatus::Ok;
}

ImageStatus Image::GetPixel(std::int32_t x, std::int32_t y, std::uint32_t& argb) {
  if (!Contains(x, y, 1, 1))
    return Fail(ImageStatus::InvalidParameter);
  if (mLockToken.load() != 0)
    return Fail(ImageStatus::WrongState);
  const std::uint8_t* p = PixelAt(x, y);
  argb = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  return ImageStatus::Ok;
}

ImageStatus Image::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t argb) {
  if (!Contains(x, y, 1, 1))
    return Fail(ImageStatus::InvalidParameter);
  if (mLockToken.load() != 0)
    return Fail(ImageStatus::WrongState);
  std::uint8_t* p = PixelAt(x, y);
  p[0] = static_cast<std::uint8_t>(argb);
  p[1] = static_cast<std::uint8_t>(argb >> 8);
  p[2] = static_cast<std::uint8_t>(argb >> 16);
  p[3] = static_cast<std::uint8_t>(argb >> 24);
  ++mChangeCount;
  return ImageStatus::Ok;
}

namespace {

// c * a / 255, rounded, as the drawing library computes it.
std::uint8_t Premultiply(std::uint8_t c, std::uint8_t a) {
  const unsigned t = unsigned{c} * a + 0x80;
  return static_cast<std::uint8_t>(((t >> 8) + t) >> 8);
}

} // namespace

void* Image::PremultipliedCopy() {
  if (mLockToken.load() != 0) {
    Fail(ImageStatus::WrongState);
    return nullptr;
  }
  if (mPremultiplied && mPremultipliedCount == mChangeCount)
    return mPremultiplied.get();
  if (!mPremultiplied) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, mWidth, mHeight);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(surface);
      Fail(ImageStatus::OutOfMemory);
      return nullptr;
    }
    mPremultiplied.reset(surface, [](void* s) { cairo_surface_destroy(static_cast<cairo_surface_t*>(s)); });
  }
  auto* surface = static_cast<cairo_surface_t*>(mPremultiplied.get());
  cairo_surface_flush(surface);
  std::uint8_t* rows = cairo_image_surface_get_data(surface);
  const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
  for (std::int32_t y = 0; y < mHeight; ++y) {
    const std::uint8_t* from = PixelAt(0, y);
    std::uint8_t* to = rows + static_cast<std::size_t>(y) * stride;
    for (std::int32_t x = 0; x < mWidth; ++x, from += 4, to += 4) {
      const std::uint8_t a = from[3];
      to[0] = Premultiply(from[0], a);
      to[1] = Premultiply(from[1], a);
      to[2] = Premultiply(from[2], a);
      to[3] = a;
    }
  }
  cairo_surface_mark_dirty(surface);
  mPremultipliedCount = mChangeCount;
  return surface;
}

ImageStatus Image::EncodePng(std::vector<std::uint8_t>& out) {
  out.clear();
  if (mLockToken.load() != 0)
    return Fail(ImageStatus::WrongState);
  PngImage png;
  png.width = static_cast<png_uint_32>(mWidth);
  png.height = static_cast<png_uint_32>(mHeight);
  png.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(png, size, 0, mPixels.get(), 0, nullptr))
    return Fail(ImageStatus::GenericError);
  try {
    out.resize(size);
  } catch (const std::bad_alloc&) {
    return Fail(ImageStatus::OutOfMemory);
  }
  if (!png_image_write_to_memory(&png, out.data(), &size, 0, mPixels.get(), 0, nullptr)) {
    out.clear();
    return Fail(ImageStatus::GenericError);
  }
  out.resize(size);
  return ImageStatus::Ok;
}

ImageStatus Image::SavePngFile(const char* path) {
  if (!path || !*path)
    return Fail(ImageStatus::InvalidParameter);
  std::vector<std::uint8_t> bytes;
  const ImageStatus encoded = EncodePng(bytes);
  if (encoded != ImageStatus::Ok)
    return encoded;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "wb"));
  if (!file)
    return Fail(ImageStatus::FileNotFound);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  const bool closed = std::fclose(file.release()) == 0;
  return written && closed ? ImageStatus::Ok : Fail(ImageStatus::GenericError);
}

} // namespace QZ::Platform
