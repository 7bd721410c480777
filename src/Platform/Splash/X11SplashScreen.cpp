#include "Platform/Splash/X11SplashScreen.h"

#include "Platform/Splash/SplashWait.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace QZ::Platform {

namespace {

// Xlib's own locking, for the connections of threads other than SDL's. libX11 1.8 does this by itself;
// earlier ones need it before the first connection.
void InitXlibThreads() {
  static std::once_flag once;
  std::call_once(once, [] { XInitThreads(); });
}

// The pixels of the image's rectangle as 0xFFRRGGBB (the visual is 24-bit true colour, red highest).
void CopyPixels(XImage* image, std::int32_t width, std::int32_t height, std::vector<std::uint32_t>& pixels) {
  pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const unsigned long value = XGetPixel(image, x, y);
      pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
          0xFF000000u | static_cast<std::uint32_t>(value & 0xFFFFFFu);
    }
  }
}

class X11SplashScreen final : public SplashScreen {
public:
  explicit X11SplashScreen(Display* display) : mDisplay(display), mScreen(DefaultScreen(display)) {}

  ~X11SplashScreen() override {
    DestroyWindow();
    XCloseDisplay(mDisplay);
  }

  SplashBackend GetBackend() const override { return SplashBackend::kX11; }

  RectI GetWorkArea() override {
    const RectI screen{0, 0, DisplayWidth(mDisplay, mScreen), DisplayHeight(mDisplay, mScreen)};
    const Window root = RootWindow(mDisplay, mScreen);
    std::vector<long> area = ReadCardinals(root, "_NET_WORKAREA");
    if (area.size() < 4)
      return screen;
    std::size_t desktop = 0;
    const std::vector<long> current = ReadCardinals(root, "_NET_CURRENT_DESKTOP");
    if (!current.empty() && current[0] >= 0 && static_cast<std::size_t>(current[0]) * 4 + 4 <= area.size())
      desktop = static_cast<std::size_t>(current[0]);
    const long* r = area.data() + desktop * 4;
    if (r[2] < 1 || r[3] < 1)
      return screen;
    return {static_cast<std::int32_t>(r[0]), static_cast<std::int32_t>(r[1]), static_cast<std::int32_t>(r[2]),
            static_cast<std::int32_t>(r[3])};
  }

  bool CreateWindow(const RectI& placement, const std::string& title) override {
    if (mWindow != 0) {
      mError = "a splash window exists already";
      return false;
    }
    if (placement.width < 1 || placement.height < 1) {
      mError = "a splash window needs a size";
      return false;
    }
    // Pixels go to the server as they are held: 32-bit words 0x00RRGGBB. Other visuals are rare enough today
    // not to convert for.
    Visual* visual = DefaultVisual(mDisplay, mScreen);
    const int depth = DefaultDepth(mDisplay, mScreen);
    if (depth != 24 || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) {
      mError = "the screen's default visual is not 24-bit true colour";
      return false;
    }
    mWidth = placement.width;
    mHeight = placement.height;
    mPixels.assign(static_cast<std::size_t>(mWidth) * static_cast<std::size_t>(mHeight), 0);
    mImage = XCreateImage(mDisplay, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                          reinterpret_cast<char*>(mPixels.data()), static_cast<unsigned>(mWidth),
                          static_cast<unsigned>(mHeight), 32, mWidth * 4);
    if (!mImage || mImage->bits_per_pixel != 32) {
      ReleaseImage();
      mError = "the screen takes no 32-bit pixels";
      return false;
    }
    // The words are in this machine's order; Xlib swaps them for a server of the other one.
    mImage->byte_order = LSBFirst;

    XSetWindowAttributes attributes{};
    // Override-redirect: no frame, placed where we say, never focused by the window manager.
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(mDisplay, mScreen);
    attributes.border_pixel = 0;
    attributes.event_mask = ExposureMask;
    mWindow = XCreateWindow(mDisplay, RootWindow(mDisplay, mScreen), placement.x, placement.y,
                            static_cast<unsigned>(mWidth), static_cast<unsigned>(mHeight), 0, depth, InputOutput,
                            visual, CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    if (mWindow == 0) {
      ReleaseImage();
      mError = "XCreateWindow failed";
      return false;
    }
    mGc = XCreateGC(mDisplay, mWindow, 0, nullptr);
    // What compositors and tools read of it: a splash that takes no keyboard input.
    XWMHints* hints = XAllocWMHints();
    if (hints) {
      hints->flags = InputHint;
      hints->input = False;
      XSetWMHints(mDisplay, mWindow, hints);
      XFree(hints);
    }
    const Atom type = XInternAtom(mDisplay, "_NET_WM_WINDOW_TYPE", False);
    Atom splash = XInternAtom(mDisplay, "_NET_WM_WINDOW_TYPE_SPLASH", False);
    XChangeProperty(mDisplay, mWindow, type, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&splash), 1);
    const Atom name = XInternAtom(mDisplay, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(mDisplay, "UTF8_STRING", False);
    XChangeProperty(mDisplay, mWindow, name, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    XFlush(mDisplay);
    return true;
  }

  bool ShowWindow() override {
    if (mWindow == 0)
      return false;
    XMapRaised(mDisplay, mWindow);
    mMapped = true;
    // The server keeps no pixels of its own for the window: the first Expose paints it as well.
    Put({0, 0, mWidth, mHeight});
    XFlush(mDisplay);
    return true;
  }

  void DestroyWindow() override {
    if (mWindow == 0)
      return;
    if (mGc)
      XFreeGC(mDisplay, mGc);
    mGc = nullptr;
    XDestroyWindow(mDisplay, mWindow);
    XSync(mDisplay, False);
    mWindow = 0;
    mMapped = false;
    ReleaseImage();
  }

  void WaitForEvents(int wakeHandle, std::int32_t timeoutMs) override {
    if (HandleEvents())
      return;
    WaitForReadable(wakeHandle, ConnectionNumber(mDisplay), timeoutMs);
    HandleEvents();
  }

  bool ReadBack(std::vector<std::uint32_t>& pixels) override {
    if (mWindow == 0 || !mMapped)
      return false;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(mDisplay, mWindow, &attributes) || attributes.map_state != IsViewable)
      return false;
    // The server can read only what lies on the screen (else the request fails, and Xlib's default answer to
    // a failure ends the process).
    if (attributes.x < 0 || attributes.y < 0 || attributes.x + mWidth > DisplayWidth(mDisplay, mScreen) ||
        attributes.y + mHeight > DisplayHeight(mDisplay, mScreen))
      return false;
    XImage* image = XGetImage(mDisplay, mWindow, 0, 0, static_cast<unsigned>(mWidth),
                              static_cast<unsigned>(mHeight), AllPlanes, ZPixmap);
    if (!image)
      return false;
    CopyPixels(image, mWidth, mHeight, pixels);
    XDestroyImage(image);
    return true;
  }

  bool BeginDraw(WindowPixels& pixels) override {
    pixels = {};
    if (mWindow == 0)
      return false;
    pixels = {mPixels.data(), mWidth, mHeight, mWidth * 4};
    return true;
  }

  void Show(std::span<const RectI> rects) override {
    if (mWindow == 0 || !mMapped)
      return;
    for (const RectI& rect : rects)
      Put(rect);
    XFlush(mDisplay);
  }

  void EndDraw() override {}

private:
  std::vector<long> ReadCardinals(Window window, const char* property) {
    std::vector<long> values;
    const Atom atom = XInternAtom(mDisplay, property, True);
    if (atom == None)
      return values;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(mDisplay, window, atom, 0, 1024, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        type == XA_CARDINAL && format == 32 && data) {
      // Format 32 arrives as longs, whatever their width.
      const long* longs = reinterpret_cast<const long*>(data);
      values.assign(longs, longs + count);
    }
    if (data)
      XFree(data);
    return values;
  }

  // Sends the part of the rectangle inside the window.
  void Put(const RectI& rect) {
    const std::int32_t left = std::max(rect.x, 0);
    const std::int32_t top = std::max(rect.y, 0);
    const std::int32_t right = std::min(rect.x + rect.width, mWidth);
    const std::int32_t bottom = std::min(rect.y + rect.height, mHeight);
    if (right <= left || bottom <= top || !mImage)
      return;
    XPutImage(mDisplay, mWindow, mGc, mImage, left, top, left, top, static_cast<unsigned>(right - left),
              static_cast<unsigned>(bottom - top));
  }

  // Repaints what the server uncovered; true when there was an event.
  bool HandleEvents() {
    bool any = false;
    while (XPending(mDisplay) > 0) {
      XEvent event;
      XNextEvent(mDisplay, &event);
      any = true;
      if (event.type == Expose && event.xexpose.window == mWindow)
        Put({event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height});
    }
    if (any)
      XFlush(mDisplay);
    return any;
  }

  void ReleaseImage() {
    if (mImage) {
      mImage->data = nullptr; // the pixels are ours
      XDestroyImage(mImage);
      mImage = nullptr;
    }
    mPixels.clear();
  }

  Display* mDisplay;
  int mScreen;
  Window mWindow = 0;
  GC mGc = nullptr;
  XImage* mImage = nullptr;
  bool mMapped = false;
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
  std::vector<std::uint32_t> mPixels;
};

} // namespace

std::unique_ptr<SplashScreen> ConnectX11SplashScreen(std::string* error) {
  InitXlibThreads();
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    if (error)
      *error = "cannot open the X display";
    return nullptr;
  }
  return std::make_unique<X11SplashScreen>(display);
}

bool ReadScreenArea(const RectI& area, std::vector<std::uint32_t>& pixels) {
  InitXlibThreads();
  Display* display = XOpenDisplay(nullptr);
  if (!display)
    return false;
  const int screen = DefaultScreen(display);
  bool read = false;
  // The server reads only what lies on the screen (else the request fails, which ends the process).
  if (area.width > 0 && area.height > 0 && area.x >= 0 && area.y >= 0 &&
      area.x + area.width <= DisplayWidth(display, screen) &&
      area.y + area.height <= DisplayHeight(display, screen) && DefaultDepth(display, screen) == 24) {
    if (XImage* image =
            XGetImage(display, RootWindow(display, screen), area.x, area.y, static_cast<unsigned>(area.width),
                      static_cast<unsigned>(area.height), AllPlanes, ZPixmap)) {
      CopyPixels(image, area.width, area.height, pixels);
      XDestroyImage(image);
      read = true;
    }
  }
  XCloseDisplay(display);
  return read;
}

} // namespace QZ::Platform
