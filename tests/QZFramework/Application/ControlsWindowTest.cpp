// The standard controls from a skin in a real window under the offscreen
// driver, driven by simulated pointer and key events and the application's
// clock: the button's looks, toggle, radio, autorepeat and simulated clicks,
// Tab through nested panels, keys that climb the panels to the siblings and
// the application's hot keys, and a truncated label's tool tip.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/ToolTip.h"
#include "QZFramework/Notification/Notification.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 300;
constexpr std::int32_t kHeight = 150;

constexpr std::uint32_t kGray = 0xFF808080;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kRed = 0xFFFF0000;

// One colour per button look that the tests tell apart; the rest are gray.
struct SLookColor {
  const char* name;
  std::uint32_t argb;
};
constexpr SLookColor kButtonLooks[14] = {
    {"Gray", kGray},      {"Green", 0xFF00FF00},   {"Red", kRed},         {"Blue", 0xFF0000FF},
    {"Cyan", 0xFF00FFFF}, {"Magenta", 0xFFFF00FF}, {"White", kWhite},     {"Yellow", 0xFFFFFF00},
    {"Gray", kGray},      {"Gray", kGray},         {"Black", 0xFF000000}, {"Orange", 0xFFFF8000},
    {"Gray", kGray},      {"Purple", 0xFF800080},
};

std::string Hex(std::uint32_t argb) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", argb);
  return text;
}

std::string Button(const char* name, int x, int y, int w, int h, const std::string& params = "") {
  return "<SubControl Class=\"Framework.Button\" Name=\"" + std::string(name) + "\" XPositionAbs=\"" +
         std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" + std::to_string(w) +
         "\" YSizeAbs=\"" + std::to_string(h) + "\">" + params +
         "<Skin Name=\"s\" LookList=\"Button14\"/></SubControl>";
}

std::string Control(const char* cls, const char* name, int x, int y, int w, int h, const char* looks,
                    const std::string& children = "", const std::string& extra = "") {
  std::string text = "<SubControl Class=\"Framework." + std::string(cls) + "\" Name=\"" + name +
                     "\" XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) +
                     "\" XSizeAbs=\"" + std::to_string(w) + "\" YSizeAbs=\"" + std::to_string(h) + "\" " + extra +
                     ">";
  return text + "<Skin Name=\"s\" LookList=\"" + looks + "\">" + children + "</Skin></SubControl>";
}

std::string Params(std::initializer_list<std::pair<const char*, const char*>> params) {
  std::string text = "<CreateParamList>";
  for (const auto& [id, value] : params)
    text += "<CreateParam ID=\"" + std::string(id) + "\">" + value + "</CreateParam>";
  return text + "</CreateParamList>";
}

// The render fixture's looks with more solid colours, the fourteen-look button
// list and this window:
//   main panel > [outer panel > [first (toggle), nested panel > [a, b (radio)], d], after,
//                 caption and edge (labels)]
// with the top-level "toolTip" entry the controls' tips are made from.
std::string Skin() {
  std::string text = test::RenderTreeSkinText();
  std::string colorizers, parts, looks;
  for (const SLookColor& color : kButtonLooks) {
    const std::string name = color.name;
    if (name == "Gray" || name == "Red" || name == "Green" || name == "Blue" || name == "White" ||
        looks.find("\"" + name + "Look\"") != std::string::npos)
      continue;
    colorizers += "<Colorizer Name=\"" + name + "\" ColorType=\"SolidFill\" Color=\"" + Hex(color.argb) + "\"/>";
    parts += "<Part Name=\"" + name + "Fill\" ColorizerName=\"" + name +
             "\" Width=\"10\" Height=\"10\" ResizeType=\"Stretch\"/>";
    looks += "<Look Name=\"" + name + "Look\"><ClientPart Name=\"" + name +
             "Fill\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/></Look>";
  }
  std::string list = "<LookList Name=\"Button14\" NumLooks=\"14\">";
  for (int i = 0; i < 14; ++i)
    list += "<Look Name=\"" + std::string(kButtonLooks[i].name) + "Look\" Index=\"" + std::to_string(i) + "\"/>";
  list += "</LookList>";
  text.insert(text.find("</Colorizers>"), colorizers);
  text.insert(text.find("</Parts>"), parts);
  text.insert(text.find("</Looks>"), looks);
  text.insert(text.find("</LookLists>"), list);

  const std::string radio = Params({{"IS_RADIO", "True"}, {"AUTO_VALUE_SET", "True"}});
  const std::string nested = Control("Panel", "nested", 50, 0, 100, 40, "White",
                                     Button("a", 0, 10, 20, 20, radio) + Button("b", 30, 10, 20, 20, radio));
  const std::string outer = Control("Panel", "outer", 0, 0, 200, 60, "White",
                                    Button("first", 10, 10, 30, 20, Params({{"AUTO_VALUE_SET", "true"}})) +
                                        nested + Button("d", 160, 10, 30, 20));
  const std::string main =
      Control("Panel", "main", 0, 0, kWidth, kHeight, "White",
              outer + Button("after", 10, 70, 30, 20) + Control("Label", "caption", 60, 70, 40, 20, "Gray") +
                  Control("Label", "edge", 240, 110, 60, 40, "Gray"));
  const std::string tip =
      Control("ToolTip", "toolTip", 0, 0, 60, 12, "Red", "", "ClipToParent=\"False\" Z_Order=\"9999\"");
  return test::WithSkins(text, "<Skin Name=\"Main\">" + main + tip + "</Skin>");
}

class Log : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    mEntries.push_back(WideString(notification->GetID()).ToNarrow().GetChars());
    return 0;
  }
  int Count(const std::string& id) const {
    int count = 0;
    for (const std::string& entry : mEntries)
      count += entry == id ? 1 : 0;
    return count;
  }
  std::vector<std::string> mEntries;
};

class ControlsWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    LToolTip::LastHideTime() = 0;
    OpenSkinWindow(Skin(), kWidth, kHeight);
    ASSERT_TRUE(DynamicCast<LPanel>(mMain));
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    ASSERT_TRUE(OSWindow::PumpWindowEvents());
    mLog = MakeRCPtr<Log>();
  }
  void TearDown() override {
    for (const RCPtr<LControl>& control : mListened)
      control->UnregisterClientFromAll(mLog);
    mListened.clear();
    SkinWindowFixture::TearDown();
  }

  template <class T = LButton>
  RCPtr<T> Find(const char16_t* path) {
    RCPtr<LControl> control = mMain;
    std::u16string rest = path;
    while (control && !rest.empty()) {
      const std::size_t dot = rest.find(u'.');
      control = control->FindChild(WideString(rest.substr(0, dot).c_str()));
      rest = dot == std::u16string::npos ? u"" : rest.substr(dot + 1);
    }
    return DynamicCast<T>(control);
  }
  void Listen(const RCPtr<LControl>& control) {
    for (const char16_t* id : {u"NID_LEFT_CLICK", u"NID_VALUE_CHANGE", u"NID_BUTTON_AUTOREPEAT"})
      control->RegisterClient(mLog, id);
    mListened.push_back(control);
  }
  void Move(Platform::WindowPoint point) {
    ASSERT_TRUE(mSimulator.MovePointer(mId, point));
    ASSERT_TRUE(OSWindow::PumpWindowEvents());
  }
  void Click(Platform::WindowPoint point, bool release = true) {
    Move(point);
    ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, point));
    ASSERT_TRUE(OSWindow::PumpWindowEvents());
    if (release) {
      ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, point));
      ASSERT_TRUE(OSWindow::PumpWindowEvents());
    }
  }
  void Key(std::uint32_t virtualKey, bool shift = false) {
    if (shift) {
      ASSERT_TRUE(mSimulator.Key(mId, 0x10, true));
    }
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, true));
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, false));
    if (shift) {
      ASSERT_TRUE(mSimulator.Key(mId, 0x10, false));
    }
    ASSERT_TRUE(OSWindow::PumpWindowEvents());
  }
  std::string Focused() {
    const RCPtr<LControl> focus = mWindow->GetRootWindow()->GetFocusedControl();
    return focus ? focus->GetName().ToNarrow().GetChars() : "none";
  }

  RCPtr<Log> mLog;
  std::vector<RCPtr<LControl>> mListened;
};

std::uint32_t Look(std::int32_t index) { return kButtonLooks[index].argb; }

TEST_F(ControlsWindowTest, TheButtonsLookFollowsThePointerTheToggleFlipsAndARadioButtonTurnsTheOthersOff) {
  const RCPtr<LButton> first = Find(u"outer.first");
  const RCPtr<LButton> a = Find(u"outer.nested.a");
  const RCPtr<LButton> b = Find(u"outer.nested.b");
  ASSERT_TRUE(first && a && b);
  Listen(first);
  ASSERT_EQ(Find(u"after")->SetFocus(true), S_OK);
  EXPECT_EQ(PaintAndRead(20, 20), Look(0));
  Move({20, 20});
  EXPECT_EQ(PaintAndRead(20, 20), Look(1)) << "hover";
  Click({20, 20}, false);
  EXPECT_EQ(PaintAndRead(20, 20), Look(5)) << "focused and pressed";
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {20, 20}));
  EXPECT_EQ(PaintAndRead(20, 20), Look(11)) << "on, focused, hovered";
  EXPECT_EQ(mLog->mEntries, (std::vector<std::string>{"NID_VALUE_CHANGE", "NID_LEFT_CLICK"}));
  Move({250, 30});
  EXPECT_EQ(PaintAndRead(20, 20), Look(10)) << "on and focused";
  Click({20, 20});
  EXPECT_FALSE(first->IsOn()) << "a toggle flips back";

  Click({55, 20});
  EXPECT_TRUE(a->IsOn());
  Click({85, 20});
  EXPECT_TRUE(b->IsOn());
  EXPECT_FALSE(a->IsOn());
  EXPECT_EQ(PaintAndRead(55, 20), Look(0));
  EXPECT_EQ(PaintAndRead(85, 20), Look(11));
  Click({85, 20});
  EXPECT_TRUE(b->IsOn()) << "a radio button stays on";

  Find<LPanel>(u"outer.nested")->SetEnabled(false);
  EXPECT_EQ(PaintAndRead(55, 20), Look(6)) << "disabled";
  EXPECT_EQ(PaintAndRead(85, 20), Look(13)) << "disabled and on";
}

TEST_F(ControlsWindowTest, AutorepeatAndSimulatedClicksRunOnTheApplicationsClock) {
  const RCPtr<LButton> d = Find(u"outer.d");
  ASSERT_TRUE(d);
  Listen(d);
  d->SetAutoRepeat(true);
  mApp->mMilliseconds = 1000;
  Click({170, 20}, false);
  EXPECT_EQ(mLog->Count("NID_BUTTON_AUTOREPEAT"), 1) << "the press is the first repeat";
  for (const auto& [ms, repeats] : {std::pair{1299u, 1}, {1301u, 2}, {1400u, 2}, {1402u, 3}}) {
    SCOPED_TRACE(ms);
    IdleAt(ms);
    EXPECT_EQ(mLog->Count("NID_BUTTON_AUTOREPEAT"), repeats);
  }
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {170, 20}));
  ASSERT_TRUE(OSWindow::PumpWindowEvents());
  IdleAt(2000);
  EXPECT_EQ(mLog->Count("NID_BUTTON_AUTOREPEAT"), 3);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 1);
  d->SetAutoRepeat(false);

  // Enter on the focused button: the pressed look for 0.15 s, then the click.
  ASSERT_EQ(Focused(), "d");
  Move({250, 30});
  Key(0x0D);
  EXPECT_TRUE(d->IsSimulatedClickPending());
  EXPECT_EQ(PaintAndRead(170, 20), Look(2));
  IdleAt(2149);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 1);
  IdleAt(2151);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 2);
  EXPECT_EQ(PaintAndRead(170, 20), Look(3)) << "focused after the click";

  // "NID_SIMULATE_CLICK" is ignored while the button is disabled.
  const RCPtr<LNotification> simulate = LNotification::Create(u"NID_SIMULATE_CLICK");
  Find<LPanel>(u"outer")->SetEnabled(false);
  EXPECT_EQ(d->Receive(RCPtr<LNotificationDistributor>(), simulate), 1);
  EXPECT_FALSE(d->IsSimulatedClickPending());
  Find<LPanel>(u"outer")->SetEnabled(true);
  EXPECT_EQ(d->Receive(RCPtr<LNotificationDistributor>(), simulate), 1);
  EXPECT_TRUE(d->IsSimulatedClickPending());
  IdleAt(2400);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 3);
}

TEST_F(ControlsWindowTest, TabWalksTheNestedPanelsAndPassesAPanelOfDisabledButtonsBy) {
  ASSERT_EQ(Find(u"outer.first")->SetFocus(true), S_OK);
  for (const char* expected : {"a", "b", "d", "after", "first"}) {
    Key(0x09);
    EXPECT_EQ(Focused(), expected) << "labels are skipped; only the top wraps";
  }
  Key(0x09, true);
  EXPECT_EQ(Focused(), "after");

  Find(u"outer.nested.a")->SetEnabled(false);
  Find(u"outer.nested.b")->SetEnabled(false);
  ASSERT_EQ(Find(u"outer.first")->SetFocus(true), S_OK);
  Key(0x09);
  EXPECT_EQ(Focused(), "d");
  Key(0x09, true);
  EXPECT_EQ(Focused(), "first");
}

TEST_F(ControlsWindowTest, UnusedKeysClimbThePanelsToASiblingsHotKeyAndToTheApplications) {
  const RCPtr<LButton> a = Find(u"outer.nested.a");
  Listen(a);
  // F5 on "a" clicks it, as a skin's local hot key would bind it.
  ASSERT_EQ(a->AddLocalHotKey(KeyCode(0x74, true, 0, 0), WideString(u"NID_SIMULATE_CLICK")), S_OK);
  ASSERT_EQ(a->LoadLocalHotKeys(), S_OK);
  ASSERT_EQ(
      mApp->GetGlobalHotKeyManager()->GetHotKeyMap().AddKey(KeyCode(0x77, true, 0, 0), WideString(u"NID_TEST_F8")),
      S_OK);
  const RCPtr<Log> application = MakeRCPtr<Log>();
  application->Subscribe(RCPtr<LNotificationDistributor>(GetApplicationNotificationCenter().GetRaw()),
                         u"NID_TEST_F8");

  // From "after" in the main panel the key goes down through outer and nested.
  ASSERT_EQ(Find(u"after")->SetFocus(true), S_OK);
  mApp->mMilliseconds = 1000;
  Key(0x74);
  EXPECT_TRUE(a->IsSimulatedClickPending());
  EXPECT_EQ(Focused(), "a");
  IdleAt(1151);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 1);

  // From "d" in outer: up one panel, then down into nested.
  ASSERT_EQ(Find(u"outer.d")->SetFocus(true), S_OK);
  Key(0x74);
  EXPECT_TRUE(a->IsSimulatedClickPending());
  IdleAt(1400);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 2);

  // A key nobody binds climbs from "b" to the top and on to the application.
  ASSERT_EQ(Find(u"outer.nested.b")->SetFocus(true), S_OK);
  Key(0x77);
  IdleAt(1500);
  EXPECT_EQ(application->mEntries, std::vector<std::string>{"NID_TEST_F8"});
  application->UnsubscribeAll();
}

TEST_F(ControlsWindowTest, ATruncatedLabelsTipWaitsShowsBelowThePointerGoesAndTheNextComesAtOnce) {
  const RCPtr<LLabel> caption = Find<LLabel>(u"caption");
  const RCPtr<LLabel> edge = Find<LLabel>(u"edge");
  ASSERT_TRUE(caption && edge);
  static_cast<void>(caption->SetText(WideString(u"a caption much too long")));
  static_cast<void>(edge->SetText(WideString(u"another long one")));
  ASSERT_TRUE(caption->IsTextTruncated());

  mApp->mMilliseconds = 1000;
  Move({70, 75});
  const RCPtr<LToolTip> tip = DynamicCast<LToolTip>(caption->FindChild(WideString(u"toolTip")));
  ASSERT_TRUE(tip) << "made from the skin's entry by the base";
  EXPECT_TRUE(tip->GetText().IsEqual(u"a caption much too long"));
  EXPECT_EQ(tip->GetDisplayState(), LToolTip::kWaiting);
  IdleAt(1500);
  EXPECT_EQ(PaintAndRead(75, 100), kWhite) << "still waiting";
  IdleAt(1501);
  EXPECT_EQ(tip->GetDisplayState(), LToolTip::kShown);
  EXPECT_EQ(tip->GetPositionInRoot(), (PointT<double>{70, 95})) << "20 pixels below the pointer";
  EXPECT_EQ(PaintAndRead(75, 100), kRed);
  IdleAt(6502);
  EXPECT_EQ(tip->GetDisplayState(), LToolTip::kHidden) << "gone after 5 s";
  IdleAt(6503);
  EXPECT_FALSE(caption->FindChild(WideString(u"toolTip"))) << "closed";
  EXPECT_EQ(PaintAndRead(75, 100), kWhite);

  // The next tip within 50 ms of that one shows at once, pushed back inside
  // the window at the right and bottom edges.
  mApp->mMilliseconds = 6540;
  Move({295, 140});
  const RCPtr<LToolTip> next = DynamicCast<LToolTip>(edge->FindChild(WideString(u"toolTip")));
  ASSERT_TRUE(next);
  EXPECT_EQ(next->GetDisplayState(), LToolTip::kShown);
  EXPECT_EQ(next->GetPositionInRoot(), (PointT<double>{kWidth - 60, kHeight - 12}));
  EXPECT_EQ(PaintAndRead(kWidth - 1, kHeight - 1), kRed);

  // A press hides it.
  Click({295, 140});
  EXPECT_EQ(next->GetDisplayState(), LToolTip::kHidden);
  IdleAt(6600);
  EXPECT_FALSE(edge->FindChild(WideString(u"toolTip")));
}

// Closes a control when the button it listens to is clicked: the common case of a dialog's Close button.
class CloseOnClick : public LNotificationClient {
public:
  explicit CloseOnClick(RCPtr<LControl> target) : mTarget(std::move(target)) {}
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) override {
    if (mTarget)
      static_cast<void>(mTarget->Close());
    mTarget = RCPtr<LControl>();
    return 0;
  }
  RCPtr<LControl> mTarget;
};

TEST_F(ControlsWindowTest, AButtonThatClosesItsPanelInItsClickLeavesTheWindowFreeForTheNextClick) {
  const RCPtr<LButton> a = Find(u"outer.nested.a");
  const RCPtr<LPanel> nested = Find<LPanel>(u"outer.nested");
  const RCPtr<LButton> after = Find(u"after");
  ASSERT_TRUE(a && nested && after);
  const RCPtr<CloseOnClick> closer = MakeRCPtr<CloseOnClick>(nested);
  a->RegisterClient(closer, u"NID_LEFT_CLICK");
  Listen(after);

  Click({55, 20});
  EXPECT_FALSE(nested->GetParent()) << "the panel left the tree in the click";
  EXPECT_FALSE(mWindow->GetRootWindow()->GetCaptureControl());
  EXPECT_FALSE(a->IsCaptured());

  Move({20, 80});
  EXPECT_EQ(mWindow->GetRootWindow()->GetHoverControl(), RCPtr<LControl>(after)) << "hover follows at once";
  Click({20, 80});
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 1) << "the sibling gets its click";
  a->UnregisterClientFromAll(closer);
}

TEST_F(ControlsWindowTest, AButtonTakenOutOfTheTreeWhilePressedGivesUpThePointerAndNeverClicks) {
  enum class How { kClose, kCloseLater, kDetach };
  for (const How how : {How::kClose, How::kCloseLater, How::kDetach}) {
    SCOPED_TRACE(static_cast<int>(how));
    const RCPtr<LPanel> outer = Find<LPanel>(u"outer");
    const RCPtr<LButton> first = Find(u"outer.first");
    const RCPtr<LButton> after = Find(u"after");
    ASSERT_TRUE(outer && first && after);
    Listen(first);
    Listen(after);
    Click({20, 20}, false);
    ASSERT_TRUE(first->IsCaptured());
    switch (how) {
    case How::kClose:
      static_cast<void>(first->Close());
      break;
    case How::kCloseLater:
      ASSERT_EQ(outer->CloseChildLater(first), S_OK);
      break;
    case How::kDetach:
      static_cast<void>(first->SetParent(RCPtr<LControl>()));
      break;
    }
    EXPECT_FALSE(first->IsCaptured());
    EXPECT_FALSE(mWindow->GetRootWindow()->GetCaptureControl());
    ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {20, 20}));
    ASSERT_TRUE(OSWindow::PumpWindowEvents());
    EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 0) << "the hidden button does not click";
    Click({20, 80});
    EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 1) << "the next click reaches the sibling";
    IdleAt(1000);
    EXPECT_EQ(outer->GetCloseLaterCount(), 0u);

    // A fresh window for the next way.
    TearDown();
    SetUp();
  }
}

TEST_F(ControlsWindowTest, AFocusedButtonThatShrinksToNothingHandsTheFocusOn) {
  const RCPtr<LButton> after = Find(u"after");
  ASSERT_TRUE(after);
  ASSERT_EQ(after->SetFocus(true), S_OK);
  ASSERT_EQ(Focused(), "after");
  const RCPtr<LLayoutDescriptor>& layout = after->GetLayout();
  ASSERT_TRUE(layout);
  SizeSpec width = layout->mSize[0];
  width.mAbsolute = 0;
  static_cast<void>(after->SetAxisPlacement(0, layout->mPlacement[0], width));
  ASSERT_EQ(after->GetBounds().width, 0);
  EXPECT_EQ(Focused(), "first") << "the parent passed the focus to its first focusable control";
  Key(0x09); // Tab
  EXPECT_EQ(Focused(), "a") << "the keyboard works on";
}

} // namespace
} // namespace QZ
