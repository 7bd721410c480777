#pragma once
// A panel that takes any dropper's drag token and records it: the drop target of the droppers' scripted tests
// and their window tests ("Test.DropTarget" where a skin names it).

#include "QZFramework/Controls/Dropper.h"
#include "QZFramework/Controls/Panel.h"

#include <vector>

namespace QZ::test {

class DropTarget : public LPanel {
public:
  using LPanel::LPanel;
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor) {
    return CreateControlFromDescriptor<DropTarget>(out, parent, descriptor);
  }
  bool AcceptsDraggedControl(const RCPtr<LControl>& dragged) override {
    return static_cast<bool>(DynamicCast<LDropperBase>(dragged));
  }
  QZRESULT AcceptDrop(const RCPtr<LControl>& dragged) override {
    mDropped.push_back(dragged);
    return S_OK;
  }
  std::vector<RCPtr<LControl>> mDropped;
};

} // namespace QZ::test
