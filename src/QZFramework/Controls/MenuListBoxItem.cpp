#include "QZFramework/Controls/MenuListBoxItem.h"

namespace QZ {

RCPtr<LControl>& LMenuListBoxItem::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                          const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LMenuListBoxItem>(out, parent, descriptor);
}

bool LMenuListBoxItem::SelectItemLook(std::int32_t index, bool invalidate) {
  return LCheckedListBoxItem::SelectItemLook(index, invalidate);
}

} // namespace QZ
