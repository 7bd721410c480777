#pragma once
// The map from a font to the TrueType file that holds it, for the FreeType
// text path. A scan of the system fonts folder reads the family and subfamily
// names of every ".ttf" and ".ttc" file and builds the font-file list: one
// record per family with up to four files (regular, bold, italic, bold
// italic). A font becomes a file id, the record's index times 4 plus the font's
// bold and italic bits, and FreeType opens faces by that id.
//
// The list and the map from font to record (which caches the family lookup and
// keeps both alive) are process-wide; the list is empty until the first scan
// and rebuilt by every scan, so file ids are valid until the next one. After a
// scan, records change only by the style fall-back of GetFileID. Used only on
// the thread that lays out and draws; nothing here is locked.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class LFontFileInfo : public virtual LRefCountedObject {
public:
  // Empties the map and the list, then rebuilds the list from the fonts folder:
  // S_OK, or E_FAIL (list empty) when the fonts folder cannot be determined.
  // Files that do not open, and truncated or malformed files and records, are
  // skipped; a read error of an open file propagates as the file's exception.
  static QZRESULT ScanFontFolder();
  // Appends a new empty record whose index is the list's length.
  [[nodiscard]] static RCPtr<LFontFileInfo> AddFontFile();
  // The file id of the font: its face's family, else the system font's family,
  // in the font's bold and italic style with the style fall-back; throws when
  // neither family is listed.
  static std::int32_t GetFileID(const ConstRCPtr<LFont>& font);
  // The path an id selects; a shared empty string for an id outside the list.
  static const WideString& GetFilePath(std::int32_t fileID);

  // Empties the map and the list.
  static void Clear();
  static std::uint32_t GetFileInfoCount();
  // The record at the index, or null.
  static RCPtr<LFontFileInfo> GetFileInfo(std::uint32_t index);

  // Index 0 regular, 1 bold, 2 italic, 3 bold italic.
  const WideString& GetPath(std::int32_t styleIndex) const;
  void SetPath(std::int32_t styleIndex, const WideString& path);

  WideString mFamilyName;
  WideString mRegularPath;
  WideString mBoldPath;
  WideString mItalicPath;
  WideString mBoldItalicPath;
  std::int32_t mIndex = 0;

protected:
  LFontFileInfo() = default;
  ~LFontFileInfo() override = default;

private:
  WideString* PathSlot(std::int32_t styleIndex);
};

} // namespace QZ
