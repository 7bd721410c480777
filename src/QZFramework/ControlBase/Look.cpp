#include "QZFramework/ControlBase/Look.h"

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Renderer/Renderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "ControlBase\\Look";

std::int32_t TruncateToInt(double v) { return TruncateToLong(v); }

std::int32_t ClampTo(std::int64_t v, std::int64_t low, std::int64_t high) {
  return static_cast<std::int32_t>(std::clamp(v, low, std::max(low, high)));
}

SizeT<float> SizeOf(const RectT<std::int32_t>& rect) {
  return {static_cast<float>(rect.width), static_cast<float>(rect.height)};
}

// The point relative to the rectangle, asked of the part drawn there.
std::uint32_t ColorInRect(const LVisualPart& part, const PointT<std::int32_t>& point,
                          const RectT<std::int32_t>& rect) {
  return part.GetColorAtPoint(
      PointT<float>{static_cast<float>(point.x - rect.x), static_cast<float>(point.y - rect.y)}, SizeOf(rect));
}

bool Transparent(std::uint32_t argb) { return (argb >> 24) == 0; }

} // namespace

RCPtr<LLook> LLook::Create(const RCPtr<LLookDescriptor>& descriptor, bool wrap) {
  RCPtr<LLook> look = MakeRCPtr<LLook>();
  look->SetDescriptor(descriptor, wrap);
  return look;
}

QZRESULT LLook::SetDescriptor(const RCPtr<LLookDescriptor>& descriptor, bool wrap) {
  mDescriptor = descriptor;
  mTextForegroundPart = nullptr;
  if (mDescriptor && mDescriptor->GetTextForegroundPart())
    mTextForegroundPart = mDescriptor->GetTextForegroundPart()->GetVisualPart();
  if (!mDescriptor || !mDescriptor->HasTextProperties()) {
    mTextBlock = nullptr;
  } else {
    if (!mTextBlock)
      mTextBlock = MakeRCPtr<LFontText>(WideString(), RCPtr<LFont>());
    const TextProperties& text = mDescriptor->GetTextProperties();
    mTextBlock->SetWrap(wrap);
    mTextBlock->SetHorizontalAlignment(text.mHAlign);
    mTextBlock->SetVerticalAlignment(text.mVAlign);
  }
  mClientPart = nullptr;
  if (mDescriptor && mDescriptor->GetClientPart())
    mClientPart = mDescriptor->GetClientPart()->GetVisualPart();
  const std::uint32_t count = mDescriptor ? mDescriptor->GetNonClientParts().GetCount() : 0;
  mNonClientRects.assign(count, RectT<std::int32_t>{});
  mNonClientParts.assign(count, RCPtr<LVisualPart>());
  Layout();
  return S_OK;
}

bool LLook::SetSize(const SizeT<std::int32_t>& size) {
  if (size.width == mWidth && size.height == mHeight)
    return true;
  mWidth = size.width;
  mHeight = size.height;
  Layout();
  return true;
}

void LLook::Layout() {
  const std::int64_t w = mWidth;
  const std::int64_t h = mHeight;
  const RCPtr<LDockedPart> client = mDescriptor ? mDescriptor->GetClientPart() : RCPtr<LDockedPart>();
  const std::int64_t offsetLeft = client ? client->GetLeft() : 0;
  const std::int64_t offsetTop = client ? client->GetTop() : 0;
  const std::int64_t offsetRight = client ? client->GetRight() : 0;
  const std::int64_t offsetBottom = client ? client->GetBottom() : 0;
  mClientRect.x = ClampTo(offsetLeft, 0, w);
  mClientRect.y = ClampTo(offsetTop, 0, h);
  mClientRect.width = ClampTo(w + offsetRight - mClientRect.x, 0, w - mClientRect.x);
  mClientRect.height = ClampTo(h + offsetBottom - mClientRect.y, 0, h - mClientRect.y);

  for (std::uint32_t i = 0; i < mNonClientRects.size(); ++i) {
    const RCPtr<LDockedPart>& docked = mDescriptor->GetNonClientParts().GetAt(i);
    if (!docked)
      continue;
    const std::int32_t mask = docked->GetPresenceMask();
    const RCPtr<LVisualPartDescriptor>& part = docked->GetPart();
    const std::int64_t pw = docked->HasWidth() ? docked->GetWidth() : (part ? part->GetWidth() : 0);
    const std::int64_t ph = docked->HasHeight() ? docked->GetHeight() : (part ? part->GetHeight() : 0);
    const bool hasLeft = (mask & kDockedLeft) != 0;
    const bool hasTop = (mask & kDockedTop) != 0;
    const bool hasRight = (mask & kDockedRight) != 0;
    const bool hasBottom = (mask & kDockedBottom) != 0;
    std::int64_t left = hasLeft ? docked->GetLeft() : 0;
    std::int64_t top = hasTop ? docked->GetTop() : 0;
    std::int64_t right = hasRight ? w + docked->GetRight() : w;
    std::int64_t bottom = hasBottom ? h + docked->GetBottom() : h;
    if (!hasLeft)
      left = right - pw;
    if (!hasTop)
      top = bottom - ph;
    if (!hasRight)
      right = left + pw;
    if (!hasBottom)
      bottom = top + ph;
    if (!hasLeft && !hasRight) {
      left = (w - pw) / 2;
      right = left + pw;
    }
    if (!hasTop && !hasBottom) {
      top = (h - ph) / 2;
      bottom = top + ph;
    }
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    mNonClientRects[i] = {ClampTo(left, kMin, kMax), ClampTo(top, kMin, kMax), ClampTo(right - left, kMin, kMax),
                          ClampTo(bottom - top, kMin, kMax)};
    mNonClientParts[i] = docked->GetVisualPart();
  }

  if (mTextBlock) {
    const RectT<std::int32_t> text = ComputeTextRect({mWidth, mHeight});
    mTextBlock->SetBoxSize({text.width, text.height});
    mTextOrigin = {text.x, text.y};
  }
  mChildrenClipRect = mClientRect;
}

RectT<std::int32_t> LLook::ComputeTextRect(const SizeT<std::int32_t>& size) const {
  if (!mDescriptor || !mDescriptor->HasTextProperties())
    return {};
  const TextProperties& text = mDescriptor->GetTextProperties();
  const auto w = static_cast<float>(size.width);
  const auto h = static_cast<float>(size.height);
  const float left = static_cast<float>(text.mLeftAbs) + text.mLeftRel * w;
  const float right = static_cast<float>(text.mRightAbs) + text.mRightRel * w;
  const float top = static_cast<float>(text.mTopAbs) + text.mTopRel * h;
  const float bottom = static_cast<float>(text.mBottomAbs) + text.mBottomRel * h;
  return {TruncateToInt(left), TruncateToInt(top), RoundToLong(static_cast<double>(right - left)),
          RoundToLong(static_cast<double>(bottom - top))};
}

RectT<std::int32_t> LLook::GetTextRect() const {
  const SizeT<std::int32_t> box = mTextBlock ? mTextBlock->GetBoxSize() : SizeT<std::int32_t>{};
  return {mTextOrigin.x, mTextOrigin.y, box.width, box.height};
}

RCPtr<LFontText>& LLook::GetTextBlockForChange() {
  if (mTextBlock && mTextBlock->GetRefCount() > 1) {
    RCPtr<LFontText> copy = MakeRCPtr<LFontText>(mTextBlock->GetText(), mTextBlock->GetFont());
    copy->SetWrap(mTextBlock->GetWrap());
    copy->SetHorizontalAlignment(mTextBlock->GetHorizontalAlignment());
    copy->SetVerticalAlignment(mTextBlock->GetVerticalAlignment());
    copy->SetBoxSize(mTextBlock->GetBoxSize());
    mTextBlock = std::move(copy);
  }
  return mTextBlock;
}

QZRESULT LLook::SetText(const WideString& text) { return mTextBlock ? mTextBlock->SetText(text) : S_FALSE; }

QZRESULT LLook::SetFont(const RCPtr<LFont>& font) { return mTextBlock ? mTextBlock->SetFont(font) : S_FALSE; }

QZRESULT LLook::SetImage(const RCPtr<LBitmap>& image, std::int32_t resizeType, bool replacesClient) {
  if (!image) {
    if (!mImagePart)
      return S_FALSE;
    mImagePart = nullptr;
    return S_OK;
  }
  mImagePart = LVisualPart::Create(WideString(), image, resizeType, RCPtr<LColorizer>(), 1.0f, RCPtr<LBitmap>());
  mImageReplacesClient = replacesClient;
  return S_OK;
}

QZRESULT LLook::SetTextForegroundPart(const RCPtr<LVisualPart>& part) {
  if (!part)
    return E_INVALIDARG;
  mTextForegroundPart = part;
  return S_OK;
}

QZRESULT LLook::SetClientPart(const RCPtr<LVisualPart>& part) {
  mClientPart = part;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Drawing

void LLook::WorkingRects(const RCPtr<LRenderer>& renderer, const Region& damaged,
                         std::vector<RectT<double>>& rects) const {
  rects.clear();
  const RenderState* state = renderer->GetCurrentState();
  const PointT<double> origin = state ? state->mOrigin : PointT<double>{};
  std::vector<RectT<std::int32_t>> integral;
  struct Collector {
    std::vector<RectT<std::int32_t>>* out;
    void RemoveAll() { out->clear(); }
    void AddItem(const RectT<std::int32_t>& r) { out->push_back(r); }
  } collector{&integral};
  if (!mRegion.IsEmpty()) {
    Region working(mRegion);
    working.Offset(TruncateToInt(origin.x), TruncateToInt(origin.y));
    working.Intersect(damaged);
    working.Normalize();
    working.GetRects(collector);
  } else {
    damaged.GetRects(collector);
  }
  for (const RectT<std::int32_t>& r : integral) {
    const RectT<double> d = r.ToDoubleRect();
    rects.push_back({d.x - origin.x, d.y - origin.y, d.width, d.height});
  }
}

bool LLook::DrawArea(const RCPtr<LRenderer>& renderer, const RectT<double>& target, const RectT<double>& working,
                     RectT<double>& area) {
  if (!RectT<double>::Intersect(target, working, area))
    return false;
  const RenderState* state = renderer->GetCurrentState();
  if (!state)
    return true;
  const RectT<double>& clip = state->mClip;
  return area.x < clip.x + clip.width && clip.x < area.x + area.width && area.y < clip.y + clip.height &&
         clip.y < area.y + area.height;
}

QZRESULT LLook::DrawClientParts(const RCPtr<LRenderer>& renderer, const Region& damaged) {
  std::vector<RectT<double>> rects;
  WorkingRects(renderer, damaged, rects);
  const RectT<double> target = mClientRect.ToDoubleRect();
  const SizeT<float> size = SizeOf(mClientRect);
  QZRESULT result = S_OK;
  for (const RectT<double>& working : rects) {
    RectT<double> area;
    if (!DrawArea(renderer, target, working, area))
      continue;
    renderer->PushClip(target, area, RCPtr<LStencil>(), true);
    if (mClientPart && !(mImagePart && mImageReplacesClient) && mClientPart->Draw(renderer, size) != 0)
      result = S_FALSE;
    if (mImagePart && mImagePart->Draw(renderer, size) != 0)
      result = S_FALSE;
    renderer->PopState();
  }
  return result;
}

QZRESULT LLook::DrawNonClientParts(const RCPtr<LRenderer>& renderer, const Region& damaged) {
  std::vector<RectT<double>> rects;
  WorkingRects(renderer, damaged, rects);
  QZRESULT result = S_OK;
  for (std::uint32_t i = 0; i < mNonClientParts.size(); ++i) {
    const RCPtr<LVisualPart>& part = mNonClientParts[i];
    if (!part)
      continue;
    const RectT<double> target = mNonClientRects[i].ToDoubleRect();
    for (const RectT<double>& working : rects) {
      RectT<double> area;
      if (!DrawArea(renderer, target, working, area))
        continue;
      renderer->PushClip(target, area, RCPtr<LStencil>(), true);
      if (part->Draw(renderer, SizeOf(mNonClientRects[i])) != 0)
        result = S_FALSE;
      renderer->PopState();
    }
  }
  return result;
}

QZRESULT LLook::DrawLabelText(const RCPtr<LRenderer>& renderer, const Region& damaged,
                              const PointT<double>& textOffset) {
  if (!mTextBlock)
    return S_FALSE;
  std::vector<RectT<double>> rects;
  WorkingRects(renderer, damaged, rects);
  const RectT<double> textRect = GetTextRect().ToDoubleRect();
  const RectT<double> lookRect{0, 0, static_cast<double>(mWidth), static_cast<double>(mHeight)};
  for (const RectT<double>& working : rects) {
    RectT<double> area;
    if (!DrawArea(renderer, textRect, working, area))
      continue;
    renderer->PushClip(lookRect, area, RCPtr<LStencil>(), true);
    const RCPtr<LVisualPart>& foreground = mTextForegroundPart;
    if (foreground && foreground->GetImage()) {
      renderer->PopState();
      ThrowException<std::domain_error>("Bitmap fill for text foreground part not yet implemented.",
                                        "QZ::LLook::DrawLabelText", kSourcePath, 293);
    }
    if (foreground && foreground->GetColorizer() &&
        foreground->GetColorizer()->GetColorType() != LColorizer::kSolidFill) {
      renderer->PopState();
      ThrowException<std::domain_error>("Gradient fill for text foreground part not yet implemented.",
                                        "QZ::LLook::DrawLabelText", kSourcePath, 302);
    }
    if (foreground && foreground->GetColorizer()) {
      const CAutoClip scope(renderer, textRect, textRect, RCPtr<LStencil>());
      const Color color = Color::FromARGB(foreground->GetColorAtPoint(PointT<std::int32_t>{0, 0}));
      const std::int32_t count = mTextBlock->GetLineCount();
      for (std::int32_t i = 0; i < count; ++i) {
        const RectT<float> line = mTextBlock->GetLine(i);
        const PointT<std::int32_t> position{RoundToLong(static_cast<double>(line.x) - textOffset.x),
                                            RoundToLong(static_cast<double>(line.y) - textOffset.y)};
        renderer->DrawText(mTextBlock->GetLineText(i), mTextBlock->GetFont(), position, color);
      }
    }
    renderer->PopState();
  }
  return S_OK;
}

std::uint32_t LLook::GetColorAtPoint(const PointT<std::int32_t>& point) const {
  std::uint32_t color = kTransparentWhite;
  for (std::uint32_t i = 0; i < mNonClientParts.size() && Transparent(color); ++i) {
    if (mNonClientParts[i])
      color = ColorInRect(*mNonClientParts[i], point, mNonClientRects[i]);
  }
  if (Transparent(color) && mImagePart)
    color = ColorInRect(*mImagePart, point, mClientRect);
  if (Transparent(color) && mClientPart)
    color = ColorInRect(*mClientPart, point, mClientRect);
  return color;
}

} // namespace QZ
