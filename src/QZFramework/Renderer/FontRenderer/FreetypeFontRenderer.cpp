#include "QZFramework/Renderer/FontRenderer/FreetypeFontRenderer.h"

#include "QZFramework/Renderer/FontRenderer/FontFileInfo.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H
#include FT_GLYPH_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace QZ {

namespace {

constexpr FT_UInt kMaxFaces = 8;
constexpr FT_UInt kMaxSizes = 16;
constexpr FT_ULong kMaxCacheBytes = 0x400000;
constexpr FT_UInt kResolution = 96;
// Sizes from this many points on are rendered anti-aliased, smaller ones one
// bit per pixel.
constexpr float kAntiAliasedFromPoints = 8.0f;

using SGlyphRecord = LGlyphProcessor::SGlyphRecord;

struct FreeTypeState {
  FT_Library mLibrary = nullptr;
  FTC_Manager mManager = nullptr;
  std::int32_t mRenderers = 0;
};

FreeTypeState& State() {
  static FreeTypeState sState;
  return sState;
}

// Face ids are file ids carried in the pointer-sized id.
FTC_FaceID ToFaceID(std::int32_t fileID) {
  return reinterpret_cast<FTC_FaceID>(static_cast<std::intptr_t>(fileID));
}

std::int32_t ToFileID(FTC_FaceID faceID) {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(faceID));
}

// Opens the face a file id names: the first font of its file, whichever font
// of a collection named the family.
FT_Error RequestFace(FTC_FaceID faceID, FT_Library library, FT_Pointer /*requestData*/, FT_Face* face) {
  const NarrowString path = LFontFileInfo::GetFilePath(ToFileID(faceID)).ToNarrow();
  return FT_New_Face(library, path.GetChars(), 0, face);
}

// The font's size at 96 dpi, or null. Throws when the font has no file.
FT_Size LookupSize(const RCPtr<LFont>& font) {
  const std::int32_t fileID = LFontFileInfo::GetFileID(font);
  FTC_Manager manager = State().mManager;
  // 26.6 points, truncated toward zero; sizes FreeType cannot take fail here.
  const float points = font->GetSize() * 64.0f;
  if (manager == nullptr || !std::isfinite(points) || points < 1.0f ||
      points > static_cast<float>(std::numeric_limits<std::int32_t>::max() / 2))
    return nullptr;
  FTC_ScalerRec scaler{};
  scaler.face_id = ToFaceID(fileID);
  scaler.width = 0;
  scaler.height = static_cast<FT_UInt>(points);
  scaler.pixel = 0;
  scaler.x_res = kResolution;
  scaler.y_res = kResolution;
  FT_Size size = nullptr;
  if (FTC_Manager_LookupSize(manager, &scaler, &size) != 0)
    return nullptr;
  return size;
}

// A glyph copy, released on every way out of the character's step.
class GlyphCopy {
public:
  GlyphCopy() = default;
  ~GlyphCopy() {
    if (mGlyph != nullptr)
      FT_Done_Glyph(mGlyph);
  }
  GlyphCopy(const GlyphCopy&) = delete;
  GlyphCopy& operator=(const GlyphCopy&) = delete;

  FT_Glyph mGlyph = nullptr;
};

// Box edges and advances wider than the record's fields stand at the field's
// limit instead of wrapping around.
std::int8_t ClampToInt8(FT_Pos value) {
  return static_cast<std::int8_t>(
      std::clamp<FT_Pos>(value, std::numeric_limits<std::int8_t>::min(), std::numeric_limits<std::int8_t>::max()));
}

std::int16_t ClampToInt16(FT_Pos value) {
  return static_cast<std::int16_t>(std::clamp<FT_Pos>(value, std::numeric_limits<std::int16_t>::min(),
                                                      std::numeric_limits<std::int16_t>::max()));
}

// The top row of a bitmap whatever the direction its rows flow in.
const unsigned char* RowOf(const FT_Bitmap& bitmap, std::int32_t row) {
  const std::int32_t pitch = bitmap.pitch;
  if (pitch >= 0)
    return bitmap.buffer + static_cast<std::ptrdiff_t>(row) * pitch;
  return bitmap.buffer + static_cast<std::ptrdiff_t>(static_cast<std::int32_t>(bitmap.rows) - 1 - row) * -pitch;
}

// One byte of coverage per pixel: a one-bit bitmap (most significant bit
// first) becomes 0x00 and 0xFF bytes with a stride of its width; an 8-bit one
// is copied with its pitch as the stride.
RCPtr<LPixelBuffer<unsigned char>> CopyBitmap(const FT_Bitmap& bitmap) {
  const auto width = static_cast<std::int32_t>(bitmap.width);
  const auto rows = static_cast<std::int32_t>(bitmap.rows);
  if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
    RCPtr<LPixelBuffer<unsigned char>> pixels = MakeRCPtr<LPixelBuffer<unsigned char>>(width, rows, width);
    for (std::int32_t y = 0; y < rows; ++y) {
      const unsigned char* source = RowOf(bitmap, y);
      unsigned char* target = pixels->GetPixelAddress(0, y);
      if (target == nullptr)
        break;
      for (std::int32_t x = 0; x < width; ++x)
        target[x] = (source[x >> 3] & (0x80u >> (x & 7))) != 0 ? 0xFF : 0x00;
    }
    return pixels;
  }
  const std::int32_t stride = std::abs(bitmap.pitch);
  if (bitmap.pitch >= 0 && bitmap.buffer != nullptr)
    return MakeRCPtr<LPixelBuffer<unsigned char>>(width, rows, stride, bitmap.buffer);
  RCPtr<LPixelBuffer<unsigned char>> pixels = MakeRCPtr<LPixelBuffer<unsigned char>>(width, rows, stride);
  for (std::int32_t y = 0; y < rows && bitmap.buffer != nullptr; ++y) {
    if (unsigned char* target = pixels->GetPixelAddress(0, y))
      std::memcpy(target, RowOf(bitmap, y), static_cast<std::size_t>(stride));
  }
  return pixels;
}

void ClearGlyph(SGlyphRecord& record) {
  record.mBitmap = nullptr;
  record.mGlyphIndex = 0;
  record.mBoxLeft = 0;
  record.mBoxTop = 0;
  record.mBoxRight = 0;
  record.mBoxBottom = 0;
  record.mAdvance = 0;
}

} // namespace

LFreetypeFontRenderer::LFreetypeFontRenderer(const RCPtr<LGlyphProcessor>& firstProcessor,
                                             const RCPtr<LGlyphProcessor>& secondProcessor)
    : LFontRenderer(firstProcessor, secondProcessor) {
  (void)LFontFileInfo::ScanFontFolder();
  FreeTypeState& state = State();
  ++state.mRenderers;
  if (state.mManager != nullptr) {
    // The scan renumbered the files: faces open under the old ids must go.
    FTC_Manager_Reset(state.mManager);
    return;
  }
  if (state.mLibrary == nullptr && FT_Init_FreeType(&state.mLibrary) != 0) {
    state.mLibrary = nullptr;
    return;
  }
  if (FTC_Manager_New(state.mLibrary, kMaxFaces, kMaxSizes, kMaxCacheBytes, RequestFace, nullptr,
                      &state.mManager) != 0)
    state.mManager = nullptr;
}

LFreetypeFontRenderer::~LFreetypeFontRenderer() {
  FreeTypeState& state = State();
  if (--state.mRenderers > 0)
    return;
  if (state.mManager != nullptr)
    FTC_Manager_Done(state.mManager);
  state.mManager = nullptr;
  if (state.mLibrary != nullptr)
    FT_Done_FreeType(state.mLibrary);
  state.mLibrary = nullptr;
  LFontFileInfo::Clear();
}

QZRESULT LFreetypeFontRenderer::GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight,
                                               std::int32_t& ascent, std::int32_t& descent) {
  const FT_Size size = LookupSize(font);
  if (size == nullptr)
    return E_FAIL;
  // 26.6 values shifted right, rounding toward minus infinity.
  const FT_Size_Metrics& metrics = size->metrics;
  const auto fontAscent = static_cast<std::int32_t>(-(metrics.ascender >> 6));
  const auto fontDescent = static_cast<std::int32_t>(-(metrics.descender >> 6));
  const auto height = static_cast<std::int32_t>(metrics.height >> 6);
  const auto nominal = static_cast<std::int32_t>(96.0f * font->GetSize() / 72.0f);
  lineHeight = std::max({height, nominal, fontDescent - fontAscent});
  ascent = fontAscent;
  descent = fontDescent;
  return S_OK;
}

std::int32_t LFreetypeFontRenderer::RenderGlyphs(const WideString& text, const RCPtr<LFont>& font,
                                                 const RCPtr<LGlyphProcessor>& processor,
                                                 std::int32_t startPosition, float /*widthLimit*/,
                                                 std::int32_t runFlags) {
  const FT_Size size = LookupSize(font);
  if (size == nullptr || !processor)
    return 0;
  const FT_Face face = size->face;
  const bool kerning = FT_HAS_KERNING(face);
  const FT_Render_Mode firstMode =
      font->GetSize() >= kAntiAliasedFromPoints ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
  const FT_Render_Mode secondMode =
      firstMode == FT_RENDER_MODE_NORMAL ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL;

  SGlyphRecord record;
  record.mPosition = startPosition;
  record.mLineAscent = static_cast<std::int32_t>(-(size->metrics.ascender >> 6));
  FT_UInt previous = 0;
  processor->BeginRun(font, runFlags);
  const char16_t* characters = text.GetChars();
  const std::uint32_t length = text.GetLength();
  for (std::uint32_t i = 0; i < length; ++i) {
    const auto next = static_cast<std::int32_t>(i + 1);
    record.mCharacter = characters[i];
    ClearGlyph(record);
    const std::uint16_t wanted = processor->QueryGlyph(record);
    const FT_UInt index = wanted != 0 ? FT_Get_Char_Index(face, characters[i]) : record.mGlyphIndex;
    if (index == 0)
      continue;

    GlyphCopy glyph;
    if (wanted != 0) {
      if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0 || FT_Get_Glyph(face->glyph, &glyph.mGlyph) != 0) {
        record.mPosition = next;
        continue;
      }
      record.mGlyphIndex = index;
      record.SetAdvance(ClampToInt16(face->glyph->advance.x), ClampToInt16(face->glyph->advance.y));
      if ((wanted & (kGlyphWantBox | kGlyphWantBitmap)) != 0) {
        FT_BBox box{};
        FT_Glyph_Get_CBox(glyph.mGlyph, FT_GLYPH_BBOX_PIXELS, &box);
        record.mBoxLeft = ClampToInt8(box.xMin);
        record.mBoxTop = ClampToInt8(-box.yMax);
        record.mBoxRight = ClampToInt8(box.xMax);
        record.mBoxBottom = ClampToInt8(-box.yMin);
      }
      if ((wanted & kGlyphWantBitmap) != 0) {
        if (FT_Render_Glyph(face->glyph, firstMode) != 0 && FT_Render_Glyph(face->glyph, secondMode) != 0) {
          record.mPosition = next;
          continue;
        }
        record.mBitmap = CopyBitmap(face->glyph->bitmap);
      }
    }

    if (kerning) {
      if (previous != 0) {
        FT_Vector delta{};
        if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &delta) == 0)
          record.mPenX += static_cast<float>(delta.x) / 64.0f;
      } else if (record.mBoxLeft < 0) {
        // The first glyph starts at the run origin.
        record.mPenX -= static_cast<float>(record.mBoxLeft);
      }
    }

    processor->ProcessGlyph(record);
    record.mBitmap = nullptr;
    record.mPenX += static_cast<float>(record.AdvanceX()) / 64.0f;
    record.mPenY += static_cast<float>(record.AdvanceY()) / 64.0f;
    previous = index;
    record.mPosition = next;
  }
  processor->EndRun();
  return record.mPosition;
}

} // namespace QZ
