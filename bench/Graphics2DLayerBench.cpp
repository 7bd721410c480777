// The scripted scene (ScriptedScene.h) drawn through our 2D layer (Canvas on
// a Surface, presented into a MemoryWindow), the road the renderer takes,
// without the renderer's caches: its cost against the direct drawing is the
// layer's own.

#include "ScriptedScene.h"

#include "Platform/Graphics2D/Canvas.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace QZ::Platform;
using QZBench::Scene;
using QZBench::SceneRect;

RectI ToRect(const SceneRect& r) { return {r.x, r.y, r.width, r.height}; }

RectF ToRectF(const SceneRect& r) {
  return {static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width),
          static_cast<float>(r.height)};
}

class LayerScene {
public:
  LayerScene()
      : mScene(Scene::Make()), mBack(Surface::Create(Scene::kWidth, Scene::kHeight)),
        mWindow(Scene::kWidth, Scene::kHeight), mSheet(Image::Create(Scene::kSheetWidth, Scene::kSheetHeight)),
        mCanvas(Canvas::Create(*mBack)), mFont(Font::Create(FontFamily::FromName(u"DejaVu Sans"),
                                                            Scene::kFontPoints, kFontRegular, FontUnit::Point)) {
    for (int y = 0; y < Scene::kSheetHeight; ++y)
      for (int x = 0; x < Scene::kSheetWidth; ++x)
        mSheet->SetPixel(x, y, Scene::SheetPixel(x, y));
    mCanvas->SetImageFilter(ImageFilter::Nearest);
  }

  void FullFrame() {
    mCanvas->SetClipRect({0, 0, Scene::kWidth, Scene::kHeight});
    Draw(false);
    Present({0, 0, Scene::kWidth, Scene::kHeight});
  }

  void Button() {
    mCanvas->SetClipRect(ToRectF(mScene.button));
    Draw(true);
    Present(ToRect(mScene.button));
  }

private:
  void Draw(bool buttonOnly) {
    const std::size_t frames = buttonOnly ? 1 : mScene.frames.size();
    const std::size_t pictures = buttonOnly ? 1 : mScene.pictures.size();
    mCanvas->FillRect(buttonOnly ? ToRect(mScene.button) : RectI{0, 0, Scene::kWidth, Scene::kHeight},
                      Scene::kBackground);
    for (std::size_t i = 0; i < frames; ++i)
      mCanvas->StrokeRect(ToRect(mScene.frames[i]), Scene::kFrameColour, 1);
    for (std::size_t i = 0; i < pictures; ++i)
      mCanvas->DrawImage(*mSheet, ToRectF(mScene.pictures[i]), ToRectF(Scene::kPicture));
    if (!buttonOnly)
      mCanvas->FillTiled(*mSheet, ToRect(Scene::kTile), ToRect(mScene.strip));
    for (std::size_t i = 0; i < frames; ++i) {
      const QZBench::SceneLabel& label = mScene.labels[i];
      mCanvas->DrawString(label.text, *mFont, {static_cast<float>(label.x), static_cast<float>(label.y - 1)},
                          Scene::kTextColour);
    }
  }

  void Present(const RectI& r) {
    mCanvas->Flush();
    std::unique_ptr<Canvas> window = Canvas::Create(mWindow);
    window->SetCompositingMode(CompositingMode::SourceCopy);
    window->DrawSurface(*mBack, {r.x, r.y}, r);
  }

  Scene mScene;
  std::unique_ptr<Surface> mBack;
  MemoryWindow mWindow;
  std::unique_ptr<Image> mSheet;
  std::unique_ptr<Canvas> mCanvas;
  std::unique_ptr<Font> mFont;
};

void BM_LayerFullFrame(benchmark::State& state) {
  LayerScene scene;
  scene.FullFrame();
  for (auto _ : state)
    scene.FullFrame();
}
BENCHMARK(BM_LayerFullFrame)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_LayerButton(benchmark::State& state) {
  LayerScene scene;
  scene.FullFrame();
  for (auto _ : state)
    scene.Button();
}
BENCHMARK(BM_LayerButton)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
