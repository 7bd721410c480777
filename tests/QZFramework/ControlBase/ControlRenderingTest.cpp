// The render pass of a control tree (layers, z order, clipping, culling, look
// weights, custom painting) and the invalidation path up to the root window.

#include "QZFramework/ControlBase/SkinnedTreeFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

using test::At;
using test::kBlue;
using test::kGray;
using test::kGreen;
using test::kRed;
using test::kWhite;
using test::Skinned;

// main (gray, 200 x 100) holds a (red, Z_Order 2) over b (green, Z_Order 1),
// a blue panel at (100, 0) whose white child reaches beyond it and whose red
// floating child pokes out over "cover" (green, a later sibling of the panel).
const std::string kTree =
    Skinned("main", "Gray", At(0, 0, 200, 100),
            Skinned("a", "Red", At(10, 10, 50, 50) + " Z_Order=\"2\"") +
                Skinned("b", "Green", At(40, 40, 50, 50) + " Z_Order=\"1\"") +
                Skinned("panel", "Blue", At(100, 0, 60, 60),
                        Skinned("inner", "White", At(40, 40, 40, 40)) +
                            Skinned("floater", "Red", At(50, 50, 30, 30) + " ClipToParent=\"False\"")) +
                Skinned("cover", "Green", At(160, 60, 40, 40) + " Z_Order=\"5\""));

class ControlRenderingTest : public test::SkinnedTreeFixture {};

TEST_F(ControlRenderingTest, TreeDrawsInZOrderClippedByParentsWithFloatingChildrenOnTop) {
  LoadSkins({kTree});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  ASSERT_TRUE(main);
  ASSERT_EQ(main->GetBounds(), (RectT<double>{0, 0, 200, 100}));
  Paint(main);

  const struct {
    int x, y;
    std::uint32_t colour;
    const char* why;
  } probes[] = {
      {5, 5, kGray, "the top-level control's look"},
      {20, 20, kRed, "a alone"},
      {50, 50, kRed, "a has the higher Z_Order"},
      {80, 80, kGreen, "b alone"},
      {110, 10, kBlue, "the panel"},
      {145, 45, kWhite, "the panel's child inside the panel"},
      {165, 45, kGray, "the panel's child is clipped by the panel"},
      {155, 55, kRed, "the floating child over its sibling"},
      {170, 75, kRed, "the floating child outside its parent, over a later sibling"},
      {190, 90, kGreen, "the later sibling elsewhere"},
      {250, 50, 0u, "nothing outside the top-level control"},
  };
  for (const auto& probe : probes) {
    SCOPED_TRACE(probe.why);
    EXPECT_EQ(mRenderer->Probe(probe.x, probe.y), probe.colour) << probe.x << ", " << probe.y;
  }
  // Every scope the passes opened was closed.
  ASSERT_NE(mRenderer->GetCurrentContext(), nullptr);
  EXPECT_TRUE(mRenderer->GetCurrentContext()->mSavedStates.empty());
}

TEST_F(ControlRenderingTest, WrongLayerHiddenAndCulledControls) {
  LoadSkins({kTree});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  const RCPtr<test::SkinnedControl> panel = Find(main, {u"panel"});
  const RCPtr<test::SkinnedControl> floater = Find(main, {u"panel", u"floater"});
  ASSERT_TRUE(panel && floater);
  ASSERT_EQ(mRenderer->RenderStart(mContext), S_OK);
  Region all;
  all.AddRect({0, 0, 640, 480});
  LControl::ControlCollection collected;

  // Each layer is drawn only by its own pass.
  EXPECT_EQ(main->RenderLayer(RCPtr<LRenderer>(mRenderer), all, collected, true), E_INVALIDARG);
  EXPECT_EQ(floater->RenderLayer(RCPtr<LRenderer>(mRenderer), all, collected, false), E_INVALIDARG);
  EXPECT_TRUE(mRenderer->mFills.empty());

  // A damaged area away from the panel: the panel draws nothing but still
  // hands over its floating child (not itself); once per pass of the parent.
  Region elsewhere;
  elsewhere.AddRect({0, 0, 20, 20});
  ASSERT_EQ(main->RenderLayer(RCPtr<LRenderer>(mRenderer), elsewhere, collected, false), S_OK);
  ASSERT_EQ(collected.GetCount(), 1u);
  EXPECT_EQ(collected.GetAt(0).GetRaw(), floater.GetRaw());
  for (const auto& fill : mRenderer->mFills)
    EXPECT_NE(fill.argb, kBlue) << "the culled panel drew";

  // A hidden panel collects nothing, its floating child included.
  collected.RemoveAll();
  panel->SetVisible(false);
  ASSERT_EQ(main->RenderLayer(RCPtr<LRenderer>(mRenderer), all, collected, false), S_OK);
  EXPECT_EQ(collected.GetCount(), 0u);
  EXPECT_TRUE(mRenderer->GetCurrentContext()->mSavedStates.empty());
}

TEST_F(ControlRenderingTest, LookWeightsBlendEveryLookAndDrawTheChildrenOncePerLook) {
  LoadSkins({Skinned("main", "Gray", At(0, 0, 200, 100),
                     Skinned("pair", "Pair", At(10, 10, 100, 50), Skinned("kid", "White", At(5, 5, 10, 10))))});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  const RCPtr<test::SkinnedControl> pair = Find(main, {u"pair"});
  ASSERT_TRUE(pair);
  ASSERT_EQ(pair->SetLookWeight(0, 0.5f, false), S_OK);
  ASSERT_EQ(pair->SetLookWeight(1, 0.5f, false), S_OK);
  pair->SetOpacity(0.5f);
  mLog.clear();
  Paint(main);

  std::vector<std::string> fills;
  for (const auto& fill : mRenderer->mFills) {
    const char* colour = fill.argb == kRed     ? "red"
                         : fill.argb == kBlue  ? "blue"
                         : fill.argb == kWhite ? "white"
                                               : "";
    if (*colour)
      fills.push_back(std::string(colour) + "@" + std::to_string(fill.alpha));
  }
  // Client parts of both looks, then (per look) the children, each scaled by
  // the opacity and the look's weight.
  EXPECT_EQ(fills,
            (std::vector<std::string>{"red@0.250000", "blue@0.250000", "white@0.250000", "white@0.250000"}));
  EXPECT_EQ(mLog, (std::vector<std::string>{"main.overLooks(0,0,200,100)", "pair.overLooks(0,0,100,50)",
                                            "kid.overLooks(0,0,10,10)", "kid.overChildren(0,0,10,10)",
                                            "kid.overLooks(0,0,10,10)", "kid.overChildren(0,0,10,10)",
                                            "pair.overChildren(0,0,100,50)", "main.overChildren(0,0,200,100)"}));

  // Without looks of weight above 0 the custom painting still runs, but no children.
  ASSERT_EQ(pair->SetLookWeight(0, 0.0f, true), S_OK);
  mLog.clear();
  Paint(main);
  EXPECT_EQ(mLog, (std::vector<std::string>{"main.overLooks(0,0,200,100)", "pair.overLooks(0,0,100,50)",
                                            "pair.overChildren(0,0,100,50)", "main.overChildren(0,0,200,100)"}));
}

TEST_F(ControlRenderingTest, CustomPaintingRunsOncePerDamagedRectangleClippedToIt) {
  LoadSkins({Skinned("main", "Gray", At(0, 0, 200, 100), Skinned("box", "Red", At(20, 20, 100, 50)))});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  Region damaged;
  damaged.AddRect({0, 0, 30, 30});     // meets box at its top-left corner
  damaged.AddRect({100, 60, 150, 90}); // meets box at its bottom-right corner
  mLog.clear();
  Paint(main, damaged);
  std::vector<std::string> box;
  for (const std::string& entry : mLog) {
    if (entry.rfind("box.overLooks", 0) == 0)
      box.push_back(entry);
  }
  // In the region's order (the last added first), in box coordinates.
  EXPECT_EQ(box, (std::vector<std::string>{"box.overLooks(80,40,20,10)", "box.overLooks(0,0,10,10)"}));
}

TEST_F(ControlRenderingTest, GroupsDrawUndockedThenDockedChildrenWhateverTheirZOrder) {
  LoadSkins(
      {Skinned("main", "Inset", At(0, 0, 200, 100),
               Skinned("r", "Red", At(0, 0, 30, 30) + " XIsDocked=\"True\" YIsDocked=\"True\" Z_Order=\"-5\"") +
                   Skinned("q", "Green", At(0, 0, 30, 30) + " XIsDocked=\"True\" Z_Order=\"-9\"") +
                   Skinned("p", "Blue", At(0, 0, 30, 30) + " Z_Order=\"9\""))});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  mLog.clear();
  Paint(main);
  std::vector<std::string> order;
  for (const std::string& entry : mLog) {
    if (entry.find(".overLooks") != std::string::npos && entry.rfind("main", 0) != 0)
      order.push_back(entry.substr(0, 1));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"p", "q", "r"}));
}

TEST_F(ControlRenderingTest, LabelTextMovesWithTheScrollOffsetWhenItScrolls) {
  LoadSkins({Skinned("main", "Gray", At(0, 0, 200, 100))});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  main->SetText(WideString(u"label"));
  const auto textY = [&] {
    mRenderer->mDrawn.clear();
    Paint(main);
    for (const auto& drawn : mRenderer->mDrawn) {
      if (drawn.what == "label")
        return drawn.rect.y + static_cast<std::int32_t>(drawn.origin.y);
    }
    return -1000;
  };
  const std::int32_t still = textY();
  ASSERT_NE(still, -1000) << "no label drawn";
  main->SetScrollOffset({0, 40});
  EXPECT_EQ(textY(), still) << "the label stays put unless it scrolls";
  main->SetLabelTextScrolls(true);
  EXPECT_EQ(textY(), still - 40);
}

// ---------------------------------------------------------------------------
// Invalidation

class ControlInvalidationTest : public test::SkinnedTreeFixture {
protected:
  // The root window's rectangles since the last call.
  std::vector<RectT<std::int32_t>> Taken() {
    std::vector<RectT<std::int32_t>> taken;
    taken.swap(mWindow->mInvalidated);
    return taken;
  }
};

TEST_F(ControlInvalidationTest, EveryChangeReachesTheRootWindowClippedByTheAncestors) {
  LoadSkins({kTree});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  const RCPtr<test::SkinnedControl> panel = Find(main, {u"panel"});
  const RCPtr<test::SkinnedControl> inner = Find(main, {u"panel", u"inner"});
  const RCPtr<test::SkinnedControl> a = Find(main, {u"a"});
  ASSERT_TRUE(panel && inner && a);
  using Rects = std::vector<RectT<std::int32_t>>;
  Taken();

  // The inner control reaches out of the panel: only its visible part is repainted.
  inner->SetText(WideString(u"text"));
  EXPECT_EQ(Taken(), (Rects{{140, 40, 20, 20}}));

  ASSERT_EQ(a->SetLookWeight(0, 0.5f, true), S_OK);
  EXPECT_EQ(Taken(), (Rects{{10, 10, 50, 50}}));

  a->SetVisible(false);
  EXPECT_EQ(Taken(), (Rects{{10, 10, 50, 50}}));
  a->SetText(WideString(u"unseen"));
  EXPECT_TRUE(Taken().empty()) << "a hidden control repaints nothing";
  a->SetVisible(true);
  EXPECT_EQ(Taken(), (Rects{{10, 10, 50, 50}}));

  // Moving: the old and the new place.
  ASSERT_EQ(a->SetBounds({20, 10}, {50, 50}), S_OK);
  const Rects moved = Taken();
  ASSERT_GE(moved.size(), 2u);
  EXPECT_EQ(moved.front(), (RectT<std::int32_t>{10, 10, 50, 50}));
  EXPECT_EQ(moved.back(), (RectT<std::int32_t>{20, 10, 50, 50}));

  // Scrolling the panel repaints it and its floating child where it was.
  panel->SetScrollOffset({0, 10});
  const Rects scrolled = Taken();
  EXPECT_NE(std::find(scrolled.begin(), scrolled.end(), (RectT<std::int32_t>{150, 50, 30, 30})), scrolled.end());
  EXPECT_NE(std::find(scrolled.begin(), scrolled.end(), (RectT<std::int32_t>{100, 0, 60, 60})), scrolled.end());
}

TEST_F(ControlInvalidationTest, ClipFlagDropsWhatLiesOutsideAndFloatingControlsAreNeverClipped) {
  LoadSkins({kTree});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  const RCPtr<test::SkinnedControl> inner = Find(main, {u"panel", u"inner"});
  const RCPtr<test::SkinnedControl> floater = Find(main, {u"panel", u"floater"});
  Taken();

  // Wholly outside the panel: dropped with the clip flag, passed on without it.
  EXPECT_EQ(inner->InvalidateRect({30, 30, 5, 5}, true), S_FALSE);
  EXPECT_TRUE(Taken().empty());
  EXPECT_EQ(inner->InvalidateRect({30, 30, 5, 5}, false), S_OK);
  EXPECT_EQ(Taken(), (std::vector<RectT<std::int32_t>>{{170, 70, 5, 5}}));

  // A floating control's own flag stops the clipping, even when asked for it.
  EXPECT_EQ(floater->InvalidateRect({0, 0, 30, 30}, true), S_OK);
  EXPECT_EQ(Taken(), (std::vector<RectT<std::int32_t>>{{150, 50, 30, 30}}));

  // Under a hidden ancestor nothing reaches the window.
  Find(main, {u"panel"})->SetVisible(false);
  Taken();
  EXPECT_EQ(inner->InvalidateRect({0, 0, 5, 5}, true), S_FALSE);
  EXPECT_TRUE(Taken().empty());
}

TEST_F(ControlInvalidationTest, TopLevelClippingUsesTheControlsPlaceInTheWindow) {
  // A top-level control away from the window's origin: its clipped rectangle
  // is its own local one moved to where it stands.
  LoadSkins({Skinned("main", "Gray", At(0, 0, 200, 100), Skinned("a", "Red", At(10, 10, 50, 50)))});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  ASSERT_EQ(main->SetBounds({100, 50}, {200, 100}), S_OK);
  mWindow->mBounds = {0, 0, 640, 480}; // the window keeps its size
  Taken();
  const RCPtr<test::SkinnedControl> a = Find(main, {u"a"});
  EXPECT_EQ(a->InvalidateRect({0, 0, 50, 50}, true), S_OK);
  EXPECT_EQ(Taken(), (std::vector<RectT<std::int32_t>>{{110, 60, 50, 50}}));
  // The window's client area is the last clip.
  EXPECT_EQ(main->InvalidateRect({500, 400, 100, 100}, true), S_OK);
  EXPECT_EQ(Taken(), (std::vector<RectT<std::int32_t>>{{600, 450, 40, 30}}));
}

} // namespace
} // namespace QZ

namespace QZ {
namespace {

// Random trees, random rectangles: what reaches the window agrees with a model
// that works in window coordinates throughout (every rectangle made absolute,
// clipped by each ancestor's absolute rectangle while the chain clips).
class InvalidationModelTest : public test::SkinnedTreeFixture {
protected:
  std::uint32_t Next() {
    mSeed = mSeed * 1664525u + 1013904223u;
    return mSeed >> 8;
  }
  int Between(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<std::uint32_t>(high - low + 1));
  }

  std::string RandomChildren(int depth, int& counter) {
    std::string children;
    const int count = depth >= 3 ? 0 : Between(0, 3);
    for (int i = 0; i < count; ++i) {
      std::string attributes = test::At(Between(-30, 120), Between(-30, 80), Between(0, 90), Between(0, 60));
      if (Between(0, 4) == 0)
        attributes += " ClipToParent=\"False\"";
      if (Between(0, 9) == 0)
        attributes += " IsVisible=\"False\"";
      children +=
          test::Skinned("c" + std::to_string(counter++), "Gray", attributes, RandomChildren(depth + 1, counter));
    }
    return children;
  }

  // The model's answer: false when dropped, else the rectangle handed over.
  bool Model(const LControl& control, const RectT<double>& local, bool clip, RectT<std::int32_t>& out) {
    const PointT<double> at = control.GetPositionInRoot();
    const RectT<double> whole{local.x + at.x, local.y + at.y, local.width, local.height};
    RectT<double> clipped = whole;
    bool clipping = clip;
    for (const LControl* c = &control; c; c = c->GetParent().GetRaw()) {
      const RectT<double>& b = c->GetBounds();
      if (!c->GetLayout()->mVisible || !(b.width > 0) || !(b.height > 0))
        return false;
      if (!clipping)
        continue;
      if (!c->GetLayout()->mClipToParent) {
        clipping = false;
        continue;
      }
      RectT<double> area;
      if (const LControl* parent = c->GetParent().GetRaw()) {
        const PointT<double> p = parent->GetPositionInRoot();
        area = {p.x, p.y, parent->GetBounds().width, parent->GetBounds().height};
      } else {
        const SizeT<std::int32_t> size = mWindow->GetSize();
        area = {0, 0, static_cast<double>(size.width), static_cast<double>(size.height)};
      }
      if (!RectT<double>::Intersect(clipped, area, clipped))
        return false;
    }
    out = (clipping ? clipped : whole).RoundToLong();
    return true;
  }

  std::uint32_t mSeed = 12345;
};

TEST_F(InvalidationModelTest, RandomTreesAgreeWithTheWindowCoordinateModel) {
  for (int round = 0; round < 20; ++round) {
    int counter = 0;
    const std::string children = RandomChildren(0, counter);
    mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    mApp.mControlFactory = mFactory.Get();
    test::SkinnedControl::Register(*mFactory);
    LoadSkins({test::Skinned("main", "Gray", test::At(0, 0, 200, 100), children)});
    const RCPtr<test::SkinnedControl> main = Open(u"main");
    ASSERT_TRUE(main);
    ASSERT_EQ(main->SetBounds({30, 20}, {200, 100}), S_OK);
    mWindow->mBounds = {0, 0, 220, 110};
    RCPtrArray<LControl> all;
    main->CollectDescendants(all);
    all.AddItem(RCPtr<LControl>(main));
    for (int check = 0; check < 30; ++check) {
      const RCPtr<LControl>& control = all.GetAt(Next() % all.GetCount());
      const RectT<double> local{static_cast<double>(Between(-40, 60)), static_cast<double>(Between(-40, 60)),
                                static_cast<double>(Between(1, 80)), static_cast<double>(Between(1, 80))};
      const bool clip = Between(0, 3) != 0;
      SCOPED_TRACE("round " + std::to_string(round) + ", " + test::Narrow(control->GetName()));
      mWindow->mInvalidated.clear();
      RectT<std::int32_t> expected;
      const bool reaches = Model(*control, local, clip, expected);
      const QZRESULT result = control->InvalidateRect(local, clip);
      EXPECT_EQ(result, reaches ? S_OK : S_FALSE);
      if (reaches) {
        EXPECT_EQ(mWindow->mInvalidated, (std::vector<RectT<std::int32_t>>{expected}));
      } else {
        EXPECT_TRUE(mWindow->mInvalidated.empty());
      }
    }
    mWindow->SetRootControl(RCPtr<LControl>());
  }
}

} // namespace
} // namespace QZ
