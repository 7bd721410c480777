// The control's render pass and its invalidation path.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Renderer/Renderer.h"

#include <algorithm>
#include <vector>

namespace QZ {

namespace {

// Sizes at or below this are empty.
constexpr double kTiny = 2.220446049250313e-16;

bool ClipsToParent(const LControl& control) {
  const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
  return !layout || layout->mClipToParent;
}

// The layout's visible flag and a size above 0 (the control alone).
bool IsShown(const LControl& control) {
  const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
  const RectT<double>& bounds = control.GetBounds();
  return (!layout || layout->mVisible) && bounds.width > 0 && bounds.height > 0;
}

bool IsNotEmpty(const RectT<double>& r) { return r.width > kTiny && r.height > kTiny; }

RectT<double> Intersection(const RectT<double>& a, const RectT<double>& b) {
  RectT<double> out;
  RectT<double>::Intersect(a, b, out);
  return out;
}

// Which of the parent's groups a child is drawn in: 1 docked on no axis, 2 on
// one, 3 on both; 0 for a floating child, which the parent does not draw.
std::int32_t DrawGroup(const LControl& child) {
  const RCPtr<LLayoutDescriptor>& layout = child.GetLayout();
  if (!layout)
    return 1;
  if (!layout->mClipToParent)
    return 0;
  return 1 + (layout->mPlacement[LLayoutDescriptor::kAxisX].mDocked ? 1 : 0) +
         (layout->mPlacement[LLayoutDescriptor::kAxisY].mDocked ? 1 : 0);
}

RectT<double> CurrentClip(const RCPtr<LRenderer>& renderer) {
  const RenderState* state = renderer->GetCurrentState();
  return state ? state->mClip : RenderState().mClip;
}

PointT<double> CurrentOrigin(const RCPtr<LRenderer>& renderer) {
  const RenderState* state = renderer->GetCurrentState();
  return state ? state->mOrigin : PointT<double>{};
}

void ScaleAlpha(const RCPtr<LRenderer>& renderer, float factor) {
  if (RenderState* state = renderer->GetCurrentState())
    state->mAlpha *= factor;
}

// Pops the state pushed by its owner, also when a look raises on the way.
class PopOnExit {
public:
  explicit PopOnExit(const RCPtr<LRenderer>& renderer) : mRenderer(renderer) {}
  ~PopOnExit() { mRenderer->PopState(); }
  PopOnExit(const PopOnExit&) = delete;
  PopOnExit& operator=(const PopOnExit&) = delete;

private:
  const RCPtr<LRenderer>& mRenderer;
};

// The damaged region's rectangles in list order.
struct RectList {
  void RemoveAll() { rects.clear(); }
  void AddItem(const RectT<std::int32_t>& r) { rects.push_back(r); }
  std::vector<RectT<std::int32_t>> rects;
};

} // namespace

QZRESULT LControl::PaintOverLooks(const RCPtr<LRenderer>&) { return S_OK; }

QZRESULT LControl::PaintOverChildren(const RCPtr<LRenderer>&) { return S_OK; }

QZRESULT LControl::RenderLayer(const RCPtr<LRenderer>& renderer, const Region& damaged,
                               ControlCollection& collection, bool layer) {
  if (layer == ClipsToParent(*this))
    return E_INVALIDARG;
  if (!IsShown(*this) || !renderer)
    return S_OK;
  const RCPtr<LControl> self(this); // a hook may drop the last outside reference
  RectT<double> visible = mBounds;
  if (!layer)
    visible = Intersection(mBounds, CurrentClip(renderer));
  if (!IsNotEmpty(visible)) {
    if (mUnclippedDescendants > 0)
      CollectUnclippedDescendants(collection, true, false);
    return S_OK;
  }

  renderer->PushClip(mBounds.RoundToLong().ToDoubleRect(), visible, RCPtr<LStencil>(), true);
  const PopOnExit controlScope(renderer);
  ScaleAlpha(renderer, mOpacity);
  if (!damaged.Intersects({0, 0, mBounds.width, mBounds.height}, CurrentOrigin(renderer))) {
    if (mUnclippedDescendants > 0)
      CollectUnclippedDescendants(collection, true, false);
    return S_OK;
  }

  // Each look with a weight above 0 is drawn, blended by its weight: all client
  // areas, then all frames, then look by look the label text and the children.
  const std::uint32_t lookCount = mLooks.GetCount();
  for (const bool clientParts : {true, false}) {
    for (std::uint32_t i = 0; i < lookCount; ++i) {
      if (i >= mLooks.GetCount() || !mLooks.GetAt(i) || i >= mLookWeights.GetCount() ||
          !(mLookWeights.GetAt(i) > 0))
        continue;
      const RCPtr<LLook> look = mLooks.GetAt(i);
      renderer->PushState();
      const PopOnExit lookScope(renderer);
      ScaleAlpha(renderer, mLookWeights.GetAt(i));
      if (clientParts)
        static_cast<void>(look->DrawClientParts(renderer, damaged));
      else
        static_cast<void>(look->DrawNonClientParts(renderer, damaged));
    }
  }

  const RectT<double> clip = CurrentClip(renderer);
  const PointT<double> origin = CurrentOrigin(renderer);
  RectList damagedRects;
  damaged.GetRects(damagedRects);
  const auto paintOver = [&](QZRESULT (LControl::*paint)(const RCPtr<LRenderer>&)) {
    for (const RectT<std::int32_t>& r : damagedRects.rects) {
      const RectT<double> local{static_cast<double>(r.x) - origin.x, static_cast<double>(r.y) - origin.y,
                                static_cast<double>(r.width), static_cast<double>(r.height)};
      const RectT<double> area = Intersection(local, clip);
      if (!IsNotEmpty(area))
        continue;
      renderer->PushClip({0, 0, mBounds.width, mBounds.height}, area, RCPtr<LStencil>(), true);
      const PopOnExit paintScope(renderer);
      static_cast<void>((this->*paint)(renderer));
    }
  };
  paintOver(&LControl::PaintOverLooks);

  const PointT<double> textOffset = mLabelTextScrolls ? mScrollOffset : PointT<double>{};
  for (std::uint32_t i = 0; i < lookCount; ++i) {
    if (i >= mLookWeights.GetCount() || !(mLookWeights.GetAt(i) > 0))
      continue;
    renderer->PushState();
    const PopOnExit lookScope(renderer);
    ScaleAlpha(renderer, mLookWeights.GetAt(i));
    if (i < mLooks.GetCount()) {
      if (const RCPtr<LLook> look = mLooks.GetAt(i))
        static_cast<void>(look->DrawLabelText(renderer, damaged, textOffset));
    }
    if (mChildren.GetCount() > 0)
      RenderChildren(renderer, damaged, static_cast<std::int32_t>(i), collection);
  }

  paintOver(&LControl::PaintOverChildren);

  for (std::uint32_t i = 0; i < mChildren.GetCount(); ++i) {
    const RCPtr<LControl>& child = mChildren.GetAt(i, kZOrder);
    if (IsShown(*child) && !ClipsToParent(*child))
      collection.AddItem(child);
  }
  return S_OK;
}

void LControl::RenderChildren(const RCPtr<LRenderer>& renderer, const Region& damaged, std::int32_t lookIndex,
                              ControlCollection& collection) {
  if (mChildren.GetCount() == 0)
    return;
  const RectT<double> c = GetLookClientRect(lookIndex).RoundToLong().ToDoubleRect();
  const PointT<double> s = mScrollOffset;
  const RectT<double> bounds{c.x - s.x, c.y - s.y, c.width + s.x, c.height + s.y};
  const LLook* look = lookIndex >= 0 && static_cast<std::uint32_t>(lookIndex) < mLooks.GetCount()
                          ? mLooks.GetAt(static_cast<std::uint32_t>(lookIndex)).GetRaw()
                          : nullptr;
  const RectT<double> childClip = look ? look->GetChildrenClipRect().ToDoubleRect() : c;

  std::uint32_t j = 0;
  // Groups 1 and 2 are clipped by the look's children clip; when that misses
  // the current clip, only their floating descendants are looked for.
  for (const std::int32_t group : {1, 2}) {
    if (j >= mChildren.GetCount())
      break;
    const RectT<double> current = CurrentClip(renderer);
    const bool overlaps = IsNotEmpty(childClip) && childClip.x < current.x + current.width &&
                          current.x < childClip.x + childClip.width && childClip.y < current.y + current.height &&
                          current.y < childClip.y + childClip.height;
    if (overlaps) {
      renderer->PushClip(bounds, childClip, RCPtr<LStencil>(), true);
      const PopOnExit groupScope(renderer);
      for (; j < mChildren.GetCount(); ++j) {
        const RCPtr<LControl> child = mChildren.GetAt(j, kZOrder);
        if (DrawGroup(*child) != group)
          break;
        static_cast<void>(child->RenderLayer(renderer, damaged, collection, false));
      }
    } else {
      for (; j < mChildren.GetCount(); ++j) {
        const RCPtr<LControl> child = mChildren.GetAt(j, kZOrder);
        if (DrawGroup(*child) != group)
          break;
        if (child->mUnclippedDescendants > 0)
          child->CollectUnclippedDescendants(collection, true, false);
      }
    }
  }
  if (j < mChildren.GetCount()) {
    renderer->PushTranslation({c.x - s.x, c.y - s.y});
    const PopOnExit groupScope(renderer);
    for (; j < mChildren.GetCount(); ++j) {
      const RCPtr<LControl> child = mChildren.GetAt(j, kZOrder);
      if (DrawGroup(*child) != 3)
        break;
      static_cast<void>(child->RenderLayer(renderer, damaged, collection, false));
    }
  }
}

std::int32_t LControl::CollectUnclippedDescendants(ControlCollection& collection, bool visibleOnly,
                                                   bool includeSelf) {
  const std::uint32_t before = collection.GetCount();
  const bool hidden = !IsShown(*this);
  if (visibleOnly && hidden)
    return 0;
  if (!ClipsToParent(*this) && includeSelf)
    collection.AddItem(RCPtr<LControl>(this));
  for (std::uint32_t i = 0; i < mChildren.GetCount(); ++i)
    mChildren.GetAt(i, kZOrder)->CollectUnclippedDescendants(collection, visibleOnly, true);
  return static_cast<std::int32_t>(collection.GetCount() - before);
}

void LControl::InvalidateUnclippedDescendants() {
  if (mUnclippedDescendants < 1) {
    if (!ClipsToParent(*this))
      InvalidateRect({0, 0, mBounds.width, mBounds.height}, false);
    return;
  }
  ControlCollection collected;
  CollectUnclippedDescendants(collected, true, true);
  for (std::uint32_t i = collected.GetCount(); i-- > 0;) {
    const RCPtr<LControl> control = collected.GetAt(i);
    control->InvalidateRect({0, 0, control->mBounds.width, control->mBounds.height}, ClipsToParent(*control));
  }
}

QZRESULT LControl::InvalidateRect(const RectT<double>& rect, bool clip) {
  const PointT<double> position = GetPositionInRoot();
  return PropagateInvalidRect({rect.x + position.x, rect.y + position.y, rect.width, rect.height}, clip, rect);
}

QZRESULT LControl::PropagateInvalidRect(const RectT<double>& rootRect, bool clip, const RectT<double>& localRect) {
  if (!IsShown(*this))
    return S_FALSE;
  RectT<double> local = localRect;
  bool passOn = false;
  if (clip && ClipsToParent(*this)) {
    local = Intersection(local, GetParentRectInLocal());
    if (!IsNotEmpty(local))
      return S_FALSE;
    passOn = true;
  }
  if (mParent) {
    const PointT<double> offset = GetOffsetInParent();
    local.x += offset.x;
    local.y += offset.y;
    const RCPtr<LControl> parent = mParent;
    return parent->PropagateInvalidRect(rootRect, passOn, local);
  }
  if (!mRootWindow)
    return S_OK;
  RectT<double> handed = rootRect;
  if (passOn) {
    // The local rectangle is the top-level control's: it becomes a root
    // rectangle only once moved by the control's position.
    const RectT<double> clipped{local.x + mBounds.x, local.y + mBounds.y, local.width, local.height};
    handed = Intersection(rootRect, clipped);
  }
  mRootWindow->InvalidateRect(handed.RoundToLong());
  return S_OK;
}

RectT<double> LControl::GetParentRectInLocal() const {
  if (mParent) {
    const PointT<double> offset = GetOffsetInParent();
    return {-offset.x, -offset.y, mParent->mBounds.width, mParent->mBounds.height};
  }
  if (mRootWindow) {
    const SizeT<std::int32_t> size = mRootWindow->GetSize();
    return {-mBounds.x, -mBounds.y, static_cast<double>(size.width), static_cast<double>(size.height)};
  }
  return {0, 0, mBounds.width, mBounds.height};
}

} // namespace QZ
