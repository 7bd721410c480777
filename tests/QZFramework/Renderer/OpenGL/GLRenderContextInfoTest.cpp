#include "QZFramework/Renderer/OpenGL/GLRenderContextInfo.h"

#include "Support/HeadlessGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

namespace QZ {
namespace {

// A platform context that only counts what is asked of it.
class CountingGLContext : public Platform::GLContext {
public:
  bool MakeCurrent() override { return true; }
  bool Release() override { return true; }
  bool IsCurrent() const override { return false; }
  bool Swap() override {
    ++mSwaps;
    return true;
  }
  Platform::GLProcAddress GetProcAddress(const char*) const override { return nullptr; }

  int mSwaps = 0;
};

TEST(GLRenderContextInfo, MaxSurfaceSizeIsTheMaximumViewportOfTheCurrentContext) {
  test::HeadlessGL gl;
  ASSERT_TRUE(gl.IsReady());
  GLint dimensions[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dimensions);
  ASSERT_GT(dimensions[0], 0);

  const RectT<std::int32_t> viewport{0, 0, 320, 200};
  const RCPtr<LGLRenderContextInfo> context = MakeRCPtr<LGLRenderContextInfo>(viewport, nullptr, true, nullptr);
  EXPECT_EQ(context->GetMaxSurfaceSize(), (SizeT<std::int32_t>{dimensions[0], dimensions[1]}));
  EXPECT_EQ(context->mViewport, viewport);
  EXPECT_TRUE(context->mOffscreen);
  EXPECT_TRUE(context->mSavedStates.empty());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // With no context current the size stays 0 x 0.
  ASSERT_TRUE(gl.Context().Release());
  const RCPtr<LGLRenderContextInfo> unread = MakeRCPtr<LGLRenderContextInfo>(viewport, nullptr, false, nullptr);
  EXPECT_EQ(unread->GetMaxSurfaceSize(), (SizeT<std::int32_t>{0, 0}));
  EXPECT_TRUE(gl.Context().MakeCurrent());
}

TEST(GLRenderContextInfo, SwapsOnlyAWindowsContext) {
  int window = 0;
  struct Case {
    const char* name;
    bool offscreen;
    int swaps;
  };
  for (const Case& c : {Case{"window", false, 1}, Case{"off-screen", true, 0}}) {
    SCOPED_TRACE(c.name);
    const auto gl = std::make_shared<CountingGLContext>();
    const RCPtr<LGLRenderContextInfo> context =
        MakeRCPtr<LGLRenderContextInfo>(RectT<std::int32_t>{0, 0, 10, 10}, &window, c.offscreen, gl);
    EXPECT_EQ(context->GetGLContext(), gl.get());
    context->SwapLayerBuffers();
    EXPECT_EQ(gl->mSwaps, c.swaps);
  }
  // Without a platform context there is nothing to swap.
  MakeRCPtr<LGLRenderContextInfo>(RectT<std::int32_t>{0, 0, 10, 10}, &window, false, nullptr)->SwapLayerBuffers();
}

} // namespace
} // namespace QZ
