// List boxes with many rows.
//
// BM_ListBoxPageStep: a list of 10,000 rows scrolled page by page: the time of
// one page step (the offset moves, the first row follows and the row controls
// are bound to the rows now shown) and the number of row controls made, which
// must not grow once the first page is filled.
//
// The bulk operations, each at 10,000 and 100,000 rows in one run, on a list
// 100 pixels high with 18-pixel rows (six row controls), the view at the top;
// rows measure 7 pixels a character, so the widest row changes as texts do:
// - BM_ListBoxSetItemEveryRow: every row gets a new item of another length;
// - BM_ListBoxSelectAll: SelectRange over every row, exclusively;
// - BM_ListBoxAppendRows: the rows appended one by one with InsertItem;
// - BM_MultiColumnSort: a freshly filled two-column table sorted by its first
//   column (its header's click), one row selected and one marked; also at
//   2,000 rows. BM_MultiColumnSortAgain sorts what the last sort left.
// Each work per call should follow the rows shown plus the rows changed (the
// sort n log n), so the time grows about tenfold from 10,000 to 100,000 rows.

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/ListBoxItem.h"
#include "QZFramework/Controls/MultiColumnListBox.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/Renderer/RendererTestSupport.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/FakeRootWindow.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace QZ;

constexpr int kPageStepRows = 10000;

std::string Row(const std::string& name) {
  return "<SubControl Class=\"Framework.ListBoxItem\" Name=\"" + name +
         "\" XSizeToControl=\"Client\" XSizeRel=\"1\" XSizeAbs=\"0\" YSizeAbs=\"18\"/>";
}

std::string List(const std::string& cls, const std::string& name, const std::string& place) {
  return "<SubControl Class=\"" + cls + "\" Name=\"" + name + "\" " + place + "><Skin Name=\"" + name + "Skin\">" +
         Row("templateItem") + "</Skin></SubControl>";
}

std::string Window(const std::string& name, const std::string& children) {
  return "<SubControl Class=\"Bench.Plain\" Name=\"" + name +
         "\" XSizeAbs=\"640\" YSizeAbs=\"480\"><Skin Name=\"" + name + "Skin\">" + children +
         "</Skin></SubControl>";
}

// "main": a list 400 pixels high; "small": a list 100 pixels high; "table": two
// columns 100 pixels high under their header buttons.
std::string Skin() {
  std::string table = "<SubControl Class=\"Framework.listbox2ColumnSortable\" Name=\"table\" XPositionAbs=\"10\" "
                      "YPositionAbs=\"10\" XSizeAbs=\"300\" YSizeAbs=\"120\"><Skin Name=\"tableSkin\">";
  for (int n = 1; n <= 2; ++n) {
    const std::string x = "XPositionAbs=\"" + std::to_string((n - 1) * 150) + "\" ";
    table += "<SubControl Class=\"Framework.Button\" Name=\"buttonColumnHeader" + std::to_string(n) + "\" " + x +
             "YPositionAbs=\"0\" XSizeAbs=\"150\" YSizeAbs=\"20\"/>";
    table += List("Framework.listboxNoScroll", "listboxNoScroll" + std::to_string(n),
                  x + "YPositionAbs=\"20\" XSizeAbs=\"150\" YSizeAbs=\"100\"");
  }
  table += "</Skin></SubControl>";
  const std::string at = "XPositionAbs=\"10\" YPositionAbs=\"10\" XSizeAbs=\"200\" ";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\"><Skins>"
         "<Skin Name=\"S\">" +
         Window("main", List("Framework.ListBox", "list", at + "YSizeAbs=\"400\"")) +
         Window("small", List("Framework.ListBox", "list", at + "YSizeAbs=\"100\"")) + Window("table", table) +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

// Text 7 pixels a character, 14 high.
class MeasuringRenderer : public test::RecordingRenderer {
public:
  RectT<float> MeasureText(const WideString& text, const RCPtr<LFont>&) override {
    return {0.0f, -14.0f, static_cast<float>(text.GetLength()) * 7.0f, 14.0f};
  }
};

// The fake application with the control classes, the skin and a root window.
class Scene {
public:
  Scene() {
    mApp.mControlFactory = mFactory.Get();
    mApp.mRenderer = MakeRCPtr<MeasuringRenderer>();
    mFactory->RegisterControlCreateFunction(WideString(u"Bench.Plain"), &CreateControlFromDescriptor<LControl>);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.ListBox"), &LListBox::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.listboxNoScroll"), &LListBox::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.ListBoxItem"), &LListBoxItem::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.Button"), &LButton::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.listbox2ColumnSortable"),
                                            &LMultiColumnListBox::Create);
    const std::string skin = Skin();
    static_cast<void>(mFactory->LoadSkinsFromText(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(skin.data()), skin.size())));
    mApp.mActiveRootWindow = mWindow;
  }
  ~Scene() {
    mWindow->SetRootControl(RCPtr<LControl>());
    mApp.mActiveRootWindow = RCPtr<IRootWindow>();
    mApp.mRenderer = RCPtr<LRenderer>();
    LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // The named window as the root control; its child of that name.
  template <class T>
  RCPtr<T> Open(const char16_t* window, const char16_t* child) {
    const RCPtr<LControl> main = mFactory->CreateTopLevelControl(WideString(window), RCPtr<IRootWindow>(mWindow));
    mWindow->SetRootControl(main);
    return main ? DynamicCast<T>(main->FindChild(WideString(child))) : RCPtr<T>();
  }

private:
  test::FakeFrameworkApp mApp;
  RCPtr<LControlFactory> mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
  RCPtr<test::FakeRootWindow> mWindow = MakeRCPtr<test::FakeRootWindow>();
};

// Texts of varied lengths: "row 17", "row 17 x", "row 17 xx", ... by the seed.
std::vector<RCPtr<LTaggableObject>> MakeItems(int count, int seed) {
  std::vector<RCPtr<LTaggableObject>> items;
  items.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const int extra = (i * 7919 + seed * 104729) % 13;
    char text[32];
    std::snprintf(text, sizeof text, "row %d%s%.*s", i, extra > 0 ? " " : "", extra, "xxxxxxxxxxxxx");
    items.push_back(LListBox::MakeTextItem(WideString(text)));
  }
  return items;
}

void Append(const RCPtr<LListBox>& list, const std::vector<RCPtr<LTaggableObject>>& items) {
  for (const RCPtr<LTaggableObject>& item : items)
    list->InsertItem(list->GetItemCount(), item);
}

void BM_ListBoxPageStep(benchmark::State& state) {
  Scene scene;
  const RCPtr<LListBox> list = scene.Open<LListBox>(u"main", u"list");
  if (!list) {
    state.SkipWithError("no list");
    return;
  }
  Append(list, MakeItems(kPageStepRows, 0));
  const int controlsAfterFirstPage = list->GetItemControlCount();
  const int page = list->CountControlsThatFit();
  int first = 0;
  for (auto _ : state) {
    first = first + page < kPageStepRows - page ? first + page : 0;
    list->SetScrollOffset({0, static_cast<double>(first) * list->GetRowHeight()});
    benchmark::DoNotOptimize(list->GetFirstRow());
  }
  state.counters["controls_after_first_page"] = controlsAfterFirstPage;
  state.counters["controls_made_while_scrolling"] = list->GetItemControlCount() - controlsAfterFirstPage;
}
BENCHMARK(BM_ListBoxPageStep)->Unit(benchmark::kMicrosecond);

void BM_ListBoxSetItemEveryRow(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  Scene scene;
  const RCPtr<LListBox> list = scene.Open<LListBox>(u"small", u"list");
  if (!list) {
    state.SkipWithError("no list");
    return;
  }
  Append(list, MakeItems(rows, 0));
  const std::vector<RCPtr<LTaggableObject>> items[2] = {MakeItems(rows, 1), MakeItems(rows, 0)};
  int round = 0;
  for (auto _ : state) {
    const std::vector<RCPtr<LTaggableObject>>& next = items[round++ % 2];
    for (int row = 0; row < rows; ++row)
      list->SetItem(row, next[static_cast<std::size_t>(row)]);
    benchmark::DoNotOptimize(list->GetContentWidth());
  }
  state.counters["controls"] = list->GetItemControlCount();
}
BENCHMARK(BM_ListBoxSetItemEveryRow)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ListBoxSelectAll(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  Scene scene;
  const RCPtr<LListBox> list = scene.Open<LListBox>(u"small", u"list");
  if (!list) {
    state.SkipWithError("no list");
    return;
  }
  list->SetMultiSelect(true);
  Append(list, MakeItems(rows, 0));
  for (auto _ : state) {
    state.PauseTiming();
    list->SelectRange(0, -1, true);
    state.ResumeTiming();
    list->SelectRange(0, rows - 1, true);
    benchmark::DoNotOptimize(list->GetSelectedCount());
  }
  if (list->GetSelectedCount() != rows)
    state.SkipWithError("not every row selected");
}
BENCHMARK(BM_ListBoxSelectAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ListBoxAppendRows(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  Scene scene;
  const RCPtr<LListBox> list = scene.Open<LListBox>(u"small", u"list");
  if (!list) {
    state.SkipWithError("no list");
    return;
  }
  const std::vector<RCPtr<LTaggableObject>> items = MakeItems(rows, 0);
  for (auto _ : state) {
    state.PauseTiming();
    list->RemoveAllItems();
    state.ResumeTiming();
    Append(list, items);
    benchmark::DoNotOptimize(list->GetItemCount());
  }
}
BENCHMARK(BM_ListBoxAppendRows)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The two-column table filled with n rows: the first column words in a
// scrambled order, the second naming the row; one row marked, one selected.
class TableRows {
public:
  explicit TableRows(int rows) : mRows(rows), mNames(MakeItems(rows, 0)) {
    mWords.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
      const unsigned scrambled = static_cast<unsigned>(i) * 2654435761u;
      char text[16];
      std::snprintf(text, sizeof text, "w%u", scrambled % 1000003u);
      mWords.push_back(LListBox::MakeTextItem(WideString(text)));
    }
  }
  void Fill(const RCPtr<LMultiColumnListBox>& table) const {
    for (int c = 0; c < 2; ++c)
      static_cast<void>(table->GetColumn(c)->RemoveAllItems());
    Append(table->GetColumn(0), mWords);
    Append(table->GetColumn(1), mNames);
    table->GetColumn(0)->SetRowMarked(mRows / 3, true);
    table->GetColumn(0)->SelectRange(mRows / 2, -1, true);
  }

private:
  int mRows;
  std::vector<RCPtr<LTaggableObject>> mWords;
  std::vector<RCPtr<LTaggableObject>> mNames;
};

RCPtr<LMultiColumnListBox> OpenTable(Scene& scene, benchmark::State& state) {
  const RCPtr<LMultiColumnListBox> table = scene.Open<LMultiColumnListBox>(u"table", u"table");
  if (!table || table->GetColumnCount() != 2) {
    state.SkipWithError("no table");
    return RCPtr<LMultiColumnListBox>();
  }
  return table;
}

// A header's click on a freshly filled table (the rows' items lie in memory in
// row order, as the owner made them).
void BM_MultiColumnSort(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  Scene scene;
  const RCPtr<LMultiColumnListBox> table = OpenTable(scene, state);
  if (!table)
    return;
  const TableRows filling(rows);
  for (auto _ : state) {
    state.PauseTiming();
    filling.Fill(table);
    state.ResumeTiming();
    table->PerformSort(0);
    benchmark::DoNotOptimize(table->GetColumn(1)->GetItem(0));
  }
  state.counters["selected"] = static_cast<double>(table->GetColumn(1)->GetSelectedCount());
}
BENCHMARK(BM_MultiColumnSort)->Arg(2000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Header clicks one after the other: each sort starts from the order the last
// one left, whose items lie all over memory, so reading every row's text once
// costs a cache miss or two per row beyond the 10,000 rows the caches hold.
// BM_ReadRowTextsAfterSort is that reading alone, the floor of such a sort.
void BM_MultiColumnSortAgain(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  Scene scene;
  const RCPtr<LMultiColumnListBox> table = OpenTable(scene, state);
  if (!table)
    return;
  TableRows(rows).Fill(table);
  table->PerformSort(0);
  for (auto _ : state) {
    table->PerformSort(0);
    benchmark::DoNotOptimize(table->GetColumn(1)->GetItem(0));
  }
}
BENCHMARK(BM_MultiColumnSortAgain)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReadRowTextsAfterSort(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  Scene scene;
  const RCPtr<LMultiColumnListBox> table = OpenTable(scene, state);
  if (!table)
    return;
  TableRows(rows).Fill(table);
  table->PerformSort(0);
  const RCPtr<LListBox> column = table->GetColumn(0);
  for (auto _ : state) {
    std::size_t characters = 0;
    for (int row = 0; row < rows; ++row)
      characters += column->GetItemText(row).GetLength();
    benchmark::DoNotOptimize(characters);
  }
}
BENCHMARK(BM_ReadRowTextsAfterSort)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
