#pragma once
// The font renderer of the OpenGL back end, over FreeType. A font's TrueType
// file is found through LFontFileInfo (the construction scans the fonts
// folder) and opened by its file id through FreeType's cache manager, which
// keeps at most 8 faces, 16 sizes and 4 MiB open; sizes are looked up at
// 96 dpi. Glyphs are rendered anti-aliased from 8 points and one bit per pixel
// (expanded to 0x00/0xFF coverage) below.
//
// The FreeType library, the cache manager and the font-file list are
// process-wide and unlocked. Renderers alive at the same time share them: each
// construction rescans the fonts folder and drops the faces the cache manager
// holds (file ids are positions in the rebuilt list), and the last renderer to
// go shuts FreeType down and empties the font-file list. UI thread only.

#include "QZFramework/Renderer/FontRenderer/FontRenderer.h"

#include <cstdint>

namespace QZ {

class LFreetypeFontRenderer : public LFontRenderer {
public:
  // Scans the fonts folder and starts FreeType; a FreeType that does not start
  // leaves every size lookup failing.
  LFreetypeFontRenderer(const RCPtr<LGlyphProcessor>& firstProcessor,
                        const RCPtr<LGlyphProcessor>& secondProcessor);
  LFreetypeFontRenderer(const LFreetypeFontRenderer&) = delete;
  LFreetypeFontRenderer& operator=(const LFreetypeFontRenderer&) = delete;

  // E_FAIL when the font's size cannot be looked up (no FreeType, a file
  // FreeType cannot open, a size of 0 or less). A font whose face and the
  // system font's face both have no file throws LFontFileInfo::GetFileID's
  // runtime error.
  QZRESULT GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight, std::int32_t& ascent,
                          std::int32_t& descent) override;
  // Characters without a glyph, glyphs that fail to load and glyphs that render
  // in neither mode are left out and do not advance the pen. A size that cannot
  // be looked up, or a null processor, gives 0 without a run; a font without a
  // file throws as GetFontMetrics does.
  std::int32_t RenderGlyphs(const WideString& text, const RCPtr<LFont>& font,
                            const RCPtr<LGlyphProcessor>& processor, std::int32_t startPosition, float widthLimit,
                            std::int32_t runFlags) override;

protected:
  ~LFreetypeFontRenderer() override;
};

} // namespace QZ
