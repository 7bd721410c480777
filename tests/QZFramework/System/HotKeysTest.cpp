#include "QZFramework/System/HotKeys.h"

#include "QZFramework/Application/InputParams.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/Notification/NotificationQueue.h"

#include "Support/NotificationTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

KeyCode Key(const char16_t* text) { return KeyCode::Parse(WideString(text)); }

std::string NarrowText(const WideString& text) {
  const NarrowString narrow = text.ToNarrow();
  return std::string(narrow.GetChars(), narrow.GetLength());
}

TEST(HotKeyMap, BindsEachKeyOnce) {
  HotKeyMap map;
  EXPECT_EQ(map.AddKey(Key(u"Ctrl+VKEY_C"), WideString(u"NID_EDIT_COPY_REQ")), S_OK);
  EXPECT_EQ(map.AddKey(Key(u"Ctrl+VKEY_C"), WideString(u"NID_OTHER")), E_INVALIDARG);
  EXPECT_EQ(map.AddKey(Key(u"Ctrl+VKEY_INSERT"), WideString(u"NID_EDIT_COPY_REQ")), S_OK);
  EXPECT_EQ(map.AddKey(Key(u"VKEY_F1"), WideString()), E_INVALIDARG);
  // A character binding takes the character with any Ctrl and Shift.
  EXPECT_EQ(map.AddKey(Key(u"[97]"), WideString(u"NID_A")), S_OK);
  EXPECT_EQ(map.AddKey(KeyCode(u'a', kModifierCtrl | kModifierShift), WideString(u"NID_B")), E_INVALIDARG);

  EXPECT_EQ(NarrowText(map.FindNotification(Key(u"Ctrl+VKEY_C"))), "NID_EDIT_COPY_REQ");
  EXPECT_EQ(NarrowText(map.FindNotification(KeyCode(u'a', kModifierShift))), "NID_A");
  EXPECT_TRUE(map.FindNotification(KeyCode(0x43, false, 0, kModifierCtrl)).IsEmpty()); // the release
  EXPECT_TRUE(map.FindNotification(Key(u"VKEY_C")).IsEmpty());

  const Array<KeyCode> keys = map.GetKeys(WideString(u"NID_EDIT_COPY_REQ"));
  ASSERT_EQ(keys.GetCount(), 2u);
  EXPECT_EQ(keys.GetAt(0), Key(u"Ctrl+VKEY_C"));
  EXPECT_EQ(keys.GetAt(1), Key(u"Ctrl+VKEY_INSERT"));
  EXPECT_TRUE(map.HasKeys(WideString(u"NID_EDIT_COPY_REQ")));
  EXPECT_FALSE(map.HasKeys(WideString(u"NID_OTHER")));
  EXPECT_FALSE(map.HasKeys(WideString()));
  EXPECT_EQ(map.GetKeys(WideString()).GetCount(), 0u);

  EXPECT_EQ(FindFirstKeyCode(map, WideString(u"NID_EDIT_COPY_REQ")), Key(u"Ctrl+VKEY_C"));
  const KeyCode none = FindFirstKeyCode(map, WideString(u"NID_UNBOUND"));
  EXPECT_EQ(none.Bits(), 0x80000000u);
  EXPECT_EQ(none.mSideMask, 0u);
}

TEST(HotKeyMap, LoadsPrefixedEntriesInIdentifierOrder) {
  const LStringTable::Entries entries{
      {WideString(u"GHK.NID_EDIT_DELETE_REQ"), WideString(u"VKEY_DELETE")},
      {WideString(u"GHK_WIN.NID_EDIT_COPY_REQ"), WideString(u"Ctrl+VKEY_C")},
      {WideString(u"GHK_WIN.NID_EDIT_CUT_REQ"), WideString(u"Ctrl+VKEY_X")},
      {WideString(u"GHK_WIN.NID_EDIT_PASTE_REQ"), WideString(u"Ctrl+VKEY_V")},
      {WideString(u"GHK_WIN.NID_MENU_FILE_SAVE_PRESET_TO_FILE"), WideString(u"Ctrl+VKEY_S")},
      // Equal keys: the earlier identifier wins.
      {WideString(u"GHK_WIN.A.NID_FIRST"), WideString(u"VKEY_F5")},
      {WideString(u"GHK_WIN.B.NID_SECOND"), WideString(u"VKEY_F5")},
      {WideString(u"GHK_WIN.NID_EMPTY_TEXT"), WideString()}, // the invalid key: skipped
      {WideString(u"GHK_WINDOW.NID_NOT_THIS_PREFIX"), WideString(u"VKEY_F6")},
      {WideString(u"GHK_MAC.NID_EDIT_COPY_REQ"), WideString(u"COMMAND+VKEY_C")},
  };
  const auto table = MakeRCPtr<LStringTable>(entries);

  HotKeyMap map;
  ASSERT_EQ(map.LoadFromStringTable(table, WideString(u"GHK_WIN")), S_OK);
  struct Case {
    const char16_t* key;
    const char* identifier;
  };
  const Case cases[] = {
      {u"Ctrl+VKEY_C", "NID_EDIT_COPY_REQ"},
      {u"Ctrl+VKEY_X", "NID_EDIT_CUT_REQ"},
      {u"Ctrl+VKEY_V", "NID_EDIT_PASTE_REQ"},
      {u"Ctrl+VKEY_S", "NID_MENU_FILE_SAVE_PRESET_TO_FILE"},
      {u"VKEY_F5", "NID_FIRST"},
      {u"VKEY_F6", ""},
      {u"VKEY_DELETE", ""},
      {u"COMMAND+VKEY_C", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.identifier);
    EXPECT_EQ(NarrowText(map.FindNotification(Key(c.key))), c.identifier);
  }
  EXPECT_FALSE(map.HasKeys(WideString(u"NID_SECOND")));
  EXPECT_FALSE(map.HasKeys(WideString(u"NID_EMPTY_TEXT")));

  ASSERT_EQ(map.LoadFromStringTable(table, WideString(u"GHK")), S_OK);
  EXPECT_EQ(NarrowText(map.FindNotification(Key(u"VKEY_DELETE"))), "NID_EDIT_DELETE_REQ");
  EXPECT_EQ(map.LoadFromStringTable(RCPtr<LStringTable>(), WideString(u"GHK")), E_INVALIDARG);
}

class GlobalHotKeyManagerTest : public test::NotificationFixture {};

TEST_F(GlobalHotKeyManagerTest, SendsTheBoundNotificationWithTheKey) {
  auto receiver = test::MakeClient("target", &log);
  const auto manager = LGlobalHotKeyManager::Create(receiver);
  ASSERT_EQ(manager->GetHotKeyMap().AddKey(Key(u"Ctrl+VKEY_S"), WideString(u"NID_SAVE")), S_OK);

  EXPECT_EQ(manager->ProcessKey(Key(u"VKEY_S")), 1);
  EXPECT_TRUE(log.empty());

  RCPtr<LNotification> received;
  receiver->hook = [&](test::LoggingClient&, const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) {
    EXPECT_FALSE(source);
    received = notification;
  };
  const KeyCode pressed(0x53, true, 0, kModifierCtrl | kModifierLeftCtrl);
  EXPECT_EQ(manager->ProcessKey(pressed), 0);
  ASSERT_EQ(log, std::vector<std::string>{"target:NID_SAVE:-1"});
  const auto payload = DynamicCast<LKeyParam>(received->GetPayload());
  ASSERT_TRUE(payload);
  EXPECT_EQ(payload->mKey.Bits(), pressed.Bits());
  EXPECT_EQ(payload->mKey.mSideMask, kSideLeftCtrl);
  EXPECT_EQ(payload->mValue, 1);

  // Without a target the key is still taken.
  const auto silent = LGlobalHotKeyManager::Create(RCPtr<LNotificationReceiver>());
  ASSERT_EQ(silent->GetHotKeyMap().AddKey(Key(u"VKEY_F1"), WideString(u"NID_HELP")), S_OK);
  EXPECT_EQ(silent->ProcessKey(Key(u"VKEY_F1")), 0);
}

TEST_F(GlobalHotKeyManagerTest, ThroughAPostingReceiverTheKeyArrivesInTheIdlePass) {
  const auto& center = GetApplicationNotificationCenter();
  auto client = test::MakeClient("app", &log);
  client->Subscribe(RCPtr<LNotificationDistributor>(center.GetRaw()), u"NID_EDIT_DELETE_REQ");
  const auto manager = LGlobalHotKeyManager::Create(center->GetPostingReceiver());
  ASSERT_EQ(manager->GetHotKeyMap().AddKey(Key(u"VKEY_DELETE"), WideString(u"NID_EDIT_DELETE_REQ")), S_OK);

  EXPECT_EQ(manager->ProcessKey(Key(u"VKEY_DELETE")), 0);
  EXPECT_TRUE(log.empty());
  IdlePass(false);
  EXPECT_EQ(log, std::vector<std::string>{"app:NID_EDIT_DELETE_REQ:-1"});
  client->UnsubscribeAll();
}

} // namespace
} // namespace QZ
