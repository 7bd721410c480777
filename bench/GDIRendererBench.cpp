// The scripted scene (ScriptedScene.h) drawn through the GDI+ renderer, as a
// native window drives it: a full frame (the whole viewport dirty, so the
// back buffers start empty) and a one-button partial repaint (its rectangle
// dirty and clipped to), each presented into an in-memory window. Bitmaps are
// drawn from the renderer's cache after the first frame.

#include "ScriptedScene.h"

#include "Platform/Graphics2D/WindowTarget.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Renderer/Gdi/GDIRenderer.h"

#include <benchmark/benchmark.h>

namespace {

using QZ::Color;
using QZ::RectT;
using QZBench::Scene;
using QZBench::SceneRect;

RectT<std::int32_t> ToRect(const SceneRect& r) { return {r.x, r.y, r.width, r.height}; }

class RendererScene {
public:
  RendererScene()
      : mScene(Scene::Make()), mWindow(Scene::kWidth, Scene::kHeight),
        mRenderer(QZ::MakeRCPtr<QZ::LGDIRenderer>()),
        mSheet(QZ::LBitmap::CreateFilledBitmap({Scene::kSheetWidth, Scene::kSheetHeight}, Color{})),
        mFont(QZ::LFont::GetFont(QZ::WideString(u"DejaVu Sans"), Scene::kFontPoints, 0)) {
    for (int y = 0; y < Scene::kSheetHeight; ++y)
      for (int x = 0; x < Scene::kSheetWidth; ++x)
        mSheet->GetGdiplusBitmap()->SetPixel(x, y, Scene::SheetPixel(x, y));
    mPicture = mSheet->CreateSubBitmap(Scene::kPicture.x, Scene::kPicture.y, Scene::kPicture.width,
                                       Scene::kPicture.height);
    mTile = mSheet->CreateSubBitmap(Scene::kTile.x, Scene::kTile.y, Scene::kTile.width, Scene::kTile.height);
    QZ::RCPtr<QZ::LRenderContextInfo> context;
    (void)mRenderer->InitRenderContextInfo({0, 0, Scene::kWidth, Scene::kHeight},
                                           static_cast<QZ::Platform::WindowTarget*>(&mWindow), false, context);
    mContext = context;
    for (const QZBench::SceneLabel& label : mScene.labels)
      mLabels.emplace_back(label.text.c_str());
  }

  void FullFrame() {
    Start({0, 0, Scene::kWidth, Scene::kHeight});
    Draw(false);
    mRenderer->RenderFinish(mContext);
  }

  void Button() {
    const SceneRect& b = mScene.button;
    Start(ToRect(b));
    // Clipped to the button, as a root window paints its invalid region.
    mRenderer->PushClip({0, 0, Scene::kWidth, Scene::kHeight},
                        {static_cast<double>(b.x), static_cast<double>(b.y), static_cast<double>(b.width),
                         static_cast<double>(b.height)},
                        QZ::RCPtr<QZ::LStencil>(), false);
    Draw(true);
    mRenderer->PopState();
    mRenderer->RenderFinish(mContext);
  }

private:
  void Start(const RectT<std::int32_t>& dirty) {
    mContext->mDirtyRegion.Clear();
    mContext->mDirtyRegion.AddRect({dirty.x, dirty.y, dirty.x + dirty.width, dirty.y + dirty.height});
    mRenderer->RenderStart(mContext);
  }

  void Draw(bool buttonOnly) {
    const std::size_t frames = buttonOnly ? 1 : mScene.frames.size();
    const std::size_t pictures = buttonOnly ? 1 : mScene.pictures.size();
    mRenderer->FillRect(buttonOnly ? ToRect(mScene.button)
                                   : RectT<std::int32_t>{0, 0, Scene::kWidth, Scene::kHeight},
                        Color::FromARGB(Scene::kBackground), true);
    for (std::size_t i = 0; i < frames; ++i)
      mRenderer->FrameRect(ToRect(mScene.frames[i]), Color::FromARGB(Scene::kFrameColour), 1.0f);
    for (std::size_t i = 0; i < pictures; ++i)
      mRenderer->DrawBitmap(mPicture, ToRect(mScene.pictures[i]), QZ::kResizeStretch);
    if (!buttonOnly)
      mRenderer->DrawBitmap(mTile, ToRect(mScene.strip), QZ::kResizeTile);
    for (std::size_t i = 0; i < frames; ++i)
      mRenderer->DrawText(mLabels[i], mFont, {mScene.labels[i].x, mScene.labels[i].y},
                          Color::FromARGB(Scene::kTextColour));
  }

  Scene mScene;
  QZ::Platform::MemoryWindow mWindow;
  QZ::RCPtr<QZ::LGDIRenderer> mRenderer;
  QZ::RCPtr<QZ::LRenderContextInfo> mContext;
  QZ::RCPtr<QZ::LBitmap> mSheet;
  QZ::RCPtr<QZ::LBitmap> mPicture;
  QZ::RCPtr<QZ::LBitmap> mTile;
  QZ::RCPtr<QZ::LFont> mFont;
  std::vector<QZ::WideString> mLabels;
};

void BM_RendererFullFrame(benchmark::State& state) {
  RendererScene scene;
  scene.FullFrame(); // fonts, glyphs and the bitmap cache filled outside the measurement
  for (auto _ : state)
    scene.FullFrame();
}
BENCHMARK(BM_RendererFullFrame)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_RendererButton(benchmark::State& state) {
  RendererScene scene;
  scene.FullFrame();
  for (auto _ : state)
    scene.Button();
}
BENCHMARK(BM_RendererButton)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
