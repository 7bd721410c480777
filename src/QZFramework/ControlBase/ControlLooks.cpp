// LControl: looks, text and font.

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/Control.h"

#include <algorithm>
#include <cmath>

namespace QZ {

namespace {

bool SameFont(const LFont& a, const LFont& b) {
  return a.GetFace().EqualsString(b.GetFace()) && a.GetSize() == b.GetSize() && a.GetStyle() == b.GetStyle();
}

} // namespace

void LControl::InvalidateWhole() {
  InvalidateRect({0, 0, mBounds.width, mBounds.height}, !mLayout || mLayout->mClipToParent);
}

// ---------------------------------------------------------------------------
// Looks

std::int32_t LControl::AddLook(const RCPtr<LLook>& look) {
  const std::int32_t result = mLooks.AddItem(look);
  if (mLookWeights.GetCount() < mLooks.GetCount())
    mLookWeights.AddItem(0.0f);
  return result;
}

QZRESULT LControl::SelectLook(std::int32_t index) { return SetLookWeight(index, 1.0f, true); }

QZRESULT LControl::SetLookWeight(std::int32_t index, float weight, bool exclusive) {
  if (index < 0 || static_cast<std::uint32_t>(index) >= mLookWeights.GetCount())
    return E_INVALIDARG;
  const auto chosen = static_cast<std::uint32_t>(index);
  bool changed = false;
  if (weight >= 0.0f && weight <= 1.0f && mLookWeights.GetAt(chosen) != weight) {
    mLookWeights.GetAt(chosen) = weight;
    changed = true;
  }
  if (exclusive) {
    for (std::uint32_t i = mLookWeights.GetCount(); i-- > 0;) {
      if (i != chosen && mLookWeights.GetAt(i) != 0.0f) {
        mLookWeights.GetAt(i) = 0.0f;
        changed = true;
      }
    }
  }
  if (changed)
    InvalidateWhole();
  return S_OK;
}

const RCPtr<LLook>& LControl::GetLook(std::int32_t index) const {
  const std::uint32_t count = mLooks.GetCount();
  if (index >= 0 && static_cast<std::uint32_t>(index) < count)
    return mLooks.GetAt(static_cast<std::uint32_t>(index));
  for (std::uint32_t i = 0; i < count; ++i) {
    if (mLooks.GetAt(i) && i < mLookWeights.GetCount() && mLookWeights.GetAt(i) > 0.0f)
      return mLooks.GetAt(i);
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    if (mLooks.GetAt(i))
      return mLooks.GetAt(i);
  }
  return RCPtr<LLook>::sNull;
}

std::int32_t LControl::GetFirstVisibleLookIndex() const {
  for (std::uint32_t i = 0; i < mLooks.GetCount() && i < mLookWeights.GetCount(); ++i) {
    if (mLooks.GetAt(i) && mLookWeights.GetAt(i) > 0.0f)
      return static_cast<std::int32_t>(i);
  }
  return -1;
}

QZRESULT LControl::SetLookImage(const RCPtr<LBitmap>& image, std::int32_t resizeType, std::int32_t index,
                                bool replacesClient) {
  const RCPtr<LLook>& look = GetLook(index);
  if (!look)
    return E_FAIL;
  const QZRESULT result = look->SetImage(image, resizeType, replacesClient);
  if (result != S_FALSE && index == GetFirstVisibleLookIndex())
    InvalidateWhole();
  return result;
}

QZRESULT LControl::SetLookTextForegroundPart(const RCPtr<LVisualPart>& part, std::int32_t index) {
  const RCPtr<LLook>& look = GetLook(index);
  if (!look)
    return E_FAIL;
  return look->SetTextForegroundPart(part);
}

QZRESULT LControl::SetLookClientPart(std::int32_t index, const RCPtr<LVisualPart>& part) {
  const auto slot = static_cast<std::uint32_t>(index);
  if (index < 0 || slot >= mLooks.GetCount() || !mLooks.GetAt(slot))
    return E_FAIL;
  static_cast<void>(mLooks.GetAt(slot)->SetClientPart(part));
  InvalidateWhole();
  return S_OK;
}

std::uint32_t LControl::GetLookColorAtPoint(const PointT<std::int32_t>& point, std::int32_t index) const {
  const RCPtr<LLook>& look = GetLook(index);
  return look ? look->GetColorAtPoint(point) : kTransparentWhite;
}

RectT<double> LControl::GetLookClientRect(std::int32_t index) const {
  const RCPtr<LLook>& look = GetLook(index);
  if (!look)
    return {0, 0, mBounds.width, mBounds.height};
  return look->GetClientRect().ToDoubleRect();
}

QZRESULT LControl::SetLookRegion(std::int32_t index, const Region& region) {
  const RCPtr<LLook>& look = GetLook(index);
  if (!look)
    return E_INVALIDARG;
  look->GetRegion() = region;
  InvalidateWhole();
  return S_OK;
}

QZRESULT LControl::SetLookRegionExcluding(std::int32_t index, std::int32_t excludedIndex) {
  const RCPtr<LLook>& look = GetLook(index);
  const RCPtr<LLook>& excluded = GetLook(excludedIndex);
  if (!look || !excluded)
    return E_INVALIDARG;
  Region region;
  const RectT<std::int32_t> whole = RectT<double>{0, 0, mBounds.width, mBounds.height}.RoundToLong();
  region.AddRect({whole.x, whole.y, whole.x + whole.width, whole.y + whole.height});
  region.SubtractRegion(excluded->GetRegion());
  look->GetRegion() = std::move(region);
  InvalidateWhole();
  return S_OK;
}

void LControl::ClearLookRegion(std::int32_t index) {
  if (const RCPtr<LLook>& look = GetLook(index))
    look->GetRegion().Clear();
}

void LControl::ClearLookRegions() {
  for (std::uint32_t i = mLooks.GetCount(); i-- > 0;) {
    if (const RCPtr<LLook>& look = mLooks.GetAt(i))
      look->GetRegion().Clear();
  }
}

void LControl::OnLooksChanged() {}

// ---------------------------------------------------------------------------
// Text

bool LControl::ApplyText(const WideString& text, bool relayout) {
  if (mText.GetChars() == text.GetChars() || mText.EqualsString(text))
    return false;
  if (mRootWindow) {
    if (IWindowOSServices* window = mRootWindow->GetWindowOSServices())
      window->SetTitle(text);
  }
  mText = text;
  for (std::uint32_t i = mLooks.GetCount(); i-- > 0;) {
    if (const RCPtr<LLook>& look = mLooks.GetAt(i))
      look->SetText(mText);
  }
  if (relayout && mLayout) {
    const bool xFollowsText = !mLayout->mMinSize[LLayoutDescriptor::kAxisX].mRelativeToControl &&
                              mLayout->mTextOverflowX != kTextOverflowClip;
    const bool yFollowsText = !mLayout->mMinSize[LLayoutDescriptor::kAxisY].mRelativeToControl &&
                              mLayout->mTextOverflowY != kTextOverflowClip;
    if (xFollowsText || yFollowsText)
      static_cast<void>(UpdateLayout());
  }
  InvalidateWhole();
  return true;
}

bool LControl::IsTextTruncated() const {
  const RCPtr<LLook>& look = GetLook(-1);
  if (!look)
    return false;
  std::int32_t available = 0;
  const RCPtr<LLookDescriptor>& descriptor = look->GetDescriptor();
  if (descriptor && descriptor->HasTextProperties()) {
    const TextProperties& text = descriptor->GetTextProperties();
    const auto w = static_cast<float>(mBounds.width);
    const float span = (text.mRightRel * w + static_cast<float>(text.mRightAbs)) -
                       (text.mLeftRel * w + static_cast<float>(text.mLeftAbs));
    available = TruncateToLong(span);
  }
  float textWidth = 0;
  const RCPtr<LFontText>& block = look->GetTextBlock();
  if (!block) {
    if (!mText.IsEmpty())
      return true;
  } else if (block->GetLineCount() > 0) {
    textWidth = block->GetLine(0).width;
  }
  return static_cast<float>(available) < textWidth;
}

// ---------------------------------------------------------------------------
// Font

QZRESULT LControl::SetFont(const RCPtr<LFont>& font) {
  if (!font)
    return E_INVALIDARG;
  for (std::uint32_t i = mLooks.GetCount(); i-- > 0;) {
    if (const RCPtr<LLook>& look = mLooks.GetAt(i))
      look->SetFont(font);
  }
  if (mFont && SameFont(*mFont, *font))
    return S_FALSE;
  mFont = font;
  mFontNameFromBase = false;
  mFontSizeFromBase = false;
  mFontStyleFromBase = false;
  OnLooksChanged();
  for (std::uint32_t i = 0; i < mChildren.GetCount(); ++i)
    mChildren.GetAt(i, kCreationOrder)->UpdateFont();
  static_cast<void>(UpdateLayout());
  InvalidateWhole();
  return S_OK;
}

QZRESULT LControl::SetFontSpec(const WideString& face, float size, std::int32_t style, bool sizeRelative) {
  RCPtr<LFont> base;
  if (mFontInheritsFromParent && mParent) {
    base = mParent->mFont;
  } else if (IFrameworkApp* app = GetFrameworkApp()) {
    base = app->GetDefaultFont();
  }
  const bool nameFromBase = face.IsEmpty();
  const bool sizeFromBase = size <= 0 || mFontSizeIsRelative;
  const bool styleFromBase = style == kNoFontStyle;
  if (!base && (nameFromBase || sizeFromBase || styleFromBase))
    return E_FAIL; // nothing to take those parts from
  float factor = 1.0f;
  WideString resolvedFace = nameFromBase ? base->GetFace() : face;
  if (sizeFromBase) {
    if (sizeRelative && size > 0)
      factor = size;
    size = base->GetSize() * factor;
  }
  if (styleFromBase)
    style = base->GetStyle();
  RCPtr<LFont> font;
  if (base && resolvedFace.EqualsString(base->GetFace()) && style == base->GetStyle() && size == base->GetSize())
    font = base;
  else
    font = LFont::GetFont(resolvedFace, size, style);
  if (!font)
    return E_FAIL;
  const QZRESULT result = SetFont(font);
  if (result >= 0) {
    mFontNameFromBase = nameFromBase;
    mFontSizeFromBase = sizeFromBase;
    mFontStyleFromBase = styleFromBase;
    mFontSizeIsRelative = sizeRelative;
    mFontSizeFactor = factor;
  }
  return result;
}

QZRESULT LControl::UpdateFont() {
  if (!mFontInheritsFromParent || !(mFontNameFromBase || mFontSizeFromBase || mFontStyleFromBase))
    return S_OK;
  const WideString face = mFontNameFromBase || !mFont ? WideString() : mFont->GetFace();
  float size = mFont ? mFont->GetSize() : 0.0f;
  if (mFontSizeFromBase)
    size = mFontSizeIsRelative ? mFontSizeFactor : 0.0f;
  const std::int32_t style = mFontStyleFromBase || !mFont ? kNoFontStyle : mFont->GetStyle();
  static_cast<void>(SetFontSpec(face, size, style, mFontSizeFromBase && mFontSizeIsRelative));
  return S_OK;
}

} // namespace QZ
