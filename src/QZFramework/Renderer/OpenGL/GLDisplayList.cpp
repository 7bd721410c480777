#include "QZFramework/Renderer/OpenGL/GLDisplayList.h"

#include "QZFramework/Renderer/OpenGL/GLErrors.h"

#include <GL/gl.h>

namespace QZ {

namespace {

bool IsListName(std::int64_t name) {
  return name >= 0 && name <= UINT32_MAX && glIsList(static_cast<GLuint>(name)) == GL_TRUE;
}

} // namespace

RCPtr<LGLDisplayList> LGLDisplayList::Create(std::int32_t count) {
  if (count == 0)
    return RCPtr<LGLDisplayList>();
  return MakeRCPtr<LGLDisplayList>(count);
}

LGLDisplayList::~LGLDisplayList() {
  if (mBase != -1 && IsListName(mBase)) {
    glDeleteLists(static_cast<GLuint>(mBase), mCount);
    DrainGLErrors();
  }
  mBase = -1;
}

QZRESULT LGLDisplayList::BeginCompile(std::int32_t index) {
  if (mBase == -1) {
    const GLuint base = glGenLists(mCount);
    mBase = base == 0 ? -1 : static_cast<std::int32_t>(base);
    DrainGLErrors(); // a count OpenGL refuses raises an error
  }
  if (mBase == -1 || !IsListName(mBase))
    return E_FAIL;
  glNewList(static_cast<GLuint>(std::int64_t{mBase} + index), GL_COMPILE);
  DrainGLErrors();
  return S_OK;
}

QZRESULT LGLDisplayList::EndCompile() {
  if (mBase == -1 || !IsListName(mBase))
    return E_FAIL;
  glEndList();
  DrainGLErrors();
  return S_OK;
}

QZRESULT LGLDisplayList::Call(std::uint32_t start, std::uint32_t count) {
  if (mBase == -1)
    return E_FAIL;
  // In 64 bits, so that a start near the top cannot wrap back into the range.
  if (std::uint64_t{start} + count > static_cast<std::uint64_t>(std::int64_t{mCount} < 0 ? 0 : mCount))
    return E_INVALIDARG;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::int64_t name = std::int64_t{mBase} + start + i;
    if (!IsListName(name))
      return E_FAIL;
    glCallList(static_cast<GLuint>(name));
    DrainGLErrors();
  }
  return S_OK;
}

} // namespace QZ
