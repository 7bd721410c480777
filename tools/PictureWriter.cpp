// The pictures: the controller, the logos, the arrows of the up-down and combo controls, each drawn at the
// standard size and at twice it, and the two drop cursors (32 x 32, hot spot at 0,0).
#include "ResourceGenerator.h"
#include "SkinLayout.h"

#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Graphics2D/Font.h"
#include "Platform/Graphics2D/Path.h"
#include "Platform/Graphics2D/Surface.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace QZ::Tools {

namespace {

using Platform::Canvas;
using Platform::PointF;
using Platform::RectI;

constexpr std::uint32_t kBody = 0xFF2B2F36;
constexpr std::uint32_t kBodyEdge = 0xFF161A1F;
constexpr std::uint32_t kWhiteKey = 0xFFF5F5F2;
constexpr std::uint32_t kBlackKey = 0xFF111111;
constexpr std::uint32_t kKeyGap = 0xFF8A8F96;
constexpr std::uint32_t kPad = 0xFF4A5260;
constexpr std::uint32_t kAccent = 0xFF3E8ED0;
constexpr std::uint32_t kInk = 0xFF1A1D21;
constexpr std::uint32_t kCursorInk = 0xFF000000;
constexpr std::uint32_t kCursorOutline = 0xFFFFFFFF;

std::unique_ptr<Platform::Font> MakeFont(float pixels, std::int32_t style) {
  std::shared_ptr<const Platform::FontFamily> family = Platform::FontFamily::FromName(u"DejaVu Sans");
  if (!family)
    family = Platform::FontFamily::GenericSansSerif();
  return Platform::Font::Create(family, pixels, style, Platform::FontUnit::Pixel);
}

void RoundedRect(Canvas& canvas, float x, float y, float w, float h, float r, std::uint32_t argb) {
  Platform::Path path;
  constexpr int kSteps = 6;
  PointF points[4 * (kSteps + 1)];
  int n = 0;
  const float cx[4] = {x + w - r, x + w - r, x + r, x + r};
  const float cy[4] = {y + r, y + h - r, y + h - r, y + r};
  for (int corner = 0; corner < 4; ++corner) {
    for (int i = 0; i <= kSteps; ++i) {
      const float a = (static_cast<float>(corner) - 1.0f + static_cast<float>(i) / kSteps) * 1.5707964f;
      points[n++] = {cx[corner] + r * std::cos(a), cy[corner] + r * std::sin(a)};
    }
  }
  path.AddPolygon(points);
  canvas.FillPath(path, argb);
}

void Centred(Canvas& canvas, std::u16string_view text, const Platform::Font& font, float width, float height,
             std::uint32_t argb) {
  const Platform::RectF box = canvas.MeasureString(text, font);
  canvas.DrawString(text, font, {(width - box.width) / 2.0f, (height - box.height) / 2.0f}, argb);
}

void ControllerBody(Canvas& canvas, float s) {
  const float w = static_cast<float>(Layout::kControllerBodyBox.width) * s;
  const float h = static_cast<float>(Layout::kControllerBodyBox.height) * s;
  RoundedRect(canvas, 0, 0, w, h, 12 * s, kBodyEdge);
  RoundedRect(canvas, 3 * s, 3 * s, w - 6 * s, h - 6 * s, 10 * s, kBody);
  // Eight pads (one per stored program) and four knobs over the keys.
  for (int i = 0; i < 8; ++i) {
    const float x = 20 * s + static_cast<float>(i) * 34 * s;
    RoundedRect(canvas, x, 18 * s, 28 * s, 28 * s, 4 * s, kPad);
    canvas.FillRect({static_cast<std::int32_t>(x + 4 * s), static_cast<std::int32_t>(40 * s),
                     static_cast<std::int32_t>(20 * s), static_cast<std::int32_t>(2 * s)},
                    kAccent);
  }
  for (int i = 0; i < 4; ++i) {
    const float x = 300 * s + static_cast<float>(i) * 36 * s;
    RoundedRect(canvas, x, 18 * s, 28 * s, 28 * s, 14 * s, kPad);
    canvas.StrokeLine({x + 14 * s, 22 * s}, {x + 14 * s, 30 * s}, kWhiteKey, 2 * s);
  }
  if (const auto font = MakeFont(12 * s, Platform::kFontBold))
    canvas.DrawString(u"PELLAN VORN", *font,
                      {w - 16 * s - canvas.MeasureString(u"PELLAN VORN", *font).width, 24 * s}, kWhiteKey);
  // Twenty-five keys: fifteen white, ten black.
  const float top = 64 * s;
  const float keyH = h - top - 12 * s;
  const float left = 12 * s;
  const float keyW = (w - 2 * left) / 15.0f;
  for (int i = 0; i < 15; ++i) {
    const float x = left + static_cast<float>(i) * keyW;
    canvas.FillRect({static_cast<std::int32_t>(x), static_cast<std::int32_t>(top), static_cast<std::int32_t>(keyW),
                     static_cast<std::int32_t>(keyH)},
                    kKeyGap);
    canvas.FillRect({static_cast<std::int32_t>(x + s), static_cast<std::int32_t>(top),
                     static_cast<std::int32_t>(keyW - 2 * s), static_cast<std::int32_t>(keyH - s)},
                    kWhiteKey);
  }
  static constexpr bool kHasBlack[7] = {true, true, false, true, true, true, false};
  for (int i = 0; i < 14; ++i) {
    if (!kHasBlack[i % 7])
      continue;
    const float x = left + (static_cast<float>(i) + 1.0f) * keyW - keyW * 0.3f;
    canvas.FillRect({static_cast<std::int32_t>(x), static_cast<std::int32_t>(top),
                     static_cast<std::int32_t>(keyW * 0.6f), static_cast<std::int32_t>(keyH * 0.6f)},
                    kBlackKey);
  }
}

void Wordmark(Canvas& canvas, float s, float width, float height, std::u16string_view text, float size) {
  RoundedRect(canvas, 0, 0, width, height, 6 * s, kBody);
  if (const auto font = MakeFont(size * s, Platform::kFontBold))
    Centred(canvas, text, *font, width, height, kWhiteKey);
}

void CompanyLogo(Canvas& canvas, float s) {
  const float w = static_cast<float>(Layout::kCompanyLogoBox.width) * s;
  const float h = static_cast<float>(Layout::kCompanyLogoBox.height) * s;
  Platform::Path mark;
  const PointF triangle[3] = {{4 * s, h - 6 * s}, {22 * s, 6 * s}, {40 * s, h - 6 * s}};
  mark.AddPolygon(triangle);
  canvas.FillPath(mark, kAccent);
  if (const auto font = MakeFont(22 * s, Platform::kFontBold))
    canvas.DrawString(u"TOLVANE", *font, {48 * s, (h - canvas.MeasureString(u"TOLVANE", *font).height) / 2}, kInk);
  static_cast<void>(w);
}

void Arrow(Canvas& canvas, float s, float width, float height, bool up, std::uint32_t face) {
  canvas.Clear(face);
  const float cx = width / 2;
  const float cy = height / 2;
  const float a = 4 * s;
  Platform::Path path;
  const PointF upward[3] = {{cx - a, cy + a / 2}, {cx + a, cy + a / 2}, {cx, cy - a / 2}};
  const PointF downward[3] = {{cx - a, cy - a / 2}, {cx + a, cy - a / 2}, {cx, cy + a / 2}};
  path.AddPolygon(up ? upward : downward);
  canvas.FillPath(path, Layout::kButtonText);
}

// One picture at one scale into "<name><suffix>.png".
bool Save(const std::filesystem::path& folder, const std::string& name, std::int32_t width, std::int32_t height,
          const std::function<void(Canvas&)>& draw) {
  const std::unique_ptr<Platform::Surface> surface = Platform::Surface::Create(width, height);
  if (!surface)
    return false;
  {
    const std::unique_ptr<Canvas> canvas = Canvas::Create(*surface);
    canvas->SetAntialias(true);
    draw(*canvas);
    canvas->Flush();
  }
  const std::unique_ptr<Platform::Image> image = surface->ToImage();
  const std::filesystem::path path = folder / (name + ".png");
  if (!image || image->SavePngFile(path.string().c_str()) != Platform::ImageStatus::Ok) {
    std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

// A drop cursor: the arrow with its tip at 0,0 and a small sign below it (a plus for copy, a box for move).
void DropCursor(Canvas& canvas, bool copy) {
  Platform::Path arrow;
  const PointF outline[7] = {{0, 0}, {0, 21}, {5, 16}, {9, 25}, {13, 23}, {9, 15}, {16, 15}};
  arrow.AddPolygon(outline);
  canvas.FillPath(arrow, kCursorOutline);
  Platform::Path inner;
  const PointF body[7] = {{1.5f, 3.5f}, {1.5f, 17.5f}, {5.5f, 13.5f}, {9.5f, 22},
                          {11, 21.3f},  {7, 13},       {12.5f, 13}};
  inner.AddPolygon(body);
  canvas.FillPath(inner, kCursorInk);
  canvas.FillRect({17, 19, 13, 13}, kCursorOutline);
  canvas.FillRect({18, 20, 11, 11}, kCursorInk);
  if (copy) {
    canvas.FillRect({20, 25, 7, 1}, kCursorOutline);
    canvas.FillRect({23, 22, 1, 7}, kCursorOutline);
  } else {
    canvas.StrokeRect({20, 22, 6, 6}, kCursorOutline, 1);
  }
}

} // namespace

bool WritePictures(const std::filesystem::path& folder) {
  bool ok = true;
  for (const std::int32_t scale : {1, 2}) {
    const auto s = static_cast<float>(scale);
    const std::string suffix = scale == 1 ? "" : "2x";
    for (const Layout::Picture& picture : Layout::kPictures) {
      const std::int32_t width = picture.width * scale;
      const std::int32_t height = picture.height * scale;
      const auto w = static_cast<float>(width);
      const auto h = static_cast<float>(height);
      const std::string name = picture.name;
      std::function<void(Canvas&)> draw;
      if (name == "ControllerBody")
        draw = [s](Canvas& c) { ControllerBody(c, s); };
      else if (name == "ProductLabel0")
        draw = [s, w, h](Canvas& c) { Wordmark(c, s, w, h, u"PELLAN VORN", 15); };
      else if (name == "ProductLabel1")
        draw = [s, w, h](Canvas& c) { Wordmark(c, s, w, h, u"PELLAN WIRELESS VORN", 15); };
      else if (name == "ProductLogo")
        draw = [s, w, h](Canvas& c) { Wordmark(c, s, w, h, u"PELLAN VORN", 24); };
      else if (name == "CompanyLogo")
        draw = [s](Canvas& c) { CompanyLogo(c, s); };
      else if (name.rfind("ArrowUp", 0) == 0 || name.rfind("ArrowDown", 0) == 0) {
        const bool up = name.rfind("ArrowUp", 0) == 0;
        const std::uint32_t face = name.ends_with("Pressed") ? Layout::kButtonPressed
                                   : name.ends_with("Hover") ? Layout::kButtonHover
                                                             : Layout::kButtonFace;
        draw = [s, w, h, up, face](Canvas& c) { Arrow(c, s, w, h, up, face); };
      } else if (name == "ComboArrow") {
        draw = [s, w, h](Canvas& c) { Arrow(c, s, w, h, false, Layout::kButtonFace); };
      }
      if (!draw) {
        std::fprintf(stderr, "no drawing for picture %s\n", picture.name);
        return false;
      }
      ok = Save(folder, name + suffix, width, height, draw) && ok;
    }
  }
  ok = Save(folder, "cursor_drop_copy", Layout::kCursorSize, Layout::kCursorSize,
            [](Canvas& c) { DropCursor(c, true); }) &&
       ok;
  ok = Save(folder, "cursor_drop_move", Layout::kCursorSize, Layout::kCursorSize,
            [](Canvas& c) { DropCursor(c, false); }) &&
       ok;
  return ok;
}

} // namespace QZ::Tools
