#pragma once
// The file chooser: an open or save dialog the platform shows for a file path. It runs beside the caller,
// which polls it (and keeps its own windows painted) until it closes. In production it is zenity, a child
// program whose standard output gives the chosen path: exit 0 accepted, 1 cancelled, anything else (or a
// missing zenity) failed with a reason.
//
// With an owner window the dialog is modal for it and stays above it (where the window system can say so).
// It is scaled for the screen's density (DialogScale.h).
//
// One chooser serves the process: the one installed last, or zenity. Tests install a FakeFileChooser, so
// that no dialog is ever shown. Choosers are used on the UI thread; installing one is safe from any thread.

#include "Platform/Window/WindowTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace QZ::Platform {

enum class FileChooserMode { kOpen, kOpenMultiple, kSave };

struct FileChooserFilter {
  std::string description;
  // Shell patterns ("*.pellanvorn", "*").
  std::vector<std::string> patterns;
};

struct FileChooserRequest {
  FileChooserMode mode = FileChooserMode::kOpen;
  std::string title;
  // The folder it opens in; empty: the current folder.
  std::string folder;
  // The name offered in a save dialog.
  std::string fileName;
  std::vector<FileChooserFilter> filters;
  // The window it is modal for; kNoWindow: none.
  WindowId owner = kNoWindow;
};

enum class FileChooserOutcome { kAccepted, kCancelled, kFailed };

struct FileChooserAnswer {
  FileChooserOutcome outcome = FileChooserOutcome::kFailed;
  // The chosen paths (one unless several were asked for), UTF-8.
  std::vector<std::string> paths;
  // Why it failed.
  std::string error;
};

// A dialog on screen.
class PendingFileChoice {
public:
  PendingFileChoice() = default;
  PendingFileChoice(const PendingFileChoice&) = delete;
  PendingFileChoice& operator=(const PendingFileChoice&) = delete;
  // A dialog still open is closed.
  virtual ~PendingFileChoice() = default;
  // True once the dialog has closed, with its answer.
  virtual bool Poll(FileChooserAnswer& answer) = 0;
};

class FileChooser {
public:
  FileChooser() = default;
  FileChooser(const FileChooser&) = delete;
  FileChooser& operator=(const FileChooser&) = delete;
  virtual ~FileChooser() = default;

  // Never null: a dialog that cannot be shown answers kFailed at its first poll.
  virtual std::unique_ptr<PendingFileChoice> Start(const FileChooserRequest& request) = 0;
};

// Installs a chooser (null: zenity) and returns the one it replaces.
std::shared_ptr<FileChooser> SetFileChooser(std::shared_ptr<FileChooser> chooser);
// Shows a dialog through the installed chooser.
std::unique_ptr<PendingFileChoice> StartFileChooser(const FileChooserRequest& request);

// zenity's command line for a request (its program name not included); attachTo is the window system's id of
// the owner window (0: none to attach to).
std::vector<std::string> ZenityArguments(const FileChooserRequest& request, std::uint64_t attachTo = 0);
// The answer to zenity's exit code and output.
FileChooserAnswer ZenityAnswer(int exitCode, const std::string& output, FileChooserMode mode);

} // namespace QZ::Platform
