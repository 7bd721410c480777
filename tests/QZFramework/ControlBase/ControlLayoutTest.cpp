#include "QZFramework/ControlBase/LookFixture.h"
#include "Support/NotificationTestSupport.h"

#include "QZFramework/ControlBase/Control.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::TestControl;
using Bounds = RectT<double>;
constexpr std::int32_t kX = LLayoutDescriptor::kAxisX;
constexpr std::int32_t kY = LLayoutDescriptor::kAxisY;

// A 300 x 200 top control without layout (so it is never laid out itself),
// with children laid out from layouts the tests shape.
class ControlLayoutTest : public test::LookFixture {
protected:
  void SetUp() override {
    LookFixture::SetUp();
    mTop = Make(RCPtr<LControl>(), u"top");
    mTop->SetSize(300, 200);
  }
  void TearDown() override {
    mTop = nullptr;
    LookFixture::TearDown();
  }

  // A child of parent with a new layout shaped by shape, laid out once.
  static RCPtr<TestControl> Child(const RCPtr<LControl>& parent, const char16_t* name,
                                  const std::function<void(LLayoutDescriptor&)>& shape) {
    RCPtr<TestControl> child = Make(parent, name);
    RCPtr<LLayoutDescriptor> layout = MakeRCPtr<LLayoutDescriptor>();
    shape(*layout);
    child->SetLayout(layout);
    child->UpdateLayout();
    return child;
  }
  // Gives the control one selected look of that name and the test font.
  void GiveLook(const RCPtr<TestControl>& control, const char16_t* look, bool wrap = false) {
    control->AddLook(LLook::Create(mFactory->FindLook(WideString(look)), wrap));
    control->SelectLook(0);
    control->SetFont(TestFont());
  }

  RCPtr<TestControl> mTop;
};

TEST_F(ControlLayoutTest, ComputesPositionAndSizeFromTheReferences) {
  Child(mTop, u"left", [](LLayoutDescriptor& l) {
    l.mPlacement[kX].mAbsolute = 30;
    l.mSize[kX].mAbsolute = 50;
  });
  struct Case {
    const char* what;
    std::function<void(LLayoutDescriptor&)> shape;
    double x;
    double width;
  } cases[] = {
      {"anchor 0.5 at the client's middle",
       [](LLayoutDescriptor& l) {
         l.mPlacement[kX] = {0.5f, kPositionClient, {}, 0.5f, 0, false};
         l.mSize[kX].mAbsolute = 100;
       },
       100, 100},
      {"far edge at the client's right minus 10",
       [](LLayoutDescriptor& l) {
         l.mPlacement[kX].mAbsolute = 20;
         l.mSize[kX] = {kSizeClient, {}, 1.0f, -10};
       },
       20, 270},
      {"far edge beyond an anchor of 1 gives no size",
       [](LLayoutDescriptor& l) {
         l.mPlacement[kX] = {1.0f, kPositionClient, {}, 0, 20, false};
         l.mSize[kX] = {kSizeClient, {}, 1.0f, -10};
       },
       20, 0},
      {"far edge before an anchor of 1",
       [](LLayoutDescriptor& l) {
         l.mPlacement[kX] = {1.0f, kPositionClient, {}, 1.0f, 0, false};
         l.mSize[kX] = {kSizeClient, {}, 0.5f, 0};
       },
       150, 150},
      {"a missing sibling counts as empty at 0",
       [](LLayoutDescriptor& l) {
         l.mPlacement[kX] = {0, kPositionControl, WideString(u"nobody"), 1.0f, 7, false};
       },
       7, 16},
      {"after a sibling",
       [](LLayoutDescriptor& l) { l.mPlacement[kX] = {0, kPositionControl, WideString(u"left"), 1.0f, 5, false}; },
       85, 16},
      {"as wide as up to a sibling's right edge",
       [](LLayoutDescriptor& l) {
         l.mSize[kX] = {kSizeControl, WideString(u"left"), 1.0f, 0};
       },
       0, 80},
      {"a negative own size is none", [](LLayoutDescriptor& l) { l.mSize[kX].mAbsolute = -5; }, 0, 0},
      {"fractions round by edges",
       [](LLayoutDescriptor& l) {
         l.mPlacement[kX] = {0.5f, kPositionClient, {}, 0, 10, false};
         l.mSize[kX].mAbsolute = 5;
       },
       8, 5},
  };
  std::int32_t n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::u16string name = u"c" + std::u16string(1, static_cast<char16_t>(u'a' + n++));
    const RCPtr<TestControl> child = Child(mTop, name.c_str(), c.shape);
    EXPECT_EQ(child->GetBounds().x, c.x);
    EXPECT_EQ(child->GetBounds().width, c.width);
  }
}

TEST_F(ControlLayoutTest, ParentClientAreaAndScrollOffsetPlaceChildren) {
  GiveLook(mTop, u"Framed"); // client area at (1, 1), 94 x 23 in a 100 x 30 look
  mTop->SetSize(300, 200);   // the look follows only through SetBounds
  mTop->SetBounds({0, 0}, {100, 30});
  const RCPtr<TestControl> onParent = Child(mTop, u"p", [](LLayoutDescriptor& l) {
    l.mPlacement[kX].mReference = kPositionParent;
    l.mSize[kX] = {kSizeParent, {}, 1.0f, 0};
  });
  EXPECT_EQ(onParent->GetBounds().x, -1);
  EXPECT_EQ(onParent->GetBounds().width, 100);
  const RCPtr<TestControl> inClient = Child(mTop, u"c", [](LLayoutDescriptor& l) {
    l.mPlacement[kY].mAbsolute = 20;
    l.mSize[kX] = {kSizeClient, {}, 1.0f, 0};
  });
  EXPECT_EQ(inClient->GetBounds(), (Bounds{0, 20, 94, 40}));
  mTop->SetScrollOffset({0, 10});
  EXPECT_EQ(inClient->GetOffsetInParent(), (PointT<double>{1, 11}));
  EXPECT_EQ(inClient->GetPositionInRoot(), (PointT<double>{1, 11}));
  EXPECT_EQ(mTop->GetLocalBounds(), (Bounds{0, 0, 94, 23}));
  EXPECT_EQ(mTop->GetVisibleContentRect(), (Bounds{0, 10, 94, 23}));
  PointT<double> point{5, 5};
  EXPECT_EQ(inClient->ConvertPointFrom(*mTop, point), (PointT<double>{4, -6}));
}

TEST_F(ControlLayoutTest, DockedChildStaysPutWhileTheContentScrolls) {
  // The undocked child comes first: a docked child that moves lays out the
  // siblings after it, but scrolling itself lays out only docked children.
  const RCPtr<TestControl> free =
      Child(mTop, u"free", [](LLayoutDescriptor& l) { l.mPlacement[kY].mAbsolute = 10; });
  const RCPtr<TestControl> docked = Child(mTop, u"docked", [](LLayoutDescriptor& l) {
    l.mPlacement[kY].mAbsolute = 10;
    l.mPlacement[kY].mDocked = true;
  });
  free->GetLayout()->mPlacement[kY].mAbsolute = 99; // would move it, were it laid out again
  mTop->SetScrollOffset({0, 40});
  EXPECT_EQ(docked->GetBounds().y, 50);
  EXPECT_EQ(docked->GetOffsetInParent().y, 10);
  mTop->SetScrollOffset({0, 70});
  EXPECT_EQ(docked->GetBounds().y, 80);
  EXPECT_EQ(docked->GetOffsetInParent().y, 10);
  EXPECT_EQ(free->GetBounds().y, 10);
  EXPECT_EQ(mTop->GetChildrenBounds(), (Bounds{0, 10, 16, 40})); // the docked child does not count
}

TEST_F(ControlLayoutTest, ScrollOffsetIsRoundedAndAnnouncedOnce) {
  std::vector<std::string> log;
  const RCPtr<test::LoggingClient> client = test::MakeClient("c", &log);
  ASSERT_TRUE(client->Subscribe(mTop, u"NID_SCROLL_OFFSET_CHANGE"));
  mTop->mInvalidated.clear();
  EXPECT_EQ(mTop->SetScrollOffset({10.4, -0.5}), (PointT<double>{10, -1}));
  EXPECT_EQ(mTop->SetScrollOffset({10.2, -0.6}), (PointT<double>{10, -1}));
  EXPECT_EQ(log, std::vector<std::string>{"c:NID_SCROLL_OFFSET_CHANGE"});
  EXPECT_EQ(mTop->mInvalidated, std::vector<Bounds>{(Bounds{0, 0, 300, 200})});
  client->UnsubscribeAll();
}

TEST_F(ControlLayoutTest, ScrollingUnderArestingMouseFindsTheControlAgain) {
  const RCPtr<test::FakeRootWindow> root = MakeRCPtr<test::FakeRootWindow>();
  root->SetRootControl(mTop);
  root->mHover = true;
  root->mCursor = {50, 60};
  mTop->SetScrollOffset({0, 5});
  root->mCursor = {350, 60}; // outside the control
  mTop->SetScrollOffset({0, 6});
  root->mHover = false;
  root->mCursor = {50, 60};
  mTop->SetScrollOffset({0, 7});
  EXPECT_EQ(root->mHitTests, std::vector<PointT<std::int32_t>>{(PointT<std::int32_t>{50, 60})});
  root->SetRootControl(RCPtr<LControl>());
}

TEST_F(ControlLayoutTest, NewBoundsGoToChildrenLaterSiblingsAndNowhereWhenUnchanged) {
  const RCPtr<TestControl> a = Child(mTop, u"a", [](LLayoutDescriptor& l) { l.mSize[kX].mAbsolute = 50; });
  const RCPtr<TestControl> b = Child(mTop, u"b", [](LLayoutDescriptor& l) {
    l.mPlacement[kX] = {0, kPositionControl, WideString(u"a"), 1.0f, 5, false};
  });
  const RCPtr<TestControl> wide = Child(mTop, u"wide", [](LLayoutDescriptor& l) {
    l.mSize[kX] = {kSizeClient, {}, 1.0f, -10};
  });
  EXPECT_EQ(b->GetBounds().x, 55);

  a->mInvalidated.clear();
  EXPECT_EQ(a->SetBounds({0, 0}, {50, 40}), S_FALSE);
  EXPECT_TRUE(a->mInvalidated.empty());

  SizeSpec size;
  size.mAbsolute = 70;
  EXPECT_EQ(a->SetAxisPlacement(kX, a->GetLayout()->mPlacement[kX], size), S_OK);
  EXPECT_EQ(b->GetBounds().x, 75); // the later sibling follows
  EXPECT_EQ(a->mInvalidated, (std::vector<Bounds>{{0, 0, 50, 40}, {0, 0, 70, 40}}));

  mTop->SetBounds({0, 0}, {400, 200});
  EXPECT_EQ(wide->GetBounds().width, 390); // the container's new size reached the child
  EXPECT_EQ(a->SetAxisPlacement(2, AxisPlacement{}, size), S_FALSE);
  const std::int32_t stamp = mTop->GetChildren().GetChangeStamp();
  AxisPlacement docked = a->GetLayout()->mPlacement[kY];
  docked.mDocked = true;
  EXPECT_EQ(a->SetAxisPlacement(kY, docked, a->GetLayout()->mSize[kY]), S_OK);
  EXPECT_NE(mTop->GetChildren().GetChangeStamp(), stamp);
}

// Records where each control's repaint of its new rectangle falls among all the controls' (the last step of a
// change of bounds).
class OrderedControl : public test::TestControl {
public:
  OrderedControl(const RCPtr<LControl>& parent, const WideString& name, std::vector<std::string>& log)
      : TestControl(parent, name), mLog(log) {}
  void OnSizeChanged() override { mLog.push_back(GetName().ToNarrow().GetChars()); }
  std::vector<std::string>& mLog;
};

TEST_F(ControlLayoutTest, AChainOfSiblingsFollowsInTheOrderOfNestedWalksAndWithoutDeepRecursion) {
  // Each sibling stands one pixel right of the one before; the first one's new width moves them all.
  struct Case {
    int count;
  };
  for (const Case& c : {Case{3}, Case{10000}}) {
    SCOPED_TRACE(c.count);
    const RCPtr<TestControl> top = Make(RCPtr<LControl>(), u"chainTop");
    top->SetSize(300, 200);
    std::vector<std::string> log;
    std::vector<RCPtr<OrderedControl>> chain;
    for (int i = 0; i < c.count; ++i) {
      WideString name;
      name.AssignNarrow(("c" + std::to_string(i)).c_str());
      const RCPtr<OrderedControl> control = MakeRCPtr<OrderedControl>(top, name, log);
      RCPtr<LLayoutDescriptor> layout = MakeRCPtr<LLayoutDescriptor>();
      layout->mSize[kX].mAbsolute = 2;
      if (i > 0) {
        layout->mPlacement[kX] = {0, kPositionControl, chain.back()->GetName(), 1.0f, 1, false};
      }
      control->SetLayout(layout);
      control->UpdateLayout();
      chain.push_back(control);
    }
    ASSERT_EQ(chain.back()->GetBounds().x, 3.0 * (c.count - 1));
    log.clear();
    SizeSpec width;
    width.mAbsolute = 12;
    EXPECT_EQ(chain.front()->SetAxisPlacement(kX, chain.front()->GetLayout()->mPlacement[kX], width), S_OK);
    EXPECT_EQ(chain.back()->GetBounds().x, 3.0 * (c.count - 1) + 10);
    ASSERT_EQ(log.size(), static_cast<std::size_t>(c.count));
    // The last sibling's change ends first, the first one's last: as each sibling's walk nested in the one before.
    EXPECT_EQ(log.front(), "c" + std::to_string(c.count - 1));
    EXPECT_EQ(log.back(), "c0");
    chain.clear();
    static_cast<void>(top->Close());
  }
}

TEST_F(ControlLayoutTest, AnEndlessRelativeFactorAgainstAnEmptyParentPlacesTheControlAtZero) {
  // Infinity times an empty parent's width is NaN: the rounding takes it as 0 instead of converting it.
  const RCPtr<TestControl> empty = Make(mTop, u"empty");
  const RCPtr<TestControl> child = Child(empty, u"child", [](LLayoutDescriptor& l) {
    l.mPlacement[kX] = {0, kPositionParent, {}, std::numeric_limits<float>::infinity(), 0, false};
    l.mSize[kX].mAbsolute = 10;
  });
  EXPECT_EQ(child->GetBounds().x, 0);
  EXPECT_EQ(child->GetBounds().width, 10);
}

TEST_F(ControlLayoutTest, ExpandGrowsWithTheTextUpToTheMaximumThenWraps) {
  auto label = [](LLayoutDescriptor& l) {
    l.mPlacement[kX].mAbsolute = 10;
    l.mSize[kX].mAbsolute = 40;
    l.mSize[kY].mAbsolute = 20;
    l.mTextOverflowX = kTextOverflowExpand;
  };
  const RCPtr<TestControl> grows = Child(mTop, u"grows", label);
  GiveLook(grows, u"Label");
  EXPECT_EQ(grows->SetText(WideString(u"abcdefghij")), S_OK);
  // 100 px of text in a text area of half the width (20 of 40): (100 - 20) / 0.5 more.
  EXPECT_EQ(grows->GetBounds(), (Bounds{10, 0, 200, 20}));
  EXPECT_FALSE(grows->IsTextTruncated());
  EXPECT_EQ(grows->MeasureNaturalSize(), (SizeT<double>{200, 0}));
  EXPECT_EQ(grows->GetBounds(), (Bounds{10, 0, 200, 20})); // the size spec came back

  const RCPtr<TestControl> capped = Child(mTop, u"capped", [&](LLayoutDescriptor& l) {
    label(l);
    l.mPlacement[kX].mAnchor = 0.5f;
    l.mPlacement[kX].mAbsolute = 100;
    l.mMaxSize[kX].mAbsolute = 120;
  });
  GiveLook(capped, u"Label");
  capped->SetText(WideString(u"abcde fghij"));
  EXPECT_EQ(capped->GetBounds(), (Bounds{40, 0, 120, 20})); // grew around its centre
  const RCPtr<LFontText>& block = capped->GetLook(0)->GetTextBlock();
  EXPECT_TRUE(block->GetWrap());
  EXPECT_EQ(block->GetLineCount(), 2);
  EXPECT_EQ(capped->GetFixedMaximumSize(), (SizeT<double>{120, 0}));

  // Expanding downwards: three lines of 14 in a text area as high as the control.
  const RCPtr<TestControl> tall = Child(mTop, u"tall", [&](LLayoutDescriptor& l) {
    label(l);
    l.mTextOverflowX = kTextOverflowClip;
    l.mTextOverflowY = kTextOverflowExpand;
  });
  GiveLook(tall, u"Label");
  tall->SetText(WideString(u"a\nb\nc"));
  EXPECT_EQ(tall->GetBounds(), (Bounds{10, 0, 40, 42}));

  // A text area of fixed width cannot catch up with the text: no growth.
  const RCPtr<TestControl> fixed = Child(mTop, u"fixed", label);
  GiveLook(fixed, u"FixedText");
  fixed->SetText(WideString(u"abcdefghij"));
  EXPECT_EQ(fixed->GetBounds().width, 40);
  EXPECT_TRUE(fixed->IsTextTruncated());
}

TEST_F(ControlLayoutTest, RelativeSizeLimitsFollowTheChildren) {
  const RCPtr<TestControl> box = Child(mTop, u"box", [](LLayoutDescriptor& l) { l.mSize[kX].mAbsolute = 10; });
  Child(box, u"one", [](LLayoutDescriptor& l) { l.mSize[kX].mAbsolute = 50; });
  Child(box, u"two", [](LLayoutDescriptor& l) {
    l.mPlacement[kX].mAbsolute = 60;
    l.mSize[kX].mAbsolute = 30;
  });
  Child(box, u"loose", [](LLayoutDescriptor& l) {
    l.mClipToParent = false;
    l.mSize[kX].mAbsolute = 500;
  });
  EXPECT_EQ(box->MeasureChildrenExtent(0, 2, kX), 90);  // the unclipped child is left out
  EXPECT_EQ(box->MeasureChildrenExtent(2, 2, kX), 500); // unless asked for alone
  EXPECT_EQ(box->MeasureChildrenExtent(1, 0, kX), 0);

  SizeLimitSpec children;
  children.mRelativeToControl = true;
  children.mControlName = WideString(SizeLimitSpec::kAllChildren);
  children.mRelative = 1.0f;
  EXPECT_EQ(box->SetAxisSizeLimits(kX, children, SizeLimitSpec{}), S_OK);
  EXPECT_EQ(box->GetBounds().width, 90);

  // A minimum edge before the control needs an anchor above 0 to move the near edge.
  box->GetLayout()->mMinSize[kX].mAbsolute = -100;
  PointT<double> position{0, 0};
  SizeT<double> size{10, 40};
  EXPECT_EQ(box->ApplyLayoutMinSize(position, size), E_FAIL);
  EXPECT_EQ(size.width, 10);
  box->GetLayout()->mPlacement[kX].mAnchor = 1.0f;
  EXPECT_EQ(box->ApplyLayoutMinSize(position, size), S_FALSE);
  EXPECT_EQ(position.x, -90);
  EXPECT_EQ(size.width, 100);

  // A maximum at one child's far edge pulls the far edge back to it.
  box->GetLayout()->mPlacement[kX].mAnchor = 0;
  SizeLimitSpec one = children;
  one.mControlName = WideString(u"one");
  EXPECT_EQ(box->SetAxisSizeLimits(kX, SizeLimitSpec{}, one), S_OK);
  position = {0, 0};
  size = {200, 40};
  EXPECT_EQ(box->ApplyLayoutMaxSize(position, size), S_FALSE);
  EXPECT_EQ(position.x + size.width, 50);
  EXPECT_EQ(box->GetBounds().width, 10);
  EXPECT_EQ(box->SetAxisSizeLimits(7, one, one), S_FALSE);
}

TEST_F(ControlLayoutTest, ChildrenBoundsAndContainment) {
  EXPECT_EQ(mTop->GetChildrenBounds(), (Bounds{2147483647, 2147483647, 1, 1}));
  Child(mTop, u"a", [](LLayoutDescriptor& l) {
    l.mPlacement[kX].mAbsolute = 10;
    l.mPlacement[kY].mAbsolute = 5;
  });
  const RCPtr<TestControl> b = Child(mTop, u"b", [](LLayoutDescriptor& l) {
    l.mPlacement[kX].mAbsolute = -3;
    l.mPlacement[kY].mAbsolute = 8;
  });
  EXPECT_EQ(mTop->GetChildrenBounds(), (Bounds{-3, 5, 29, 43}));

  // b lies at (-3, 8), 16 x 40: left and top edges in, right and bottom out.
  struct Case {
    PointT<std::int32_t> point;
    bool inside;
  } cases[] = {{{0, 0}, true}, {{15, 39}, true}, {{16, 0}, false}, {{0, 40}, false}, {{-1, 0}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
    EXPECT_EQ(b->ContainsPoint(c.point), c.inside);
  }
}

TEST_F(ControlLayoutTest, TopLevelControlsLayOutAgainstTheWindowAndScreen) {
  const RCPtr<TestControl> window = Make(RCPtr<LControl>(), u"window");
  RCPtr<LLayoutDescriptor> layout = MakeRCPtr<LLayoutDescriptor>();
  layout->mPlacement[kX] = {0.5f, kPositionParent, {}, 0.5f, 0, false};
  layout->mSize[kX].mAbsolute = 200;
  layout->mSize[kY] = {kSizeClient, {}, 1.0f, 0};
  window->SetLayout(layout);
  EXPECT_EQ(window->UpdateLayout(), E_FAIL); // no window to measure against

  test::FakeWindowOSServices os;
  os.mClientOrigin = {100, 50};
  const RCPtr<test::FakeRootWindow> root = MakeRCPtr<test::FakeRootWindow>(&os);
  mApp.mFirstRootWindow = root;
  EXPECT_EQ(window->UpdateLayout(), S_OK);
  // Centred on the work area (1920 wide), in the client space of a window at x 100.
  EXPECT_EQ(window->GetBounds(), (Bounds{760, 0, 200, 480}));
  mApp.mFirstRootWindow = nullptr;

  // New bounds of a top-level control resize its window at the same place.
  root->SetRootControl(window);
  root->mBounds = {30, 40, 640, 480};
  SizeSpec width;
  width.mAbsolute = 250;
  window->SetAxisPlacement(kX, layout->mPlacement[kX], width);
  EXPECT_EQ(root->mSetBounds, std::vector<RectT<std::int32_t>>{(RectT<std::int32_t>{30, 40, 250, 480})});
  root->mBounds = {30, 40, 250, 300};
  window->OnContainerResized({250, 300});
  EXPECT_EQ(window->GetBounds().height, 300);
  window->SetCreated();
  root->SetRootControl(RCPtr<LControl>());
  EXPECT_EQ(window->UpdateLayout(), E_FAIL); // created, and its window is gone
}

} // namespace
} // namespace QZ
