#include "QZFramework/Renderer/Renderer.h"

#include "QZFramework/Renderer/D3D9Renderer.h"
#include "QZFramework/Renderer/RendererTestSupport.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

namespace QZ {
namespace {

using test::RecordingRenderer;
using test::TestRenderContext;
using test::ThrownText;

const RectT<double> kInitialClip{-5000000136282112.0, -5000000136282112.0, 10000000272564224.0,
                                 10000000272564224.0};

void ExpectState(const RenderState& state, PointT<double> origin, RectT<double> clip) {
  EXPECT_EQ(state.mOrigin, origin);
  EXPECT_EQ(state.mClip, clip);
}

class RendererTest : public ::testing::Test {
protected:
  RCPtr<RecordingRenderer> mRenderer = MakeRCPtr<RecordingRenderer>();
  RCPtr<LRenderContextInfo> mContext = MakeRCPtr<TestRenderContext>();

  void SetUp() override { ASSERT_EQ(mRenderer->RenderStart(mContext), S_OK); }
  void TearDown() override {
    if (mRenderer->GetCurrentContext()) {
      EXPECT_EQ(mRenderer->RenderFinish(mContext), S_OK);
    }
  }
  RenderState& State() { return *mRenderer->GetCurrentState(); }
};

TEST(RendererFrames, StartAndFinishNestDifferentContextsAndRefuseTheRest) {
  auto renderer = MakeRCPtr<RecordingRenderer>();
  RCPtr<LRenderContextInfo> a = MakeRCPtr<TestRenderContext>();
  RCPtr<LRenderContextInfo> b = MakeRCPtr<TestRenderContext>();

  EXPECT_EQ(ThrownText<std::runtime_error>([&] { renderer->RenderStart(nullptr); }),
            "Runtime Error : Render context is NULL : QZ::LRenderer::RenderStart : Renderer\\Renderer : Line 232");
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { renderer->RenderFinish(a); }),
            "Runtime Error : RenderFinish context does not match RenderStart context : "
            "QZ::LRenderer::RenderFinish : Renderer\\Renderer : Line 251");

  EXPECT_EQ(renderer->RenderStart(a), S_OK);
  EXPECT_EQ(a->GetRefCount(), 2); // the renderer holds it while it is started
  EXPECT_EQ(
      ThrownText<std::runtime_error>([&] { renderer->RenderStart(a); }),
      "Runtime Error : Render context reentered. : QZ::LRenderer::RenderStart : Renderer\\Renderer : Line 238");
  EXPECT_EQ(renderer->RenderStart(b), S_OK);
  EXPECT_EQ(renderer->GetCurrentContext(), b.Get());
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { renderer->RenderFinish(a); }),
            "Runtime Error : RenderFinish context does not match RenderStart context : "
            "QZ::LRenderer::RenderFinish : Renderer\\Renderer : Line 251");
  EXPECT_EQ(renderer->GetStartedContextCount(), 2u); // the failed calls changed nothing

  EXPECT_EQ(renderer->RenderFinish(b), S_OK);
  EXPECT_EQ(renderer->GetCurrentContext(), a.Get());
  EXPECT_EQ(renderer->RenderFinish(a), S_OK);
  EXPECT_EQ(renderer->GetCurrentContext(), nullptr);
  EXPECT_EQ(renderer->GetCurrentState(), nullptr);
  EXPECT_EQ(a->GetRefCount(), 1);
}

TEST(RendererFrames, AFrameScopeEndsItsFrameOnEveryWayOut) {
  auto renderer = MakeRCPtr<RecordingRenderer>();
  RCPtr<LRenderContextInfo> context = MakeRCPtr<TestRenderContext>();
  // Drawing throws: the frame ends as the exception leaves, and the context
  // can be started again.
  EXPECT_THROW(
      {
        CRenderFrame frame(renderer, context);
        EXPECT_EQ(renderer->GetCurrentContext(), context.Get());
        throw std::runtime_error("drawing failed");
      },
      std::runtime_error);
  EXPECT_EQ(renderer->GetStartedContextCount(), 0u);
  {
    CRenderFrame frame(renderer, context);
    EXPECT_EQ(frame.Finish(), S_OK);
    EXPECT_EQ(renderer->GetStartedContextCount(), 0u);
    EXPECT_EQ(frame.Finish(), S_OK) << "once only";
  }
  // A finish that fails on the way out is dropped: the nested frame left
  // open is the failure, not the scope's.
  RCPtr<LRenderContextInfo> inner = MakeRCPtr<TestRenderContext>();
  EXPECT_THROW(
      {
        CRenderFrame frame(renderer, context);
        renderer->RenderStart(inner);
        throw std::runtime_error("drawing failed");
      },
      std::runtime_error);
  EXPECT_EQ(renderer->GetStartedContextCount(), 2u);
  // A null renderer makes a scope that does nothing.
  CRenderFrame none(RCPtr<LRenderer>(), context);
  EXPECT_EQ(none.Finish(), S_OK);
}

TEST(RendererFrames, StateOperationsOutsideAFrameDoNothing) {
  auto renderer = MakeRCPtr<RecordingRenderer>();
  renderer->PushState();
  renderer->PushClip({1, 2, 3, 4}, {0, 0, 3, 4}, LStencil::CreateForSize({3, 4}), true);
  renderer->PushTranslation({5, 5});
  renderer->PopState();
  renderer->SetClipRect({1, 1, 1, 1});
  renderer->Translate({1, 1});
  EXPECT_EQ(renderer->SetViewport({0, 0, 1, 1}), S_OK);
  EXPECT_EQ(renderer->SetStencil(nullptr), S_OK);
  EXPECT_EQ(renderer->GetCurrentState(), nullptr);
}

TEST_F(RendererTest, AFreshContextStartsAtTheInitialState) {
  ExpectState(State(), {0, 0}, kInitialClip);
  EXPECT_EQ(State().mAlpha, 1.0f);
  EXPECT_FALSE(State().mStencilInstalled);
  EXPECT_TRUE(State().mStencil.IsNull());
  EXPECT_TRUE(mContext->mSavedStates.empty());
}

TEST_F(RendererTest, RelativePushClipTranslatesByTheRoundedBoundsAndPopRestoresExactly) {
  mRenderer->PushClip({10.4, 20.6, 50, 50}, {0, 0, 50, 50}, nullptr, true);
  // clip ∩ bounds = {10.4, 20.6, 39.6, 29.4}, snapped to {10, 20, 40, 30}, then
  // moved into the new coordinates by d = (10, 21).
  ExpectState(State(), {10, 21}, {0, -1, 40, 30});
  EXPECT_EQ(mContext->mSavedStates.size(), 1u);

  mRenderer->mCalls.clear();
  State().mAlpha = 0.5f;
  mRenderer->PopState();
  ExpectState(State(), {0, 0}, kInitialClip);
  EXPECT_EQ(State().mAlpha, 1.0f);
  // Through the operations a back end extends, so its device follows.
  EXPECT_EQ(mRenderer->mCalls, (std::vector<std::string>{"Translate", "SetClipRect", "SetStencil"}));
  EXPECT_TRUE(mContext->mSavedStates.empty());
}

TEST_F(RendererTest, RelativePushClipThatMissesClipsEverything) {
  struct Case {
    const char* name;
    RectT<double> current;
    RectT<double> bounds;
    RectT<double> clip;
  };
  const Case cases[] = {
      {"clip apart from bounds", {-1000, -1000, 3000, 3000}, {10, 10, 20, 20}, {50, 50, 10, 10}},
      // Its negative width must not be flipped into a real rectangle.
      {"clip far left of bounds", {-1000, -1000, 3000, 3000}, {100, 0, 20, 20}, {-50, 0, 10, 10}},
      {"bounds outside the current clip", {0, 0, 5, 5}, {10, 10, 20, 20}, {10, 10, 20, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mRenderer->PushClip({0, 0, 1, 1}, c.current, nullptr, false);
    mRenderer->PushClip(c.bounds, c.clip, nullptr, true);
    EXPECT_EQ(State().mClip.width, 0.0);
    EXPECT_EQ(State().mClip.height, 0.0);
    mRenderer->PopState();
    mRenderer->PopState();
    ExpectState(State(), {0, 0}, kInitialClip);
  }
}

TEST_F(RendererTest, AbsolutePushClipTakesTheClipAsGivenAndTranslatesToTheBounds) {
  mRenderer->PushClip({10, 20, 100, 100}, {0, 0, 50, 50}, nullptr, true);
  ExpectState(State(), {10, 20}, {0, 0, 40, 30});

  mRenderer->mTranslations.clear();
  mRenderer->PushClip({10, 20, 30, 30}, {5.5, 6.5, 7.2, -3.5}, nullptr, false);
  EXPECT_EQ(mRenderer->mTranslations, (std::vector<PointT<double>>{{0, 0}})); // bounds at the origin: no move
  // Snapped, not intersected: the negative height is flipped first.
  ExpectState(State(), {10, 20}, {5, 3, 7, 3});

  mRenderer->PushClip({4.5, -7.5, 1, 1}, {0, 0, 8, 8}, nullptr, false);
  ExpectState(State(), {4, -8}, {0, 0, 8, 8}); // d = (-5.5, -27.5) rounded away from zero

  mRenderer->PopState();
  mRenderer->PopState();
  ExpectState(State(), {10, 20}, {0, 0, 40, 30});
  mRenderer->PopState();
}

TEST_F(RendererTest, PushTranslationNeedsASavedStateAndRoundsHalfAwayFromZero) {
  mRenderer->PushTranslation({2.5, -2.5});
  ExpectState(State(), {0, 0}, kInitialClip);
  EXPECT_TRUE(mContext->mSavedStates.empty());
  mRenderer->PopState(); // nothing to pop either
  ExpectState(State(), {0, 0}, kInitialClip);

  mRenderer->PushClip({0, 0, 100, 100}, {0, 0, 100, 100}, nullptr, true);
  mRenderer->PushTranslation({2.5, -2.5});
  // The clip stays where it was in context pixels.
  ExpectState(State(), {3, -3}, {-3, 3, 100, 100});
  mRenderer->PopState();
  ExpectState(State(), {0, 0}, {0, 0, 100, 100});
  mRenderer->PopState();
}

TEST_F(RendererTest, NestedStencilsInstallTheCallersObjectThenACopyBySize) {
  const RCPtr<LStencil> stencil = LStencil::CreateForSize({30, 40});
  mRenderer->PushClip({0, 0, 100, 100}, {0, 0, 100, 100}, stencil, true);
  EXPECT_EQ(State().mStencil, stencil);
  EXPECT_TRUE(State().mStencilInstalled);

  mRenderer->PushClip({1, 1, 10, 10}, {0, 0, 10, 10}, stencil, true);
  ASSERT_FALSE(State().mStencil.IsNull());
  EXPECT_NE(State().mStencil, stencil);
  EXPECT_EQ(State().mStencil->GetSize(), (SizeT<std::int32_t>{30, 40}));
  EXPECT_EQ(State().mStencil->GetRect(), (RectT<std::int32_t>{0, 0, 30, 40}));

  mRenderer->PopState();
  EXPECT_EQ(State().mStencil, stencil);
  EXPECT_TRUE(State().mStencilInstalled);
  mRenderer->PopState();
  EXPECT_TRUE(State().mStencil.IsNull());
  EXPECT_FALSE(State().mStencilInstalled);
  EXPECT_EQ(stencil->GetRefCount(), 1); // every saved state let go of it
}

TEST_F(RendererTest, AutoClipScopesPushByFlavourAndAlwaysPopOnce) {
  const RCPtr<LRenderer> renderer = mRenderer;
  {
    CAutoClip outer(renderer, {10, 10, 50, 50}, {0, 0, 20, 20}, nullptr); // relative clip
    ExpectState(State(), {10, 10}, {0, 0, 10, 10});
    {
      ClipSpec spec;
      spec.mFlavor = kClipFlavorTranslation;
      spec.mTranslation = {1.5, 2.4};
      CAutoClip translation(renderer, spec);
      ExpectState(State(), {12, 12}, {-2, -2, 10, 10});
      {
        ClipSpec state;
        state.mFlavor = kClipFlavorState;
        CAutoClip saved(renderer, state);
        State().mAlpha = 0.25f;
        EXPECT_EQ(mContext->mSavedStates.size(), 3u);
      }
      EXPECT_EQ(State().mAlpha, 1.0f);
    }
    ClipSpec absolute;
    absolute.mFlavor = kClipFlavorClip;
    absolute.mBounds = {0, 0, 5, 5};
    absolute.mClip = {1, 1, 2, 2};
    absolute.mRelative = false;
    CAutoClip clip(renderer, absolute);
    ExpectState(State(), {0, 0}, {1, 1, 2, 2});
  }
  ExpectState(State(), {0, 0}, kInitialClip);
  EXPECT_TRUE(mContext->mSavedStates.empty());
}

TEST_F(RendererTest, AutoClipOfAnUnknownFlavourThrowsAndLetsTheRendererGo) {
  const RCPtr<LRenderer> renderer = mRenderer;
  ClipSpec spec;
  spec.mFlavor = 3;
  const std::int32_t before = renderer->GetRefCount();
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { CAutoClip clip(renderer, spec); }),
            "Runtime Error : Unknown PushClip flavor : QZ::CAutoClip::CAutoClip : Renderer\\Renderer : Line 405");
  EXPECT_EQ(renderer->GetRefCount(), before);
  EXPECT_TRUE(mContext->mSavedStates.empty());
}

TEST_F(RendererTest, ViewportAndStencilReplaceTheCurrentOnes) {
  EXPECT_EQ(mRenderer->SetViewport({1, 2, 3, 4}), S_OK);
  EXPECT_EQ(mContext->mViewport, (RectT<std::int32_t>{1, 2, 3, 4}));
  const RCPtr<LStencil> stencil = LStencil::CreateForSize({2, 2});
  EXPECT_EQ(mRenderer->SetStencil(stencil), S_OK);
  EXPECT_EQ(stencil->GetRefCount(), 2);
  EXPECT_EQ(mRenderer->SetStencil(nullptr), S_OK);
  EXPECT_EQ(stencil->GetRefCount(), 1);
}

// Random nests of every push against a model: each pop brings back exactly the
// state seen before its push, and the stack depth follows the pushes that push.
TEST_F(RendererTest, RandomNestsOfPushesRestoreEveryStateOnPop) {
  std::mt19937 random(20261210);
  std::uniform_real_distribution<double> coordinate(-300.0, 300.0);
  std::uniform_real_distribution<double> size(-20.0, 200.0);
  const RCPtr<LStencil> stencil = LStencil::CreateForSize({16, 16});
  struct Saved {
    bool pushed;
    RenderState state;
  };
  std::vector<Saved> model;

  for (int step = 0; step < 4000; ++step) {
    const int action = static_cast<int>(random() % 5);
    if (action == 4 || model.size() > 12) {
      if (model.empty())
        continue;
      const Saved expected = model.back();
      model.pop_back();
      mRenderer->PopState();
      if (expected.pushed) {
        EXPECT_EQ(State().mOrigin, expected.state.mOrigin);
        EXPECT_EQ(State().mClip, expected.state.mClip);
        EXPECT_EQ(State().mAlpha, expected.state.mAlpha);
        EXPECT_EQ(State().mStencil, expected.state.mStencil);
        EXPECT_EQ(State().mStencilInstalled, expected.state.mStencilInstalled);
      }
    } else {
      const RenderState before = State();
      const bool willPush = action != 2 || !mContext->mSavedStates.empty();
      switch (action) {
      case 0:
      case 1:
        mRenderer->PushClip({coordinate(random), coordinate(random), size(random), size(random)},
                            {coordinate(random), coordinate(random), size(random), size(random)},
                            random() % 3 == 0 ? stencil : nullptr, action == 0);
        break;
      case 2:
        mRenderer->PushTranslation({coordinate(random), coordinate(random)});
        break;
      default:
        mRenderer->PushState();
        break;
      }
      State().mAlpha = static_cast<float>(random() % 100) / 100.0f;
      model.push_back({willPush, before});
      // Origins stay whole numbers: every translation is rounded.
      ASSERT_EQ(State().mOrigin.x, std::trunc(State().mOrigin.x));
    }
    std::size_t depth = 0;
    for (const Saved& s : model)
      depth += s.pushed ? 1 : 0;
    ASSERT_EQ(mContext->mSavedStates.size(), depth);
  }
  while (!model.empty()) {
    mRenderer->PopState();
    model.pop_back();
  }
  EXPECT_TRUE(mContext->mSavedStates.empty());
}

TEST(RendererCreate, MakesTheStubForType2AndRefusesUnknownTypes) {
  const RCPtr<LRenderer> renderer = LRenderer::Create(kRendererTypeD3D9, {0, 0, 100, 100}, nullptr);
  ASSERT_FALSE(renderer.IsNull());
  EXPECT_EQ(renderer->GetRendererType(), 2);
  for (const std::int32_t type : {3, -1, 1000}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(ThrownText<std::domain_error>([&] { (void)LRenderer::Create(type, {}, nullptr); }),
              "Domain Error : QZ::LRenderer::Create : Renderer\\Renderer : Line 129");
  }
}

TEST(RendererCreate, RegisteredBackEndsAreMadeByTheirTypeAndUnregisteredOnesRefused) {
  static WindowHandle sSeenWindow = nullptr;
  const LRenderer::BackEndFactory stub = [](const RectT<std::int32_t>&, WindowHandle window) -> RCPtr<LRenderer> {
    sSeenWindow = window;
    return MakeRCPtr<LD3D9Renderer>();
  };
  int window = 0;
  EXPECT_EQ(ThrownText<std::domain_error>([&] { (void)LRenderer::Create(kRendererTypeOpenGL, {}, &window); }),
            "Domain Error : QZ::LRenderer::Create : Renderer\\Renderer : Line 129")
      << "no back end registered for type 0";
  EXPECT_EQ(LRenderer::RegisterBackEnd(kRendererTypeOpenGL, stub), nullptr);
  EXPECT_FALSE(LRenderer::Create(kRendererTypeOpenGL, {}, &window).IsNull());
  EXPECT_EQ(sSeenWindow, &window);
  EXPECT_EQ(LRenderer::RegisterBackEnd(3, stub), nullptr) << "unknown types cannot be registered";
  EXPECT_EQ(LRenderer::RegisterBackEnd(kRendererTypeOpenGL, nullptr), stub);
  EXPECT_THROW((void)LRenderer::Create(kRendererTypeOpenGL, {}, &window), std::domain_error);
}

} // namespace
} // namespace QZ
