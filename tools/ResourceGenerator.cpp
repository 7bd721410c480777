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
