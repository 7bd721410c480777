// A list box of 10,000 rows scrolled page by page: the time of one page step
// (the offset moves, the first row follows and the row controls are bound to
// the rows now shown) and the number of row controls made, which must not grow
// once the first page is filled.

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/ListBoxItem.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/FakeRootWindow.h"

#include <benchmark/benchmark.h>

#include <span>
#include <string>

namespace {

using namespace QZ;

constexpr int kRows = 10000;

// A 640 by 480 window holding a list 400 pixels high with 18-pixel rows.
const char kSkin[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\"><Skins>"
    "<Skin Name=\"S\"><SubControl Class=\"Bench.Plain\" Name=\"main\" XSizeAbs=\"640\" YSizeAbs=\"480\">"
    "<Skin Name=\"mainSkin\"><SubControl Class=\"Framework.ListBox\" Name=\"list\" XPositionAbs=\"10\" "
    "YPositionAbs=\"10\" XSizeAbs=\"200\" YSizeAbs=\"400\"><Skin Name=\"listSkin\">"
    "<SubControl Class=\"Framework.ListBoxItem\" Name=\"templateItem\" XSizeToControl=\"Client\" XSizeRel=\"1\" "
    "XSizeAbs=\"0\" YSizeAbs=\"18\"/></Skin></SubControl></Skin></SubControl></Skin></Skins></Application>"
    "</Veskor_Skin_Definitions>";

void BM_ListBoxPageStep(benchmark::State& state) {
  test::FakeFrameworkApp app;
  const RCPtr<LControlFactory> factory = MakeRCPtr<LControlFactory>(WideString(u"App"));
  app.mControlFactory = factory.Get();
  factory->RegisterControlCreateFunction(WideString(u"Bench.Plain"), &CreateControlFromDescriptor<LControl>);
  factory->RegisterControlCreateFunction(WideString(u"Framework.ListBox"), &LListBox::Create);
  factory->RegisterControlCreateFunction(WideString(u"Framework.ListBoxItem"), &LListBoxItem::Create);
  static_cast<void>(factory->LoadSkinsFromText(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(kSkin), sizeof(kSkin) - 1)));
  const RCPtr<test::FakeRootWindow> window = MakeRCPtr<test::FakeRootWindow>();
  app.mActiveRootWindow = window;
  const RCPtr<LControl> main = factory->CreateTopLevelControl(WideString(u"main"), RCPtr<IRootWindow>(window));
  window->SetRootControl(main);
  const RCPtr<LListBox> list = DynamicCast<LListBox>(main->FindChild(WideString(u"list")));
  if (!list) {
    state.SkipWithError("no list");
    return;
  }
  for (int row = 0; row < kRows; ++row)
    list->InsertItem(row, LListBox::MakeTextItem(WideString(("row " + std::to_string(row)).c_str())));
  const int controlsAfterFirstPage = list->GetItemControlCount();
  const int page = list->CountControlsThatFit();
  int first = 0;
  for (auto _ : state) {
    first = first + page < kRows - page ? first + page : 0;
    list->SetScrollOffset({0, static_cast<double>(first) * list->GetRowHeight()});
    benchmark::DoNotOptimize(list->GetFirstRow());
  }
  state.counters["controls_after_first_page"] = controlsAfterFirstPage;
  state.counters["controls_made_while_scrolling"] = list->GetItemControlCount() - controlsAfterFirstPage;
  window->SetRootControl(RCPtr<LControl>());
  app.mActiveRootWindow = RCPtr<IRootWindow>();
  LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
}
BENCHMARK(BM_ListBoxPageStep)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
