#include "Platform/SdlWindow/SdlWindowTarget.h"

#include <SDL.h>

#include <vector>

namespace QZ::Platform {

namespace {

bool Is32BitXrgb(const SDL_Surface* surface) {
  const Uint32 format = surface->format->format;
  return format == SDL_PIXELFORMAT_XRGB8888 || format == SDL_PIXELFORMAT_ARGB8888;
}

} // namespace

SdlWindowTarget::SdlWindowTarget(SDL_Window* window) : mWindow(window) {}

SdlWindowTarget::~SdlWindowTarget() {
  EndDraw();
  if (mCopy)
    SDL_FreeSurface(mCopy);
}

bool SdlWindowTarget::BeginDraw(WindowPixels& pixels) {
  pixels = {};
  EndDraw();
  if (!mWindow)
    return false;
  // Asked again every time: SDL makes a new surface when the window's size
  // has changed.
  mScreen = SDL_GetWindowSurface(mWindow);
  if (!mScreen || mScreen->w < 1 || mScreen->h < 1)
    return false;
  SDL_Surface* target = mScreen;
  if (!Is32BitXrgb(mScreen)) {
    if (!mCopy || mCopy->w != mScreen->w || mCopy->h != mScreen->h) {
      if (mCopy)
        SDL_FreeSurface(mCopy);
      mCopy = SDL_CreateRGBSurfaceWithFormat(0, mScreen->w, mScreen->h, 32, SDL_PIXELFORMAT_XRGB8888);
      if (!mCopy)
        return false;
    }
    target = mCopy;
  }
  if (SDL_MUSTLOCK(target)) {
    if (SDL_LockSurface(target) != 0)
      return false;
    mLocked = true;
  }
  pixels = {target->pixels, target->w, target->h, target->pitch};
  return true;
}

void SdlWindowTarget::Show(std::span<const RectI> rects) {
  if (!mScreen || rects.empty())
    return;
  std::vector<SDL_Rect> sdlRects;
  sdlRects.reserve(rects.size());
  for (const RectI& r : rects)
    sdlRects.push_back({r.x, r.y, r.width, r.height});
  const bool copied = mCopy && !Is32BitXrgb(mScreen);
  if (copied) {
    SDL_Surface* from = mCopy;
    if (mLocked)
      SDL_UnlockSurface(from);
    SDL_SetSurfaceBlendMode(from, SDL_BLENDMODE_NONE);
    for (SDL_Rect r : sdlRects) {
      SDL_Rect to = r;
      SDL_BlitSurface(from, &r, mScreen, &to);
    }
    if (mLocked)
      SDL_LockSurface(from);
  } else if (mLocked) {
    SDL_UnlockSurface(mScreen);
  }
  SDL_UpdateWindowSurfaceRects(mWindow, sdlRects.data(), static_cast<int>(sdlRects.size()));
  if (!copied && mLocked)
    SDL_LockSurface(mScreen);
}

void SdlWindowTarget::EndDraw() {
  if (mLocked) {
    SDL_UnlockSurface(mCopy && mScreen && !Is32BitXrgb(mScreen) ? mCopy : mScreen);
    mLocked = false;
  }
  mScreen = nullptr;
}

} // namespace QZ::Platform
