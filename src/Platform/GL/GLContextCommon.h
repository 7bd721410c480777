#pragma once
// What the context implementations share; not for use outside this folder.

#include "Platform/GL/GLContext.h"

namespace QZ::Platform::detail {

// Fills the version, renderer and extension texts from the current context.
void ReadContextStrings(GLContextObtained& obtained);

inline void SetStatus(GLStatus* status, GLStatus value) {
  if (status != nullptr)
    *status = value;
}

} // namespace QZ::Platform::detail
