#include "QZFramework/AppServices/FrameworkApp.h"

#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/Renderer/Font.h"

#include <atomic>

namespace QZ {

namespace {

constinit std::atomic<IFrameworkApp*> sApp{nullptr};

} // namespace

IFrameworkApp* GetFrameworkApp() { return sApp.load(); }

IFrameworkApp* SetFrameworkApp(IFrameworkApp* app) { return sApp.exchange(app); }

} // namespace QZ
