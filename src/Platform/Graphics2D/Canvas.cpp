#include "Platform/Graphics2D/Canvas.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace QZ::Platform {

namespace {

// Cairo keeps coordinates in 24.8 fixed point: geometry far outside the target
// must be cut down before it gets there.
constexpr double kMargin = 16.0;

cairo_surface_t* CairoSurface(const std::shared_ptr<void>& surface) {
  return static_cast<cairo_surface_t*>(surface.get());
}

std::shared_ptr<void> HoldSurface(cairo_surface_t* surface) {
  return {surface, [](void* s) { cairo_surface_destroy(static_cast<cairo_surface_t*>(s)); }};
}

double Channel(std::uint32_t argb, int shift) { return static_cast<double>((argb >> shift) & 0xFF) / 255.0; }

cairo_filter_t CairoFilter(ImageFilter filter) {
  return filter == ImageFilter::Nearest ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR;
}

bool Whole(float v) { return std::floor(v) == v; }

cairo_t* AsCairo(void* cairo) { return static_cast<cairo_t*>(cairo); }

} // namespace

CachedImage::CachedImage(std::int32_t width, std::int32_t height, void* surface)
    : mWidth(width), mHeight(height), mSurface(HoldSurface(static_cast<cairo_surface_t*>(surface))) {}

CachedImage::~CachedImage() = default;

std::unique_ptr<CachedImage> CachedImage::Create(const Surface& surface) {
  cairo_surface_t* from = CairoSurface(surface.mSurface);
  cairo_surface_flush(from);
  cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, surface.GetWidth(), surface.GetHeight());
  if (cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(copy);
    return nullptr;
  }
  const int fromStride = cairo_image_surface_get_stride(from);
  const int toStride = cairo_image_surface_get_stride(copy);
  const unsigned char* source = cairo_image_surface_get_data(from);
  unsigned char* target = cairo_image_surface_get_data(copy);
  for (std::int32_t y = 0; y < surface.GetHeight(); ++y)
    std::memcpy(target + static_cast<std::ptrdiff_t>(y) * toStride,
                source + static_cast<std::ptrdiff_t>(y) * fromStride,
                static_cast<std::size_t>(surface.GetWidth()) * 4);
  cairo_surface_mark_dirty(copy);
  return std::unique_ptr<CachedImage>(new CachedImage(surface.GetWidth(), surface.GetHeight(), copy));
}

Canvas::Canvas(void* surface, WindowTarget* window, std::int32_t width, std::int32_t height)
    : mTarget(HoldSurface(static_cast<cairo_surface_t*>(surface))), mWindow(window), mWidth(width),
      mHeight(height) {
  cairo_t* cr = cairo_create(CairoSurface(mTarget));
  mCairo = cr;
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
}

std::unique_ptr<Canvas> Canvas::Create(Surface& surface) {
  cairo_surface_t* target = CairoSurface(surface.mSurface);
  cairo_surface_reference(target);
  return std::unique_ptr<Canvas>(new Canvas(target, nullptr, surface.GetWidth(), surface.GetHeight()));
}

std::unique_ptr<Canvas> Canvas::Create(WindowTarget& window) {
  WindowPixels pixels;
  if (!window.BeginDraw(pixels))
    return nullptr;
  cairo_surface_t* target = nullptr;
  if (pixels.pixels && pixels.width > 0 && pixels.height > 0 &&
      pixels.stride >= cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, pixels.width)) {
    target = cairo_image_surface_create_for_data(static_cast<unsigned char*>(pixels.pixels), CAIRO_FORMAT_RGB24,
                                                 pixels.width, pixels.height, pixels.stride);
    if (cairo_surface_status(target) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(target);
      target = nullptr;
    }
  }
  if (!target) {
    window.EndDraw();
    return nullptr;
  }
  return std::unique_ptr<Canvas>(new Canvas(target, &window, pixels.width, pixels.height));
}

Canvas::~Canvas() {
  if (mLayout)
    g_object_unref(mLayout);
  cairo_destroy(AsCairo(mCairo));
  if (mWindow) {
    cairo_surface_flush(CairoSurface(mTarget));
    if (!mDamage.empty())
      mWindow->Show(mDamage);
    // The window takes its pixels back: nothing may reach them any more.
    cairo_surface_finish(CairoSurface(mTarget));
    mWindow->EndDraw();
  }
}

void Canvas::SetAntialias(bool on) {
  cairo_set_antialias(AsCairo(mCairo), on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void Canvas::SetImageFilter(ImageFilter filter) { mFilter = filter; }

void Canvas::SetCompositingMode(CompositingMode mode) {
  cairo_set_operator(AsCairo(mCairo),
                     mode == CompositingMode::SourceCopy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
}

void Canvas::ResetTransform() { cairo_identity_matrix(AsCairo(mCairo)); }

void Canvas::Translate(float dx, float dy, MatrixOrder order) {
  if (order == MatrixOrder::Prepend) {
    cairo_translate(AsCairo(mCairo), dx, dy);
    return;
  }
  cairo_matrix_t matrix;
  cairo_get_matrix(AsCairo(mCairo), &matrix);
  matrix.x0 += dx;
  matrix.y0 += dy;
  cairo_set_matrix(AsCairo(mCairo), &matrix);
}

// The part of a rectangle (drawing coordinates) that can reach the target,
// with a margin; width or height 0 when none.
RectF Canvas::Visible(const RectF& rect) const {
  double left = 0, top = 0, right = mWidth, bottom = mHeight;
  cairo_device_to_user(AsCairo(mCairo), &left, &top);
  cairo_device_to_user(AsCairo(mCairo), &right, &bottom);
  const double x1 = std::max<double>(rect.x, std::min(left, right) - kMargin);
  const double y1 = std::max<double>(rect.y, std::min(top, bottom) - kMargin);
  const double x2 = std::min<double>(double{rect.x} + rect.width, std::max(left, right) + kMargin);
  const double y2 = std::min<double>(double{rect.y} + rect.height, std::max(top, bottom) + kMargin);
  if (!(x2 > x1) || !(y2 > y1))
    return {static_cast<float>(rect.x), static_cast<float>(rect.y), 0, 0};
  return {static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2 - x1),
          static_cast<float>(y2 - y1)};
}

void Canvas::SetClipRect(const RectF& rect) {
  cairo_t* cr = AsCairo(mCairo);
  cairo_reset_clip(cr);
  const RectF visible = Visible(rect);
  cairo_rectangle(cr, visible.x, visible.y, std::max(visible.width, 0.0f), std::max(visible.height, 0.0f));
  cairo_clip(cr);
}

void Canvas::SetColor(std::uint32_t argb) {
  cairo_set_source_rgba(AsCairo(mCairo), Channel(argb, 16), Channel(argb, 8), Channel(argb, 0), Channel(argb, 24));
}

void Canvas::NoteDamage(double x1, double y1, double x2, double y2) {
  cairo_t* cr = AsCairo(mCairo);
  double cx1, cy1, cx2, cy2;
  cairo_clip_extents(cr, &cx1, &cy1, &cx2, &cy2);
  x1 = std::max(x1, cx1);
  y1 = std::max(y1, cy1);
  x2 = std::min(x2, cx2);
  y2 = std::min(y2, cy2);
  if (!(x2 > x1) || !(y2 > y1))
    return;
  double corners[4][2] = {{x1, y1}, {x2, y1}, {x1, y2}, {x2, y2}};
  double left = mWidth, top = mHeight, right = 0, bottom = 0;
  for (auto& corner : corners) {
    cairo_user_to_device(cr, &corner[0], &corner[1]);
    left = std::min(left, corner[0]);
    top = std::min(top, corner[1]);
    right = std::max(right, corner[0]);
    bottom = std::max(bottom, corner[1]);
  }
  const auto l = static_cast<std::int32_t>(std::max(0.0, std::floor(left)));
  const auto t = static_cast<std::int32_t>(std::max(0.0, std::floor(top)));
  const auto r = static_cast<std::int32_t>(std::min<double>(mWidth, std::ceil(right)));
  const auto b = static_cast<std::int32_t>(std::min<double>(mHeight, std::ceil(bottom)));
  if (r > l && b > t)
    mDamage.push_back({l, t, r - l, b - t});
}

void Canvas::FillCurrent() {
  cairo_t* cr = AsCairo(mCairo);
  if (mWindow) {
    double x1, y1, x2, y2;
    cairo_fill_extents(cr, &x1, &y1, &x2, &y2);
    NoteDamage(x1, y1, x2, y2);
  }
  cairo_fill(cr);
}

void Canvas::StrokeCurrent() {
  cairo_t* cr = AsCairo(mCairo);
  if (mWindow) {
    double x1, y1, x2, y2;
    cairo_stroke_extents(cr, &x1, &y1, &x2, &y2);
    NoteDamage(x1, y1, x2, y2);
  }
  cairo_stroke(cr);
}

void Canvas::FillRect(const RectI& rect, std::uint32_t argb) {
  const RectF visible = Visible({static_cast<float>(rect.x), static_cast<float>(rect.y),
                                 static_cast<float>(rect.width), static_cast<float>(rect.height)});
  if (visible.width <= 0 || visible.height <= 0)
    return;
  SetColor(argb);
  cairo_rectangle(AsCairo(mCairo), visible.x, visible.y, visible.width, visible.height);
  FillCurrent();
}

void Canvas::StrokeRect(const RectI& rect, std::uint32_t argb, float width) {
  SetColor(argb);
  cairo_set_line_width(AsCairo(mCairo), width > 0 ? width : 1.0);
  cairo_rectangle(AsCairo(mCairo), rect.x + 0.5, rect.y + 0.5, rect.width, rect.height);
  StrokeCurrent();
}

void Canvas::StrokeLine(PointF from, PointF to, std::uint32_t argb, float width) {
  SetColor(argb);
  cairo_set_line_width(AsCairo(mCairo), width > 0 ? width : 1.0);
  cairo_move_to(AsCairo(mCairo), from.x + 0.5, from.y + 0.5);
  cairo_line_to(AsCairo(mCairo), to.x + 0.5, to.y + 0.5);
  StrokeCurrent();
}

void Canvas::AddPath(const Path& path, double offset) {
  cairo_t* cr = AsCairo(mCairo);
  for (const Path::Figure& figure : path.GetFigures()) {
    if (figure.points.empty())
      continue;
    cairo_new_sub_path(cr);
    for (const PointF& p : figure.points)
      cairo_line_to(cr, p.x + offset, p.y + offset);
    if (figure.closed)
      cairo_close_path(cr);
  }
}

void Canvas::StrokePath(const Path& path, std::uint32_t argb, float width) {
  SetColor(argb);
  cairo_set_line_width(AsCairo(mCairo), width > 0 ? width : 1.0);
  AddPath(path, 0.5);
  StrokeCurrent();
}

void Canvas::FillPath(const Path& path, std::uint32_t argb) {
  SetColor(argb);
  AddPath(path, 0.5); // centre sampling on whole coordinates, as for lines
  FillCurrent();
}

ImageStatus Canvas::DrawImage(Image& image, const RectF& destination, const RectF& source) {
  if (!(source.x >= 0) || !(source.y >= 0) || !(source.width > 0) || !(source.height > 0) ||
      double{source.x} + source.width > image.GetWidth() || double{source.y} + source.height > image.GetHeight())
    return ImageStatus::InvalidParameter;
  if (!(destination.width > 0) || !(destination.height > 0))
    return ImageStatus::Ok;
  auto* pixels = static_cast<cairo_surface_t*>(image.PremultipliedCopy());
  if (!pixels)
    return image.GetLastStatus();
  const RectF visible = Visible(destination);
  if (visible.width <= 0 || visible.height <= 0)
    return ImageStatus::Ok;
  cairo_t* cr = AsCairo(mCairo);
  // A sub-surface padded at its edges keeps the neighbours of the source
  // rectangle (other pictures of a sheet) out of the filtered edge pixels.
  const bool whole = Whole(source.x) && Whole(source.y) && Whole(source.width) && Whole(source.height);
  cairo_surface_t* from =
      whole ? cairo_surface_create_for_rectangle(pixels, source.x, source.y, source.width, source.height)
            : cairo_surface_reference(pixels);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(from);
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, double{source.width} / destination.width,
                          double{source.height} / destination.height);
  cairo_matrix_translate(&matrix, -double{destination.x}, -double{destination.y});
  if (!whole) {
    cairo_matrix_t shift;
    cairo_matrix_init_translate(&shift, source.x, source.y);
    cairo_matrix_multiply(&matrix, &matrix, &shift);
  }
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_pattern_set_filter(pattern, CairoFilter(mFilter));
  cairo_pattern_set_extend(pattern, whole ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
  cairo_set_source(cr, pattern);
  cairo_rectangle(cr, visible.x, visible.y, visible.width, visible.height);
  FillCurrent();
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(from);
  return ImageStatus::Ok;
}

ImageStatus Canvas::DrawSurface(const Surface& surface, PointI destination, const RectI& source) {
  const std::int64_t left = std::max<std::int64_t>(source.x, 0);
  const std::int64_t top = std::max<std::int64_t>(source.y, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{source.x} + source.width, surface.GetWidth());
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{source.y} + source.height, surface.GetHeight());
  if (source.width < 0 || source.height < 0)
    return ImageStatus::InvalidParameter;
  if (left >= right || top >= bottom)
    return ImageStatus::Ok;
  cairo_t* cr = AsCairo(mCairo);
  const double x = static_cast<double>(destination.x) + static_cast<double>(left - source.x);
  const double y = static_cast<double>(destination.y) + static_cast<double>(top - source.y);
  cairo_set_source_surface(cr, CairoSurface(surface.mSurface), x - static_cast<double>(left),
                           y - static_cast<double>(top));
  cairo_pattern_set_filter(cairo_get_source(cr), CairoFilter(mFilter));
  cairo_rectangle(cr, x, y, static_cast<double>(right - left), static_cast<double>(bottom - top));
  FillCurrent();
  return ImageStatus::Ok;
}

ImageStatus Canvas::FillTiled(Image& image, const RectI& source, const RectI& destination) {
  if (source.x < 0 || source.y < 0 || source.width < 1 || source.height < 1 ||
      std::int64_t{source.x} + source.width > image.GetWidth() ||
      std::int64_t{source.y} + source.height > image.GetHeight())
    return ImageStatus::InvalidParameter;
  auto* pixels = static_cast<cairo_surface_t*>(image.PremultipliedCopy());
  if (!pixels)
    return image.GetLastStatus();
  const RectF visible = Visible({static_cast<float>(destination.x), static_cast<float>(destination.y),
                                 static_cast<float>(destination.width), static_cast<float>(destination.height)});
  if (visible.width <= 0 || visible.height <= 0)
    return ImageStatus::Ok;
  cairo_t* cr = AsCairo(mCairo);
  cairo_surface_t* tile =
      cairo_surface_create_for_rectangle(pixels, source.x, source.y, source.width, source.height);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CairoFilter(mFilter));
  cairo_set_source(cr, pattern);
  cairo_rectangle(cr, visible.x, visible.y, visible.width, visible.height);
  FillCurrent();
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(tile);
  return ImageStatus::Ok;
}

void Canvas::DrawCached(const CachedImage& image, std::int32_t x, std::int32_t y) {
  cairo_t* cr = AsCairo(mCairo);
  cairo_set_source_surface(cr, CairoSurface(image.mSurface), x, y);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr, x, y, image.GetWidth(), image.GetHeight());
  FillCurrent();
}

void Canvas::Clear(std::uint32_t argb) {
  cairo_t* cr = AsCairo(mCairo);
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_reset_clip(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  SetColor(argb);
  cairo_paint(cr);
  cairo_restore(cr);
  if (mWindow)
    mDamage.assign(1, RectI{0, 0, mWidth, mHeight});
}

void Canvas::Flush() {
  cairo_surface_flush(CairoSurface(mTarget));
  if (mWindow && !mDamage.empty()) {
    mWindow->Show(mDamage);
    mDamage.clear();
  }
}

void* Canvas::Layout(std::u16string_view text, const Font& font) { return LayoutUtf8(ToUtf8(text), font); }

void* Canvas::LayoutUtf8(const std::string& utf8, const Font& font) {
  cairo_t* cr = AsCairo(mCairo);
  if (!mLayout) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoContext* context = pango_layout_get_context(layout);
    pango_cairo_context_set_resolution(context, kDpi);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout);
    mLayout = layout;
  }
  auto* layout = static_cast<PangoLayout*>(mLayout);
  pango_cairo_update_layout(cr, layout);
  pango_layout_set_font_description(layout, static_cast<const PangoFontDescription*>(font.mDescription.get()));
  pango_layout_set_attributes(layout, static_cast<PangoAttrList*>(font.mAttributes.get()));
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  return layout;
}

void Canvas::DrawString(std::u16string_view text, const Font& font, PointF position, std::uint32_t argb) {
  if (text.empty())
    return;
  cairo_t* cr = AsCairo(mCairo);
  auto* layout = static_cast<PangoLayout*>(Layout(text, font));
  if (mWindow) {
    PangoRectangle ink;
    pango_layout_get_pixel_extents(layout, &ink, nullptr);
    NoteDamage(double{position.x} + ink.x, double{position.y} + ink.y, double{position.x} + ink.x + ink.width,
               double{position.y} + ink.y + ink.height);
  }
  SetColor(argb);
  cairo_move_to(cr, position.x, position.y);
  pango_cairo_show_layout(cr, layout);
  cairo_new_path(cr);
}

RectF Canvas::MeasureString(std::u16string_view text, const Font& font) {
  auto* layout = static_cast<PangoLayout*>(Layout(text, font));
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  constexpr float kScale = PANGO_SCALE;
  return {static_cast<float>(logical.x) / kScale, static_cast<float>(logical.y) / kScale,
          static_cast<float>(logical.width) / kScale, static_cast<float>(logical.height) / kScale};
}

std::vector<float> Canvas::MeasureCaretStops(std::u16string_view text, const Font& font) {
  // The UTF-8 text as ToUtf8 makes it (a pair is one code point, a lone half
  // one U+FFFD), with each code point's first UTF-16 unit and first byte.
  const std::string utf8 = ToUtf8(text);
  std::vector<std::size_t> unitOfChar;
  std::vector<int> charOfByte; // -1 inside a code point's bytes
  unitOfChar.reserve(text.size() + 1);
  charOfByte.reserve(utf8.size() + 1);
  for (std::size_t i = 0; i < text.size();) {
    const char16_t unit = text[i];
    const bool pair =
        unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    std::size_t bytes = 3; // the BMP above U+07FF, and U+FFFD for a lone half
    if (pair)
      bytes = 4;
    else if (unit < 0x80)
      bytes = 1;
    else if (unit < 0x800)
      bytes = 2;
    charOfByte.push_back(static_cast<int>(unitOfChar.size()));
    charOfByte.insert(charOfByte.end(), bytes - 1, -1);
    unitOfChar.push_back(i);
    i += pair ? 2 : 1;
  }
  if (charOfByte.size() != utf8.size())
    return {};
  const std::size_t chars = unitOfChar.size();
  unitOfChar.push_back(text.size());
  charOfByte.push_back(static_cast<int>(chars));

  auto* layout = static_cast<PangoLayout*>(LayoutUtf8(utf8, font));
  // Pango keeps the text up to its first zero byte only.
  if (std::strlen(pango_layout_get_text(layout)) != utf8.size())
    return {};
  int attributeCount = 0;
  const PangoLogAttr* attributes = pango_layout_get_log_attrs_readonly(layout, &attributeCount);
  if (attributes == nullptr || static_cast<std::size_t>(attributeCount) != chars + 1)
    return {};

  // Each character's share of its cluster's advance, in Pango units: a
  // cluster's characters together carry exactly its advance. Characters no
  // run holds (line breaks) have none.
  std::vector<int> widths(chars + 1, 0);
  for (GSList* lines = pango_layout_get_lines_readonly(layout); lines != nullptr; lines = lines->next) {
    const auto* line = static_cast<const PangoLayoutLine*>(lines->data);
    for (GSList* runs = line->runs; runs != nullptr; runs = runs->next) {
      const auto* run = static_cast<const PangoGlyphItem*>(runs->data);
      const PangoItem* item = run->item;
      if (item->offset < 0 || static_cast<std::size_t>(item->offset) >= utf8.size())
        continue;
      const int first = charOfByte[static_cast<std::size_t>(item->offset)];
      if (first < 0 || static_cast<std::size_t>(first + item->num_chars) > chars)
        continue;
      pango_glyph_string_get_logical_widths(run->glyphs, utf8.data() + item->offset, item->length,
                                            item->analysis.level, widths.data() + first);
    }
  }

  std::vector<float> stops(text.size() + 1, -1.0f);
  long long along = 0;
  for (std::size_t c = 0; c <= chars; ++c) {
    if (c == 0 || c == chars || attributes[c].is_cursor_position)
      stops[unitOfChar[c]] = static_cast<float>(static_cast<double>(along) / PANGO_SCALE);
    if (c < chars)
      along += widths[c];
  }
  return stops;
}

} // namespace QZ::Platform
