// A floating control (one that does not clip to its parent, as pop-up menus)
// is drawn by the root window after the tree: with the opacity it inherits
// from its ancestors and its own applied once, as a clipped child would be.
// A recording renderer shows the alpha each control paints with.

#include "QZFramework/Application/RootWindow.h"

#include "QZFramework/Renderer/RendererTestSupport.h"
#include "Support/TestFrameworkApp.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace QZ {
namespace {

// A control with an opacity, placed at a rectangle, that notes the alpha it paints with.
class AlphaProbe : public LControl {
public:
  AlphaProbe(const RCPtr<LControl>& parent, const char16_t* name, const RectT<double>& bounds, float opacity,
             std::map<std::string, float>& log)
      : LControl(parent, WideString(name)), mLog(log) {
    mLayout = MakeRCPtr<LLayoutDescriptor>();
    mLayout->mPlacement[0].mAbsolute = bounds.x;
    mLayout->mPlacement[1].mAbsolute = bounds.y;
    mLayout->mSize[0].mAbsolute = bounds.width;
    mLayout->mSize[1].mAbsolute = bounds.height;
    mBounds = bounds;
    mOpacity = opacity;
    // One look (without parts) at full weight: children are drawn per look.
    static_cast<void>(AddLook(RCPtr<LLook>()));
    static_cast<void>(SetLookWeight(0, 1.0f, true));
    SetCreated();
  }
  QZRESULT PaintOverLooks(const RCPtr<LRenderer>& renderer) override {
    if (const RenderState* state = renderer->GetCurrentState())
      mLog[GetName().ToNarrow().GetChars()] = state->mAlpha;
    return S_OK;
  }
  std::map<std::string, float>& mLog;
};

TEST(FloatingOpacityTest, AFloatingControlInheritsItsAncestorsOpacityAndAppliesItsOwnOnce) {
  std::map<std::string, float> alpha;
  const auto renderer = MakeRCPtr<test::RecordingRenderer>();
  const RCPtr<LRootWindow> window = LRootWindow::Create(RCPtr<LRenderer>(renderer), nullptr);
  const auto main = MakeRCPtr<AlphaProbe>(RCPtr<LControl>(), u"main", RectT<double>{0, 0, 200, 100}, 1.0f, alpha);
  const auto holder =
      MakeRCPtr<AlphaProbe>(RCPtr<LControl>(main), u"holder", RectT<double>{10, 10, 50, 50}, 0.5f, alpha);
  const auto clipped =
      MakeRCPtr<AlphaProbe>(RCPtr<LControl>(holder), u"clipped", RectT<double>{0, 0, 20, 20}, 0.8f, alpha);
  const auto floating =
      MakeRCPtr<AlphaProbe>(RCPtr<LControl>(holder), u"floating", RectT<double>{20, 20, 80, 60}, 0.8f, alpha);
  static_cast<void>(floating->SetClipToParent(false));
  ASSERT_EQ(window->SetRootControl(RCPtr<LControl>(main)), S_OK);

  Region region;
  region.AddRect({0, 0, 200, 100});
  const RCPtr<LRenderContextInfo> context = MakeRCPtr<test::TestRenderContext>();
  ASSERT_EQ(renderer->RenderStart(context), S_OK);
  window->Paint(region);
  EXPECT_EQ(renderer->RenderFinish(context), S_OK);
  EXPECT_FLOAT_EQ(alpha["holder"], 0.5f);
  EXPECT_FLOAT_EQ(alpha["clipped"], 0.4f);
  ASSERT_EQ(alpha.count("floating"), 1u) << "drawn on its own layer";
  EXPECT_FLOAT_EQ(alpha["floating"], 0.4f) << "as the clipped sibling: inherited once, its own once";

  ASSERT_EQ(window->SetRootControl(RCPtr<LControl>()), S_OK);
  static_cast<void>(window->ReleaseInnerReferences());
}

} // namespace
} // namespace QZ
