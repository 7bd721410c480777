#pragma once
// OSWindow: the native window behind a root window, over the platform's window
// layer. It turns the window layer's events of its window into calls on its
// root window (IRootWindowInput): buttons with its own capture policy, moves,
// wheel steps accumulated per axis in 120ths of a notch, keys as key codes
// with the modifier mask and repeat value, characters (none while a Win key is
// held), focus, sizes, moves, paints and dropped files. It answers the root
// window's services (IWindowOSServices), runs modal loops and, for the main
// window, posts the exit request for its close box and saves its placement
// when it goes.
//
// Ownership: OSWindow::Create keeps the window in a process-wide list by its
// id; DestroyWindow (or EndModal outside a modal loop, or the end of its modal
// loop) deletes it. A window is never deleted while its own modal loop is on
// the stack: EndModal or DestroyWindow then only end the loop (a second end
// keeps the first result), and the loop deletes the window once it returns. Events reach their window through
// DispatchWindowEvent.
//
// Threads: the UI thread only. Exceptions from the root window and the
// controls leave the handlers and the loops unchanged and reach the caller of
// the loop (the application's Run guard); none crosses a window-system
// callback, since events are taken from the window layer's queue.

#include "Platform/App/AppHost.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowEvent.h"
#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/Application/RootWindow.h"
#include "QZFramework/Application/WindowPresenter.h"
#include "QZFramework/Renderer/RenderContextInfo.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace QZ {

// The identifier of a second instance's command line.
inline constexpr std::uint32_t kCopyDataCommandLine = 1125;
// The modal loop's answer when the application quits while it runs.
inline constexpr std::int32_t kModalLoopQuit = -1;

class OSWindow : public IWindowOSServices {
public:
  struct SCreateParams {
    WideString title;
    RectT<std::int32_t> clientBounds{0, 0, 640, 480};
    bool resizable = true;
    bool visible = false;
    // The window it is modal for (the owner); null for none.
    OSWindow* parent = nullptr;
    // The profile section of the main window's placement.
    WideString className;
  };
  // Stores the main window's placement as the profile value "WP" of the
  // section (the application owns the record's form).
  using PlacementWriter =
      std::function<void(const WideString& section, const Platform::WindowPlacement& placement)>;

  // Null when the window layer cannot make the window. The list keeps it.
  [[nodiscard]] static OSWindow* Create(const SCreateParams& params);
  static OSWindow* FromId(Platform::WindowId id);
  // Hands a window-layer event to its window; false when no window of ours has its id.
  static bool DispatchWindowEvent(const Platform::WindowEvent& event);
  // Takes every waiting event and hands it out, then paints the windows with
  // something to paint. kQuit events are answered with false (the quit stays
  // for the caller).
  static bool PumpWindowEvents();
  // Paints every window with something invalid.
  static void PaintPendingWindows();
  static void SetPlacementWriter(PlacementWriter writer);
  // While it lives, the host's loop hands the window layer's events to the
  // windows and paints what became invalid once no event waits.
  class HostRoute {
  public:
    explicit HostRoute(Platform::AppHost& host);
    ~HostRoute();
    HostRoute(const HostRoute&) = delete;
    HostRoute& operator=(const HostRoute&) = delete;

  private:
    Platform::AppHost& mHost;
    std::uint32_t mId;
  };
  static std::uint32_t GetWindowCount();

  OSWindow(const OSWindow&) = delete;
  OSWindow& operator=(const OSWindow&) = delete;

  // The renderer of a type; its context and the root window follow
  // (AttachRenderer). The renderer factory's result on failure.
  QZRESULT CreateRenderer(std::int32_t type);
  // Keeps the renderer, makes the render context and the root window and adds
  // it to the application. 0.
  QZRESULT AttachRenderer(const RCPtr<LRenderer>& renderer);
  // Events go to this receiver instead of the root window (a window without
  // renderer, tests of the translation); null: the root window again.
  void SetInputReceiver(IRootWindowInput* input) { mInputOverride = input; }
  // Destroys the platform window (saving the main window's placement first),
  // removes the root window from the application and deletes this object.
  void DestroyWindow();

  const RCPtr<LRootWindow>& GetRootWindow() const { return mRootWindow; }
  const RCPtr<LRenderContextInfo>& GetRenderContext() const { return mRenderContext; }
  Platform::Window& GetPlatformWindow() { return *mWindow; }
  // The handle renderers get for this window: the presenter for the GDI+
  // role, the window layer's own window for OpenGL.
  WindowHandle GetWindowHandle(std::int32_t rendererType);
  const CWindowPresenter& GetPresenter() const { return *mPresenter; }
  std::int32_t GetWheelAccumulator(std::int32_t axis) const { return mWheel[static_cast<std::size_t>(axis & 1)]; }
  bool HasCaptureFlag() const { return mCaptureFlag; }
  bool IsOutsideWorkArea() const { return mOutsideWorkArea; }
  bool IsPaintPending() const { return mPaintPending; }
  // A second instance's command line (UTF-8 with its final zero): handed to
  // the application while the window is enabled.
  void OnCopyData(std::uint32_t identifier, const std::vector<std::uint8_t>& bytes);
  // Corrects a sizing rectangle {left, top, right, bottom} of the whole window
  // to the root window's limits by moving its right and bottom edges.
  void ConstrainSizingRect(std::int32_t& left, std::int32_t& top, std::int32_t& right, std::int32_t& bottom);
  // Hands the root control's smallest and largest client size to the window system, so that the window manager
  // keeps a drag within them and offers no maximise where they are equal. Run once the root control is set.
  void ApplySizeLimits();
  // The paint: the framework's invalid region and the platform's update
  // rectangle rendered between RenderStart and RenderFinish.
  void Paint();

  // ---- IWindowOSServices

  void SetTitle(const WideString& title) override;
  bool IsActive() override;
  PointT<std::int32_t> ClientToScreen(const PointT<std::int32_t>& client) override;
  void InvalidateAll() override;
  void InvalidateRect(const RectT<std::int32_t>& rect) override;
  void GetClientRect(RectT<std::int32_t>& out) override;
  PointT<std::int32_t> ScreenToClient(const PointT<std::int32_t>& screen) override;
  QZRESULT SetClientBounds(const RectT<std::int32_t>& bounds) override;
  QZRESULT RedrawNow() override;
  QZRESULT EndModal(std::int32_t result) override;
  // Runs the application host's loop until EndModal, with the idle passes of
  // a modal loop (the application's, "NID_IDLE" only at count 0, at most three
  // per idle period); destroys the window then and returns the result:
  // kModalLoopQuit when a quit request ended the loop (the request stays for
  // the loops outside) or there is no application.
  std::int32_t RunModalLoop();
  bool IsInModalLoop() override { return mModal; }
  // The window whose modal loop runs innermost now; null while none runs.
  static OSWindow* GetInnermostModalWindow();
  // Whether a modal loop runs for a window other than this one (null: any window) and above it: the
  // window is then disabled and none of its keys may act.
  static bool IsBehindModalWindow(const IWindowOSServices* window);
  bool HasFocus() override;
  QZRESULT SetFocus() override;
  std::uintptr_t SetCursor(std::uintptr_t cursor) override;
  PointT<std::int32_t> GetCursorPosition() override;
  std::uint32_t GetMouseButtonState() override;
  void EnableTextInput(bool, std::int32_t) override {}
  bool Show(bool show);
  QZRESULT BringToTop();
  QZRESULT SetTopMost(bool topMost);

private:
  OSWindow(std::unique_ptr<Platform::Window> window, OSWindow* parent, const WideString& className);
  ~OSWindow() override;

  IRootWindowInput* Input();
  bool IsMainWindow();
  void HandleEvent(const Platform::WindowEvent& event);
  void OnButton(const Platform::WindowEvent& event);
  void OnMouseMove(const Platform::WindowEvent& event);
  void OnMouseLeave();
  void OnWheel(const Platform::WindowEvent& event);
  void OnKey(const Platform::WindowEvent& event);
  void OnCharacter(const Platform::WindowEvent& event);
  void OnClose();
  void OnSize(const Platform::WindowEvent& event);
  void OnMove();
  void OnDrop(const Platform::WindowEvent& event);
  void SavePlacement();

  std::unique_ptr<Platform::Window> mWindow;
  // What the GDI+-role renderer draws to: the window handle its contexts get.
  std::unique_ptr<CWindowPresenter> mPresenter;
  OSWindow* mParent = nullptr;
  WideString mClassName;
  RCPtr<LRootWindow> mRootWindow;
  IRootWindowInput* mInputOverride = nullptr;
  RCPtr<LRenderer> mRenderer;
  RCPtr<LRenderContextInfo> mRenderContext;
  PointT<std::int32_t> mLastMouse{};
  std::uint32_t mPressedButtons = 0;
  std::int32_t mPressCount = 0;
  std::array<std::int32_t, 2> mWheel{};
  bool mCaptureFlag = false;
  bool mModal = false;
  bool mContinueModal = false;
  // RunModalLoop is on the stack for this window (from its start until it destroys the window), also once
  // EndModal has ended the loop: the window must not go before the loop has returned.
  bool mInModalRun = false;
  std::int32_t mModalResult = 0;
  bool mOutsideWorkArea = false;
  // The platform's update rectangle (what the window itself lost or was told to show again).
  bool mPaintPending = false;
  RectT<std::int32_t> mUpdateRect{};
};

} // namespace QZ
