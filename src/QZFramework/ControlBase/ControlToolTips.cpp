// Tool tips and context menus of the base control, made on demand from the
// current skin's "toolTip" and "contextMenu" entries.

#include "QZFramework/ControlBase/Control.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/PopupMenuInterface.h"
#include "QZFramework/ControlBase/ToolTipInterface.h"

namespace QZ {

namespace {

constexpr const char16_t* kToolTipEntry = u"toolTip";
constexpr const char16_t* kContextMenuEntry = u"contextMenu";

// A new child of parent from the skin's top-level entry name; null when there is none.
RCPtr<LControl> CreateFromEntry(const char16_t* name, const RCPtr<LControl>& parent) {
  IFrameworkApp* app = GetFrameworkApp();
  LControlFactory* factory = app ? app->GetControlFactory() : nullptr;
  if (!factory)
    return RCPtr<LControl>();
  const RCPtr<LControlDescriptor>& descriptor = factory->FindTopLevelDescriptor(WideString(name));
  return descriptor ? factory->CreateControl(descriptor, parent) : RCPtr<LControl>();
}

} // namespace

QZRESULT LControl::CreateToolTip(bool show) {
  const RCPtr<LControl> self(this);
  if (!show) {
    const RCPtr<LControl> tip = FindChild(WideString(kToolTipEntry));
    if (IToolTip* toolTip = dynamic_cast<IToolTip*>(tip.GetRaw()))
      toolTip->Hide();
    return S_OK;
  }
  const WideString text = GetToolTipText();
  if (text.IsEmpty())
    return S_OK;
  const RCPtr<LControl> tip = CreateFromEntry(kToolTipEntry, self);
  if (IToolTip* toolTip = dynamic_cast<IToolTip*>(tip.GetRaw())) {
    tip->SetText(text);
    toolTip->Show();
  }
  return S_OK;
}

QZRESULT LControl::ShowContextMenu(const RCPtr<LMenuDescriptor>& menu) {
  const RCPtr<LControl> self(this);
  const RCPtr<LControl> created = CreateFromEntry(kContextMenuEntry, self);
  IPopupMenu* popup = dynamic_cast<IPopupMenu*>(created.GetRaw());
  if (!popup)
    return S_OK;
  created->SetVisible(false);
  popup->SetMenu(menu);
  PrepareContextMenu(created);
  popup->ShowAtCursor();
  return S_OK;
}

void LControl::PrepareContextMenu(const RCPtr<LControl>&) {}

} // namespace QZ
