#include "QZFramework/Application/AppMessageBox.h"

#include "QZFramework/Application/FrameworkApp.h"

namespace QZ {

std::int32_t AppMessageBox(WideString text, WideString caption, std::uint32_t style) {
  auto* app = dynamic_cast<LFrameworkApp*>(GetFrameworkApp());
  if (!app)
    return 0;
  return app->ShowMessageBox(text, caption, style);
}

} // namespace QZ
