#include "QZFramework/Renderer/D3D9Renderer.h"

namespace QZ {

SizeT<std::int32_t> LD3D9RenderContextInfo::GetMaxSurfaceSize() const { return {0, 0}; }

QZRESULT LD3D9Renderer::GetFontMetrics(const RCPtr<LFont>&, std::int32_t&, std::int32_t&, std::int32_t&) {
  return S_OK;
}

RectT<float> LD3D9Renderer::MeasureText(const WideString&, const RCPtr<LFont>&) {
  return {0.0f, 0.0f, 0.0f, 0.0f};
}

std::int32_t LD3D9Renderer::GetRendererType() const { return kRendererTypeD3D9; }

QZRESULT LD3D9Renderer::InitRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window,
                                              bool offscreen, RCPtr<LRenderContextInfo>& context) {
  context = MakeRCPtr<LD3D9RenderContextInfo>(viewport, window, offscreen);
  return S_OK;
}

QZRESULT LD3D9Renderer::RenderStart(const RCPtr<LRenderContextInfo>&) { return S_OK; }

QZRESULT LD3D9Renderer::RenderFinish(const RCPtr<LRenderContextInfo>&) { return S_OK; }

void LD3D9Renderer::DrawText(const WideString&, const RCPtr<LFont>&, const PointT<std::int32_t>&, const Color&) {}
void LD3D9Renderer::FrameRect(const RectT<std::int32_t>&, const Color&, float) {}
void LD3D9Renderer::FillRect(const RectT<std::int32_t>&, const Color&, bool) {}
void LD3D9Renderer::FillAndFrameRect(const RectT<std::int32_t>&, const Color&, const Color&, float) {}
void LD3D9Renderer::DrawColorRectList(const ColorRectListT<float>&, const PointT<double>&, bool) {}
void LD3D9Renderer::DrawLine(const PointT<float>&, const PointT<float>&, const Color&, float) {}
void LD3D9Renderer::DrawLines(const PolylineT<float>&, const Color&, const PointT<float>&, const PointT<float>&,
                              bool) {}
void LD3D9Renderer::DrawPolyline(const PolylineT<float>&, const Color&, const PointT<float>&, const PointT<float>&,
                                 bool) {}
void LD3D9Renderer::DrawPolygon(const PolylineT<float>&, const Color&, const PointT<float>&, const PointT<float>&,
                                bool) {}
void LD3D9Renderer::FillPolygon(const PolylineT<float>&, const Color&, const PointT<float>&, const PointT<float>&,
                                bool) {}
void LD3D9Renderer::DrawBitmap(const RCPtr<LBitmap>&, const RectT<std::int32_t>&, std::int32_t) {}

QZRESULT LD3D9Renderer::DrawSurfacePart(const RCPtr<LRenderContextInfo>&, const PointT<std::int32_t>&,
                                        const RectT<std::int32_t>&) {
  return E_NOTIMPL;
}

QZRESULT LD3D9Renderer::ScrollOffscreenSurface(const RCPtr<LRenderContextInfo>&, const PointT<std::int32_t>&) {
  return E_NOTIMPL;
}

} // namespace QZ
