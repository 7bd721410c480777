#pragma once
// OpenGL errors are mostly not reported by the drawing objects: each call
// sequence that can raise them ends by reading them until none is left, so that
// the next sequence starts clean. Uploads, whose failure would leave a texture
// without its pixels, take the first error instead and report it. Needs
// <GL/gl.h>; for the sources of this folder only.

#include <GL/gl.h>

namespace QZ {

inline void DrainGLErrors() {
  // Each error flag reads back once; the bound only guards against a lost
  // context, which may keep answering GL_CONTEXT_LOST.
  for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

// The first error flag set (GL_NO_ERROR when none), the others drained.
inline GLenum TakeGLError() {
  const GLenum first = glGetError();
  if (first != GL_NO_ERROR)
    DrainGLErrors();
  return first;
}

} // namespace QZ
