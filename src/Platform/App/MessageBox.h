#pragma once
// Modal message boxes: a text, a caption and a style word that chooses the
// buttons (low four bits) and the icon (bits 4-7), answered with the button
// the user pressed. Style and answers keep the values the stored callers use
// (0x10 is the error icon with one OK button, answered kMessageBoxOk).
//
// A box may have an owner window: it stays above it. Without one it stands alone.
//
// One presenter serves the process: the one installed last, or SDL's message
// box. Tests install a FakeMessageBox, so that none is ever shown. Presenters
// are used on the UI thread; installing one is safe from any thread.

#include "Platform/Window/WindowTypes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace QZ::Platform {

// Buttons.
inline constexpr std::uint32_t kMessageBoxStyleOk = 0x0;
inline constexpr std::uint32_t kMessageBoxStyleOkCancel = 0x1;
inline constexpr std::uint32_t kMessageBoxStyleYesNoCancel = 0x3;
inline constexpr std::uint32_t kMessageBoxStyleYesNo = 0x4;
inline constexpr std::uint32_t kMessageBoxButtonsMask = 0xF;
// Icons.
inline constexpr std::uint32_t kMessageBoxIconError = 0x10;
inline constexpr std::uint32_t kMessageBoxIconQuestion = 0x20;
inline constexpr std::uint32_t kMessageBoxIconWarning = 0x30;
inline constexpr std::uint32_t kMessageBoxIconInformation = 0x40;
inline constexpr std::uint32_t kMessageBoxIconMask = 0xF0;

// Answers; kMessageBoxFailed when no box could be shown.
inline constexpr std::int32_t kMessageBoxFailed = 0;
inline constexpr std::int32_t kMessageBoxOk = 1;
inline constexpr std::int32_t kMessageBoxCancel = 2;
inline constexpr std::int32_t kMessageBoxYes = 6;
inline constexpr std::int32_t kMessageBoxNo = 7;

class MessageBoxPresenter {
public:
  MessageBoxPresenter() = default;
  MessageBoxPresenter(const MessageBoxPresenter&) = delete;
  MessageBoxPresenter& operator=(const MessageBoxPresenter&) = delete;
  virtual ~MessageBoxPresenter() = default;

  // Texts in UTF-8. Returns when the box is closed.
  virtual std::int32_t Show(const std::string& text, const std::string& caption, std::uint32_t style) = 0;
  // The same over an owner window (kNoWindow: none); presenters that cannot place a box over a window show
  // it alone.
  virtual std::int32_t ShowOwned(const std::string& text, const std::string& caption, std::uint32_t style,
                                 WindowId owner) {
    static_cast<void>(owner);
    return Show(text, caption, style);
  }
};

// Installs a presenter (null: SDL's) and returns the one it replaces.
std::shared_ptr<MessageBoxPresenter> SetMessageBoxPresenter(std::shared_ptr<MessageBoxPresenter> presenter);

// Shows a box through the installed presenter.
std::int32_t ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t style);
std::int32_t ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t style,
                            WindowId owner);

} // namespace QZ::Platform
