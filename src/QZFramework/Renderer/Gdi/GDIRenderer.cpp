#include "QZFramework/Renderer/Gdi/GDIRenderer.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Renderer/Font.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string_view>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "Renderer\\Gdi\\GDIRenderer";

// Ten times the float epsilon: a scale closer to 1 than this draws the cached
// path itself.
constexpr float kUnitScaleTolerance = 1.1920929e-6f;

// The application's clock; a steady clock where no application runs (tools,
// benchmarks).
std::uint32_t Milliseconds() {
  if (IFrameworkApp* app = GetFrameworkApp())
    return app->GetMilliseconds();
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// v - 0.5 truncated when v < 0, else v + 0.5 truncated, computed in float and
// held to the 32-bit range (NaN gives 0).
std::int32_t RoundMetric(float v) {
  const float rounded = v < 0 ? std::trunc(v - 0.5f) : std::trunc(v + 0.5f);
  if (!(rounded == rounded))
    return 0;
  if (rounded <= -2147483648.0f)
    return std::numeric_limits<std::int32_t>::min();
  if (rounded >= 2147483648.0f)
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(rounded);
}

// The clip of a canvas that has none.
constexpr RectT<double> kNoClip{-1e9, -1e9, 2e9, 2e9};

// Whether every pixel of the surface has alpha 255.
bool IsOpaque(const Platform::Surface& surface) {
  const std::uint8_t* data = surface.GetData();
  std::uint32_t all = 0xFF000000u;
  for (std::int32_t y = 0; y < surface.GetHeight(); ++y) {
    const std::uint8_t* row = data + static_cast<std::ptrdiff_t>(y) * surface.GetStride();
    for (std::int32_t x = 0; x < surface.GetWidth(); ++x) {
      std::uint32_t pixel = 0;
      std::memcpy(&pixel, row + static_cast<std::ptrdiff_t>(x) * 4, sizeof pixel);
      all &= pixel;
    }
    if ((all & 0xFF000000u) != 0xFF000000u)
      return false;
  }
  return true;
}

// Whether the rectangle holds {0, 0, width, height}.
bool Holds(double x, double y, double width, double height, const SizeT<std::int32_t>& size) {
  return x <= 0 && y <= 0 && x + width >= size.width && y + height >= size.height;
}

std::u16string_view View(const WideString& text) { return {text.GetChars(), text.GetLength()}; }

Platform::RectI ToRectI(const RectT<std::int32_t>& r) { return {r.x, r.y, r.width, r.height}; }

std::shared_ptr<const Platform::FontFamily> FamilyOf(const WideString& face) {
  std::shared_ptr<const Platform::FontFamily> family = Platform::FontFamily::FromName(View(face));
  return family ? family : Platform::FontFamily::GenericSansSerif();
}

// The part of the source rectangle that lies inside the image, drawn where
// the whole rectangle would put it: a view may reach past its image, and only
// the pixels that exist are drawn.
void DrawImagePart(Platform::Canvas& canvas, Platform::Image& image, const Platform::RectF& destination,
                   const Platform::RectF& source) {
  const double left = std::max(0.0, double{source.x});
  const double top = std::max(0.0, double{source.y});
  const double right = std::min<double>(image.GetWidth(), double{source.x} + source.width);
  const double bottom = std::min<double>(image.GetHeight(), double{source.y} + source.height);
  if (!(right > left) || !(bottom > top))
    return;
  const double scaleX = double{destination.width} / source.width;
  const double scaleY = double{destination.height} / source.height;
  const Platform::RectF part{static_cast<float>(left), static_cast<float>(top), static_cast<float>(right - left),
                             static_cast<float>(bottom - top)};
  const Platform::RectF target{static_cast<float>(destination.x + (left - source.x) * scaleX),
                               static_cast<float>(destination.y + (top - source.y) * scaleY),
                               static_cast<float>((right - left) * scaleX),
                               static_cast<float>((bottom - top) * scaleY)};
  canvas.DrawImage(image, target, part);
}

} // namespace

LGDIRenderer::LGDIRenderer(std::int32_t screenResolution)
    : mMeasuringImage(Platform::Surface::Create(1, 1)), mScreenResolution(screenResolution),
      mLastPurgeTime(Milliseconds()) {
  if (mMeasuringImage)
    mMeasuringGraphics = Platform::Canvas::Create(*mMeasuringImage);
}

LGDIRenderer::~LGDIRenderer() = default;

std::int32_t LGDIRenderer::GetRendererType() const { return kRendererTypeGDIPlus; }

QZRESULT LGDIRenderer::InitRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window,
                                             bool offscreen, RCPtr<LRenderContextInfo>& context) {
  try {
    context = MakeRCPtr<LGDIRenderContextInfo>(viewport, window, offscreen);
  } catch (const std::bad_alloc&) {
    context = nullptr;
    return E_FAIL;
  }
  return S_OK;
}

Platform::Canvas* LGDIRenderer::CurrentGraphics() const {
  return mCurrentContext ? mCurrentContext->GetBackBuffer()->PeekGraphics() : nullptr;
}

Platform::Canvas* LGDIRenderer::DrawingGraphics() {
  ApplyPendingClip();
  return mCurrentContext ? mCurrentContext->GetGraphics() : nullptr;
}

void LGDIRenderer::ApplyPendingOrigin() {
  if (!mOriginPending)
    return;
  mOriginPending = false;
  Platform::Canvas* graphics = CurrentGraphics();
  const RenderState* state = GetCurrentState();
  if (!graphics || !state)
    return;
  graphics->ResetTransform();
  graphics->Translate(static_cast<float>(state->mOrigin.x), static_cast<float>(state->mOrigin.y),
                      Platform::MatrixOrder::Prepend);
}

void LGDIRenderer::ApplyPendingClip() {
  // The clip is given in drawing coordinates under the canvas's transform: the origin first.
  ApplyPendingOrigin();
  if (!mClipPending)
    return;
  mClipPending = false;
  Platform::Canvas* graphics = CurrentGraphics();
  const RenderState* state = GetCurrentState();
  if (!graphics || !state)
    return;
  // Back into drawing coordinates under the origin that holds now.
  const double x = mPendingClip.x - state->mOrigin.x;
  const double y = mPendingClip.y - state->mOrigin.y;
  graphics->SetClipRect({static_cast<float>(x), static_cast<float>(y), static_cast<float>(mPendingClip.width),
                         static_cast<float>(mPendingClip.height)});
  mCanvasClip = mPendingClip;
}

void LGDIRenderer::DropClearUnder(const RectT<std::int32_t>& rect) {
  ApplyPendingClip();
  const RenderState* state = GetCurrentState();
  if (!mCurrentContext || !mCurrentContext->GetBackBuffer()->IsClearPending() || !state || !mCanvasClip ||
      GetStartedContextCount() != 1)
    return;
  const SizeT<std::int32_t> size = mCurrentContext->GetBackBuffer()->GetSize();
  if (Holds(rect.x + state->mOrigin.x, rect.y + state->mOrigin.y, rect.width, rect.height, size) &&
      Holds(mCanvasClip->x, mCanvasClip->y, mCanvasClip->width, mCanvasClip->height, size))
    mCurrentContext->GetBackBuffer()->DropPendingClear();
}

QZRESULT LGDIRenderer::RenderStart(const RCPtr<LRenderContextInfo>& context) {
  // A clip still waiting belongs to the context that is current until now.
  ApplyPendingClip();
  LRenderer::RenderStart(context);
  mCurrentContext = DynamicCast<LGDIRenderContextInfo>(context);
  mCanvasClip.reset();
  if (!mCurrentContext)
    return S_OK;
  mCurrentContext->UpdateBufferSize();
  // A full repaint's canvas is new: it has no clip yet.
  if (mCurrentContext->GetBackBuffer()->IsClearPending())
    mCanvasClip = kNoClip;
  Platform::Canvas* graphics = CurrentGraphics();
  if (!graphics)
    return S_OK;
  mFontScale = Platform::Canvas::kDpi / graphics->GetDpiX();
  graphics->SetAntialias(false);
  graphics->SetImageFilter(Platform::ImageFilter::Nearest);
  graphics->SetCompositingMode(Platform::CompositingMode::SourceOver);
  const PointT<double> origin = mCurrentContext->mCurrentState.mOrigin;
  if (GetStartedContextCount() == 1 && (origin.x != 0 || origin.y != 0))
    graphics->Translate(static_cast<float>(origin.x), static_cast<float>(origin.y), Platform::MatrixOrder::Append);
  return S_OK;
}

QZRESULT LGDIRenderer::RenderFinish(const RCPtr<LRenderContextInfo>& context) {
  // A context that is not the current one throws before anything is
  // presented or let go, so the frame that is open stays usable.
  if (GetCurrentContext() != context.Get())
    return LRenderer::RenderFinish(context);
  ApplyPendingClip(); // the canvas keeps its clip to the next frame
  if (mCurrentContext)
    mCurrentContext->Present();
  mCurrentContext = nullptr;
  mCanvasClip.reset();
  LRenderer::RenderFinish(context);
  if (GetStartedContextCount() > 0)
    mCurrentContext = RCPtr<LGDIRenderContextInfo>(dynamic_cast<LGDIRenderContextInfo*>(GetCurrentContext()));

  const std::uint32_t now = Milliseconds();
  if (static_cast<std::int32_t>(now - mLastPurgeTime) > kGDIBitmapPurgeInterval) {
    mBitmapCache.Purge(mBitmapCache.mPurgeMark);
    mBitmapCache.mPurgeMark = mBitmapCache.mUseCounter;
    mLastPurgeTime = now;
  }
  return S_OK;
}

void LGDIRenderer::SetClipRect(const RectT<double>& clip) {
  LRenderer::SetClipRect(clip);
  const RenderState* state = GetCurrentState();
  if (!CurrentGraphics() || !state)
    return;
  // Noted in back-buffer pixels, where the canvas keeps its clip; the canvas takes it before the next drawing.
  mPendingClip = {clip.x + state->mOrigin.x, clip.y + state->mOrigin.y, clip.width, clip.height};
  mClipPending = true;
}

void LGDIRenderer::Translate(const PointT<double>& delta) {
  LRenderer::Translate(delta);
  // Controls move the origin for each child and back, and most draw nothing there: the canvas takes the
  // origin before the next drawing or clip.
  mOriginPending = CurrentGraphics() != nullptr && GetCurrentState() != nullptr;
}

std::unique_ptr<Platform::Font> LGDIRenderer::MakePlatformFont(const LFont& font, float points) {
  return Platform::Font::Create(FamilyOf(font.GetFace()), points, font.GetStyle(), Platform::FontUnit::Point);
}

const Platform::Font* LGDIRenderer::GetPlatformFont(const LFont& font, float points) {
  if (mLastFont && mLastFont->GetSize() == points && mLastFontStyle == font.GetStyle() &&
      mLastFontFace == font.GetFace())
    return mLastFont.get();
  mLastFont = MakePlatformFont(font, points);
  mLastFontFace = font.GetFace();
  mLastFontStyle = font.GetStyle();
  return mLastFont.get();
}

QZRESULT LGDIRenderer::GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight, std::int32_t& ascent,
                                      std::int32_t& descent) {
  if (!font)
    return E_INVALIDARG;
  std::shared_ptr<const Platform::FontFamily> family = FamilyOf(font->GetFace());
  std::unique_ptr<Platform::Font> pixelFont =
      Platform::Font::Create(family, font->GetSize(), font->GetStyle(), Platform::FontUnit::Pixel);
  Platform::FontDesignMetrics metrics;
  // Without design metrics the divisions below have no meaning.
  if (!pixelFont || !family->GetDesignMetrics(font->GetStyle(), metrics) || metrics.emHeight <= 0)
    return E_FAIL;

  const float height = pixelFont->GetHeight(72.0f);
  const float size = pixelFont->GetSize();
  const auto em = static_cast<float>(metrics.emHeight);
  lineHeight = RoundMetric(height * 96.0f / 72.0f + 0.499f);
  ascent = RoundMetric(static_cast<float>(metrics.cellAscent) * size * -96.0f / (em * 72.0f) - 0.499f);
  descent = RoundMetric(static_cast<float>(metrics.cellDescent) * size * 96.0f / (em * 72.0f) + 0.499f);
  return S_OK;
}

RectT<float> LGDIRenderer::MeasureText(const WideString& text, const RCPtr<LFont>& font) {
  if (text.IsEmpty() || !font || !mMeasuringGraphics)
    return {0.0f, 0.0f, 0.0f, 0.0f};
  std::int32_t lineHeight = 0, ascent = 0, descent = 0;
  GetFontMetrics(font, lineHeight, ascent, descent);
  const Platform::Font* measuringFont = GetPlatformFont(*font, font->GetSize());
  if (!measuringFont)
    return {0.0f, static_cast<float>(ascent), 0.0f, static_cast<float>(lineHeight)};

  const Platform::RectF box = mMeasuringGraphics->MeasureString(View(text), *measuringFont);
  return {0.0f, static_cast<float>(ascent), RoundedWidth(box.x + box.width), static_cast<float>(lineHeight)};
}

float LGDIRenderer::RoundedWidth(float right) const {
  if (mScreenResolution != 96 && mScreenResolution > 0)
    right = 9600.0f / static_cast<float>(mScreenResolution) * right / 100.0f;
  float width = static_cast<float>(static_cast<std::int32_t>(right + 0.9999f));
  if (width > 0)
    width += 3.0f;
  return width;
}

void LGDIRenderer::MeasureCaretPositions(const WideString& text, const RCPtr<LFont>& font,
                                         std::vector<float>& positions) {
  const Platform::Font* measuringFont =
      text.IsEmpty() || !font || !mMeasuringGraphics ? nullptr : GetPlatformFont(*font, font->GetSize());
  std::vector<float> stops;
  if (measuringFont)
    stops = mMeasuringGraphics->MeasureCaretStops(View(text), *measuringFont);
  if (stops.size() != static_cast<std::size_t>(text.GetLength()) + 1) {
    // Nothing to lay out with, or a text the layout cannot hold: prefix by prefix.
    LMeasurementRenderer::MeasureCaretPositions(text, font, positions);
    return;
  }
  positions.resize(stops.size());
  positions[0] = 0.0f;
  for (std::size_t i = 1; i < stops.size(); ++i)
    positions[i] = stops[i] < 0.0f ? kNoCaretStop : RoundedWidth(stops[i]);
}

void LGDIRenderer::DrawText(const WideString& text, const RCPtr<LFont>& font, const PointT<std::int32_t>& position,
                            const Color& color) {
  Platform::Canvas* graphics = DrawingGraphics();
  if (!graphics || !font || text.IsEmpty())
    return;
  const Platform::Font* drawingFont = GetPlatformFont(*font, mFontScale * font->GetSize());
  if (!drawingFont)
    return;
  graphics->DrawString(View(text), *drawingFont,
                       {static_cast<float>(position.x), static_cast<float>(position.y) - 1.0f}, color.ToARGB());
}

void LGDIRenderer::FrameRect(const RectT<std::int32_t>& rect, const Color& color, float lineWidth) {
  if (Platform::Canvas* graphics = DrawingGraphics())
    graphics->StrokeRect(ToRectI(rect), color.ToARGB(), lineWidth);
}

void LGDIRenderer::FillRect(const RectT<std::int32_t>& rect, const Color& color, bool blend) {
  if (mCurrentContext && mCurrentContext->GetBackBuffer()->IsClearPending()) {
    // Set pixels need no clear beneath them; blended ones only when opaque.
    if (!blend && Holds(rect.x, rect.y, rect.width, rect.height, mCurrentContext->GetBackBuffer()->GetSize()))
      mCurrentContext->GetBackBuffer()->DropPendingClear();
    else if (blend && (color.ToARGB() >> 24) == 0xFF)
      DropClearUnder(rect);
  }
  Platform::Canvas* graphics = DrawingGraphics();
  if (!graphics)
    return;
  if (blend) {
    graphics->FillRect(ToRectI(rect), color.ToARGB());
    return;
  }
  if (Platform::Surface* pixels = mCurrentContext->GetBackBuffer()->GetBitmap())
    pixels->FillPixels(ToRectI(rect), color.ToARGB());
}

void LGDIRenderer::FillAndFrameRect(const RectT<std::int32_t>& rect, const Color& fillColor,
                                    const Color& frameColor, float lineWidth) {
  if (fillColor.a > 0)
    FillRect(rect, fillColor, true);
  if (frameColor.a > 0)
    FrameRect(rect, frameColor, lineWidth);
}

void LGDIRenderer::DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& position,
                                     bool /*cache*/) {
  if (!CurrentGraphics())
    return;
  Translate(position);
  const RectT<float>* rects = list.GetData();
  const std::uint32_t* colors = list.GetColorData();
  const float scaleX = list.GetScaleX(), scaleY = list.GetScaleY();
  for (std::uint32_t i = list.GetCount(); i-- > 0;) {
    const RectT<float>& r = rects[i];
    const RectT<float> scaled{r.x * scaleX, r.y * scaleY, r.width * scaleX, r.height * scaleY};
    FillRect(scaled.RoundToLong(), Color::FromARGB(colors[i]), true);
  }
  Translate({-position.x, -position.y});
}

void LGDIRenderer::DrawLine(const PointT<float>& from, const PointT<float>& to, const Color& color,
                            float lineWidth) {
  if (Platform::Canvas* graphics = DrawingGraphics())
    graphics->StrokeLine({from.x, from.y}, {to.x, to.y}, color.ToARGB(), lineWidth);
}

void LGDIRenderer::DrawLines(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                             const PointT<float>& scale, bool cache) {
  DrawPath(polyline, color, position, scale, cache, PathKind::Segments, false);
}

void LGDIRenderer::DrawPolyline(const PolylineT<float>& polyline, const Color& color,
                                const PointT<float>& position, const PointT<float>& scale, bool cache) {
  DrawPath(polyline, color, position, scale, cache, PathKind::Strip, false);
}

void LGDIRenderer::DrawPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                               const PointT<float>& scale, bool cache) {
  DrawPath(polyline, color, position, scale, cache, PathKind::Polygon, false);
}

void LGDIRenderer::FillPolygon(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                               const PointT<float>& scale, bool cache) {
  DrawPath(polyline, color, position, scale, cache, PathKind::Polygon, true);
}

void LGDIRenderer::DrawPath(const PolylineT<float>& polyline, const Color& color, const PointT<float>& position,
                            const PointT<float>& scale, bool cache, PathKind kind, bool fill) {
  Platform::Canvas* graphics = DrawingGraphics();
  if (!graphics)
    return;
  RCPtr<LGraphicsPath>& entry = mPathCache.Get(polyline, false);
  if (polyline.IsChanged()) {
    polyline.ClearChanged();
    entry = nullptr;
  }
  if (!entry) {
    entry = MakeRCPtr<LGraphicsPath>();
    Platform::Path& path = entry->mPath;
    const std::uint32_t count = polyline.GetCount();
    const auto* points = reinterpret_cast<const Platform::PointF*>(polyline.GetData());
    switch (kind) {
    case PathKind::Segments:
      for (std::uint32_t i = 0; i + 1 < count; i += 2) {
        path.StartFigure();
        path.AddLine(points[i], points[i + 1]);
      }
      break;
    case PathKind::Strip:
      path.AddLines({points, count});
      break;
    case PathKind::Polygon:
      path.AddPolygon({points, count});
      break;
    }
  }
  const RCPtr<LGraphicsPath> built = entry;

  const std::uint32_t argb = color.ToARGB();
  Translate({position.x, position.y});
  ApplyPendingOrigin();
  const bool unscaled =
      std::fabs(scale.x - 1.0f) < kUnitScaleTolerance && std::fabs(scale.y - 1.0f) < kUnitScaleTolerance;
  const Platform::Path scaledPath = unscaled ? Platform::Path() : built->mPath.Scaled(scale.x, scale.y);
  const Platform::Path& drawn = unscaled ? built->mPath : scaledPath;
  if (fill)
    graphics->FillPath(drawn, argb);
  else
    graphics->StrokePath(drawn, argb, polyline.GetLineWidth());
  Translate({-double{position.x}, -double{position.y}});

  if (!cache)
    entry = nullptr; // the key stays registered
}

RCPtr<LGDIRenderer::LCachedBitmap> LGDIRenderer::RenderBitmap(const LBitmap& bitmap, std::int32_t width,
                                                              std::int32_t height, std::int32_t resizeType) {
  Platform::Image& image = *bitmap.GetGdiplusBitmap();
  const std::uint64_t changeCount = image.GetChangeCount();
  const auto sx = static_cast<float>(bitmap.GetX()), sy = static_cast<float>(bitmap.GetY());
  const auto sw = static_cast<float>(bitmap.GetWidth()), sh = static_cast<float>(bitmap.GetHeight());
  const auto w = static_cast<float>(width), h = static_cast<float>(height);
  // Same size: a plain copy, whatever the resize type.
  const std::int32_t mode = (sw == w && sh == h) ? kResizeStretch : resizeType;
  if (mode != kResizeStretch && mode != kResizeTile && mode != kResizeCentre)
    ThrowException<std::invalid_argument>("Invalid ResizeType passed to DrawBitmap.",
                                          "QZ::LGDIRenderer::DrawBitmap", kSourcePath, 559);

  std::unique_ptr<Platform::Surface> rendering = Platform::Surface::Create(width, height);
  if (!rendering)
    return nullptr;
  // The temporary draws with the canvas defaults: bilinear filtering.
  std::unique_ptr<Platform::Canvas> canvas = Platform::Canvas::Create(*rendering);
  const Platform::RectF source{sx, sy, sw, sh};
  switch (mode) {
  case kResizeStretch:
    DrawImagePart(*canvas, image, {0, 0, w, h}, source);
    break;
  case kResizeCentre:
    DrawImagePart(*canvas, image, {(w - sw) * 0.5f, (h - sh) * 0.5f, sw, sh}, source);
    break;
  default: { // kResizeTile
    if (w / sw < 3 && h / sh < 3) {
      for (float x = 0; x < w; x += sw)
        for (float y = 0; y < h; y += sh)
          DrawImagePart(*canvas, image, {x, y, sw, sh}, source);
      break;
    }
    // Many repeats: one fill with the picture repeated from (0, 0).
    const Platform::RectI tile{bitmap.GetX(), bitmap.GetY(), bitmap.GetWidth(), bitmap.GetHeight()};
    if (canvas->FillTiled(image, tile, {0, 0, width, height}) != Platform::ImageStatus::InvalidParameter)
      break;
    // A picture reaching past its image repeats with transparent pixels
    // where the image has none.
    std::unique_ptr<Platform::Surface> padded = Platform::Surface::Create(tile.width, tile.height);
    if (!padded)
      break;
    DrawImagePart(*Platform::Canvas::Create(*padded), image, {0, 0, sw, sh}, source);
    if (std::unique_ptr<Platform::Image> picture = padded->ToImage())
      canvas->FillTiled(*picture, {0, 0, tile.width, tile.height}, {0, 0, width, height});
    break;
  }
  }
  canvas.reset();
  std::unique_ptr<Platform::CachedImage> cached = Platform::CachedImage::Create(*rendering);
  if (!cached)
    return nullptr;
  return MakeRCPtr<LCachedBitmap>(std::move(cached), changeCount, IsOpaque(*rendering));
}

void LGDIRenderer::DrawBitmap(const RCPtr<LBitmap>& bitmap, const RectT<std::int32_t>& destination,
                              std::int32_t resizeType) {
  if (!mCurrentContext)
    ThrowException<std::runtime_error>("", "QZ::LGDIRenderer::DrawBitmap", kSourcePath, 568);
  // Nothing to draw: no pixels, an empty picture (whose tiles would never
  // end) or an empty destination.
  if (!bitmap || !bitmap->GetGdiplusBitmap() || bitmap->GetWidth() < 1 || bitmap->GetHeight() < 1 ||
      destination.width < 1 || destination.height < 1)
    return;
  // The state's canvas, without paying an owed clear: the picture may cover it.
  if (!CurrentGraphics())
    return;
  RCPtr<LCachedBitmap>& entry = mBitmapCache.Get({bitmap, destination.width, destination.height}, false);
  // A rendering of pixels that have changed since would show the old picture.
  if (!entry || entry->GetSourceChangeCount() != bitmap->GetGdiplusBitmap()->GetChangeCount()) {
    entry = RenderBitmap(*bitmap, destination.width, destination.height, resizeType);
    // The entry slot stays valid: bounding empties objects, it moves no entry.
    BoundBitmapCacheBytes(entry.Get());
  }
  if (!entry)
    return;
  if (entry->IsOpaque() && mCurrentContext->GetBackBuffer()->IsClearPending())
    DropClearUnder(destination);
  DrawingGraphics()->DrawCached(entry->GetImage(), destination.x, destination.y);
}

std::uint64_t LGDIRenderer::GetBitmapCacheBytes() const {
  std::uint64_t bytes = 0;
  for (std::uint32_t i = 0; i < mBitmapCache.GetCapacity(); ++i) {
    if (const LCachedBitmap* cached = mBitmapCache.GetEntry(i).mObject.Get())
      bytes += cached->GetByteSize();
  }
  return bytes;
}

void LGDIRenderer::BoundBitmapCacheBytes(const LCachedBitmap* kept) {
  std::uint64_t bytes = GetBitmapCacheBytes();
  while (bytes > kGDIBitmapCacheBytes) {
    // The least recently drawn of the others; ages count back from the use
    // counter, so they stay right when it wraps.
    BitmapCache::Entry* oldest = nullptr;
    std::uint32_t oldestAge = 0;
    for (std::uint32_t i = 0; i < mBitmapCache.GetCapacity(); ++i) {
      BitmapCache::Entry& entry = mBitmapCache.GetEntry(i);
      if (!entry.mObject || entry.mObject.Get() == kept)
        continue;
      const std::uint32_t age = mBitmapCache.mUseCounter - entry.mLastUse;
      if (!oldest || age > oldestAge) {
        oldest = &entry;
        oldestAge = age;
      }
    }
    if (!oldest)
      return; // the kept rendering alone is larger than the bound
    bytes -= oldest->mObject->GetByteSize();
    oldest->mObject = nullptr; // the key stays registered, like a purged entry
  }
}

QZRESULT LGDIRenderer::DrawSurfacePart(const RCPtr<LRenderContextInfo>& offscreen,
                                       const PointT<std::int32_t>& destination,
                                       const RectT<std::int32_t>& source) {
  auto* context = dynamic_cast<LGDIRenderContextInfo*>(offscreen.GetRaw());
  if (!context || !context->mOffscreen)
    return E_INVALIDARG;
  Platform::Canvas* graphics = DrawingGraphics();
  if (!graphics)
    return E_FAIL;
  return context->GetBackBuffer()->CopyRect(*graphics, destination, source) == Platform::ImageStatus::Ok ? S_OK
                                                                                                         : E_FAIL;
}

QZRESULT LGDIRenderer::ScrollOffscreenSurface(const RCPtr<LRenderContextInfo>& offscreen,
                                              const PointT<std::int32_t>& offset) {
  auto* context = dynamic_cast<LGDIRenderContextInfo*>(offscreen.GetRaw());
  if (!context || !context->mOffscreen)
    return E_INVALIDARG;
  ApplyPendingClip(); // on the canvas it was meant for, before the buffers change places
  const RCPtr<LGDIRendererOffscreenSurface> old = context->GetBackBuffer();
  context->SwapBuffers();
  Platform::Canvas* graphics = context->GetGraphics();
  if (!graphics)
    return E_FAIL;
  graphics->Clear(0);
  const SizeT<std::int32_t> size = old->GetSize();
  return old->CopyRect(*graphics, offset, {0, 0, size.width, size.height}) == Platform::ImageStatus::Ok ? S_OK
                                                                                                        : E_FAIL;
}

} // namespace QZ
