#pragma once
// Minimal TrueType files and collections made in memory for the font-file
// tests: an offset table, a table directory of dummy tables and one naming
// table with the given records. All numbers big-endian.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace QZ::test {

using Bytes = std::vector<std::uint8_t>;

struct SNameRecordSpec {
  std::uint16_t platform = 3;
  std::uint16_t encoding = 1;
  std::uint16_t language = 0x0409;
  std::uint16_t nameID = 1;
  Bytes text;
};

inline void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v >> 8));
  b.push_back(static_cast<std::uint8_t>(v));
}

inline void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v >> 16);
  Put16(b, v & 0xFFFF);
}

inline void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v >> 24);
  b[at + 1] = static_cast<std::uint8_t>(v >> 16);
  b[at + 2] = static_cast<std::uint8_t>(v >> 8);
  b[at + 3] = static_cast<std::uint8_t>(v);
}

// A Windows (platform 3) record: UTF-16 big-endian.
inline SNameRecordSpec WinName(std::uint16_t nameID, const std::u16string& text, std::uint16_t language = 0x0409) {
  SNameRecordSpec r{3, 1, language, nameID, {}};
  for (char16_t c : text)
    Put16(r.text, c);
  return r;
}

// A Macintosh (platform 1) record: 8-bit text.
inline SNameRecordSpec MacName(std::uint16_t nameID, const std::string& text, std::uint16_t language = 0) {
  return {1, 0, language, nameID, Bytes(text.begin(), text.end())};
}

// The naming table alone.
inline Bytes NamingTable(const std::vector<SNameRecordSpec>& records) {
  Bytes t;
  Put16(t, 0);
  Put16(t, static_cast<std::uint32_t>(records.size()));
  Put16(t, static_cast<std::uint32_t>(6 + 12 * records.size()));
  std::uint32_t offset = 0;
  for (const SNameRecordSpec& r : records) {
    Put16(t, r.platform);
    Put16(t, r.encoding);
    Put16(t, r.language);
    Put16(t, r.nameID);
    Put16(t, static_cast<std::uint32_t>(r.text.size()));
    Put16(t, offset);
    offset += static_cast<std::uint32_t>(r.text.size());
  }
  for (const SNameRecordSpec& r : records)
    t.insert(t.end(), r.text.begin(), r.text.end());
  return t;
}

// One font whose first byte will stand at base in its file: the tables named in
// tags (each 4 dummy bytes), the one tagged nameTag holding the naming table.
inline Bytes FontAt(std::uint32_t base, const std::vector<SNameRecordSpec>& records,
                    const std::vector<std::string>& tags = {"cmap", "name"}) {
  Bytes f;
  Put32(f, 0x00010000);
  Put16(f, static_cast<std::uint32_t>(tags.size()));
  Put16(f, 0);
  Put16(f, 0);
  Put16(f, 0);
  const Bytes name = NamingTable(records);
  std::uint32_t data = base + 12 + 16 * static_cast<std::uint32_t>(tags.size());
  std::vector<Bytes> bodies;
  for (const std::string& tag : tags) {
    const bool isName = tag.size() == 4 && (tag == "name" || tag == "NAME" || tag == "Name");
    const Bytes body = isName ? name : Bytes{0, 0, 0, 0};
    for (std::size_t i = 0; i < 4; ++i)
      f.push_back(i < tag.size() ? static_cast<std::uint8_t>(tag[i]) : 0);
    Put32(f, 0);
    Put32(f, data);
    Put32(f, static_cast<std::uint32_t>(body.size()));
    data += static_cast<std::uint32_t>(body.size());
    bodies.push_back(body);
  }
  for (const Bytes& body : bodies)
    f.insert(f.end(), body.begin(), body.end());
  return f;
}

inline Bytes Font(const std::vector<SNameRecordSpec>& records,
                  const std::vector<std::string>& tags = {"cmap", "name"}) {
  return FontAt(0, records, tags);
}

// A collection of fonts, each given by its records; version 2 adds the three
// signature words after the offsets.
inline Bytes Collection(const std::vector<std::vector<SNameRecordSpec>>& fonts,
                        std::uint32_t version = 0x00010000) {
  Bytes c;
  Put32(c, 0x74746366);
  Put32(c, version);
  Put32(c, static_cast<std::uint32_t>(fonts.size()));
  const std::size_t offsetsAt = c.size();
  for (std::size_t i = 0; i < fonts.size(); ++i)
    Put32(c, 0);
  if (version == 0x00020000) {
    Put32(c, 0);
    Put32(c, 0);
    Put32(c, 0);
  }
  for (std::size_t i = 0; i < fonts.size(); ++i) {
    Set32(c, offsetsAt + 4 * i, static_cast<std::uint32_t>(c.size()));
    const Bytes font = FontAt(static_cast<std::uint32_t>(c.size()), fonts[i]);
    c.insert(c.end(), font.begin(), font.end());
  }
  return c;
}

inline std::vector<SNameRecordSpec> FamilyAndStyle(const std::u16string& family, const std::u16string& style) {
  return {WinName(1, family), WinName(2, style)};
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace QZ::test
