#pragma once
// Modal message boxes: a text, a caption and a style word that chooses the
// buttons (low four bits) and the icon (bits 4-7), answered with the button
// the user pressed. Style and answers keep the values the stored callers use
// (0x10 is the error icon with one OK button, answered kMessageBoxOk).
//
// A box may have an owner window: it is modal for it and stays above it. Without
// one it stands alone.
//
// The box is drawn by a program of its own, started with exec (never a fork of
// this threaded process that runs library code: a lock another thread held at the
// fork would stop it for ever): zenity, scaled for the screen's density, and where
// zenity is missing xmessage. While it is up the UI thread waits in the installed
// modal wait (Platform/Dialogs/ModalWait.h), which keeps the application's windows
// painting. Closing a box without a button answers as its escape button: Cancel
// where there is one, No for Yes / No, OK for a lone OK. A wait that gives up (the
// application is quitting) closes the box with that answer too.
//
// One presenter serves the process: the one installed last, or the program box.
// Tests install a FakeMessageBox, so that none is ever shown. Presenters are used
// on the UI thread; installing one is safe from any thread.

#include "Platform/Window/WindowTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// A box on screen.
class PendingMessageBox {
public:
  PendingMessageBox() = default;
  PendingMessageBox(const PendingMessageBox&) = delete;
  PendingMessageBox& operator=(const PendingMessageBox&) = delete;
  // A box still open is closed.
  virtual ~PendingMessageBox() = default;
  // True once the box has closed, with its answer.
  virtual bool Poll(std::int32_t& answer) = 0;
};

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
  // Puts the box up and returns at once; the caller polls it. By default the box is ShowOwned's, answered
  // before Start returns.
  virtual std::unique_ptr<PendingMessageBox> Start(const std::string& text, const std::string& caption,
                                                   std::uint32_t style, WindowId owner);
};

// Installs a presenter (null: the program box) and returns the one it replaces.
std::shared_ptr<MessageBoxPresenter> SetMessageBoxPresenter(std::shared_ptr<MessageBoxPresenter> presenter);

// Shows a box through the installed presenter.
std::int32_t ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t style);
std::int32_t ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t style,
                            WindowId owner);

// The answer of the style's escape button, which closing the box gives.
std::int32_t EscapeAnswer(std::uint32_t style);
// zenity's command line for a box (its program name not included); attachTo is the window system's id of the
// owner window (0: none to attach to).
std::vector<std::string> ZenityMessageBoxArguments(const std::string& text, const std::string& caption,
                                                   std::uint32_t style, std::uint64_t attachTo);
// The answer to zenity's exit code and output; kMessageBoxFailed for an exit that is no answer.
std::int32_t ZenityMessageBoxAnswer(std::uint32_t style, int exitCode, const std::string& output);
// xmessage's command line for a box (Escape presses the escape button), and the answer to its exit code
// (a box the window manager closed gives the escape answer; kMessageBoxFailed for an exit that is no answer).
std::vector<std::string> XmessageArguments(const std::string& text, const std::string& caption,
                                           std::uint32_t style);
std::int32_t XmessageAnswer(std::uint32_t style, int exitCode);

} // namespace QZ::Platform
