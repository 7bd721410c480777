#include "QZFramework/ControlBase/VisualPart.h"

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/Renderer/ResizeType.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "ControlBase\\VisualPart";

// A float within 2^-23 of its own magnitude below a whole number counts as
// that number.
float FloorWithTolerance(float v) {
  constexpr float kEpsilon = 1.1920929e-7f; // 2^-23
  return v >= 0 ? std::trunc(v * (1.0f + kEpsilon)) : std::trunc(v - (1.0f + v * kEpsilon));
}

std::int32_t TruncateToInt(float v) { return TruncateToLong(v); }

std::uint32_t AlphaByte(std::uint32_t argb) { return argb >> 24; }

RCPtr<LBitmap> CutPicture(const ImageSource& source) {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(source.mPath);
  if (!sheet)
    return RCPtr<LBitmap>();
  return sheet->CreateSubBitmap(source.mX, source.mY, source.mWidth, source.mHeight);
}

} // namespace

// ---------------------------------------------------------------------------
// The descriptors' side of the cache

LVisualPartDescriptor::~LVisualPartDescriptor() {
  if (mVisualPart)
    mVisualPart->DetachSourceDescriptor();
}

const RCPtr<LVisualPart>& LVisualPartDescriptor::GetVisualPart() {
  if (mVisualPart)
    return mVisualPart;
  RCPtr<LBitmap> mask;
  if (!mMask.IsEmpty()) {
    mask = CutPicture(mMask);
    if (!mask)
      return mVisualPart; // a mask that does not load: no part yet
  }
  RCPtr<LVisualPart> part;
  if (!mImage.IsEmpty()) {
    const RCPtr<LBitmap> image = CutPicture(mImage);
    if (!image)
      return mVisualPart; // a picture that does not load: no part yet
    part = LVisualPart::Create(mName, image, mResizeType, mColorizer, mAlphaModifier, mask);
  } else if (mColorizer) {
    part = MakeRCPtr<LVisualPart>(mName, RCPtr<LBitmap>(), mResizeType, mColorizer,
                                  SizeT<std::int32_t>{mWidth, mHeight}, mAlphaModifier, mask);
  }
  if (!part)
    return mVisualPart;
  mVisualPart = std::move(part);
  mVisualPart->SetSourceDescriptor(this);
  return mVisualPart;
}

RCPtr<LVisualPart> LDockedPart::GetVisualPart() const {
  return mPart ? mPart->GetVisualPart() : RCPtr<LVisualPart>();
}

// ---------------------------------------------------------------------------
// LVisualPart

RCPtr<LVisualPart> LVisualPart::Create(const WideString& name, const RCPtr<LBitmap>& image,
                                       std::int32_t resizeType, const RCPtr<LColorizer>& colorizer,
                                       float alphaModifier, const RCPtr<LBitmap>& mask) {
  if (!image)
    return RCPtr<LVisualPart>();
  return MakeRCPtr<LVisualPart>(name, image, resizeType, colorizer,
                                SizeT<std::int32_t>{image->GetWidth(), image->GetHeight()}, alphaModifier, mask);
}

LVisualPart::LVisualPart(const WideString& name, const RCPtr<LBitmap>& image, std::int32_t resizeType,
                         const RCPtr<LColorizer>& colorizer, const SizeT<std::int32_t>& size, float alphaModifier,
                         const RCPtr<LBitmap>& mask)
    : mName(name), mImage(image), mWidth(size.width), mHeight(size.height), mResizeType(resizeType),
      mColorizer(colorizer), mAlphaModifier(alphaModifier), mMask(mask) {
  if (mImage) {
    mWidth = mImage->GetWidth();
    mHeight = mImage->GetHeight();
  }
  if (mColorizer && (mImage || mMask || mColorizer->GetColorType() != LColorizer::kSolidFill))
    mImage = LBitmap::PreparePartBitmap(mColorizer, mAlphaModifier, {mWidth, mHeight}, mImage, mMask);
}

QZRESULT LVisualPart::Draw(const RCPtr<LRenderer>& renderer, const SizeT<float>& size) {
  const std::int32_t width = RoundToLong(static_cast<double>(size.width));
  const std::int32_t height = RoundToLong(static_cast<double>(size.height));
  if (mImage) {
    renderer->DrawBitmap(mImage, {0, 0, width, height}, mResizeType);
  } else if (mColorizer) {
    Color color = mColorizer->GetColor();
    color.a *= mAlphaModifier;
    if (!(color.a > 0))
      return S_OK;
    RectT<std::int32_t> rect{0, 0, width, height};
    if (mResizeType == kResizeCentre)
      rect = {(width - mWidth) / 2, (height - mHeight) / 2, mWidth, mHeight};
    renderer->FillRect(rect, color, true);
  } else {
    ThrowException<std::runtime_error>("", "QZ::LVisualPart::Draw", kSourcePath, 218);
  }
  return S_OK;
}

std::uint32_t LVisualPart::GetColorAtPoint(const PointT<std::int32_t>& point) const {
  if (point.x < 0 || point.x >= mWidth || point.y < 0 || point.y >= mHeight)
    return kTransparentWhite;
  if (mImage)
    return mImage->GetPixel(point.x, point.y).ToARGB();
  if (!mColorizer)
    ThrowException<std::runtime_error>("", "QZ::LVisualPart::GetColorAtPoint", kSourcePath, 91);
  switch (mColorizer->GetColorType()) {
  case LColorizer::kSolidFill: {
    Color color = mColorizer->GetColor();
    color.a *= mAlphaModifier;
    return color.ToARGB();
  }
  case LColorizer::kLinearGradient:
    ThrowException<std::runtime_error>("", "QZ::LVisualPart::GetColorAtPoint", kSourcePath, 76);
  default:
    ThrowException<std::runtime_error>("", "QZ::LVisualPart::GetColorAtPoint", kSourcePath, 81);
  }
}

std::uint32_t LVisualPart::GetColorAtPoint(const PointT<float>& point, const SizeT<float>& drawnSize) const {
  const auto w = static_cast<float>(mWidth);
  const auto h = static_cast<float>(mHeight);
  constexpr float kSameSize = 1.1920929e-6f;
  if (std::fabs(drawnSize.width - w) < kSameSize && std::fabs(drawnSize.height - h) < kSameSize)
    return GetColorAtPoint(point.ToIntPoint());
  if (!(point.x >= 0 && point.x < drawnSize.width && point.y >= 0 && point.y < drawnSize.height))
    return kTransparentWhite;
  switch (mResizeType) {
  case kResizeTile: {
    const std::int32_t tileWidth = TruncateToInt(w + 0.5f);
    const std::int32_t tileHeight = TruncateToInt(h + 0.5f);
    if (tileWidth <= 0 || tileHeight <= 0)
      return kTransparentWhite; // an empty tile covers nothing (and must not divide by zero)
    return GetColorAtPoint(PointT<std::int32_t>{TruncateToInt(point.x + 0.5f) % tileWidth,
                                                TruncateToInt(point.y + 0.5f) % tileHeight});
  }
  case kResizeCentre:
    return GetColorAtPoint(
        PointT<float>{point.x - (drawnSize.width - w) * 0.5f, point.y - (drawnSize.height - h) * 0.5f}
            .ToIntPoint());
  case kResizeStretch:
    break;
  default:
    ThrowException<std::runtime_error>("", "QZ::LVisualPart::GetColorAtPoint", kSourcePath, 165);
  }
  const float sx = w / drawnSize.width;
  const float sy = h / drawnSize.height;
  if (drawnSize.width >= w && drawnSize.height >= h)
    return GetColorAtPoint(PointT<std::int32_t>{TruncateToInt(sx * point.x), TruncateToInt(sy * point.y)});

  // Shrunk: one drawn pixel covers a block of the picture; the first pixel
  // that is not fully transparent answers, column by column.
  float left = FloorWithTolerance(sx * point.x);
  float top = FloorWithTolerance(sy * point.y);
  float blockWidth = std::max(sx, 1.0f);
  float blockHeight = std::max(sy, 1.0f);
  if (blockWidth < 0) {
    left += blockWidth;
    blockWidth = -blockWidth;
  }
  if (blockHeight < 0) {
    top += blockHeight;
    blockHeight = -blockHeight;
  }
  const std::int32_t x0 = TruncateToInt(FloorWithTolerance(left));
  const std::int32_t y0 = TruncateToInt(FloorWithTolerance(top));
  const std::int32_t x1 = TruncateToInt(FloorWithTolerance(left + blockWidth));
  const std::int32_t y1 = TruncateToInt(FloorWithTolerance(top + blockHeight));
  std::uint32_t color = kTransparentWhite;
  for (std::int32_t x = x0; x < x1; ++x) {
    for (std::int32_t y = y0; y < y1; ++y) {
      color = GetColorAtPoint(PointT<std::int32_t>{x, y});
      if (AlphaByte(color) != 0)
        return color;
    }
  }
  return color;
}

void LVisualPart::SetSourceDescriptor(LVisualPartDescriptor* descriptor) {
  if (mSourceDescriptor == descriptor)
    return;
  if (mSourceDescriptor)
    AddInnerReferences(-1);
  mSourceDescriptor = descriptor;
  if (mSourceDescriptor)
    AddInnerReferences(1);
}

void LVisualPart::DetachSourceDescriptor() {
  if (!mSourceDescriptor)
    return;
  mSourceDescriptor = nullptr;
  AddInnerReferences(-1);
}

QZRESULT LVisualPart::ReleaseInnerReferences() {
  if (GetInnerRefCount() == 0)
    return S_FALSE;
  if (LVisualPartDescriptor* descriptor = mSourceDescriptor) {
    mSourceDescriptor = nullptr;
    // The cache's reference goes; the releasing owner's keeps the part alive
    // until its own release finishes.
    const RCPtr<LVisualPart> cached = std::move(descriptor->mVisualPart);
    AddInnerReferences(-1);
  }
  return S_OK;
}

} // namespace QZ
