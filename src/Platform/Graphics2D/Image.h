#pragma once
// A decoded raster image: 32-bit pixels with straight (not premultiplied)
// alpha, stored as the bytes blue, green, red, alpha (0xAARRGGBB as a
// little-endian word), rows top-down with no padding. Tinting, pixel reads and
// alpha results need the channels exactly as the file holds them.
//
// Every operation takes its rectangle or pixel as given and fails with
// InvalidParameter unless it lies wholly inside the image; nothing is clipped.
// Failures are also recorded as the image's last status. While a rectangle is
// locked, the image refuses a second lock and every pixel operation
// (WrongState), so no one reads pixels that a lock holder is changing.
//
// Every write to the pixels (SetPixel, the end of every lock) advances the
// image's change count, so that copies made for drawing (the premultiplied
// copy a Canvas draws from, textures) can tell they are out of date. The end
// of a read lock counts too: the lock hands out a writable address.
//
// One image is used by one thread at a time; drawing from an image counts as
// using it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace QZ::Platform {

enum class ImageStatus : std::int32_t {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  WrongState = 8,
  FileNotFound = 10,
  UnknownImageFormat = 13,
};

// The one pixel format: 32 bits per pixel, ARGB, straight alpha.
inline constexpr std::int32_t kPixelFormat32bppARGB = 0x26200A;

enum ImageLockMode : std::uint32_t {
  kImageLockRead = 1,
  kImageLockWrite = 2,
  kImageLockReadWrite = 3,
};

// A locked rectangle: pixel (x, y) of the rectangle is at
// scan0 + y * stride + 4 * x. All zero when a lock fails.
struct ImageLockData {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::int32_t stride = 0;
  std::int32_t pixelFormat = 0;
  void* scan0 = nullptr;
  std::uintptr_t reserved = 0; // identifies the lock to UnlockBits
};

class Image {
public:
  // Largest pixel store an image may have; larger sizes fail as OutOfMemory
  // before anything is allocated.
  static constexpr std::uint64_t kMaxPixelBytes = std::uint64_t{1} << 29;

  // A transparent black image; null (with *status set) for a size below 1 or
  // too large.
  [[nodiscard]] static std::unique_ptr<Image> Create(std::int32_t width, std::int32_t height,
                                                     ImageStatus* status = nullptr);
  // Decodes a whole PNG file held in memory; the image does not refer to the
  // bytes afterwards. Null for anything that is not a complete, valid PNG.
  // No colour management: gamma, primaries and profiles are ignored, and the
  // pixels are the stored values (16-bit channels taken to their high byte's
  // nearest 8-bit value).
  [[nodiscard]] static std::unique_ptr<Image> DecodePng(const void* data, std::size_t size,
                                                        ImageStatus* status = nullptr);
  // Decodes a PNG file (UTF-8 path).
  [[nodiscard]] static std::unique_ptr<Image> LoadPngFile(const char* path, ImageStatus* status = nullptr);

  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  ~Image();

  std::int32_t GetWidth() const { return mWidth; }
  std::int32_t GetHeight() const { return mHeight; }
  std::int32_t GetPixelFormat() const { return kPixelFormat32bppARGB; }
  // Advanced by every write to the pixels; never goes back.
  std::uint64_t GetChangeCount() const { return mChangeCount; }

  // The last failure recorded on this image, reset to Ok by reading it.
  ImageStatus GetLastStatus();

  // A new image holding a copy of the rectangle; null when the rectangle is
  // not inside the image, the format is not kPixelFormat32bppARGB, or the
  // image is locked.
  [[nodiscard]] std::unique_ptr<Image> CloneArea(std::int32_t x, std::int32_t y, std::int32_t width,
                                                 std::int32_t height, std::int32_t pixelFormat);

  // Locks a rectangle for direct access to the pixels (no copy). The format
  // must be kPixelFormat32bppARGB; mode is a combination of ImageLockMode bits.
  ImageStatus LockBits(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, std::uint32_t mode,
                       std::int32_t pixelFormat, ImageLockData& data);
  // Ends the lock that data describes; WrongState for any other record.
  ImageStatus UnlockBits(const ImageLockData& data);

  ImageStatus GetPixel(std::int32_t x, std::int32_t y, std::uint32_t& argb);
  ImageStatus SetPixel(std::int32_t x, std::int32_t y, std::uint32_t argb);

  // The whole image as a PNG file (8-bit RGBA, straight alpha).
  ImageStatus EncodePng(std::vector<std::uint8_t>& out);
  ImageStatus SavePngFile(const char* path);

private:
  friend class Canvas;

  Image(std::int32_t width, std::int32_t height, std::unique_ptr<std::uint8_t[]> pixels);
  template <class BeginRead>
  static std::unique_ptr<Image> ReadPng(BeginRead begin, ImageStatus* status);

  ImageStatus Fail(ImageStatus status);
  bool Contains(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) const;
  std::uint8_t* PixelAt(std::int32_t x, std::int32_t y) const;
  // The pixels premultiplied, as the drawing library's image surface (made
  // again when the change count has moved since the last copy); null while
  // the image is locked or when memory runs out.
  void* PremultipliedCopy();

  std::int32_t mWidth;
  std::int32_t mHeight;
  std::unique_ptr<std::uint8_t[]> mPixels;
  std::atomic<ImageStatus> mLastStatus{ImageStatus::Ok};
  std::atomic<std::uintptr_t> mLockToken{0}; // 0: not locked
  std::uintptr_t mNextToken = 0;
  std::uint64_t mChangeCount = 0;
  std::shared_ptr<void> mPremultiplied; // the drawing library's surface
  std::uint64_t mPremultipliedCount = 0;
};

} // namespace QZ::Platform
