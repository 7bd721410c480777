#include "QZFramework/Renderer/D3D9Renderer.h"

#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Renderer/RendererTestSupport.h"

#include <gtest/gtest.h>

namespace QZ {
namespace {

using test::TestRenderContext;

TEST(RenderContextInfo, ANewContextHoldsItsViewportAndTheInitialState) {
  int window = 0;
  struct Case {
    const char* name;
    WindowHandle window;
    bool offscreen;
  };
  for (const Case& c : {Case{"window", &window, false}, Case{"off-screen without window", nullptr, true}}) {
    SCOPED_TRACE(c.name);
    const RCPtr<LRenderContextInfo> context =
        MakeRCPtr<TestRenderContext>(RectT<std::int32_t>{1, 2, 300, 200}, c.window, c.offscreen);
    EXPECT_EQ(context->mViewport, (RectT<std::int32_t>{1, 2, 300, 200}));
    EXPECT_EQ(context->mWindow, c.window);
    EXPECT_EQ(context->mOffscreen, c.offscreen);
    // The device context comes with the window; none without one.
    EXPECT_EQ(context->mDeviceContext, c.window);
    EXPECT_TRUE(context->mDirtyRegion.IsEmpty());
    EXPECT_TRUE(context->mSavedStates.empty());
    EXPECT_EQ(context->mCurrentState.mOrigin, (PointT<double>{0, 0}));
    EXPECT_EQ(context->mCurrentState.mClip,
              (RectT<double>{-5000000136282112.0, -5000000136282112.0, 10000000272564224.0, 10000000272564224.0}));
    EXPECT_EQ(context->mCurrentState.mAlpha, 1.0f);
    EXPECT_FALSE(context->mCurrentState.mStencilInstalled);
    EXPECT_TRUE(context->mCurrentState.mStencil.IsNull());
  }
}

TEST(RenderContextInfo, DestroyingAContextReleasesTheStencilsOfItsStates) {
  const RCPtr<LStencil> stencil = LStencil::CreateForSize({4, 4});
  {
    RCPtr<LRenderContextInfo> context = MakeRCPtr<TestRenderContext>();
    context->mCurrentState.mStencil = stencil;
    context->mSavedStates.push_back(context->mCurrentState);
    context->mDirtyRegion.AddRect({0, 0, 10, 10});
    EXPECT_EQ(stencil->GetRefCount(), 3);
  }
  EXPECT_EQ(stencil->GetRefCount(), 1);
}

TEST(D3D9Renderer, AnswersEveryOperationWithoutDrawing) {
  const RCPtr<LRenderer> renderer = LRenderer::Create(kRendererTypeD3D9, {0, 0, 10, 10}, nullptr);
  EXPECT_EQ(renderer->GetRendererType(), kRendererTypeD3D9);

  RCPtr<LRenderContextInfo> context;
  int window = 0;
  EXPECT_EQ(renderer->InitRenderContextInfo({0, 0, 64, 32}, &window, true, context), S_OK);
  ASSERT_FALSE(context.IsNull());
  ASSERT_NE(DynamicCast<LD3D9RenderContextInfo>(context).Get(), nullptr);
  EXPECT_EQ(context->mViewport, (RectT<std::int32_t>{0, 0, 64, 32}));
  EXPECT_EQ(context->mWindow, &window);
  EXPECT_TRUE(context->mOffscreen);
  EXPECT_EQ(context->GetMaxSurfaceSize(), (SizeT<std::int32_t>{0, 0}));

  // Nothing is ever started, so the same context may be "started" twice.
  EXPECT_EQ(renderer->RenderStart(context), S_OK);
  EXPECT_EQ(renderer->RenderStart(context), S_OK);
  EXPECT_EQ(renderer->GetStartedContextCount(), 0u);
  EXPECT_EQ(renderer->RenderFinish(context), S_OK);
  EXPECT_EQ(renderer->RenderStart(nullptr), S_OK);

  const RCPtr<LFont> font = LFont::GetFont(u"D3D9 Stub Face", 9.0f, 0);
  std::int32_t height = 7, ascent = 8, descent = 9;
  EXPECT_EQ(renderer->GetFontMetrics(font, height, ascent, descent), S_OK);
  EXPECT_EQ(height, 7);
  EXPECT_EQ(ascent, 8);
  EXPECT_EQ(descent, 9);
  EXPECT_EQ(renderer->MeasureText(u"any text at all", font), (RectT<float>{0, 0, 0, 0}));

  EXPECT_EQ(renderer->DrawSurfacePart(context, {0, 0}, {0, 0, 10, 10}), E_NOTIMPL);
  EXPECT_EQ(renderer->ScrollOffscreenSurface(context, {1, 1}), E_NOTIMPL);

  // The drawing operations and the inherited state operations run without a context.
  PolylineT<float> polyline;
  ColorRectListT<float> rects;
  const Color red{1, 0, 0, 1};
  renderer->DrawText(u"x", font, {0, 0}, red);
  renderer->FrameRect({0, 0, 5, 5}, red, 1);
  renderer->FillRect({0, 0, 5, 5}, red, true);
  renderer->FillAndFrameRect({0, 0, 5, 5}, red, red, 1);
  renderer->DrawColorRectList(rects, {0, 0}, true);
  renderer->DrawLine({0, 0}, {1, 1}, red, 1);
  renderer->DrawLines(polyline, red, {0, 0}, {1, 1}, true);
  renderer->DrawPolyline(polyline, red, {0, 0}, {1, 1}, true);
  renderer->DrawPolygon(polyline, red, {0, 0}, {1, 1}, true);
  renderer->FillPolygon(polyline, red, {0, 0}, {1, 1}, true);
  renderer->DrawBitmap(nullptr, {0, 0, 5, 5}, kResizeTile);
  renderer->PushClip({0, 0, 5, 5}, {0, 0, 5, 5}, nullptr, true);
  renderer->PushTranslation({1, 1});
  renderer->PushState();
  renderer->PopState();
  EXPECT_EQ(renderer->SetViewport({0, 0, 1, 1}), S_OK);
  EXPECT_EQ(context->mViewport, (RectT<std::int32_t>{0, 0, 64, 32}));
  EXPECT_TRUE(context->mSavedStates.empty());
}

} // namespace
} // namespace QZ
