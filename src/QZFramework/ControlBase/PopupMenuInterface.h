#pragma once
// IPopupMenu: what the base control asks of the pop-up menu it creates from
// the skin's "contextMenu" entry. The pop-up menu control class implements it.
//
// UI thread only.

#include "QZFramework/ControlBase/MenuDescriptor.h"
#include "QZFramework/ObjectBase/QZResult.h"

namespace QZ {

class IPopupMenu {
public:
  virtual ~IPopupMenu() = default;

  // Replaces the items with rows built from a copy of the menu; E_INVALIDARG for null.
  virtual QZRESULT SetMenu(const RCPtr<LMenuDescriptor>& menu) = 0;
  // The menu shown (the pop-up's own copy); null before SetMenu.
  virtual RCPtr<LMenuDescriptor> GetMenu() const = 0;
  // Shows the menu at the pointer, inside the window, with the focus unless it may not take it.
  virtual void ShowAtCursor() = 0;
};

} // namespace QZ
