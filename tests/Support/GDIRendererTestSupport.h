#pragma once
// Helpers of the GDI+ renderer's tests: a renderer with a window context on an
// in-memory window and a clock the test sets, pictures made pixel by pixel,
// dirty regions, back-buffer reads, and font design metrics the test chooses.

#include "Platform/Graphics2D/Font.h"
#include "Platform/Graphics2D/WindowTarget.h"
#include "QZFramework/Renderer/Gdi/GDIRenderer.h"
#include "QZFramework/Utilities/Graphics/Bitmap.h"
#include "Support/FakeFrameworkApp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace QZ::test {

// A bitmap of its own image whose pixel (x, y) is pixel(x, y), straight
// 0xAARRGGBB.
inline RCPtr<LBitmap> MakeBitmap(std::int32_t width, std::int32_t height,
                                 const std::function<std::uint32_t(std::int32_t, std::int32_t)>& pixel) {
  RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap({width, height}, Color{});
  Platform::Image* image = bitmap->GetGdiplusBitmap();
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      EXPECT_EQ(image->SetPixel(x, y, pixel(x, y)), Platform::ImageStatus::Ok);
  return bitmap;
}

// Empties the context's dirty region and adds the rectangles {x, y, width, height}.
inline void SetDirty(LRenderContextInfo& context, std::initializer_list<RectT<std::int32_t>> rects) {
  context.mDirtyRegion.Clear();
  for (const RectT<std::int32_t>& r : rects)
    context.mDirtyRegion.AddRect({r.x, r.y, r.x + r.width, r.y + r.height});
}

// A back-buffer pixel, straight 0xAARRGGBB; 0xDEADBEEF when there is none.
inline std::uint32_t BackPixel(const LGDIRenderContextInfo& context, std::int32_t x, std::int32_t y) {
  std::uint32_t argb = 0xDEADBEEF;
  if (Platform::Surface* surface = context.GetBackBuffer()->GetBitmap())
    surface->GetPixel(x, y, argb);
  return argb;
}

// Design metrics chosen by the test for one family; none for the others.
class FixedFontMetrics final : public Platform::FontMetricsProvider {
public:
  FixedFontMetrics(std::string family, Platform::FontDesignMetrics metrics)
      : mFamily(std::move(family)), mMetrics(metrics) {}
  bool GetDesignMetrics(const std::string& family, std::int32_t style,
                        Platform::FontDesignMetrics& metrics) override {
    asked[family] = style;
    if (family != mFamily)
      return false;
    metrics = mMetrics;
    return true;
  }
  std::map<std::string, std::int32_t> asked;

private:
  std::string mFamily;
  Platform::FontDesignMetrics mMetrics;
};

// Puts a metrics provider in for a scope and the previous one back afterwards.
class FontMetricsScope {
public:
  explicit FontMetricsScope(std::shared_ptr<Platform::FontMetricsProvider> provider)
      : mPrevious(Platform::SetFontMetricsProvider(std::move(provider))) {}
  ~FontMetricsScope() { Platform::SetFontMetricsProvider(mPrevious); }
  FontMetricsScope(const FontMetricsScope&) = delete;
  FontMetricsScope& operator=(const FontMetricsScope&) = delete;

private:
  std::shared_ptr<Platform::FontMetricsProvider> mPrevious;
};

// A GDI+ renderer made at the application clock's time 0, with a window
// context on an in-memory window (opaque white at first).
class GDIRendererFixture : public ::testing::Test {
protected:
  static constexpr std::int32_t kWidth = 100;
  static constexpr std::int32_t kHeight = 80;

  GDIRendererFixture()
      : mWindow(kWidth, kHeight, 0xFFFFFFFF), mRenderer(MakeRCPtr<LGDIRenderer>()),
        mContext(MakeContext({0, 0, kWidth, kHeight}, &mWindow, false)) {}

  RCPtr<LGDIRenderContextInfo> MakeContext(const RectT<std::int32_t>& viewport, Platform::WindowTarget* window,
                                           bool offscreen) {
    RCPtr<LRenderContextInfo> context;
    EXPECT_EQ(mRenderer->InitRenderContextInfo(viewport, window, offscreen, context), S_OK);
    return DynamicCast<LGDIRenderContextInfo>(context);
  }

  void Start() { mRenderer->RenderStart(mContext); }
  void Finish() { mRenderer->RenderFinish(mContext); }
  std::uint32_t Back(std::int32_t x, std::int32_t y) const { return BackPixel(*mContext, x, y); }

  FakeFrameworkApp mApp; // the clock, before the renderer reads it
  Platform::MemoryWindow mWindow;
  RCPtr<LGDIRenderer> mRenderer;
  RCPtr<LGDIRenderContextInfo> mContext;
};

} // namespace QZ::test
