// Writes the editor's generated resources; run by the build.
//
//   qz_resource_generator <output folder> <user guide text> <user guide PDF>
//
// The output folder receives Skins.xml, StringTables.xml and the pictures (PNG); the guide goes where the
// third argument says (beside the editor program). Exit code 0 on success, 1 for bad arguments, 2 when a
// file cannot be written.
#include "ResourceGenerator.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace QZ::Tools {

std::u16string Utf8ToUtf16(const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    std::uint32_t code = c;
    std::size_t length = 1;
    if (c >= 0xF0) {
      code = c & 0x07u;
      length = 4;
    } else if (c >= 0xE0) {
      code = c & 0x0Fu;
      length = 3;
    } else if (c >= 0xC0) {
      code = c & 0x1Fu;
      length = 2;
    }
    for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
      code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
    i += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (code >> 10));
      out += static_cast<char16_t>(0xDC00 | (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

bool WriteIfChanged(const std::filesystem::path& path, const std::string& bytes) {
  {
    std::ifstream in(path, std::ios::binary);
    if (in && std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) == bytes)
      return true;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

} // namespace QZ::Tools

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <output folder> <user guide text> <user guide PDF>\n", argv[0]);
    return 1;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "cannot make %s\n", folder.string().c_str());
    return 2;
  }
  const bool ok = QZ::Tools::WriteSkins(folder) && QZ::Tools::WriteStringTables(folder) &&
                  QZ::Tools::WritePictures(folder) && QZ::Tools::WriteUserGuide(argv[2], argv[3]);
  return ok ? 0 : 2;
}
