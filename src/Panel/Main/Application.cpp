#include "Panel/Main/Application.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "Panel/Main/SkinChoice.h"
#include "Panel/Main/Version.h"
#include "Panel/Main/WindowPlacementRecord.h"
#include "Platform/App/MessageBox.h"
#include "Platform/Dialogs/DialogScale.h"
#include "Platform/Graphics2D/Image.h"
#include "Platform/Input/KeyState.h"
#include "Platform/Resources/Resources.h"
#include "Platform/Window/InputState.h"
#include "Platform/Window/WindowSystem.h"
#include "QZFramework/Application/ControlClassRegistry.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/System/KeyCode.h"
#include "UI/DeviceView.h"
#include "UI/DriverCommon/MainControl.h"
#include "UI/PresetEditorCommon/AboutDlg.h"
#include "UI/PresetEditorCommon/ArpeggiatorEditPanel.h"
#include "UI/PresetEditorCommon/KeybedEditPanel.h"
#include "UI/PresetEditorCommon/MidiNoteSelector.h"
#include "UI/PresetEditorCommon/VariantBufferSetterParameterPanel.h"

#include <cmath>
#include <ctime>
#include <stdexcept>
#include <string>
#include <utility>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "panel\\main\\Application";
constexpr const char* kBaseSourcePath = "include\\../Application/ApplicationBaseWin";

LApplication* sRunning = nullptr;

// The editor's skin classes in their registration order; a class that is not built yet has no function.
constexpr SControlClass kEditorControlClasses[] = {
    {u"PresetEditor.MainControl", &LMainControl::Create},
    {u"PresetEditor.DialogAbout", &LAboutDlg::Create},
    {u"PresetEditor.MainControl.DeviceView", &LDeviceView::Create},
    {u"PresetEditor.Arpeggiator", &LArpeggiatorEditPanel::Create},
    {u"PresetEditor.MidiNoteSelector", &LMidiNoteSelector::Create},
    {u"PresetEditor.MainControl.DeviceView.ControllerBody", &LLabel::Create},
    {u"PresetEditor.ProgramBankPanel", &LPanel::Create},
    {u"PresetEditor.OctavePanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.MidiChannelPanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.TransposePanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.KeybedPanel", &LKeybedEditPanel::Create},
    {u"PresetEditor.TempoPanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.NoteRepeatTimeDivisionPanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.SwingPanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.ArpOctavePanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.ArpModePanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.ArpLatchPanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.ArpEnabledPanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.TempoTapsPanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.NoteRepeatClockPanel", &LVariantBufferSetterParameterPanel::Create},
    {u"PresetEditor.Control.ProductLogoLabels", &LLabel::Create},
};

// Cursor names and the system cursors they stand for. The drop cursors are pictures of the program's own
// ("GDIPLUS" PNG resources, hot spot at the top-left corner); a missing or unreadable picture shows the arrow.
struct SCursorEntry {
  const char16_t* mName;
  std::optional<Platform::SystemCursor> mCursor;
  const char* mPicture = nullptr;
};
const SCursorEntry kCursors[] = {
    {kCursorDropMove, Platform::SystemCursor::kArrow, kCursorDropMovePicture},
    {kCursorDropCopy, Platform::SystemCursor::kArrow, kCursorDropCopyPicture},
    {kCursorSplitV, std::nullopt},
    {kCursorSplitH, std::nullopt},
    {kCursorRotate, std::nullopt},
    {kCursorMag, std::nullopt},
    {kCursorMagPlus, std::nullopt},
    {kCursorMagMinus, std::nullopt},
    {kCursorArrow, Platform::SystemCursor::kArrow},
    {kCursorIBeam, Platform::SystemCursor::kIBeam},
    {kCursorWait, Platform::SystemCursor::kWait},
    {kCursorCross, Platform::SystemCursor::kCross},
    {kCursorUpArrow, Platform::SystemCursor::kUpArrow},
    {kCursorSizeAll, Platform::SystemCursor::kSizeAll},
    {kCursorSizeNWSE, Platform::SystemCursor::kSizeNWSE},
    {kCursorSizeNESW, Platform::SystemCursor::kSizeNESW},
    {kCursorSizeWE, Platform::SystemCursor::kSizeWE},
    {kCursorSizeNS, Platform::SystemCursor::kSizeNS},
    {kCursorNoDrop, Platform::SystemCursor::kNo},
    {kCursorHand, Platform::SystemCursor::kHand},
    {kCursorAppStarting, Platform::SystemCursor::kAppStarting},
    {kCursorHelp, Platform::SystemCursor::kHelp},
};

// A cursor from a "GDIPLUS" PNG resource; none when the resource is missing or cannot be read or shown.
Platform::CursorId CursorFromPicture(const char* name) {
  std::span<const std::uint8_t> bytes;
  if (!Platform::FindResource(kPictureResourceType, name, bytes))
    return Platform::kNoCursor;
  const std::unique_ptr<Platform::Image> image = Platform::Image::DecodePng(bytes.data(), bytes.size());
  if (!image)
    return Platform::kNoCursor;
  Platform::ImageLockData data;
  if (image->LockBits(0, 0, image->GetWidth(), image->GetHeight(), Platform::kImageLockRead,
                      Platform::kPixelFormat32bppARGB, data) != Platform::ImageStatus::Ok)
    return Platform::kNoCursor;
  const Platform::CursorId cursor =
      Platform::CreatePixelCursor({static_cast<const std::uint8_t*>(data.scan0), image->GetWidth(),
                                   image->GetHeight(), data.stride, Platform::PixelAlpha::kStraight},
                                  {0, 0});
  static_cast<void>(image->UnlockBits(data));
  return cursor;
}

// The desktop's user-interface font where nobody says otherwise: 9 points at 96 pixels per inch.
const SPlatformFont kDefaultSystemFont{WideString(u"Sans"), -12, 400, false, false, false};

bool IsUnset(const SizeLimitSpec& limit) { return limit.mRelative == 0 && limit.mAbsolute == 0; }

// The placement record as profile text: two hexadecimal digits a byte.
WideString ToHex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const std::uint8_t byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0xF]);
  }
  WideString wide;
  wide.AssignNarrow(text.c_str());
  return wide;
}

std::optional<std::vector<std::uint8_t>> FromHex(const WideString& text) {
  const auto digit = [](char16_t c) -> int {
    if (c >= u'0' && c <= u'9')
      return c - u'0';
    if (c >= u'A' && c <= u'F')
      return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
      return c - u'a' + 10;
    return -1;
  };
  const std::uint32_t length = text.GetLength();
  if (length % 2 != 0)
    return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t i = 0; i < length; i += 2) {
    const int high = digit(text.GetChars()[i]);
    const int low = digit(text.GetChars()[i + 1]);
    if (high < 0 || low < 0)
      return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

std::int32_t Truncate(double value) {
  if (!(value > -2147483648.0 && value < 2147483648.0))
    return 0;
  return static_cast<std::int32_t>(value);
}

// The window's first client size on an axis: the layout's own size, or, where the size follows the window,
// the largest the layout allows (its minimum where it sets no maximum).
std::int32_t FirstClientExtent(const LLayoutDescriptor& layout, std::int32_t axis) {
  const SizeSpec& size = layout.mSize[axis];
  std::int32_t extent = Truncate(size.mAbsolute);
  if (size.mReference != kSizeSelf) {
    const SizeLimitSpec& maximum = layout.mMaxSize[axis];
    const SizeLimitSpec& minimum = layout.mMinSize[axis];
    if (!maximum.mRelativeToControl && maximum.mAbsolute > 0)
      extent = Truncate(maximum.mAbsolute);
    else if (!minimum.mRelativeToControl && minimum.mAbsolute > 0)
      extent = Truncate(minimum.mAbsolute);
  }
  return std::max(extent, 1);
}

} // namespace

std::span<const SControlClass> GetEditorControlClasses() { return kEditorControlClasses; }

std::uint32_t MainWindowStyle(const LLayoutDescriptor& layout) {
  const SizeLimitSpec* minimum = layout.mMinSize;
  const SizeLimitSpec* maximum = layout.mMaxSize;
  const bool noMinimum = IsUnset(minimum[0]) && IsUnset(minimum[1]);
  const bool minimumIsMaximum = minimum[0] == maximum[0] && minimum[1] == maximum[1];
  const bool allReferenced = minimum[0].mRelativeToControl && minimum[1].mRelativeToControl &&
                             maximum[0].mRelativeToControl && maximum[1].mRelativeToControl;
  if ((!noMinimum && minimumIsMaximum) || allReferenced)
    return kStyleFixedMainWindow;
  const auto unlimited = [](const SizeLimitSpec& limit) {
    return limit.mAbsolute == 0 && !limit.mRelativeToControl;
  };
  if (unlimited(maximum[0]) && unlimited(maximum[1]))
    return kStyleMaximisableMainWindow;
  return kStyleResizableMainWindow;
}

std::uint32_t ControlWindowStyle(bool modal, bool systemMenu, bool minimiseBox, bool maximiseBox, bool fixedSize) {
  std::uint32_t style = kStylePopupCaption;
  if (systemMenu || minimiseBox || maximiseBox)
    style |= kStyleSystemMenu;
  if (maximiseBox)
    style |= kStyleMaximiseBox;
  if (minimiseBox)
    style |= kStyleMinimiseBox;
  if (!modal && !fixedSize)
    style |= kStyleSizingBorder;
  return style;
}

void PlatformFontToPoints(const SPlatformFont& font, WideString& face, float& size, std::int32_t& style) {
  face = font.mFace;
  // The height is in pixels of a 96 pixels-per-inch screen, whatever the screen has.
  size = static_cast<float>(std::abs(font.mHeight)) * 72.0f / 96.0f;
  style = (font.mWeight >= 700 ? 1 : 0) | (font.mItalic ? 2 : 0) | (font.mUnderline ? 4 : 0) |
          (font.mStrikeOut ? 8 : 0);
}

LApplication* LApplication::GetRunning() { return sRunning; }

LApplication::LApplication(const RCPtr<LControlFactory>& factory, const RCPtr<LStringTable>& frameworkStrings,
                           const NarrowString& commandLine, Platform::AppHost& host, std::int32_t languageId,
                           SApplicationEnvironment environment)
    : LFrameworkApp(factory, commandLine, frameworkStrings, host), mLanguageId(languageId),
      mEnvironment(std::move(environment)), mSettings(MakeRCPtr<LIniFileManager>(1)),
      mSettingsFiles(
          *mSettings, [this](std::int32_t pathId) { return GetFolder(pathId); }, WideString(kSettingsVersion),
          Version::GetProductName()),
      mClockStart(std::chrono::steady_clock::now()) {
  sRunning = this;
}

LApplication::~LApplication() {
  // The manager reads the engine: it goes first.
  mMidiManager = RCPtr<LMidiManager>();
  if (GetAppEngine().Get() == mEngine.Get())
    static_cast<void>(SetAppEngine(RCPtr<LRootModuleEngine>()));
  mEngine = RCPtr<LRootModuleEngine>();
  static_cast<void>(mSettings->CloseAll());
  if (sRunning == this)
    sRunning = nullptr;
}

// ---- Start-up, exit, shutdown

QZRESULT LApplication::RunApplicationStartup() {
  if (LFrameworkApp::RunApplicationStartup() < 0)
    return E_FAIL;
  if (const RCPtr<LNotificationCenter>& center = GetApplicationNotificationCenter())
    static_cast<void>(center->RegisterClient(RCPtr<LNotificationReceiver>(this), kNidAppExitRequest));
  HotKeyMap& hotKeys = GetGlobalHotKeyManager()->GetHotKeyMap();
  // A binding of Alt+F4 made by the "GHK" entries stays.
  const KeyCode altF4 = KeyCode::Parse(WideString(kAltF4));
  if (hotKeys.FindNotification(altF4).IsEmpty())
    static_cast<void>(hotKeys.AddKey(altF4, WideString(kNidAppExitRequest)));

  const QZRESULT result =
      hotKeys.LoadFromStringTable(GetApplicationStringTable(), WideString(kApplicationHotKeyPrefix));
  if (result < 0)
    return result;
  if (LControlFactory* factory = GetControlFactory())
    static_cast<void>(RegisterControlClasses(*factory, kEditorControlClasses));

  mEngine = LPresetEditorAppEngine::Create();
  if (mEngine)
    static_cast<void>(mEngine->Initialize(0));
  // The MIDI manager reads the engine through the process's reference from its first step.
  static_cast<void>(SetAppEngine(mEngine));
  static_cast<void>(ReinitalizeMidiManager());

  const std::uint32_t skins = GetControlFactory() ? GetControlFactory()->GetTopLevelDescriptors().GetCount() : 0;
  // Dialogs of other programs are scaled for the density the skin is chosen for.
  Platform::SetDialogScreenDpi(GetScreenDpi());
  if (const std::optional<SSkinChoice> choice = ChooseSkinForScreen(skins, GetScreenDpi())) {
    mHighDpi = choice->mHighDpi;
    if (SetSkin(choice->mSkinIndex) < 0)
      return E_FAIL;
  }
  return result;
}

std::int32_t LApplication::ReinitalizeMidiManager() {
  RCPtr<LMidiManager> previous = std::move(mMidiManager);
  mMidiManager = RCPtr<LMidiManager>();
  previous = RCPtr<LMidiManager>();
  mMidiManager = LMidiManager::Create();
  if (!mMidiManager)
    ThrowException<std::runtime_error>("Null Pointer : Cannot Create Midi Manager",
                                       "LApplication::ReinitalizeMidiManager", kSourcePath, 119);
  return mMidiManager->StartDeviceStatusPolling();
}

QZRESULT LApplication::CreateMainWindow() {
  LControlFactory* factory = GetControlFactory();
  const RCPtr<LControlDescriptor> descriptor =
      factory ? factory->FindTopLevelDescriptor(GetMainControlName()) : RCPtr<LControlDescriptor>();
  if (!descriptor || !descriptor->GetLayout())
    ThrowException<std::runtime_error>("Null Pointer : Invalid Control Name",
                                       "QZ::LApplicationBase<class LApplication>::CreateMainWindow",
                                       kBaseSourcePath, 1272);
  const LLayoutDescriptor& layout = *descriptor->GetLayout();
  const std::uint32_t style = MainWindowStyle(layout);

  OSWindow::SCreateParams params;
  params.title = GetCompanyName();
  params.clientBounds = {Truncate(layout.mPlacement[LLayoutDescriptor::kAxisX].mAbsolute),
                         Truncate(layout.mPlacement[LLayoutDescriptor::kAxisY].mAbsolute),
                         FirstClientExtent(layout, LLayoutDescriptor::kAxisX),
                         FirstClientExtent(layout, LLayoutDescriptor::kAxisY)};
  params.resizable = (style & kStyleSizingBorder) != 0;
  params.className = kMainWindowClassName;
  mMainWindow = OSWindow::Create(params);
  if (!mMainWindow)
    return E_FAIL;
  mMainWindowStyle = style;
  static_cast<void>(SetApplicationIcon(mMainWindow->GetPlatformWindow()));
  const QZRESULT result = mMainWindow->CreateRenderer(GetRendererType());
  OSWindow::SetPlacementWriter([](const WideString&, const Platform::WindowPlacement& placement) {
    if (LApplication* app = GetRunning())
      app->SavePlacement(placement);
  });
  RestorePlacement();
  return result;
}

bool LApplication::SetApplicationIcon(Platform::Window& window) {
  std::span<const std::uint8_t> bytes;
  if (!Platform::FindResource(kIconResourceType, kIconResourceName, bytes))
    return false;
  const std::unique_ptr<Platform::Image> image = Platform::Image::DecodePng(bytes.data(), bytes.size());
  if (!image)
    return false;
  Platform::ImageLockData data;
  if (image->LockBits(0, 0, image->GetWidth(), image->GetHeight(), Platform::kImageLockRead,
                      Platform::kPixelFormat32bppARGB, data) != Platform::ImageStatus::Ok)
    return false;
  const bool set = window.SetIcon({static_cast<const std::uint8_t*>(data.scan0), image->GetWidth(),
                                   image->GetHeight(), data.stride, Platform::PixelAlpha::kStraight});
  static_cast<void>(image->UnlockBits(data));
  return set;
}

IniFileHandle LApplication::GetPlacementProfile() {
  if (mPlacementProfile != 0)
    return mPlacementProfile;
  const WideString folder = GetFolder(kFolderLocalApplicationData);
  if (folder.IsEmpty())
    return 0;
  IniFileHandle handle = 0;
  if (mSettings->OpenFile(folder.Concat(WideString(u"/")).Concat(WideString(kPlacementProfileFileName)),
                          WideString(kMainWindowClassName), GetProductName(), handle) >= 0)
    mPlacementProfile = handle;
  return mPlacementProfile;
}

void LApplication::RestorePlacement() {
  Platform::Window& window = mMainWindow->GetPlatformWindow();
  Platform::WindowPlacement placement = window.GetPlacement();
  if (const IniFileHandle profile = GetPlacementProfile(); profile != 0) {
    WideString text;
    if (mSettings->GetString(profile, WideString(kPlacementProfileEntry), WideString(), text) >= 0)
      if (const std::optional<std::vector<std::uint8_t>> bytes = FromHex(text))
        if (const std::optional<Platform::WindowPlacement> saved = DecodePlacementRecord(*bytes))
          placement = *saved;
  }
  const RectT<std::int32_t> work = GetWorkArea();
  const RCPtr<LRootWindow>& root = mMainWindow->GetRootWindow();
  placement = FitPlacementToDesktop(placement, {work.x, work.y, work.width, work.height},
                                    [&root](std::int32_t& width, std::int32_t& height) {
                                      if (root)
                                        static_cast<void>(root->ConstrainSize(width, height));
                                    });
  static_cast<void>(window.SetPlacement(placement));
  mMainWindow->InvalidateAll();
}

void LApplication::FitMainWindowToWorkArea() {
  if (!mMainWindow)
    return;
  Platform::Window& window = mMainWindow->GetPlatformWindow();
  const RectT<std::int32_t> work = GetWorkArea();
  if (work.width < 1 || work.height < 1) {
    mMainWindow->ApplySizeLimits();
    return;
  }
  const Platform::WindowFrame frame = window.GetFrame();
  const std::int32_t frameWidth = frame.left + frame.right;
  const std::int32_t frameHeight = frame.top + frame.bottom;
  const std::int32_t room[2] = {std::max(1, work.width - frameWidth), std::max(1, work.height - frameHeight)};
  const RCPtr<LRootWindow>& root = mMainWindow->GetRootWindow();
  const RCPtr<LControl> main = root ? root->GetRootControl() : RCPtr<LControl>();
  if (main && main->GetLayout()) {
    for (const std::int32_t axis : {LLayoutDescriptor::kAxisX, LLayoutDescriptor::kAxisY}) {
      SizeLimitSpec minimum;
      SizeLimitSpec maximum;
      if (main->GetLayout()->GetAxisSizeLimits(axis, minimum, maximum) != S_OK || minimum.mRelativeToControl ||
          minimum.mAbsolute <= room[axis])
        continue;
      minimum.mAbsolute = room[axis];
      static_cast<void>(main->SetAxisSizeLimits(axis, minimum, maximum));
    }
  }
  mMainWindow->ApplySizeLimits();
  if (window.GetShowState() != Platform::WindowShowState::kRestored)
    return;
  const Platform::WindowRect client = window.GetClientBounds();
  const std::int32_t width = std::min(client.width, room[0]);
  const std::int32_t height = std::min(client.height, room[1]);
  // The frame's outer edges inside the work area; its top-left corner first, where the title bar is.
  const auto fit = [](std::int32_t at, std::int32_t extent, std::int32_t start, std::int32_t length) {
    if (at + extent > start + length)
      at = start + length - extent;
    return std::max(at, start);
  };
  const std::int32_t left = fit(client.x - frame.left, width + frameWidth, work.x, work.width);
  const std::int32_t top = fit(client.y - frame.top, height + frameHeight, work.y, work.height);
  const Platform::WindowRect fitted{left + frame.left, top + frame.top, width, height};
  if (fitted != client) {
    static_cast<void>(window.SetClientBounds(fitted));
    mMainWindow->InvalidateAll();
  }
}

void LApplication::ShowWholeLayout() {
  const RCPtr<LRootWindow> root = mMainWindow ? mMainWindow->GetRootWindow() : RCPtr<LRootWindow>();
  if (!root)
    return;
  std::int32_t width = 1 << 20;
  std::int32_t height = 1 << 20;
  static_cast<void>(root->ConstrainSize(width, height));
  Platform::Window& window = mMainWindow->GetPlatformWindow();
  const Platform::WindowRect client = window.GetClientBounds();
  static_cast<void>(window.SetClientBounds({client.x, client.y, width, height}));
  mMainWindow->InvalidateAll();
}

void LApplication::SavePlacement(const Platform::WindowPlacement& placement) {
  const IniFileHandle profile = GetPlacementProfile();
  if (profile == 0)
    return;
  static_cast<void>(
      mSettings->SetString(profile, WideString(kPlacementProfileEntry), ToHex(EncodePlacementRecord(placement))));
  static_cast<void>(mSettings->SaveFile(profile));
}

QZRESULT LApplication::RunApplicationShutdown() {
  if (const RCPtr<LNotificationCenter>& center = GetApplicationNotificationCenter())
    static_cast<void>(center->UnregisterClientFromAll(RCPtr<LNotificationReceiver>(this)));
  if (mMainWindow) {
    OSWindow* window = mMainWindow;
    mMainWindow = nullptr;
    window->DestroyWindow();
  }
  OSWindow::SetPlacementWriter({});
  return LFrameworkApp::RunApplicationShutdown();
}

std::int32_t LApplication::Receive(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification) {
  const bool exitRequest = notification && notification->GetID() == InternNotificationID(kNidAppExitRequest);
  if (!exitRequest)
    return LFrameworkApp::Receive(source, notification);
  if (!CanExit())
    return 0;
  static_cast<void>(LFrameworkApp::Receive(source, notification));
  GetHost().PostQuit(0);
  return 0;
}

bool LApplication::ProcessIdle(bool sendIdle) {
  if (mFitWhenFramed && mMainWindow && !mMainWindow->GetPlatformWindow().IsAwaitingFrame()) {
    mFitWhenFramed = false;
    FitMainWindowToWorkArea();
  }
  return LFrameworkApp::ProcessIdle(sendIdle);
}

std::int32_t LApplication::RunMessageLoop() {
  const OSWindow::HostRoute route(GetHost());
  return GetHost().RunLoop(
      [this](std::int32_t idleCount) {
        // The task sees what the idle pass delivered (engine values, posted notifications).
        const bool moreWork = OnPlatformIdle(idleCount);
        if (idleCount == 0 && mIdleTask)
          mIdleTask();
        return moreWork;
      },
      [] { return true; });
}

std::int32_t LApplication::OnCopyData(const NarrowString&) { return 0; }

void LApplication::TakeHandOver(std::span<const std::uint8_t> commandLine) {
  if (!mMainWindow)
    return;
  Platform::Window& window = mMainWindow->GetPlatformWindow();
  if (window.GetShowState() == Platform::WindowShowState::kMinimised)
    window.Restore();
  static_cast<void>(mMainWindow->BringToTop());
  // The last window opened over the main window comes on top of it.
  for (std::uint32_t i = GetRootWindowCount(); i > 1; --i) {
    const RCPtr<IRootWindow> root = GetRootWindow(i - 1);
    if (auto* popup = root ? dynamic_cast<OSWindow*>(root->GetWindowOSServices()) : nullptr) {
      static_cast<void>(popup->BringToTop());
      break;
    }
  }
  mMainWindow->OnCopyData(kCopyDataCommandLine, std::vector<std::uint8_t>(commandLine.begin(), commandLine.end()));
}

// ---- Services

WideString LApplication::GetCompanyName() { return Version::GetCompanyName(); }
WideString LApplication::GetProductName() { return Version::GetProductName(); }
WideString LApplication::GetProductVersion() { return Version::GetProductVersion(); }

WideString LApplication::GetFolder(std::int32_t pathId) {
  return GetApplicationFolder(pathId, GetCompanyName(), GetProductName());
}

CursorID LApplication::GetCursor(const WideString& name) {
  for (const SCursorEntry& entry : kCursors) {
    if (!name.EqualsString(WideString(entry.mName)))
      continue;
    if (entry.mPicture) {
      // Made once: a cursor lives as long as the window system.
      auto made = mPictureCursors.find(entry.mPicture);
      if (made == mPictureCursors.end())
        made = mPictureCursors.emplace(entry.mPicture, CursorFromPicture(entry.mPicture)).first;
      if (made->second != Platform::kNoCursor)
        return made->second;
    }
    return entry.mCursor ? Platform::GetSystemCursor(*entry.mCursor) : 0;
  }
  return Platform::GetSystemCursor(Platform::SystemCursor::kArrow);
}

QZRESULT LApplication::GetSystemFont(WideString& face, float& size, std::int32_t& style) {
  PlatformFontToPoints(mEnvironment.mSystemFont.value_or(kDefaultSystemFont), face, size, style);
  return S_OK;
}

RectT<std::int32_t> LApplication::GetWorkArea() {
  const Platform::WindowRect work = mEnvironment.mWorkArea.value_or(Platform::GetWorkArea());
  return {work.x, work.y, work.width, work.height};
}

std::int32_t LApplication::GetScreenDpi() const {
  return mEnvironment.mScreenDpi.value_or(Platform::GetScreenDpi());
}

std::uint32_t LApplication::GetMilliseconds() {
  const auto elapsed = std::chrono::steady_clock::now() - mClockStart;
  // A 32-bit count that wraps, as callers compare differences of readings.
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

double LApplication::GetTime() {
  const std::uint32_t now = GetMilliseconds();
  const auto difference = static_cast<std::int32_t>(now - mLastMilliseconds);
  mLastMilliseconds = now;
  mSeconds += static_cast<double>(difference) / 1000.0;
  return mSeconds;
}

std::int32_t LApplication::GetLocalTime(std::array<std::int32_t, 8>& out) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  if (const std::tm* converted = std::localtime(&seconds))
    local = *converted;
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  out = {local.tm_year + 1900, local.tm_mon + 1, local.tm_wday, local.tm_mday,
         local.tm_hour,        local.tm_min,     local.tm_sec,  static_cast<std::int32_t>(milliseconds)};
  return 0;
}

void LApplication::GetKeyState(std::uint32_t virtualKey, bool& down, bool& toggled) {
  const Platform::SKeyState state = Platform::GetKeyState(static_cast<std::uint8_t>(virtualKey));
  down = state.down;
  toggled = state.toggled;
}

IWindowOSServices* LApplication::GetMessageBoxOwner() {
  if (!mMainWindow)
    return nullptr;
  RCPtr<IRootWindow> owner = GetActiveRootWindow();
  if (!owner)
    owner = GetRootWindow(0);
  return owner ? owner->GetWindowOSServices() : nullptr;
}

std::int32_t LApplication::ShowMessageBox(const WideString& text, const WideString& caption, std::uint32_t style) {
  Platform::WindowId owner = Platform::kNoWindow;
  if (auto* window = dynamic_cast<OSWindow*>(GetMessageBoxOwner()))
    owner = window->GetPlatformWindow().GetId();
  const NarrowString narrowText = text.ToNarrow();
  const NarrowString narrowCaption = caption.ToNarrow();
  return Platform::ShowMessageBox(std::string(narrowText.GetChars(), narrowText.GetLength()),
                                  std::string(narrowCaption.GetChars(), narrowCaption.GetLength()), style, owner);
}

void LApplication::ShowCursor(bool show) { static_cast<void>(Platform::ShowPointer(show)); }

void LApplication::SetCursorPosition(const PointT<std::int32_t>& screen) {
  static_cast<void>(Platform::SetPointerScreenPosition({screen.x, screen.y}));
}

RCPtr<LControl> LApplication::CreateControl(const WideString& name) {
  LControlFactory* factory = GetControlFactory();
  return factory ? factory->CreateTopLevelControl(name, RCPtr<IRootWindow>()) : RCPtr<LControl>();
}

std::int32_t LApplication::CreateRootWindow(const RCPtr<LControl>& control, bool modal, bool systemMenu,
                                            bool minimiseBox, bool maximiseBox) {
  if (!control)
    return E_FAIL;
  const auto index = static_cast<std::int32_t>(GetRootWindowCount());
  RCPtr<IRootWindow> parent = GetActiveRootWindow();
  if (!parent)
    parent = GetRootWindow(0);
  if (!parent)
    return E_FAIL;
  auto* parentWindow = dynamic_cast<OSWindow*>(parent->GetWindowOSServices());

  const RectT<double>& bounds = control->GetBounds();
  PointT<std::int32_t> position{Truncate(bounds.x), Truncate(bounds.y)};
  if (parentWindow)
    position = parentWindow->ClientToScreen(position);
  bool fixedSize = true;
  if (const RCPtr<LControlDescriptor>& descriptor = control->GetDescriptor();
      descriptor && descriptor->GetLayout())
    fixedSize = MainWindowStyle(*descriptor->GetLayout()) == kStyleFixedMainWindow;
  const std::uint32_t style = ControlWindowStyle(modal, systemMenu, minimiseBox, maximiseBox, fixedSize);

  OSWindow::SCreateParams params;
  params.title = control->GetText();
  params.clientBounds = {position.x, position.y, std::max(1, Truncate(bounds.width)),
                         std::max(1, Truncate(bounds.height))};
  params.resizable = (style & kStyleSizingBorder) != 0;
  params.parent = modal ? parentWindow : nullptr;
  OSWindow* window = OSWindow::Create(params);
  if (!window)
    return E_FAIL;

  // The whole window, frame included, inside the work area.
  Platform::Window& platformWindow = window->GetPlatformWindow();
  const Platform::WindowFrame frame = platformWindow.GetFrame();
  const RectT<std::int32_t> work = GetWorkArea();
  std::int32_t left = params.clientBounds.x - frame.left;
  std::int32_t top = params.clientBounds.y - frame.top;
  const std::int32_t width = params.clientBounds.width + frame.left + frame.right;
  const std::int32_t height = params.clientBounds.height + frame.top + frame.bottom;
  if (left < work.x)
    left = work.x;
  else if (left + width > work.x + work.width)
    left = work.x + work.width - width;
  if (top < work.y)
    top = work.y;
  else if (top + height > work.y + work.height)
    top = work.y + work.height - height;
  static_cast<void>(window->SetClientBounds(
      {left + frame.left, top + frame.top, params.clientBounds.width, params.clientBounds.height}));

  static_cast<void>(SetApplicationIcon(platformWindow));
  static_cast<void>(window->AttachRenderer(parent->GetRenderer()));
  if (static_cast<std::int32_t>(GetRootWindowCount()) != index + 1 || !window->GetRootWindow()) {
    window->DestroyWindow();
    return E_FAIL;
  }
  static_cast<void>(window->GetRootWindow()->SetRootControl(control));
  return index;
}

std::int32_t LApplication::DoModal(const RCPtr<LControl>& control, bool systemMenu) {
  const std::int32_t index = CreateRootWindow(control, true, systemMenu, false, false);
  if (index < 0)
    return E_FAIL;
  const RCPtr<IRootWindow> root = GetRootWindow(static_cast<std::uint32_t>(index));
  auto* window = root ? dynamic_cast<OSWindow*>(root->GetWindowOSServices()) : nullptr;
  if (!window)
    return E_FAIL;
  return window->RunModalLoop();
}

std::int32_t LApplication::OpenWindow(const RCPtr<LControl>& control, bool systemMenu, bool minimiseBox,
                                      bool maximiseBox) {
  return CreateRootWindow(control, false, systemMenu, minimiseBox, maximiseBox);
}

} // namespace QZ
