#pragma once
// What the graphics and control code asks of the application object: the
// seam between them and the framework application, which implements it. The
// application object registers itself as the process-wide application when it
// starts and withdraws when it goes; until then there is none.
//
// The control base extends this interface, as it grows, with the services it
// needs. The application pointer is set and read atomically; the services
// themselves are for the UI thread.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class IRootWindow;
class LControlFactory;
class LFont;
class LRenderer;

class IFrameworkApp {
public:
  virtual ~IFrameworkApp() = default;

  // The renderer of the first root window; null while no root window exists.
  virtual RCPtr<LRenderer> GetRenderer() = 0;
  // The system's icon-title font: face, size in points and style bits (1 bold,
  // 2 italic, 4 underline, 8 strike-out). E_FAIL when the system cannot say,
  // the outputs then unchanged.
  virtual QZRESULT GetSystemFont(WideString& face, float& size, std::int32_t& style) = 0;
  // The renderer type the native windows create.
  virtual std::int32_t GetRendererType() = 0;
  // Milliseconds of the system clock; callers compare differences of readings.
  virtual std::uint32_t GetMilliseconds() = 0;
  // Seconds, accumulated from millisecond differences.
  virtual double GetTime() = 0;
  // The control factory the application owns for its whole run: the skins,
  // the string tables and the control classes. Null before start-up made it.
  virtual LControlFactory* GetControlFactory() = 0;

  // What the layout of top-level controls and the fonts ask. Each has a body
  // that answers "nothing" (empty rectangle, origin, null), for applications
  // that have no windows.
  // The desktop work area in screen coordinates.
  virtual RectT<std::int32_t> GetWorkArea();
  // The cursor in screen coordinates.
  virtual PointT<std::int32_t> GetCursorPosition();
  // The last root window whose native window is active; null when none is.
  virtual RCPtr<IRootWindow> GetActiveRootWindow();
  // The root window at that index (0 is the main window); null past the last.
  virtual RCPtr<IRootWindow> GetRootWindow(std::uint32_t index);
  // The base font of controls whose font does not come from their parent.
  virtual RCPtr<LFont> GetDefaultFont();
};

// The process-wide application; null when none is registered.
IFrameworkApp* GetFrameworkApp();
// Registers the application (null withdraws it); returns the one registered before.
IFrameworkApp* SetFrameworkApp(IFrameworkApp* app);

} // namespace QZ
