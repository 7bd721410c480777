#pragma once
// OpenGL errors are not reported by the drawing objects: each call sequence
// that can raise them ends by reading them until none is left, so that the next
// sequence starts clean. Needs <GL/gl.h>; for the sources of this folder only.

#include <GL/gl.h>

namespace QZ {

inline void DrainGLErrors() {
  // Each error flag reads back once; the bound only guards against a lost
  // context, which may keep answering GL_CONTEXT_LOST.
  for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

} // namespace QZ
