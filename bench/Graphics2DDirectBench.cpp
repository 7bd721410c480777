// The scripted scene (ScriptedScene.h) drawn with Cairo and Pango called
// directly: the yardstick for the drawing layer and the renderer. A full frame
// draws everything into a premultiplied back buffer and copies it to an
// in-memory window; a button repaint draws the first cell, clipped, and copies
// that rectangle. Nothing is cached between frames except what Cairo and Pango
// keep themselves (glyphs, fonts).

#include "ScriptedScene.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <string>

namespace {

using QZBench::Scene;
using QZBench::SceneRect;

void SetColour(cairo_t* cr, std::uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                        (argb >> 24) / 255.0);
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text)
    out += static_cast<char>(c); // the labels are ASCII
  return out;
}

class DirectScene {
public:
  DirectScene()
      : mScene(Scene::Make()),
        mBack(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Scene::kWidth, Scene::kHeight)),
        mWindow(cairo_image_surface_create(CAIRO_FORMAT_RGB24, Scene::kWidth, Scene::kHeight)),
        mSheet(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Scene::kSheetWidth, Scene::kSheetHeight)) {
    unsigned char* data = cairo_image_surface_get_data(mSheet);
    const int stride = cairo_image_surface_get_stride(mSheet);
    for (int y = 0; y < Scene::kSheetHeight; ++y)
      for (int x = 0; x < Scene::kSheetWidth; ++x) {
        const std::uint32_t p = Scene::SheetPixel(x, y), a = p >> 24;
        auto premultiply = [a](std::uint32_t c) { return (c * a + 127) / 255; };
        reinterpret_cast<std::uint32_t*>(data + y * stride)[x] = a << 24 | premultiply((p >> 16) & 0xFF) << 16 |
                                                                 premultiply((p >> 8) & 0xFF) << 8 |
                                                                 premultiply(p & 0xFF);
      }
    cairo_surface_mark_dirty(mSheet);
    mCairo = cairo_create(mBack);
    mLayout = pango_cairo_create_layout(mCairo);
    pango_cairo_context_set_resolution(pango_layout_get_context(mLayout), 96);
    PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans");
    pango_font_description_set_size(font, static_cast<int>(Scene::kFontPoints * PANGO_SCALE));
    pango_layout_set_font_description(mLayout, font);
    pango_font_description_free(font);
    pango_layout_context_changed(mLayout);
  }

  ~DirectScene() {
    g_object_unref(mLayout);
    cairo_destroy(mCairo);
    cairo_surface_destroy(mSheet);
    cairo_surface_destroy(mWindow);
    cairo_surface_destroy(mBack);
  }

  void FullFrame() {
    cairo_t* cr = mCairo;
    cairo_reset_clip(cr);
    Start(cr);
    cairo_rectangle(cr, 0, 0, Scene::kWidth, Scene::kHeight);
    cairo_fill(cr);
    for (const SceneRect& frame : mScene.frames)
      Frame(cr, frame);
    for (const SceneRect& picture : mScene.pictures)
      Picture(cr, picture);
    Strip(cr);
    for (const QZBench::SceneLabel& label : mScene.labels)
      Label(cr, label);
    Present({0, 0, Scene::kWidth, Scene::kHeight});
  }

  void Button() {
    cairo_t* cr = mCairo;
    const SceneRect& b = mScene.button;
    cairo_reset_clip(cr);
    cairo_rectangle(cr, b.x, b.y, b.width, b.height);
    cairo_clip(cr);
    Start(cr);
    cairo_rectangle(cr, b.x, b.y, b.width, b.height);
    cairo_fill(cr);
    Frame(cr, mScene.frames[0]);
    Picture(cr, mScene.pictures[0]);
    Label(cr, mScene.labels[0]);
    Present(b);
  }

private:
  static void Start(cairo_t* cr) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    SetColour(cr, Scene::kBackground);
  }

  static void Frame(cairo_t* cr, const SceneRect& r) {
    SetColour(cr, Scene::kFrameColour);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, r.x + 0.5, r.y + 0.5, r.width, r.height);
    cairo_stroke(cr);
  }

  void Picture(cairo_t* cr, const SceneRect& r) {
    const SceneRect& s = Scene::kPicture;
    cairo_surface_t* part = cairo_surface_create_for_rectangle(mSheet, s.x, s.y, s.width, s.height);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, static_cast<double>(s.width) / r.width,
                            static_cast<double>(s.height) / r.height);
    cairo_matrix_translate(&matrix, -r.x, -r.y);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(part);
  }

  void Strip(cairo_t* cr) {
    const SceneRect& s = Scene::kTile;
    const SceneRect& r = mScene.strip;
    cairo_surface_t* tile = cairo_surface_create_for_rectangle(mSheet, s.x, s.y, s.width, s.height);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(tile);
  }

  void Label(cairo_t* cr, const QZBench::SceneLabel& label) {
    const std::string text = Utf8(label.text);
    pango_layout_set_text(mLayout, text.data(), static_cast<int>(text.size()));
    SetColour(cr, Scene::kTextColour);
    cairo_move_to(cr, label.x, label.y - 1);
    pango_cairo_show_layout(cr, mLayout);
    cairo_new_path(cr);
  }

  // The back buffer's rectangle copied (not blended) into the window.
  void Present(const SceneRect& r) {
    cairo_surface_flush(mBack);
    cairo_t* window = cairo_create(mWindow);
    cairo_set_operator(window, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(window, mBack, 0, 0);
    cairo_rectangle(window, r.x, r.y, r.width, r.height);
    cairo_fill(window);
    cairo_destroy(window);
    cairo_surface_flush(mWindow);
  }

  Scene mScene;
  cairo_surface_t* mBack;
  cairo_surface_t* mWindow;
  cairo_surface_t* mSheet;
  cairo_t* mCairo = nullptr;
  PangoLayout* mLayout = nullptr;
};

void BM_DirectFullFrame(benchmark::State& state) {
  DirectScene scene;
  scene.FullFrame(); // fonts and glyphs loaded outside the measurement
  for (auto _ : state)
    scene.FullFrame();
}
BENCHMARK(BM_DirectFullFrame)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_DirectButton(benchmark::State& state) {
  DirectScene scene;
  scene.FullFrame();
  for (auto _ : state)
    scene.Button();
}
BENCHMARK(BM_DirectButton)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
