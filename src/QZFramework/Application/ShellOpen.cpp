#include "QZFramework/Application/ShellOpen.h"

#include "Platform/Dialogs/ShellOpener.h"
#include "QZFramework/Utilities/Storage/PathText.h"

#include <string>

namespace QZ {

QZRESULT ShellOpen(const WideString& target) {
  // A file's path keeps every byte of a folder name that is not UTF-8 (the program's own folder may have
  // one); an address is plain text and comes out as its UTF-8.
  std::string text;
  if (!PathBytesFromText(target, text) || text.empty())
    return E_FAIL;
  return Platform::OpenWithShell(text) == Platform::kShellOpened ? S_OK : E_FAIL;
}

} // namespace QZ
