// The way of a key through the base control: the focused control's own local
// hot keys, HandleKey, Tab, the siblings' local hot keys in their order, the
// root window's and the application's hot keys.

#include "QZFramework/ControlBase/ControlTreeFixture.h"

#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/Notification/Notification.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

using test::ControlTreeFixture;
using test::FakeRootWindow;
using test::TestControl;

using Log = std::vector<std::string>;

constexpr std::uint8_t kF5 = 0x74;
constexpr std::uint8_t kTab = 0x09;

KeyCode Pressed(std::uint8_t virtualKey, std::uint32_t modifiers = 0) {
  return KeyCode(virtualKey, true, 0, modifiers);
}

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

// A focusable, created control that logs its HandleKey calls ("name.handleKey")
// and the commands its local hot keys send it ("name:NID_...").
class KeyProbe : public TestControl {
public:
  KeyProbe(const RCPtr<LControl>& parent, const char16_t* name, Log* log)
      : TestControl(parent, WideString(name)), mLog(log) {
    SetLayout(MakeRCPtr<LLayoutDescriptor>());
    SetSize(20, 20);
    SetFocusFlags(false, false);
  }

  // Binds the keys, then initialises the control as its create function does.
  void Create(std::initializer_list<std::pair<KeyCode, const char16_t*>> keys,
              const RCPtr<LStringTable>& table = RCPtr<LStringTable>()) {
    mStringTable = table;
    for (const auto& [key, id] : keys)
      EXPECT_EQ(AddLocalHotKey(key, WideString(id)), S_OK);
    Initialize();
    for (const auto& binding : keys)
      Bind(binding.second);
    SetCreated();
  }
  // The command id reaches OnCommand.
  void Bind(const char16_t* id) {
    mHandler->RegisterForReceive(static_cast<LNotificationHandler<LControl>::Member>(&KeyProbe::OnCommand), id);
  }
  void SetTabStop(std::int32_t tabStop) {
    mLayout->mTabStop = tabStop;
    if (mParent)
      mParent->GetChildren().AdvanceChangeStamp();
  }
  RCPtr<LStringTable> GetStringTable() const override { return mStringTable; }

  QZRESULT HandleKey(const RCPtr<LKeyParam>&) override {
    mLog->push_back(Narrow(GetName()) + ".handleKey");
    return mHandleResult;
  }
  std::int32_t OnCommand(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) {
    mLog->push_back(Narrow(GetName()) + ":" + Narrow(WideString(notification->GetID())));
    return 0;
  }

  QZRESULT mHandleResult = S_FALSE;
  Log* mLog;
};

class ControlKeysTest : public ControlTreeFixture {
protected:
  void SetUp() override {
    ControlTreeFixture::SetUp();
    mApp.mHotKeyLog = &mLog;
    mWindow = MakeRCPtr<FakeRootWindow>();
    mWindow->mLog = &mLog;
    mRoot = Make(RCPtr<LControl>(), u"root");
    mRoot->SetSize(200, 200);
    mWindow->SetRootControl(mRoot);
  }
  void TearDown() override {
    mWindow->SetRootControl(RCPtr<LControl>());
    mRoot = RCPtr<KeyProbe>();
    mWindow = RCPtr<FakeRootWindow>();
    ControlTreeFixture::TearDown();
  }
  RCPtr<KeyProbe> Make(const RCPtr<LControl>& parent, const char16_t* name) {
    return RCPtr<KeyProbe>(new KeyProbe(parent, name, &mLog));
  }
  // The log since the last call, joined by spaces.
  std::string Take() {
    std::string text;
    for (const std::string& entry : mLog)
      if (entry.find(".idle") == std::string::npos)
        text += (text.empty() ? "" : " ") + entry;
    mLog.clear();
    return text;
  }
  std::string Focused() const { return mWindow->mFocused ? Narrow(mWindow->mFocused->GetName()) : "none"; }

  Log mLog;
  RCPtr<FakeRootWindow> mWindow;
  RCPtr<KeyProbe> mRoot;
};

TEST_F(ControlKeysTest, TheFocusedControlsOwnHotKeysComeBeforeHandleKeyAndEndTheKey) {
  mRoot->Create({});
  const RCPtr<KeyProbe> edit = Make(mRoot, u"edit");
  edit->Create({{Pressed(kF5), u"NID_REFRESH"}});
  mWindow->mHotKeys.push_back({Pressed(kF5).mPacked, "NID_WINDOW_REFRESH"});
  ASSERT_EQ(edit->SetFocus(true), S_OK);
  Take();

  mWindow->Key(kF5);
  EXPECT_EQ(Take(), "edit:NID_REFRESH");

  // Another key: HandleKey, and when it uses the key nothing further.
  edit->mHandleResult = S_OK;
  mWindow->Key(0x41);
  EXPECT_EQ(Take(), "edit.handleKey");

  // A key that nobody uses climbs one level and ends at the window's and then the application's hot keys.
  edit->mHandleResult = S_FALSE;
  mApp.mHotKeys.push_back({Pressed(0x41).mPacked, "NID_APP_A"});
  mWindow->Key(0x41);
  EXPECT_EQ(Take(), "edit.handleKey app.hotkey:NID_APP_A");
  mWindow->mHotKeys.push_back({Pressed(0x41).mPacked, "NID_WINDOW_A"});
  mWindow->Key(0x41);
  EXPECT_EQ(Take(), "edit.handleKey window.hotkey:NID_WINDOW_A");

  // A disabled or hidden control drops the key.
  edit->GetLayout()->mEnabled = false;
  mWindow->Key(kF5);
  EXPECT_EQ(Take(), "");
}

TEST_F(ControlKeysTest, SiblingsAreOfferedTheKeyFromTheNearestBeforeTheSourceBackwardsAndWrapping) {
  // Tab order p, q, s, r; p, q and r bind F5; s has the focus.
  mRoot->Create({});
  const RCPtr<KeyProbe> panel = Make(mRoot, u"panel");
  panel->SetSize(200, 100);
  panel->Create({});
  const RCPtr<KeyProbe> r = Make(panel, u"r");
  const RCPtr<KeyProbe> p = Make(panel, u"p");
  const RCPtr<KeyProbe> s = Make(panel, u"s");
  const RCPtr<KeyProbe> q = Make(panel, u"q");
  p->SetTabStop(0);
  q->SetTabStop(1);
  s->SetTabStop(2);
  r->SetTabStop(3);
  for (const auto& control : {p, q, r})
    control->Create({{Pressed(kF5), u"NID_F5"}});
  s->Create({});
  // A cousin that binds F5 too: a key climbs one level only, so it is never asked.
  const RCPtr<KeyProbe> cousin = Make(mRoot, u"cousin");
  cousin->Create({{Pressed(kF5), u"NID_F5"}});
  ASSERT_EQ(s->SetFocus(true), S_OK);
  Take();

  const struct {
    std::vector<RCPtr<KeyProbe>> disabled;
    const char* expected;
  } cases[] = {
      {{}, "s.handleKey q:NID_F5"},
      {{q}, "s.handleKey p:NID_F5"},
      {{q, p}, "s.handleKey r:NID_F5"},
      {{q, p, r}, "s.handleKey app.hotkey:NID_APP_F5"},
  };
  mApp.mHotKeys.push_back({Pressed(kF5).mPacked, "NID_APP_F5"});
  for (const auto& step : cases) {
    SCOPED_TRACE(step.expected);
    for (const auto& control : {p, q, r})
      control->GetLayout()->mEnabled = true;
    for (const auto& control : step.disabled)
      control->GetLayout()->mEnabled = false;
    mWindow->Key(kF5);
    EXPECT_EQ(Take(), step.expected);
  }

  // With the source first in tab order, the walk wraps round to the last.
  for (const auto& control : {p, q, r})
    control->GetLayout()->mEnabled = true;
  s->SetTabStop(-5);
  s->SetNotFocusable(false);
  ASSERT_EQ(s->SetFocus(true), S_OK);
  Take();
  mWindow->Key(kF5);
  EXPECT_EQ(Take(), "s.handleKey r:NID_F5");
}

TEST_F(ControlKeysTest, OrderingPutsLeadingNotFocusableReceiversLast) {
  mRoot->Create({});
  const RCPtr<KeyProbe> a = Make(mRoot, u"a");
  const RCPtr<KeyProbe> b = Make(mRoot, u"b");
  const RCPtr<KeyProbe> c = Make(mRoot, u"c");
  a->SetTabStop(0);
  b->SetTabStop(1);
  c->SetTabStop(2);
  const RCPtr<KeyProbe> stranger = Make(RCPtr<LControl>(), u"stranger");
  for (const auto& control : {a, b, c, stranger})
    control->Create({});
  Array<RCPtr<LNotificationReceiver>> receivers;
  for (const auto& control : {stranger, c, a, b})
    receivers.AddItem(RCPtr<LNotificationReceiver>(control.GetRaw()));

  const auto order = [&](const RCPtr<LControl>& source) {
    const RCPtr<LKeyParam> key = LKeyParam::Create(Pressed(kF5), 1);
    if (source)
      key->mVisited.AddItem(source);
    Array<std::uint32_t> out;
    EXPECT_EQ(mRoot->OrderSiblingKeyReceivers(key, receivers, out), S_OK);
    std::string names;
    for (std::uint32_t i = 0; i < out.GetCount(); ++i)
      names += (i ? " " : "") + Narrow(dynamic_cast<LControl*>(receivers.GetAt(out.GetAt(i)).GetRaw())->GetName());
    return names;
  };
  // Walked backwards: the nearest before the source first, then round from the
  // end; a receiver that is not a child sorts before every child.
  EXPECT_EQ(order(RCPtr<LControl>(b)), "c stranger a b");
  EXPECT_EQ(order(RCPtr<LControl>(a)), "b c stranger a");
  EXPECT_EQ(order(RCPtr<LControl>()), "a b c stranger");
  // Leading receivers that are not focusable go first, so they are asked last.
  stranger->SetFocusFlags(true, false);
  EXPECT_EQ(order(RCPtr<LControl>(b)), "stranger c a b");
  a->SetNotFocusable(true);
  EXPECT_EQ(order(RCPtr<LControl>(b)), "stranger a c b");
  stranger->Close();
}

TEST_F(ControlKeysTest, TabGoesNowhereInAControlThatWantsIt) {
  mRoot->Create({});
  const RCPtr<KeyProbe> a = Make(mRoot, u"a");
  const RCPtr<KeyProbe> b = Make(mRoot, u"b");
  a->Create({});
  b->Create({});
  mWindow->mHotKeys.push_back({Pressed(kTab).mPacked, "NID_TAB"});
  ASSERT_EQ(a->SetFocus(true), S_OK);
  Take();
  a->SetWantsTab(true);
  mWindow->Key(kTab);
  EXPECT_EQ(Take(), "a.handleKey");
  EXPECT_EQ(Focused(), "a");
  a->SetWantsTab(false);
  mWindow->Key(kTab);
  EXPECT_EQ(Take(), "a.handleKey");
  EXPECT_EQ(Focused(), "b");
  mWindow->Key(kTab, kModifierShift);
  EXPECT_EQ(Focused(), "a");
}

TEST_F(ControlKeysTest, LocalHotKeysComeFromTheStringTableAndAnswerById) {
  LStringTable::Entries entries;
  entries[WideString(u"LHK.NID_SAVE")] = WideString(u"Ctrl+VKEY_S");
  entries[WideString(u"LHK.NID_BROKEN")] = WideString(u"");
  entries[WideString(u"LHK.NID_SAVE_AGAIN")] = WideString(u"Ctrl+VKEY_S");
  entries[WideString(u"OTHER.NID_OPEN")] = WideString(u"Ctrl+VKEY_O");
  mRoot->Create({});
  const RCPtr<KeyProbe> edit = Make(mRoot, u"edit");
  edit->Create({}, MakeRCPtr<LStringTable>(entries));
  edit->Bind(u"NID_SAVE");

  EXPECT_TRUE(edit->HasLocalHotKey(WideString(u"NID_SAVE")));
  EXPECT_FALSE(edit->HasLocalHotKey(WideString(u"NID_SAVE_AGAIN"))) << "a key binds one id";
  EXPECT_FALSE(edit->HasLocalHotKey(WideString(u"NID_BROKEN")));
  EXPECT_FALSE(edit->HasLocalHotKey(WideString(u"NID_OPEN")));
  const KeyCode save = edit->GetLocalHotKey(WideString(u"NID_SAVE"));
  EXPECT_EQ(save.Bits(), KeyCode::Parse(WideString(u"Ctrl+VKEY_S")).Bits());
  const KeyCode none = edit->GetLocalHotKey(WideString(u"NID_OPEN"));
  EXPECT_EQ(none.Bits(), 0x80000000u);
  EXPECT_EQ(none.mSideMask, 0u);
  EXPECT_EQ(none.mRepeat, 0);
  EXPECT_EQ(edit->AddLocalHotKey(save, WideString(u"NID_OTHER")), E_INVALIDARG);
  EXPECT_EQ(edit->AddLocalHotKey(KeyCode(), WideString(u"NID_OTHER")), E_INVALIDARG);

  ASSERT_EQ(edit->SetFocus(true), S_OK);
  Take();
  mWindow->Key(0x53, kModifierCtrl | kModifierLeftCtrl);
  EXPECT_EQ(Take(), "edit:NID_SAVE");
}

TEST_F(ControlKeysTest, ASiblingKeyWithoutItsRecordIsIgnored) {
  mRoot->Create({});
  const RCPtr<KeyProbe> edit = Make(mRoot, u"edit");
  edit->Create({{Pressed(kF5), u"NID_F5"}});
  EXPECT_EQ(edit->OnSiblingKeyNotification(
                RCPtr<LNotificationDistributor>(),
                LNotification::Create(u"NID_SIBLING_KEY", LKeyParam::Create(Pressed(kF5), 1))),
            1);
  EXPECT_EQ(edit->OnSiblingKeyNotification(RCPtr<LNotificationDistributor>(), RCPtr<LNotification>()), 1);
  const RCPtr<LSiblingKeyParam> sibling = LSiblingKeyParam::Create(Pressed(kF5), RCPtr<LControl>());
  EXPECT_EQ(edit->OnSiblingKeyNotification(RCPtr<LNotificationDistributor>(),
                                           LNotification::Create(u"NID_SIBLING_KEY", sibling)),
            1);
  EXPECT_EQ(sibling->mResult, 0);
  EXPECT_EQ(Take(), "edit:NID_F5");
  // A parent without receivers has no sibling that could use a key.
  EXPECT_EQ(edit->OnSiblingKey(LKeyParam::Create(Pressed(kF5), 1)), S_FALSE);
  EXPECT_EQ(edit->OnSiblingKey(RCPtr<LKeyParam>()), S_FALSE);
}

} // namespace
} // namespace QZ
