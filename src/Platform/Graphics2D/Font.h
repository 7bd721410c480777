#pragma once
// Fonts of the 2D drawing layer: families found by name among the installed
// fonts (through fontconfig; Pango draws with the same ones), and fonts of a
// family at a size in points or pixels with style bits.
//
// A family is known only when the installed fonts have that very family
// (compared without regard to ASCII case); callers fall back to
// GenericSansSerif for the others. Looking a name up is slow, so the answer is
// kept per name for the life of the process.
//
// The design metrics (em height, cell ascent and descent, line spacing, in
// font design units) come from a FontMetricsProvider: by default one that reads
// the matching font file with FreeType; tests put in their own numbers so they
// do not depend on the fonts installed.
//
// Families and providers may be used from any thread (the lookups and the
// provider switch take one lock); a Font is used by one thread at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace QZ::Platform {

enum FontStyle : std::int32_t {
  kFontRegular = 0,
  kFontBold = 1,
  kFontItalic = 2,
  kFontUnderline = 4,
  kFontStrikeout = 8,
};

enum class FontUnit : std::int32_t {
  Pixel = 2,
  Point = 3,
};

struct FontDesignMetrics {
  std::int32_t emHeight = 0;
  std::int32_t cellAscent = 0;  // above the baseline, positive
  std::int32_t cellDescent = 0; // below the baseline, positive
  std::int32_t lineSpacing = 0;
};

class FontMetricsProvider {
public:
  virtual ~FontMetricsProvider() = default;
  // The design metrics of the family's face for the style (only the bold and
  // italic bits matter); false when there are none.
  virtual bool GetDesignMetrics(const std::string& family, std::int32_t style, FontDesignMetrics& metrics) = 0;
};

// Puts in the provider every family asks from now on and returns the one it
// replaces; null puts back the FreeType provider.
std::shared_ptr<FontMetricsProvider> SetFontMetricsProvider(std::shared_ptr<FontMetricsProvider> provider);

class FontFamily {
public:
  // The installed family of that name (UTF-16); null when there is none.
  static std::shared_ptr<const FontFamily> FromName(std::u16string_view name);
  // The family the installed fonts give for "sans-serif"; never null.
  static std::shared_ptr<const FontFamily> GenericSansSerif();

  explicit FontFamily(std::string name) : mName(std::move(name)) {}

  // The family's name as the installed fonts spell it (UTF-8).
  const std::string& GetName() const { return mName; }
  // From the current provider; false (and metrics zero) when it has none.
  bool GetDesignMetrics(std::int32_t style, FontDesignMetrics& metrics) const;

private:
  std::string mName;
};

class Font {
public:
  // Null for a null family or a size that is not above 0 (or not finite).
  static std::unique_ptr<Font> Create(std::shared_ptr<const FontFamily> family, float size, std::int32_t style,
                                      FontUnit unit);

  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  ~Font();

  const FontFamily& GetFamily() const { return *mFamily; }
  float GetSize() const { return mSize; }
  std::int32_t GetStyle() const { return mStyle; }
  FontUnit GetUnit() const { return mUnit; }
  // The line spacing in pixels at the resolution: line spacing × size / em,
  // the size first turned from points into pixels at dpi (a pixel size does
  // not depend on dpi). 0 without design metrics.
  float GetHeight(float dpi) const;

private:
  friend class Canvas;

  Font(std::shared_ptr<const FontFamily> family, float size, std::int32_t style, FontUnit unit);

  std::shared_ptr<const FontFamily> mFamily;
  float mSize;
  std::int32_t mStyle;
  FontUnit mUnit;
  std::shared_ptr<void> mDescription; // Pango's font description
  std::shared_ptr<void> mAttributes;  // Pango's attribute list: underline, strike-out
};

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

} // namespace QZ::Platform
