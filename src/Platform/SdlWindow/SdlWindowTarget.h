#pragma once
// SdlWindowTarget: an SDL window's surface as the target of a Canvas. Drawing
// goes straight into the window surface when it holds 32-bit pixels, else into
// a 32-bit copy that is converted into it; the rectangles drawn are then
// brought to the screen (SDL_UpdateWindowSurfaceRects) and nothing else.
//
// The window belongs to the caller and must outlive the target. SDL's video
// subsystem is started by the caller. UI thread only.

#include "Platform/Graphics2D/WindowTarget.h"

#include <memory>
#include <span>

struct SDL_Window;
struct SDL_Surface;

namespace QZ::Platform {

class SdlWindowTarget final : public WindowTarget {
public:
  explicit SdlWindowTarget(SDL_Window* window);
  ~SdlWindowTarget() override;
  SdlWindowTarget(const SdlWindowTarget&) = delete;
  SdlWindowTarget& operator=(const SdlWindowTarget&) = delete;

  bool BeginDraw(WindowPixels& pixels) override;
  void Show(std::span<const RectI> rects) override;
  void EndDraw() override;

private:
  SDL_Window* mWindow;
  SDL_Surface* mScreen = nullptr; // the window surface while drawing
  SDL_Surface* mCopy = nullptr;   // 32-bit stand-in for a window surface of another format
  bool mLocked = false;
};

} // namespace QZ::Platform
