// Context menus of the base control: descriptors from the string table in
// both forms, menu commands bound to the hot keys that reach the same
// receiver, the menu item updater.

#include "QZFramework/ControlBase/ControlTreeFixture.h"

#include "QZFramework/ControlBase/MenuDescriptor.h"
#include "QZFramework/Notification/Notification.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

using test::ControlTreeFixture;
using test::FakeRootWindow;
using test::TestControl;

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

// A created control with the string table the test gives it.
class MenuProbe : public TestControl {
public:
  MenuProbe(const RCPtr<LControl>& parent, const char16_t* name, const RCPtr<LStringTable>& table)
      : TestControl(parent, WideString(name)), mTable(table) {
    Initialize();
    SetCreated();
  }
  RCPtr<LStringTable> GetStringTable() const override { return mTable; }
  RCPtr<LStringTable> mTable;
};

// "command=label" of the items, "-" for a separator, sub-menus in braces.
std::string Describe(const LMenuDescriptor& menu) {
  std::string text;
  for (std::uint32_t i = 0; i < menu.GetItemCount(); ++i) {
    const RCPtr<LMenuItemDescriptor> item = menu.GetItem(i);
    text += i ? " " : "";
    if (item->mSeparator) {
      text += "-";
      continue;
    }
    text += Narrow(item->mCommand) + "=" + Narrow(item->mLabel);
    if (item->HasSubItems())
      text += "{" + Describe(*item) + "}";
  }
  return text;
}

class ControlMenusTest : public ControlTreeFixture {
protected:
  RCPtr<MenuProbe> Make(std::initializer_list<std::pair<const char16_t*, const char16_t*>> entries) {
    RCPtr<LStringTable> table;
    if (entries.size() > 0) {
      LStringTable::Entries map;
      for (const auto& [id, text] : entries)
        map[WideString(id)] = WideString(text);
      table = MakeRCPtr<LStringTable>(map);
    }
    return RCPtr<MenuProbe>(new MenuProbe(RCPtr<LControl>(), u"control", table));
  }
  std::vector<std::string> Menus(const RCPtr<MenuProbe>& control, QZRESULT expected = S_FALSE) {
    Array<RCPtr<LMenuDescriptor>> out;
    EXPECT_EQ(control->LoadContextMenuDescriptors(out), expected);
    std::vector<std::string> menus;
    for (std::uint32_t i = 0; i < out.GetCount(); ++i)
      menus.push_back(Describe(*out.GetAt(i)));
    return menus;
  }
};

TEST_F(ControlMenusTest, DescriptorsComeFromTheStringTableInEitherForm) {
  using Texts = std::vector<std::string>;
  EXPECT_EQ(Menus(Make({{u"CONTEXT_MENU.01.NID_PASTE", u"Paste"}, {u"CONTEXT_MENU.00.NID_COPY", u"Copy"}})),
            (Texts{"NID_COPY=Copy NID_PASTE=Paste"}));
  EXPECT_EQ(Menus(Make({{u"CONTEXT_MENU1.00.NID_HELP", u"Help"}, {u"CONTEXT_MENU0.00.NID_OPEN", u"Open"}})),
            (Texts{"NID_OPEN=Open", "NID_HELP=Help"}));
  EXPECT_EQ(Menus(Make({{u"CONTEXT_MENU1.00.NID_HELP", u"Help"}, {u"CONTEXT_MENU.00.NID_COPY", u"Copy"}})),
            (Texts{"NID_COPY=Copy"}))
      << "with both forms only the one-menu form is read";
  EXPECT_EQ(
      Menus(Make(
          {{u"CONTEXT_MENU0.02.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", u"Load"},
           {u"CONTEXT_MENU0.01.-", u""},
           {u"CONTEXT_MENU0.00.MENU_FILE_SEND_PRESET_TO_DEVICE.", u"Send"},
           {u"CONTEXT_MENU0.MENU_FILE_SEND_PRESET_TO_DEVICE.0.NID_MENU_FILE_SEND_PRESET0_TO_DEVICE", u"Preset 0"},
           {u"CONTEXT_MENU1.00.NID_MENU_HELP_OPEN_USERGUIDE_REQ", u"Guide"},
           {u"OTHER.00.NID_X", u"X"}})),
      (Texts{"=Send{NID_MENU_FILE_SEND_PRESET0_TO_DEVICE=Preset 0} - NID_MENU_FILE_LOAD_PRESET_FROM_FILE=Load",
             "NID_MENU_HELP_OPEN_USERGUIDE_REQ=Guide"}));
  EXPECT_EQ(Menus(Make({{u"OTHER.00.NID_X", u"X"}})), Texts{});
  EXPECT_EQ(Menus(Make({}), S_FALSE), Texts{}) << "no string table, no menus";
}

TEST_F(ControlMenusTest, MenuCommandsWithHotKeysReachTheHotKeysReceiver) {
  const auto window = MakeRCPtr<FakeRootWindow>();
  std::vector<std::string> log;
  window->mLog = &log;
  mApp.mHotKeyLog = &log;
  const RCPtr<MenuProbe> control = Make({});
  window->SetRootControl(control);
  mApp.mHotKeys.push_back({KeyCode(0x43, true, 0, kModifierCtrl).mPacked, "NID_EDIT_COPY_REQ"});
  mApp.mHotKeys.push_back({KeyCode(0x56, true, 0, kModifierCtrl).mPacked, "NID_EDIT_PASTE_REQ"});
  window->mHotKeys.push_back({KeyCode(0x56, true, 0, kModifierCtrl).mPacked, "NID_EDIT_PASTE_REQ"});
  LMenuDescriptor::Entries entries;
  entries.AddItem({WideString(u"00.NID_EDIT_COPY_REQ"), WideString(u"Copy")});
  entries.AddItem({WideString(u"01.NID_NO_KEY"), WideString(u"Plain")});
  entries.AddItem({WideString(u"02.SUB."), WideString(u"More")});
  entries.AddItem({WideString(u"SUB.0.NID_EDIT_PASTE_REQ"), WideString(u"Paste")});
  const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringTable(entries);

  EXPECT_EQ(control->SetContextMenuDescriptor(menu), S_OK);
  EXPECT_EQ(control->SetContextMenuDescriptor(menu), S_OK);
  EXPECT_EQ(control->GetContextMenuDescriptor(), menu);
  for (const char16_t* id : {u"NID_EDIT_COPY_REQ", u"NID_EDIT_PASTE_REQ", u"NID_NO_KEY"})
    DeliverNotification(RCPtr<LNotificationReceiver>(control.GetRaw()), id);
  EXPECT_EQ(log, (std::vector<std::string>{"app.command:NID_EDIT_COPY_REQ", "window.command:NID_EDIT_PASTE_REQ"}));

  // A menu without those items takes the bindings away.
  log.clear();
  LMenuDescriptor::Entries other;
  other.AddItem({WideString(u"00.NID_NO_KEY"), WideString(u"Plain")});
  EXPECT_EQ(control->SetContextMenuDescriptor(LMenuDescriptor::CreateFromStringTable(other)), S_OK);
  DeliverNotification(RCPtr<LNotificationReceiver>(control.GetRaw()), u"NID_EDIT_COPY_REQ");
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(control->BindMenuHotKeys(RCPtr<LMenuDescriptor>(), true), E_INVALIDARG);
  window->SetRootControl(RCPtr<LControl>());
}

TEST_F(ControlMenusTest, TheUpdaterIsMadeOnceAndCountedAsAnInnerReference) {
  const RCPtr<MenuProbe> control = Make({});
  const std::int32_t inner = control->GetInnerRefCount();
  const RCPtr<LMenuItemUpdater> updater = control->GetMenuItemUpdater();
  EXPECT_EQ(control->GetMenuItemUpdater(), updater);
  EXPECT_EQ(updater->mTarget, RCPtr<LControl>(control));
  EXPECT_EQ(control->GetInnerRefCount(), inner + 1);

  LMenuItemState state{false, true, WideString()};
  EXPECT_EQ(control->GetCommandEnabled(RCPtr<LMenuDescriptor>(), 0, WideString(u"NID_X"), state), S_FALSE);
  EXPECT_FALSE(state.mEnabled);
  EXPECT_TRUE(state.mChecked);
  // Released with the control: the pair goes when only they hold each other (the fixture checks).
}

} // namespace
} // namespace QZ
