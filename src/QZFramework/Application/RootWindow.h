#pragma once
// LRootWindow: the framework side of one native window. It owns the window's
// control tree (its root control), the window's own hot keys, the region that
// still has to be painted and the queue of keys kept for later delivery; it is
// the distributor of the window's notifications and queues what is posted to
// it for the next idle pass. IRootWindowInput is what the native window
// (OSWindow) hands it: input, focus changes, sizes, paints and drops.
//
// Ownership: the native window and the application's list hold the root
// window; the root control holds it back through a reference counted as an
// inner one, and the queue's link to itself is another, so the release hook
// (ReleaseInnerReferences) unsubscribes every client, forgets the native
// window, removes the root control and shuts the queue down.
//
// Threads: everything on the UI thread except InvalidateRect and
// TakeInvalidRegion, which meet under the paint lock, and posting to the
// queue, which any thread may do. Lock order: the paint lock and the key
// queue's lock are leaves.

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/UITarget.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/Notification/NotificationQueue.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/System/HotKeys.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Graphics/Region.h"
#include "QZFramework/Utilities/Storage/RCPtrQueue.h"
#include "QZFramework/Utilities/Storage/StringArrayT.h"
#include "QZFramework/Utilities/Storage/Wrapper.h"
#include "QZFramework/Utilities/Threading/Mutex.h"

#include <cstdint>

namespace QZ {

// Mouse-button actions of DispatchMouseButton.
inline constexpr std::int32_t kMouseActionPress = 0;
inline constexpr std::int32_t kMouseActionRelease = 1;
inline constexpr std::int32_t kMouseActionDoubleClick = 2;

// What a native window hands to its root window.
class IRootWindowInput {
public:
  virtual ~IRootWindowInput() = default;

  // action: kMouseAction...; button 1, 2 or 4; points in client pixels.
  virtual void DispatchMouseButton(std::int32_t action, std::uint32_t button, std::uint32_t modifiers,
                                   const PointT<std::int32_t>& point, std::int32_t pointerIndex) = 0;
  virtual void DispatchMouseMove(const PointT<std::int32_t>& point, std::uint32_t modifiers,
                                 std::int32_t pointerIndex) = 0;
  // direction: kWheelDown, kWheelUp, kWheelLeft, kWheelRight.
  virtual void DispatchMouseWheel(const PointT<std::int32_t>& point, std::uint32_t modifiers,
                                  std::uint32_t direction) = 0;
  virtual void DispatchKey(const RCPtr<LKeyParam>& key) = 0;
  virtual void OnWindowFocusLost() = 0;
  virtual void RestoreFocus() = 0;
  virtual void CaptureLost() = 0;
  virtual void NotifyClientSizeChanged(std::int32_t width, std::int32_t height) = 0;
  // The next TakeInvalidRegion invalidates the whole client area first.
  virtual void SetInvalidateAll() = 0;
  // Invalidates the whole client area now.
  virtual void InvalidateClientArea() = 0;
  // Corrects a proposed client size to the layout's limits; true when changed.
  virtual bool ConstrainSize(std::int32_t& width, std::int32_t& height) = 0;
  // The system asked a window other than the main window to close: a dialog
  // closes with its Cancel code (its listeners may refuse), any other with 0.
  virtual void RequestSystemClose() = 0;
  virtual bool HasFocusedControl() = 0;
  // The drag steps: the files that entered, the control under a point (true
  // when it takes them), the drop (0 when accepted), the end of the drag.
  virtual void SetDropData(const RCPtr<LDropFileList>& files) = 0;
  virtual bool UpdateDropTarget(const PointT<std::int32_t>& point) = 0;
  virtual QZRESULT Drop() = 0;
  virtual void ClearDrop() = 0;
  // The paint steps: what the framework invalidated (moved out), and the paint
  // of a region between the renderer's RenderStart and RenderFinish.
  virtual void TakeInvalidRegion(Region& out) = 0;
  virtual void Paint(const Region& region) = 0;
};

class LRootWindow : public IRootWindow,
                    public IRootWindowInput,
                    public LNotificationDistributor,
                    public LNotificationQueue {
public:
  // The bounds the cache holds until the native window first answers.
  static constexpr RectT<std::int32_t> kInitialBounds{0, 0, 1024, 768};

  [[nodiscard]] static RCPtr<LRootWindow> Create(const RCPtr<LRenderer>& renderer, IWindowOSServices* window);
  ~LRootWindow() override;
  LRootWindow(const LRootWindow&) = delete;
  LRootWindow& operator=(const LRootWindow&) = delete;

  // ---- The tree

  // Installs the control tree (null removes it); the window takes the
  // control's text as its title unless that is empty. 0.
  QZRESULT SetRootControl(const RCPtr<LControl>& control);
  // A top-level control of the current skin by name; the empty name removes.
  QZRESULT SetRootControlByName(const WideString& name);

  // ---- IRootWindow

  RCPtr<LNotificationDistributor> GetNotificationDistributor() override;
  RCPtr<LControl> GetRootControl() override { return mRootControl; }
  IWindowOSServices* GetWindowOSServices() override { return mWindow; }
  RCPtr<LRenderer> GetRenderer() override { return mRenderer; }
  RCPtr<LControl> GetFocusedControl() override { return mFocus; }
  bool ProcessIdle(bool sendIdle) override;
  QZRESULT RequestClose(std::int32_t result) override;
  QZRESULT RedrawNow() override;
  std::uint32_t GetMouseButtonState() override;
  PointT<std::int32_t> GetCursorPosition() override;
  RectT<std::int32_t> GetBounds() override;
  void InvalidateRect(const RectT<std::int32_t>& rect) override;
  void OnWindowFocusLost() override;
  void RestoreFocus() override;
  SizeT<std::int32_t> GetSize() override;
  void SetBounds(const RectT<std::int32_t>& bounds) override;
  bool HasHoverControl() override { return static_cast<bool>(mHover); }
  QZRESULT GetControlAtPoint(RCPtr<LControl>& control, const PointT<std::int32_t>& point,
                             PointT<std::int32_t>& local, bool hoverUpdate) override;

  // ---- IRootWindowInput

  void DispatchMouseButton(std::int32_t action, std::uint32_t button, std::uint32_t modifiers,
                           const PointT<std::int32_t>& point, std::int32_t pointerIndex) override;
  void DispatchMouseMove(const PointT<std::int32_t>& point, std::uint32_t modifiers,
                         std::int32_t pointerIndex) override;
  void DispatchMouseWheel(const PointT<std::int32_t>& point, std::uint32_t modifiers,
                          std::uint32_t direction) override;
  void DispatchKey(const RCPtr<LKeyParam>& key) override;
  void CaptureLost() override;
  void NotifyClientSizeChanged(std::int32_t width, std::int32_t height) override;
  void SetInvalidateAll() override { mInvalidateAll = true; }
  void InvalidateClientArea() override;
  bool ConstrainSize(std::int32_t& width, std::int32_t& height) override;
  void RequestSystemClose() override;
  bool HasFocusedControl() override { return static_cast<bool>(mFocus); }
  void SetDropData(const RCPtr<LDropFileList>& files) override { mDropData = files; }
  bool UpdateDropTarget(const PointT<std::int32_t>& point) override;
  QZRESULT Drop() override;
  void ClearDrop() override;
  void TakeInvalidRegion(Region& out) override;
  void Paint(const Region& region) override;

  // ---- State kept for the control base

  QZRESULT SetFocusedControl(const RCPtr<LControl>& control) override;
  QZRESULT ClearFocusedControl() override;
  // The holder before (another control) gets EndCapture first. E_INVALIDARG for null.
  QZRESULT SetCaptureControl(const RCPtr<LControl>& control) override;
  QZRESULT ClearCaptureControl() override;
  RCPtr<LControl> GetCaptureControl() override { return mCapture; }
  // The control under the mouse; the one left gets OnMouseLeave (while it is
  // still in a tree), the new one OnMouseEnter. Only the capture holder can
  // be it while there is one.
  QZRESULT SetHoverControl(const RCPtr<LControl>& control);
  RCPtr<LControl> GetHoverControl() override { return mHover; }
  const RCPtr<LControl>& GetPreviousFocusControl() const { return mPreviousFocus; }
  void GetPreviousFocusedControl(RCPtr<LControl>& out) override { out = mPreviousFocus; }
  RCPtr<LNotificationReceiver> GetQueuePostingReceiver() override { return GetPostingReceiver(); }
  const RCPtr<LControl>& GetToolTipOwner() const { return mToolTipOwner; }
  const RCPtr<LControl>& GetDropTarget() const { return mDropTarget; }
  const RCPtr<LDropFileList>& GetDropData() const { return mDropData; }

  // A text box gained or lost the focus: the native window is told.
  void SetTextInputFocus(bool gained, const RCPtr<LControl>& control, std::int32_t value) override;
  // Tab left the top-level control: the focus goes round this window's tree
  // when it is the only window, else to the next window (the previous with
  // Shift). Nothing while the window is not active or runs a modal loop.
  void TabToNextWindow(const RCPtr<LKeyParam>& key) override;
  // The cursor shown over the window (0: the default arrow); the one before,
  // 0 without native window.
  CursorID SetCursor(CursorID cursor) override;

  // ---- Keys

  // Queues a key for the next idle pass.
  void QueueKey(const RCPtr<LKeyParam>& key);
  std::uint32_t GetQueuedKeyCount() const { return mKeyQueue.GetCount(); }
  const RCPtr<LGlobalHotKeyManager>& GetHotKeyManager() const { return mHotKeys; }
  // The window's own hot keys (the "GHK" entries of the root control's table):
  // a bound key is posted to the window and delivered in the next idle pass.
  // While a modal loop runs for another window, this one is behind it and its
  // keys act on nothing: the key is taken (0) and no command fires.
  std::int32_t ProcessHotKey(const KeyCode& key) override;
  bool HasHotKey(const WideString& id) override;
  void DeliverHotKeyCommand(const WideString& id) override;
  std::uint32_t FindFirstHotKey(const WideString& id) override;

  bool IsCloseRequested() const { return mCloseRequested; }
  std::int32_t GetCloseResult() const { return mCloseResult; }
  std::uint32_t GetDoubleClickPending() const { return mDoubleClickPending; }

  // The native window is going: nothing asks it any more.
  void DetachNativeWindow() { mWindow = nullptr; }

  QZRESULT ReleaseInnerReferences() override;

private:
  LRootWindow(const RCPtr<LRenderer>& renderer, IWindowOSServices* window);

  // The client size, from GetBounds.
  SizeT<std::int32_t> ClientSize();
  // A client point in a control's coordinates.
  static PointT<std::int32_t> LocalPoint(const RCPtr<LControl>& control, const PointT<std::int32_t>& point);
  // Any press, wheel step or key hides the tool tip shown.
  void HideToolTip();
  // A key to the focus control (there is one); a control the key gave the focus comes into sight.
  void DeliverKey(const RCPtr<LKeyParam>& key);
  // Draws a control's layer, then the floating controls its pass collected,
  // by ascending Z_Order (equal ones in the order collected), each with its
  // opacity and each followed by what its own pass collects.
  void RenderControlTree(const RCPtr<LControl>& control, const Region& region, bool layered);

  RCPtr<LRenderer> mRenderer;
  IWindowOSServices* mWindow = nullptr;
  RectT<std::int32_t> mBounds = kInitialBounds;
  RCPtr<LControl> mRootControl;
  Region mInvalidRegion;
  Mutex mPaintLock;
  bool mInvalidateAll = false;
  std::uint32_t mDoubleClickPending = 0;
  RCPtr<LGlobalHotKeyManager> mHotKeys;
  RCPtr<LControl> mFocus;
  RCPtr<LControl> mPreviousFocus;
  RCPtr<LControl> mHover;
  RCPtr<LControl> mDropTarget;
  RCPtr<LControl> mToolTipOwner;
  RCPtr<LControl> mCapture;
  bool mCloseRequested = false;
  std::int32_t mCloseResult = 0;
  Mutex mKeyQueueLock;
  RCPtrQueue<LKeyParam, 256, Mutex> mKeyQueue{&mKeyQueueLock};
  RCPtr<LDropFileList> mDropData;
  // The floating controls a render pass collects; emptied by every pass.
  LControl::ControlCollection mLayerControls;
  bool mDropAllowed = false;
  // Set while this window's queue is walked: a modal loop started from a
  // delivered notification must not walk it again.
  bool mProcessingQueue = false;
  // The client size last announced ("NID_WINDOW_SIZE_CHANGE").
  SizeT<std::int32_t> mNotifiedSize{-1, -1};
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LRootWindow, "class QZ::LRootWindow")
