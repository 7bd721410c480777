#pragma once
// The drawing interface, one renderer per window, with three back ends:
// OpenGL (type 0), GDI+ (type 1) and a Direct3D 9 stub (type 2), made by type
// with LRenderer::Create.
//
// Drawing happens between RenderStart and RenderFinish on a render context.
// Contexts may nest, each at most once; the last one started is current, and
// every state operation works on its current state and saved-state stack. The
// back ends implement the drawing operations and extend RenderStart,
// RenderFinish, SetClipRect and Translate so their device follows the state.
// Positions given to the drawing operations are relative to the current origin
// and drawing is limited to the current clip.
//
// The state and drawing operations need a current context; without one they do
// nothing. A renderer lives as long as its window and is used on the UI thread
// only; it takes no locks.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Renderer/MeasurementRenderer.h"
#include "QZFramework/Renderer/RenderContextInfo.h"
#include "QZFramework/Renderer/RenderState.h"
#include "QZFramework/Renderer/ResizeType.h"
#include "QZFramework/Utilities/Graphics/Bitmap.h"
#include "QZFramework/Utilities/Graphics/Color.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/ColorRectListT.h"
#include "QZFramework/Utilities/Storage/PolylineT.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <vector>

namespace QZ {

// Renderer type codes, as LRenderer::Create and GetRendererType use them.
inline constexpr std::int32_t kRendererTypeOpenGL = 0;
inline constexpr std::int32_t kRendererTypeGDIPlus = 1;
inline constexpr std::int32_t kRendererTypeD3D9 = 2;

class LRenderer : public LMeasurementRenderer {
public:
  // A new renderer of the type; the client rectangle is not used by any back
  // end. An unknown type throws the domain error.
  [[nodiscard]] static RCPtr<LRenderer> Create(std::int32_t type, const RectT<std::int32_t>& clientRect,
                                               WindowHandle window);

  // How a back end that lives above this library (OpenGL, GDI+) is made.
  using BackEndFactory = RCPtr<LRenderer> (*)(const RectT<std::int32_t>& clientRect, WindowHandle window);
  // Has Create make type with the factory (null withdraws it); returns the one
  // registered before. Back ends register at start-up, before the first window;
  // the Direct3D 9 stub needs none.
  static BackEndFactory RegisterBackEnd(std::int32_t type, BackEndFactory factory);

  // GetFontMetrics and MeasureText come from LMeasurementRenderer.
  virtual std::int32_t GetRendererType() const = 0;
  // The back end's context for a window (off-screen false) or an off-screen
  // surface, written into context.
  virtual QZRESULT InitRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window, bool offscreen,
                                         RCPtr<LRenderContextInfo>& context) = 0;
  virtual QZRESULT SetViewport(const RectT<std::int32_t>& viewport);
  virtual QZRESULT SetStencil(const RCPtr<LStencil>& stencil);
  // Throws for a null context or one that is started already.
  virtual QZRESULT RenderStart(const RCPtr<LRenderContextInfo>& context);
  // Throws unless the context is the current one.
  virtual QZRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context);

  virtual void DrawText(const WideString& text, const RCPtr<LFont>& font, const PointT<std::int32_t>& position,
                        const Color& color) = 0;
  virtual void FrameRect(const RectT<std::int32_t>& rect, const Color& color, float lineWidth) = 0;
  virtual void FillRect(const RectT<std::int32_t>& rect, const Color& color, bool blend) = 0;
  virtual void FillAndFrameRect(const RectT<std::int32_t>& rect, const Color& fillColor, const Color& frameColor,
                                float lineWidth) = 0;
  virtual void DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& position,
                                 bool cache) = 0;
  virtual void DrawLine(const PointT<float>& from, const PointT<float>& to, const Color& color,
                        float lineWidth) = 0;
  // Separate segments between points 0-1, 2-3, 4-5 ...
  virtual void DrawLines(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                         const PointT<float>& scale, bool cache) = 0;
  // One connected line through all points.
  virtual void DrawPolyline(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                            const PointT<float>& scale, bool cache) = 0;
  // The outline of the closed polygon.
  virtual void DrawPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                           const PointT<float>& scale, bool cache) = 0;
  // The filled polygon; the line width is not used.
  virtual void FillPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                           const PointT<float>& scale, bool cache) = 0;
  virtual void DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<std::int32_t>& destination,
                          std::int32_t resizeType) = 0;
  // Copies a rectangle of an off-screen context's surface into the current target.
  virtual QZRESULT DrawSurfacePart(const RCPtr<LRenderContextInfo>& offscreen,
                                   const PointT<std::int32_t>& destination, const RectT<std::int32_t>& source) = 0;
  // Moves the content of an off-screen context by the offset, within it.
  virtual QZRESULT ScrollOffscreenSurface(const RCPtr<LRenderContextInfo>& offscreen,
                                          const PointT<std::int32_t>& offset) = 0;

  // With a saved state only: saves the state and translates by the offset
  // rounded half away from zero, the clip staying where it was in pixels.
  virtual void PushTranslation(const PointT<double>& offset);
  // Saves the state, then moves the origin to bounds.x, bounds.y (relative to
  // the current origin, or absolute when relative is false) and clips to clip
  // (with relative true: clip ∩ bounds ∩ current clip), snapped to whole
  // pixels. A stencil is installed as given the first time, later as a copy by
  // size.
  virtual void PushClip(const RectT<double>& bounds, const RectT<double>& clip, const RCPtr<LStencil>& stencil,
                        bool relative);
  virtual void PushState();
  // Restores the last saved state through Translate, SetClipRect and
  // SetStencil; nothing when none is saved.
  virtual void PopState();
  virtual void SetClipRect(const RectT<double>& clip);
  virtual void Translate(const PointT<double>& delta);

  // The last context started; null outside a frame.
  LRenderContextInfo* GetCurrentContext() const;
  // The current context's state, read and written directly by control
  // rendering; null outside a frame.
  RenderState* GetCurrentState() const;
  std::uint32_t GetStartedContextCount() const { return static_cast<std::uint32_t>(mStartedContexts.size()); }

protected:
  LRenderer() = default;
  ~LRenderer() override = default;

private:
  // In the order they were started; the last one is current.
  std::vector<RCPtr<LRenderContextInfo>> mStartedContexts;
};

// One frame as a scope: starts the frame on the context when made and, unless
// Finish ended it, finishes it when it goes, also when drawing throws. A frame
// left open would keep its context started, and the context would refuse every
// later RenderStart: the window would never paint again. A null renderer makes
// a scope that does nothing.
class CRenderFrame {
public:
  // RenderStart's exceptions pass; no frame is open then.
  CRenderFrame(const RCPtr<LRenderer>& renderer, const RCPtr<LRenderContextInfo>& context);
  // Finishes a frame still open; a failure to finish is dropped here, since
  // it may come while another exception is on its way.
  ~CRenderFrame();
  CRenderFrame(const CRenderFrame&) = delete;
  CRenderFrame& operator=(const CRenderFrame&) = delete;

  // Finishes the frame now; RenderFinish's result, and its exceptions pass.
  QZRESULT Finish();

private:
  RCPtr<LRenderer> mRenderer;
  RCPtr<LRenderContextInfo> mContext;
};

// One CAutoClip scope: flavor 0 saves the state, 1 pushes a clip (bounds, clip,
// stencil, relative), 2 pushes a translation.
struct ClipSpec {
  std::int32_t mFlavor = 0;
  RectT<double> mBounds{};
  RectT<double> mClip{};
  RCPtr<LStencil> mStencil;
  bool mRelative = false;
  PointT<double> mTranslation{};
};

inline constexpr std::int32_t kClipFlavorState = 0;
inline constexpr std::int32_t kClipFlavorClip = 1;
inline constexpr std::int32_t kClipFlavorTranslation = 2;

// Pushes a state when made and pops it when it goes, whatever the flavour, so
// scopes must nest. A null renderer makes a scope that does nothing.
class CAutoClip {
public:
  // Throws for an unknown flavour.
  CAutoClip(const RCPtr<LRenderer>& renderer, const ClipSpec& spec);
  // Flavour 1, relative.
  CAutoClip(const RCPtr<LRenderer>& renderer, const RectT<double>& bounds, const RectT<double>& clip,
            const RCPtr<LStencil>& stencil);
  ~CAutoClip();
  CAutoClip(const CAutoClip&) = delete;
  CAutoClip& operator=(const CAutoClip&) = delete;

private:
  RCPtr<LRenderer> mRenderer;
};

} // namespace QZ
