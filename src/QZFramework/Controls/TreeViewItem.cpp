#include "QZFramework/Controls/TreeViewItem.h"

namespace QZ {

RCPtr<LControl>& LTreeViewItem::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                       const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LTreeViewItem>(out, parent, descriptor);
}

} // namespace QZ
