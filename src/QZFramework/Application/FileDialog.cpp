#include "QZFramework/Application/FileDialog.h"

#include "Platform/Dialogs/FileChooser.h"
#include "Platform/Files/Files.h"
#include "Platform/Window/Window.h"
#include "QZFramework/Application/AppMessageBox.h"
#include "QZFramework/Application/PaintingWait.h"
#include "QZFramework/Utilities/Storage/PathText.h"

#include <memory>
#include <string>
#include <vector>

namespace QZ {

namespace {

WideString FromUtf8(const std::string& text) {
  WideString wide;
  wide.AssignNarrow(text.c_str());
  return wide;
}

// The folder a chooser opens in: absolute, since a chooser ignores a relative one; empty when the folder
// cannot be named (the chooser then opens where it likes).
std::string ChooserFolder(const WideString& folder) {
  std::string path;
  if (!PathBytesFromText(folder, path))
    path.clear();
  if (!path.empty() && path.front() == '/')
    return path;
  std::string absolute;
  if (Platform::GetRealPath(path.empty() ? "." : path.c_str(), absolute) || Platform::GetRealPath(".", absolute))
    return absolute;
  return {};
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
  bool closed = false;
  // A quit request ended the wait: the chooser closes with the object, and nothing was chosen.
  if (!PaintingWait([&] { return closed = pending->Poll(answer); }) && !closed)
    answer = {Platform::FileChooserOutcome::kCancelled, {}, {}};
  if (answer.outcome == Platform::FileChooserOutcome::kFailed)
    static_cast<void>(
        AppMessageBox(FromUtf8(kChooserErrorText + answer.error), WideString(kChooserErrorCaption), kErrorStyle));
  return answer;
}

bool LFileDialog::KeepPath(const std::string& path, WideString& text) {
  std::string back;
  if (PathTextFromBytes(path, text) && PathBytesFromText(text, back) && back == path)
    return true;
  static_cast<void>(AppMessageBox(FromUtf8(kNameNotKeptText).Concat(PathTextForDisplay(text)),
                                  WideString(kChooserErrorCaption), kErrorStyle));
  text = WideString();
  return false;
}

QZRESULT LFileDialog::ShowOpenDialog(const WideString& filter, const WideString& defaultExtension,
                                     const WideString& title, bool multiSelect) {
  static_cast<void>(defaultExtension); // a chosen file exists: its name is taken as it is
  mFilePath = WideString();
  Platform::FileChooserRequest request;
  request.mode = multiSelect ? Platform::FileChooserMode::kOpenMultiple : Platform::FileChooserMode::kOpen;
  request.title = ToUtf8(title);
  request.folder = ChooserFolder(mFolder);
  AddFilters(request, filter);
  const Platform::FileChooserAnswer answer = RunChooser(request);
  if (answer.outcome != Platform::FileChooserOutcome::kAccepted || answer.paths.empty())
    return E_FAIL;
  const std::string folder = FolderOf(answer.paths.front());
  // Several files: the path names the folder they were chosen in.
  WideString path;
  WideString folderText;
  if (!KeepPath(answer.paths.size() > 1 ? folder : answer.paths.front(), path) ||
      (!folder.empty() && !KeepPath(folder, folderText)))
    return E_FAIL;
  mFilePath = path;
  if (!folder.empty())
    mFolder = folderText;
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
  request.folder = ChooserFolder(mFolder);
  request.fileName = ToUtf8(WideString(kUntitled));
  AddFilters(request, filter);
  const Platform::FileChooserAnswer answer = RunChooser(request);
  if (answer.outcome != Platform::FileChooserOutcome::kAccepted || answer.paths.empty())
    return E_FAIL;
  std::string path = answer.paths.front();
  const std::string extension = BareExtension(defaultExtension);
  if (!extension.empty() && !NameOf(path).empty() && NameOf(path).find('.') == std::string::npos)
    path += "." + extension;
  // The name is checked, asked about and handed on as these very bytes.
  WideString pathText;
  WideString name;
  const std::string folder = FolderOf(path);
  WideString folderText;
  if (!KeepPath(path, pathText) || !PathTextFromBytes(NameOf(path), name) ||
      (!folder.empty() && !KeepPath(folder, folderText)))
    return E_FAIL;
  if (maxFileNameLength > 0 && name.GetLength() > static_cast<std::uint32_t>(maxFileNameLength)) {
    static_cast<void>(
        AppMessageBox(FromUtf8(kFileTooLongText + std::to_string(maxFileNameLength) + " characters "),
                      WideString(kFileSaveErrorCaption), kErrorStyle));
    return E_FAIL;
  }
  if (Platform::PathExists(path.c_str()) &&
      AppMessageBox(PathTextForDisplay(name).Concat(FromUtf8(kReplaceQuestion)), title, kQuestionStyle) !=
          kAnswerYes)
    return E_FAIL;
  mFilePath = pathText;
  if (!folder.empty())
    mFolder = folderText;
  return S_OK;
}

} // namespace QZ
