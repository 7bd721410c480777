#include "Platform/App/MessageBox.h"

#include "Platform/Dialogs/ChildProgram.h"
#include "Platform/Dialogs/DialogEnvironment.h"
#include "Platform/Dialogs/ModalWait.h"
#include "Platform/Window/Window.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace QZ::Platform {

namespace {

constexpr const char* kZenity = "zenity";
constexpr const char* kXmessage = "xmessage";
// zenity's answers: its OK button, and its cancel button or a closed window.
constexpr int kZenityOk = 0;
constexpr int kZenityCancel = 1;
// The label of the third button of Yes / No / Cancel, which zenity prints when it is pressed.
constexpr const char* kExtraNo = "No";
// xmessage exits with the value given to the pressed button: the answer above this base; and with 1 when the
// window manager closed it.
constexpr int kXmessageExitBase = 100;
constexpr int kXmessageClosed = 1;

struct Button {
  std::int32_t answer;
  const char* label;
};

// The buttons of a style, the default first and the escape button last.
std::vector<Button> ButtonsOfStyle(std::uint32_t style) {
  switch (style & kMessageBoxButtonsMask) {
  case kMessageBoxStyleOkCancel:
    return {{kMessageBoxOk, "OK"}, {kMessageBoxCancel, "Cancel"}};
  case kMessageBoxStyleYesNoCancel:
    return {{kMessageBoxYes, "Yes"}, {kMessageBoxNo, "No"}, {kMessageBoxCancel, "Cancel"}};
  case kMessageBoxStyleYesNo:
    return {{kMessageBoxYes, "Yes"}, {kMessageBoxNo, "No"}};
  default:
    return {{kMessageBoxOk, "OK"}};
  }
}

const char* IconName(std::uint32_t style) {
  switch (style & kMessageBoxIconMask) {
  case kMessageBoxIconError:
    return "dialog-error";
  case kMessageBoxIconWarning:
    return "dialog-warning";
  case kMessageBoxIconInformation:
    return "dialog-information";
  default:
    return nullptr; // the question's own icon
  }
}

class AnsweredBox final : public PendingMessageBox {
public:
  explicit AnsweredBox(std::int32_t answer) : mAnswer(answer) {}
  bool Poll(std::int32_t& answer) override {
    answer = mAnswer;
    return true;
  }

private:
  std::int32_t mAnswer;
};

// zenity, else xmessage; with neither the text goes to the error stream and the box answers kMessageBoxFailed.
class ProgramBox final : public PendingMessageBox {
public:
  ProgramBox(const std::string& text, const std::string& caption, std::uint32_t style, WindowId owner)
      : mStyle(style) {
    const Window* window = owner != kNoWindow ? Window::FromId(owner) : nullptr;
    const std::uint64_t attachTo = window != nullptr ? window->GetSystemWindowId() : 0;
    const std::vector<std::string> environment = DialogProgramEnvironment();
    mStarted = mChild.Start(kZenity, ZenityMessageBoxArguments(text, caption, style, attachTo), true, environment);
    if (!mStarted && mChild.IsMissing()) {
      mXmessage = true;
      mStarted = mChild.Start(kXmessage, XmessageArguments(text, caption, style), false, environment);
    }
    if (!mStarted)
      std::fprintf(stderr, "%s: %s (%s)\n", caption.c_str(), text.c_str(), mChild.GetError().c_str());
  }

  bool Poll(std::int32_t& answer) override {
    if (!mStarted) {
      answer = kMessageBoxFailed;
      return true;
    }
    if (!mChild.Poll())
      return false;
    answer = mXmessage ? XmessageAnswer(mStyle, mChild.GetExitCode())
                       : ZenityMessageBoxAnswer(mStyle, mChild.GetExitCode(), mChild.GetOutput());
    return true;
  }

private:
  std::uint32_t mStyle;
  ChildProgram mChild;
  bool mStarted = false;
  bool mXmessage = false;
};

class ProgramMessageBoxPresenter final : public MessageBoxPresenter {
public:
  std::int32_t Show(const std::string& text, const std::string& caption, std::uint32_t style) override {
    return ShowOwned(text, caption, style, kNoWindow);
  }
  std::int32_t ShowOwned(const std::string& text, const std::string& caption, std::uint32_t style,
                         WindowId owner) override {
    ProgramBox box(text, caption, style, owner);
    std::int32_t answer = kMessageBoxFailed;
    if (!WaitModally([&] { return box.Poll(answer); }))
      return EscapeAnswer(style);
    return answer;
  }
  std::unique_ptr<PendingMessageBox> Start(const std::string& text, const std::string& caption,
                                           std::uint32_t style, WindowId owner) override {
    return std::make_unique<ProgramBox>(text, caption, style, owner);
  }
};

struct Installed {
  std::mutex lock;
  std::shared_ptr<MessageBoxPresenter> presenter = std::make_shared<ProgramMessageBoxPresenter>();
};

Installed& GetInstalled() {
  static Installed installed;
  return installed;
}

} // namespace

std::unique_ptr<PendingMessageBox> MessageBoxPresenter::Start(const std::string& text, const std::string& caption,
                                                              std::uint32_t style, WindowId owner) {
  return std::make_unique<AnsweredBox>(ShowOwned(text, caption, style, owner));
}

std::int32_t EscapeAnswer(std::uint32_t style) { return ButtonsOfStyle(style).back().answer; }

std::vector<std::string> ZenityMessageBoxArguments(const std::string& text, const std::string& caption,
                                                   std::uint32_t style, std::uint64_t attachTo) {
  const std::vector<Button> buttons = ButtonsOfStyle(style);
  std::vector<std::string> args;
  if (buttons.size() == 1) {
    // One OK button: the kinds of box that have one, each with its icon.
    switch (style & kMessageBoxIconMask) {
    case kMessageBoxIconError:
      args.emplace_back("--error");
      break;
    case kMessageBoxIconWarning:
      args.emplace_back("--warning");
      break;
    default:
      args.emplace_back("--info");
      break;
    }
  } else {
    args.emplace_back("--question");
    if (const char* icon = IconName(style))
      args.push_back(std::string("--icon-name=") + icon);
  }
  if (!caption.empty())
    args.push_back("--title=" + caption);
  // The text as it stands: no markup, no escapes.
  args.push_back("--text=" + text);
  args.emplace_back("--no-markup");
  if (buttons.size() > 1) {
    // OK / Yes is zenity's OK button and the escape button its cancel button; a third button is an extra one.
    args.push_back(std::string("--ok-label=") + buttons.front().label);
    args.push_back(std::string("--cancel-label=") + buttons.back().label);
    if (buttons.size() == 3)
      args.push_back(std::string("--extra-button=") + kExtraNo);
  }
  if (attachTo != 0) {
    args.emplace_back("--modal");
    args.push_back("--attach=" + std::to_string(attachTo));
  }
  return args;
}

std::int32_t ZenityMessageBoxAnswer(std::uint32_t style, int exitCode, const std::string& output) {
  const std::vector<Button> buttons = ButtonsOfStyle(style);
  if (exitCode == kZenityOk)
    return buttons.front().answer;
  if (exitCode != kZenityCancel)
    return kMessageBoxFailed;
  std::string printed = output;
  while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r'))
    printed.pop_back();
  if (buttons.size() == 3 && printed == kExtraNo)
    return kMessageBoxNo;
  return buttons.back().answer;
}

std::vector<std::string> XmessageArguments(const std::string& text, const std::string& caption,
                                           std::uint32_t style) {
  const std::vector<Button> buttons = ButtonsOfStyle(style);
  std::string list;
  for (const Button& button : buttons)
    list += (list.empty() ? "" : ",") + std::string(button.label) + ":" +
            std::to_string(kXmessageExitBase + button.answer);
  // A text that starts with "-" would be read as an option.
  const std::string message = !text.empty() && text.front() == '-' ? " " + text : text;
  const std::string escape = "*baseTranslations: #override <Key>Escape: exit(" +
                             std::to_string(kXmessageExitBase + buttons.back().answer) + ")";
  std::vector<std::string> args{"-center", "-title", caption, "-buttons", list, "-default", buttons.front().label};
  args.insert(args.end(), {"-xrm", escape, message});
  return args;
}

std::int32_t XmessageAnswer(std::uint32_t style, int exitCode) {
  if (exitCode == kXmessageClosed)
    return EscapeAnswer(style);
  switch (exitCode - kXmessageExitBase) {
  case kMessageBoxOk:
  case kMessageBoxCancel:
  case kMessageBoxYes:
  case kMessageBoxNo:
    return exitCode - kXmessageExitBase;
  default:
    return kMessageBoxFailed;
  }
}

std::shared_ptr<MessageBoxPresenter> SetMessageBoxPresenter(std::shared_ptr<MessageBoxPresenter> presenter) {
  if (!presenter)
    presenter = std::make_shared<ProgramMessageBoxPresenter>();
  Installed& installed = GetInstalled();
  std::lock_guard guard(installed.lock);
  installed.presenter.swap(presenter);
  return presenter;
}

std::int32_t ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t style) {
  return ShowMessageBox(text, caption, style, kNoWindow);
}

std::int32_t ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t style,
                            WindowId owner) {
  std::shared_ptr<MessageBoxPresenter> presenter;
  {
    Installed& installed = GetInstalled();
    std::lock_guard guard(installed.lock);
    presenter = installed.presenter;
  }
  const std::unique_ptr<PendingMessageBox> box = presenter->Start(text, caption, style, owner);
  std::int32_t answer = kMessageBoxFailed;
  // A box answered at once needs no wait.
  if (box->Poll(answer))
    return answer;
  if (!WaitModally([&] { return box->Poll(answer); }))
    return EscapeAnswer(style);
  return answer;
}

} // namespace QZ::Platform
