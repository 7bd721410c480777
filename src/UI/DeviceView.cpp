#include "UI/DeviceView.h"

#include "Panel/Main/Application.h"
#include "QZFramework/Application/AppMessageBox.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Application/ShellOpen.h"
#include "QZFramework/Controls/AxisLayout.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Dialog.h"
#include "QZFramework/Controls/MainMenu.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "UI/DriverCommon/MainControl.h"
#include "UI/DriverCommon/ProgramActions.h"
#include "UI/PresetEditorCommon/AboutDlg.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "UI\\DeviceView";
constexpr const char* kInitializeFunction = "LDeviceView::Initialize";

constexpr const char16_t* kLeftClick = u"NID_LEFT_CLICK";
constexpr const char16_t* kSelectionChange = u"NID_SELECTION_CHANGE";

constexpr const char16_t* kProgramBankPanelName = u"programBankPanel";
constexpr const char16_t* kModelSelectorName = u"deviceSelectionComboBox";
constexpr const char16_t* kProductLabelName = u"productLabel";
constexpr const char16_t* kKeybedPanelName = u"keybedPanel";
constexpr const char16_t* kArpeggiatorName = u"arpeggiator";
constexpr const char16_t* kMainMenuName = u"mainMenu";
constexpr const char16_t* kVerticalBarName = u"vBar";

constexpr const char16_t* kFilterSegment1Key = u"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_1";
constexpr const char16_t* kFilterSegment2Key = u"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2";
constexpr const char16_t* kLoadDialogTitleKey = u"LOAD_PRESET_DIALOG_TITLE";
constexpr const char16_t* kSaveDialogTitleKey = u"SAVE_PRESET_DIALOG_TITLE";
constexpr const char16_t* kUserGuideFailedTextKey = u"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_TEXT";
constexpr const char16_t* kUserGuideFailedCaptionKey = u"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_CAPTION";
constexpr const char16_t* kSaveFailedTextKey = u"LABEL_SAVE_PRESET_FILE_FAILED_MSGBOX_TEXT";
constexpr const char16_t* kSaveFailedCaptionKey = u"LABEL_SAVE_PRESET_FILE_FAILED_MSGBOX_CAPTION";

// A plain box: one OK button, no icon.
constexpr std::uint32_t kPlainBoxStyle = 0;
// The save dialog sets no limit on the file name's length.
constexpr std::int32_t kNoFileNameLimit = -1;

constexpr const char16_t* kWiredModelName = u"Pellan Vorn";
constexpr const char16_t* kWirelessModelName = u"Pellan Wireless Vorn";

// The program bank's buttons in binding order, with the program each one moves and the line its
// missing-button error names (the registration's is the next one).
struct SProgramButton {
  const char16_t* mName;
  bool mSend;
  std::int32_t mProgram;
  int mLine;
};

constexpr SProgramButton kProgramButtons[] = {
    {u"sendProgram1", true, 1, 112}, {u"sendProgram2", true, 2, 116}, {u"sendProgram3", true, 3, 120},
    {u"sendProgram4", true, 4, 124}, {u"sendProgram5", true, 5, 128}, {u"sendProgram6", true, 6, 132},
    {u"sendProgram7", true, 7, 136}, {u"sendProgram8", true, 8, 140}, {u"sendToRam", true, 0, 145},
    {u"getProgram1", false, 1, 150}, {u"getProgram2", false, 2, 154}, {u"getProgram3", false, 3, 158},
    {u"getProgram4", false, 4, 162}, {u"getProgram5", false, 5, 166}, {u"getProgram6", false, 6, 170},
    {u"getProgram7", false, 7, 174}, {u"getProgram8", false, 8, 178},
};

// The menu's program commands: get and send for the RAM (0) and the eight slots.
struct SProgramCommand {
  const char16_t* mId;
  bool mSend;
  std::int32_t mProgram;
};

constexpr SProgramCommand kProgramCommands[] = {
    {u"NID_MENU_FILE_GET_PRESET0_TO_DEVICE", false, 0}, {u"NID_MENU_FILE_GET_PRESET1_TO_DEVICE", false, 1},
    {u"NID_MENU_FILE_GET_PRESET2_TO_DEVICE", false, 2}, {u"NID_MENU_FILE_GET_PRESET3_TO_DEVICE", false, 3},
    {u"NID_MENU_FILE_GET_PRESET4_TO_DEVICE", false, 4}, {u"NID_MENU_FILE_GET_PRESET5_TO_DEVICE", false, 5},
    {u"NID_MENU_FILE_GET_PRESET6_TO_DEVICE", false, 6}, {u"NID_MENU_FILE_GET_PRESET7_TO_DEVICE", false, 7},
    {u"NID_MENU_FILE_GET_PRESET8_TO_DEVICE", false, 8}, {u"NID_MENU_FILE_SEND_PRESET0_TO_DEVICE", true, 0},
    {u"NID_MENU_FILE_SEND_PRESET1_TO_DEVICE", true, 1}, {u"NID_MENU_FILE_SEND_PRESET2_TO_DEVICE", true, 2},
    {u"NID_MENU_FILE_SEND_PRESET3_TO_DEVICE", true, 3}, {u"NID_MENU_FILE_SEND_PRESET4_TO_DEVICE", true, 4},
    {u"NID_MENU_FILE_SEND_PRESET5_TO_DEVICE", true, 5}, {u"NID_MENU_FILE_SEND_PRESET6_TO_DEVICE", true, 6},
    {u"NID_MENU_FILE_SEND_PRESET7_TO_DEVICE", true, 7}, {u"NID_MENU_FILE_SEND_PRESET8_TO_DEVICE", true, 8},
};

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

std::string ToUtf8(const char16_t* text) {
  const NarrowString narrow = WideString(text).ToNarrow();
  return std::string(narrow.GetChars(), narrow.GetLength());
}

} // namespace

LDeviceModelEntry::LDeviceModelEntry(std::int32_t model) : mModel(model) {
  if (model == kDeviceModelWired)
    mDisplayName = WideString(kWiredModelName);
  else if (model == kDeviceModelWireless)
    mDisplayName = WideString(kWirelessModelName);
}

LDeviceView::LDeviceView(const RCPtr<LControl>& parent, const WideString& name)
    : LScrollView(parent, name), IDevice(static_cast<std::int32_t>(LPresetManager::kParameterCount)) {}

RCPtr<LControl>& LDeviceView::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                     const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LDeviceView>(out, parent, descriptor);
}

WideString LDeviceView::AppString(const char16_t* key) {
  WideString text;
  if (auto* app = dynamic_cast<LFrameworkApp*>(GetFrameworkApp()))
    if (const RCPtr<LStringTable>& strings = app->GetApplicationStringTable())
      static_cast<void>(strings->GetString(key, text));
  return text;
}

QZRESULT LDeviceView::Initialize() {
  const QZRESULT result = LScrollView::Initialize();
  if (result < 0)
    return result;
  mDeviceHandler = Handler::Create(this);
  if (!mDeviceHandler)
    ThrowException<FailedResultException>(ResultToString(E_OUTOFMEMORY), kInitializeFunction, kSourcePath, 102);
  mFileDialog = MakeRCPtr<LFileDialog>(WideString(u"."));

  if (const RCPtr<LPanel> bank = DynamicCast<LPanel>(FindChild(WideString(kProgramBankPanelName)))) {
    for (const SProgramButton& entry : kProgramButtons) {
      const RCPtr<LButton> button = DynamicCast<LButton>(bank->FindChild(WideString(entry.mName)));
      if (!button)
        ThrowException<std::runtime_error>("Null Pointer : cannot find child " + ToUtf8(entry.mName),
                                           kInitializeFunction, kSourcePath, entry.mLine);
      ThrowIfFailed(
          mDeviceHandler->Register(&LDeviceView::OnProgramButtonClick, AsDistributor(button), kLeftClick),
          kInitializeFunction, kSourcePath, entry.mLine + 1);
    }
    mDeviceSelector = DynamicCast<LComboBox>(FindChild(WideString(kModelSelectorName)));
    if (!mDeviceSelector)
      ThrowException<std::runtime_error>("Null Pointer : Cannot find child deviceSelectionComboBox",
                                         kInitializeFunction, kSourcePath, 183);
    ThrowIfFailed(mDeviceHandler->Register(&LDeviceView::OnDeviceModelSelected, AsDistributor(mDeviceSelector),
                                           kSelectionChange),
                  kInitializeFunction, kSourcePath, 184);
    // Only the wired model is offered.
    static_cast<void>(
        mDeviceSelector->AddItem(RCPtr<LTaggableObject>(MakeRCPtr<LDeviceModelEntry>(kDeviceModelWired))));
  }

  if (DynamicCast<LMainControl>(LControl::GetParent()))
    JoinMainMenu();

  mStatusView = MakeRCPtr<LStatusView>();
  mPresetManager = LPresetManager::Create();
  if (LApplication* app = LApplication::GetRunning())
    if (const RCPtr<LMidiManager> manager = app->GetMidiManager())
      static_cast<void>(manager->StartDeviceStatusPolling());
  static_cast<void>(SetAutoClientExtent(kAutoExtentBoth, 0, 0));
  return result;
}

void LDeviceView::JoinMainMenu() {
  const RCPtr<LControl>& menu = LControl::GetParent()->FindChild(WideString(kMainMenuName));
  // The bar asks this view whether each command is available when one of its menus opens.
  if (const RCPtr<LMainMenu> mainMenu = DynamicCast<LMainMenu>(menu))
    static_cast<void>(mainMenu->SetMenuItemUpdater(GetMenuItemUpdater()));
  const RCPtr<LControl>& bar = FindChild(WideString(kVerticalBarName));
  if (!menu || !bar || !menu->GetLayout())
    return;
  AxisPlacement placement;
  SizeSpec height;
  if (menu->GetLayout()->GetAxisLayout(LLayoutDescriptor::kAxisY, placement, height) != S_OK)
    return;
  ChangeAxisLayout(bar, LLayoutDescriptor::kAxisY, height.mAbsolute, std::nullopt);
}

void LDeviceView::AttachToRootWindow() {
  const RCPtr<IRootWindow>& root = GetRootWindowSlot();
  if (root && mDeviceHandler) {
    const RCPtr<LNotificationDistributor> window = root->GetNotificationDistributor();
    // A command whose registration fails does nothing; the others still work.
    static_cast<void>(mDeviceHandler->Register(&LDeviceView::OnLoadCommand, window, kNidMenuLoadPreset));
    static_cast<void>(mDeviceHandler->Register(&LDeviceView::OnSaveCommand, window, kNidMenuSavePreset));
    static_cast<void>(mDeviceHandler->Register(&LDeviceView::OnExitCommand, window, kNidMenuExit));
    static_cast<void>(mDeviceHandler->Register(&LDeviceView::OnAboutCommand, window, kNidMenuAbout));
    static_cast<void>(mDeviceHandler->Register(&LDeviceView::OnUserGuideCommand, window, kNidMenuUserGuide));
    for (const SProgramCommand& command : kProgramCommands)
      static_cast<void>(mDeviceHandler->Register(&LDeviceView::OnProgramCommand, window, command.mId));
    const RCPtr<LNotificationDistributor> center(GetApplicationNotificationCenter());
    static_cast<void>(mDeviceHandler->Register(&LDeviceView::OnLoadCommand, center, kNidMenuLoadPreset));
    static_cast<void>(mDeviceHandler->Register(&LDeviceView::OnSaveCommand, center, kNidMenuSavePreset));
  }
  if (mDeviceSelector) {
    const std::int32_t rows = mDeviceSelector->GetItemCount();
    for (std::int32_t row = 0; row < rows; ++row) {
      const auto entry = DynamicCast<LDeviceModelEntry>(mDeviceSelector->GetItemAt(row));
      if (entry && entry->GetModel() == kDeviceModelWired) {
        static_cast<void>(mDeviceSelector->SetSelectedIndex(row));
        break;
      }
    }
    if (mDeviceSelector->GetSelectedIndex() < 0)
      static_cast<void>(mDeviceSelector->SetSelectedIndex(0));
  }
  LScrollView::AttachToRootWindow();
}

std::int32_t LDeviceView::OnDeviceModelSelected(const RCPtr<LNotificationDistributor>&,
                                                const RCPtr<LNotification>&) {
  if (!mDeviceSelector)
    return 1;
  const auto entry =
      DynamicCast<LDeviceModelEntry>(mDeviceSelector->GetItemAt(mDeviceSelector->GetSelectedIndex()));
  if (!entry)
    return 1;
  LApplication* app = LApplication::GetRunning();
  const bool highDpi = app && app->IsHighDpi();
  std::int32_t look = -1;
  double width = 0;
  if (entry->GetModel() == kDeviceModelWired) {
    look = 0;
    width = highDpi ? kProductLabelWidthWiredHighDpi : kProductLabelWidthWired;
  } else if (entry->GetModel() == kDeviceModelWireless) {
    look = 1;
    width = highDpi ? kProductLabelWidthWirelessHighDpi : kProductLabelWidthWireless;
  }
  if (look >= 0 && app) {
    if (IIniFileManager* settings = app->GetIniFileManager())
      static_cast<void>(settings->SetInt(app->GetSettingsFile(kSettingsFileUser), WideString(kSettingDeviceModel),
                                         entry->GetModel()));
  }
  // A skin without the logo label still stores the model and renews the MIDI manager.
  if (const RCPtr<LControl>& label = FindChild(WideString(kProductLabelName)); label && look >= 0) {
    static_cast<void>(label->SelectLook(look));
    ChangeAxisLayout(label, LLayoutDescriptor::kAxisX, std::nullopt, width);
  }
  if (app)
    static_cast<void>(app->ReinitalizeMidiManager());
  return 1;
}

QZRESULT LDeviceView::HandleKey(const RCPtr<LKeyParam>&) { return 1; }

RectT<double> LDeviceView::GetViewAreaInSight() const {
  RectT<double> sight = LScrollView::GetViewAreaInSight();
  const RCPtr<LControl>& parent = LControl::GetParent();
  const RCPtr<LControl>& menu = parent ? parent->FindChild(WideString(kMainMenuName)) : parent;
  if (!menu || !menu->IsVisible(true))
    return sight;
  // The menu bar is drawn over the view: what lies under it is out of sight.
  const double menuBottom = menu->GetPositionInRoot().y + menu->GetBounds().height;
  const double viewTop = GetPositionInRoot().y + GetClientRect().y;
  const double covered = std::clamp(menuBottom - viewTop, 0.0, sight.height);
  sight.y += covered;
  sight.height -= covered;
  return sight;
}

std::int32_t LDeviceView::Receive(const RCPtr<LNotificationDistributor>& source,
                                  const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mDeviceHandler) {
    const std::int32_t handled = mDeviceHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LScrollView::Receive(source, notification);
}

std::int32_t LDeviceView::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mDeviceHandler && id)
    static_cast<void>(mDeviceHandler->Unregister(distributor, id));
  return LScrollView::Unsubscribe(distributor, id);
}

QZRESULT LDeviceView::ReleaseInnerReferences() {
  mDeviceSelector = RCPtr<LComboBox>();
  mFileDialog = RCPtr<LFileDialog>();
  mPresetManager = RCPtr<LPresetManager>();
  mStatusView = RCPtr<LStatusView>();
  mDeviceHandler = RCPtr<Handler>();
  return LScrollView::ReleaseInnerReferences();
}

RCPtr<IKeybed> LDeviceView::GetKeybed() { return DynamicCast<IKeybed>(FindChild(WideString(kKeybedPanelName))); }

RCPtr<IArpeggiator> LDeviceView::GetArpeggiator() {
  return DynamicCast<IArpeggiator>(FindChild(WideString(kArpeggiatorName)));
}

// ---- Program files

WideString LDeviceView::GetProgramFileExtension() { return WideString(kProgramFileExtension); }

WideString LDeviceView::GetProgramFileWildcard() { return WideString(u"*.").Concat(GetProgramFileExtension()); }

WideString LDeviceView::GetProgramFileFilter(bool) {
  const WideString extension = GetProgramFileExtension();
  return AppString(kFilterSegment1Key)
      .Concat(extension)
      .Concat(WideString(u")|*."))
      .Concat(extension)
      .Concat(AppString(kFilterSegment2Key));
}

QZRESULT LDeviceView::ShowLoadDialog(WideString& path) {
  if (!mFileDialog)
    return E_FAIL;
  const QZRESULT result = mFileDialog->ShowOpenDialog(GetProgramFileFilter(false), GetProgramFileWildcard(),
                                                      AppString(kLoadDialogTitleKey), false);
  if (result == S_OK)
    path = mFileDialog->GetFilePath();
  return result;
}

QZRESULT LDeviceView::ShowSaveDialog(WideString& path) {
  if (!mFileDialog)
    return E_FAIL;
  const QZRESULT result = mFileDialog->ShowSaveDialog(GetProgramFileFilter(false), GetProgramFileWildcard(),
                                                      AppString(kSaveDialogTitleKey), kNoFileNameLimit);
  if (result == S_OK)
    path = mFileDialog->GetFilePath();
  return result;
}

std::int32_t LDeviceView::LoadProgramFromFile() {
  WideString path;
  const QZRESULT chosen = ShowLoadDialog(path);
  if (chosen < 0)
    return chosen;
  if (!mPresetManager)
    return chosen;
  const std::int32_t result = mPresetManager->LoadPresetFile(path);
  // The message comes up over the values as the load left them (a refused file changes none).
  ShowEngineValuesNow();
  LPresetManager::ShowProgramFileLoadMessage(result);
  return result;
}

std::int32_t LDeviceView::SaveProgramToFile() {
  WideString path;
  const QZRESULT chosen = ShowSaveDialog(path);
  if (chosen < 0)
    return chosen;
  if (!mPresetManager)
    return chosen;
  const QZRESULT result = mPresetManager->SavePresetFile(path);
  LPresetManager::SaveLastPresetFolder(*mFileDialog);
  // A failed write would otherwise look like a saved file.
  if (result < 0)
    static_cast<void>(
        AppMessageBox(AppString(kSaveFailedTextKey), AppString(kSaveFailedCaptionKey), kAppMessageBoxErrorStyle));
  return result;
}

// ---- Commands

std::int32_t LDeviceView::ShowAboutBox() {
  LApplication* app = LApplication::GetRunning();
  if (!app)
    return 1;
  if (const RCPtr<LDialog> dialog = DynamicCast<LDialog>(app->CreateControl(WideString(kAboutDialogName))))
    static_cast<void>(dialog->DoModal());
  return 1;
}

std::int32_t LDeviceView::OpenUserGuide() {
  LApplication* app = LApplication::GetRunning();
  const WideString folder = app ? app->GetFolder(kFolderExecutable) : WideString();
  const WideString path = folder.Concat(WideString(u"/")).Concat(WideString(kUserGuideFileName));
  if (ShellOpen(path) < 0)
    static_cast<void>(
        AppMessageBox(AppString(kUserGuideFailedTextKey), AppString(kUserGuideFailedCaptionKey), kPlainBoxStyle));
  return 1;
}

std::int32_t LDeviceView::OnProgramButtonClick(const RCPtr<LNotificationDistributor>& source,
                                               const RCPtr<LNotification>&) {
  auto* button = dynamic_cast<LControl*>(source.GetRaw());
  if (!button)
    return 1;
  for (const SProgramButton& entry : kProgramButtons) {
    if (button->GetName().EqualsString(WideString(entry.mName))) {
      static_cast<void>(entry.mSend ? SendProgram(entry.mProgram) : GetProgram(entry.mProgram));
      break;
    }
  }
  return 1;
}

std::int32_t LDeviceView::OnLoadCommand(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  const RCPtr<LControl> self(static_cast<LScrollView*>(this));
  static_cast<void>(LoadProgramFromFile());
  return 1;
}

std::int32_t LDeviceView::OnSaveCommand(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  const RCPtr<LControl> self(static_cast<LScrollView*>(this));
  static_cast<void>(SaveProgramToFile());
  return 1;
}

std::int32_t LDeviceView::OnExitCommand(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  if (const RCPtr<LNotificationCenter>& center = GetApplicationNotificationCenter())
    static_cast<void>(center->Post(LNotification::Create(kNidAppExitRequest)));
  return 1;
}

std::int32_t LDeviceView::OnAboutCommand(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  return ShowAboutBox();
}

std::int32_t LDeviceView::OnUserGuideCommand(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  return OpenUserGuide();
}

std::int32_t LDeviceView::OnProgramCommand(const RCPtr<LNotificationDistributor>&,
                                           const RCPtr<LNotification>& notification) {
  if (!notification)
    return 1;
  for (const SProgramCommand& command : kProgramCommands) {
    if (notification->GetID() == InternNotificationID(command.mId)) {
      static_cast<void>(command.mSend ? SendProgram(command.mProgram) : GetProgram(command.mProgram));
      break;
    }
  }
  return 1;
}

} // namespace QZ
