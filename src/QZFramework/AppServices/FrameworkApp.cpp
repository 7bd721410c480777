#include "QZFramework/AppServices/FrameworkApp.h"

#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/Renderer/Font.h"

#include <atomic>

namespace QZ {

namespace {

constinit std::atomic<IFrameworkApp*> sApp{nullptr};

} // namespace

RectT<std::int32_t> IFrameworkApp::GetWorkArea() { return {}; }

PointT<std::int32_t> IFrameworkApp::GetCursorPosition() { return {}; }

RCPtr<IRootWindow> IFrameworkApp::GetActiveRootWindow() { return RCPtr<IRootWindow>(); }

RCPtr<IRootWindow> IFrameworkApp::GetRootWindow(std::uint32_t) { return RCPtr<IRootWindow>(); }

RCPtr<LFont> IFrameworkApp::GetDefaultFont() { return RCPtr<LFont>(); }

IFrameworkApp* GetFrameworkApp() { return sApp.load(); }

IFrameworkApp* SetFrameworkApp(IFrameworkApp* app) { return sApp.exchange(app); }

} // namespace QZ
