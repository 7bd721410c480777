#include "Platform/Graphics2D/Font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <pango/pango.h>

#include <cmath>
#include <map>
#include <mutex>
#include <utility>

namespace QZ::Platform {

namespace {

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

const FcChar8* FcText(const std::string& text) { return reinterpret_cast<const FcChar8*>(text.c_str()); }

// The installed font that fontconfig picks for a family name and style.
PatternPtr MatchFont(const std::string& family, std::int32_t style) {
  PatternPtr pattern(FcPatternCreate());
  if (!pattern)
    return nullptr;
  FcPatternAddString(pattern.get(), FC_FAMILY, FcText(family));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, (style & kFontBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, (style & kFontItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  return result == FcResultMatch ? std::move(match) : nullptr;
}

// Reads the metrics from the file that fontconfig matches, once per family
// and style.
class FreeTypeMetricsProvider final : public FontMetricsProvider {
public:
  ~FreeTypeMetricsProvider() override {
    if (mLibrary)
      FT_Done_FreeType(mLibrary);
  }

  bool GetDesignMetrics(const std::string& family, std::int32_t style, FontDesignMetrics& metrics) override {
    const std::int32_t shape = style & (kFontBold | kFontItalic);
    std::lock_guard lock(mMutex);
    const auto key = std::make_pair(family, shape);
    if (auto found = mKnown.find(key); found != mKnown.end()) {
      metrics = found->second.second;
      return found->second.first;
    }
    FontDesignMetrics read;
    const bool ok = Read(family, shape, read);
    mKnown[key] = {ok, read};
    metrics = read;
    return ok;
  }

private:
  bool Read(const std::string& family, std::int32_t style, FontDesignMetrics& metrics) {
    PatternPtr match = MatchFont(family, style);
    FcChar8* file = nullptr;
    int index = 0;
    if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch)
      return false;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    if (!mLibrary && FT_Init_FreeType(&mLibrary) != 0) {
      mLibrary = nullptr;
      return false;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(mLibrary, reinterpret_cast<const char*>(file), index, &face) != 0)
      return false;
    bool ok = false;
    if (FT_IS_SCALABLE(face) && face->units_per_EM > 0) {
      const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
      metrics.emHeight = face->units_per_EM;
      if (os2 && os2->version != 0xFFFF && (os2->usWinAscent || os2->usWinDescent)) {
        metrics.cellAscent = os2->usWinAscent;
        metrics.cellDescent = os2->usWinDescent;
      } else {
        metrics.cellAscent = face->ascender;
        metrics.cellDescent = -face->descender;
      }
      metrics.lineSpacing = hhea ? hhea->Ascender - hhea->Descender + hhea->Line_Gap : face->height;
      ok = true;
    }
    FT_Done_Face(face);
    return ok;
  }

  std::mutex mMutex;
  FT_Library mLibrary = nullptr;
  std::map<std::pair<std::string, std::int32_t>, std::pair<bool, FontDesignMetrics>> mKnown;
};

struct FontRegistry {
  std::mutex mutex;
  std::shared_ptr<FontMetricsProvider> provider;
  std::map<std::string, std::shared_ptr<const FontFamily>> families; // by folded name; null: not installed
  std::shared_ptr<const FontFamily> sansSerif;
};

FontRegistry& Registry() {
  static FontRegistry registry;
  return registry;
}

std::shared_ptr<FontMetricsProvider> CurrentProvider() {
  FontRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  if (!registry.provider)
    registry.provider = std::make_shared<FreeTypeMetricsProvider>();
  return registry.provider;
}

// The family fontconfig matches for a name, as it spells it; empty when none.
std::string MatchedFamily(const std::string& name, bool exact) {
  PatternPtr match = MatchFont(name, kFontRegular);
  if (!match)
    return {};
  const std::string folded = FoldCase(name);
  FcChar8* family = nullptr;
  for (int i = 0; FcPatternGetString(match.get(), FC_FAMILY, i, &family) == FcResultMatch; ++i) {
    const std::string text(reinterpret_cast<const char*>(family));
    if (!exact || FoldCase(text) == folded)
      return text;
  }
  return {};
}

} // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::shared_ptr<FontMetricsProvider> SetFontMetricsProvider(std::shared_ptr<FontMetricsProvider> provider) {
  FontRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  std::shared_ptr<FontMetricsProvider> previous = std::move(registry.provider);
  registry.provider = std::move(provider);
  return previous ? previous : std::make_shared<FreeTypeMetricsProvider>();
}

std::shared_ptr<const FontFamily> FontFamily::FromName(std::u16string_view name) {
  const std::string utf8 = ToUtf8(name);
  if (utf8.empty())
    return nullptr;
  const std::string folded = FoldCase(utf8);
  FontRegistry& registry = Registry();
  {
    std::lock_guard lock(registry.mutex);
    if (auto found = registry.families.find(folded); found != registry.families.end())
      return found->second;
  }
  // Matched outside the lock: fontconfig has its own, and the first match may
  // take long.
  const std::string matched = MatchedFamily(utf8, true);
  std::shared_ptr<const FontFamily> family = matched.empty() ? nullptr : std::make_shared<FontFamily>(matched);
  std::lock_guard lock(registry.mutex);
  return registry.families.emplace(folded, family).first->second;
}

std::shared_ptr<const FontFamily> FontFamily::GenericSansSerif() {
  FontRegistry& registry = Registry();
  {
    std::lock_guard lock(registry.mutex);
    if (registry.sansSerif)
      return registry.sansSerif;
  }
  std::string matched = MatchedFamily("sans-serif", false);
  if (matched.empty())
    matched = "sans-serif"; // no fonts at all: Pango still draws boxes
  auto family = std::make_shared<const FontFamily>(matched);
  std::lock_guard lock(registry.mutex);
  if (!registry.sansSerif)
    registry.sansSerif = family;
  return registry.sansSerif;
}

bool FontFamily::GetDesignMetrics(std::int32_t style, FontDesignMetrics& metrics) const {
  metrics = {};
  if (CurrentProvider()->GetDesignMetrics(mName, style & (kFontBold | kFontItalic), metrics) &&
      metrics.emHeight > 0)
    return true;
  metrics = {};
  return false;
}

std::unique_ptr<Font> Font::Create(std::shared_ptr<const FontFamily> family, float size, std::int32_t style,
                                   FontUnit unit) {
  if (!family || !(size > 0) || !std::isfinite(size))
    return nullptr;
  return std::unique_ptr<Font>(new Font(std::move(family), size, style, unit));
}

Font::Font(std::shared_ptr<const FontFamily> family, float size, std::int32_t style, FontUnit unit)
    : mFamily(std::move(family)), mSize(size), mStyle(style), mUnit(unit) {
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, mFamily->GetName().c_str());
  pango_font_description_set_weight(description, (style & kFontBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(description, (style & kFontItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  if (unit == FontUnit::Pixel)
    pango_font_description_set_absolute_size(description, static_cast<double>(size) * PANGO_SCALE);
  else
    pango_font_description_set_size(description,
                                    static_cast<gint>(std::lround(static_cast<double>(size) * PANGO_SCALE)));
  mDescription.reset(description,
                     [](void* d) { pango_font_description_free(static_cast<PangoFontDescription*>(d)); });

  if (style & (kFontUnderline | kFontStrikeout)) {
    PangoAttrList* attributes = pango_attr_list_new();
    if (style & kFontUnderline)
      pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (style & kFontStrikeout)
      pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
    mAttributes.reset(attributes, [](void* a) { pango_attr_list_unref(static_cast<PangoAttrList*>(a)); });
  }
}

Font::~Font() = default;

float Font::GetHeight(float dpi) const {
  FontDesignMetrics metrics;
  if (!mFamily->GetDesignMetrics(mStyle, metrics))
    return 0;
  const float pixels = mUnit == FontUnit::Pixel ? mSize : mSize * dpi / 72.0f;
  return static_cast<float>(metrics.lineSpacing) * pixels / static_cast<float>(metrics.emHeight);
}

} // namespace QZ::Platform
