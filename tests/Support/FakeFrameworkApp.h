#pragma once
// A stand-in for the framework application in the tests: answers the
// application services from fields the test sets, and registers itself as the
// process-wide application for its lifetime (restoring the previous one).

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Renderer/Renderer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace QZ::test {

class FakeFrameworkApp : public IFrameworkApp {
public:
  FakeFrameworkApp() : mPrevious(SetFrameworkApp(this)) {}
  ~FakeFrameworkApp() override { SetFrameworkApp(mPrevious); }
  FakeFrameworkApp(const FakeFrameworkApp&) = delete;
  FakeFrameworkApp& operator=(const FakeFrameworkApp&) = delete;

  RCPtr<LRenderer> GetRenderer() override { return mRenderer; }
  QZRESULT GetSystemFont(WideString& face, float& size, std::int32_t& style) override {
    if (mSystemFontResult < 0)
      return mSystemFontResult;
    face = mSystemFace;
    size = mSystemSize;
    style = mSystemStyle;
    return S_OK;
  }
  std::int32_t GetRendererType() override { return mRendererType; }
  std::uint32_t GetMilliseconds() override { return mMilliseconds; }
  double GetTime() override { return static_cast<double>(mMilliseconds) / 1000.0; }
  LControlFactory* GetControlFactory() override { return mControlFactory; }
  RCPtr<LFont> GetDefaultFont() override { return mDefaultFont; }
  RectT<std::int32_t> GetWorkArea() override { return mWorkArea; }
  PointT<std::int32_t> GetCursorPosition() override { return mCursor; }
  std::uint32_t GetMouseButtonState() override { return mButtons; }
  RCPtr<IRootWindow> GetActiveRootWindow() override { return mActiveRootWindow; }
  // Records the names asked for.
  CursorID GetCursor(const WideString& name) override {
    mCursorNames.push_back(name.ToNarrow().GetChars());
    return mCursorID;
  }
  // Recorded as "set:<text>:now" or ":posted", and "refresh:now" or ":posted"; E_FAIL (no status bar).
  QZRESULT SetStatusText(const WideString& text, bool immediately) override {
    mStatusLog.push_back("set:" + std::string(text.ToNarrow().GetChars()) + (immediately ? ":now" : ":posted"));
    return E_FAIL;
  }
  QZRESULT RefreshStatusText(bool immediately) override {
    mStatusLog.push_back(immediately ? "refresh:now" : "refresh:posted");
    return E_FAIL;
  }
  bool ProcessIdle(bool) override {
    ++mIdlePasses;
    return false;
  }
  RCPtr<IRootWindow> GetRootWindow(std::uint32_t index) override {
    return index == 0 ? mFirstRootWindow : RCPtr<IRootWindow>();
  }

  // Global hot keys, as the fake root window's: logged "app.hotkey:<id>" and "app.command:<id>".
  std::int32_t ProcessGlobalHotKey(const KeyCode& key) override {
    for (const auto& [packed, id] : mHotKeys)
      if (packed == key.mPacked) {
        mHotKeyLog->push_back("app.hotkey:" + id);
        return S_OK;
      }
    return S_FALSE;
  }
  bool HasGlobalHotKey(const WideString& id) override {
    for (const auto& binding : mHotKeys)
      if (binding.second == id.ToNarrow().GetChars())
        return true;
    return false;
  }
  void DeliverGlobalHotKeyCommand(const WideString& id) override {
    mHotKeyLog->push_back(std::string("app.command:") + id.ToNarrow().GetChars());
  }

  std::uint32_t GetModifierKeys() override { return mModifiers; }

  // A clipboard of one object; Set fails with mClipboardSetResult (keeping the old object).
  RCPtr<LRefCountedObject> GetClipboardText() override {
    ++mClipboardReads;
    return mClipboard;
  }
  QZRESULT SetClipboardText(const RCPtr<LRefCountedObject>& data) override {
    if (mClipboardSetResult < 0)
      return mClipboardSetResult;
    mClipboard = data;
    return S_OK;
  }
  // Answered by mEditCommandAvailable (false when unset), which a test may aim at its edit target.
  bool IsEditCommandAvailable(std::int32_t code) override {
    return mEditCommandAvailable ? mEditCommandAvailable(code) : false;
  }

  RCPtr<LRenderer> mRenderer;
  WideString mSystemFace{u"DejaVu Sans"};
  float mSystemSize = 9.0f;
  std::int32_t mSystemStyle = 0;
  QZRESULT mSystemFontResult = S_OK;
  std::int32_t mRendererType = kRendererTypeGDIPlus;
  std::uint32_t mMilliseconds = 0;
  // Not owned: the test holds the factory for as long as this stands in.
  LControlFactory* mControlFactory = nullptr;
  RCPtr<LFont> mDefaultFont;
  RectT<std::int32_t> mWorkArea{0, 0, 1920, 1080};
  PointT<std::int32_t> mCursor{};
  std::uint32_t mButtons = 0;
  std::uint32_t mModifiers = 0;
  RCPtr<IRootWindow> mActiveRootWindow;
  CursorID mCursorID = 0;
  std::vector<std::string> mCursorNames;
  std::int32_t mIdlePasses = 0;
  RCPtr<IRootWindow> mFirstRootWindow;
  std::vector<std::string> mStatusLog;
  std::vector<std::pair<std::int32_t, std::string>> mHotKeys;
  RCPtr<LRefCountedObject> mClipboard;
  QZRESULT mClipboardSetResult = S_OK;
  std::int32_t mClipboardReads = 0;
  std::function<bool(std::int32_t)> mEditCommandAvailable;
  // May be pointed at a test's own log to keep one order of events.
  std::vector<std::string> mOwnHotKeyLog;
  std::vector<std::string>* mHotKeyLog = &mOwnHotKeyLog;

private:
  IFrameworkApp* mPrevious;
};

} // namespace QZ::test
