#pragma once
// The Direct3D 9 back end (renderer type 2): the complete interface and no
// drawing. It starts no context, draws nothing and measures every text as
// empty; its contexts support no surface. The state operations are inherited
// and, with no context ever current, have nothing to work on. UI thread only.

#include "QZFramework/Renderer/RenderContextInfo.h"
#include "QZFramework/Renderer/Renderer.h"

namespace QZ {

class LD3D9RenderContextInfo : public LRenderContextInfo {
public:
  using LRenderContextInfo::LRenderContextInfo;
  // {0, 0}.
  SizeT<std::int32_t> GetMaxSurfaceSize() const override;
};

class LD3D9Renderer : public LRenderer {
public:
  LD3D9Renderer() = default;

  // 0, the outputs untouched.
  QZRESULT GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight, std::int32_t& ascent,
                          std::int32_t& descent) override;
  // {0, 0, 0, 0}.
  RectT<float> MeasureText(const WideString& text, const RCPtr<LFont>& font) override;
  std::int32_t GetRendererType() const override;
  QZRESULT InitRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window, bool offscreen,
                                 RCPtr<LRenderContextInfo>& context) override;
  // 0; the context is not started.
  QZRESULT RenderStart(const RCPtr<LRenderContextInfo>& context) override;
  // 0; nothing is finished.
  QZRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context) override;

  void DrawText(const WideString& text, const RCPtr<LFont>& font, const PointT<std::int32_t>& position,
                const Color& color) override;
  void FrameRect(const RectT<std::int32_t>& rect, const Color& color, float lineWidth) override;
  void FillRect(const RectT<std::int32_t>& rect, const Color& color, bool blend) override;
  void FillAndFrameRect(const RectT<std::int32_t>& rect, const Color& fillColor, const Color& frameColor,
                        float lineWidth) override;
  void DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& position, bool cache) override;
  void DrawLine(const PointT<float>& from, const PointT<float>& to, const Color& color, float lineWidth) override;
  void DrawLines(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                 const PointT<float>& scale, bool cache) override;
  void DrawPolyline(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                    const PointT<float>& scale, bool cache) override;
  void DrawPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                   const PointT<float>& scale, bool cache) override;
  void FillPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                   const PointT<float>& scale, bool cache) override;
  void DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<std::int32_t>& destination,
                  std::int32_t resizeType) override;
  // E_NOTIMPL.
  QZRESULT DrawSurfacePart(const RCPtr<LRenderContextInfo>& offscreen, const PointT<std::int32_t>& destination,
                           const RectT<std::int32_t>& source) override;
  // E_NOTIMPL.
  QZRESULT ScrollOffscreenSurface(const RCPtr<LRenderContextInfo>& offscreen,
                                  const PointT<std::int32_t>& offset) override;

protected:
  ~LD3D9Renderer() override = default;
};

} // namespace QZ
