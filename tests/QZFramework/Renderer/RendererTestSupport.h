#pragma once
// A renderer for the tests of the renderer base: its drawing operations do
// nothing, it records every call of the state hooks a back end extends
// (Translate, SetClipRect, SetStencil) and can measure fonts with set metrics.

#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Renderer/RenderContextInfo.h"
#include "QZFramework/Renderer/Renderer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace QZ::test {

class TestRenderContext : public LRenderContextInfo {
public:
  TestRenderContext(const RectT<std::int32_t>& viewport = {0, 0, 640, 480}, WindowHandle window = nullptr,
                    bool offscreen = false)
      : LRenderContextInfo(viewport, window, offscreen) {}
  SizeT<std::int32_t> GetMaxSurfaceSize() const override { return {1024, 1024}; }
};

class RecordingRenderer : public LRenderer {
public:
  QZRESULT GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight, std::int32_t& ascent,
                          std::int32_t& descent) override {
    ++mMetricsCalls;
    mMeasuredFont = font.Get();
    if (mMetricsResult < 0)
      return mMetricsResult;
    lineHeight = mLineHeight;
    ascent = mAscent;
    descent = mDescent;
    return S_OK;
  }
  RectT<float> MeasureText(const WideString&, const RCPtr<LFont>&) override { return {}; }
  std::int32_t GetRendererType() const override { return 99; }
  QZRESULT InitRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window, bool offscreen,
                                 RCPtr<LRenderContextInfo>& context) override {
    context = MakeRCPtr<TestRenderContext>(viewport, window, offscreen);
    return S_OK;
  }
  QZRESULT SetStencil(const RCPtr<LStencil>& stencil) override {
    mCalls.push_back("SetStencil");
    return LRenderer::SetStencil(stencil);
  }
  void SetClipRect(const RectT<double>& clip) override {
    mCalls.push_back("SetClipRect");
    LRenderer::SetClipRect(clip);
  }
  void Translate(const PointT<double>& delta) override {
    mCalls.push_back("Translate");
    mTranslations.push_back(delta);
    LRenderer::Translate(delta);
  }

  void DrawText(const WideString&, const RCPtr<LFont>&, const PointT<std::int32_t>&, const Color&) override {}
  void FrameRect(const RectT<std::int32_t>&, const Color&, float) override {}
  void FillRect(const RectT<std::int32_t>&, const Color&, bool) override {}
  void FillAndFrameRect(const RectT<std::int32_t>&, const Color&, const Color&, float) override {}
  void DrawColorRectList(const ColorRectListT<float>&, const PointT<double>&, bool) override {}
  void DrawLine(const PointT<float>&, const PointT<float>&, const Color&, float) override {}
  void DrawLines(const PolylineT<float>&, const Color&, const PointT<float>&, const PointT<float>&,
                 bool) override {}
  void DrawPolyline(const PolylineT<float>&, const Color&, const PointT<float>&, const PointT<float>&,
                    bool) override {}
  void DrawPolygon(const PolylineT<float>&, const Color&, const PointT<float>&, const PointT<float>&,
                   bool) override {}
  void FillPolygon(const PolylineT<float>&, const Color&, const PointT<float>&, const PointT<float>&,
                   bool) override {}
  void DrawBitmap(const RCPtr<LBitmap>&, const RectT<std::int32_t>&, std::int32_t) override {}
  QZRESULT DrawSurfacePart(const RCPtr<LRenderContextInfo>&, const PointT<std::int32_t>&,
                           const RectT<std::int32_t>&) override {
    return S_OK;
  }
  QZRESULT ScrollOffscreenSurface(const RCPtr<LRenderContextInfo>&, const PointT<std::int32_t>&) override {
    return S_OK;
  }

  std::vector<std::string> mCalls;
  std::vector<PointT<double>> mTranslations;

  // Font measuring.
  QZRESULT mMetricsResult = S_OK;
  std::int32_t mLineHeight = 14;
  std::int32_t mAscent = -11;
  std::int32_t mDescent = 3;
  int mMetricsCalls = 0;
  const LFont* mMeasuredFont = nullptr;
};

} // namespace QZ::test
