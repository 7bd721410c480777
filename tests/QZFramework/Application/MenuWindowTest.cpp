// Menus from the skin in a real window under the offscreen driver: the menu
// bar built from the application's "mainMenu" entries, hot-key texts from the
// control's, the window's and the application's keys, the hover delay of
// submenus on the test clock, placement at the window's edges, the keys, rows
// that cannot be taken, titles switched by hovering, a press dragged from a
// title into a submenu, insertion and a skin rebuild, the delegate's answer,
// the command posted to the window with the focus back where it was, and Cut
// from both kinds of menu.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "Platform/Clipboard/FakeClipboard.h"
#include "QZFramework/Controls/ComboMenu.h"
#include "QZFramework/Controls/ListBoxSkin.h"
#include "QZFramework/Controls/MainMenu.h"
#include "QZFramework/Controls/PopupMenu.h"
#include "QZFramework/Controls/TextBox.h"
#include "QZFramework/System/ClipBoard.h"
#include "QZFramework/System/EditTarget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 460;
constexpr std::int32_t kHeight = 400;
constexpr int kRowHeight = 14;
constexpr int kTitleWidth = 60;
constexpr int kTitleHeight = 20;

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

std::string At(int x, int y, int w, int h) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(w) + "\" YSizeAbs=\"" + std::to_string(h) + "\"";
}

// A pop-up menu entry: hidden, floating, 120 pixels wide, with bars and a row template of a check box and
// a hot-key label.
std::string Popup(const std::string& name, const std::string& layout) {
  const std::string row =
      "<SubControl Class=\"Framework.MenuItem\" Name=\"templateItem\" XPositionAbs=\"0\" "
      "XSizeToControl=\"Client\" "
      "XSizeRel=\"1\" XSizeAbs=\"0\" YSizeAbs=\"" +
      std::to_string(kRowHeight) +
      "\"><CreateParamList><CreateParam ID=\"NOT_FOCUSABLE\">true</CreateParam></CreateParamList><Skin "
      "Name=\"templateItemSkin\" LookList=\"RowLooks\">" +
      test::ScrollPart("Framework.Button", "checkBox", At(0, 0, 16, kRowHeight), "GreenButton") +
      test::ScrollPart("Framework.Label", "hotKeyLabel",
                       "XPositionRel=\"1\" XPlacementAnchor=\"1\" XSizeAbs=\"50\" YPositionAbs=\"0\" YSizeAbs=\"" +
                           std::to_string(kRowHeight) + "\"",
                       "Gray") +
      "</Skin></SubControl>";
  return "<SubControl Class=\"Framework.PopupMenu\" Name=\"" + name +
         "\" Visible=\"False\" ClipToParent=\"False\" " + layout + "><Skin Name=\"" + name +
         "Skin\" LookList=\"Gray\">" + test::ScrollViewBars() + row + "</Skin></SubControl>";
}

// Titles take a fourteen-look list, so that each of their four looks exists.
std::string MenuWindowSkin() {
  const std::string title =
      "<SubControl Class=\"Framework.ComboMenu\" Name=\"templateMenu\" " + At(0, 0, kTitleWidth, kTitleHeight) +
      "><Skin Name=\"templateMenuSkin\" LookList=\"GreenButton\">" +
      Popup("popupMenu", "XPositionAbs=\"0\" YPositionRel=\"1\" XSizeAbs=\"120\" YSizeAbs=\"18\"") +
      "</Skin></SubControl>";
  const auto bar = [&](const std::string& name, int y) {
    return test::ScrollPart("Framework.MainMenu", name,
                            "XPositionAbs=\"0\" YPositionAbs=\"" + std::to_string(y) +
                                "\" XSizeToControl=\"Parent\" XSizeRel=\"1\" XSizeAbs=\"0\" YSizeAbs=\"" +
                                std::to_string(kTitleHeight) + "\"",
                            "Gray", title);
  };
  const std::string box = "<SubControl Class=\"Framework.TextBox\" Name=\"textBox\" " + At(20, 300, 120, 20) +
                          " FontName=\"DejaVu Sans\" FontSize=\"10\" FontStyle=\"0\"><Skin Name=\"textBoxSkin\" "
                          "LookList=\"Gray\"/></SubControl>";
  const std::string target = test::ScrollPart("Test.Plain", "target", At(200, 300, 100, 40), "Gray");
  const std::string main =
      test::ScrollPart("Test.Plain", "main", At(0, 0, kWidth, kHeight), "Gray",
                       bar("mainMenu", 0) + bar("gapped", 200) + bar("bounded", 230) + box + target);
  const std::string context = Popup("contextMenu", "XPositionAbs=\"0\" YPositionAbs=\"0\" XSizeAbs=\"120\" "
                                                   "YSizeAbs=\"18\" Z_Order=\"9000\"");
  // A title whose skin forgot its menu.
  const std::string bare =
      test::ScrollPart("Test.Plain", "bare", At(0, 0, 100, 100), "Gray",
                       test::ScrollPart("Framework.ComboMenu", "title", At(0, 0, 60, 20), "Channel"));
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
         test::ListBoxLooks() + "<Skins><Skin Name=\"S\">" + main + context + bare +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

std::string Entry(const std::string& id, const std::string& text) {
  return "<String ID=\"" + id + "\"><Locale LCID=\"9\">" + text + "</Locale></String>";
}

// The application's menu-bar entries: File with its send and get submenus, separators, load, save and exit,
// and Help.
std::string MainMenuEntries() {
  std::string text =
      Entry("MENU_LABEL.00", "File") + Entry("MENU_LABEL.01", "Help") +
      Entry("CONTEXT_MENU0.00.MENU_FILE_SEND_PRESET_TO_DEVICE.", "Send Program") +
      Entry("CONTEXT_MENU0.01.MENU_FILE_GET_PRESET_TO_DEVICE.", "Get Program") + Entry("CONTEXT_MENU0.02.-", "") +
      Entry("CONTEXT_MENU0.03.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", "Open Program | Open Program from disk.") +
      Entry("CONTEXT_MENU0.04.NID_MENU_FILE_SAVE_PRESET_TO_FILE", "Save Program") +
      Entry("CONTEXT_MENU0.05.-", "") + Entry("CONTEXT_MENU0.06.NID_MENU_FILE_EXIT_REQ", "Exit") +
      Entry("CONTEXT_MENU1.00.NID_MENU_HELP_OPEN_USERGUIDE_REQ", "User Guide") +
      Entry("CONTEXT_MENU1.01.NID_MENU_HELP_ABOUT_REQ", "About");
  for (int i = 1; i <= 8; ++i)
    text += Entry("CONTEXT_MENU0.MENU_FILE_GET_PRESET_TO_DEVICE." + std::to_string(i - 1) +
                      ".NID_MENU_FILE_GET_PRESET" + std::to_string(i) + "_TO_DEVICE",
                  "Get " + std::to_string(i));
  for (int i = 0; i <= 8; ++i)
    text += Entry("CONTEXT_MENU0.MENU_FILE_SEND_PRESET_TO_DEVICE." + std::to_string(i) +
                      ".NID_MENU_FILE_SEND_PRESET" + std::to_string(i) + "_TO_DEVICE",
                  i == 0 ? "Ram" : "Send " + std::to_string(i));
  return text;
}

std::string StringTables() {
  return "<r><StringTable ID=\"Test.Plain|mainMenu\">" + MainMenuEntries() +
         "</StringTable><StringTable ID=\"Test.Plain|gapped\">" + Entry("MENU_LABEL.00", "A") +
         Entry("MENU_LABEL.02", "C") + Entry("CONTEXT_MENU0.00.NID_A", "a") +
         Entry("CONTEXT_MENU1.00.NID_C", "c") + "</StringTable><StringTable ID=\"Test.Plain|bounded\">" +
         Entry("MENU_LABEL.00", "A") + Entry("MENU_LABEL.-1", "negative") + Entry("MENU_LABEL.1025", "huge") +
         Entry("MENU_LABEL.99999999", "huger") + Entry("CONTEXT_MENU0.00.NID_A", "a") +
         "</StringTable><StringTable ID=\"|App\">" + Entry("GHK_WIN.NID_EDIT_CUT_REQ", "Ctrl+VKEY_X") +
         Entry("GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", "Ctrl+VKEY_O") +
         Entry("GHK_WIN.NID_MENU_FILE_SAVE_PRESET_TO_FILE", "Ctrl+VKEY_S") +
         Entry("GHK_WIN.NID_A", "Ctrl+VKEY_A") + Entry("GHK_WIN.NID_B", "Ctrl+VKEY_B") +
         Entry("GHK_WIN.NID_C", "Ctrl+VKEY_C") + "</StringTable><StringTable ID=\"App|main\">" +
         Entry("GHK.NID_A", "Ctrl+VKEY_W") + Entry("GHK.NID_B", "Ctrl+VKEY_Q") +
         "</StringTable><StringTable ID=\"Test.Plain|target\">" + Entry("LHK.NID_A", "Ctrl+VKEY_L") +
         "</StringTable></r>";
}

std::string FrameworkStrings() {
  return "<r><StringTable ID=\"Framework\">" + Entry("EDIT_CUT", "Cut") + Entry("EDIT_COPY", "Copy") +
         Entry("EDIT_PASTE", "Paste") + Entry("EDIT_DELETE", "Delete") + "</StringTable></r>";
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Records the commands delivered to the window, with their payloads and the control focused then.
class CommandLog : public LNotificationClient {
public:
  explicit CommandLog(const RCPtr<IRootWindow>& window) : mWindow(window.GetRaw()) {}
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    mIds.push_back(Narrow(WideString(notification->GetID())));
    mPayloads.push_back(DynamicCast<LMenuActivationParam>(notification->GetPayload()));
    mFocused.push_back(mWindow->GetFocusedControl());
    if (mForward)
      if (IFrameworkApp* app = GetFrameworkApp())
        app->DeliverGlobalHotKeyCommand(WideString(notification->GetID()));
    return 0;
  }
  IRootWindow* mWindow;
  bool mForward = false;
  std::vector<std::string> mIds;
  std::vector<RCPtr<LMenuActivationParam>> mPayloads;
  std::vector<RCPtr<LControl>> mFocused;
};

// A view that disables the exit row whenever a menu asks.
class ExitBlocker : public LControl {
public:
  ExitBlocker(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  QZRESULT GetCommandEnabled(const RCPtr<LMenuDescriptor>&, std::int32_t, const WideString& id,
                             LMenuItemState& state) override {
    if (id.EqualsString(WideString(u"NID_MENU_FILE_EXIT_REQ")))
      state.mEnabled = false;
    return S_OK;
  }
};

class MenuWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    mFactory->LoadStringTablesFromText(Bytes(StringTables()), Bytes(FrameworkStrings()), 0x0409);
    ASSERT_EQ(mApp->GetGlobalHotKeyManager()->GetHotKeyMap().LoadFromStringTable(
                  mFactory->GetApplicationStringTable(), WideString(u"GHK_WIN")),
              S_OK);
    ASSERT_EQ(mApp->GetClipboard()->Initialize(), S_OK);
    OpenSkinWindow(MenuWindowSkin(), kWidth, kHeight);
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    Pump();
    mBar = DynamicCast<LMainMenu>(mMain->FindChild(WideString(u"mainMenu")));
    ASSERT_TRUE(mBar);
    mLog = MakeRCPtr<CommandLog>(mWindow->GetRootWindow());
  }
  void TearDown() override {
    if (mLog)
      mWindow->GetRootWindow()->GetNotificationDistributor()->UnregisterClientFromAll(mLog);
    mLog = RCPtr<CommandLog>();
    mBar = RCPtr<LMainMenu>();
    SkinWindowFixture::TearDown();
  }
  void Listen(const char16_t* id) {
    mWindow->GetRootWindow()->GetNotificationDistributor()->RegisterClient(mLog, id);
  }

  RCPtr<LComboMenu> Title(const char16_t* name) const {
    return DynamicCast<LComboMenu>(mBar->FindChild(WideString(name)));
  }
  RCPtr<LPopupMenu> MenuOf(const char16_t* title) const {
    const RCPtr<LComboMenu> combo = Title(title);
    return combo ? combo->GetPopup() : RCPtr<LPopupMenu>();
  }
  RCPtr<LTextBox> Box() const { return DynamicCast<LTextBox>(mMain->FindChild(WideString(u"textBox"))); }

  // The middle of a row of a menu, in client pixels.
  Platform::WindowPoint RowPoint(const RCPtr<LPopupMenu>& menu, std::int32_t row) const {
    const RectT<double> rect = menu->GetRowRect(row);
    const PointT<double> at = menu->GetPositionInRoot();
    return {static_cast<std::int32_t>(at.x + rect.x + rect.width / 2),
            static_cast<std::int32_t>(at.y + rect.y + rect.height / 2)};
  }
  void Move(const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.MovePointer(mId, at));
    Pump();
  }
  void Press(const Platform::WindowPoint& at) {
    Move(at);
    ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, at));
    Pump();
  }
  void Release(const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, at));
    Pump();
  }
  void Key(std::uint32_t virtualKey) {
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, true));
    ASSERT_TRUE(mSimulator.Key(mId, virtualKey, false));
    Pump();
  }
  // A context menu of the target control at a client point.
  RCPtr<LPopupMenu> ContextMenuAt(const RCPtr<LMenuDescriptor>& menu, const Platform::WindowPoint& at) {
    Move(at);
    const RCPtr<LControl> target = mMain->FindChild(WideString(u"target"));
    EXPECT_EQ(target->ShowContextMenu(menu), S_OK);
    return DynamicCast<LPopupMenu>(target->FindChild(WideString(u"contextMenu")));
  }

  RCPtr<LMainMenu> mBar;
  RCPtr<CommandLog> mLog;
};

// "label[hot key]" per row, "-" for a separator, "{n}" for a submenu of n items.
std::string Rows(const RCPtr<LPopupMenu>& menu) {
  std::string text;
  for (std::int32_t row = 0; row < menu->GetItemCount(); ++row) {
    const RCPtr<LMenuItemDescriptor> item = menu->GetRowItem(row);
    text += row ? " " : "";
    if (item->mSeparator) {
      text += "-";
      continue;
    }
    text += Narrow(item->mLabel);
    if (!item->mShortcut.IsEmpty())
      text += "[" + Narrow(item->mShortcut) + "]";
    if (item->HasSubItems())
      text += "{" + std::to_string(item->GetItemCount()) + "}";
  }
  return text;
}

TEST_F(MenuWindowTest, TheBarBuildsFileAndHelpWithTheApplicationsKeys) {
  ASSERT_EQ(mBar->GetTitleCount(), 2);
  EXPECT_EQ(Narrow(mBar->GetMenuName(0)), "File");
  EXPECT_EQ(Narrow(mBar->GetMenuName(1)), "Help");
  EXPECT_EQ(mBar->IndexOfMenu(WideString(u"Help")), 1);
  EXPECT_EQ(mBar->IndexOfMenu(WideString(u"templateMenu")), -1) << "the template left the bar";
  const RCPtr<LComboMenu> file = Title(u"File");
  const RCPtr<LComboMenu> help = Title(u"Help");
  EXPECT_EQ(Narrow(file->GetText()), "File");
  EXPECT_EQ(file->GetBounds().x, 0.0) << "the template's place";
  EXPECT_EQ(help->GetBounds().x, file->GetBounds().x + file->GetBounds().width) << "at File's right edge";

  const RCPtr<LPopupMenu> fileMenu = file->GetPopup();
  EXPECT_EQ(Rows(fileMenu), "Send Program{9} Get Program{8} - Open Program [Ctrl+O] Save Program[Ctrl+S] - Exit");
  EXPECT_EQ(Narrow(fileMenu->GetRowItem(0)->GetItem(0)->mLabel), "Ram");
  EXPECT_EQ(Narrow(fileMenu->GetRowItem(3)->mTip), " Open Program from disk.");
  EXPECT_EQ(Rows(help->GetPopup()), "User Guide About");
  EXPECT_EQ(fileMenu->GetSeparatorCount(), 2);
  EXPECT_EQ(fileMenu->GetContentHeight(), 5 * fileMenu->GetRowHeight() + 2 * fileMenu->GetSeparatorHeight());
  EXPECT_EQ(fileMenu->GetCommandReceiver(), mWindow->GetRootWindow()->GetQueuePostingReceiver())
      << "the window's queue takes the bar's commands";
}

TEST_F(MenuWindowTest, LabelsAndMenusPairUpByNumberWithinBounds) {
  const auto names = [&](const char16_t* name) {
    const RCPtr<LMainMenu> bar = DynamicCast<LMainMenu>(mMain->FindChild(WideString(name)));
    std::string text;
    for (std::int32_t k = 0; bar && k < bar->GetTitleCount(); ++k)
      text += (k ? " " : "") + Narrow(bar->GetMenuName(k));
    return text;
  };
  EXPECT_EQ(names(u"gapped"), "") << "labels 00 and 02 make three labels for two menus: no title";
  EXPECT_EQ(names(u"bounded"), "A") << "numbers below 0 or above 1024 are left out";
}

TEST_F(MenuWindowTest, ResultsOfTheMenuOperations) {
  const RCPtr<LPopupMenu> menu = MenuOf(u"File");
  EXPECT_EQ(menu->SetMenu(RCPtr<LMenuDescriptor>()), E_INVALIDARG);
  EXPECT_EQ(menu->SetCommandReceiver(RCPtr<LNotificationReceiver>()), E_INVALIDARG);
  EXPECT_EQ(menu->SetCommandReceiver(mWindow->GetRootWindow()->GetQueuePostingReceiver()), E_FAIL)
      << "the bar set one already";
  EXPECT_EQ(menu->SwapRows(0, 1), E_NOTIMPL);
  EXPECT_EQ(menu->SetMenuFromParentItem(menu, 99), E_INVALIDARG);

  LMenuItemState state;
  state.mEnabled = true;
  state.mLabel = WideString(u"Quit");
  EXPECT_EQ(menu->ApplyItemState(99, state), E_INVALIDARG);
  EXPECT_EQ(menu->ApplyItemState(6, state), S_OK);
  EXPECT_EQ(Narrow(menu->GetRowItem(6)->mLabel), "Quit");
  EXPECT_EQ(menu->ApplyItemState(6, state), S_FALSE) << "the same state";
  state.mChecked = true;
  EXPECT_EQ(menu->ApplyItemState(0, state), S_OK);
  EXPECT_FALSE(menu->GetRowItem(0)->mChecked) << "a submenu row takes no check mark";
  EXPECT_EQ(menu->ApplyItemState(3, state), S_OK);
  EXPECT_TRUE(menu->GetRowItem(3)->mChecked);
  const auto checkLook = [&](std::int32_t row) {
    return menu->GetCheckedItemControlAt(menu->GetItemControlIndex(row))
        ->GetCheckBox()
        ->GetFirstVisibleLookIndex();
  };
  EXPECT_EQ(checkLook(3), LPopupMenu::kCheckLookChecked);
  EXPECT_EQ(checkLook(4), LPopupMenu::kCheckLookUnchecked);

  EXPECT_EQ(mBar->GetCommandEnabled(menu->GetMenu(), 6, WideString(u"NID_MENU_FILE_EXIT_REQ"), state), S_FALSE)
      << "without delegate";
  const RCPtr<ExitBlocker> view = MakeRCPtr<ExitBlocker>(RCPtr<LControl>(), WideString(u"view"));
  const RCPtr<LMenuItemUpdater> updater = view->GetMenuItemUpdater();
  mBar->SetMenuItemUpdater(updater);
  EXPECT_EQ(mBar->GetCommandEnabled(menu->GetMenu(), 6, WideString(u"NID_MENU_FILE_EXIT_REQ"), state), S_OK);
  EXPECT_FALSE(state.mEnabled);
  view->Close();
  updater->mTarget = RCPtr<LControl>();
  EXPECT_EQ(mBar->GetCommandEnabled(menu->GetMenu(), 6, WideString(u"NID_MENU_FILE_EXIT_REQ"), state), E_FAIL)
      << "a delegate without control";
  mBar->SetMenuItemUpdater(RCPtr<LMenuItemUpdater>());

  const RCPtr<LMenuActivationParam> param = LMenuActivationParam::Create(menu->GetMenu(), 3);
  EXPECT_EQ(Narrow(param->ToString()), "LMenuActivationParam: Row = 3");
}

TEST_F(MenuWindowTest, ALocalKeyWinsOverAWindowKeyWhichWinsOverAGlobalOne) {
  const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
  for (const char16_t* id : {u"NID_A", u"NID_B", u"NID_C", u"NID_D"})
    menu->AppendItem(menu->GetItemCount(), WideString(id), WideString(id), true, false);
  const RCPtr<LPopupMenu> popup = ContextMenuAt(menu, {250, 320});
  ASSERT_TRUE(popup);
  EXPECT_EQ(Rows(popup), "NID_A[Ctrl+L] NID_B[Ctrl+Q] NID_C[Ctrl+C] NID_D");
}

TEST_F(MenuWindowTest, ASubmenuOpensAfterMoreThanTheDelayAndClosesAsLateOnACommandRow) {
  const RCPtr<LComboMenu> file = Title(u"File");
  ASSERT_EQ(file->ShowPopupMenu(true), S_OK);
  const RCPtr<LPopupMenu> menu = file->GetPopup();
  ASSERT_TRUE(file->IsDroppedDown());
  mApp->mMilliseconds = 1000;
  Move(RowPoint(menu, 0));
  EXPECT_EQ(menu->GetFocusRow(), 0);
  ASSERT_TRUE(menu->IsHoverTimerRunning());
  IdleAt(1000 + LPopupMenu::kHoverDelay);
  EXPECT_FALSE(menu->GetSubmenu()) << "not at the delay itself";
  IdleAt(1000 + LPopupMenu::kHoverDelay + 1);
  const RCPtr<LPopupMenu> submenu = menu->GetSubmenu();
  ASSERT_TRUE(submenu);
  EXPECT_TRUE(submenu->IsVisible(true));
  EXPECT_EQ(Rows(submenu).substr(0, 3), "Ram");
  const RectT<double> first = menu->GetRowRect(0);
  EXPECT_EQ(submenu->GetPositionInRoot().x, menu->GetPositionInRoot().x + first.x + first.width)
      << "at the row's right edge";

  mApp->mMilliseconds = 2000;
  Move(RowPoint(menu, 3));
  EXPECT_EQ(menu->GetFocusRow(), 3);
  IdleAt(2000 + LPopupMenu::kHoverDelay);
  EXPECT_TRUE(menu->GetSubmenu());
  IdleAt(2000 + LPopupMenu::kHoverDelay + 1);
  EXPECT_FALSE(menu->GetSubmenu()) << "closed after the same delay";
}

TEST_F(MenuWindowTest, MenusStayInsideTheWindowAtTheRightAndBottomEdges) {
  const RCPtr<LMenuDescriptor> sub = LMenuDescriptor::Create();
  for (int i = 0; i < 6; ++i)
    sub->AppendItem(sub->GetItemCount(), WideString(u"Sub %d", i), WideString(u"NID_SUB"), true, false);
  const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
  menu->AppendItem(0, WideString(u"One"), WideString(u"NID_ONE"), true, false);
  const RCPtr<LMenuItemDescriptor> parentItem = MakeRCPtr<LMenuItemDescriptor>();
  parentItem->mLabel = WideString(u"More");
  for (std::uint32_t i = 0; i < sub->GetItemCount(); ++i)
    parentItem->InsertItem(i, sub->GetItem(i)->CloneItem());
  menu->InsertItem(1, parentItem);

  const RCPtr<LPopupMenu> popup = ContextMenuAt(menu, {kWidth - 10, kHeight - 10});
  ASSERT_TRUE(popup);
  const PointT<double> at = popup->GetPositionInRoot();
  EXPECT_EQ(at.x, kWidth - popup->GetBounds().width) << "moved left to end at the window's edge";
  EXPECT_EQ(at.y, kHeight - popup->GetBounds().height) << "moved up to end at the window's bottom";
  EXPECT_TRUE(popup->HasFocus());

  ASSERT_EQ(popup->OpenSubmenu(1), S_OK);
  const RCPtr<LPopupMenu> submenu = popup->GetSubmenu();
  ASSERT_TRUE(submenu);
  const PointT<double> subAt = submenu->GetPositionInRoot();
  EXPECT_EQ(subAt.x, at.x - submenu->GetBounds().width) << "opens on the left";
  EXPECT_EQ(subAt.y + submenu->GetBounds().height, kHeight) << "its bottom meets the window's";
  EXPECT_EQ(popup->OpenSubmenu(0), E_INVALIDARG) << "a command row has no submenu";
}

TEST_F(MenuWindowTest, RightOpensLeftClosesTheSubmenuAndEscapeTheChain) {
  const RCPtr<LComboMenu> file = Title(u"File");
  ASSERT_EQ(file->ShowPopupMenu(true), S_OK);
  const RCPtr<LPopupMenu> menu = file->GetPopup();
  ASSERT_TRUE(menu->HasFocus());
  Key(0x28); // down: the first row
  EXPECT_EQ(menu->GetFocusRow(), 0);
  Key(0x27); // right
  const RCPtr<LPopupMenu> submenu = menu->GetSubmenu();
  ASSERT_TRUE(submenu);
  EXPECT_EQ(submenu->GetFocusRow(), 0) << "its first row selected";
  EXPECT_TRUE(submenu->HasFocus());
  Key(0x25); // left
  EXPECT_FALSE(menu->GetSubmenu());
  EXPECT_TRUE(file->IsDroppedDown()) << "the parent stays open";

  // A context menu closes its whole chain on Escape.
  const RCPtr<LMenuDescriptor> descriptor = menu->GetMenu();
  const RCPtr<LPopupMenu> context = ContextMenuAt(descriptor, {250, 100});
  ASSERT_TRUE(context);
  Key(0x28);
  Key(0x27);
  ASSERT_TRUE(context->GetSubmenu());
  Key(0x1B);
  EXPECT_TRUE(context->IsClosing());
  EXPECT_FALSE(context->IsVisible(false));
  IdleAt(5000);
  EXPECT_FALSE(context->GetParent()) << "closed at the next idle pass";
}

TEST_F(MenuWindowTest, SeparatorsAndDisabledRowsAreNotSelectable) {
  const RCPtr<LComboMenu> file = Title(u"File");
  const RCPtr<ExitBlocker> view = MakeRCPtr<ExitBlocker>(RCPtr<LControl>(), WideString(u"view"));
  EXPECT_FALSE(mBar->SetMenuItemUpdater(view->GetMenuItemUpdater()));
  EXPECT_TRUE(mBar->SetMenuItemUpdater(view->GetMenuItemUpdater()));
  ASSERT_EQ(file->ShowPopupMenu(true), S_OK);
  const RCPtr<LPopupMenu> menu = file->GetPopup();
  EXPECT_FALSE(menu->GetRowItem(6)->mEnabled) << "the delegate's answer when the menu opened";
  EXPECT_FALSE(menu->CanSelectRow(6));
  EXPECT_FALSE(menu->CanSelectRow(2));
  EXPECT_TRUE(menu->CanSelectRow(3));

  Move(RowPoint(menu, 3));
  EXPECT_EQ(menu->GetFocusRow(), 3);
  for (const std::int32_t row : {2, 5, 6}) {
    SCOPED_TRACE(row);
    Move(RowPoint(menu, row));
    EXPECT_NE(menu->GetFocusRow(), row) << "hovering does not take it";
  }
  static_cast<void>(menu->SelectRange(1, -1, true));
  Key(0x28);
  EXPECT_EQ(menu->GetFocusRow(), 3) << "Down steps over the separator";
  Key(0x28);
  Key(0x28);
  EXPECT_EQ(menu->GetFocusRow(), 4) << "and stops before the separator and the disabled row";
  mBar->SetMenuItemUpdater(RCPtr<LMenuItemUpdater>());
  view->Close();
}

TEST_F(MenuWindowTest, HoveringAnotherTitleSwitchesTheOpenMenu) {
  const RCPtr<LComboMenu> file = Title(u"File");
  const RCPtr<LComboMenu> help = Title(u"Help");
  const Platform::WindowPoint onHelp{kTitleWidth + kTitleWidth / 2, kTitleHeight / 2};
  Move(onHelp);
  EXPECT_FALSE(help->IsDroppedDown()) << "without an open menu hovering only shows the look";
  EXPECT_EQ(help->GetFirstVisibleLookIndex(), LComboMenu::kLookHover);

  const Platform::WindowPoint onFile{kTitleWidth / 2, kTitleHeight / 2};
  Press(onFile);
  Release(onFile);
  ASSERT_TRUE(file->IsDroppedDown());
  EXPECT_EQ(file->GetFirstVisibleLookIndex(), LComboMenu::kLookOpen);
  Move(onHelp);
  EXPECT_FALSE(file->IsDroppedDown());
  EXPECT_TRUE(help->IsDroppedDown());
}

TEST_F(MenuWindowTest, AMenuNearTheRightEdgeIsShiftedLeftAndADisabledTitleOpensNothing) {
  const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
  menu->AppendItem(0, WideString(u"Item"), WideString(u"NID_ITEM"), true, false);
  for (const char16_t* name : {u"T2", u"T3", u"T4", u"T5", u"T6"})
    ASSERT_GE(mBar->InsertMenu(WideString(), WideString(name), WideString(name), menu), 0);
  const RCPtr<LComboMenu> last = Title(u"T6");
  ASSERT_EQ(last->GetPositionInRoot().x, 6.0 * kTitleWidth);
  ASSERT_EQ(last->ShowPopupMenu(true), S_OK);
  const RCPtr<LPopupMenu> popup = last->GetPopup();
  EXPECT_EQ(popup->GetPositionInRoot().x + popup->GetBounds().width, kWidth) << "ends at the window's right edge";
  ASSERT_EQ(last->ShowPopupMenu(false), S_OK);

  const RCPtr<LComboMenu> file = Title(u"File");
  file->SetEnabled(false);
  EXPECT_EQ(file->GetFirstVisibleLookIndex(), LComboMenu::kLookDisabled);
  Press({kTitleWidth / 2, kTitleHeight / 2});
  Release({kTitleWidth / 2, kTitleHeight / 2});
  EXPECT_FALSE(file->IsDroppedDown());
}

TEST_F(MenuWindowTest, TheWindowsOwnHotKeysArePostedToIt) {
  Listen(u"NID_B");
  ASSERT_EQ(Box()->SetFocus(true), S_OK);
  ASSERT_TRUE(mSimulator.Key(mId, 0x11, true));
  ASSERT_TRUE(mSimulator.Key(mId, 0x51, true)); // Ctrl+Q, bound by the window's "GHK" entries
  ASSERT_TRUE(mSimulator.Key(mId, 0x51, false));
  ASSERT_TRUE(mSimulator.Key(mId, 0x11, false));
  Pump();
  EXPECT_TRUE(mLog->mIds.empty()) << "delivered in the idle pass";
  IdleAt(100);
  EXPECT_EQ(mLog->mIds, std::vector<std::string>{"NID_B"});
}

TEST_F(MenuWindowTest, APressOnATitleDraggedIntoASubmenuRowActivatesIt) {
  Listen(u"NID_MENU_FILE_SEND_PRESET0_TO_DEVICE");
  const RCPtr<LComboMenu> file = Title(u"File");
  const RCPtr<LPopupMenu> menu = file->GetPopup();
  mApp->mMilliseconds = 100;
  Press({kTitleWidth / 2, kTitleHeight / 2});
  ASSERT_TRUE(file->IsDroppedDown());
  Move({kTitleWidth / 2, kTitleHeight / 2 + 4});
  Move(RowPoint(menu, 0));
  EXPECT_EQ(menu->GetFocusRow(), 0);
  IdleAt(100 + LPopupMenu::kHoverDelay + 1);
  const RCPtr<LPopupMenu> submenu = menu->GetSubmenu();
  ASSERT_TRUE(submenu);
  const Platform::WindowPoint ram = RowPoint(submenu, 0);
  Move({ram.x - 20, ram.y});
  Move(ram);
  EXPECT_EQ(submenu->GetFocusRow(), 0);
  Release(ram);
  EXPECT_FALSE(file->IsDroppedDown()) << "the title hid the chain";
  ASSERT_TRUE(mLog->mIds.empty()) << "delivered in the idle pass";
  IdleAt(1000);
  ASSERT_EQ(mLog->mIds.size(), 1u);
  ASSERT_TRUE(mLog->mPayloads[0]);
  EXPECT_EQ(mLog->mPayloads[0]->mValue, 0);
  EXPECT_EQ(Narrow(mLog->mPayloads[0]->mMenu->GetItem(0)->mLabel), "Ram");
}

TEST_F(MenuWindowTest, ExitIsPostedOnTheWindowAfterTheFocusWentBack) {
  Listen(u"NID_MENU_FILE_EXIT_REQ");
  const RCPtr<LTextBox> box = Box();
  ASSERT_EQ(box->SetFocus(true), S_OK);
  const RCPtr<LComboMenu> file = Title(u"File");
  Press({kTitleWidth / 2, kTitleHeight / 2});
  Release({kTitleWidth / 2, kTitleHeight / 2});
  const RCPtr<LPopupMenu> menu = file->GetPopup();
  ASSERT_TRUE(menu->HasFocus());
  EXPECT_EQ(mBar->GetFocusBeforeMenu(), RCPtr<LControl>(box));
  EXPECT_EQ(GetEditTarget(RCPtr<LControl>(menu)), RCPtr<LControl>(box)) << "the bar names the text box";
  const Platform::WindowPoint exitRow = RowPoint(menu, 6);
  Move(exitRow);
  Press(exitRow);
  Release(exitRow);
  EXPECT_FALSE(file->IsDroppedDown());
  EXPECT_TRUE(box->HasFocus()) << "the focus went back before the command";
  EXPECT_TRUE(mLog->mIds.empty());
  IdleAt(1000);
  ASSERT_EQ(mLog->mIds, std::vector<std::string>{"NID_MENU_FILE_EXIT_REQ"});
  ASSERT_TRUE(mLog->mPayloads[0]);
  EXPECT_EQ(mLog->mPayloads[0]->mValue, 6);
  EXPECT_EQ(mLog->mPayloads[0]->mMenu, menu->GetMenu());
  EXPECT_EQ(mLog->mFocused[0], RCPtr<LControl>(box));
}

TEST_F(MenuWindowTest, EscapeClosesAnOpenTitleMenuAndGivesTheFocusBack) {
  Listen(u"NID_MENU_FILE_EXIT_REQ");
  const RCPtr<LTextBox> box = Box();
  const RCPtr<LComboMenu> file = Title(u"File");
  const RCPtr<LPopupMenu> menu = file->GetPopup();
  struct Case {
    const char* what;
    bool focusBefore; // the text box had the focus when the title was clicked
    bool submenu;     // Escape in the open submenu
  };
  const Case cases[] = {{"from the text box", true, false},
                        {"from the text box, in a submenu", true, true},
                        {"with no focus before", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.focusBefore) {
      ASSERT_EQ(box->SetFocus(true), S_OK);
    } else if (const RCPtr<LControl> focused = mWindow->GetRootWindow()->GetFocusedControl()) {
      static_cast<void>(focused->KillFocus());
    }
    Press({kTitleWidth / 2, kTitleHeight / 2});
    Release({kTitleWidth / 2, kTitleHeight / 2});
    ASSERT_TRUE(file->IsDroppedDown());
    ASSERT_TRUE(menu->HasFocus());
    if (c.submenu) {
      Key(0x28); // down: "Send Program"
      Key(0x27); // right: its submenu
      ASSERT_TRUE(menu->GetSubmenu());
      ASSERT_TRUE(menu->GetSubmenu()->HasFocus());
    }
    Key(0x1B);
    EXPECT_FALSE(file->IsDroppedDown());
    EXPECT_FALSE(menu->GetSubmenu());
    EXPECT_FALSE(menu->HasFocus() || menu->ContainsFocus());
    if (c.focusBefore) {
      EXPECT_TRUE(box->HasFocus()) << "back where it was";
    }
    // The title can open again.
    Press({kTitleWidth / 2, kTitleHeight / 2});
    Release({kTitleWidth / 2, kTitleHeight / 2});
    EXPECT_TRUE(file->IsDroppedDown());
    Key(0x1B);
    EXPECT_FALSE(file->IsDroppedDown());
    IdleAt(1000);
  }
  EXPECT_TRUE(mLog->mIds.empty()) << "Escape runs no command";
}

TEST_F(MenuWindowTest, InsertedMenusAndASkinRebuildKeepMenusAndTexts) {
  const RCPtr<LMenuDescriptor> edit = LMenuDescriptor::Create();
  edit->AppendItem(0, WideString(u"Cut"), WideString(u"NID_EDIT_CUT_REQ"), true, false);
  const RCPtr<LControl> helpControl = Title(u"Help");
  EXPECT_EQ(mBar->InsertMenu(WideString(u"Help"), WideString(u"Edit"), WideString(u"Edit"), edit), 1);
  EXPECT_EQ(mBar->InsertMenu(WideString(u"Nope"), WideString(u"X"), WideString(u"X"), edit), E_INVALIDARG);
  EXPECT_EQ(mBar->InsertMenu(WideString(), WideString(u"File"), WideString(u"F"), edit), E_INVALIDARG)
      << "a name the bar holds";
  EXPECT_EQ(mBar->InsertMenuAt(4, WideString(u"Y"), WideString(u"Y"), edit), E_INVALIDARG);
  const auto names = [&] {
    std::string text;
    for (std::int32_t k = 0; k < mBar->GetTitleCount(); ++k)
      text += (k ? " " : "") + Narrow(mBar->GetTitleAt(k)->GetName()) + "=" +
              Narrow(mBar->GetTitleAt(k)->GetText()) + ":" +
              Rows(MenuOf(mBar->GetTitleAt(k)->GetName().GetChars()));
    return text;
  };
  EXPECT_EQ(names(), "File=File:Send Program{9} Get Program{8} - Open Program [Ctrl+O] Save Program[Ctrl+S] - "
                     "Exit Edit=Edit:Cut[Ctrl+X] Help=Help:User Guide About");
  EXPECT_EQ(Title(u"Edit"), helpControl) << "the control that showed Help shows Edit";

  const std::string before = names();
  // The skin applied again to the whole tree, as a change of skin does.
  RCPtr<LControl> main = mMain;
  ASSERT_EQ(mFactory->ApplySkinToControl(main), S_OK);
  ASSERT_EQ(mMain->FindChild(WideString(u"mainMenu")), RCPtr<LControl>(mBar)) << "the bar itself stays";
  EXPECT_EQ(names(), before);
  EXPECT_EQ(Title(u"Help")->GetBounds().x, 2.0 * kTitleWidth);
  EXPECT_EQ(MenuOf(u"Help")->GetCommandReceiver(), mWindow->GetRootWindow()->GetQueuePostingReceiver())
      << "rebuilt titles post to the window as before";
}

TEST_F(MenuWindowTest, CutFromTheBarAndFromTheContextMenuEditsThroughTheClipboard) {
  Platform::ScopedFakeClipboard clipboard;
  Listen(u"NID_EDIT_CUT_REQ");
  mLog->mForward = true; // as the application's view passes edits on
  const RCPtr<LMenuDescriptor> edit = LMenuDescriptor::Create();
  edit->AppendItem(0, WideString(u"Cut"), WideString(u"NID_EDIT_CUT_REQ"), true, false);
  ASSERT_EQ(mBar->InsertMenu(WideString(), WideString(u"Edit"), WideString(u"Edit"), edit), 2);

  const RCPtr<LTextBox> box = Box();
  static_cast<void>(box->SetText(WideString(u"hello world")));
  ASSERT_EQ(box->SetFocus(true), S_OK);
  box->SelectRange(0, 4);
  const RCPtr<LComboMenu> title = Title(u"Edit");
  const Platform::WindowPoint onTitle{2 * kTitleWidth + 10, kTitleHeight / 2};
  Press(onTitle);
  Release(onTitle);
  const RCPtr<LPopupMenu> menu = title->GetPopup();
  ASSERT_TRUE(title->IsDroppedDown());
  const Platform::WindowPoint cut = RowPoint(menu, 0);
  Move(cut);
  Press(cut);
  Release(cut);
  IdleAt(1000);
  IdleAt(1001);
  EXPECT_EQ(Narrow(box->GetText()), " world");
  EXPECT_EQ(clipboard->Text(), "hello");

  // The text box's own context menu, opened by a right click.
  box->SelectRange(1, 5);
  const Platform::WindowPoint onBox{60, 310};
  Move(onBox);
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseRight, onBox));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseRight, onBox));
  Pump();
  const RCPtr<LPopupMenu> context = DynamicCast<LPopupMenu>(box->FindChild(WideString(u"contextMenu")));
  ASSERT_TRUE(context);
  EXPECT_EQ(Rows(context), "Cut[Ctrl+X] Copy Paste Delete");
  const Platform::WindowPoint contextCut = RowPoint(context, 0);
  Move(contextCut);
  Press(contextCut);
  Release(contextCut);
  IdleAt(2000);
  IdleAt(2001);
  EXPECT_EQ(Narrow(box->GetText()), " ");
  EXPECT_EQ(clipboard->Text(), "world");
}

TEST_F(MenuWindowTest, ATitleWithoutItsMenuFailsTheSkin) {
  std::string text;
  try {
    static_cast<void>(mFactory->CreateTopLevelControl(WideString(u"bare"), RCPtr<IRootWindow>()));
  } catch (const std::runtime_error& error) {
    text = error.what();
  }
  EXPECT_EQ(text, "Runtime Error : Null Pointer : QZ::LComboMenu::Initialize : Controls\\ComboMenu : Line 37");
}

} // namespace
} // namespace QZ
