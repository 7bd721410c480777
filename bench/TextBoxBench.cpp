// Placing the text box's caret by a click in a line of 1,000 characters,
// measured with the GDI+-role renderer and a DejaVu Sans face: once the
// line's caret positions are known, and right after a change of the text
// (replaced whole, or a character typed at the end). A new text is laid out
// once, when it is set (the box needs its width for the extent), and every
// caret position is read from that layout; the last two cases time the new
// text on its own and the new text with the click, so that the cost the click
// no longer pays shows where it went.

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/Controls/TextBox.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Renderer/Gdi/GDIRenderer.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace QZ;

// The services the box asks for: the renderer it measures with and the clock.
class BenchApp : public IFrameworkApp {
public:
  BenchApp() : mPrevious(SetFrameworkApp(this)) {}
  ~BenchApp() override { SetFrameworkApp(mPrevious); }
  BenchApp(const BenchApp&) = delete;
  BenchApp& operator=(const BenchApp&) = delete;

  RCPtr<LRenderer> GetRenderer() override { return mRenderer; }
  QZRESULT GetSystemFont(WideString&, float&, std::int32_t&) override { return E_FAIL; }
  std::int32_t GetRendererType() override { return kRendererTypeGDIPlus; }
  std::uint32_t GetMilliseconds() override { return 0; }
  double GetTime() override { return 0; }
  LControlFactory* GetControlFactory() override { return nullptr; }
  RCPtr<LFont> GetDefaultFont() override { return RCPtr<LFont>(); }
  RectT<std::int32_t> GetWorkArea() override { return {0, 0, 1920, 1080}; }
  PointT<std::int32_t> GetCursorPosition() override { return {}; }
  std::uint32_t GetMouseButtonState() override { return 0; }
  RCPtr<IRootWindow> GetActiveRootWindow() override { return RCPtr<IRootWindow>(); }
  CursorID GetCursor(const WideString&) override { return 0; }
  QZRESULT SetStatusText(const WideString&, bool) override { return E_FAIL; }
  QZRESULT RefreshStatusText(bool) override { return E_FAIL; }
  bool ProcessIdle(bool) override { return false; }
  RCPtr<IRootWindow> GetRootWindow(std::uint32_t) override { return RCPtr<IRootWindow>(); }

  RCPtr<LRenderer> mRenderer = MakeRCPtr<LGDIRenderer>();

private:
  IFrameworkApp* mPrevious;
};

class BenchBox : public LTextBox {
public:
  BenchBox() : LTextBox(RCPtr<LControl>(), WideString(u"box")) {
    mLayout = MakeRCPtr<LLayoutDescriptor>();
    mBounds = {0, 0, 8000, 20};
  }
  // A left click at x: the press places the caret.
  void ClickAt(std::int32_t x) {
    HandleLeftButtonDown(LMouseButtonParam::Create(kMouseButtonLeft, {x, 10}, 0, 0, kMouseButtonLeft, 0));
  }
};

WideString Line(char first) {
  std::string text;
  for (int i = 0; i < 1000; ++i)
    text.push_back(i % 7 == 6 ? ' ' : static_cast<char>(first + i % 26));
  WideString line;
  line.AssignNarrow(text.c_str());
  return line;
}

// The cases that set a new text outside the timing run a fixed number of
// times: timed until the click alone added up to the minimum time, they would
// spend minutes laying out texts.
constexpr benchmark::IterationCount kPausedIterations = 2000;

struct Setup {
  BenchApp app;
  RCPtr<BenchBox> box = MakeRCPtr<BenchBox>();
  Setup() {
    static_cast<void>(box->SetFont(LFont::GetFont(WideString(u"DejaVu Sans"), 10, 0)));
    static_cast<void>(box->SetText(Line('a')));
  }
  ~Setup() { static_cast<void>(box->Close()); }
};

void BM_TextBoxClickInAMeasuredLine(benchmark::State& state) {
  Setup setup;
  const auto width = static_cast<std::int32_t>(setup.box->GetPrefixWidth(1000));
  for (std::int32_t i = 0; i <= 1000; ++i)
    benchmark::DoNotOptimize(setup.box->GetPrefixWidth(i));
  std::int32_t x = 0;
  for (auto _ : state) {
    x = (x + 977) % width;
    setup.box->ClickAt(x);
    benchmark::DoNotOptimize(setup.box->GetCaret());
  }
}
BENCHMARK(BM_TextBoxClickInAMeasuredLine)->Unit(benchmark::kMicrosecond);

void BM_TextBoxClickAfterANewText(benchmark::State& state) {
  Setup setup;
  const WideString lines[2] = {Line('a'), Line('b')};
  std::int32_t x = 0;
  int which = 0;
  for (auto _ : state) {
    state.PauseTiming();
    which = 1 - which;
    static_cast<void>(setup.box->SetText(lines[which]));
    x = (x + 977) % 5000;
    state.ResumeTiming();
    setup.box->ClickAt(x);
    benchmark::DoNotOptimize(setup.box->GetCaret());
  }
}
BENCHMARK(BM_TextBoxClickAfterANewText)->Unit(benchmark::kMicrosecond)->Iterations(kPausedIterations);

void BM_TextBoxClickAfterTypingAtTheEnd(benchmark::State& state) {
  Setup setup;
  for (std::int32_t i = 0; i <= 1000; ++i)
    benchmark::DoNotOptimize(setup.box->GetPrefixWidth(i));
  const WideString lines[2] = {Line('a'), Line('a').Concat(WideString(u"x"))};
  std::int32_t x = 0;
  int which = 0;
  for (auto _ : state) {
    state.PauseTiming();
    which = 1 - which;
    static_cast<void>(setup.box->SetText(lines[which]));
    x = (x + 977) % 5000;
    state.ResumeTiming();
    setup.box->ClickAt(x);
    benchmark::DoNotOptimize(setup.box->GetCaret());
  }
}
BENCHMARK(BM_TextBoxClickAfterTypingAtTheEnd)->Unit(benchmark::kMicrosecond)->Iterations(kPausedIterations);

void BM_TextBoxNewText(benchmark::State& state) {
  Setup setup;
  const WideString lines[2] = {Line('a'), Line('b')};
  int which = 0;
  for (auto _ : state) {
    which = 1 - which;
    static_cast<void>(setup.box->SetText(lines[which]));
    benchmark::DoNotOptimize(setup.box->GetLength());
  }
}
BENCHMARK(BM_TextBoxNewText)->Unit(benchmark::kMicrosecond);

void BM_TextBoxNewTextAndClick(benchmark::State& state) {
  Setup setup;
  const WideString lines[2] = {Line('a'), Line('b')};
  std::int32_t x = 0;
  int which = 0;
  for (auto _ : state) {
    which = 1 - which;
    static_cast<void>(setup.box->SetText(lines[which]));
    x = (x + 977) % 5000;
    setup.box->ClickAt(x);
    benchmark::DoNotOptimize(setup.box->GetCaret());
  }
}
BENCHMARK(BM_TextBoxNewTextAndClick)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
