#include "QZFramework/Renderer/OpenGL/GLGlyphRenderer.h"

#include "QZFramework/Renderer/OpenGL/GLErrors.h"

#include <algorithm>
#include <cstring>

namespace QZ {

namespace {

// A dirty rectangle this thin is clean.
constexpr float kCleanExtent = 1.1920929e-7f;

// The smallest rectangle {x, y, width, height} holding both.
void Unite(float* into, float x, float y, float width, float height) {
  const float left = std::min(into[0], x);
  const float top = std::min(into[1], y);
  const float right = std::max(into[0] + into[2], x + width);
  const float bottom = std::max(into[1] + into[3], y + height);
  into[0] = left;
  into[1] = top;
  into[2] = right - left;
  into[3] = bottom - top;
}

// The box the font renderer gives is clamped to a signed byte; a glyph whose
// box reached the ends does not describe where its pixels go.
bool BoxInRange(const LGlyphProcessor::SGlyphRecord& record) {
  const auto inRange = [](std::int8_t v) { return v > -127 && v < 127; };
  return inRange(record.mBoxLeft) && inRange(record.mBoxTop) && inRange(record.mBoxRight) &&
         inRange(record.mBoxBottom);
}

} // namespace

LGLGlyphRenderer::LCachedFont::LCachedFont(const RCPtr<LFont>& font) : mFont(font) {
  Reserve(0, font ? static_cast<std::int32_t>(font->GetSize()) : 0);
}

bool LGLGlyphRenderer::LCachedFont::Reserve(std::int32_t width, std::int32_t height) {
  if (width < 0 || height < 0 || width > kGlyphAtlasWidth)
    return false;
  std::int32_t cursorX = mCursorX;
  std::int32_t shelfTop = mShelfTop;
  std::int32_t shelfHeight = mShelfHeight;
  if (cursorX + width >= kGlyphAtlasWidth) {
    shelfTop += shelfHeight;
    cursorX = 0;
    shelfHeight = 0;
  }
  shelfHeight = std::max(shelfHeight, height);
  const std::int32_t needed = shelfTop + height;
  if (needed > kGlyphAtlasMaxHeight)
    return false;
  mCursorX = cursorX;
  mShelfTop = shelfTop;
  mShelfHeight = shelfHeight;

  if (!mPixels)
    mPixels = MakeRCPtr<LPixelBuffer<unsigned char>>(kGlyphAtlasWidth, mShelfHeight, kGlyphAtlasWidth);
  if (needed >= mPixels->GetHeight()) {
    const std::int32_t newHeight = NextTextureSize(needed);
    // A failed resize keeps the old rows; the copy then leaves out what does
    // not fit.
    (void)mPixels->Resize(newHeight);
    mDirty[0] = 0.0f;
    mDirty[1] = 0.0f;
    mDirty[2] = static_cast<float>(kGlyphAtlasWidth);
    mDirty[3] = static_cast<float>(mPixels->GetHeight());
  }
  return true;
}

void LGLGlyphRenderer::LCachedFont::CopyGlyph(const LPixelBuffer<unsigned char>& bitmap, std::int32_t x,
                                              std::int32_t y) {
  const std::int32_t width = bitmap.GetWidth();
  const std::int32_t height = bitmap.GetHeight();
  if (height <= 0 || !mPixels)
    return;
  const std::int32_t columns = std::min(width, kGlyphAtlasWidth - x);
  for (std::int32_t row = 0; row < height && columns > 0; ++row) {
    const unsigned char* from = bitmap.GetPixelAddressConst(0, row);
    unsigned char* to = mPixels->GetPixelAddress(x, y + row);
    if (from == nullptr || to == nullptr)
      continue;
    std::memcpy(to, from, static_cast<std::size_t>(columns));
  }
  Unite(mDirty, static_cast<float>(x - 1), static_cast<float>(y - 1), static_cast<float>(width + 2),
        static_cast<float>(height + 2));
}

void LGLGlyphRenderer::LCachedFont::Upload() {
  if (mDirty[2] <= kCleanExtent || mDirty[3] <= kCleanExtent || !mPixels)
    return;
  SGLImage image;
  image.SetExternal(mPixels->GetPixelAddressConst(0, 0), kGlyphAtlasWidth, 1, kGlyphAtlasWidth,
                    mPixels->GetHeight(), kGLFormatAlpha, kGLTypeUnsignedByte);
  LGLTexture::Upload(image, kGLFormatAlpha, kGLTextureNearest, 1.0f);
  image.Clear();
  DrainGLErrors();
  mDirty[0] = mDirty[1] = mDirty[2] = mDirty[3] = 0.0f;
}

LGLGlyphRenderer::LGLGlyphRenderer() : mAtlases(kGlyphAtlasCount) {}

LGLGlyphRenderer::~LGLGlyphRenderer() = default;

QZRESULT LGLGlyphRenderer::BeginRun(const RCPtr<LFont>& font, std::int32_t runFlags) {
  mRunFlags = runFlags;
  mBounds = {};
  RCPtr<LCachedFont>& slot = mAtlases.Get(font, false);
  if (!slot)
    slot = MakeRCPtr<LCachedFont>(font);
  mCurrentAtlas = slot;
  if ((runFlags & kGlyphRunKeepTexture) != 0)
    mCurrentAtlas->Upload();
  return S_OK;
}

QZRESULT LGLGlyphRenderer::EndRun() {
  mCurrentAtlas = nullptr;
  return S_OK;
}

std::uint16_t LGLGlyphRenderer::QueryGlyph(SGlyphRecord& record) {
  if (!mCurrentAtlas)
    return 0;
  if (const SCachedGlyph* found = mCurrentAtlas->mGlyphs.Find(record.mCharacter)) {
    mCurrentGlyph = *found;
    record.mBoxLeft = found->mBoxLeft;
    record.mBoxTop = found->mBoxTop;
    record.mBoxRight = found->mBoxRight;
    record.mBoxBottom = found->mBoxBottom;
    record.mAdvance = static_cast<std::uint32_t>(found->mAdvance);
    record.mGlyphIndex = found->mGlyphIndex;
    return 0;
  }
  mCurrentGlyph = SCachedGlyph{};
  return kGlyphWantAll;
}

void LGLGlyphRenderer::PlaceGlyph(const LPixelBuffer<unsigned char>* bitmap) {
  // The quad shows the glyph's box, and the bitmap is copied at its own size
  // into the box's corner; the two need not agree (a one-bit rendering comes
  // out a column narrower than its box), so the cell holds whichever is larger
  // and the rest of it stays empty.
  const std::int32_t boxWidth = mCurrentGlyph.mBoxRight - mCurrentGlyph.mBoxLeft;
  const std::int32_t boxHeight = mCurrentGlyph.mBoxBottom - mCurrentGlyph.mBoxTop;
  const std::int32_t width = std::max({bitmap ? bitmap->GetWidth() : 0, boxWidth, 0});
  const std::int32_t height = std::max({bitmap ? bitmap->GetHeight() : 0, boxHeight, 0});
  LCachedFont& atlas = *mCurrentAtlas;
  if (!atlas.Reserve(width + 2, height + 2))
    return;
  mCurrentGlyph.mAtlasX = static_cast<std::uint16_t>(atlas.mCursorX + 1);
  mCurrentGlyph.mAtlasY = static_cast<std::uint16_t>(atlas.mShelfTop + 1);
  if (bitmap)
    atlas.CopyGlyph(*bitmap, mCurrentGlyph.mAtlasX, mCurrentGlyph.mAtlasY);
  atlas.mCursorX += width + 2;
  if ((mRunFlags & kGlyphRunKeepTexture) != 0)
    atlas.Upload();
}

void LGLGlyphRenderer::ProcessGlyph(const SGlyphRecord& record) {
  if (!mCurrentAtlas)
    return;
  if (mCurrentGlyph.mCharacter == 0) {
    mCurrentGlyph.mCharacter = record.mCharacter;
    mCurrentGlyph.mGlyphIndex = record.mGlyphIndex;
    mCurrentGlyph.mBoxLeft = record.mBoxLeft;
    mCurrentGlyph.mBoxTop = record.mBoxTop;
    mCurrentGlyph.mBoxRight = record.mBoxRight;
    mCurrentGlyph.mBoxBottom = record.mBoxBottom;
    mCurrentGlyph.mAdvance = static_cast<std::int32_t>(record.mAdvance);
    mCurrentGlyph.mAtlasX = 0;
    mCurrentGlyph.mAtlasY = 0;
    if (BoxInRange(record))
      PlaceGlyph(record.mBitmap.Get());
    mCurrentAtlas->mGlyphs.Add(mCurrentGlyph);
  }
  if ((mRunFlags & (kGlyphRunBounds | kGlyphRunDraw)) == 0)
    return;

  const float l = mCurrentGlyph.mBoxLeft;
  const float t = mCurrentGlyph.mBoxTop;
  const float r = mCurrentGlyph.mBoxRight;
  const float b = mCurrentGlyph.mBoxBottom;
  const float px = record.mPenX;
  const float py = record.mPenY;

  if ((mRunFlags & kGlyphRunDraw) != 0 && (mCurrentGlyph.mAtlasX != 0 || mCurrentGlyph.mAtlasY != 0)) {
    const float a = static_cast<float>(record.mLineAscent);
    const float ax = mCurrentGlyph.mAtlasX;
    const float ay = mCurrentGlyph.mAtlasY;
    mCurrentAtlas->Draw({ax, ay, ax + r - l, ay + b - t}, {l + px, t - a - py, r + px, b - a - py});
  }
  if ((mRunFlags & kGlyphRunBounds) != 0) {
    const std::int16_t advanceX =
        static_cast<std::int16_t>(static_cast<std::uint32_t>(mCurrentGlyph.mAdvance) & 0xFFFFu);
    const float cellLeft = px;
    const float cellTop = t + py;
    const float cellRight = px + static_cast<float>(advanceX >> 6);
    const float cellBottom = cellTop + (b - t);
    mBounds.mLeft = std::min(mBounds.mLeft, cellLeft);
    mBounds.mTop = std::min(mBounds.mTop, cellTop);
    mBounds.mRight = std::max(mBounds.mRight, cellRight);
    mBounds.mBottom = std::max(mBounds.mBottom, cellBottom);
  }
}

} // namespace QZ
