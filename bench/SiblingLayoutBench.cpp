// Laying out a panel of many siblings, each placed to the right of the one before: the children are created and
// laid out one by one as a skin opens them, then the first one's new width moves the whole chain.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace QZ;

class ChainControl : public LControl {
public:
  using LControl::LControl;
  void Shape(const RCPtr<LLayoutDescriptor>& layout, double width, double height) {
    mLayout = layout;
    mBounds.width = width;
    mBounds.height = height;
  }
};

constexpr int kSiblings = 20000;

void BM_OpenChainedSiblings(benchmark::State& state) {
  for (auto _ : state) {
    const RCPtr<ChainControl> top = MakeRCPtr<ChainControl>(RCPtr<LControl>(), WideString(u"top"));
    top->Shape(RCPtr<LLayoutDescriptor>(), 800, 600);
    WideString previous;
    for (int i = 0; i < kSiblings; ++i) {
      WideString name;
      name.AssignNarrow(("c" + std::to_string(i)).c_str());
      const RCPtr<ChainControl> child = MakeRCPtr<ChainControl>(top, name);
      RCPtr<LLayoutDescriptor> layout = MakeRCPtr<LLayoutDescriptor>();
      layout->mSize[0].mAbsolute = 2;
      layout->mSize[1].mAbsolute = 10;
      if (i > 0)
        layout->mPlacement[0] = {0, kPositionControl, previous, 1.0f, 1, false};
      child->Shape(layout, 0, 0);
      static_cast<void>(child->UpdateLayout());
      previous = name;
    }
    const RCPtr<LControl> first = top->FindChild(WideString(u"c0"));
    SizeSpec width;
    width.mAbsolute = 12;
    static_cast<void>(first->SetAxisPlacement(0, first->GetLayout()->mPlacement[0], width));
    benchmark::DoNotOptimize(top->FindChild(previous)->GetBounds().x);
    static_cast<void>(top->Close());
  }
}
BENCHMARK(BM_OpenChainedSiblings)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
