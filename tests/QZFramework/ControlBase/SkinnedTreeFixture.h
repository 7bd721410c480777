#pragma once
// Trees of "Test.Skinned" controls from a small coloured skin, a fake root
// window that records invalidations, and a renderer that records each fill
// with its colour, alpha and the clip in force, in window pixels, so a test
// can probe which colour ends on top at a point.
//
// Looks: "Red", "Green", "Blue", "White", "Gray" fill the whole control with
// that colour; "Pair" holds the red look and the blue one; "Inset" is gray
// with its client area 10 pixels in from every edge.

#include "QZFramework/ControlBase/ControlTreeFixture.h"
#include "QZFramework/ControlBase/MeasuringRenderer.h"
#include "QZFramework/ControlBase/SkinnedControl.h"

#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Utilities/Graphics/Region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace QZ::test {

inline std::string SkinnedResources() {
  std::string colorizers;
  std::string parts;
  std::string looks;
  std::string lists;
  const struct {
    const char* name;
    const char* argb;
  } colours[] = {{"Red", "FFFF0000"},
                 {"Green", "FF00FF00"},
                 {"Blue", "FF0000FF"},
                 {"White", "FFFFFFFF"},
                 {"Gray", "FF808080"}};
  for (const auto& c : colours) {
    const std::string name = c.name;
    colorizers += "<Colorizer Name=\"" + name + "\" ColorType=\"SolidFill\" Color=\"" + c.argb + "\"/>";
    parts += "<Part Name=\"" + name + "Fill\" ColorizerName=\"" + name +
             "\" Width=\"10\" Height=\"10\" ResizeType=\"Stretch\"/>";
    looks += "<Look Name=\"" + name + "Look\"><ClientPart Name=\"" + name +
             "Fill\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>"
             "<TextProperties TextLeftRel=\"0\" TextLeftAbs=\"0\" TextRightRel=\"1\" TextRightAbs=\"0\" "
             "TextHAlign=\"0\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" TextBottomAbs=\"0\" "
             "TextVAlign=\"0\" TextForegroundPart=\"" +
             name + "Fill\"/></Look>";
    lists +=
        "<LookList Name=\"" + name + "\" NumLooks=\"1\"><Look Name=\"" + name + "Look\" Index=\"0\"/></LookList>";
  }
  looks += "<Look Name=\"InsetLook\"><ClientPart Name=\"GrayFill\" OffsetLeft=\"10\" OffsetTop=\"10\" "
           "OffsetRight=\"-10\" OffsetBottom=\"-10\"/></Look>";
  lists += "<LookList Name=\"Pair\" NumLooks=\"2\"><Look Name=\"RedLook\" Index=\"0\"/>"
           "<Look Name=\"BlueLook\" Index=\"1\"/></LookList>"
           "<LookList Name=\"Inset\" NumLooks=\"1\"><Look Name=\"InsetLook\" Index=\"0\"/></LookList>";
  return "<Colorizers>" + colorizers + "</Colorizers><Parts>" + parts + "</Parts><Looks>" + looks +
         "</Looks><LookLists>" + lists + "</LookLists>";
}

// A "Test.Skinned" SubControl with a look list, further attributes and children.
inline std::string Skinned(const std::string& name, const std::string& looks, const std::string& attributes = "",
                           const std::string& children = "") {
  return "<SubControl Class=\"Test.Skinned\" Name=\"" + name + "\" " + attributes + "><Skin Name=\"" + name +
         "Skin\" LookList=\"" + looks + "\">" + children + "</Skin></SubControl>";
}

// Position and size attributes.
inline std::string At(int x, int y, int width, int height) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(width) + "\" YSizeAbs=\"" + std::to_string(height) + "\"";
}

// Records every fill as it would land on the window.
class ProbingRenderer : public MeasuringRenderer {
public:
  struct Fill {
    std::uint32_t argb;
    float alpha;
    RectT<double> area; // the filled rectangle within the clip, window pixels
  };

  void FillRect(const RectT<std::int32_t>& rect, const Color& color, bool blend) override {
    MeasuringRenderer::FillRect(rect, color, blend);
    const RenderState* state = GetCurrentState();
    if (!state)
      return;
    const RectT<double> placed{rect.x + state->mOrigin.x, rect.y + state->mOrigin.y,
                               static_cast<double>(rect.width), static_cast<double>(rect.height)};
    const RectT<double> clip{state->mClip.x + state->mOrigin.x, state->mClip.y + state->mOrigin.y,
                             state->mClip.width, state->mClip.height};
    RectT<double> area;
    if (RectT<double>::Intersect(placed, clip, area))
      mFills.push_back({color.ToARGB(), state->mAlpha, area});
  }

  // The colour of the last fill covering the pixel at (x, y); 0 for none.
  std::uint32_t Probe(int x, int y) const {
    for (auto it = mFills.rbegin(); it != mFills.rend(); ++it) {
      const RectT<double>& a = it->area;
      if (x >= a.x && x < a.x + a.width && y >= a.y && y < a.y + a.height)
        return it->argb;
    }
    return 0;
  }

  std::vector<Fill> mFills;
};

inline constexpr std::uint32_t kRed = 0xFFFF0000;
inline constexpr std::uint32_t kGreen = 0xFF00FF00;
inline constexpr std::uint32_t kBlue = 0xFF0000FF;
inline constexpr std::uint32_t kWhite = 0xFFFFFFFF;
inline constexpr std::uint32_t kGray = 0xFF808080;

class SkinnedTreeFixture : public ControlTreeFixture {
protected:
  void SetUp() override {
    ControlTreeFixture::SetUp();
    SkinnedControl::sLive = 0;
    SkinnedControl::sLog = &mLog;
    SkinnedControl::Register(*mFactory);
    mApp.mRenderer = mRenderer;
    mApp.mDefaultFont = LFont::GetFont(WideString(u"Skinned Test Face"), 9.0f, 0);
    mWindow = MakeRCPtr<FakeRootWindow>();
  }
  void TearDown() override {
    if (mRenderer->GetCurrentContext()) {
      EXPECT_EQ(mRenderer->RenderFinish(mContext), S_OK);
    }
    if (mWindow)
      mWindow->SetRootControl(RCPtr<LControl>());
    mWindow = nullptr;
    SkinnedControl::sLog = nullptr;
    EXPECT_EQ(SkinnedControl::sLive, 0) << "skinned controls left alive";
    ControlTreeFixture::TearDown();
  }

  // Loads top-level skins, each a string of top-level SubControls.
  void LoadSkins(const std::vector<std::string>& skins) {
    std::string body = SkinnedResources() + "<Skins>";
    for (std::size_t i = 0; i < skins.size(); ++i)
      body += "<Skin Name=\"S" + std::to_string(i) + "\">" + skins[i] + "</Skin>";
    ASSERT_EQ(mFactory->LoadSkinsFromText(Bytes(SkinDocument(body + "</Skins>"))), S_OK);
  }

  // The top-level control of that name, installed in the fake window and laid out in it.
  RCPtr<SkinnedControl> Open(const char16_t* name) {
    const RCPtr<SkinnedControl> control =
        DynamicCast<SkinnedControl>(mFactory->CreateTopLevelControl(WideString(name), mWindow));
    if (control) {
      mWindow->SetRootControl(control);
      static_cast<void>(control->UpdateLayout());
    }
    return control;
  }

  static RCPtr<SkinnedControl> Find(const RCPtr<LControl>& from, const std::vector<const char16_t*>& path) {
    RCPtr<LControl> control = from;
    for (const char16_t* name : path)
      control = control ? control->FindChild(WideString(name)) : RCPtr<LControl>();
    return DynamicCast<SkinnedControl>(control);
  }

  // One frame as the root window draws it: the tree on layer 0 within the
  // damaged area, then the floating controls by Z_Order, each in its parent's
  // child space, and whatever they collect in turn. Within a frame of the
  // renderer's current context (the probing renderer starts one when none is).
  void Paint(const RCPtr<LControl>& top, const Region& damaged, const RCPtr<LRenderer>& renderer) {
    EdgeRect box;
    damaged.GetBounds(box);
    const RectT<double> boxRect{static_cast<double>(box.left), static_cast<double>(box.top),
                                static_cast<double>(box.right - box.left),
                                static_cast<double>(box.bottom - box.top)};
    RectT<double> clip;
    RectT<double>::Intersect(top->GetBounds(), boxRect, clip);
    renderer->PushClip({0, 0, 640, 480}, clip, RCPtr<LStencil>(), false);
    RenderTree(top, damaged, false, renderer);
    renderer->PopState();
  }
  void Paint(const RCPtr<LControl>& top, const Region& damaged) {
    if (!mRenderer->GetCurrentContext()) {
      ASSERT_EQ(mRenderer->RenderStart(mContext), S_OK);
    }
    Paint(top, damaged, RCPtr<LRenderer>(mRenderer));
  }
  void Paint(const RCPtr<LControl>& top) {
    Region damaged;
    damaged.AddRect({0, 0, 640, 480});
    Paint(top, damaged);
  }

  RCPtr<ProbingRenderer> mRenderer = MakeRCPtr<ProbingRenderer>();
  RCPtr<LRenderContextInfo> mContext = MakeRCPtr<TestRenderContext>();
  RCPtr<FakeRootWindow> mWindow;
  std::vector<std::string> mLog;

private:
  void RenderTree(const RCPtr<LControl>& control, const Region& damaged, bool layer,
                  const RCPtr<LRenderer>& renderer) {
    LControl::ControlCollection collected;
    ASSERT_EQ(control->RenderLayer(renderer, damaged, collected, layer), S_OK);
    std::vector<RCPtr<LControl>> floating;
    for (std::uint32_t i = 0; i < collected.GetCount(); ++i)
      floating.push_back(collected.GetAt(i));
    std::stable_sort(floating.begin(), floating.end(), [](const RCPtr<LControl>& a, const RCPtr<LControl>& b) {
      return a->GetLayout()->mZOrder < b->GetLayout()->mZOrder;
    });
    for (const RCPtr<LControl>& f : floating) {
      const RCPtr<LControl>& parent = f->GetParent();
      const PointT<std::int32_t> at = parent->GetPositionInRoot().RoundToLong();
      const RectT<double> client = parent->GetLookClientRect(-1);
      const PointT<double> origin{at.x + client.x - parent->GetScrollOffset().x,
                                  at.y + client.y - parent->GetScrollOffset().y};
      renderer->GetCurrentState()->mAlpha = f->GetOpacity();
      renderer->PushClip({origin.x, origin.y, 0, 0}, f->GetBounds(), RCPtr<LStencil>(), false);
      RenderTree(f, damaged, true, renderer);
      renderer->PopState();
    }
  }
};

} // namespace QZ::test
