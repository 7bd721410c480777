#include "QZFramework/Renderer/FontRenderer/FontNameReader.h"

#include "QZFramework/Utilities/Storage/ConvertUTF.h"

#include <algorithm>
#include <cstring>

namespace QZ {

namespace {

constexpr std::uint32_t kHeaderSize = 12;      // tag or version, and two more words
constexpr std::uint32_t kTableRecordSize = 16; // tag, checksum, offset, length
constexpr std::uint32_t kNameHeaderSize = 6;   // format, record count, string storage offset
constexpr std::uint32_t kNameRecordSize = 12;  // platform, encoding, language, name id, length, offset

constexpr std::uint16_t kPlatformMacintosh = 1;
constexpr std::uint16_t kPlatformWindows = 3;
constexpr std::uint16_t kLanguageMacEnglish = 0;
constexpr std::uint16_t kLanguageWindowsUSEnglish = 0x0409;
constexpr std::uint16_t kNameFamily = 1;
constexpr std::uint16_t kNameSubfamily = 2;

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

class BoundedReader {
public:
  explicit BoundedReader(IFontByteSource& source) : mSource(source), mLength(source.GetLength()) {}

  // True with all count bytes at offset, false (and nothing read) when they do
  // not lie wholly inside the file or the file came up short.
  bool Read(std::vector<std::uint8_t>& bytes, std::uint64_t offset, std::uint64_t count) {
    if (offset > mLength || count > mLength - offset) {
      bytes.clear();
      return false;
    }
    bytes.resize(static_cast<std::size_t>(count));
    if (count == 0)
      return true;
    const std::uint32_t n = mSource.ReadAt(bytes.data(), static_cast<std::uint32_t>(count), offset);
    return n == count;
  }

  // Records of size that fit between offset and the end of the file, at most wanted.
  std::uint64_t Fitting(std::uint64_t offset, std::uint64_t size, std::uint64_t wanted) const {
    if (offset > mLength)
      return 0;
    return std::min(wanted, (mLength - offset) / size);
  }

private:
  IFontByteSource& mSource;
  std::uint64_t mLength;
};

// As the framework's narrow-to-wide conversion takes it: UTF-8, stopping at the
// first ill-formed sequence or zero.
std::u16string FromNarrow(const std::uint8_t* bytes, std::size_t length) {
  std::u16string text(length, u'\0');
  const char* from = reinterpret_cast<const char*>(bytes);
  char16_t* to = text.data();
  ConvertUTF8toUTF16(&from, from + length, &to, text.data() + text.size(), ConversionFlags::Lenient);
  text.resize(static_cast<std::size_t>(to - text.data()));
  return text.substr(0, text.find(u'\0'));
}

// UTF-16 big-endian, ending at the first zero.
std::u16string FromBigEndian16(const std::uint8_t* bytes, std::size_t length) {
  std::u16string text(length / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(Be16(bytes + 2 * i));
  return text.substr(0, text.find(u'\0'));
}

std::u16string LowerAscii(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return text;
}

void ReadNamingTable(BoundedReader& reader, std::uint64_t tableOffset, std::vector<SFontName>& names) {
  std::vector<std::uint8_t> header;
  if (!reader.Read(header, tableOffset, kNameHeaderSize))
    return;
  const std::uint16_t recordCount = Be16(header.data() + 2);
  const std::uint64_t storage = tableOffset + Be16(header.data() + 4);
  const std::uint64_t recordsAt = tableOffset + kNameHeaderSize;
  const std::uint64_t count = reader.Fitting(recordsAt, kNameRecordSize, recordCount);
  std::vector<std::uint8_t> records;
  if (!reader.Read(records, recordsAt, count * kNameRecordSize))
    return;

  std::u16string family;
  std::u16string subfamily;
  std::vector<std::uint8_t> bytes;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t* r = records.data() + i * kNameRecordSize;
    const std::uint16_t platform = Be16(r);
    const std::uint16_t language = Be16(r + 4);
    const std::uint16_t nameID = Be16(r + 6);
    const std::uint16_t length = Be16(r + 8);
    const std::uint16_t offset = Be16(r + 10);
    const bool english = (platform == kPlatformMacintosh && language == kLanguageMacEnglish) ||
                         (platform == kPlatformWindows && language == kLanguageWindowsUSEnglish);
    if (!english || (nameID != kNameFamily && nameID != kNameSubfamily))
      continue;
    if (!reader.Read(bytes, storage + offset, length))
      continue; // a string past the end of the file
    std::u16string text = platform == kPlatformMacintosh ? FromNarrow(bytes.data(), bytes.size())
                                                         : FromBigEndian16(bytes.data(), bytes.size());
    if (text.empty())
      continue;
    if (nameID == kNameFamily) {
      if (family.empty())
        family = std::move(text);
    } else if (subfamily.empty()) {
      subfamily = LowerAscii(std::move(text));
    }
    if (!family.empty() && !subfamily.empty()) {
      names.push_back({std::move(family), std::move(subfamily)});
      family.clear();
      subfamily.clear();
    }
  }
}

void ReadFont(BoundedReader& reader, std::uint64_t fontOffset, std::vector<SFontName>& names) {
  std::vector<std::uint8_t> offsetTable;
  if (!reader.Read(offsetTable, fontOffset, kHeaderSize))
    return;
  const std::uint16_t tableCount = Be16(offsetTable.data() + 4);
  const std::uint64_t directoryAt = fontOffset + kHeaderSize;
  const std::uint64_t count = reader.Fitting(directoryAt, kTableRecordSize, tableCount);
  std::vector<std::uint8_t> directory;
  if (!reader.Read(directory, directoryAt, count * kTableRecordSize))
    return;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t* record = directory.data() + i * kTableRecordSize;
    // The tag as 8-bit text ending at its first zero, lower-cased.
    char tag[5] = {};
    std::memcpy(tag, record, 4);
    if (tag[0] == 0)
      return;
    for (char& c : tag) {
      if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    }
    if (std::strcmp(tag, "name") == 0) {
      ReadNamingTable(reader, Be32(record + 8), names);
      return;
    }
  }
}

} // namespace

void ReadFontNames(IFontByteSource& source, std::vector<SFontName>& names) {
  BoundedReader reader(source);
  std::vector<std::uint8_t> header;
  if (!reader.Read(header, 0, kHeaderSize))
    return;
  if (Be32(header.data()) != kTrueTypeCollectionTag) {
    ReadFont(reader, 0, names);
    return;
  }
  // A collection: its font offsets follow the header (a version 2 header's
  // signature fields come after them and are not needed). A list longer than
  // the file is a broken file.
  const std::uint32_t count = Be32(header.data() + 8);
  std::vector<std::uint8_t> offsets;
  if (!reader.Read(offsets, kHeaderSize, std::uint64_t{count} * 4))
    return;
  for (std::uint32_t i = 0; i < count; ++i)
    ReadFont(reader, Be32(offsets.data() + 4 * std::size_t{i}), names);
}

} // namespace QZ
