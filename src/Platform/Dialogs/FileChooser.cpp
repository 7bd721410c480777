#include "Platform/Dialogs/FileChooser.h"

#include "Platform/Dialogs/ChildProgram.h"
#include "Platform/Dialogs/DialogEnvironment.h"
#include "Platform/Dialogs/DialogOwnerLink.h"
#include "Platform/Window/Window.h"

#include <mutex>

namespace QZ::Platform {
namespace {

constexpr const char* kZenity = "zenity";
// zenity's answers.
constexpr int kZenityAccepted = 0;
constexpr int kZenityCancelled = 1;
// Paths of a multiple choice, one a line. A name holding a line break is cut there; the piece after the break
// is then not an absolute path (unless the break ends a folder's name), and the answer fails.
constexpr const char* kZenitySeparator = "\n";
// What zenity prints after its answer.
constexpr char kZenityEnd = '\n';

std::uint64_t SystemIdOfOwner(const FileChooserRequest& request) {
  const Window* owner = request.owner != kNoWindow ? Window::FromId(request.owner) : nullptr;
  return owner != nullptr ? owner->GetSystemWindowId() : 0;
}

class ZenityChoice final : public PendingFileChoice {
public:
  explicit ZenityChoice(const FileChooserRequest& request)
      : mMode(request.mode), mOwnerLink(SystemIdOfOwner(request)) {
    mStarted = mChild.Start(kZenity, ZenityArguments(request, SystemIdOfOwner(request)), true,
                            DialogProgramEnvironment());
  }

  bool Poll(FileChooserAnswer& answer) override {
    if (!mStarted) {
      answer = {FileChooserOutcome::kFailed, {}, mChild.GetError()};
      return true;
    }
    if (!mChild.Poll()) {
      // zenity's file selection takes no parent from --attach: it is linked to its owner here once it shows.
      mOwnerLink.Poll(mChild.GetProcessId());
      return false;
    }
    answer = ZenityAnswer(mChild.GetExitCode(), mChild.GetOutput(), mMode);
    return true;
  }

private:
  FileChooserMode mMode;
  DialogOwnerLink mOwnerLink;
  ChildProgram mChild;
  bool mStarted = false;
};

class ZenityChooser final : public FileChooser {
public:
  std::unique_ptr<PendingFileChoice> Start(const FileChooserRequest& request) override {
    return std::make_unique<ZenityChoice>(request);
  }
};

struct Installed {
  std::mutex lock;
  std::shared_ptr<FileChooser> chooser = std::make_shared<ZenityChooser>();
};

Installed& GetInstalled() {
  static Installed installed;
  return installed;
}

} // namespace

std::vector<std::string> ZenityArguments(const FileChooserRequest& request, std::uint64_t attachTo) {
  std::vector<std::string> args{"--file-selection"};
  if (!request.title.empty())
    args.push_back("--title=" + request.title);
  if (attachTo != 0) {
    args.emplace_back("--modal");
    args.push_back("--attach=" + std::to_string(attachTo));
  }
  if (request.mode == FileChooserMode::kSave)
    args.emplace_back("--save");
  if (request.mode == FileChooserMode::kOpenMultiple) {
    args.emplace_back("--multiple");
    args.push_back(std::string("--separator=") + kZenitySeparator);
  }
  // A trailing slash opens the folder itself rather than choosing it.
  std::string start = request.folder;
  if (!start.empty() && start.back() != '/')
    start += '/';
  if (request.mode == FileChooserMode::kSave)
    start += request.fileName;
  if (!start.empty())
    args.push_back("--filename=" + start);
  for (const FileChooserFilter& filter : request.filters) {
    std::string patterns;
    for (const std::string& pattern : filter.patterns)
      patterns += (patterns.empty() ? "" : " ") + pattern;
    if (!patterns.empty())
      args.push_back("--file-filter=" + filter.description + " | " + patterns);
  }
  return args;
}

FileChooserAnswer ZenityAnswer(int exitCode, const std::string& output, FileChooserMode mode) {
  FileChooserAnswer answer;
  if (exitCode == kZenityCancelled) {
    answer.outcome = FileChooserOutcome::kCancelled;
    return answer;
  }
  if (exitCode != kZenityAccepted) {
    answer.outcome = FileChooserOutcome::kFailed;
    answer.error = std::string(kZenity) + " ended with exit code " + std::to_string(exitCode);
    return answer;
  }
  // zenity ends its answer with one line break; anything before it belongs to the name ("x\n" is a name).
  std::string text = output;
  if (!text.empty() && text.back() == kZenityEnd)
    text.pop_back();
  // Accepted without a path says nothing was chosen.
  if (text.empty()) {
    answer.outcome = FileChooserOutcome::kCancelled;
    return answer;
  }
  if (mode == FileChooserMode::kOpenMultiple) {
    std::size_t from = 0;
    for (;;) {
      const std::size_t end = text.find(kZenitySeparator, from);
      answer.paths.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
      if (end == std::string::npos)
        break;
      from = end + 1;
    }
  } else {
    answer.paths.push_back(text);
  }
  // What is not an absolute path was not chosen: zenity prints "(null)" for a name it cannot convert (in a
  // folder whose name is not UTF-8), and a relative name would land in whatever folder is current.
  for (const std::string& path : answer.paths) {
    if (path.empty() || path.front() != '/') {
      FileChooserAnswer failed;
      failed.error = std::string(kZenity) + " answered \"" + path + "\", which is not an absolute path";
      return failed;
    }
  }
  answer.outcome = FileChooserOutcome::kAccepted;
  return answer;
}

std::shared_ptr<FileChooser> SetFileChooser(std::shared_ptr<FileChooser> chooser) {
  if (!chooser)
    chooser = std::make_shared<ZenityChooser>();
  Installed& installed = GetInstalled();
  std::lock_guard guard(installed.lock);
  installed.chooser.swap(chooser);
  return chooser;
}

std::unique_ptr<PendingFileChoice> StartFileChooser(const FileChooserRequest& request) {
  std::shared_ptr<FileChooser> chooser;
  {
    Installed& installed = GetInstalled();
    std::lock_guard guard(installed.lock);
    chooser = installed.chooser;
  }
  return chooser->Start(request);
}

} // namespace QZ::Platform
