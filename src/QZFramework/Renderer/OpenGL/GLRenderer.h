#pragma once
// The OpenGL back end of the renderer (type 0): draws one window through
// OpenGL 1.x in window pixels, origin top left, y down; clips with the scissor
// box; keeps display lists of the cacheable polylines, polygons and colour-
// rectangle lists and textures of bitmap images in purgable caches, emptied of
// what went unused after the outermost frame once 300000 ms have passed; draws
// text through the FreeType font renderer and the glyph atlases. Presents with
// a buffer swap where the swap keeps the frame in the back buffer, else by
// copying the back buffer to the front itself, so that after presenting the
// back buffer always still holds the frame.
//
// Off-screen contexts draw into framebuffer objects of the renderer's context
// (LGLOffscreenSurface), drawn back as textures; where the context has none,
// they draw nothing and cannot be drawn back (E_NOTIMPL). Pictures without
// pixels draw nothing; pictures past the largest texture are scaled down to
// it, and one that cannot be made a texture is reported once on the debug
// output and draws nothing.
//
// One platform OpenGL context per renderer, made for its window at
// construction; it is current only during construction, while a render
// context is set up and inside frames (each frame makes it current and a
// window frame releases it at the end). Render contexts share it.
//
// Start-up failures show the platform's error box and throw. The texts come
// from the framework string table through the services given at registration
// (LRenderer::Create cannot reach the string table from here); a missing text
// is empty.
//
// UI thread only; no locks.

#include "Platform/GL/GLContext.h"
#include "QZFramework/Renderer/FontRenderer/FontRenderer.h"
#include "QZFramework/Renderer/OpenGL/GLDisplayList.h"
#include "QZFramework/Renderer/OpenGL/GLOffscreenSurface.h"
#include "QZFramework/Renderer/OpenGL/GLPixelFormat.h"
#include "QZFramework/Renderer/OpenGL/GLTexture.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/Utilities/Graphics/PurgableObjectCache.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace QZ {

// Makes the platform context for a window; status says why when null.
using GLContextProvider = std::function<std::unique_ptr<Platform::GLContext>(
    WindowHandle window, const Platform::GLContextWants& wants, Platform::GLStatus* status)>;

struct SGLRendererServices {
  // Null: the SDL window's context (the window handle is the platform window's
  // native handle).
  GLContextProvider mContextProvider;
  // A framework string by key; null: every text empty.
  std::function<WideString(const char* key)> mStrings;
};

// Milliseconds between cache purges.
inline constexpr std::uint32_t kGLPurgeInterval = 300000;
inline constexpr std::uint32_t kGLListCacheSize = 256;
inline constexpr std::uint32_t kGLTextureCacheSize = 64;

class LGLRenderer : public LRenderer {
public:
  using ListCache = PurgableObjectCache<LGLDisplayList, PolylineT<float>, std::int32_t,
                                        &PolylineT<float>::GetHandle, 8, &GetBits<8, 0, std::int32_t>>;
  using RectListCache = PurgableObjectCache<LGLDisplayList, ColorRectListT<float>, std::int32_t,
                                            &ColorRectListT<float>::GetHandle, 8, &GetBits<8, 0, std::int32_t>>;
  using TextureCache = PurgableObjectCache<LGLTexture, RCPtr<LBitmap>, std::uintptr_t, &LBitmap::GetHandle, 8,
                                           &GetBits<8, 4, std::uintptr_t>>;

  // Throws after the error box when no context can be had for the window.
  LGLRenderer(const RCPtr<LFontRenderer>& fontRenderer, WindowHandle window,
              const SGLRendererServices& services = SGLRendererServices{});
  LGLRenderer(const LGLRenderer&) = delete;
  LGLRenderer& operator=(const LGLRenderer&) = delete;

  // Has LRenderer::Create make this renderer for type 0, with an
  // LFreetypeFontRenderer whose two processors are one LGLGlyphRenderer.
  static void Register(const SGLRendererServices& services);
  // The renderer with its font renderer and glyph renderer, as Create makes it.
  [[nodiscard]] static RCPtr<LRenderer> CreateWithFreetype(WindowHandle window,
                                                           const SGLRendererServices& services);

  QZRESULT GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight, std::int32_t& ascent,
                          std::int32_t& descent) override;
  RectT<float> MeasureText(const WideString& text, const RCPtr<LFont>& font) override;
  // One glyph run over the whole text through the font renderer.
  void MeasureCaretPositions(const WideString& text, const RCPtr<LFont>& font,
                             std::vector<float>& positions) override;
  std::int32_t GetRendererType() const override { return kRendererTypeOpenGL; }
  // Throws after the error box when the renderer's context cannot draw to the
  // window; context then holds the new render context. An off-screen context
  // draws into a framebuffer object; where the OpenGL context has none, the
  // result is E_NOTIMPL and the context made draws nowhere.
  QZRESULT InitRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window, bool offscreen,
                                 RCPtr<LRenderContextInfo>& context) override;
  QZRESULT SetViewport(const RectT<std::int32_t>& viewport) override;
  QZRESULT RenderStart(const RCPtr<LRenderContextInfo>& context) override;
  QZRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context) override;

  void DrawText(const WideString& text, const RCPtr<LFont>& font, const PointT<std::int32_t>& position,
                const Color& color) override;
  void FrameRect(const RectT<std::int32_t>& rect, const Color& color, float lineWidth) override;
  // Without blending the rectangle is cleared to transparent black.
  void FillRect(const RectT<std::int32_t>& rect, const Color& color, bool blend) override;
  void FillAndFrameRect(const RectT<std::int32_t>& rect, const Color& fillColor, const Color& frameColor,
                        float lineWidth) override;
  // The last rectangle first, so earlier ones end up on top.
  void DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& position, bool cache) override;
  void DrawLine(const PointT<float>& from, const PointT<float>& to, const Color& color, float lineWidth) override;
  void DrawLines(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                 const PointT<float>& scale, bool cache) override;
  void DrawPolyline(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                    const PointT<float>& scale, bool cache) override;
  // Closed only when the last point repeats the first.
  void DrawPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                   const PointT<float>& scale, bool cache) override;
  void FillPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                   const PointT<float>& scale, bool cache) override;
  // Tiles are whole, cut only by the scissor box; a bitmap of no width or
  // height tiles nothing. Throws for a null bitmap and an unknown resize type.
  void DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<std::int32_t>& destination,
                  std::int32_t resizeType) override;
  // E_INVALIDARG unless the surface is an off-screen OpenGL context;
  // E_NOTIMPL, drawing nothing, when it has no pixels (a context without
  // framebuffer objects).
  QZRESULT DrawSurfacePart(const RCPtr<LRenderContextInfo>& offscreen, const PointT<std::int32_t>& destination,
                           const RectT<std::int32_t>& source) override;
  // Moves the surface's pixels by the offset; what they leave is cleared to
  // transparent. Results as DrawSurfacePart.
  QZRESULT ScrollOffscreenSurface(const RCPtr<LRenderContextInfo>& offscreen,
                                  const PointT<std::int32_t>& offset) override;
  void SetClipRect(const RectT<double>& clip) override;
  void Translate(const PointT<double>& delta) override;

  bool IsDoubleBuffered() const { return mDoubleBuffered; }
  bool SwapCopies() const { return mSwapCopies; }
  std::uint32_t GetLastPurge() const { return mLastPurge; }
  std::uint32_t GetPixelFormatFlags() const { return mPixelFormatFlags; }
  const RCPtr<LFontRenderer>& GetFontRenderer() const { return mFontRenderer; }
  ListCache& GetFillLists() { return mFillLists; }
  ListCache& GetOutlineLists() { return mOutlineLists; }
  ListCache& GetSegmentLists() { return mSegmentLists; }
  ListCache& GetStripLists() { return mStripLists; }
  RectListCache& GetColorRectLists() { return mColorRectLists; }
  TextureCache& GetBitmapTextures() { return mBitmapTextures; }

protected:
  ~LGLRenderer() override;

private:
  [[noreturn]] void FailWithBox(const char* messageKey, const char* function, int line);
  void PurgeCaches();
  void CopyBackToFront();
  void SetScissor(const RectT<double>& rect);
  void InitGLState();
  void Activate(LRenderContextInfo* context);
  // Which of the four polyline caches an operation fills.
  enum class PolylineKind { Segments, Strip, Outline, Fill };
  void DrawCachedPolyline(PolylineKind kind, const PolylineT<float>& polyline, const Color& color,
                          const PointT<float>& position, const PointT<float>& scale, bool cache);
  static RCPtr<LGLTexture> CreateBitmapTexture(const RCPtr<LBitmap>& bitmap);

  RCPtr<LFontRenderer> mFontRenderer;
  WindowHandle mWindow;
  bool mDoubleBuffered = true;
  bool mSwapCopies = true;
  std::uint32_t mLastPurge = 0;
  ListCache mFillLists{kGLListCacheSize};
  ListCache mOutlineLists{kGLListCacheSize};
  ListCache mSegmentLists{kGLListCacheSize};
  ListCache mStripLists{kGLListCacheSize};
  RectListCache mColorRectLists{kGLListCacheSize};
  TextureCache mBitmapTextures{kGLTextureCacheSize};
  SGLRendererServices mServices;
  WideString mCaption;
  WideString mUpdateDriver;
  std::shared_ptr<Platform::GLContext> mGLContext;
  std::uint32_t mPixelFormatFlags = 0;
  // Framebuffer objects for off-screen contexts; none where the context has
  // none.
  SGLFramebufferFunctions mFramebuffers;
};

} // namespace QZ
