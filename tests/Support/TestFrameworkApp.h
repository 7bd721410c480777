#pragma once
// The real application object with the product's services answered from
// fields the test sets: the system font, the settings store and its user file,
// the clocks, cursors and key state (from the platform's key state, so a
// ScopedFakeKeyState drives it). The message loop is the test's (mLoop) or,
// when none is set, the host's. Message boxes go to the platform presenter:
// install a ScopedFakeMessageBox.

#include "Platform/App/AppHost.h"
#include "Platform/Input/KeyState.h"
#include "QZFramework/Application/FrameworkApp.h"

#include <cstdint>
#include <functional>

namespace QZ::test {

class TestFrameworkApp : public LFrameworkApp {
public:
  TestFrameworkApp(const RCPtr<LControlFactory>& factory, const RCPtr<LStringTable>& frameworkStrings,
                   Platform::AppHost& host)
      : LFrameworkApp(factory, NarrowString("test"), frameworkStrings, host) {}

  WideString GetCompanyName() override { return WideString(u"Company"); }
  WideString GetProductName() override { return WideString(u"Product"); }
  WideString GetProductVersion() override { return WideString(u"1.0.0"); }
  WideString GetSettingsVersion() override { return WideString(u"1_0_0"); }
  WideString GetApplicationName() override { return WideString(u"App"); }
  WideString GetMainControlName() override { return WideString(u"main"); }
  std::int32_t GetLanguageId() override { return 0x0409; }
  QZRESULT GetSystemFont(WideString& face, float& size, std::int32_t& style) override {
    if (mSystemFontResult < 0)
      return mSystemFontResult;
    face = mSystemFace;
    size = mSystemSize;
    style = mSystemStyle;
    return S_OK;
  }
  std::int32_t GetRendererType() override { return 1; }
  std::uint32_t GetMilliseconds() override { return mMilliseconds; }
  double GetTime() override { return static_cast<double>(mMilliseconds) / 1000.0; }
  RectT<std::int32_t> GetWorkArea() override { return {0, 0, 1920, 1080}; }
  CursorID GetCursor(const WideString&) override { return 0; }
  void GetKeyState(std::uint32_t virtualKey, bool& down, bool& toggled) override {
    const Platform::SKeyState state = Platform::GetKeyState(static_cast<std::uint8_t>(virtualKey));
    down = state.down;
    toggled = state.toggled;
  }
  IIniFileManager* GetIniFileManager() override { return mSettings; }
  IniFileHandle GetSettingsFile(std::int32_t kind) override { return kind == kSettingsFileUser ? mUserFile : 0; }
  void ShowCursor(bool) override {}
  void SetCursorPosition(const PointT<std::int32_t>&) override {}
  QZRESULT CreateMainWindow() override { return S_OK; }
  std::int32_t RunMessageLoop() override { return mLoop ? mLoop() : LFrameworkApp::RunMessageLoop(); }

  WideString mSystemFace{u"DejaVu Sans"};
  float mSystemSize = 9.0f;
  std::int32_t mSystemStyle = 0;
  QZRESULT mSystemFontResult = S_OK;
  std::uint32_t mMilliseconds = 0;
  IIniFileManager* mSettings = nullptr; // not owned
  IniFileHandle mUserFile = 0;
  std::function<std::int32_t()> mLoop;
};

} // namespace QZ::test
