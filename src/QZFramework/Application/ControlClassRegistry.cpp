#include "QZFramework/Application/ControlClassRegistry.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/CenteredSlider.h"
#include "QZFramework/Controls/CheckedComboBox.h"
#include "QZFramework/Controls/CheckedListBox.h"
#include "QZFramework/Controls/ComboBox.h"
#include "QZFramework/Controls/ComboMenu.h"
#include "QZFramework/Controls/ComboSlider.h"
#include "QZFramework/Controls/Dropper.h"
#include "QZFramework/Controls/Knob.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/LevelMeter.h"
#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/ListBoxItem.h"
#include "QZFramework/Controls/MainMenu.h"
#include "QZFramework/Controls/MenuListBoxItem.h"
#include "QZFramework/Controls/MultiColumnListBox.h"
#include "QZFramework/Controls/NumericUpDown.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/PopupMenu.h"
#include "QZFramework/Controls/ProgressBar.h"
#include "QZFramework/Controls/ScrollBar.h"
#include "QZFramework/Controls/Slider.h"
#include "QZFramework/Controls/Splitter.h"
#include "QZFramework/Controls/StatusBar.h"
#include "QZFramework/Controls/TabControl.h"
#include "QZFramework/Controls/TextBox.h"
#include "QZFramework/Controls/ToolTip.h"
#include "QZFramework/Controls/TreeView.h"
#include "QZFramework/Controls/TreeViewItem.h"

namespace QZ {

namespace {

// Several names share a class; they differ only by what their skin entries hold.
constexpr SControlClass kFrameworkControlClasses[] = {
    {u"Framework.Button", &LButton::Create},                             // LButton
    {u"Framework.OverlayButton", &LListBoxItem::Create},                 // LListBoxItem
    {u"Framework.ListBox", &LListBox::Create},                           // LListBox
    {u"Framework.listboxNoScroll", &LListBox::Create},                   // LListBox
    {u"Framework.ListBoxItem", &LListBoxItem::Create},                   // LListBoxItem
    {u"Framework.CheckedListBox", &LCheckedListBox::Create},             // LCheckedListBox
    {u"Framework.CheckedListBoxItem", &LCheckedListBoxItem::Create},     // LCheckedListBoxItem
    {u"Framework.ListBoxWithIcons", &LCheckedListBox::Create},           // LCheckedListBox
    {u"Framework.listbox2ColumnSortable", &LMultiColumnListBox::Create}, // LMultiColumnListBox
    {u"Framework.ScrollBar", &LScrollbar::Create},                       // LScrollbar
    {u"Framework.ScrollChannel", &LPanel::Create},                       // LPanel
    {u"Framework.ComboBox", &LComboBox::Create},                         // LComboBox
    {u"Framework.ComboTextBox", &LComboBox::Create},                     // LComboBox
    {u"Framework.CheckedComboBox", &LCheckedComboBox::Create},           // LCheckedComboBox
    {u"Framework.ComboBoxWithIcons", &LCheckedComboBox::Create},         // LCheckedComboBox
    {u"Framework.ComboSlider", &LComboSlider::Create},                   // LComboSlider
    {u"Framework.ComboSlider.DropDownPanel", &LPanel::Create},           // LPanel
    {u"Framework.Slider", &LSlider::Create},                             // LSlider
    {u"Framework.Knob", &LKnob::Create},                                 // LKnob
    {u"Framework.TabControl", &LTabControl::Create},                     // LTabControl
    {u"Framework.Label", &LLabel::Create},                               // LLabel
    {u"Framework.TextBox", &LTextBox::Create},                           // LTextBox
    {u"Framework.NumericUpDown", &LNumericUpDown::Create},               // LNumericUpDown
    {u"Framework.Panel", &LPanel::Create},                               // LPanel
    {u"Framework.ToolTip", &LToolTip::Create},                           // LToolTip
    {u"Framework.PopupMenu", &LPopupMenu::Create},                       // LPopupMenu
    {u"Framework.MenuItem", &LMenuListBoxItem::Create},                  // LMenuListBoxItem
    {u"Framework.ComboMenu", &LComboMenu::Create},                       // LComboMenu
    {u"Framework.MainMenu", &LMainMenu::Create},                         // LMainMenu
    {u"Framework.FileDropper", &LFileDropper::Create},                   // LFileDropper
    {u"Framework.StatusBar", &LStatusBar::Create},                       // LStatusBar
    {u"Framework.SplitterH", &LSplitterH::Create},                       // LSplitterH
    {u"Framework.SplitterV", &LSplitterV::Create},                       // LSplitterV
    {u"Framework.LevelMeter", &LLevelMeter::Create},                     // LLevelMeter
    {u"Framework.ProgressBar", &LProgressBar::Create},                   // LProgressBar
    {u"Framework.TreeView", &LTreeView::Create},                         // LTreeView
    {u"Framework.TreeViewItem", &LTreeViewItem::Create},                 // LTreeViewItem
    {u"Framework.Dropper", &LDropper::Create},                           // LDropper
    {u"Framework.CenteredSlider", &LCenteredSlider::Create},             // LCenteredSlider
    {u"Framework.CenteredSliderBounds", &LPanel::Create},                // LPanel
};

} // namespace

std::span<const SControlClass> GetFrameworkControlClasses() { return kFrameworkControlClasses; }

QZRESULT RegisterControlClasses(LControlFactory& factory, std::span<const SControlClass> classes) {
  for (const SControlClass& entry : classes) {
    if (!entry.mCreate)
      continue;
    const QZRESULT result = factory.RegisterControlCreateFunction(WideString(entry.mName), entry.mCreate);
    if (result < 0)
      return result;
  }
  return S_OK;
}

} // namespace QZ
