#pragma once
// The framework's font description: face, size in points and style bits,
// interned so that equal requests give the very same object (and the same
// unique id). Line height, ascent and descent are asked of the application's
// renderer the first time one of them is needed and then kept.
//
// The font list owns one reference to every font ever requested, so a font
// outlives its users and a later request finds it with its metrics; fonts are
// appended and never reordered. Face, size and style never change; the metrics
// are written once. Fonts, the list and the id counter belong to the thread
// that lays out and draws; nothing here is locked.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

inline constexpr std::int32_t kFontStyleBold = 1;
inline constexpr std::int32_t kFontStyleItalic = 2;
inline constexpr std::int32_t kFontStyleUnderline = 4;
inline constexpr std::int32_t kFontStyleStrikeOut = 8;

class LFont : public virtual LRefCountedObject {
public:
  // The listed font that matches (face ignoring ASCII letter case, size exactly,
  // style), else a new one appended to the list.
  [[nodiscard]] static RCPtr<LFont> GetFont(const WideString& face, float size, std::int32_t style);
  // Index in the font list of the newest matching font, or -1.
  static std::int32_t FindFont(const WideString& face, float size, std::int32_t style);
  // 0 for no font.
  static std::int32_t GetUniqueID(const ConstRCPtr<LFont>& font);

  // Each resolves the metrics while the line height is below 0. Without an
  // application or a renderer, or when the renderer fails, the font stays
  // unresolved (line height -1) and the next call asks again.
  std::int32_t GetLineHeight();
  std::int32_t GetAscent();
  std::int32_t GetDescent();

  const WideString& GetFace() const { return mFace; }
  float GetSize() const { return mSize; }
  std::int32_t GetStyle() const { return mStyle; }

  // Removes this font's entry from the font list: 0, or E_FAIL when none
  // matches. The list's reference is an ordinary one, so Release never calls it.
  QZRESULT ReleaseInnerReferences() override;

  // The number of fonts listed.
  static std::uint32_t GetFontCount();

protected:
  LFont(const WideString& face, float size, std::int32_t style);
  ~LFont() override = default;

private:
  void ResolveMetrics();

  WideString mFace;
  float mSize;
  std::int32_t mStyle;
  std::int32_t mLineHeight = -1;
  std::int32_t mAscent = 0;
  std::int32_t mDescent = 0;
  std::int32_t mUniqueID;
};

} // namespace QZ
