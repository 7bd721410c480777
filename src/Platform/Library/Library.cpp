#include "Platform/Library/Library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

namespace QZ::Platform {

LibraryHandle LoadSharedLibrary(const char* path) {
  if (!path || !*path)
    return nullptr;
  // Every symbol now, so a library with a missing dependency fails here rather
  // than at its first call; local, so its symbols stay its own.
  return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* FindLibrarySymbol(LibraryHandle library, const char* name) {
  if (!library || !name)
    return nullptr;
  return dlsym(library, name);
}

bool FreeSharedLibrary(LibraryHandle library) { return library && dlclose(library) == 0; }

std::string GetExecutablePath() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0)
      return {};
    if (static_cast<std::size_t>(n) < buffer.size())
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    if (buffer.size() >= 65536)
      return {};
    buffer.resize(buffer.size() * 2);
  }
}

} // namespace QZ::Platform
