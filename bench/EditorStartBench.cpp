// The editor program: the time from starting the process to its first frame (the program says "first frame" on
// standard output once the main window was painted, then exits) under the offscreen driver and on an X server of
// the benchmark's own (Xvfb, without a window manager and under openbox, each start measured beside an offscreen
// one), and the processor time a running editor with the simulated controller and nothing to do takes over ten
// seconds, with its peak resident memory. In this process, the editor made from the shipped skins (embedded here
// as in the program): a full repaint of the main window, the same picture drawn through the 2D layer alone (the
// yardstick), and one edit (the tempo) shown by the idle pass.
//
// Run the Release build; each start uses fresh user folders, so every start is a first start. The video driver
// of the offscreen measurements is SDL_VIDEODRIVER's (offscreen when unset). PELLAN_VORN_SCREEN_DPI picks the
// skin as it does for the program (144: "HighDPI"), for the started editors and the one in this process alike.

#include "Panel/Main/Application.h"
#include "Panel/Main/ApplicationBaseWin.h"
#include "Platform/Folders/Folders.h"
#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Graphics2D/WindowTarget.h"
#include "Platform/Midi/MidiSystem.h"
#include "Platform/System/Process.h"
#include "Platform/Graphics2D/Font.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Renderer/Gdi/GDIRenderer.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::filesystem::path FreshFolder() {
  static int count = 0;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("qz_editor_bench_" + std::to_string(::getpid()) + "_" + std::to_string(count++));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "run");
  return folder;
}

// SDL_VIDEODRIVER as the benchmark was given it, else offscreen.
std::string VideoDriver() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver != nullptr && *driver != '\0' ? driver : "offscreen";
}

std::vector<std::string> Environment(const std::filesystem::path& folder, const std::string& midi = "none",
                                     const std::string& driver = VideoDriver()) {
  return {"SDL_VIDEODRIVER=" + driver, "PELLAN_VORN_MIDI=" + midi, "XDG_RUNTIME_DIR=" + (folder / "run").string(),
          "XDG_CONFIG_HOME=" + (folder / "config").string(), "XDG_DATA_HOME=" + (folder / "data").string()};
}

double CpuMs(const rusage& usage) {
  return 1000.0 * static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

struct StartResult {
  bool framed = false;
  double wallMs = 0;
  double cpuMs = 0;
};

// One cold start to the first frame, with the variables added to the environment.
StartResult StartToFirstFrame(const std::vector<std::string>& extra, const std::string& driver) {
  const std::filesystem::path folder = FreshFolder();
  std::string command = "exec env";
  for (const std::string& entry : Environment(folder, "none", driver))
    command += " " + entry;
  for (const std::string& entry : extra)
    command += " " + entry;
  command += std::string(" ") + QZ::kEnvironmentExitAfterFirstFrame + "=1 " + QZ_EDITOR_PROGRAM;
  rusage before{};
  ::getrusage(RUSAGE_CHILDREN, &before);
  const auto start = std::chrono::steady_clock::now();
  StartResult result;
  FILE* output = ::popen(command.c_str(), "r");
  if (!output)
    return result;
  char line[64] = {};
  const bool said = std::fgets(line, sizeof line, output) != nullptr;
  const auto end = std::chrono::steady_clock::now();
  ::pclose(output);
  rusage after{};
  ::getrusage(RUSAGE_CHILDREN, &after);
  std::filesystem::remove_all(folder);
  result.framed = said && std::string(line).rfind(QZ::kFirstFrameMarker, 0) == 0;
  result.wallMs = std::chrono::duration<double, std::milli>(end - start).count();
  // The processor time of the whole run (start, first frame and exit): on a busy machine the wall time also
  // holds the time the program waited for a processor.
  result.cpuMs = CpuMs(after) - CpuMs(before);
  return result;
}

void BM_ColdStartToFirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    const StartResult start = StartToFirstFrame({}, VideoDriver());
    if (!start.framed) {
      state.SkipWithError("no first frame");
      return;
    }
    state.SetIterationTime(start.wallMs / 1000.0);
    state.counters["cpu_ms"] = start.cpuMs;
  }
}
BENCHMARK(BM_ColdStartToFirstFrame)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// An X server of the benchmark's own (Xvfb on a display number of its own), with openbox on it when asked.
class XServer {
public:
  explicit XServer(bool windowManager) {
    const std::string xvfb = QZ::Platform::FindProgram("Xvfb");
    if (xvfb.empty())
      return;
    for (int attempt = 0; attempt < 20 && mServer == 0; ++attempt) {
      const std::string number = std::to_string(300 + (::getpid() + attempt * 37) % 600);
      std::string display = ":";
      display += number;
      const std::filesystem::path socket = std::filesystem::path("/tmp/.X11-unix") / ("X" + number);
      const std::filesystem::path lock = std::filesystem::path("/tmp") / (".X" + number + "-lock");
      if (std::filesystem::exists(socket) || std::filesystem::exists(lock))
        continue;
      mServer = QZ::Platform::StartProcess(
          xvfb, {display, "-screen", "0", "1920x1080x24", "-nolisten", "tcp", "-noreset"});
      for (int wait = 0; wait < 100 && mServer != 0 && !std::filesystem::exists(socket); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (mServer != 0 && std::filesystem::exists(socket))
        mDisplay = display;
    }
    if (mDisplay.empty() || !windowManager)
      return;
    const std::string openbox = QZ::Platform::FindProgram("openbox");
    const std::string xprop = QZ::Platform::FindProgram("xprop");
    if (openbox.empty() || xprop.empty()) {
      mDisplay.clear();
      return;
    }
    mManager = QZ::Platform::StartProcess(openbox, {"--sm-disable"}, {"DISPLAY=" + mDisplay});
    // The manager is up once it names itself on the root window.
    const std::string ask = "DISPLAY=" + mDisplay + " " + xprop + " -root _NET_SUPPORTING_WM_CHECK 2>/dev/null";
    bool up = false;
    for (int wait = 0; wait < 100 && mManager != 0 && !up; ++wait) {
      if (FILE* answer = ::popen(ask.c_str(), "r")) {
        char line[256] = {};
        up = std::fgets(line, sizeof line, answer) != nullptr &&
             std::string(line).find("window id") != std::string::npos;
        ::pclose(answer);
      }
      if (!up)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!up)
      mDisplay.clear();
  }
  ~XServer() {
    if (mManager != 0)
      static_cast<void>(QZ::Platform::StopProcess(mManager, 2000));
    if (mServer != 0)
      static_cast<void>(QZ::Platform::StopProcess(mServer, 2000));
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // Empty when the server (or the manager) could not be started.
  const std::string& GetDisplay() const { return mDisplay; }

private:
  QZ::Platform::ProcessId mServer = 0;
  QZ::Platform::ProcessId mManager = 0;
  std::string mDisplay;
};

// The first frame on an X server: 0 without a window manager, 1 under openbox. Each iteration starts the editor
// offscreen and then on the display, so both meet the same load; the time is the display's, with the offscreen
// start and the ratio beside it.
void BM_ColdStartToFirstFrameX11(benchmark::State& state) {
  const XServer server(state.range(0) != 0);
  if (server.GetDisplay().empty()) {
    state.SkipWithError(state.range(0) != 0 ? "no Xvfb or openbox" : "no Xvfb");
    return;
  }
  for (auto _ : state) {
    const StartResult offscreen = StartToFirstFrame({}, "offscreen");
    const StartResult x11 = StartToFirstFrame({"DISPLAY=" + server.GetDisplay()}, "x11");
    if (!offscreen.framed || !x11.framed) {
      state.SkipWithError("no first frame");
      return;
    }
    state.SetIterationTime(x11.wallMs / 1000.0);
    state.counters["cpu_ms"] = x11.cpuMs;
    state.counters["offscreen_ms"] = offscreen.wallMs;
    state.counters["x11_over_offscreen"] = x11.wallMs / offscreen.wallMs;
  }
}
BENCHMARK(BM_ColdStartToFirstFrameX11)
    ->ArgName("openbox")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// utime + stime of a process, in clock ticks.
double ProcessorTicks(QZ::Platform::ProcessId process) {
  std::ifstream in("/proc/" + std::to_string(process) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The fields after the command name (which may hold blanks) start after its closing parenthesis.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double utime = 0;
  double stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14)
      utime = std::stod(field);
    if (i == 15)
      stime = std::stod(field);
  }
  return utime + stime;
}

// The process's peak resident set (VmHWM), in KiB; 0 when it cannot be read.
double PeakResidentKb(QZ::Platform::ProcessId process) {
  std::ifstream in("/proc/" + std::to_string(process) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmHWM:", 0) == 0)
      return std::stod(line.substr(6));
  }
  return 0;
}

void BM_IdleShellProcessorTime(benchmark::State& state) {
  for (auto _ : state) {
    const std::filesystem::path folder = FreshFolder();
    // With the simulated controller, as a user would try the editor: its MIDI manager and polling included.
    const QZ::Platform::ProcessId editor =
        QZ::Platform::StartProcess(QZ_EDITOR_PROGRAM, {}, Environment(folder, "simulated"));
    if (editor == 0) {
      state.SkipWithError("cannot start the editor");
      return;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2)); // past the start
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    const double before = ProcessorTicks(editor);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(state.range(0)));
    const double after = ProcessorTicks(editor);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double peakKb = PeakResidentKb(editor);
    static_cast<void>(QZ::Platform::StopProcess(editor, 5000));
    std::filesystem::remove_all(folder);
    state.counters["cpu_percent"] = 100.0 * (after - before) / ticks / wall;
    state.counters["cpu_ms"] = 1000.0 * (after - before) / ticks;
    state.counters["peak_rss_mb"] = peakKb / 1024.0;
  }
}
BENCHMARK(BM_IdleShellProcessorTime)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// ---- In-process measurements: the editor built from the shipped skins (embedded in this program), on the
// offscreen driver, without a controller.

// The GDI+ renderer, noting what each frame draws (in window pixels, with the clip in force) while asked to,
// so the same picture can be drawn again through the 2D layer alone.
class RecordingRenderer : public QZ::LGDIRenderer {
public:
  enum class Kind { kText, kFrame, kFill, kBitmap };
  struct Op {
    Kind kind;
    QZ::Platform::RectI rect;
    QZ::Platform::RectF clip;
    std::uint32_t argb = 0;
    float lineWidth = 1.0f;
    std::int32_t resizeType = 0;
    std::u16string text;
    QZ::RCPtr<QZ::LFont> font;
    QZ::RCPtr<QZ::LBitmap> bitmap;
  };

  static RecordingRenderer*& Latest() {
    static RecordingRenderer* latest = nullptr;
    return latest;
  }
  static QZ::RCPtr<QZ::LRenderer> Make(const QZ::RectT<std::int32_t>&, QZ::WindowHandle) {
    QZ::RCPtr<RecordingRenderer> renderer = QZ::MakeRCPtr<RecordingRenderer>();
    Latest() = renderer.Get();
    return QZ::RCPtr<QZ::LRenderer>(renderer.Get());
  }

  bool mRecording = false;
  std::vector<Op> mOps;
  int mOtherOps = 0; // lines, polygons, colour lists, surface copies: not redrawn by the yardstick
  int mClips = 0;    // clip changes, which the yardstick makes once per operation

  void SetClipRect(const QZ::RectT<double>& clip) override {
    mClips += mRecording;
    LGDIRenderer::SetClipRect(clip);
  }

  void DrawText(const QZ::WideString& text, const QZ::RCPtr<QZ::LFont>& font, const QZ::PointT<std::int32_t>& at,
                const QZ::Color& color) override {
    if (mRecording && font && !text.IsEmpty()) {
      Op op = Note(Kind::kText, {at.x, at.y, 0, 0}, color);
      op.text = text.GetChars();
      op.font = font;
      mOps.push_back(std::move(op));
    }
    LGDIRenderer::DrawText(text, font, at, color);
  }
  void FrameRect(const QZ::RectT<std::int32_t>& rect, const QZ::Color& color, float lineWidth) override {
    if (mRecording) {
      Op op = Note(Kind::kFrame, rect, color);
      op.lineWidth = lineWidth;
      mOps.push_back(std::move(op));
    }
    LGDIRenderer::FrameRect(rect, color, lineWidth);
  }
  void FillRect(const QZ::RectT<std::int32_t>& rect, const QZ::Color& color, bool blend) override {
    if (mRecording)
      mOps.push_back(Note(Kind::kFill, rect, color));
    LGDIRenderer::FillRect(rect, color, blend);
  }
  void FillAndFrameRect(const QZ::RectT<std::int32_t>& rect, const QZ::Color& fill, const QZ::Color& frame,
                        float lineWidth) override {
    if (mRecording) {
      mOps.push_back(Note(Kind::kFill, rect, fill));
      Op op = Note(Kind::kFrame, rect, frame);
      op.lineWidth = lineWidth;
      mOps.push_back(std::move(op));
    }
    LGDIRenderer::FillAndFrameRect(rect, fill, frame, lineWidth);
  }
  void DrawBitmap(const QZ::RCPtr<QZ::LBitmap>& bitmap, const QZ::RectT<std::int32_t>& destination,
                  std::int32_t resizeType) override {
    if (mRecording && bitmap && bitmap->GetGdiplusBitmap() && destination.width > 0 && destination.height > 0) {
      Op op = Note(Kind::kBitmap, destination, QZ::Color{});
      op.bitmap = bitmap;
      op.resizeType = resizeType;
      mOps.push_back(std::move(op));
    }
    LGDIRenderer::DrawBitmap(bitmap, destination, resizeType);
  }
  void DrawColorRectList(const QZ::ColorRectListT<float>& list, const QZ::PointT<double>& position,
                         bool cache) override {
    mOtherOps += mRecording;
    LGDIRenderer::DrawColorRectList(list, position, cache);
  }
  void DrawLine(const QZ::PointT<float>& from, const QZ::PointT<float>& to, const QZ::Color& color,
                float lineWidth) override {
    mOtherOps += mRecording;
    LGDIRenderer::DrawLine(from, to, color, lineWidth);
  }
  void DrawLines(const QZ::PolylineT<float>& polyline, const QZ::Color& color, const QZ::PointT<float>& position,
                 const QZ::PointT<float>& scale, bool cache) override {
    mOtherOps += mRecording;
    LGDIRenderer::DrawLines(polyline, color, position, scale, cache);
  }
  void DrawPolyline(const QZ::PolylineT<float>& polyline, const QZ::Color& color,
                    const QZ::PointT<float>& position, const QZ::PointT<float>& scale, bool cache) override {
    mOtherOps += mRecording;
    LGDIRenderer::DrawPolyline(polyline, color, position, scale, cache);
  }
  void DrawPolygon(const QZ::PolylineT<float>& polyline, const QZ::Color& color, const QZ::PointT<float>& position,
                   const QZ::PointT<float>& scale, bool cache) override {
    mOtherOps += mRecording;
    LGDIRenderer::DrawPolygon(polyline, color, position, scale, cache);
  }
  void FillPolygon(const QZ::PolylineT<float>& polyline, const QZ::Color& color, const QZ::PointT<float>& position,
                   const QZ::PointT<float>& scale, bool cache) override {
    mOtherOps += mRecording;
    LGDIRenderer::FillPolygon(polyline, color, position, scale, cache);
  }

private:
  Op Note(Kind kind, const QZ::RectT<std::int32_t>& rect, const QZ::Color& color) const {
    Op op{};
    op.kind = kind;
    const QZ::RenderState* state = GetCurrentState();
    const double x = state ? state->mOrigin.x : 0.0;
    const double y = state ? state->mOrigin.y : 0.0;
    op.rect = {rect.x + static_cast<std::int32_t>(x), rect.y + static_cast<std::int32_t>(y), rect.width,
               rect.height};
    if (state)
      op.clip = {static_cast<float>(state->mClip.x + x), static_cast<float>(state->mClip.y + y),
                 static_cast<float>(state->mClip.width), static_cast<float>(state->mClip.height)};
    op.argb = color.ToARGB();
    return op;
  }
};

// The editor, started once for the in-process measurements.
class Editor {
public:
  static Editor& Get() {
    static Editor editor;
    return editor;
  }

  QZ::LApplication* App() const { return mProcess ? mProcess->GetApplication() : nullptr; }
  QZ::OSWindow* Window() const { return App() ? App()->GetMainWindow() : nullptr; }

private:
  Editor() : mFolder(FreshFolder()) {
    ::setenv("SDL_VIDEODRIVER", VideoDriver().c_str(), 1);
    static_cast<void>(QZ::LRenderer::RegisterBackEnd(QZ::kRendererTypeGDIPlus, &RecordingRenderer::Make));
    static_cast<void>(QZ::Platform::SetMidiSystem(QZ::Platform::CreateMidiSystem("none")));
    QZ::Platform::SetFolderOverride(QZ::Platform::FolderKind::kConfigHome, (mFolder / "config").string());
    QZ::Platform::SetFolderOverride(QZ::Platform::FolderKind::kDataHome, (mFolder / "data").string());
    QZ::Platform::SetFolderOverride(QZ::Platform::FolderKind::kDocuments, (mFolder / "documents").string());
    QZ::SEditorOptions options;
    options.mCommandLine = QZ::NarrowString("pellan_vorn_editor");
    options.mEnvironment.mScreenDpi = QZ::ParseScreenDpi(std::getenv(QZ::kEnvironmentScreenDpi)).value_or(96);
    // A desktop with room for the whole layout of either skin: the picture measured is the whole window.
    options.mEnvironment.mWorkArea = QZ::Platform::WindowRect{0, 0, 3200, 2000};
    options.mInstanceFolder = (mFolder / "run").string();
    mProcess = std::make_unique<QZ::CEditorProcess>(options);
    if (!mProcess->InitApplication() || !mProcess->InitInstance() || !mProcess->StartEditor())
      mProcess.reset();
    else {
      // The window's size reaches the main control, which follows it, as the running editor's loop would bring it.
      static_cast<void>(QZ::OSWindow::PumpWindowEvents());
      static_cast<void>(App()->ProcessIdle(true)); // the engine's values reach the panels
    }
  }
  ~Editor() {
    mProcess.reset();
    std::filesystem::remove_all(mFolder);
  }

  std::filesystem::path mFolder;
  std::unique_ptr<QZ::CEditorProcess> mProcess;
};

void BM_EditorFullRepaint(benchmark::State& state) {
  QZ::OSWindow* window = Editor::Get().Window();
  if (!window) {
    state.SkipWithError("no editor");
    return;
  }
  static_cast<void>(window->RedrawNow()); // the bitmap cache filled outside the measurement
  const auto* context = dynamic_cast<const QZ::LGDIRenderContextInfo*>(window->GetRenderContext().Get());
  const std::uint32_t clearsBefore = context ? context->GetBackBuffer()->GetClearsPaid() : 0;
  std::int64_t frames = 0;
  for (auto _ : state) {
    static_cast<void>(window->RedrawNow());
    ++frames;
  }
  const QZ::Platform::WindowRect client = window->GetPlatformWindow().GetClientBounds();
  state.counters["width"] = client.width;
  state.counters["height"] = client.height;
  // The back buffer's clears per repaint: 0 when the picture's first drawing covers the window.
  if (context && frames > 0)
    state.counters["clears"] = static_cast<double>(context->GetBackBuffer()->GetClearsPaid() - clearsBefore) /
                               static_cast<double>(frames);
}
BENCHMARK(BM_EditorFullRepaint)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The yardstick: the picture of one full repaint (the renderer's own record of it) drawn through the 2D
// layer straight into a back buffer and copied to an in-memory window, as Graphics2DLayerBench draws its
// scene: no control tree and no renderer, bitmaps from their images each time. Fonts are found as the
// renderer finds them (its fallback for a face that is not installed included), so every label is drawn.
class DirectPicture {
public:
  DirectPicture(const RecordingRenderer& renderer, std::int32_t width, std::int32_t height)
      : mOps(renderer.mOps), mWidth(width), mHeight(height), mBack(QZ::Platform::Surface::Create(width, height)),
        mWindow(width, height), mCanvas(QZ::Platform::Canvas::Create(*mBack)) {
    mCanvas->SetAntialias(false);
    mCanvas->SetImageFilter(QZ::Platform::ImageFilter::Nearest);
    for (const RecordingRenderer::Op& op : mOps) {
      if (op.kind != RecordingRenderer::Kind::kText || mFonts.count(op.font.Get()))
        continue;
      std::unique_ptr<QZ::Platform::Font> font =
          QZ::LGDIRenderer::MakePlatformFont(*op.font, renderer.GetFontScale() * op.font->GetSize());
      if (!font)
        ++mMissingFonts;
      mFonts[op.font.Get()] = std::move(font);
    }
  }

  // Fonts of the record that could not be made.
  int GetMissingFonts() const { return mMissingFonts; }

  // The operations drawn: every one of the record, unless one failed.
  std::size_t Draw() {
    std::size_t drawn = 0;
    for (const RecordingRenderer::Op& op : mOps) {
      mCanvas->SetClipRect(op.clip);
      switch (op.kind) {
      case RecordingRenderer::Kind::kFill:
        mCanvas->FillRect(op.rect, op.argb);
        ++drawn;
        break;
      case RecordingRenderer::Kind::kFrame:
        mCanvas->StrokeRect(op.rect, op.argb, op.lineWidth);
        ++drawn;
        break;
      case RecordingRenderer::Kind::kText:
        if (const QZ::Platform::Font* font = mFonts[op.font.Get()].get()) {
          mCanvas->DrawString(op.text, *font,
                              {static_cast<float>(op.rect.x), static_cast<float>(op.rect.y) - 1.0f}, op.argb);
          ++drawn;
        }
        break;
      case RecordingRenderer::Kind::kBitmap: {
        const QZ::RectT<std::int32_t> source = op.bitmap->GetRect();
        const QZ::Platform::ImageStatus status =
            op.resizeType == QZ::kResizeTile
                ? mCanvas->FillTiled(*op.bitmap->GetGdiplusBitmap(),
                                     {source.x, source.y, source.width, source.height}, op.rect)
                : mCanvas->DrawImage(*op.bitmap->GetGdiplusBitmap(),
                                     {static_cast<float>(op.rect.x), static_cast<float>(op.rect.y),
                                      static_cast<float>(op.rect.width), static_cast<float>(op.rect.height)},
                                     {static_cast<float>(source.x), static_cast<float>(source.y),
                                      static_cast<float>(source.width), static_cast<float>(source.height)});
        drawn += status == QZ::Platform::ImageStatus::Ok;
        break;
      }
      }
    }
    mCanvas->Flush();
    std::unique_ptr<QZ::Platform::Canvas> window = QZ::Platform::Canvas::Create(mWindow);
    window->SetCompositingMode(QZ::Platform::CompositingMode::SourceCopy);
    static_cast<void>(window->DrawSurface(*mBack, {0, 0}, {0, 0, mWidth, mHeight}));
    return drawn;
  }

private:
  std::vector<RecordingRenderer::Op> mOps;
  std::int32_t mWidth;
  std::int32_t mHeight;
  std::unique_ptr<QZ::Platform::Surface> mBack;
  QZ::Platform::MemoryWindow mWindow;
  std::unique_ptr<QZ::Platform::Canvas> mCanvas;
  std::map<const QZ::LFont*, std::unique_ptr<QZ::Platform::Font>> mFonts;
  int mMissingFonts = 0;
};

// The record of one full repaint and its picture through the 2D layer; null, with the benchmark stopped with an
// error, when there is no editor or the yardstick would leave out part of the picture.
std::unique_ptr<DirectPicture> RecordPicture(benchmark::State& state) {
  QZ::OSWindow* window = Editor::Get().Window();
  RecordingRenderer* renderer = RecordingRenderer::Latest();
  if (!window || !renderer) {
    state.SkipWithError("no editor");
    return nullptr;
  }
  renderer->mOps.clear();
  renderer->mOtherOps = 0;
  renderer->mClips = 0;
  renderer->mRecording = true;
  static_cast<void>(window->RedrawNow());
  renderer->mRecording = false;
  const QZ::Platform::WindowRect client = window->GetPlatformWindow().GetClientBounds();
  auto picture = std::make_unique<DirectPicture>(*renderer, client.width, client.height);
  // A yardstick that leaves out part of the picture measures less than the renderer draws.
  if (renderer->mOps.empty()) {
    state.SkipWithError("the repaint drew nothing");
    return nullptr;
  }
  if (picture->GetMissingFonts() > 0) {
    state.SkipWithError("a font of the record cannot be made");
    return nullptr;
  }
  if (renderer->mOtherOps > 0) {
    state.SkipWithError("the repaint draws lines or shapes the yardstick does not redraw");
    return nullptr;
  }
  if (picture->Draw() != renderer->mOps.size()) {
    state.SkipWithError("an operation of the record was not redrawn");
    return nullptr;
  }
  return picture;
}

void BM_EditorFullRepaintDirect(benchmark::State& state) {
  std::unique_ptr<DirectPicture> picture = RecordPicture(state);
  if (!picture)
    return;
  for (auto _ : state)
    benchmark::DoNotOptimize(picture->Draw());
  const RecordingRenderer& renderer = *RecordingRenderer::Latest();
  state.counters["ops"] = static_cast<double>(renderer.mOps.size());
  state.counters["renderer_clips"] = renderer.mClips;
  int texts = 0;
  for (const RecordingRenderer::Op& op : renderer.mOps)
    texts += op.kind == RecordingRenderer::Kind::kText;
  state.counters["texts"] = texts;
}
BENCHMARK(BM_EditorFullRepaintDirect)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The two side by side: each iteration one full repaint and one yardstick picture, so that both meet the same
// load; the time is the repaint's, with the yardstick's and the ratio beside it.
void BM_EditorFullRepaintOverYardstick(benchmark::State& state) {
  std::unique_ptr<DirectPicture> picture = RecordPicture(state);
  if (!picture)
    return;
  QZ::OSWindow* window = Editor::Get().Window();
  double repaintSeconds = 0;
  double yardstickSeconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    static_cast<void>(window->RedrawNow());
    const auto repainted = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(picture->Draw());
    const auto drawn = std::chrono::steady_clock::now();
    const double repaint = std::chrono::duration<double>(repainted - start).count();
    repaintSeconds += repaint;
    yardstickSeconds += std::chrono::duration<double>(drawn - repainted).count();
    state.SetIterationTime(repaint);
  }
  if (yardstickSeconds > 0) {
    state.counters["yardstick_us"] =
        1e6 * yardstickSeconds / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["over_yardstick"] = repaintSeconds / yardstickSeconds;
  }
}
BENCHMARK(BM_EditorFullRepaintOverYardstick)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// One edit: the tempo changes in the engine, and the idle pass shows it (the panels take the value, the
// up-down invalidates itself, the window paints what became invalid).
void BM_EditorTempoEdit(benchmark::State& state) {
  QZ::LApplication* app = Editor::Get().App();
  if (!app || !app->GetEngine()) {
    state.SkipWithError("no editor");
    return;
  }
  const auto& engine = app->GetEngine();
  std::uint8_t tempo = 100;
  for (auto _ : state) {
    tempo = tempo == 100 ? 101 : 100;
    QZ::Variant value;
    const std::uint8_t bytes[2] = {0x00, tempo};
    value.SetBuffer(bytes, 2);
    if (engine->SetParamValue(QZ::ParamDescriptor(10), value) < 0) {
      state.SkipWithError("the engine refused the tempo");
      return;
    }
    static_cast<void>(app->ProcessIdle(true));
    QZ::OSWindow::PaintPendingWindows();
  }
  // What one edit draws, so a run shows the edit reached the screen.
  if (RecordingRenderer* renderer = RecordingRenderer::Latest()) {
    renderer->mOps.clear();
    renderer->mRecording = true;
    QZ::Variant value;
    const std::uint8_t bytes[2] = {0x00, static_cast<std::uint8_t>(tempo == 100 ? 101 : 100)};
    value.SetBuffer(bytes, 2);
    static_cast<void>(engine->SetParamValue(QZ::ParamDescriptor(10), value));
    static_cast<void>(app->ProcessIdle(true));
    QZ::OSWindow::PaintPendingWindows();
    renderer->mRecording = false;
    state.counters["ops"] = static_cast<double>(renderer->mOps.size());
  }
}
BENCHMARK(BM_EditorTempoEdit)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// One idle period of an editor with nothing to do: the idle passes the main loop runs about every 33 ms.
void BM_EditorQuietIdlePass(benchmark::State& state) {
  QZ::LApplication* app = Editor::Get().App();
  if (!app) {
    state.SkipWithError("no editor");
    return;
  }
  for (auto _ : state) {
    static_cast<void>(app->ProcessIdle(true));
    QZ::OSWindow::PaintPendingWindows();
  }
}
BENCHMARK(BM_EditorQuietIdlePass)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
