#include "QZFramework/Controls/Panel.h"

#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"

namespace QZ {

namespace {

const RCPtr<LControl>& NoControl() {
  static const RCPtr<LControl> none;
  return none;
}

} // namespace

RCPtr<LControl>& LPanel::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LPanel>(out, parent, descriptor);
}

const RCPtr<LControl>& LPanel::GetNextTabStop(const RCPtr<LControl>& child, bool reverse) const {
  const RCPtr<LControl>& found = LControl::GetNextTabStop(child, reverse);
  if (!GetParent() || !found)
    return found;
  const std::int32_t from = child ? FindChildIndex(child, kTabOrder) : -1;
  const std::int32_t to = FindChildIndex(found, kTabOrder);
  const bool wrapped = reverse ? to >= from : to <= from;
  return wrapped ? NoControl() : found;
}

void LPanel::NavigateFocus(const RCPtr<LKeyParam>& key) {
  if (!key)
    return;
  const bool reverse = (key->mKey.Bits() & kKeyShift) != 0;
  if ((key->mKey.Bits() & kKeyCtrl) == 0) {
    const std::uint32_t visited = key->mVisited.GetCount();
    RCPtr<LControl> start = visited > 0 ? key->mVisited.GetAt(visited - 1) : RCPtr<LControl>();
    RCPtr<LControl> candidate = GetNextTabStop(start, reverse);
    while (candidate && candidate != start) {
      if (candidate->CanTakeFocus() || candidate->HasFocusableChild()) {
        static_cast<void>(candidate->SetFocus(!reverse));
        return;
      }
      // A start that dropped out of the tab order would never be met again.
      if (start && (!start->IsVisible(true) || !start->IsEnabled(true)))
        start = candidate;
      candidate = GetNextTabStop(candidate, reverse);
    }
  }
  key->mVisited.AddItem(RCPtr<LControl>(this));
  if (GetParent())
    GetParent()->NavigateFocus(key);
}

} // namespace QZ
