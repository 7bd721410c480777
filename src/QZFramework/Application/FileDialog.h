#pragma once
// LFileDialog: a reusable open and save dialog for file paths over the platform's file chooser. One object
// serves any number of dialogs: each opens in the folder of the last accepted choice (at first the folder
// it was made with), so the folder carries over between calls; the chosen path is valid after a call that
// answered 0, until the next call.
//
// The filter is one text of "|"-separated parts, alternately a description and its patterns (several
// joined with ";"): "Program Files (*.pellanvorn)|*.pellanvorn|All Files (*.*)|*.*". "*.*" stands for every
// file. A default extension may be given as "ext", ".ext" or "*.ext"; a save name without an extension gets
// it, and the question whether to replace an existing file is asked for the name that will be written.
//
// The chosen path and the folder keep the chooser's bytes exactly, names that are not UTF-8 included (see
// PathText.h): the replace question, the save or open and the next chooser's folder all name the very file
// chosen. A name that could not be kept is refused with an error box, never shortened. The chooser is given
// the folder as an absolute path.
//
// While the chooser is open the UI thread waits in a nested loop of the application host: the application's
// windows take no input but keep painting. A chooser that cannot be shown says why in an error box.
//
// Threads: the UI thread.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <string>

namespace QZ::Platform {
struct FileChooserAnswer;
struct FileChooserRequest;
} // namespace QZ::Platform

namespace QZ {

class LFileDialog : public virtual LRefCountedObject {
public:
  static constexpr const char16_t* kUntitled = u"Untitled";
  static constexpr const char16_t* kFileSaveErrorCaption = u"File Save Error";
  // Followed by the maximum and " characters ".
  static constexpr const char* kFileTooLongText = "The file length is larger than the maximum limit of ";
  static constexpr const char16_t* kChooserErrorCaption = u"File Dialog Error";
  static constexpr const char* kChooserErrorText = "The file dialog could not be shown: ";
  // Followed by the chosen path, in the "File Dialog Error" box.
  static constexpr const char* kNameNotKeptText = "The chosen name cannot be used: ";
  // Followed by the file name.
  static constexpr const char* kReplaceQuestion = " already exists.\nDo you want to replace it?";
  // The style of the error boxes and of the question.
  static constexpr std::uint32_t kErrorStyle = 0x10;
  static constexpr std::uint32_t kQuestionStyle = 0x34; // Yes / No, warning icon
  static constexpr std::int32_t kAnswerYes = 6;

  explicit LFileDialog(const WideString& folder);
  ~LFileDialog() override = default;
  LFileDialog(const LFileDialog&) = delete;
  LFileDialog& operator=(const LFileDialog&) = delete;

  // 0 when a file was chosen; E_FAIL when the dialog was cancelled or could not be shown, or the chosen path
  // could not be kept. With several files chosen the path is their folder.
  QZRESULT ShowOpenDialog(const WideString& filter, const WideString& defaultExtension, const WideString& title,
                          bool multiSelect);
  // 0 when a name was accepted; E_INVALIDARG for a maximum of 0; E_FAIL when the dialog was cancelled or could
  // not be shown, the chosen path could not be kept, the name (extension included) is longer than
  // maxFileNameLength characters (a box says so; a negative maximum sets no limit), or the user chose not to
  // replace an existing file.
  QZRESULT ShowSaveDialog(const WideString& filter, const WideString& defaultExtension, const WideString& title,
                          std::int32_t maxFileNameLength);

  WideString GetFilePath() const { return mFilePath; }
  WideString GetFolder() const { return mFolder; }

private:
  // The request's filters from the filter text.
  static void AddFilters(Platform::FileChooserRequest& request, const WideString& filter);
  // The text of a chosen path, every byte kept; false, with the error box, when that cannot be.
  static bool KeepPath(const std::string& path, WideString& text);
  // Shows the chooser and waits for it; the error box when it fails.
  Platform::FileChooserAnswer RunChooser(const Platform::FileChooserRequest& request);

  WideString mFilePath;
  WideString mFolder;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LFileDialog, "class QZ::LFileDialog")
