// The editor's application object in this process, under the offscreen driver with the shipped resources
// (embedded): its start-up and main window, the skin for the screen, Alt+F4, start-up failures, the
// hand-over from a second instance, and its services.

#include "Panel/Main/Application.h"
#include "Panel/Main/ApplicationBaseWin.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "Panel/Main/SkinChoice.h"
#include "Panel/Main/Version.h"
#include "Platform/App/FakeMessageBox.h"
#include "Platform/Folders/Folders.h"
#include "Platform/Input/FakeKeyState.h"
#include "Platform/Instance/SingleInstance.h"
#include "Platform/System/Process.h"
#include "Platform/Window/InputState.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/System/KeyCode.h"
#include "Support/TempFolder.h"
#include "Support/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

// The user's folders in a temporary folder, no MIDI devices, no message box on screen.
class EditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    ::setenv("PELLAN_VORN_MIDI", "none", 1);
    Platform::SetFolderOverride(Platform::FolderKind::kConfigHome, (mTemp.Path() / "config").string());
    Platform::SetFolderOverride(Platform::FolderKind::kDataHome, (mTemp.Path() / "data").string());
    Platform::SetFolderOverride(Platform::FolderKind::kDocuments, (mTemp.Path() / "documents").string());
    // Short: the socket's path must fit a socket address.
    mRuntime = test::MakeTempFolder("qzr");
    ASSERT_FALSE(mRuntime.empty());
  }
  void TearDown() override {
    Platform::SetFolderOverride(Platform::FolderKind::kConfigHome, std::nullopt);
    Platform::SetFolderOverride(Platform::FolderKind::kDataHome, std::nullopt);
    Platform::SetFolderOverride(Platform::FolderKind::kDocuments, std::nullopt);
    test::OffscreenWindowSystem::TakeWindowEvents();
    std::error_code ignored;
    std::filesystem::remove_all(mRuntime, ignored);
  }

  std::string RuntimeFolder() const { return mRuntime.string(); }
  std::filesystem::path UserSettings() const {
    return mTemp.Path() / "config" / "Tolvane" / "PresetEditor" / "UserSettings.ini";
  }

  SEditorOptions Options(std::int32_t dpi = 96) const {
    SEditorOptions options;
    options.mCommandLine = NarrowString("pellan_vorn_editor");
    options.mEnvironment.mScreenDpi = dpi;
    options.mInstanceFolder = RuntimeFolder();
    return options;
  }

  // Runs the process's steps up to a shown main window.
  static void Start(CEditorProcess& process) {
    ASSERT_TRUE(process.InitApplication());
    ASSERT_TRUE(process.InitInstance());
    ASSERT_TRUE(process.StartEditor());
  }

  test::OffscreenWindowSystem mSystem;
  test::TempFolder mTemp;
  std::filesystem::path mRuntime;
  Platform::ScopedFakeMessageBox mBoxes;
};

TEST_F(EditorTest, StartsWithTheMainControlAndTheSkinForTheScreen) {
  struct Case {
    std::int32_t dpi;
    std::int32_t skin;
    bool highDpi;
  };
  for (const Case& c : {Case{144, kHighDpiSkinIndex, true}, Case{140, kHighDpiSkinIndex, true},
                        Case{139, kStandardSkinIndex, false}, Case{96, kStandardSkinIndex, false}}) {
    SCOPED_TRACE(c.dpi);
    {
      CEditorProcess process(Options(c.dpi));
      Start(process);
      LApplication* app = process.GetApplication();
      ASSERT_NE(app, nullptr);
      EXPECT_EQ(app->IsHighDpi(), c.highDpi);
      EXPECT_EQ(process.GetFactory()->GetCurrentSkinIndex(), c.skin);

      OSWindow* window = app->GetMainWindow();
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(app->GetRootWindow(0).Get(), static_cast<IRootWindow*>(window->GetRootWindow().Get()));
      const RCPtr<LControl> main = window->GetRootWindow()->GetRootControl();
      ASSERT_TRUE(main);
      EXPECT_EQ(Narrow(main->GetName()), "mainControl");
      EXPECT_TRUE(window->GetPlatformWindow().IsVisible());
      EXPECT_TRUE(window->GetPlatformWindow().HasIcon());
      // The main control has no text in these skins: the window keeps the title it was made with.
      EXPECT_EQ(window->GetPlatformWindow().GetTitle(), ToUtf8(Version::GetCompanyName()));
      // The shipped main control may shrink but not grow: a sizing border, no maximise box, and the window
      // system holds the limit.
      EXPECT_EQ(app->GetMainWindowStyle(), kStyleResizableMainWindow);
      const std::array<std::int32_t, 4> limits =
          c.highDpi ? std::array<std::int32_t, 4>{1, 1, 2400, 1280} : std::array<std::int32_t, 4>{1, 1, 1200, 640};
      EXPECT_EQ(window->GetPlatformWindow().GetSizeLimits(), limits);

      // The engine is the process's before the MIDI manager exists, and both live with the application.
      EXPECT_TRUE(app->GetEngine());
      EXPECT_EQ(GetAppEngine().Get(), app->GetEngine().Get());
      EXPECT_TRUE(app->GetMidiManager());
      EXPECT_TRUE(mBoxes->mShown.empty());
    }
    EXPECT_FALSE(GetAppEngine());
    EXPECT_EQ(OSWindow::GetWindowCount(), 0u);
    const std::string settings = test::ReadAll(UserSettings());
    EXPECT_NE(settings.find("<key>CurrentSkinIndex</key><integer>" + std::to_string(c.skin) + "</integer>"),
              std::string::npos)
        << settings;
  }
}

// The shell's resources in a folder of the test's, the application string table with one more entry.
std::filesystem::path ResourcesWithString(const std::filesystem::path& folder, const std::string& id,
                                          const std::string& text) {
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(std::filesystem::path(QZ_SHELL_RESOURCES) / "Skins.xml", folder / "Skins.xml");
  std::filesystem::copy_file(std::filesystem::path(QZ_SHIPPED_RESOURCES) / "FrameworkStrings.xml",
                             folder / "FrameworkStrings.xml");
  // The string tables are UTF-16 (little-endian); the additions are ASCII.
  const auto utf16 = [](const std::string& ascii) {
    std::string bytes;
    for (const char c : ascii) {
      bytes.push_back(c);
      bytes.push_back('\0');
    }
    return bytes;
  };
  std::string tables = test::ReadAll(std::filesystem::path(QZ_SHELL_RESOURCES) / "StringTables.xml");
  const std::size_t end = tables.find(utf16("</StringTable>"));
  EXPECT_NE(end, std::string::npos);
  tables.insert(end, utf16("<String ID=\"" + id + "\"><Locale LCID=\"0x0009\">" + text + "</Locale></String>"));
  test::WriteAll(folder / "StringTables.xml", tables);
  return folder;
}

TEST_F(EditorTest, AltF4IsBoundToTheExitUnlessTheGlobalHotKeysBindIt) {
  struct Case {
    const char* name;
    std::string id; // an extra "GHK" entry for Alt+F4; empty for none
    bool exits;
  };
  for (const Case& c : {Case{"shipped", "", true}, Case{"bound elsewhere", "GHK.NID_OTHER_REQ", false},
                        Case{"bound to the exit", "GHK.NID_APP_EXIT_REQ", true}}) {
    SCOPED_TRACE(c.name);
    SEditorOptions options = Options();
    if (!c.id.empty()) {
      const std::filesystem::path folder =
          ResourcesWithString(mTemp.Path() / ("resources" + std::to_string(c.exits)), c.id, "Alt+VKEY_F4");
      options.mResourceFolder.AssignNarrow(folder.string().c_str());
    }
    CEditorProcess process(std::move(options));
    Start(process);
    LApplication* app = process.GetApplication();
    const KeyCode altF4 = KeyCode::Parse(WideString(u"Alt+VKEY_F4"));
    const std::string bound = Narrow(app->GetGlobalHotKeyManager()->GetHotKeyMap().FindNotification(altF4));
    EXPECT_EQ(bound, c.exits ? "NID_APP_EXIT_REQ" : "NID_OTHER_REQ");
    EXPECT_EQ(app->ProcessGlobalHotKey(altF4), 0);
    static_cast<void>(app->ProcessIdle(true));
    EXPECT_EQ(app->IsExitRequested(), c.exits);
    EXPECT_EQ(process.IsQuitRequested(), c.exits);
  }
}

TEST_F(EditorTest, TheOpenGLRendererIsThereForWindowsThatAskForIt) {
  CEditorProcess process(Options());
  ASSERT_TRUE(process.InitApplication());
  const LRenderer::BackEndFactory registered = LRenderer::RegisterBackEnd(kRendererTypeOpenGL, nullptr);
  EXPECT_NE(registered, nullptr);
  static_cast<void>(LRenderer::RegisterBackEnd(kRendererTypeOpenGL, registered));
}

TEST_F(EditorTest, AltF4RequestsTheExitAndEndsTheMainLoop) {
  CEditorProcess process(Options());
  Start(process);
  LApplication* app = process.GetApplication();
  EXPECT_EQ(app->ProcessGlobalHotKey(KeyCode::Parse(WideString(u"Alt+VKEY_F4"))), 0);
  EXPECT_FALSE(app->IsExitRequested()) << "the request waits in the application's queue";
  static_cast<void>(app->ProcessIdle(true));
  EXPECT_TRUE(app->IsExitRequested());
  EXPECT_TRUE(process.IsQuitRequested());
  // The loop sees the quit at once and the run ends normally.
  process.RunMainLoop();
  process.ShutDown();
  EXPECT_EQ(process.GetOutcome(), StartupOutcome::kRan);
  // The main window saved its placement as it went.
  EXPECT_TRUE(std::filesystem::exists(UserSettings().parent_path() / "WindowPlacement.ini"));
}

TEST_F(EditorTest, TheMainWindowComesBackWhereItWasAndAnUnusableRecordIsIgnored) {
  const Platform::WindowPlacement moved{Platform::WindowShowState::kRestored, {40, 30, 500, 300}};
  Platform::WindowPlacement skin;
  {
    CEditorProcess process(Options());
    Start(process);
    Platform::Window& window = process.GetApplication()->GetMainWindow()->GetPlatformWindow();
    skin = window.GetPlacement();
    ASSERT_NE(skin, moved);
    ASSERT_TRUE(window.SetPlacement(moved));
  }
  const std::filesystem::path profile = UserSettings().parent_path() / "WindowPlacement.ini";
  const std::string saved = test::ReadAll(profile);
  ASSERT_NE(saved.find("<key>WP</key>"), std::string::npos);
  {
    CEditorProcess process(Options());
    Start(process);
    EXPECT_EQ(process.GetApplication()->GetMainWindow()->GetPlatformWindow().GetPlacement(), moved);
  }
  // A record edited by hand: not hexadecimal, too short, a width of 0. The skin's placement stands.
  const std::size_t at = saved.find("<key>WP</key><string>") + 21;
  const std::size_t end = saved.find("</string>", at);
  for (const std::string& record : {std::string("ZZ"), saved.substr(at, end - at - 2),
                                    std::string("0000000028000000140000000000000064000000")}) {
    SCOPED_TRACE(record);
    std::string text = saved;
    test::WriteAll(profile, text.replace(at, end - at, record));
    CEditorProcess process(Options());
    Start(process);
    EXPECT_EQ(process.GetApplication()->GetMainWindow()->GetPlatformWindow().GetPlacement(), skin);
  }
}

TEST_F(EditorTest, AStartupFailureShowsTheErrorBoxAndExitsNonZero) {
  // A folder of resources whose skins lack the main control, and one without any resources.
  const std::filesystem::path noMain = mTemp.Path() / "nomain";
  std::filesystem::create_directories(noMain);
  std::filesystem::copy_file(std::filesystem::path(QZ_SHELL_RESOURCES) / "StringTables.xml",
                             noMain / "StringTables.xml");
  std::filesystem::copy_file(std::filesystem::path(QZ_SHIPPED_RESOURCES) / "FrameworkStrings.xml",
                             noMain / "FrameworkStrings.xml");
  std::string skins = test::ReadAll(std::filesystem::path(QZ_SHELL_RESOURCES) / "Skins.xml");
  for (std::size_t at = skins.find("\"mainControl\""); at != std::string::npos; at = skins.find("\"mainControl\""))
    skins.replace(at, 13, "\"otherControl\"");
  test::WriteAll(noMain / "Skins.xml", skins);
  const std::filesystem::path empty = mTemp.Path() / "empty";
  std::filesystem::create_directories(empty);

  for (const std::filesystem::path& folder : {empty, noMain}) {
    SCOPED_TRACE(folder.string());
    mBoxes->mShown.clear();
    SEditorOptions options = Options();
    options.mResourceFolder.AssignNarrow(folder.string().c_str());
    CEditorProcess process(std::move(options));
    EXPECT_EQ(process.Execute(), kExitCodeStartupFailed);
    EXPECT_EQ(process.GetOutcome(), StartupOutcome::kFailed);
    ASSERT_EQ(mBoxes->mShown.size(), 1u);
    EXPECT_EQ(mBoxes->mShown[0].text, "The application encountered problems during startup and will now close.");
    EXPECT_EQ(mBoxes->mShown[0].caption, "Error");
    EXPECT_EQ(mBoxes->mShown[0].style, Platform::kMessageBoxIconError);
    EXPECT_EQ(OSWindow::GetWindowCount(), 0u);
    EXPECT_FALSE(GetAppEngine());
  }
}

TEST_F(EditorTest, ASecondInstanceHandsOverAndTheFirstComesForward) {
  CEditorProcess first(Options());
  Start(first);
  Platform::Window& window = first.GetApplication()->GetMainWindow()->GetPlatformWindow();
  window.Minimise();
  ASSERT_EQ(window.GetShowState(), Platform::WindowShowState::kMinimised);

  const Platform::ProcessId second =
      Platform::StartProcess(QZ_EDITOR_PROGRAM, {"-open", "file.pvp"},
                             {"XDG_RUNTIME_DIR=" + RuntimeFolder(), "SDL_VIDEODRIVER=offscreen",
                              "XDG_CONFIG_HOME=" + (mTemp.Path() / "config2").string(),
                              "XDG_DATA_HOME=" + (mTemp.Path() / "data2").string(), "PELLAN_VORN_MIDI=none"});
  ASSERT_NE(second, 0);
  bool handedOver = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!handedOver && std::chrono::steady_clock::now() < deadline && Platform::IsProcessRunning(second))
    handedOver = first.PollHandOver(100);
  EXPECT_TRUE(handedOver);
  EXPECT_EQ(Platform::WaitForProcess(second, 30000), kExitCodeHandedOver);
  EXPECT_EQ(window.GetShowState(), Platform::WindowShowState::kRestored);
  EXPECT_FALSE(std::filesystem::exists(mTemp.Path() / "config2" / "Tolvane")) << "the second made no settings";
}

TEST_F(EditorTest, WithoutTheFirstInstancesWindowTheSecondRunsOn) {
  // Another editor holds the lock but has no main window yet, so it does not listen.
  Platform::InstanceStatus status = Platform::InstanceStatus::kFailed;
  const auto lock = Platform::InstanceLock::Acquire(kMainWindowClassNameUtf8, status, RuntimeFolder());
  ASSERT_EQ(status, Platform::InstanceStatus::kFirst);
  CEditorProcess second(Options());
  Start(second);
  EXPECT_EQ(second.GetOutcome(), StartupOutcome::kRan);
  EXPECT_NE(second.GetApplication()->GetMainWindow(), nullptr);
}

// ---- Services

class ApplicationServicesTest : public EditorTest {
protected:
  void SetUp() override {
    EditorTest::SetUp();
    ASSERT_TRUE(mHost.InitApplication());
    mFactory = MakeRCPtr<LControlFactory>(WideString(u"PresetEditor"));
    ASSERT_EQ(mFactory->LoadResources(WideString(kResourceFolder), kDefaultLanguageId), S_OK);
  }
  void TearDown() override {
    if (mApp)
      static_cast<void>(mApp->RunApplicationShutdown());
    mApp = RCPtr<LApplication>();
    EditorTest::TearDown();
  }
  void MakeApplication(SApplicationEnvironment environment = {}) {
    environment.mScreenDpi = 96;
    mApp = MakeRCPtr<LApplication>(mFactory, mFactory->GetFrameworkStringTable(), NarrowString("editor"), mHost,
                                   kDefaultLanguageId, environment);
  }

  Platform::AppHost mHost;
  RCPtr<LControlFactory> mFactory;
  RCPtr<LApplication> mApp;
};

TEST_F(ApplicationServicesTest, TheSystemFontInPointsAt96PixelsPerInch) {
  struct Case {
    SPlatformFont font;
    float size;
    std::int32_t style;
  };
  const Case cases[] = {
      {{WideString(u"Sans"), -12, 400, false, false, false}, 9.0f, 0},
      {{WideString(u"Sans"), -18, 400, false, false, false}, 13.5f, 0},
      {{WideString(u"Sans"), 12, 700, false, false, false}, 9.0f, 1},
      {{WideString(u"Sans"), -12, 699, true, true, true}, 9.0f, 2 | 4 | 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.font.mHeight);
    SApplicationEnvironment environment;
    environment.mSystemFont = c.font;
    MakeApplication(environment);
    WideString face;
    float size = 0;
    std::int32_t style = -1;
    EXPECT_EQ(mApp->GetSystemFont(face, size, style), S_OK);
    EXPECT_EQ(Narrow(face), "Sans");
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(style, c.style);
    mApp = RCPtr<LApplication>();
  }
}

TEST_F(ApplicationServicesTest, SettingsFilesClocksAndKeyState) {
  MakeApplication();
  const IniFileHandle user = mApp->GetSettingsFile(kSettingsFileUser);
  EXPECT_NE(user, 0u);
  EXPECT_EQ(mApp->GetSettingsFile(kSettingsFileUser), user);
  EXPECT_NE(mApp->GetSettingsFile(kSettingsFileApplication), 0u);
  EXPECT_EQ(mApp->GetSettingsFile(2), 0u);
  EXPECT_EQ(Narrow(mApp->GetFolder(kFolderLocalApplicationData)),
            (mTemp.Path() / "config" / "Tolvane" / "PresetEditor").string());

  const double first = mApp->GetTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const double second = mApp->GetTime();
  EXPECT_GE(first, 0.0);
  EXPECT_GE(second - first, 0.019);
  // The key state by virtual key, and the mouse buttons made from it while no window is active.
  Platform::ScopedFakeKeyState keys;
  keys->SetDown(0x14, false);
  keys->SetToggled(0x14, true); // Caps Lock on
  keys->SetDown(0x10, true);    // Shift held
  keys->SetDown(0x02, true);    // the right button
  bool down = true;
  bool toggled = false;
  mApp->GetKeyState(0x14, down, toggled);
  EXPECT_FALSE(down);
  EXPECT_TRUE(toggled);
  mApp->GetKeyState(0x10, down, toggled);
  EXPECT_TRUE(down);
  EXPECT_FALSE(toggled);
  EXPECT_EQ(mApp->GetMouseButtonState(), 4u);

  std::array<std::int32_t, 8> local{};
  EXPECT_EQ(mApp->GetLocalTime(local), 0);
  EXPECT_GE(local[0], 2024);
  EXPECT_TRUE(local[1] >= 1 && local[1] <= 12);
}

TEST_F(ApplicationServicesTest, MessageBoxOwnersAndWindowsForControls) {
  MakeApplication();
  ASSERT_EQ(mApp->RunApplicationStartup(), S_OK);
  const RCPtr<LControl> tip = mApp->CreateControl(WideString(u"toolTip"));
  ASSERT_TRUE(tip);
  // Without any root window there is no parent, and a message box has no owner.
  EXPECT_EQ(mApp->OpenWindow(tip, true, false, false), E_FAIL);
  EXPECT_EQ(mApp->DoModal(tip, true), E_FAIL);
  EXPECT_EQ(mApp->GetMessageBoxOwner(), nullptr);
  mBoxes->mAnswer = Platform::kMessageBoxNo;
  EXPECT_EQ(mApp->ShowMessageBox(WideString(u"before"), WideString(u"caption"), Platform::kMessageBoxStyleYesNo),
            Platform::kMessageBoxNo);

  ASSERT_EQ(mApp->CreateMainWindow(), S_OK);
  ASSERT_EQ(mApp->GetMainWindow()->GetRootWindow()->SetRootControlByName(WideString(kMainControlName)), S_OK);
  EXPECT_EQ(mApp->GetMessageBoxOwner(), static_cast<IWindowOSServices*>(mApp->GetMainWindow()));
  static_cast<void>(mApp->ShowMessageBox(WideString(u"after"), WideString(u"caption"), 0));
  ASSERT_EQ(mBoxes->mShown.size(), 2u);
  EXPECT_EQ(mBoxes->mShown[0].text, "before");
  EXPECT_EQ(mBoxes->mShown[0].style, Platform::kMessageBoxStyleYesNo);
  EXPECT_EQ(mBoxes->mShown[0].owner, Platform::kNoWindow);
  EXPECT_EQ(mBoxes->mShown[1].owner, mApp->GetMainWindow()->GetPlatformWindow().GetId());

  // A control placed far outside the desktop opens moved inside the work area.
  ASSERT_EQ(tip->SetBounds({-5000, 90000}, {120, 40}), S_OK);
  const std::int32_t index = mApp->OpenWindow(tip, true, true, false);
  ASSERT_EQ(index, 1);
  const RCPtr<IRootWindow> root = mApp->GetRootWindow(1);
  ASSERT_TRUE(root);
  auto* window = dynamic_cast<OSWindow*>(root->GetWindowOSServices());
  ASSERT_NE(window, nullptr);
  const Platform::WindowRect bounds = window->GetPlatformWindow().GetWindowBounds();
  const RectT<std::int32_t> work = mApp->GetWorkArea();
  EXPECT_GE(bounds.x, work.x);
  EXPECT_GE(bounds.y, work.y);
  EXPECT_LE(bounds.x + bounds.width, work.x + work.width);
  EXPECT_LE(bounds.y + bounds.height, work.y + work.height);
  EXPECT_EQ(root->GetRootControl().Get(), tip.Get());
  window->DestroyWindow();
}

// Cursors need a window system that has them: run under xvfb-run (the CTest entry qz_editor_x11).
TEST(EditorX11, CursorsByName) {
  const char* wanted = std::getenv("QZ_EDITOR_X11_TESTS");
  if (wanted == nullptr || std::string(wanted) != "1")
    GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_editor_x11)";
  ::setenv("SDL_VIDEODRIVER", "x11", 1);
  ASSERT_TRUE(Platform::StartWindowSystem()) << Platform::GetWindowSystemError();
  Platform::AppHost host;
  ASSERT_TRUE(host.InitApplication());
  const RCPtr<LControlFactory> factory = MakeRCPtr<LControlFactory>(WideString(u"PresetEditor"));
  const RCPtr<LApplication> app =
      MakeRCPtr<LApplication>(factory, RCPtr<LStringTable>(), NarrowString("editor"), host, kDefaultLanguageId);
  struct Case {
    const char16_t* name;
    std::optional<Platform::SystemCursor> cursor;
  };
  const Case cases[] = {
      {u"UI_CURSOR_ARROW", Platform::SystemCursor::kArrow},
      {u"UI_CURSOR_IBEAM", Platform::SystemCursor::kIBeam},
      {u"UI_CURSOR_HAND", Platform::SystemCursor::kHand},
      {u"UI_CURSOR_SIZE_WE", Platform::SystemCursor::kSizeWE},
      {u"UI_CURSOR_NO_DROP", Platform::SystemCursor::kNo},
      {u"UI_CURSOR_DROP_MOVE", Platform::SystemCursor::kArrow},
      {u"UI_CURSOR_SPLIT_V", std::nullopt},
      {u"UI_CURSOR_MAG_PLUS", std::nullopt},
      {u"SOMETHING_ELSE", Platform::SystemCursor::kArrow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(WideString(c.name)));
    const CursorID expected = c.cursor ? Platform::GetSystemCursor(*c.cursor) : 0;
    EXPECT_EQ(app->GetCursor(WideString(c.name)), expected);
    if (c.cursor) {
      EXPECT_NE(expected, 0u);
    }
  }
  // The copy cursor is the picture these tests embed (the move cursor has none here: the arrow), made once.
  const CursorID copy = app->GetCursor(WideString(kCursorDropCopy));
  EXPECT_NE(copy, 0u);
  EXPECT_NE(copy, Platform::GetSystemCursor(Platform::SystemCursor::kArrow));
  EXPECT_EQ(app->GetCursor(WideString(kCursorDropCopy)), copy);
  Platform::StopWindowSystem();
}

TEST(WindowStyles, MainWindowFromTheSizeLimits) {
  struct Case {
    const char* name;
    double minWidth, minHeight, maxWidth, maxHeight;
    bool referenced;
    std::uint32_t style;
  };
  const Case cases[] = {
      {"no limits", 0, 0, 0, 0, false, kStyleMaximisableMainWindow},
      {"maximum only", 0, 0, 1200, 640, false, kStyleResizableMainWindow},
      {"minimum is maximum", 1200, 640, 1200, 640, false, kStyleFixedMainWindow},
      {"minimum below maximum", 600, 320, 1200, 640, false, kStyleResizableMainWindow},
      {"minimum only", 600, 320, 0, 0, false, kStyleMaximisableMainWindow},
      {"all referenced", 0, 0, 0, 0, true, kStyleFixedMainWindow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LLayoutDescriptor layout;
    layout.mMinSize[0].mAbsolute = c.minWidth;
    layout.mMinSize[1].mAbsolute = c.minHeight;
    layout.mMaxSize[0].mAbsolute = c.maxWidth;
    layout.mMaxSize[1].mAbsolute = c.maxHeight;
    for (SizeLimitSpec* limit :
         {&layout.mMinSize[0], &layout.mMinSize[1], &layout.mMaxSize[0], &layout.mMaxSize[1]})
      limit->mRelativeToControl = c.referenced;
    EXPECT_EQ(MainWindowStyle(layout), c.style);
  }
}

TEST(WindowStyles, WindowsForControls) {
  EXPECT_EQ(ControlWindowStyle(true, false, false, false, false), 0x80C00000u);
  EXPECT_EQ(ControlWindowStyle(true, true, false, false, false), 0x80C80000u);
  EXPECT_EQ(ControlWindowStyle(false, false, true, true, true), 0x80CB0000u);
  EXPECT_EQ(ControlWindowStyle(false, true, false, false, false), 0x80CC0000u) << "modeless, sizeable";
}

// Every editor class is built, under its own name, and none is entered twice.
TEST(EditorControlClasses, EveryClassHasACreateFunction) {
  const std::span<const SControlClass> classes = GetEditorControlClasses();
  EXPECT_EQ(classes.size(), 21u);
  std::set<std::u16string> names;
  for (const SControlClass& entry : classes) {
    SCOPED_TRACE(Narrow(WideString(entry.mName)));
    EXPECT_TRUE(std::u16string(entry.mName).starts_with(u"PresetEditor."));
    EXPECT_NE(entry.mCreate, nullptr);
    names.insert(entry.mName);
  }
  EXPECT_EQ(names.size(), classes.size());
}

TEST(EditorOptions, TheScreenResolutionSwitch) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> dpi;
  };
  const Case cases[] = {{"144", 144},           {"1", 1},
                        {"10000", 10000},       {"0", std::nullopt},
                        {"-96", std::nullopt},  {"96x", std::nullopt},
                        {"", std::nullopt},     {"10001", std::nullopt},
                        {nullptr, std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(unset)");
    EXPECT_EQ(ParseScreenDpi(c.text), c.dpi);
  }
  const char* argv[] = {"/usr/bin/editor", "-debug_console:5000", "file name"};
  EXPECT_STREQ(EditorOptionsFromProcess(3, argv).mCommandLine.GetChars(),
               "/usr/bin/editor -debug_console:5000 file name");
}

} // namespace
} // namespace QZ
