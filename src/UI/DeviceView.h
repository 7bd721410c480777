#pragma once
// LDeviceView: the scrollable view of the controller ("PresetEditor.MainControl.DeviceView", the main
// control's child "viewDevice") and the device module of the editor's mirror of the module tree: its
// children "keybedPanel" and "arpeggiator" are the keybed and arpeggiator modules.
//
// It turns the program bank's buttons ("programBankPanel": "sendProgram1".."sendProgram8", "sendToRam",
// "getProgram1".."getProgram8") into the program transfer actions, and answers the commands of the main menu
// and of the global hot keys: program files (load, save), exit, the about box, the user guide, get and send a
// program. The menu's commands arrive on the window's root window; Ctrl+O and Ctrl+S arrive on the
// application notification center, so load and save are heard on both.
//
// The controller model: the selector "deviceSelectionComboBox" (inside the view; the shipped skins hide it)
// offers the wired model only, which is chosen at every start. Choosing a model stores "DeviceModel" in the
// user settings, shows the product logo "productLabel" in that model's look and width, and makes the MIDI
// manager anew. A skin without the logo label keeps the rest of that step.
//
// Without "programBankPanel" the view has no program buttons and no selector; with it, a missing button or
// selector throws from Initialize (out of the create function).
//
// Threads: the UI thread only. The transfer actions block it while they wait for the controller.

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"
#include "QZFramework/Application/FileDialog.h"
#include "QZFramework/Controls/ComboBox.h"
#include "QZFramework/Controls/ScrollView.h"
#include "QZFramework/Utilities/Storage/TaggableObject.h"
#include "UI/DriverCommon/PresetManager.h"

#include <cstdint>

namespace QZ {

inline constexpr const char16_t* kDeviceViewClassName = u"PresetEditor.MainControl.DeviceView";
inline constexpr const char16_t* kSettingDeviceModel = u"DeviceModel";
inline constexpr const char16_t* kUserGuideFileName = u"Pellan Vorn Editor - User Guide - v1.1.pdf";

// The controller models.
inline constexpr std::int32_t kDeviceModelWired = 0;
inline constexpr std::int32_t kDeviceModelWireless = 1;

// The product logo's width for each model, on a standard and on a high-DPI screen.
inline constexpr double kProductLabelWidthWired = 128;
inline constexpr double kProductLabelWidthWiredHighDpi = 255;
inline constexpr double kProductLabelWidthWireless = 343;
inline constexpr double kProductLabelWidthWirelessHighDpi = 686;

// The commands of the main menu and the global hot keys.
inline constexpr const char16_t* kNidMenuLoadPreset = u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE";
inline constexpr const char16_t* kNidMenuSavePreset = u"NID_MENU_FILE_SAVE_PRESET_TO_FILE";
inline constexpr const char16_t* kNidMenuExit = u"NID_MENU_FILE_EXIT_REQ";
inline constexpr const char16_t* kNidMenuAbout = u"NID_MENU_HELP_ABOUT_REQ";
inline constexpr const char16_t* kNidMenuUserGuide = u"NID_MENU_HELP_OPEN_USERGUIDE_REQ";

// One row of the model selector: the model and the name the row shows.
class LDeviceModelEntry : public LTaggableObject {
public:
  // 0 "Pellan Vorn", 1 "Pellan Wireless Vorn", any other model an empty name.
  explicit LDeviceModelEntry(std::int32_t model);
  ~LDeviceModelEntry() override = default;

  WideString ToString() const override { return mDisplayName; }
  std::int32_t GetModel() const { return mModel; }

private:
  WideString mDisplayName;
  std::int32_t mModel;
};

// The device view's status: nothing of its own yet.
class LStatusView : public virtual LRefCountedObject {
public:
  LStatusView() = default;
  ~LStatusView() override = default;
};

class LDeviceView : public LScrollView, public IDevice {
public:
  LDeviceView(const RCPtr<LControl>& parent, const WideString& name);
  ~LDeviceView() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // ---- The view's own operations

  virtual RCPtr<LStatusView> GetStatusView() { return mStatusView; }
  // The selector's row: its model stored, the logo's look and width, a new MIDI manager. 1.
  virtual std::int32_t OnDeviceModelSelected(const RCPtr<LNotificationDistributor>& source,
                                             const RCPtr<LNotification>& notification);
  // "pellanvorn".
  virtual WideString GetProgramFileExtension();
  // The file dialog's filter (the flag is not used).
  virtual WideString GetProgramFileFilter(bool flag);
  // "*." and the extension.
  virtual WideString GetProgramFileWildcard();
  // The load dialog, then the file loaded and its message (-1 to -5). The dialog's negative result when
  // cancelled, else the load's.
  virtual std::int32_t LoadProgramFromFile();
  // The save dialog, then the file written and the dialog's folder remembered; a failed write shows the save
  // error box. The dialog's negative result when cancelled, else the save's.
  virtual std::int32_t SaveProgramToFile();
  // The file dialogs: the dialog's result; on 0 the chosen path.
  virtual QZRESULT ShowSaveDialog(WideString& path);
  virtual QZRESULT ShowLoadDialog(WideString& path);

  // The about box, modal; its result is not used. 1.
  std::int32_t ShowAboutBox();
  // The user guide beside the program to the shell; the "Open User Guide Failed" box when that fails. 1.
  std::int32_t OpenUserGuide();

  // ---- Overridden

  // The scroll view's, then the program bank's buttons and the selector, the scroll bar moved below the
  // menu, the status view, the program manager, the MIDI manager's connection watch and the client extent
  // following the children. The scroll view's result; throws as the contract says.
  QZRESULT Initialize() override;
  // The commands registered on the window and the application center, the wired model chosen, then the
  // base's.
  void AttachToRootWindow() override;
  // Keys are not the view's: 1.
  QZRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
  // The view area less the strip the main control's menu bar covers at its top.
  RectT<double> GetViewAreaInSight() const override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;
  WideString ToString() const override { return LScrollView::ToString(); }

  // IDevice: the children "keybedPanel" and "arpeggiator"; null when missing or of another class.
  RCPtr<IKeybed> GetKeybed() override;
  RCPtr<IArpeggiator> GetArpeggiator() override;

  const RCPtr<LComboBox>& GetDeviceSelector() const { return mDeviceSelector; }
  const RCPtr<LPresetManager>& GetPresetManager() const { return mPresetManager; }

private:
  using Handler = LNotificationHandler<LDeviceView>;

  std::int32_t OnProgramButtonClick(const RCPtr<LNotificationDistributor>& source,
                                    const RCPtr<LNotification>& notification);
  std::int32_t OnLoadCommand(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);
  std::int32_t OnSaveCommand(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);
  std::int32_t OnExitCommand(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);
  std::int32_t OnAboutCommand(const RCPtr<LNotificationDistributor>& source,
                              const RCPtr<LNotification>& notification);
  std::int32_t OnUserGuideCommand(const RCPtr<LNotificationDistributor>& source,
                                  const RCPtr<LNotification>& notification);
  std::int32_t OnProgramCommand(const RCPtr<LNotificationDistributor>& source,
                                const RCPtr<LNotification>& notification);
  // Links the main control's "mainMenu" to this view's menu-item updater and moves "vBar" below it.
  void JoinMainMenu();
  // The application string of a key; empty when missing.
  static WideString AppString(const char16_t* key);

  RCPtr<Handler> mDeviceHandler;
  RCPtr<LStatusView> mStatusView;
  RCPtr<LPresetManager> mPresetManager;
  RCPtr<LFileDialog> mFileDialog;
  RCPtr<LComboBox> mDeviceSelector;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LDeviceModelEntry, "class QZ::LDeviceModelEntry")
QZ_TYPE_NAME(QZ::LStatusView, "class QZ::LStatusView")
QZ_TYPE_NAME(QZ::LDeviceView, "class QZ::LDeviceView")
