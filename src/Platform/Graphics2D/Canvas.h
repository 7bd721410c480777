#pragma once
// Canvas: drawing on a Surface or on a window (through Cairo, text through
// Pango). Colours are straight 0xAARRGGBB words.
//
// Coordinates: a drawing coordinate goes through the canvas's transform (a
// translation) to a pixel. Pixel centres are on whole coordinates, so a
// one-pixel line at y = 5 covers exactly row 5 and a rectangle outline
// {x, y, w, h} covers columns x to x + w. Images are placed by their pixel
// edges: pixel (0, 0) of an image drawn at (10, 10) lands on pixel (10, 10).
//
// The clip is one rectangle, given in drawing coordinates under the current
// transform and kept where it then lies in pixels (later translations do not
// move it).
//
// A new canvas draws without antialiasing, scales images bilinearly and blends
// (source over), with no transform and no clip. A canvas on a window draws
// into the window's pixels and shows what it drew on Flush and when it goes.
//
// One thread at a time; the canvas keeps its surface's pixels alive. An
// Image drawn from keeps a premultiplied copy of itself, made again after
// every write to it.

#include "Platform/Graphics2D/Font.h"
#include "Platform/Graphics2D/Geometry2D.h"
#include "Platform/Graphics2D/Image.h"
#include "Platform/Graphics2D/Path.h"
#include "Platform/Graphics2D/Surface.h"
#include "Platform/Graphics2D/WindowTarget.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace QZ::Platform {

enum class ImageFilter : std::int32_t { Nearest, Bilinear };
enum class CompositingMode : std::int32_t { SourceOver, SourceCopy };
// Prepend: the new translation happens first, in the current drawing
// coordinates; Append: it happens last, in pixels.
enum class MatrixOrder : std::int32_t { Prepend, Append };

// A copy of a surface's pixels, drawn at a position under the canvas's
// translation (the renderers' pre-rendered bitmaps).
class CachedImage {
public:
  // Null when memory runs out.
  static std::unique_ptr<CachedImage> Create(const Surface& surface);

  CachedImage(const CachedImage&) = delete;
  CachedImage& operator=(const CachedImage&) = delete;
  ~CachedImage();

  std::int32_t GetWidth() const { return mWidth; }
  std::int32_t GetHeight() const { return mHeight; }

private:
  friend class Canvas;
  CachedImage(std::int32_t width, std::int32_t height, void* surface);

  std::int32_t mWidth;
  std::int32_t mHeight;
  std::shared_ptr<void> mSurface;
};

class Canvas {
public:
  static constexpr float kDpi = 96.0f;

  // Never null for a surface; null for a window that lends no pixels now.
  static std::unique_ptr<Canvas> Create(Surface& surface);
  static std::unique_ptr<Canvas> Create(WindowTarget& window);

  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas();

  // Pixels per inch, for turning point sizes into pixels.
  float GetDpiX() const { return kDpi; }

  void SetAntialias(bool on);
  void SetImageFilter(ImageFilter filter);
  void SetCompositingMode(CompositingMode mode);

  void ResetTransform();
  void Translate(float dx, float dy, MatrixOrder order);
  // Replaces the clip.
  void SetClipRect(const RectF& rect);

  void FillRect(const RectI& rect, std::uint32_t argb);
  // A width of 0 or less draws one pixel wide.
  void StrokeRect(const RectI& rect, std::uint32_t argb, float width);
  void StrokeLine(PointF from, PointF to, std::uint32_t argb, float width);
  void StrokePath(const Path& path, std::uint32_t argb, float width);
  // Alternate (even-odd) fill of every figure, open ones closed.
  void FillPath(const Path& path, std::uint32_t argb);

  // The source rectangle of the image scaled into the destination, with the
  // canvas's filter; pixels outside the source rectangle never bleed in.
  // InvalidParameter when the source does not lie inside the image,
  // WrongState while the image is locked; an empty destination draws nothing.
  ImageStatus DrawImage(Image& image, const RectF& destination, const RectF& source);
  // The source rectangle of the surface 1:1 at the destination; the part of
  // the rectangle outside the surface is left out.
  ImageStatus DrawSurface(const Surface& surface, PointI destination, const RectI& source);
  // Fills the destination with copies of the image's source rectangle, one
  // of them with its top-left corner at drawing coordinate (0, 0).
  ImageStatus FillTiled(Image& image, const RectI& source, const RectI& destination);
  void DrawCached(const CachedImage& image, std::int32_t x, std::int32_t y);

  // Sets every pixel of the target to the colour, whatever the transform,
  // clip and compositing mode.
  void Clear(std::uint32_t argb);
  // Finishes the drawing so far; a window shows what was drawn.
  void Flush();

  // The text's top-left corner at the position, on one line (no wrapping).
  void DrawString(std::u16string_view text, const Font& font, PointF position, std::uint32_t argb);
  // The text's box on one line from (0, 0), in pixels, trailing spaces
  // included; the height is the font's line height even for empty text.
  RectF MeasureString(std::u16string_view text, const Font& font);
  // Where a caret may stand in the text laid out on one line, from a single
  // layout of the whole text: one entry per UTF-16 index 0..size, the width
  // in pixels of the text before that index, or -1 where no caret may stand
  // (inside a surrogate pair, between a letter and its combining marks, inside
  // any cluster the shaper keeps together). Index 0 and the end are always
  // stops; the end's width is the sum of every character's advance. Empty
  // when the layout cannot hold the text as given (an embedded zero ends it).
  std::vector<float> MeasureCaretStops(std::u16string_view text, const Font& font);

private:
  friend class PdfDocument;
  Canvas(void* surface, WindowTarget* window, std::int32_t width, std::int32_t height);
  void SetColor(std::uint32_t argb);
  void AddPath(const Path& path, double offset);
  void FillCurrent();
  void StrokeCurrent();
  void NoteDamage(double x1, double y1, double x2, double y2);
  RectF Visible(const RectF& rect) const;
  void* Layout(std::u16string_view text, const Font& font);
  void* LayoutUtf8(const std::string& utf8, const Font& font);

  std::shared_ptr<void> mTarget; // the drawing library's surface
  void* mCairo = nullptr;        // the drawing library's context
  void* mLayout = nullptr;       // Pango's layout, made on first use
  WindowTarget* mWindow;
  std::int32_t mWidth;
  std::int32_t mHeight;
  ImageFilter mFilter = ImageFilter::Bilinear;
  std::vector<RectI> mDamage; // window pixels drawn and not yet shown
};

} // namespace QZ::Platform
