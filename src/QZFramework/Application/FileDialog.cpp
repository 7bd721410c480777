#include "QZFramework/Application/FileDialog.h"

#include "Platform/Dialogs/FileChooser.h"
#include "Platform/Files/Files.h"
#include "Platform/Window/Window.h"
#include "QZFramework/Application/AppMessageBox.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/PaintingWait.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace QZ {

namespace {

constexpr std::chrono::milliseconds kPollPause{20};

WideString FromUtf8(const std::string& text) {
  WideString wide;
  wide.AssignNarrow(text.c_str());
  return wide;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "*.ext", ".ext" and "ext" all give "ext"; a wildcard gives none.
std::string BareExtension(const WideString& extension) {
  std::string text = ToUtf8(extension);
  if (text.rfind("*.", 0) == 0)
    text.erase(0, 2);
  else if (text.rfind('.', 0) == 0)
    text.erase(0, 1);
  if (text.find_first_of("*?/") != std::string::npos)
    return {};
  return text;
}

// The application's windows take no input while a chooser is open and get it back however the wait ends.
class DisabledWindows {
public:
  explicit DisabledWindows(LFrameworkApp& app) {
    for (std::uint32_t i = 0; i < app.GetRootWindowCount(); ++i) {
      const RCPtr<IRootWindow> root = app.GetRootWindow(i);
      auto* window = root ? dynamic_cast<OSWindow*>(root->GetWindowOSServices()) : nullptr;
      if (window && window->GetPlatformWindow().IsEnabled()) {
        window->GetPlatformWindow().SetEnabled(false);
        mIds.push_back(window->GetPlatformWindow().GetId());
      }
    }
  }
  ~DisabledWindows() {
    for (const Platform::WindowId id : mIds) {
      if (OSWindow* window = OSWindow::FromId(id))
        window->GetPlatformWindow().SetEnabled(true);
    }
  }
  DisabledWindows(const DisabledWindows&) = delete;
  DisabledWindows& operator=(const DisabledWindows&) = delete;

private:
  std::vector<Platform::WindowId> mIds;
};

} // namespace

LFileDialog::LFileDialog(const WideString& folder) : mFolder(folder) {}

void LFileDialog::AddFilters(Platform::FileChooserRequest& request, const WideString& filter) {
  std::vector<std::string> parts;
  const std::string text = ToUtf8(filter);
  std::size_t from = 0;
  for (;;) {
    const std::size_t bar = text.find('|', from);
    parts.push_back(text.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
    if (bar == std::string::npos)
      break;
    from = bar + 1;
  }
  // A description without patterns after it is left out.
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    Platform::FileChooserFilter entry{parts[i], {}};
    std::size_t start = 0;
    for (;;) {
      const std::size_t semicolon = parts[i + 1].find(';', start);
      std::string pattern =
          parts[i + 1].substr(start, semicolon == std::string::npos ? std::string::npos : semicolon - start);
      // Here "*.*" would hide every name without a dot.
      if (pattern == "*.*")
        pattern = "*";
      if (!pattern.empty())
        entry.patterns.push_back(pattern);
      if (semicolon == std::string::npos)
        break;
      start = semicolon + 1;
    }
    if (!entry.patterns.empty())
      request.filters.push_back(entry);
  }
}

Platform::FileChooserAnswer LFileDialog::RunChooser(const Platform::FileChooserRequest& request) {
  Platform::FileChooserAnswer answer;
  // Modal for the window the user is in, and above it.
  Platform::FileChooserRequest owned = request;
  owned.owner = GetDialogOwnerWindow();
  const std::unique_ptr<Platform::PendingFileChoice> pending = Platform::StartFileChooser(owned);
  if (!pending->Poll(answer)) {
    auto* app = dynamic_cast<LFrameworkApp*>(GetFrameworkApp());
    if (app && app->GetHost().IsStarted()) {
      const DisabledWindows disabled(*app);
      Platform::AppHost& host = app->GetHost();
      const OSWindow::HostRoute route(host);
      bool closed = false;
      const int loop = host.RunLoop(
          [](std::int32_t) {
            OSWindow::PaintPendingWindows();
            return false;
          },
          [&] { return !(closed = pending->Poll(answer)); });
      // A quit request ended the wait: the chooser closes with the object, and nothing was chosen.
      if (loop == Platform::AppHost::kLoopQuit && !closed)
        answer = {Platform::FileChooserOutcome::kCancelled, {}, {}};
    } else {
      while (!pending->Poll(answer))
        std::this_thread::sleep_for(kPollPause);
    }
  }
  if (answer.outcome == Platform::FileChooserOutcome::kFailed)
    static_cast<void>(
        AppMessageBox(FromUtf8(kChooserErrorText + answer.error), WideString(kChooserErrorCaption), kErrorStyle));
  return answer;
}

QZRESULT LFileDialog::ShowOpenDialog(const WideString& filter, const WideString& defaultExtension,
                                     const WideString& title, bool multiSelect) {
  static_cast<void>(defaultExtension); // a chosen file exists: its name is taken as it is
  mFilePath = WideString();
  Platform::FileChooserRequest request;
  request.mode = multiSelect ? Platform::FileChooserMode::kOpenMultiple : Platform::FileChooserMode::kOpen;
  request.title = ToUtf8(title);
  request.folder = ToUtf8(mFolder);
  AddFilters(request, filter);
  const Platform::FileChooserAnswer answer = RunChooser(request);
  if (answer.outcome != Platform::FileChooserOutcome::kAccepted || answer.paths.empty())
    return E_FAIL;
  const std::string folder = FolderOf(answer.paths.front());
  // Several files: the path names the folder they were chosen in.
  mFilePath = FromUtf8(answer.paths.size() > 1 ? folder : answer.paths.front());
  if (!folder.empty())
    mFolder = FromUtf8(folder);
  return S_OK;
}

QZRESULT LFileDialog::ShowSaveDialog(const WideString& filter, const WideString& defaultExtension,
                                     const WideString& title, std::int32_t maxFileNameLength) {
  if (maxFileNameLength == 0)
    return E_INVALIDARG;
  mFilePath = WideString(kUntitled);
  Platform::FileChooserRequest request;
  request.mode = Platform::FileChooserMode::kSave;
  request.title = ToUtf8(title);
  request.folder = ToUtf8(mFolder);
  request.fileName = ToUtf8(WideString(kUntitled));
  AddFilters(request, filter);
  const Platform::FileChooserAnswer answer = RunChooser(request);
  if (answer.outcome != Platform::FileChooserOutcome::kAccepted || answer.paths.empty())
    return E_FAIL;
  std::string path = answer.paths.front();
  const std::string extension = BareExtension(defaultExtension);
  if (!extension.empty() && !NameOf(path).empty() && NameOf(path).find('.') == std::string::npos)
    path += "." + extension;
  const std::string name = NameOf(path);
  if (maxFileNameLength > 0 && FromUtf8(name).GetLength() > static_cast<std::uint32_t>(maxFileNameLength)) {
    static_cast<void>(
        AppMessageBox(FromUtf8(kFileTooLongText + std::to_string(maxFileNameLength) + " characters "),
                      WideString(kFileSaveErrorCaption), kErrorStyle));
    return E_FAIL;
  }
  if (Platform::PathExists(path.c_str()) &&
      AppMessageBox(FromUtf8(name + kReplaceQuestion), title, kQuestionStyle) != kAnswerYes)
    return E_FAIL;
  mFilePath = FromUtf8(path);
  const std::string folder = FolderOf(path);
  if (!folder.empty())
    mFolder = FromUtf8(folder);
  return S_OK;
}

} // namespace QZ
