#include "QZFramework/AppServices/FrameworkApp.h"

#include <atomic>

namespace QZ {

namespace {

constinit std::atomic<IFrameworkApp*> sApp{nullptr};

} // namespace

IFrameworkApp* GetFrameworkApp() { return sApp.load(); }

IFrameworkApp* SetFrameworkApp(IFrameworkApp* app) { return sApp.exchange(app); }

} // namespace QZ
