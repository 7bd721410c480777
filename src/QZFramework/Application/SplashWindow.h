#pragma once
// SplashWindow: the start-up picture with a progress bar, on a thread of its own, so that the picture stays on
// screen and the bar moves while the UI thread loads skins, string tables and the device model.
//
// The thread makes a window of its own (Platform/Splash: the window layer's windows belong to the UI thread),
// centred in the desktop's work area and the picture's size, draws the picture over black (no per-pixel alpha
// without a compositor) and then the bar with the 2D layer. The bar is 16 pixels high with its top 20 pixels
// above the picture's bottom edge, inset by 1/25 of the picture's width on each side; its range is 0 to 100 and
// it exists from the first message that touches it.
//
// The caller reaches the thread only with thread messages, queued under a lock:
//   kSplashSetPosition  wParam position: stops an animation, sets the bar (held to 0..100)
//   kSplashAnimate      wParam start (low word) and end (high word), lParam seconds: the bar to the start, then
//                       every tick one step of (end - start) / (seconds * 4) for seconds * 4 ticks; 0 seconds
//                       (or fewer) put the bar at the end at once
//   kSplashSetBarColor  wParam the colour 0x00BBGGRR, kSplashDefaultBarColor for the default: the bar's colour
//   kSplashQuit         the thread destroys the window and ends
// Failures are reported only as texts on the debug output; start-up goes on without the splash.
//
// Threads: one owner thread calls every member. The splash thread touches only the state it shares with the
// owner (the queue under its lock, the events, its copy of the picture), never this object, so it may outlive a
// Close that gave up waiting for it. Nothing is called while the queue's lock is held.

#include "QZFramework/Utilities/Graphics/Bitmap.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <memory>

namespace QZ {

class Thread;

inline constexpr std::uint32_t kSplashSetPosition = 1026;
inline constexpr std::uint32_t kSplashAnimate = 1028;
inline constexpr std::uint32_t kSplashSetBarColor = 1033;
inline constexpr std::uint32_t kSplashQuit = 0x0012;
inline constexpr std::uintptr_t kSplashDefaultBarColor = 0xFF000000;

inline constexpr std::int32_t kSplashBarHeight = 16;
inline constexpr std::int32_t kSplashBarAboveBottom = 20;
inline constexpr std::int32_t kSplashBarInsetDivisor = 25;
inline constexpr std::int32_t kSplashBarMaximum = 100;

// The bar's look: a one-pixel frame around its background; the filled part in the bar colour.
inline constexpr std::uint32_t kSplashBarFrameColor = 0xFFBCBCBC;
inline constexpr std::uint32_t kSplashBarBackgroundColor = 0xFFE6E6E6;
inline constexpr std::uint32_t kSplashBarDefaultFillColor = 0xFF06B025;

// What the debug output is told.
inline constexpr const char* kSplashStartTimeoutText = "Error starting SplashThread\n";
inline constexpr const char* kSplashCreateFailedText = "Unable to create SplashWnd\n";
inline constexpr const char* kSplashShowFailedText = "Unable to UpdateLayeredWindow\n";

struct SSplashTimings {
  // How long Start waits for the thread's window.
  std::uint32_t mStartTimeoutMs = 5000;
  // How long Close waits for the thread to end before leaving it to end by itself.
  std::uint32_t mCloseTimeoutMs = 1000;
  // The animation's tick.
  std::uint32_t mTickMs = 250;
};

// The picture's place in the work area: centred (halves rounded down).
RectT<std::int32_t> GetSplashRect(const RectT<std::int32_t>& workArea, std::int32_t width, std::int32_t height);
// The bar's place on a picture of that size.
RectT<std::int32_t> GetSplashBarRect(std::int32_t width, std::int32_t height);

class SplashWindow {
public:
  explicit SplashWindow(const SSplashTimings& timings = SSplashTimings());
  // Closes.
  ~SplashWindow();
  SplashWindow(const SplashWindow&) = delete;
  SplashWindow& operator=(const SplashWindow&) = delete;

  // Takes the bitmap's picture when none is set yet; later calls change nothing.
  void SetImage(const RCPtr<LBitmap>& bitmap);
  // Nothing while the thread runs. Starts the thread with a copy of the picture and waits until its window
  // shows; after the start time-out the debug output is told and Start returns anyway. Without a picture the
  // thread ends at once, so Start waits the whole time-out.
  void Start();
  void SetProgress(std::int32_t position);
  void AnimateProgress(std::int32_t start, std::int32_t end, std::int32_t seconds);
  // Ends the thread (waiting at most the close time-out) and empties the title; nothing more without a thread.
  void Close();

  // Queues a thread message; false while no thread runs.
  bool PostThreadMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

  bool IsRunning() const { return mThread != nullptr; }
  bool HasImage() const;
  const WideString& GetTitle() const { return mTitle; }

private:
  struct SState;
  static std::uint32_t RunThread(void* ticket);

  SSplashTimings mTimings;
  std::unique_ptr<Thread> mThread;
  std::shared_ptr<SState> mState;
  RCPtr<LBitmap> mPicture;
  WideString mTitle;
};

} // namespace QZ
