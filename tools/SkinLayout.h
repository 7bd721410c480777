#pragma once
// The layout and palette of the editor's skins, at the standard skin's scale (1200 x 640, Arial 9 pt, which
// is 12 px at 96 ppi); the high-DPI skin doubles every number. The pictures the skins name are drawn at the
// sizes listed here (and twice them).
//
// Constants only; any thread.
#include <cstdint>
#include <vector>

namespace QZ::Tools::Layout {

struct Box {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Palette, straight 0xAARRGGBB. Every text colour keeps 4.5:1 or more against the faces it is drawn on.
inline constexpr std::uint32_t kWindowFace = 0xFFE4E8ED;
inline constexpr std::uint32_t kPanelFace = 0xFFF7F8FA;
inline constexpr std::uint32_t kText = 0xFF1A1D21;
inline constexpr std::uint32_t kButtonFace = 0xFF2F5D8C;
inline constexpr std::uint32_t kButtonHover = 0xFF3A6C9E;
inline constexpr std::uint32_t kButtonPressed = 0xFF1F4468;
inline constexpr std::uint32_t kButtonText = 0xFFFFFFFF;
inline constexpr std::uint32_t kToggleOn = 0xFF2E6B34;
inline constexpr std::uint32_t kToggleOnHover = 0xFF367A3D;
inline constexpr std::uint32_t kDisabledFace = 0xFFD5D9DE;
inline constexpr std::uint32_t kDisabledText = 0xFF4B5057;
inline constexpr std::uint32_t kFieldFace = 0xFFFFFFFF;
inline constexpr std::uint32_t kHoverFace = 0xFFE6EEF7;
inline constexpr std::uint32_t kSelectedFace = 0xFF2F5D8C;
inline constexpr std::uint32_t kSelectedText = 0xFFFFFFFF;
inline constexpr std::uint32_t kChannelFace = 0xFFD9DEE4;
inline constexpr std::uint32_t kChannelPressed = 0xFFC3CAD2;
inline constexpr std::uint32_t kMenuFace = 0xFFDCE1E7;
inline constexpr std::uint32_t kToolTipFace = 0xFFFFFBE0;
// Menus: a light highlight keeps the row text and the grey hot-key text readable on it.
inline constexpr std::uint32_t kMenuHighlight = 0xFFCCE0F5;
inline constexpr std::uint32_t kHotKeyText = 0xFF50565E;
inline constexpr std::uint32_t kMenuBorder = 0xFF8A939E;
inline constexpr std::uint32_t kMenuSeparator = 0xFFC3CAD2;
inline constexpr std::uint32_t kShadow = 0x33000000;
// The keyboard focus: a ring along the control's edges, dark on light faces and light on dark ones, 3:1 or
// more against every face it is drawn on (normal, hover and pressed).
inline constexpr std::uint32_t kFocusOnLight = 0xFF0B57D0;
inline constexpr std::uint32_t kFocusOnDark = 0xFFFFC83D;
inline constexpr std::int32_t kFocusRing = 2;
inline constexpr std::uint32_t kTransparent = 0x00FFFFFF;

inline constexpr const char* kFontName = "Arial";

// Window and menu. The window shows the whole layout at its largest; it may be made as small as the minimum,
// and the device view scrolls what does not fit.
inline constexpr std::int32_t kWindowWidth = 1200;
inline constexpr std::int32_t kWindowHeight = 640;
inline constexpr std::int32_t kMinWindowWidth = 640;
inline constexpr std::int32_t kMinWindowHeight = 400;
inline constexpr std::int32_t kMenuHeight = 24;
inline constexpr Box kMainMenuBox{0, 0, kWindowWidth, kMenuHeight};
inline constexpr Box kMenuTitleBox{0, 0, 64, kMenuHeight};
// A pop-up menu is at least this wide and grows with its rows; its height follows its rows. Rows are one
// text line high (the list measures its row height in the row font), separators kSeparatorHeight.
inline constexpr std::int32_t kPopupWidth = 140;
inline constexpr std::int32_t kPopupHeight = 20;
inline constexpr std::int32_t kSeparatorHeight = 8;
inline constexpr std::int32_t kMenuFrame = 1;
inline constexpr std::int32_t kMenuShadow = 2;
// A row: the check mark, the label, the hot-key text and the submenu mark in a column of its own.
inline constexpr std::int32_t kCheckLeft = 4;
inline constexpr std::int32_t kCheckSize = 8;
inline constexpr std::int32_t kMenuTextLeft = 18;
inline constexpr std::int32_t kSubmenuColumn = 18;
inline constexpr std::int32_t kSubmenuMarkRight = 7;
inline constexpr std::int32_t kSubmenuMarkColumns = 4;

// Common measures.
inline constexpr std::int32_t kTextPadding = 4;
inline constexpr std::int32_t kMargin = 8;
inline constexpr std::int32_t kTitleTop = 4;
inline constexpr std::int32_t kLabelHeight = 20;
inline constexpr std::int32_t kLabelGap = 4;
inline constexpr std::int32_t kControlHeight = 24;
inline constexpr std::int32_t kArrowWidth = 20;
inline constexpr std::int32_t kScrollBarThickness = 16;
inline constexpr std::int32_t kComboRows = 8;
// The drop-down list's height per row it should show (the list snaps it to whole rows of the font).
inline constexpr std::int32_t kListRowHeight = 20;

// The device view covers the window; its content starts below the menu bar, which lies over it. Its scroll
// bars are docked at its right and bottom edges (the vertical one starts below the menu bar).
inline constexpr Box kControllerBodyBox{16, 40, 560, 200};
inline constexpr Box kProductLabelBox{592, 40, 128, 40};
inline constexpr std::int32_t kHighDpiProductLabelWidth = 255;
inline constexpr Box kSelectDeviceLabelBox{960, 40, 200, kLabelHeight};
inline constexpr Box kDeviceSelectorBox{960, 64, 200, kControlHeight};

// Program bank: a title, then one column per slot (its number, SEND, GET), then SEND TO RAM.
inline constexpr std::int32_t kSlots = 8;
inline constexpr std::int32_t kSlotWidth = 64;
inline constexpr std::int32_t kSlotStep = 70;
inline constexpr std::int32_t kSlotLabelTop = 30;
inline constexpr std::int32_t kSendTop = 52;
inline constexpr std::int32_t kGetTop = 82;
inline constexpr Box kSendToRamBox{kMargin, 114, 2 * kSlotWidth + (kSlotStep - kSlotWidth), kControlHeight};
inline constexpr Box kProgramBankBox{592, 92, kMargin + 7 * kSlotStep + kSlotWidth + kMargin, 146};
inline constexpr Box SlotBox(std::int32_t slot, std::int32_t top, std::int32_t height) {
  return {kMargin + (slot - 1) * kSlotStep, top, kSlotWidth, height};
}

// Parameter panels: a label over its control, on a grid inside the module panels.
inline constexpr std::int32_t kParameterWidth = 120;
inline constexpr std::int32_t kParameterHeight = kLabelHeight + kLabelGap + kControlHeight;
inline constexpr std::int32_t kParameterStepX = 132;
inline constexpr std::int32_t kParameterStepY = 60;
inline constexpr std::int32_t kParameterTop = 32;
inline constexpr Box ParameterBox(std::int32_t column, std::int32_t row) {
  return {kMargin + column * kParameterStepX, kParameterTop + row * kParameterStepY, kParameterWidth,
          kParameterHeight};
}
inline constexpr std::int32_t ModuleWidth(std::int32_t columns) {
  return kMargin + (columns - 1) * kParameterStepX + kParameterWidth + kMargin;
}
inline constexpr std::int32_t ModuleHeight(std::int32_t rows) {
  return kParameterTop + (rows - 1) * kParameterStepY + kParameterHeight + kMargin;
}
inline constexpr std::int32_t kKeybedColumns = 3;
inline constexpr std::int32_t kArpeggiatorColumns = 5;
inline constexpr Box kKeybedBox{16, 256, ModuleWidth(kKeybedColumns), ModuleHeight(1)};
inline constexpr Box kArpeggiatorBox{16 + ModuleWidth(kKeybedColumns) + 16, 256, ModuleWidth(kArpeggiatorColumns),
                                     ModuleHeight(2)};

// About box: the dialog window opens at its position in the main window's client area, centred there.
inline constexpr Box kAboutBox{(kWindowWidth - 440) / 2, (kWindowHeight - 280) / 2, 440, 280};
inline constexpr Box kCompanyLogoBox{20, 20, 160, 48};
inline constexpr Box kProductLogoBox{200, 16, 220, 56};
// The product's name (a plain label), then the version the about box writes into "labelProduct", then the
// copyright.
inline constexpr Box kLabelNameBox{20, 92, 400, kLabelHeight};
inline constexpr Box kLabelProductBox{20, 116, 400, kLabelHeight};
inline constexpr Box kLabelCopyrightBox{20, 140, 400, kLabelHeight};
inline constexpr Box kSupportButtonBox{20, 228, 120, 28};
inline constexpr Box kCloseButtonBox{300, 228, 120, 28};
inline constexpr Box kToolTipBox{0, 0, 200, kLabelHeight};

enum class Kind { Combo, UpDown, Toggle };

struct Parameter {
  const char* name;  // the panel's child name
  const char* cls;   // its skin class
  const char* label; // the name of its caption label
  Kind kind;
};

inline std::vector<Parameter> KeybedParameters() {
  return {{"midiChannel", "PresetEditor.MidiChannelPanel", "label", Kind::Combo},
          {"octave", "PresetEditor.OctavePanel", "octaveLabel", Kind::UpDown},
          {"transpose", "PresetEditor.TransposePanel", "transposeLabel", Kind::UpDown}};
}

inline std::vector<Parameter> ArpeggiatorParameters() {
  return {{"arpEnabled", "PresetEditor.ArpEnabledPanel", "label", Kind::Toggle},
          {"arpMode", "PresetEditor.ArpModePanel", "label", Kind::Combo},
          {"noteRepeatTimeDivision", "PresetEditor.NoteRepeatTimeDivisionPanel", "label", Kind::Combo},
          {"swing", "PresetEditor.SwingPanel", "label", Kind::UpDown},
          {"noteRepeatClock", "PresetEditor.NoteRepeatClockPanel", "label", Kind::Combo},
          {"arpLatch", "PresetEditor.ArpLatchPanel", "label", Kind::Combo},
          {"tempoTaps", "PresetEditor.TempoTapsPanel", "label", Kind::Combo},
          {"tempo", "PresetEditor.TempoPanel", "label", Kind::UpDown},
          {"arpOctave", "PresetEditor.ArpOctavePanel", "label", Kind::Combo}};
}

// The pictures the skins name (file "<name>.png", and "<name>2x.png" at twice the size).
struct Picture {
  const char* name;
  std::int32_t width;
  std::int32_t height;
  const char* resize;
};
inline constexpr Picture kPictures[] = {
    {"ControllerBody", kControllerBodyBox.width, kControllerBodyBox.height, "Stretch"},
    {"ProductLabel0", 128, 40, "Stretch"},
    {"ProductLabel1", 343, 40, "Stretch"},
    {"CompanyLogo", kCompanyLogoBox.width, kCompanyLogoBox.height, "Stretch"},
    {"ProductLogo", kProductLogoBox.width, kProductLogoBox.height, "Stretch"},
    {"ArrowUp", kArrowWidth, kControlHeight / 2, "Stretch"},
    {"ArrowUpHover", kArrowWidth, kControlHeight / 2, "Stretch"},
    {"ArrowUpPressed", kArrowWidth, kControlHeight / 2, "Stretch"},
    {"ArrowDown", kArrowWidth, kControlHeight / 2, "Stretch"},
    {"ArrowDownHover", kArrowWidth, kControlHeight / 2, "Stretch"},
    {"ArrowDownPressed", kArrowWidth, kControlHeight / 2, "Stretch"},
    {"ComboArrow", kArrowWidth, kControlHeight, "Stretch"},
};

// The drop cursors: 32 x 32, hot spot at the top-left corner.
inline constexpr std::int32_t kCursorSize = 32;

} // namespace QZ::Tools::Layout
