#pragma once
// A renderer for the look and text-block tests: text measures 10 pixels per
// character (the box starts 1 pixel right of the pen, so x + width is what
// counts) and one line height high; fills, pictures and texts are recorded
// with the origin they were drawn at.

#include "QZFramework/Renderer/RendererTestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace QZ::test {

class MeasuringRenderer : public RecordingRenderer {
public:
  struct Drawn {
    std::string what; // "fill", "bitmap" or the text
    RectT<std::int32_t> rect;
    PointT<double> origin;
    std::uint32_t argb = 0;
  };

  RectT<float> MeasureText(const WideString& text, const RCPtr<LFont>&) override {
    ++mMeasureCalls;
    return {1.0f, static_cast<float>(mAscent), static_cast<float>(text.GetLength()) * mCharWidth - 1.0f,
            static_cast<float>(mLineHeight)};
  }
  void FillRect(const RectT<std::int32_t>& rect, const Color& color, bool) override {
    mDrawn.push_back({"fill", rect, Origin(), color.ToARGB()});
  }
  void DrawBitmap(const RCPtr<LBitmap>&, const RectT<std::int32_t>& rect, std::int32_t resizeType) override {
    mDrawn.push_back({"bitmap", rect, Origin(), static_cast<std::uint32_t>(resizeType)});
  }
  void DrawText(const WideString& text, const RCPtr<LFont>&, const PointT<std::int32_t>& position,
                const Color& color) override {
    mDrawn.push_back({text.ToNarrow().GetChars(), {position.x, position.y, 0, 0}, Origin(), color.ToARGB()});
  }

  PointT<double> Origin() const {
    const RenderState* state = GetCurrentState();
    return state ? state->mOrigin : PointT<double>{};
  }

  float mCharWidth = 10.0f;
  int mMeasureCalls = 0;
  std::vector<Drawn> mDrawn;
};

} // namespace QZ::test
