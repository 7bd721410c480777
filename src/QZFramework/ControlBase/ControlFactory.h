#pragma once
// LControlFactory: the one object that turns skin definitions into controls. It
// holds the control-class registry (class name to create function), the parsed
// skins (one root descriptor per top-level skin, the current skin index, and the
// registries of colourisers, parts, looks and look lists), the string tables of
// the selected language, and the state of its XML reader.
//
// Skin and string-table documents come from "QZXML" resources ("::" and the
// name) or from files, and are read with Expat by one flat reader: it acts on
// each start tag, end tag and piece of text by the element's name and a little
// state kept between events, so nesting is a convention of the documents that
// the reader does not check. Whatever the nesting, an element that would need
// state that is not there is ignored.
//
// Nothing is unloaded: a second document adds top-level skins and only the
// registry names that are still free (the first definition of a name stays),
// and string tables loaded again add entries and append to collected texts.
//
// UI thread only; no locks. The reader state makes a parse non-reentrant.

#include "QZFramework/ControlBase/ControlDescriptor.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/ControlBase/LookDescriptor.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Graphics/Colorizer.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>

namespace QZ {

class IRootWindow;
class LControl;

// Language identifiers the string-table fallback uses.
inline constexpr std::int32_t kLcidEnglish = 0x0009;
inline constexpr std::int32_t kLcidChineseTraditional = 0x7C04;

// The attributes of one start tag, by name.
using XMLAttributes = std::map<WideString, WideString, WideTextLess>;

class LControlFactory : public virtual LRefCountedObject {
public:
  // A LookList gives at most this many slots; a control builds one look per slot.
  static constexpr std::int32_t kMaxLookListSize = 256;

  explicit LControlFactory(const WideString& applicationName);
  ~LControlFactory() override;
  LControlFactory(const LControlFactory&) = delete;
  LControlFactory& operator=(const LControlFactory&) = delete;

  // ---- Loading

  // The start-up's loading: string tables first (the application's document,
  // then the framework's), then the skins. "::" reads the resources
  // "APP_STRINGS", "FRAMEWORK_STRINGS" and "APP_SKINS"; any other source is a
  // folder holding "StringTables.xml", "FrameworkStrings.xml" and "Skins.xml",
  // and becomes, with a separator, the resource folder of image paths. A
  // negative string-table result is returned at once; else the skins' result.
  [[nodiscard]] QZRESULT LoadResources(const WideString& source, std::int32_t lcid);

  // Reads a skin document ("::NAME" for a resource, else a file path): 0; E_FAIL
  // for a missing or empty document, a file error or a parse failure (what was
  // read before the failure stays); E_OUTOFMEMORY. The current skin index is 0
  // afterwards.
  [[nodiscard]] QZRESULT LoadSkins(const WideString& source);
  // The same for a document already in memory.
  [[nodiscard]] QZRESULT LoadSkinsFromText(std::span<const std::uint8_t> document);

  // Reads the two string-table documents in one language, decided by the first
  // document: lcid, else its related language, else English; the second
  // document is read in that language, else English. 0, or E_OUTOFMEMORY. A
  // missing or empty document is skipped; a malformed one keeps what was
  // collected before the error, which is logged. A file whose length or
  // contents cannot be read raises the file's exception.
  [[nodiscard]] QZRESULT LoadStringTables(const WideString& first, const WideString& second, std::int32_t lcid);
  // The passes over two documents already in memory (either may be empty).
  void LoadStringTablesFromText(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second,
                                std::int32_t lcid);

  // Parses one document with the reader in its current mode: 0, or E_FAIL. A
  // length of 0 reads a zero-terminated text. On a parser error the parser's
  // message and line become the last XML error; an exception from the reader
  // (a SubControl without Class or Name) ends the parse with E_FAIL and leaves
  // the last XML error as it was.
  [[nodiscard]] QZRESULT Parse(const char* text, std::int32_t length);

  // ---- Control classes

  // Registers a class's create function; a class registered already keeps its
  // first function. 0.
  QZRESULT RegisterControlCreateFunction(const WideString& className, ControlCreateFunction function);
  // 0 and the function written; raises "Runtime Error : ...GetControlCreateFunction..."
  // for an unregistered class, writing nothing.
  QZRESULT GetControlCreateFunction(const WideString& className, ControlCreateFunction& function) const;
  // The descriptor's create function, looked up on first use and cached in it
  // (an unregistered class raises and caches nothing). May be null for a class
  // registered with a null function.
  ControlCreateFunction ResolveCreateFunction(LControlDescriptor& descriptor) const;

  // ---- Controls (defined with the control base)

  // A control of the descriptor's class under parent; null for a null
  // descriptor or when the class's function is null. An unregistered class raises.
  RCPtr<LControl> CreateControl(const RCPtr<LControlDescriptor>& descriptor, const RCPtr<LControl>& parent);
  // The top-level control of that name in the current skin, created visible and
  // attached to the root window (which may be null); null when there is none.
  RCPtr<LControl> CreateTopLevelControl(const WideString& name, const RCPtr<IRootWindow>& rootWindow);
  // Rebuilds the control in place from the current skin's top-level descriptor
  // of its name; E_FAIL for a null control or a name the skin lacks.
  QZRESULT ApplySkinToControl(RCPtr<LControl>& control);
  // The table of a control named name under parent (null for a top-level
  // control); none for a parent that was not built from a descriptor.
  RCPtr<LStringTable> GetStringTableForControl(const RCPtr<LControl>& parent, const WideString& name) const;

  // ---- Skins

  // The top-level descriptor of that name in the current skin, searched from
  // the last to the first; the shared null descriptor when there is none.
  const RCPtr<LControlDescriptor>& FindTopLevelDescriptor(const WideString& name) const;
  // A clone of the template named newName with the given layout (shared, not
  // copied); it shares the template's children, skin and parameters. Null for
  // a null template.
  [[nodiscard]] RCPtr<LControlDescriptor> CloneDescriptor(const RCPtr<LControlDescriptor>& templateDescriptor,
                                                          const RCPtr<LLayoutDescriptor>& layout,
                                                          const WideString& newName) const;
  // The current skin's font: the name when not empty, the size when at least 1,
  // the style when not kNoFontStyle. 0 when one was written, 1 when none was.
  QZRESULT GetSkinFont(WideString& name, float& size, std::int32_t& style) const;

  const RCPtrArray<LControlDescriptor>& GetTopLevelDescriptors() const { return mTopLevelDescriptors; }
  std::int32_t GetCurrentSkinIndex() const { return mCurrentSkinIndex; }
  // Selects a top-level skin; E_INVALIDARG (and the index unchanged) for one
  // the loaded skins do not have.
  QZRESULT SetCurrentSkinIndex(std::int32_t index);

  // The registries; the shared null pointer for an unknown name.
  const RCPtr<LColorizer>& FindColorizer(const WideString& name) const;
  const RCPtr<LVisualPartDescriptor>& FindPart(const WideString& name) const;
  const RCPtr<LLookDescriptor>& FindLook(const WideString& name) const;
  const RCPtr<LLookList>& FindLookList(const WideString& name) const;

  // ---- String tables

  // New copies of the tables; null when there is none.
  RCPtr<LStringTable> GetFrameworkStringTable() const;
  RCPtr<LStringTable> GetApplicationStringTable() const;
  // The table of a control named name whose parent was built from
  // parentDescriptor ("<parent class>|<name>"), or of a top-level control when
  // parentDescriptor is null ("<application name>|<name>").
  RCPtr<LStringTable> GetStringTableForParentDescriptor(const LControlDescriptor* parentDescriptor,
                                                        const WideString& name) const;

  // ---- State

  const WideString& GetApplicationName() const { return mApplicationName; }
  // The language the string tables settled on; FontXLat elements compare with it.
  std::int32_t GetLCID() const { return mLCID; }
  const WideString& GetResourceFolder() const { return mResourceFolder; }
  void SetResourceFolder(const WideString& folder) { mResourceFolder = folder; }
  // The parser's message and line of the last failed parse.
  const WideString& GetLastXMLError() const { return mLastXMLError; }
  std::int32_t GetLastXMLErrorLine() const { return mLastXMLErrorLine; }

  // ---- Reader handlers, called by the parse for each event in document order

  void XMLStartElement(const WideString& name, const XMLAttributes& attributes);
  void XMLEndElement(const WideString& name);
  void XMLCharacterData(const WideString& text);
  // Whether character data would change anything now (the parse skips the rest).
  bool WantsCharacterData() const { return mStringMode ? mCollecting : mInCreateParam; }

private:
  using StringTables = std::map<WideString, LStringTable::Entries, WideTextLess>;
  struct Document;

  // Reads a source into memory; E_OUTOFMEMORY, or 0 with a possibly empty
  // document. A file whose length or contents cannot be read raises.
  QZRESULT ReadSource(const WideString& source, Document& document) const;
  QZRESULT ParseDocument(const char* text, std::size_t length);
  // One string-table pass: the document read collecting lcid; the matches.
  std::int32_t StringTablePass(std::span<const std::uint8_t> document, std::int32_t lcid);
  // The first document's passes (lcid, related language, English); the language
  // they settled on (lcid for an empty document).
  std::int32_t FirstDocumentPasses(std::span<const std::uint8_t> document, std::int32_t lcid);
  // The second document's passes: lcid, else English.
  void SecondDocumentPasses(std::span<const std::uint8_t> document, std::int32_t lcid);
  RCPtr<LStringTable> CopyTable(const WideString& id) const;
  const LControlDescriptor* CurrentRoot() const;

  void SkinStartElement(const WideString& name, const XMLAttributes& attributes);
  void SkinEndElement(const WideString& name);
  void StringStartElement(const WideString& name, const XMLAttributes& attributes);
  void StartColorizer(const XMLAttributes& attributes);
  void StartPart(const XMLAttributes& attributes);
  void StartLook(const XMLAttributes& attributes);
  void StartClientPart(const XMLAttributes& attributes);
  void StartNonClientPart(const XMLAttributes& attributes);
  void StartTextProperties(const XMLAttributes& attributes);
  void StartLookList(const XMLAttributes& attributes);
  void StartSkin(const XMLAttributes& attributes);
  void StartFontXLat(const XMLAttributes& attributes);
  void StartSubControl(const XMLAttributes& attributes);
  void EndSubControl();

  WideString mApplicationName;
  std::int32_t mLCID = 0;
  WideString mResourceFolder;
  RCPtrArray<LControlDescriptor> mTopLevelDescriptors;
  std::int32_t mCurrentSkinIndex = 0;
  std::map<WideString, ControlCreateFunction, WideTextLess> mCreateFunctions;
  StringTables mStringTables;

  // Reader state.
  bool mSkipRoot = false;
  bool mStringMode = false;
  bool mInCreateParam = false;
  LStringTable::Entries* mCurrentTable = nullptr; // into mStringTables
  WideString* mCurrentText = nullptr;             // into *mCurrentTable
  WideString mCurrentStringId;                    // a String's ID, or a CreateParam's
  WideString mCreateParamText;                    // every piece of the open CreateParam
  bool mCollecting = false;
  std::int32_t mMatches = 0;
  RCPtr<LControlDescriptor> mCurrentDescriptor;
  RCPtr<LLookDescriptor> mCurrentLook;
  RCPtr<LLookList> mCurrentLookList;
  RCPtr<LStringTable> mCurrentCreateParams;
  std::int32_t mNonClientPartCounter = 0;
  bool mInColorizers = false;
  bool mInParts = false;
  bool mInLooks = false;
  bool mInSkins = false;
  std::map<WideString, RCPtr<LColorizer>, WideTextLess> mColorizers;
  std::map<WideString, RCPtr<LVisualPartDescriptor>, WideTextLess> mParts;
  std::map<WideString, RCPtr<LLookDescriptor>, WideTextLess> mLooks;
  std::map<WideString, RCPtr<LLookList>, WideTextLess> mLookLists;
  // Font attributes of the SubControl read last, for its Skin.
  WideString mFontName;
  float mFontSize = 0;
  std::int32_t mFontStyle = kNoFontStyle;
  bool mFontInherits = false;
  bool mFontSizeRelative = false;
  // Font name to replacement, for the top-level skin being read.
  std::map<WideString, WideString, WideTextLess> mFontTranslations;
  std::int32_t mFontLocale = -1; // none yet: no FontXLat applies

  WideString mLastXMLError;
  std::int32_t mLastXMLErrorLine = 0;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LControlFactory, "class QZ::LControlFactory")
