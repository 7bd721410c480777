#include "QZFramework/Renderer/Font.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"

namespace QZ {

namespace {

class ListedFont : public LFont {
public:
  ListedFont(const WideString& face, float size, std::int32_t style) : LFont(face, size, style) {}
};

RCPtrArray<LFont, 1, 0>& FontList() {
  static RCPtrArray<LFont, 1, 0> sFonts;
  return sFonts;
}

// Ids start at 1 and are never reused.
std::int32_t sLastUniqueID = 0;

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameFace(const WideString& a, const WideString& b) {
  const char16_t* x = a.GetChars();
  const char16_t* y = b.GetChars();
  if (x == y)
    return true;
  for (; *x && *y; ++x, ++y) {
    if (FoldAscii(*x) != FoldAscii(*y))
      return false;
  }
  return *x == *y;
}

} // namespace

LFont::LFont(const WideString& face, float size, std::int32_t style)
    : mFace(face), mSize(size), mStyle(style), mUniqueID(++sLastUniqueID) {}

std::int32_t LFont::FindFont(const WideString& face, float size, std::int32_t style) {
  const RCPtrArray<LFont, 1, 0>& fonts = FontList();
  for (std::uint32_t i = fonts.GetCount(); i-- > 0;) {
    const LFont* font = fonts.GetAt(i).Get();
    if (SameFace(font->mFace, face) && font->mSize == size && font->mStyle == style)
      return static_cast<std::int32_t>(i);
  }
  return -1;
}

RCPtr<LFont> LFont::GetFont(const WideString& face, float size, std::int32_t style) {
  const std::int32_t index = FindFont(face, size, style);
  if (index >= 0)
    return FontList().GetAt(static_cast<std::uint32_t>(index));
  RCPtr<LFont> font = MakeRCPtr<ListedFont>(face, size, style);
  FontList().AddItem(font);
  return font;
}

std::int32_t LFont::GetUniqueID(const ConstRCPtr<LFont>& font) { return font ? font->mUniqueID : 0; }

std::uint32_t LFont::GetFontCount() { return FontList().GetCount(); }

void LFont::ResolveMetrics() {
  if (mLineHeight >= 0)
    return;
  IFrameworkApp* app = GetFrameworkApp();
  if (!app)
    return;
  const RCPtr<LRenderer> renderer = app->GetRenderer();
  if (!renderer)
    return;
  // The result is not examined: a failure leaves the line height at -1.
  (void)renderer->GetFontMetrics(RCPtr<LFont>(this), mLineHeight, mAscent, mDescent);
}

std::int32_t LFont::GetLineHeight() {
  ResolveMetrics();
  return mLineHeight;
}

std::int32_t LFont::GetAscent() {
  ResolveMetrics();
  return mAscent;
}

std::int32_t LFont::GetDescent() {
  ResolveMetrics();
  return mDescent;
}

QZRESULT LFont::ReleaseInnerReferences() {
  const std::int32_t index = FindFont(mFace, mSize, mStyle);
  if (index < 0)
    return E_FAIL;
  FontList().RemoveItems(static_cast<std::uint32_t>(index), 1);
  return S_OK;
}

} // namespace QZ
