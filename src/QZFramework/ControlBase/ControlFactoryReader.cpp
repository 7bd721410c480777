// The control factory's reader: what each start tag, end tag and piece of text
// of a skin or string-table document does to the factory.

#include "QZFramework/ControlBase/ControlFactory.h"

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"
#include "QZFramework/Utilities/Storage/ArrayUtils.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "ControlBase\\ControlFactory";

// SubControls nest at most this deep. Descriptor trees are freed recursively, so
// a document may not make them arbitrarily deep.
constexpr int kMaxSubControlDepth = 256;

bool Is(const WideString& name, std::u16string_view text) { return WideTextLess::View(name) == text; }

const WideString* Find(const XMLAttributes& attributes, std::u16string_view name) {
  const auto found = attributes.find(name);
  return found == attributes.end() ? nullptr : &found->second;
}

// The attribute's text, or the empty text when it is absent.
WideString TextOf(const XMLAttributes& attributes, std::u16string_view name) {
  const WideString* text = Find(attributes, name);
  return text ? *text : WideString();
}

// ---- Value syntax

// True only for the exact text "True".
bool ReadBoolean(const WideString& text) { return text.IsEqual(u"True"); }

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  if (c >= u'a' && c <= u'f')
    return c - u'a' + 10;
  if (c >= u'A' && c <= u'F')
    return c - u'A' + 10;
  return -1;
}

// A decimal number: leading blanks, a sign, digits up to the first other
// character; no digits give 0, and values beyond 32 bits saturate.
std::int32_t ReadDecimal(const WideString& text) { return text.ToInt(); }

// A lower-case "0x" and at most four hexadecimal digits, or a decimal number.
std::int32_t ReadInteger(const WideString& text) {
  const char16_t* p = text.GetChars();
  if (p[0] != u'0' || p[1] != u'x')
    return ReadDecimal(text);
  std::int32_t value = 0;
  p += 2;
  for (int i = 0; i < 4; ++i, ++p) {
    const int digit = HexDigit(*p);
    if (digit < 0)
      break;
    value = value * 16 + digit;
  }
  return value;
}

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A decimal real: leading blanks, a sign, digits with an optional point, and an
// optional exponent, up to the first character that does not fit; no number
// gives 0, and so does a value beyond the float range. Nothing else the C runtime would read (hexadecimal,
// "inf", "nan").
float ReadReal(const WideString& text) {
  const char16_t* p = text.GetChars();
  while (IsBlank(*p))
    ++p;
  std::u16string number;
  if (*p == u'+' || *p == u'-')
    number.push_back(*p++);
  bool digits = false;
  for (; IsDigit(*p); ++p, digits = true)
    number.push_back(*p);
  if (*p == u'.') {
    number.push_back(*p++);
    for (; IsDigit(*p); ++p, digits = true)
      number.push_back(*p);
  }
  if (!digits)
    return 0;
  if (*p == u'e' || *p == u'E') {
    const char16_t* q = p + 1;
    if (*q == u'+' || *q == u'-')
      ++q;
    if (IsDigit(*q)) {
      while (IsDigit(*q))
        ++q;
      number.append(p, q);
    }
  }
  const double value = WideString(number.c_str()).ToDouble();
  // Beyond the float range there is no usable number (an infinity turns into NaN in the layout's arithmetic):
  // it reads as no number at all.
  if (!(std::fabs(value) <= std::numeric_limits<float>::max()))
    return 0;
  return static_cast<float>(value);
}

// A decimal number kept as a double: 16.5 reads 16.
double ReadAbsolute(const WideString& text) { return ReadDecimal(text); }

// Hexadecimal colour text over a colour of four zero channels.
Color ReadColor(const WideString& text) {
  Color color{};
  color.SetFromHexString(text.ToNarrow().GetChars());
  return color;
}

// "Parent" and "Screen", "Client" and "Active Window", else a control's name.
std::int32_t ReadPositionReference(const WideString& text, WideString& name) {
  if (text.IsEqual(u"Parent") || text.IsEqual(u"Screen"))
    return kPositionParent;
  if (text.IsEqual(u"Client") || text.IsEqual(u"Active Window"))
    return kPositionClient;
  name = text;
  return kPositionControl;
}

std::int32_t ReadSizeReference(const WideString& text, WideString& name) {
  if (text.IsEqual(u"Parent") || text.IsEqual(u"Screen"))
    return kSizeParent;
  if (text.IsEqual(u"Client") || text.IsEqual(u"Active Window"))
    return kSizeClient;
  if (text.IsEqual(u"Self"))
    return kSizeSelf;
  name = text;
  return kSizeControl;
}

// The layout attributes of a SubControl; topLevel when its parent is a root.
void ReadLayout(const XMLAttributes& a, bool topLevel, LLayoutDescriptor& layout) {
  if (const WideString* v = Find(a, u"ClipToParent"))
    layout.mClipToParent = ReadBoolean(*v);
  if (const WideString* v = Find(a, u"Z_Order"))
    layout.mZOrder = ReadDecimal(*v);
  // A top-level control has no siblings to tab to and is always created visible.
  if (!topLevel) {
    if (const WideString* v = Find(a, u"TabStop"))
      layout.mTabStop = ReadDecimal(*v);
    if (const WideString* v = Find(a, u"IsVisible"))
      layout.mVisible = ReadBoolean(*v);
  }
  if (const WideString* v = Find(a, u"LayoutOrder"))
    layout.mLayoutOrder = ReadInteger(*v);

  struct AxisNames {
    const char16_t* anchor;
    const char16_t* docked;
    const char16_t* positionTo;
    const char16_t* positionRel;
    const char16_t* positionAbs;
    const char16_t* sizeTo;
    const char16_t* sizeRel;
    const char16_t* sizeAbs;
    const char16_t* minTo;
    const char16_t* minRel;
    const char16_t* minAbs;
    const char16_t* maxTo;
    const char16_t* maxRel;
    const char16_t* maxAbs;
  };
  static constexpr AxisNames kAxes[2] = {
      {u"XPlacementAnchor", u"XIsDocked", u"XPositionToControl", u"XPositionRel", u"XPositionAbs",
       u"XSizeToControl", u"XSizeRel", u"XSizeAbs", u"XMinSizeToControl", u"XMinSizeRel", u"XMinSizeAbs",
       u"XMaxSizeToControl", u"XMaxSizeRel", u"XMaxSizeAbs"},
      {u"YPlacementAnchor", u"YIsDocked", u"YPositionToControl", u"YPositionRel", u"YPositionAbs",
       u"YSizeToControl", u"YSizeRel", u"YSizeAbs", u"YMinSizeToControl", u"YMinSizeRel", u"YMinSizeAbs",
       u"YMaxSizeToControl", u"YMaxSizeRel", u"YMaxSizeAbs"},
  };
  for (int axis = 0; axis < 2; ++axis) {
    const AxisNames& n = kAxes[axis];
    AxisPlacement& placement = layout.mPlacement[axis];
    if (const WideString* v = Find(a, n.anchor))
      placement.mAnchor = ReadReal(*v);
    if (const WideString* v = Find(a, n.docked))
      placement.mDocked = ReadBoolean(*v);
    if (const WideString* v = Find(a, n.positionTo))
      placement.mReference = ReadPositionReference(*v, placement.mReferenceName);
    if (const WideString* v = Find(a, n.positionRel))
      placement.mRelative = ReadReal(*v);
    if (const WideString* v = Find(a, n.positionAbs))
      placement.mAbsolute = ReadAbsolute(*v);

    SizeSpec& size = layout.mSize[axis];
    if (const WideString* v = Find(a, n.sizeTo))
      size.mReference = ReadSizeReference(*v, size.mReferenceName);
    if (const WideString* v = Find(a, n.sizeRel))
      size.mRelative = ReadReal(*v);
    if (const WideString* v = Find(a, n.sizeAbs))
      size.mAbsolute = ReadAbsolute(*v);

    const struct {
      SizeLimitSpec& limit;
      const char16_t* to;
      const char16_t* rel;
      const char16_t* abs;
    } limits[2] = {{layout.mMinSize[axis], n.minTo, n.minRel, n.minAbs},
                   {layout.mMaxSize[axis], n.maxTo, n.maxRel, n.maxAbs}};
    for (const auto& l : limits) {
      if (const WideString* v = Find(a, l.to)) {
        l.limit.mRelativeToControl = !v->IsEqual(u"Self");
        if (l.limit.mRelativeToControl)
          l.limit.mControlName = *v;
      }
      if (const WideString* v = Find(a, l.rel))
        l.limit.mRelative = ReadReal(*v);
      if (const WideString* v = Find(a, l.abs))
        l.limit.mAbsolute = ReadAbsolute(*v);
    }
  }

  if (const WideString* v = Find(a, u"TextDecoration"))
    layout.mTextDecoration = *v;
  if (const WideString* v = Find(a, u"TextOverflowXType")) {
    if (v->IsEqual(u"Clip"))
      layout.mTextOverflowX = kTextOverflowClip;
    else if (v->IsEqual(u"Expand"))
      layout.mTextOverflowX = kTextOverflowExpand;
    else if (v->IsEqual(u"Wrap"))
      layout.mTextOverflowX = kTextOverflowWrap;
  }
  if (const WideString* v = Find(a, u"TextOverflowYType")) {
    if (v->IsEqual(u"Clip"))
      layout.mTextOverflowY = kTextOverflowClip;
    else if (v->IsEqual(u"Expand"))
      layout.mTextOverflowY = kTextOverflowExpand;
  }
}

// Registers the object under name unless the name is taken: the first definition stays.
template <class Map, class Object>
void Register(Map& registry, const WideString& name, const Object& object) {
  registry.try_emplace(name, object);
}

template <class Map>
const typename Map::mapped_type* Lookup(const Map& registry, const WideString& name) {
  const auto found = registry.find(name);
  return found == registry.end() ? nullptr : &found->second;
}

} // namespace

// ---------------------------------------------------------------------------
// Dispatch

void LControlFactory::XMLStartElement(const WideString& name, const XMLAttributes& attributes) {
  // The document's root element, whatever its name.
  if (mSkipRoot) {
    mSkipRoot = false;
    return;
  }
  if (Is(name, u"Application")) {
    mApplicationName = TextOf(attributes, u"Name");
    return;
  }
  if (mStringMode)
    StringStartElement(name, attributes);
  else
    SkinStartElement(name, attributes);
}

void LControlFactory::XMLEndElement(const WideString& name) {
  if (mStringMode) {
    mCollecting = false;
    return;
  }
  SkinEndElement(name);
}

void LControlFactory::XMLCharacterData(const WideString& text) {
  if (mStringMode) {
    // Pieces of one text arrive apart: join them, keeping every character.
    if (mCollecting && mCurrentText)
      mCurrentText->AppendString(text);
    return;
  }
  if (mInCreateParam && mCurrentCreateParams) {
    // The whole text between the tags, however many pieces the parser makes of it.
    mCreateParamText.AppendString(text);
    static_cast<void>(mCurrentCreateParams->SetString(mCurrentStringId.GetChars(), mCreateParamText));
  }
}

// ---------------------------------------------------------------------------
// String tables

void LControlFactory::StringStartElement(const WideString& name, const XMLAttributes& attributes) {
  if (Is(name, u"StringTable")) {
    mCurrentTable = &mStringTables[TextOf(attributes, u"ID")];
    return;
  }
  // A String or Locale outside every StringTable has no table to go to.
  if (!mCurrentTable)
    return;
  if (Is(name, u"String")) {
    if (const WideString* id = Find(attributes, u"ID"))
      mCurrentStringId = *id;
    return;
  }
  if (Is(name, u"Locale")) {
    const WideString* lcid = Find(attributes, u"LCID");
    if (!lcid || ReadInteger(*lcid) != mLCID)
      return;
    ++mMatches;
    mCollecting = true;
    mCurrentText = &mCurrentTable->try_emplace(mCurrentStringId).first->second;
  }
}

// ---------------------------------------------------------------------------
// Skins

void LControlFactory::SkinStartElement(const WideString& name, const XMLAttributes& a) {
  if (Is(name, u"SubControl")) {
    StartSubControl(a);
  } else if (Is(name, u"Colorizers")) {
    mInColorizers = true;
  } else if (Is(name, u"Colorizer")) {
    StartColorizer(a);
  } else if (Is(name, u"Parts")) {
    mInParts = true;
  } else if (Is(name, u"Part")) {
    StartPart(a);
  } else if (Is(name, u"Looks")) {
    mInLooks = true;
  } else if (Is(name, u"Look")) {
    StartLook(a);
  } else if (Is(name, u"ClientPart")) {
    StartClientPart(a);
  } else if (Is(name, u"NonClientParts")) {
    mNonClientPartCounter = -1;
  } else if (Is(name, u"NonClientPart")) {
    StartNonClientPart(a);
  } else if (Is(name, u"TextProperties")) {
    StartTextProperties(a);
  } else if (Is(name, u"LookLists")) {
    mCurrentDescriptor = nullptr;
  } else if (Is(name, u"LookList")) {
    StartLookList(a);
  } else if (Is(name, u"Skins")) {
    mInSkins = true;
  } else if (Is(name, u"Skin")) {
    StartSkin(a);
  } else if (Is(name, u"FontLocale")) {
    if (const WideString* lcid = Find(a, u"LCID"))
      mFontLocale = ReadInteger(*lcid);
  } else if (Is(name, u"FontXLat")) {
    StartFontXLat(a);
  } else if (Is(name, u"CreateParamList")) {
    mCurrentCreateParams = MakeRCPtr<LStringTable>();
  } else if (Is(name, u"CreateParam")) {
    if (const WideString* id = Find(a, u"ID")) {
      mCurrentStringId = *id;
      mCreateParamText = WideString();
      mInCreateParam = true;
    }
  }
}

void LControlFactory::SkinEndElement(const WideString& name) {
  if (Is(name, u"SubControl")) {
    EndSubControl();
  } else if (Is(name, u"Skin")) {
    // The end of a top-level Skin; the end of a control's Skin changes nothing.
    if (mCurrentDescriptor && mCurrentDescriptor.Get() == CurrentRoot())
      mCurrentDescriptor = nullptr;
  } else if (Is(name, u"CreateParamList")) {
    if (mCurrentDescriptor)
      mCurrentDescriptor->SetCreateParams(mCurrentCreateParams);
  } else if (Is(name, u"CreateParam")) {
    mInCreateParam = false;
  } else if (Is(name, u"Looks")) {
    mInLooks = false;
  } else if (Is(name, u"Colorizers")) {
    mInColorizers = false;
  } else if (Is(name, u"Parts")) {
    mInParts = false;
  } else if (Is(name, u"Skins")) {
    mInSkins = false;
  }
}

void LControlFactory::StartColorizer(const XMLAttributes& a) {
  const WideString* name = Find(a, u"Name");
  const WideString* type = Find(a, u"ColorType");
  const WideString* color = Find(a, u"Color");
  if (!name || !type || !color)
    return;
  std::int32_t colorType = LColorizer::kSolidFill;
  if (type->IsEqual(u"LinearGradient"))
    colorType = LColorizer::kLinearGradient;
  else if (type->IsEqual(u"RadialGradient"))
    colorType = LColorizer::kRadialGradient;

  Color endColor{};
  float startX = 0;
  float startY = 0;
  float endX = 0;
  float endY = 0;
  if (colorType != LColorizer::kSolidFill) {
    const WideString* end = Find(a, u"GradientEndColor");
    const WideString* sx = Find(a, u"GradientStartX");
    const WideString* sy = Find(a, u"GradientStartY");
    const WideString* ex = Find(a, u"GradientEndX");
    const WideString* ey = Find(a, u"GradientEndY");
    if (end && sx && sy && ex && ey) {
      endColor = ReadColor(*end);
      startX = ReadReal(*sx);
      startY = ReadReal(*sy);
      endX = ReadReal(*ex);
      endY = ReadReal(*ey);
    } else {
      colorType = LColorizer::kSolidFill; // an incomplete gradient is a solid colour
    }
  }
  Register(mColorizers, *name,
           MakeRCPtr<LColorizer>(*name, colorType, ReadColor(*color), endColor, startX, startY, endX, endY));
}

void LControlFactory::StartPart(const XMLAttributes& a) {
  const WideString* name = Find(a, u"Name");
  const WideString* width = Find(a, u"Width");
  const WideString* height = Find(a, u"Height");
  const WideString* resize = Find(a, u"ResizeType");
  if (!name || !width || !height || !resize)
    return;
  std::int32_t resizeType = kResizeStretch;
  if (resize->IsEqual(u"Tile"))
    resizeType = kResizeTile;
  else if (resize->IsEqual(u"Center"))
    resizeType = kResizeCentre;
  const std::int32_t w = ReadInteger(*width);
  const std::int32_t h = ReadInteger(*height);

  ImageSource image;
  const WideString* file = Find(a, u"ImageFile");
  const WideString* imageX = Find(a, u"ImageLocX");
  const WideString* imageY = Find(a, u"ImageLocY");
  if (file && !file->IsEmpty() && imageX && imageY)
    image = ImageSource{mResourceFolder.Concat(file->ToLower()), ReadInteger(*imageX), ReadInteger(*imageY), w, h};

  RCPtr<LColorizer> colorizer;
  if (const WideString* colorizerName = Find(a, u"ColorizerName")) {
    if (const RCPtr<LColorizer>* found = Lookup(mColorizers, *colorizerName))
      colorizer = *found;
  }
  // Neither a picture nor a colour: nothing to draw.
  if (!colorizer && image.IsEmpty())
    return;

  const WideString* alpha = Find(a, u"ColorizerAlphaMod");
  const float alphaModifier = alpha ? ReadReal(*alpha) : 1.0f;

  ImageSource mask;
  const WideString* maskFile = Find(a, u"ColorizerMaskFile");
  const WideString* maskX = Find(a, u"MaskLocX");
  const WideString* maskY = Find(a, u"MaskLocY");
  if (maskFile && maskX && maskY)
    mask = ImageSource{mResourceFolder.Concat(*maskFile), ReadInteger(*maskX), ReadInteger(*maskY), w, h};

  Register(mParts, *name,
           MakeRCPtr<LVisualPartDescriptor>(*name, image, resizeType, colorizer, w, h, alphaModifier, mask));
}

void LControlFactory::StartLook(const XMLAttributes& a) {
  if (mInLooks) {
    const WideString* name = Find(a, u"Name");
    if (!name)
      return;
    // A taken name still makes the current look: what follows fills the unregistered one.
    mCurrentLook = MakeRCPtr<LLookDescriptor>(*name);
    Register(mLooks, *name, mCurrentLook);
    return;
  }
  // An entry of the open look list: slot Index is the look of visual state Index.
  if (!mCurrentLookList)
    return;
  const WideString* name = Find(a, u"Name");
  const WideString* indexText = Find(a, u"Index");
  if (!name || !indexText)
    return;
  const std::int32_t index = ReadDecimal(*indexText);
  if (index < 0 || static_cast<std::uint32_t>(index) >= mCurrentLookList->GetCount())
    return;
  if (const RCPtr<LLookDescriptor>* look = Lookup(mLooks, *name))
    mCurrentLookList->GetAt(static_cast<std::uint32_t>(index)) = *look;
}

void LControlFactory::StartClientPart(const XMLAttributes& a) {
  if (!mCurrentLook)
    return;
  const WideString* name = Find(a, u"Name");
  const WideString* left = Find(a, u"OffsetLeft");
  const WideString* top = Find(a, u"OffsetTop");
  const WideString* right = Find(a, u"OffsetRight");
  const WideString* bottom = Find(a, u"OffsetBottom");
  if (!name || !left || !top || !right || !bottom)
    return;
  const RCPtr<LVisualPartDescriptor>* part = Lookup(mParts, *name);
  if (!part)
    return;
  mCurrentLook->SetClientPart(MakeRCPtr<LDockedPart>(*part, kDockedAll, ReadInteger(*left), ReadInteger(*top),
                                                     ReadInteger(*right), ReadInteger(*bottom), false, 0, false,
                                                     0));
}

void LControlFactory::StartNonClientPart(const XMLAttributes& a) {
  if (!mCurrentLook)
    return;
  const WideString* name = Find(a, u"Name");
  if (!name)
    return;
  const RCPtr<LVisualPartDescriptor>* part = Lookup(mParts, *name);
  if (!part)
    return;
  std::int32_t mask = 0;
  std::int32_t offsets[4] = {0, 0, 0, 0};
  static constexpr struct {
    const char16_t* attribute;
    std::int32_t bit;
  } kEdges[4] = {{u"OffsetLeft", kDockedLeft},
                 {u"OffsetTop", kDockedTop},
                 {u"OffsetRight", kDockedRight},
                 {u"OffsetBottom", kDockedBottom}};
  for (int i = 0; i < 4; ++i) {
    if (const WideString* v = Find(a, kEdges[i].attribute)) {
      offsets[i] = ReadInteger(*v);
      mask |= kEdges[i].bit;
    }
  }
  const WideString* widthText = Find(a, u"Width");
  const WideString* heightText = Find(a, u"Height");
  const std::int32_t width = widthText ? ReadInteger(*widthText) : 0;
  const std::int32_t height = heightText ? ReadInteger(*heightText) : 0;
  mCurrentLook->AddNonClientPart(MakeRCPtr<LDockedPart>(*part, mask, offsets[0], offsets[1], offsets[2],
                                                        offsets[3], width > 0, width, height > 0, height));
  ++mNonClientPartCounter;
}

void LControlFactory::StartTextProperties(const XMLAttributes& a) {
  if (!mCurrentLook)
    return;
  static constexpr const char16_t* kNames[11] = {
      u"TextLeftRel", u"TextLeftAbs",   u"TextRightRel",  u"TextRightAbs", u"TextHAlign",        u"TextTopRel",
      u"TextTopAbs",  u"TextBottomRel", u"TextBottomAbs", u"TextVAlign",   u"TextForegroundPart"};
  const WideString* v[11];
  for (int i = 0; i < 11; ++i) {
    v[i] = Find(a, kNames[i]);
    if (!v[i])
      return;
  }
  const RCPtr<LVisualPartDescriptor>* part = Lookup(mParts, *v[10]);
  if (!part)
    return;
  mCurrentLook->SetTextProperties(ReadReal(*v[0]), ReadInteger(*v[1]), ReadReal(*v[2]), ReadInteger(*v[3]),
                                  ReadReal(*v[4]), ReadReal(*v[5]), ReadInteger(*v[6]), ReadReal(*v[7]),
                                  ReadInteger(*v[8]), ReadReal(*v[9]), *part);
}

void LControlFactory::StartLookList(const XMLAttributes& a) {
  const WideString* name = Find(a, u"Name");
  const WideString* countText = Find(a, u"NumLooks");
  if (!name || !countText)
    return;
  // A control descriptor without a skin has nowhere to take the list.
  if (mCurrentDescriptor && !mCurrentDescriptor->GetSkin())
    return;
  const std::int32_t count = ReadInteger(*countText);
  if (count < 0)
    return;
  if (const RCPtr<LLookList>* registered = Lookup(mLookLists, *name)) {
    // The first list of a name stays; the entries that follow change nothing.
    if (mCurrentDescriptor)
      mCurrentDescriptor->GetSkin()->mLookList = *registered;
    mCurrentLookList = nullptr;
    return;
  }
  mCurrentLookList = MakeRCPtr<LLookList>(static_cast<std::uint32_t>(std::min(count, kMaxLookListSize)));
  Register(mLookLists, *name, mCurrentLookList);
  if (mCurrentDescriptor)
    mCurrentDescriptor->GetSkin()->mLookList = mCurrentLookList;
}

void LControlFactory::StartSkin(const XMLAttributes& a) {
  const WideString* name = Find(a, u"Name");
  if (!name)
    return;
  RCPtr<LSkinDescriptor> skin = MakeRCPtr<LSkinDescriptor>(*name);
  if (!mCurrentDescriptor) {
    // A top-level skin: a root named after the application, its children the top-level controls.
    RCPtr<LControlDescriptor> root =
        MakeRCPtr<LControlDescriptor>(WideString(LControlDescriptor::kRootClass), mApplicationName, nullptr);
    const std::int32_t index = mTopLevelDescriptors.AddItem(root);
    if (index < 0)
      throw Exception<std::bad_alloc>();
    mCurrentDescriptor = root;
    mCurrentSkinIndex = static_cast<std::int32_t>(mTopLevelDescriptors.GetCount()) - 1;
    if (const WideString* v = Find(a, u"FontName"))
      skin->mFontName = *v;
    if (const WideString* v = Find(a, u"FontSize"))
      skin->mFontSize = ReadReal(*v);
    if (const WideString* v = Find(a, u"FontStyle"))
      skin->mFontStyle = ReadInteger(*v);
    mFontTranslations.clear();
  } else {
    // The skin of the SubControl being read takes its font attributes.
    const auto translated = mFontTranslations.find(mFontName);
    skin->mFontName = translated == mFontTranslations.end() ? mFontName : translated->second;
    skin->mFontSize = mFontSize;
    skin->mFontStyle = mFontStyle;
    skin->mFontInheritsFromParent = mFontInherits;
    skin->mFontSizeIsRelative = mFontSizeRelative;
    if (const WideString* list = Find(a, u"LookList")) {
      if (const RCPtr<LLookList>* found = Lookup(mLookLists, *list))
        skin->mLookList = *found;
    }
  }
  mCurrentDescriptor->SetSkin(skin);
}

void LControlFactory::StartFontXLat(const XMLAttributes& a) {
  if (mFontLocale != mLCID)
    return;
  if (!mCurrentDescriptor || !mCurrentDescriptor->GetSkin())
    return;
  const WideString name = TextOf(a, u"Name");
  const WideString replacement = TextOf(a, u"XLat");
  mFontTranslations.try_emplace(name, replacement);
  LSkinDescriptor& skin = *mCurrentDescriptor->GetSkin();
  if (skin.mFontName.EqualsString(name))
    skin.mFontName = replacement;
}

void LControlFactory::StartSubControl(const XMLAttributes& a) {
  const WideString* className = Find(a, u"Class");
  const WideString* name = Find(a, u"Name");
  if (!className || !name)
    ThrowException<std::runtime_error>("Bad Subcontrol Element", "QZ::LControlFactory::XMLStartElement",
                                       kSourcePath, 1089);
  // Before any top-level Skin, or after LookLists inside a SubControl: nothing to add it to.
  if (!mCurrentDescriptor)
    return;
  int depth = 0;
  for (const LControlDescriptor* d = mCurrentDescriptor.Get(); d; d = d->GetParent())
    ++depth;
  if (depth > kMaxSubControlDepth)
    ThrowException<std::runtime_error>("SubControls Nested Too Deep", "QZ::LControlFactory::XMLStartElement",
                                       kSourcePath, 1089);

  const bool topLevel = mCurrentDescriptor->GetClass().IsEqual(LControlDescriptor::kRootClass);
  RCPtr<LControlDescriptor> descriptor =
      MakeRCPtr<LControlDescriptor>(*className, *name, mCurrentDescriptor.Get());
  if (mCurrentDescriptor->AddChild(descriptor) < 0)
    throw Exception<std::bad_alloc>();
  mCurrentDescriptor = descriptor;

  RCPtr<LLayoutDescriptor> layout = MakeRCPtr<LLayoutDescriptor>();
  ReadLayout(a, topLevel, *layout);
  descriptor->SetLayout(layout);

  // The font attributes wait for the SubControl's own Skin.
  mFontInherits = false;
  mFontSizeRelative = false;
  mFontName = WideString();
  mFontSize = 0;
  mFontStyle = kNoFontStyle;
  if (const WideString* v = Find(a, u"FontInheritsFromParent"))
    mFontInherits = ReadBoolean(*v);
  if (const WideString* v = Find(a, u"FontSizeIsRelative"))
    mFontSizeRelative = ReadBoolean(*v);
  if (const WideString* v = Find(a, u"FontName"))
    mFontName = *v;
  if (const WideString* v = Find(a, u"FontSize"))
    mFontSize = ReadReal(*v);
  else
    mFontSizeRelative = false; // a relative size needs a size
  if (const WideString* v = Find(a, u"FontStyle"))
    mFontStyle = ReadInteger(*v);
}

void LControlFactory::EndSubControl() {
  // The SubControl was ignored, or the reader is not inside one.
  if (!mCurrentDescriptor || mCurrentDescriptor->IsRoot())
    return;
  // Children by ascending layout order; equal orders keep document order.
  RCPtrArray<LControlDescriptor>& children = mCurrentDescriptor->GetChildren();
  const std::uint32_t count = children.GetCount();
  if (count > 1) {
    auto orderOf = [&](std::uint32_t i) {
      const RCPtr<LLayoutDescriptor>& layout = children.GetAt(i)->GetLayout();
      return layout ? layout->mLayoutOrder : 0;
    };
    ArrayBuffer<std::uint32_t> order;
    ArrayUtils::SortIndecies(order, children, 0, count,
                             [&](std::uint32_t x, std::uint32_t y) { return orderOf(x) < orderOf(y); });
    RCPtrArray<LControlDescriptor> sorted(count);
    for (std::uint32_t i = 0; i < count; ++i)
      sorted.GetAt(i) = children.GetAt(order.GetAt(i));
    if (children.SetItems(sorted) < 0)
      throw Exception<std::bad_alloc>();
  }
  mCurrentDescriptor = mCurrentDescriptor->GetParent();
}

} // namespace QZ
