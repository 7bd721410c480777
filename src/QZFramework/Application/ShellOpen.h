#pragma once
// ShellOpen: a file path or an address handed to the desktop's opener, which starts the program the user
// chose for it. UI thread; it waits a moment at most for the opener to answer, the application's windows
// painting meanwhile (the platform's modal wait).

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/Utilities/Storage/StringT.h"

namespace QZ {

// 0 when the opener took it; E_FAIL when it refused (nothing is associated, the file is missing) or no opener
// could be started. No message of its own.
QZRESULT ShellOpen(const WideString& target);

} // namespace QZ
