#pragma once
// The program's version strings, compiled in: the values the start-up, the window title, the settings
// folders and the about box read. The product name is also the name of the application's string table
// ("|" + product name) and of its skins' Application element, so the resources are found under it.
//
// Constants only; any thread.

#include "QZFramework/Utilities/Storage/StringT.h"

namespace QZ {

class Version {
public:
  static WideString GetCompanyName();
  static WideString GetProductName();
  static WideString GetProductVersion();
  static WideString GetLegalCopyright();
};

} // namespace QZ
