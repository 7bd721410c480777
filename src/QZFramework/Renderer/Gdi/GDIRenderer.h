#pragma once
// The renderer the application uses (type 1). It draws into the back buffer of
// the current render context (an LGDIRenderContextInfo), which RenderFinish
// copies to the window per dirty rectangle; it measures and draws text with
// the 2D layer's fonts itself, and sets its quality for speed: no
// antialiasing, nearest-neighbour image filtering, source-over blending.
//
// Two caches keep built objects:
// - bitmaps pre-rendered at their destination size (stretched, tiled or
//   centred once), keyed by {bitmap, width, height}. The resize type is not
//   part of the key: the first one used at a size decides what later draws of
//   that bitmap at that size show. A rendering is made again when its
//   bitmap's pixels were written since (tinted, edited). Entries not drawn across a purge interval
//   of more than 300000 ms of the application clock are emptied at the end of
//   a frame. Besides the 256 entries the renderings are bound by their bytes
//   (kGDIBitmapCacheBytes): a new rendering that takes the total past it
//   empties the least recently drawn others first (a window-sized background
//   drawn at every size the window passes through would otherwise hold
//   gigabytes). The key holds a reference, so a bitmap stays alive while its key
//   is registered and an address is never mistaken for another bitmap's.
// - paths of polylines, keyed by the polyline's handle, rebuilt when the owner
//   marks the polyline changed, never purged; a scale is applied to a clone.
//
// Outside a frame the drawing operations do nothing, except DrawBitmap, which
// throws. The current context is the last one started; a context of another
// back end becomes current without a back buffer, and nothing is drawn into it.
//
// UI thread only; no locks.

#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Graphics2D/Font.h"
#include "Platform/Graphics2D/Path.h"
#include "Platform/Graphics2D/Surface.h"
#include "QZFramework/Renderer/Gdi/GDIRenderContextInfo.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/Utilities/Graphics/PurgableObjectCache.h"
#include "QZFramework/Utilities/Storage/HashedList.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>

namespace QZ {

// Milliseconds of application clock that must pass between two purges of the
// bitmap cache.
inline constexpr std::int32_t kGDIBitmapPurgeInterval = 300000;
inline constexpr std::uint32_t kGDIBitmapCacheCapacity = 256;
inline constexpr std::uint32_t kGDIPathCacheCapacity = 256;
// The most bytes the bitmap cache's renderings hold together, 4 per pixel;
// one rendering larger than this is still kept, alone.
inline constexpr std::uint64_t kGDIBitmapCacheBytes = 64u * 1024u * 1024u;

class LGDIRenderer : public LRenderer {
public:
  // The bitmap cache's key: the bitmap and the destination size. Equal when
  // they hold the same bitmap object and the same size.
  template <int Bits>
  struct CashableBitmapDescriptor {
    RCPtr<LBitmap> mBitmap;
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;

    friend bool operator==(const CashableBitmapDescriptor& a, const CashableBitmapDescriptor& b) {
      return a.mBitmap.Get() == b.mBitmap.Get() && a.mWidth == b.mWidth && a.mHeight == b.mHeight;
    }
    // Bits 4 and up of the address of the image that holds the bitmap's
    // pixels (addresses of images are aligned to 16).
    static std::uint32_t GetHashBits(const CashableBitmapDescriptor& descriptor) {
      const Platform::Image* image = descriptor.mBitmap ? descriptor.mBitmap->GetGdiplusBitmap() : nullptr;
      return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(image) >> 4) &
             ((std::uint32_t{1} << Bits) - 1);
    }
  };
  using BitmapDescriptor = CashableBitmapDescriptor<8>;

  // A bitmap rendered at its destination size, drawn with translation only,
  // and the change count of the image it was rendered from.
  class LCachedBitmap : public virtual LRefCountedObject {
  public:
    LCachedBitmap(std::unique_ptr<Platform::CachedImage> image, std::uint64_t sourceChangeCount,
                  bool opaque = false)
        : mImage(std::move(image)), mSourceChangeCount(sourceChangeCount), mOpaque(opaque) {}
    const Platform::CachedImage& GetImage() const { return *mImage; }
    std::uint64_t GetSourceChangeCount() const { return mSourceChangeCount; }
    // Whether every pixel of the rendering is opaque.
    bool IsOpaque() const { return mOpaque; }
    // 4 bytes per pixel of the rendering.
    std::uint64_t GetByteSize() const {
      return std::uint64_t{4} * static_cast<std::uint64_t>(std::max(mImage->GetWidth(), 0)) *
             static_cast<std::uint64_t>(std::max(mImage->GetHeight(), 0));
    }

  protected:
    ~LCachedBitmap() override = default;

  private:
    std::unique_ptr<Platform::CachedImage> mImage;
    std::uint64_t mSourceChangeCount;
    bool mOpaque;
  };

  // A polyline built into a path (alternate fill).
  class LGraphicsPath : public virtual LRefCountedObject {
  public:
    Platform::Path mPath;

  protected:
    ~LGraphicsPath() override = default;
  };

  using BitmapCache = PurgableObjectCache<LCachedBitmap, BitmapDescriptor, BitmapDescriptor,
                                          &GetSelf<BitmapDescriptor>, 8, &BitmapDescriptor::GetHashBits>;
  using PathCache = PurgableObjectCache<LGraphicsPath, PolylineT<float>, std::int32_t,
                                        &PolylineT<float>::GetHandle, 8, &GetBits<8, 4, std::int32_t>>;

  // screenResolution: pixels per inch of the screen, which text measuring
  // corrects for when it is not 96.
  explicit LGDIRenderer(std::int32_t screenResolution = 96);

  // Line height, ascent and descent of the font at its size in pixels, from
  // its face's design metrics (a face that is not installed falls back to the
  // generic sans-serif family, as drawing does). E_FAIL, the outputs
  // untouched, when the face has no design metrics.
  QZRESULT GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight, std::int32_t& ascent,
                          std::int32_t& descent) override;
  // {0, ascent, width, line height}: the width of the text on one line,
  // trailing spaces included, rounded up, plus 3 when anything was measured;
  // {0, 0, 0, 0} for empty text.
  RectT<float> MeasureText(const WideString& text, const RCPtr<LFont>& font) override;
  // One layout of the whole text; each stop's width rounded as MeasureText
  // rounds the width of the text before it. Stops lie between the clusters
  // the 2D layer's shaper gives (a letter keeps its combining marks).
  void MeasureCaretPositions(const WideString& text, const RCPtr<LFont>& font,
                             std::vector<float>& positions) override;
  std::int32_t GetRendererType() const override;
  QZRESULT InitRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window, bool offscreen,
                                 RCPtr<LRenderContextInfo>& context) override;
  QZRESULT RenderStart(const RCPtr<LRenderContextInfo>& context) override;
  // Presents the current context; throws, presenting nothing, when the
  // context is not the current one. Purges the bitmap cache when due.
  QZRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context) override;

  // The text's top-left corner one pixel above the position.
  void DrawText(const WideString& text, const RCPtr<LFont>& font, const PointT<std::int32_t>& position,
                const Color& color) override;
  void FrameRect(const RectT<std::int32_t>& rect, const Color& color, float lineWidth) override;
  // Without blend the back buffer's pixels are set to the colour, alpha
  // included, in back-buffer pixels: no origin, no clip.
  void FillRect(const RectT<std::int32_t>& rect, const Color& color, bool blend) override;
  void FillAndFrameRect(const RectT<std::int32_t>& rect, const Color& fillColor, const Color& frameColor,
                        float lineWidth) override;
  // From the last rectangle to the first, so an earlier one covers a later.
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
  // Throws outside a frame, and for an unknown resize type when the bitmap is
  // rendered at a size other than its own. A null bitmap, one without pixels
  // or an empty destination draws nothing.
  void DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<std::int32_t>& destination,
                  std::int32_t resizeType) override;
  // E_INVALIDARG unless the context is a GDI+ off-screen context; E_FAIL
  // outside a frame or when the copy fails.
  QZRESULT DrawSurfacePart(const RCPtr<LRenderContextInfo>& offscreen, const PointT<std::int32_t>& destination,
                           const RectT<std::int32_t>& source) override;
  // Exchanges the context's buffers and draws the old back buffer into the
  // cleared new one at the offset; works on the given context alone, inside
  // or outside a frame. E_INVALIDARG unless it is a GDI+ off-screen context.
  QZRESULT ScrollOffscreenSurface(const RCPtr<LRenderContextInfo>& offscreen,
                                  const PointT<std::int32_t>& offset) override;

  void SetClipRect(const RectT<double>& clip) override;
  void Translate(const PointT<double>& delta) override;

  // The 2D layer's font of the face at the size, in points, with the font's
  // style bits: the face's family, or the generic sans-serif family where the
  // face is not installed (also what measuring and the metrics use). Null when
  // the font cannot be made.
  static std::unique_ptr<Platform::Font> MakePlatformFont(const LFont& font, float points);

  float GetFontScale() const { return mFontScale; }
  const RCPtr<LGDIRenderContextInfo>& GetCurrentGDIContext() const { return mCurrentContext; }
  const BitmapCache& GetBitmapCache() const { return mBitmapCache; }
  const PathCache& GetPathCache() const { return mPathCache; }
  // The bytes the bitmap cache's renderings hold together.
  std::uint64_t GetBitmapCacheBytes() const;

protected:
  ~LGDIRenderer() override;

private:
  enum class PathKind { Segments, Strip, Polygon };

  // The current canvas for its state (transform, clip, modes) only.
  Platform::Canvas* CurrentGraphics() const;
  // The current canvas with the state's clip applied, for drawing; the back
  // buffer's owed clear is paid first. Controls set and restore a clip each,
  // and most draw nothing under it: a clip reaches the canvas only when
  // something is drawn under it.
  Platform::Canvas* DrawingGraphics();
  // The origin, then the clip, that the canvas has not taken yet.
  void ApplyPendingOrigin();
  void ApplyPendingClip();
  // Whether an opaque drawing of the rectangle (drawing coordinates) sets
  // every pixel of the current back buffer through the canvas's clip; its
  // owed clear is then dropped (a full repaint mostly starts with the
  // window's whole background).
  void DropClearUnder(const RectT<std::int32_t>& rect);
  void DrawPath(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                const PointT<float>& scale, bool cache, PathKind kind, bool fill);
  // Empties the least recently drawn renderings other than kept until the
  // cache's renderings fit kGDIBitmapCacheBytes.
  void BoundBitmapCacheBytes(const LCachedBitmap* kept);
  RCPtr<LCachedBitmap> RenderBitmap(const LBitmap& bitmap, std::int32_t width, std::int32_t height,
                                    std::int32_t resizeType);
  // The 2D layer's font of the face (or the generic sans-serif family) at the
  // size, in points, with the font's style bits.
  const Platform::Font* GetPlatformFont(const LFont& font, float points);
  // A measured right edge as MeasureText reports a width: corrected for the
  // screen's resolution, rounded up, plus 3 when anything was measured.
  float RoundedWidth(float right) const;

  float mFontScale = 1.0f;
  RCPtr<LGDIRenderContextInfo> mCurrentContext;
  std::unique_ptr<Platform::Surface> mMeasuringImage;
  std::unique_ptr<Platform::Canvas> mMeasuringGraphics;
  std::int32_t mScreenResolution;
  BitmapCache mBitmapCache{kGDIBitmapCacheCapacity};
  PathCache mPathCache{kGDIPathCacheCapacity};
  std::uint32_t mLastPurgeTime;
  // The last font asked for: labels in a row mostly share one.
  std::unique_ptr<Platform::Font> mLastFont;
  WideString mLastFontFace;
  std::int32_t mLastFontStyle = 0;
  // The state's origin changed and the canvas's transform does not follow yet.
  bool mOriginPending = false;
  // The clip set last and not yet given to the canvas, in back-buffer pixels.
  bool mClipPending = false;
  RectT<double> mPendingClip;
  // The clip the current canvas holds, in back-buffer pixels, where it is
  // known (a canvas made for a full repaint holds none: kNoClip).
  std::optional<RectT<double>> mCanvasClip;
};

} // namespace QZ
