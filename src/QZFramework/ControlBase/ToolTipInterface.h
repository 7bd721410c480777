#pragma once
// IToolTip: what the base control asks of the tool-tip control it creates
// from the skin's "toolTip" entry. The tool-tip control class implements it.
//
// UI thread only.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/Utilities/Storage/StringT.h"

namespace QZ {

class IToolTip {
public:
  virtual ~IToolTip() = default;

  // Places the tip near the pointer and shows it (at once, or after its delay).
  virtual void Show() = 0;
  // Hides the tip; its parent closes it at the next idle pass.
  virtual void Hide() = 0;
};

} // namespace QZ
