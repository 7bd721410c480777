#include "Platform/GL/GLContext.h"

#include "Platform/GL/GLContextCommon.h"

#include <GL/gl.h>

#include <cstring>

namespace QZ::Platform {

bool HasExtensionToken(const char* list, const char* name) {
  if (list == nullptr || name == nullptr || *name == '\0' || std::strchr(name, ' ') != nullptr)
    return false;
  const std::size_t length = std::strlen(name);
  for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
    const bool startsWord = at == list || at[-1] == ' ';
    const bool endsWord = at[length] == '\0' || at[length] == ' ';
    if (startsWord && endsWord)
      return true;
  }
  return false;
}

namespace detail {

void ReadContextStrings(GLContextObtained& obtained) {
  auto text = [](GLenum name) {
    const GLubyte* value = glGetString(name);
    return value != nullptr ? std::string(reinterpret_cast<const char*>(value)) : std::string();
  };
  obtained.version = text(GL_VERSION);
  obtained.renderer = text(GL_RENDERER);
  obtained.extensions = text(GL_EXTENSIONS);
  while (glGetError() != GL_NO_ERROR) {
  }
}

} // namespace detail

} // namespace QZ::Platform
