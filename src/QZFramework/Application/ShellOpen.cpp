#include "QZFramework/Application/ShellOpen.h"

#include "Platform/Dialogs/ShellOpener.h"

#include <string>

namespace QZ {

QZRESULT ShellOpen(const WideString& target) {
  const NarrowString narrow = target.ToNarrow();
  const std::string text(narrow.GetChars(), narrow.GetLength());
  if (text.empty())
    return E_FAIL;
  return Platform::OpenWithShell(text) == Platform::kShellOpened ? S_OK : E_FAIL;
}

} // namespace QZ
