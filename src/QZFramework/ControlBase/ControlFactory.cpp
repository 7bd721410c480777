#include "QZFramework/ControlBase/ControlFactory.h"

#include "Platform/Resources/Resources.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/DebugOutput.h"
#include "QZFramework/Utilities/Storage/QZFile.h"
#include "QZFramework/Utilities/Storage/XmlFeed.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <utility>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "ControlBase\\ControlFactory";

// The resource type of skin and string-table documents.
constexpr const char* kDocumentResourceType = "QZXML";

bool IsResourceSource(const WideString& source) {
  const char16_t* chars = source.GetChars();
  return chars[0] == u':' && chars[1] == u':';
}

// Chinese (Taiwan, Hong Kong, Macao) fall back to Chinese Traditional; every
// other language to its primary language.
std::int32_t RelatedLanguage(std::int32_t lcid) {
  if (lcid == 0x0404 || lcid == 0x0C04 || lcid == 0x1404)
    return kLcidChineseTraditional;
  return lcid & 0xFF;
}

// One parse: the factory, its parser, and whether a handler raised.
struct ParseContext {
  LControlFactory* factory;
  XML_Parser parser;
  bool handlerFailed = false;

  // No exception may cross the parser's C frames: a handler's exception stops
  // the parse.
  template <class F>
  static void Guard(void* userData, F&& handler) {
    auto* context = static_cast<ParseContext*>(userData);
    if (context->handlerFailed)
      return;
    try {
      handler(*context->factory);
    } catch (...) {
      context->handlerFailed = true;
      XML_StopParser(context->parser, XML_FALSE);
    }
  }

  static void XMLCALL OnStart(void* userData, const XML_Char* name, const XML_Char** attributes) {
    Guard(userData, [&](LControlFactory& factory) {
      XMLAttributes map;
      for (const XML_Char** a = attributes; a && a[0] && a[1]; a += 2)
        map.insert_or_assign(WideString(a[0]), WideString(a[1]));
      factory.XMLStartElement(WideString(name), map);
    });
  }

  static void XMLCALL OnEnd(void* userData, const XML_Char* name) {
    Guard(userData, [&](LControlFactory& factory) { factory.XMLEndElement(WideString(name)); });
  }

  static void XMLCALL OnText(void* userData, const XML_Char* text, int length) {
    Guard(userData, [&](LControlFactory& factory) {
      if (length <= 0 || !factory.WantsCharacterData())
        return;
      WideString piece;
      piece.ConvertFromNarrow(text, length);
      factory.XMLCharacterData(piece);
    });
  }
};

} // namespace

struct LControlFactory::Document {
  std::span<const std::uint8_t> bytes;
  std::unique_ptr<std::uint8_t[]> owned; // a file's contents; resources are read in place
};

LControlFactory::LControlFactory(const WideString& applicationName) : mApplicationName(applicationName) {}

LControlFactory::~LControlFactory() = default;

// ---------------------------------------------------------------------------
// Loading

QZRESULT LControlFactory::LoadResources(const WideString& source, std::int32_t lcid) {
  WideString first;
  WideString second;
  WideString skins;
  if (source.IsEqual(u"::")) {
    mResourceFolder = source;
    first = u"::APP_STRINGS";
    second = u"::FRAMEWORK_STRINGS";
    skins = u"::APP_SKINS";
  } else {
    mResourceFolder = source.Concat(WideString(kPathSeparator));
    first = mResourceFolder.Concat(WideString(u"StringTables.xml"));
    second = mResourceFolder.Concat(WideString(u"FrameworkStrings.xml"));
    skins = mResourceFolder.Concat(WideString(u"Skins.xml"));
  }
  const QZRESULT strings = LoadStringTables(first, second, lcid);
  if (QZ_FAILED(strings))
    return strings;
  return LoadSkins(skins);
}

QZRESULT LControlFactory::ReadSource(const WideString& source, Document& document) const {
  if (IsResourceSource(source)) {
    // "::app skins.xml" names APP_SKINS_XML.
    WideString name = source.MidToEnd(2).ToUpper();
    name.ReplaceChars(u". ", u'_');
    std::span<const std::uint8_t> bytes;
    if (Platform::FindResource(kDocumentResourceType, name.ToNarrow().GetChars(), bytes))
      document.bytes = bytes;
    return S_OK;
  }
  if (source.IsEmpty())
    return S_OK; // names no file
  File file(source, WideString(), File::kRead);
  const std::uint32_t length = file.GetLength(); // 0 when the file did not open
  if (length == 0)
    return S_OK;
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[length]);
  if (!buffer) {
    file.Close();
    return E_OUTOFMEMORY;
  }
  std::uint32_t have = 0;
  while (have < length) {
    const std::int32_t read = file.Read(buffer.get() + have, length - have);
    if (read <= 0)
      break; // the file shrank: what was there is the document
    have += static_cast<std::uint32_t>(read);
  }
  file.Close();
  document.owned = std::move(buffer);
  document.bytes = {document.owned.get(), have};
  return S_OK;
}

QZRESULT LControlFactory::LoadSkins(const WideString& source) {
  Document document;
  try {
    const QZRESULT read = ReadSource(source, document);
    if (QZ_FAILED(read))
      return read;
  } catch (const std::exception&) {
    return E_FAIL;
  }
  return LoadSkinsFromText(document.bytes);
}

QZRESULT LControlFactory::LoadSkinsFromText(std::span<const std::uint8_t> document) {
  // An empty document is no document: there is nothing to parse.
  if (document.empty())
    return E_FAIL;
  mStringMode = false;
  mInCreateParam = false;
  mInColorizers = false;
  mInParts = false;
  mInLooks = false;
  mInSkins = false;
  mCurrentDescriptor = nullptr;
  const QZRESULT result = ParseDocument(reinterpret_cast<const char*>(document.data()), document.size());
  mCurrentSkinIndex = 0;
  return result;
}

std::int32_t LControlFactory::StringTablePass(std::span<const std::uint8_t> document, std::int32_t lcid) {
  mStringMode = true;
  mLCID = lcid;
  mCollecting = false;
  mMatches = 0;
  mCurrentTable = nullptr;
  mCurrentText = nullptr;
  mCurrentStringId = WideString();
  if (QZ_FAILED(ParseDocument(reinterpret_cast<const char*>(document.data()), document.size()))) {
    // What was collected before the error stays; loading goes on.
    DebugOutput::GetNarrowTarget() << "String table: " << mLastXMLError.ToNarrow().GetChars() << " (line "
                                   << mLastXMLErrorLine << ")\n"
                                   << std::flush;
  }
  mCollecting = false;
  mCurrentText = nullptr;
  return mMatches;
}

std::int32_t LControlFactory::FirstDocumentPasses(std::span<const std::uint8_t> document, std::int32_t lcid) {
  if (document.empty())
    return lcid;
  if (StringTablePass(document, lcid) > 0)
    return lcid;
  const std::int32_t related = RelatedLanguage(lcid);
  if (StringTablePass(document, related) > 0)
    return related;
  StringTablePass(document, kLcidEnglish);
  return kLcidEnglish;
}

void LControlFactory::SecondDocumentPasses(std::span<const std::uint8_t> document, std::int32_t lcid) {
  if (document.empty())
    return;
  if (StringTablePass(document, lcid) == 0)
    StringTablePass(document, kLcidEnglish);
}

QZRESULT LControlFactory::LoadStringTables(const WideString& first, const WideString& second, std::int32_t lcid) {
  // Defined even when the first document is missing: the second is then read in lcid first.
  mLCID = lcid;
  std::int32_t inEffect = lcid;
  {
    Document document;
    const QZRESULT read = ReadSource(first, document);
    if (QZ_FAILED(read))
      return read;
    inEffect = FirstDocumentPasses(document.bytes, lcid);
  }
  Document document;
  const QZRESULT read = ReadSource(second, document);
  if (QZ_FAILED(read))
    return read;
  SecondDocumentPasses(document.bytes, inEffect);
  return S_OK;
}

void LControlFactory::LoadStringTablesFromText(std::span<const std::uint8_t> first,
                                               std::span<const std::uint8_t> second, std::int32_t lcid) {
  mLCID = lcid;
  SecondDocumentPasses(second, FirstDocumentPasses(first, lcid));
}

QZRESULT LControlFactory::Parse(const char* text, std::int32_t length) {
  if (!text || length < 0)
    return E_FAIL;
  return ParseDocument(text, length == 0 ? std::strlen(text) : static_cast<std::size_t>(length));
}

QZRESULT LControlFactory::ParseDocument(const char* text, std::size_t length) {
  mSkipRoot = true;
  // No forced encoding: the declaration or byte-order mark decides (the skins
  // are UTF-8, the string tables UTF-16); the handlers receive UTF-8.
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr), XML_ParserFree);
  if (!parser)
    return E_FAIL;
  ParseContext context{this, parser.get()};
  XML_SetUserData(parser.get(), &context);
  XML_SetElementHandler(parser.get(), &ParseContext::OnStart, &ParseContext::OnEnd);
  XML_SetCharacterDataHandler(parser.get(), &ParseContext::OnText);

  const bool ok = FeedWholeDocument(parser.get(), std::string_view(text, length));

  if (context.handlerFailed)
    return E_FAIL; // the reader's own error; the last XML error stays as it was
  if (!ok) {
    const char* message = XML_ErrorString(XML_GetErrorCode(parser.get()));
    mLastXMLError = WideString(message ? message : "unknown error");
    const XML_Size line = XML_GetCurrentLineNumber(parser.get());
    mLastXMLErrorLine = line > static_cast<XML_Size>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(line);
    return E_FAIL;
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Control classes

QZRESULT LControlFactory::RegisterControlCreateFunction(const WideString& className,
                                                        ControlCreateFunction function) {
  mCreateFunctions.try_emplace(className, function);
  return S_OK;
}

QZRESULT LControlFactory::GetControlCreateFunction(const WideString& className,
                                                   ControlCreateFunction& function) const {
  const auto found = mCreateFunctions.find(className);
  if (found == mCreateFunctions.end())
    ThrowException<std::runtime_error>("", "QZ::LControlFactory::GetControlCreateFunction", kSourcePath, 51);
  function = found->second;
  return S_OK;
}

ControlCreateFunction LControlFactory::ResolveCreateFunction(LControlDescriptor& descriptor) const {
  if (!descriptor.GetCreateFunction()) {
    ControlCreateFunction function = nullptr;
    static_cast<void>(GetControlCreateFunction(descriptor.GetClass(), function));
    descriptor.SetCreateFunction(function);
  }
  return descriptor.GetCreateFunction();
}

// ---------------------------------------------------------------------------
// Controls

RCPtr<LControl> LControlFactory::CreateControl(const RCPtr<LControlDescriptor>& descriptor,
                                               const RCPtr<LControl>& parent) {
  if (!descriptor)
    return RCPtr<LControl>();
  const ControlCreateFunction function = ResolveCreateFunction(*descriptor);
  if (!function)
    return RCPtr<LControl>();
  RCPtr<LControl> control;
  return function(control, parent, descriptor);
}

RCPtr<LControl> LControlFactory::CreateTopLevelControl(const WideString& name,
                                                       const RCPtr<IRootWindow>& rootWindow) {
  const RCPtr<LControlDescriptor>& descriptor = FindTopLevelDescriptor(name);
  if (!descriptor)
    return RCPtr<LControl>();
  // A top-level control is always created visible, whatever the skin says.
  if (const RCPtr<LLayoutDescriptor>& layout = descriptor->GetLayout())
    layout->mVisible = true;
  const ControlCreateFunction function = ResolveCreateFunction(*descriptor);
  if (!function)
    return RCPtr<LControl>();
  RCPtr<LControl> control;
  function(control, RCPtr<LControl>::sNull, descriptor);
  if (control)
    static_cast<void>(control->SetRootWindow(rootWindow));
  return control;
}

QZRESULT LControlFactory::ApplySkinToControl(RCPtr<LControl>& control) {
  if (!control)
    return E_FAIL;
  const RCPtr<LControlDescriptor>& descriptor = FindTopLevelDescriptor(control->GetName());
  if (!descriptor)
    return E_FAIL;
  return control->CreateChildrenFromDescriptor(descriptor);
}

RCPtr<LStringTable> LControlFactory::GetStringTableForControl(const RCPtr<LControl>& parent,
                                                              const WideString& name) const {
  if (!parent)
    return GetStringTableForParentDescriptor(nullptr, name);
  const RCPtr<LControlDescriptor>& parentDescriptor = parent->GetDescriptor();
  if (!parentDescriptor)
    return RCPtr<LStringTable>();
  return GetStringTableForParentDescriptor(parentDescriptor.Get(), name);
}

// ---------------------------------------------------------------------------
// Skins

const LControlDescriptor* LControlFactory::CurrentRoot() const {
  if (mCurrentSkinIndex < 0 || static_cast<std::uint32_t>(mCurrentSkinIndex) >= mTopLevelDescriptors.GetCount())
    return nullptr;
  return mTopLevelDescriptors.GetAt(static_cast<std::uint32_t>(mCurrentSkinIndex)).Get();
}

QZRESULT LControlFactory::SetCurrentSkinIndex(std::int32_t index) {
  if (index < 0 || static_cast<std::uint32_t>(index) >= mTopLevelDescriptors.GetCount())
    return E_INVALIDARG;
  mCurrentSkinIndex = index;
  return S_OK;
}

const RCPtr<LControlDescriptor>& LControlFactory::FindTopLevelDescriptor(const WideString& name) const {
  const LControlDescriptor* root = CurrentRoot();
  if (!root)
    return RCPtr<LControlDescriptor>::sNull;
  const RCPtrArray<LControlDescriptor>& children = root->GetChildren();
  for (std::uint32_t i = children.GetCount(); i-- > 0;) {
    const RCPtr<LControlDescriptor>& child = children.GetAt(i);
    if (child && child->GetName().EqualsString(name))
      return child;
  }
  return RCPtr<LControlDescriptor>::sNull;
}

RCPtr<LControlDescriptor> LControlFactory::CloneDescriptor(const RCPtr<LControlDescriptor>& templateDescriptor,
                                                           const RCPtr<LLayoutDescriptor>& layout,
                                                           const WideString& newName) const {
  if (!templateDescriptor)
    return RCPtr<LControlDescriptor>();
  RCPtr<LControlDescriptor> clone = templateDescriptor->Clone(WideString());
  clone->SetName(newName);
  clone->SetLayout(layout);
  return clone;
}

QZRESULT LControlFactory::GetSkinFont(WideString& name, float& size, std::int32_t& style) const {
  const LControlDescriptor* root = CurrentRoot();
  const LSkinDescriptor* skin = root ? root->GetSkin().Get() : nullptr;
  if (!skin)
    return S_FALSE;
  bool written = false;
  if (!skin->mFontName.IsEmpty()) {
    name = skin->mFontName;
    written = true;
  }
  if (skin->mFontSize >= 1.0f) {
    size = skin->mFontSize;
    written = true;
  }
  if (skin->mFontStyle != kNoFontStyle) {
    style = skin->mFontStyle;
    written = true;
  }
  return written ? S_OK : S_FALSE;
}

namespace {

template <class Map>
const typename Map::mapped_type& FindIn(const Map& map, const WideString& name) {
  const auto found = map.find(name);
  return found == map.end() ? Map::mapped_type::sNull : found->second;
}

} // namespace

const RCPtr<LColorizer>& LControlFactory::FindColorizer(const WideString& name) const {
  return FindIn(mColorizers, name);
}

const RCPtr<LVisualPartDescriptor>& LControlFactory::FindPart(const WideString& name) const {
  return FindIn(mParts, name);
}

const RCPtr<LLookDescriptor>& LControlFactory::FindLook(const WideString& name) const {
  return FindIn(mLooks, name);
}

const RCPtr<LLookList>& LControlFactory::FindLookList(const WideString& name) const {
  return FindIn(mLookLists, name);
}

// ---------------------------------------------------------------------------
// String tables

RCPtr<LStringTable> LControlFactory::CopyTable(const WideString& id) const {
  const auto found = mStringTables.find(id);
  if (found == mStringTables.end())
    return RCPtr<LStringTable>();
  return MakeRCPtr<LStringTable>(found->second);
}

RCPtr<LStringTable> LControlFactory::GetFrameworkStringTable() const {
  return CopyTable(WideString(u"Framework"));
}

RCPtr<LStringTable> LControlFactory::GetApplicationStringTable() const {
  return CopyTable(WideString(u"|").Concat(mApplicationName));
}

RCPtr<LStringTable> LControlFactory::GetStringTableForParentDescriptor(const LControlDescriptor* parentDescriptor,
                                                                       const WideString& name) const {
  const WideString& owner = parentDescriptor ? parentDescriptor->GetClass() : mApplicationName;
  return CopyTable(owner.Concat(WideString(u"|")).Concat(name));
}

} // namespace QZ
