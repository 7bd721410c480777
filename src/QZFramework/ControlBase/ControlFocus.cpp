// The keyboard focus of a control tree: requests seated at the first or last
// focusable descendant, the ancestors told bottom-up, the focus taken away,
// Tab order, and the focus moving out of the way of controls that are
// disabled, hidden or made not focusable (and into controls that become able
// to take it while their parent holds it).

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/InputParams.h"

namespace QZ {

namespace {

const RCPtr<LControl>& NullControl() {
  static const RCPtr<LControl> kNull;
  return kNull;
}

bool CanTakeOrPass(const LControl& control) { return control.CanTakeFocus() || control.HasFocusableChild(); }

// Visible up the chain, enabled itself, under an enabled parent: a tab stop.
bool IsTabCandidate(const LControl& control) {
  const RCPtr<LControl>& parent = control.GetParent();
  return control.IsVisible(true) && control.IsEnabled(false) && (!parent || parent->IsEnabled(true));
}

} // namespace

// ---------------------------------------------------------------------------
// Seating and clearing the focus

const RCPtr<LControl>& LControl::GetFocusedChild() const {
  for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
    const RCPtr<LControl>& child = mChildren.GetAt(i, kCreationOrder);
    if (child->mHasFocus || child->mContainsFocus)
      return child;
  }
  return NullControl();
}

QZRESULT LControl::SetFocus(bool fromFirst) {
  // Held: the focus moves through listeners that may change the tree.
  const RCPtr<LControl> self(this);
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (!mHasFocus && rootWindow) {
    if (const RCPtr<LControl> focused = rootWindow->GetFocusedControl()) {
      if (!focused->CanLoseFocus())
        return E_FAIL;
    }
  }
  const bool canTake = CanTakeFocus();
  if (mHasFocus && canTake)
    return S_OK;

  if (HasFocusableChild()) {
    if (mContainsFocus) {
      const RCPtr<LControl> focusedChild = GetFocusedChild();
      if (!focusedChild)
        return E_FAIL;
      if (CanTakeOrPass(*focusedChild))
        return focusedChild->SetFocus(fromFirst);
      const RCPtr<LControl> target = fromFirst ? GetFirstFocusableChild() : GetLastFocusableChild();
      return target ? target->SetFocus(fromFirst) : E_FAIL;
    }
    const RCPtr<LControl> target = fromFirst ? GetFirstFocusableChild() : GetLastFocusableChild();
    return target ? target->SetFocus(fromFirst) : E_FAIL;
  }

  if (canTake) {
    QZRESULT result = S_OK;
    if (mContainsFocus) {
      mHasFocus = true;
      mContainsFocus = false;
      const RCPtr<LControl> focusedChild = GetFocusedChild();
      result = focusedChild ? (focusedChild->KillFocus() ? S_OK : E_FAIL) : E_FAIL;
    } else {
      mHasFocus = true;
      if (mParent)
        result = mParent->OnChildTakesFocus(self) ? S_OK : E_FAIL;
    }
    if (const RCPtr<IRootWindow> window = FindRootWindow())
      window->SetFocusedControl(self);
    UpdateConditions();
    return result;
  }

  if (mHasFocus)
    return E_FAIL;
  const RCPtr<LControl> top = GetTopLevelControl();
  if (!top->mHasFocus && !top->mContainsFocus)
    return S_FALSE;
  if (top.GetRaw() == this) {
    // The top of the tree can neither hold nor pass on the focus it contains
    // (its last focusable control went away): handing the request to itself
    // again would never end, so the stale focus chain is cleared instead.
    KillFocus();
    return S_FALSE;
  }
  return top->SetFocus(true);
}

bool LControl::OnChildTakesFocus(const RCPtr<LControl>& child) {
  const RCPtr<LControl> self(this);
  if (mContainsFocus) {
    for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
      if (i >= mChildren.GetCount())
        continue;
      const RCPtr<LControl> other = mChildren.GetAt(i, kCreationOrder);
      if (other != child && (other->mHasFocus || other->mContainsFocus))
        return other->KillFocus();
    }
    return false;
  }
  mContainsFocus = true;
  if (mHasFocus) {
    mHasFocus = false;
    UpdateConditions();
    return true;
  }
  bool answer = true;
  if (mParent)
    answer = mParent->OnChildTakesFocus(self);
  UpdateConditions();
  return answer;
}

bool LControl::KillFocus() {
  const RCPtr<LControl> self(this);
  if (mHasFocus) {
    mHasFocus = false;
    UpdateConditions();
    if (const RCPtr<IRootWindow> rootWindow = FindRootWindow())
      rootWindow->ClearFocusedControl();
    return true;
  }
  mContainsFocus = false;
  const RCPtr<LControl> focusedChild = GetFocusedChild();
  const bool result = focusedChild && focusedChild->KillFocus();
  UpdateConditions();
  return result;
}

bool LControl::CanLoseFocus() { return true; }

// ---------------------------------------------------------------------------
// Focusability and tab order

void LControl::SetNotFocusable(bool notFocusable) {
  const bool tabStopAgrees = !mLayout || (notFocusable ? mLayout->mTabStop < 0 : mLayout->mTabStop >= 0);
  if (notFocusable == mNotFocusable && tabStopAgrees)
    return;
  mNotFocusable = notFocusable;
  if (!tabStopAgrees)
    mLayout->mTabStop = mLayout->mTabStop == 0 ? -1 : -mLayout->mTabStop;
  if (mParent)
    mParent->mChildren.AdvanceChangeStamp();
  // Held only when the focus moves: creation calls this before anything holds the control.
  if (CanTakeOrPass(*this) && mParent && mParent->mHasFocus) {
    const RCPtr<LControl> self(this);
    SetFocus(true);
  } else if (notFocusable && mHasFocus && mParent) {
    const RCPtr<LControl> self(this);
    mParent->SetFocus(true);
  }
}

const RCPtr<LControl>& LControl::GetNextTabStop(const RCPtr<LControl>& child, bool reverse) const {
  if (!child || !child->mParent || child->mParent.GetRaw() != this)
    return NullControl();
  const std::int32_t count = static_cast<std::int32_t>(mChildren.GetCount());
  const std::int32_t start = FindChildIndex(child, kTabOrder);
  if (start < 0)
    return NullControl();
  const auto step = [count, reverse](std::int32_t i) {
    return reverse ? (i == 0 ? count - 1 : i - 1) : (i + 1) % count;
  };
  std::int32_t i = step(start);
  if (i == start) {
    const bool usable = child->IsVisible(true) && child->IsEnabled(false) && IsEnabled(true);
    return usable ? child : NullControl();
  }
  for (; i != start; i = step(i)) {
    const RCPtr<LControl>& candidate = mChildren.GetAt(static_cast<std::uint32_t>(i), kTabOrder);
    if (IsTabCandidate(*candidate))
      return candidate;
  }
  return NullControl();
}

const RCPtr<LControl>& LControl::GetFirstFocusableChild() const {
  if (mChildren.GetCount() == 0)
    return NullControl();
  const RCPtr<LControl>& first = mChildren.GetAt(0, kTabOrder);
  if (CanTakeOrPass(*first))
    return first;
  for (const RCPtr<LControl>* c = &GetNextTabStop(first, false); *c && *c != first;
       c = &GetNextTabStop(*c, false)) {
    if (CanTakeOrPass(**c))
      return *c;
  }
  return NullControl();
}

const RCPtr<LControl>& LControl::GetLastFocusableChild() const {
  const std::uint32_t count = mChildren.GetCount();
  if (count == 0)
    return NullControl();
  const RCPtr<LControl>& last = mChildren.GetAt(count - 1, kTabOrder);
  if (CanTakeOrPass(*last))
    return last;
  for (const RCPtr<LControl>* c = &GetNextTabStop(last, true); *c && *c != last; c = &GetNextTabStop(*c, true)) {
    if (CanTakeOrPass(**c))
      return *c;
  }
  return NullControl();
}

void LControl::NavigateFocus(const RCPtr<LKeyParam>& key) {
  if (!key)
    return;
  const RCPtr<LControl> self(this);
  const bool reverse = (key->mKey.Bits() & kKeyShift) != 0;
  const auto goUp = [this, &self](const RCPtr<LKeyParam>& param) {
    param->mVisited.AddItem(self);
    if (mParent) {
      mParent->NavigateFocus(param);
    } else if (const RCPtr<IRootWindow> rootWindow = FindRootWindow()) {
      rootWindow->TabToNextWindow(param);
    }
  };
  if ((key->mKey.Bits() & kKeyCtrl) != 0) {
    // Ctrl+Tab leaves the current group.
    const RCPtr<LKeyParam> tab = LKeyParam::Create(KeyCode(0x09, true, 0, reverse ? kModifierShift : 0), 0);
    for (std::uint32_t i = 0; i < key->mVisited.GetCount(); ++i)
      tab->mVisited.AddItem(key->mVisited.GetAt(i));
    goUp(tab);
    return;
  }
  const std::uint32_t visited = key->mVisited.GetCount();
  RCPtr<LControl> from = visited > 0 ? key->mVisited.GetAt(visited - 1) : RCPtr<LControl>();
  RCPtr<LControl> candidate = GetNextTabStop(from, reverse);
  while (candidate && candidate != from) {
    if (key->mValue == 0) {
      const std::int32_t fromPosition = from ? FindChildIndex(from, kTabOrder) : -1;
      const std::int32_t candidatePosition = FindChildIndex(candidate, kTabOrder);
      const bool wrapped = reverse ? fromPosition <= candidatePosition : fromPosition >= candidatePosition;
      if (wrapped) {
        goUp(key);
        return;
      }
    }
    if (CanTakeOrPass(*candidate)) {
      candidate->SetFocus(!reverse);
      return;
    }
    if (from && !IsTabCandidate(*from))
      from = candidate;
    candidate = GetNextTabStop(candidate, reverse);
  }
  if (key->mValue == 0)
    goUp(key);
}

// ---------------------------------------------------------------------------
// Enabling and visibility

void LControl::SetEnabled(bool enabled) {
  if (!mLayout || mLayout->mEnabled == enabled)
    return;
  const RCPtr<LControl> self(this);
  mLayout->mEnabled = enabled;
  if (!enabled && (mHasFocus || mContainsFocus) && mParent)
    mParent->SetFocus(true);
  if (CanTakeOrPass(*this) && mParent && mParent->mHasFocus)
    SetFocus(true);
  UpdateConditions();
  InvalidateWhole();
  InvalidateUnclippedDescendants();
}

bool LControl::SetVisible(bool visible) {
  if (!mLayout || mLayout->mVisible == visible)
    return IsVisible(true);
  const RCPtr<LControl> self(this);
  // Hiding repaints the area before it goes, showing once it is there.
  if (!visible) {
    InvalidateWhole();
    InvalidateUnclippedDescendants();
  }
  mLayout->mVisible = visible;
  if (visible) {
    if (CanTakeOrPass(*this) && mParent && mParent->mHasFocus)
      SetFocus(true);
    InvalidateWhole();
    InvalidateUnclippedDescendants();
  } else if ((mHasFocus || mContainsFocus) && mParent) {
    mParent->SetFocus(true);
  }
  UpdateConditions();
  return IsVisible(true);
}

} // namespace QZ
