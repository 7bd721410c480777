#pragma once
// Reads the family and subfamily names out of a TrueType font file or
// collection: the offset table (or the collection header and its font
// offsets), the table directory, and the naming table's English records
// (platform 1 language 0, or platform 3 language 0x0409; name id 1 family,
// 2 subfamily). Glyph data is never read.
//
// Every read is bounded by the file's length: a file too short for its header
// or its collection's offset list yields nothing, and a font, table directory,
// naming table or string that runs past the end is skipped. Nothing is
// allocated beyond what the file can hold. Errors of the byte source itself
// (an operating-system read failure) propagate as its exceptions.
//
// No state; any thread.

#include <cstdint>
#include <string>
#include <vector>

namespace QZ {

// Where the reader takes its bytes from.
class IFontByteSource {
public:
  virtual ~IFontByteSource() = default;
  virtual std::uint64_t GetLength() = 0;
  // Up to count bytes at offset; the number read, fewer only at the end.
  virtual std::uint32_t ReadAt(void* buffer, std::uint32_t count, std::uint64_t offset) = 0;
};

// One family and subfamily found together in a font's naming table. The
// subfamily is lower-cased (ASCII letters).
struct SFontName {
  std::u16string mFamily;
  std::u16string mSubfamily;
};

inline constexpr std::uint32_t kTrueTypeCollectionTag = 0x74746366; // "ttcf"

// Appends every family and subfamily pair the file registers, in file order.
// Within one font, a pair is complete as soon as both names are known; both
// slots then start empty again, so later records of the font may add another.
void ReadFontNames(IFontByteSource& source, std::vector<SFontName>& names);

} // namespace QZ
