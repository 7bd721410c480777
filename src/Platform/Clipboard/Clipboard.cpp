#include "Platform/Clipboard/Clipboard.h"

#include <SDL.h>

#include <mutex>

namespace QZ::Platform {

namespace {

// SDL keeps no change count, so this one compares what the clipboard holds with
// what it held at the last look: a read per query, which the callers (a paste,
// a copy) can afford.
class SDLClipboard final : public Clipboard {
public:
  SDLClipboard() : mReady(SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {}
  ~SDLClipboard() override {
    if (mReady)
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool HasText() override { return mReady && SDL_HasClipboardText() == SDL_TRUE; }

  bool GetText(std::string& utf8) override {
    std::string text;
    if (!Read(text))
      return false;
    utf8 = std::move(text);
    return true;
  }

  bool SetText(std::string_view utf8) override {
    if (!mReady)
      return false;
    const std::string text(utf8.substr(0, utf8.find('\0')));
    if (SDL_SetClipboardText(text.c_str()) != 0)
      return false;
    Changed(text, false);
    return true;
  }

  bool Claim() override {
    if (!mReady || SDL_SetClipboardText("") != 0)
      return false;
    Changed(std::string(), true);
    return true;
  }

  bool IsClaimed() override {
    Refresh();
    return mClaimed;
  }

  std::uint32_t GetSequenceNumber() override {
    Refresh();
    return mSequence;
  }

private:
  bool Read(std::string& text) {
    if (!mReady)
      return false;
    char* chars = SDL_GetClipboardText();
    if (!chars)
      return false;
    text = chars;
    SDL_free(chars);
    return true;
  }

  void Refresh() {
    std::string now;
    if (Read(now) && now != mLastSeen)
      Changed(now, false);
  }

  void Changed(const std::string& now, bool claimed) {
    ++mSequence;
    mLastSeen = now;
    mClaimed = claimed;
  }

  const bool mReady;
  std::uint32_t mSequence = 1;
  std::string mLastSeen;
  bool mClaimed = false;
};

struct Installed {
  std::mutex lock;
  std::shared_ptr<Clipboard> clipboard;
};

Installed& GetInstalled() {
  static Installed installed;
  return installed;
}

} // namespace

std::shared_ptr<Clipboard> GetClipboard() {
  Installed& installed = GetInstalled();
  std::lock_guard guard(installed.lock);
  if (!installed.clipboard)
    installed.clipboard = std::make_shared<SDLClipboard>();
  return installed.clipboard;
}

std::shared_ptr<Clipboard> SetClipboard(std::shared_ptr<Clipboard> clipboard) {
  Installed& installed = GetInstalled();
  std::lock_guard guard(installed.lock);
  installed.clipboard.swap(clipboard);
  return clipboard;
}

} // namespace QZ::Platform
