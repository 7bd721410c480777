#pragma once
// The scripted scene the 2D drawing benchmarks draw: a 1200 x 640 window of
// 60 framed cells (10 x 6), 30 of them with a stretched picture, 60 text
// labels in DejaVu Sans 9, and a tiled strip along the bottom; plus the
// partial repaint of one button (the first cell). Every drawing road (Cairo
// and Pango called directly, the 2D layer, the renderer) draws exactly this.

#include <cstdint>
#include <string>
#include <vector>

namespace QZBench {

struct SceneRect {
  int x, y, width, height;
};

struct SceneLabel {
  std::u16string text;
  int x, y;
};

struct Scene {
  static constexpr int kWidth = 1200;
  static constexpr int kHeight = 640;
  static constexpr std::uint32_t kBackground = 0xFF2B2E33;
  static constexpr std::uint32_t kFrameColour = 0xFF8A9099;
  static constexpr std::uint32_t kTextColour = 0xFFE8E8E8;
  static constexpr float kFontPoints = 9.0f;

  // The picture sheet (64 x 32): a 24 x 24 picture at (0, 0) and a 16 x 16
  // tile at (32, 0); the rest is other pictures' pixels.
  static constexpr int kSheetWidth = 64;
  static constexpr int kSheetHeight = 32;
  static constexpr SceneRect kPicture{0, 0, 24, 24};
  static constexpr SceneRect kTile{32, 0, 16, 16};

  std::vector<SceneRect> frames;   // outlines, 1 pixel
  std::vector<SceneRect> pictures; // destinations of the stretched picture
  std::vector<SceneLabel> labels;
  SceneRect strip{0, 608, kWidth, 32}; // tiled
  SceneRect button{0, 0, 120, 100};    // the partial repaint: cell 0

  static Scene Make() {
    Scene scene;
    for (int row = 0; row < 6; ++row) {
      for (int column = 0; column < 10; ++column) {
        const int x = column * 120, y = row * 100;
        const int cell = row * 10 + column;
        scene.frames.push_back({x + 4, y + 4, 111, 91});
        if (cell % 2 == 0)
          scene.pictures.push_back({x + 28, y + 12, 64, 48});
        std::u16string text = u"Parameter ";
        for (char c : std::to_string(cell + 1))
          text += static_cast<char16_t>(c);
        scene.labels.push_back({std::move(text), x + 10, y + 72});
      }
    }
    return scene;
  }

  // Pixel (x, y) of the sheet as straight 0xAARRGGBB: a soft-edged disc for
  // the picture, a checker for the tile, noise elsewhere.
  static std::uint32_t SheetPixel(int x, int y) {
    if (x < 24 && y < 24) {
      const int dx = 2 * x - 23, dy = 2 * y - 23;
      const int d = dx * dx + dy * dy;
      const std::uint32_t alpha = d < 400 ? 255u : d < 529 ? 128u : 0u;
      return alpha << 24 | 0x3080D0u;
    }
    if (x >= 32 && x < 48 && y < 16)
      return ((x / 4 + y / 4) % 2) ? 0xFF405060u : 0xFF506070u;
    return 0xFF000000u | static_cast<std::uint32_t>((x * 7919 + y * 104729) & 0xFFFFFF);
  }
};

} // namespace QZBench
