#pragma once
// An off-screen OpenGL context for tests, current on the calling thread while
// the object lives. Rendering is forced to Mesa's software rasteriser, so pixel
// results do not depend on the machine's GPU or on a display server. Link
// qz_platform_gl to use it.

#include "Platform/GL/GLContext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace QZ::test {

// Must run before the first EGL or SDL call of the process loads a driver.
inline void ForceSoftwareGL() { ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1); }

class HeadlessGL {
public:
  explicit HeadlessGL(std::int32_t width = 64, std::int32_t height = 64) {
    ForceSoftwareGL();
    Platform::GLStatus status = Platform::GLStatus::Ok;
    mContext = Platform::CreateOffscreenGLContext(width, height, Platform::GLContextWants{}, &status);
    EXPECT_EQ(status, Platform::GLStatus::Ok);
    if (mContext) {
      EXPECT_TRUE(mContext->MakeCurrent());
    }
  }
  ~HeadlessGL() = default;
  HeadlessGL(const HeadlessGL&) = delete;
  HeadlessGL& operator=(const HeadlessGL&) = delete;

  bool IsReady() const { return mContext != nullptr && mContext->IsCurrent(); }
  Platform::GLContext& Context() { return *mContext; }

private:
  std::unique_ptr<Platform::GLContext> mContext;
};

} // namespace QZ::test
