#include "QZFramework/Controls/ToolTip.h"

#include "QZFramework/AppServices/FrameworkApp.h"

namespace QZ {

namespace {

constexpr std::int32_t kCursorOffsetY = 20;
// Room the tip leaves beside a window-wide text.
constexpr std::int32_t kWindowMargin = 8;

// The window's client size: from the native window when there is one.
SizeT<std::int32_t> ClientSize(IRootWindow& rootWindow) {
  RectT<std::int32_t> client = rootWindow.GetBounds();
  if (IWindowOSServices* window = rootWindow.GetWindowOSServices())
    window->GetClientRect(client);
  return {client.width, client.height};
}

} // namespace

std::uint32_t LToolTip::sLastHideTime = 0;

RCPtr<LControl>& LToolTip::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                  const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LToolTip>(out, parent, descriptor);
}

std::uint32_t LToolTip::Now() const {
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetMilliseconds() : 0;
}

bool LToolTip::IsTransparentAt(const PointT<std::int32_t>&) const { return false; }

QZRESULT LToolTip::ReadCreateParams() {
  mNotFocusable = true;
  return S_OK;
}

QZRESULT LToolTip::FinishInitialize() {
  static_cast<void>(SetVisible(false));
  return S_OK;
}

void LToolTip::Show() {
  const RCPtr<IRootWindow> rootWindow = GetRootWindowSlot();
  if (rootWindow && mLayout) {
    const SizeT<std::int32_t> client = ClientSize(*rootWindow);
    SizeLimitSpec minimum = mLayout->mMinSize[LLayoutDescriptor::kAxisX];
    SizeLimitSpec maximum = mLayout->mMaxSize[LLayoutDescriptor::kAxisX];
    maximum.mAbsolute = client.width - kWindowMargin;
    static_cast<void>(SetAxisSizeLimits(LLayoutDescriptor::kAxisX, minimum, maximum));
  }
  const RCPtr<LToolTip> self(this);
  mStateTime = Now();
  if (mStateTime - sLastHideTime < kReshowWindow) {
    mDisplayState = kShown;
    PositionNearPointer();
    static_cast<void>(SetVisible(true));
  } else {
    mDisplayState = kWaiting;
  }
  static_cast<void>(BeginIdleNotifications());
}

void LToolTip::Hide() {
  const RCPtr<LToolTip> self(this);
  if (mDisplayState != kHidden) {
    mDisplayState = kHidden;
    static_cast<void>(EndIdleNotifications());
  }
  // A tip that never showed leaves the hide time alone, so the next one waits in full.
  if (IsVisible(false))
    sLastHideTime = Now();
  if (GetParent())
    static_cast<void>(GetParent()->CloseChildLater(self));
}

void LToolTip::OnIdle() {
  const std::uint32_t now = Now();
  if (mDisplayState == kWaiting && now - mStateTime > kShowDelay) {
    mDisplayState = kShown;
    mStateTime = now;
    PositionNearPointer();
    static_cast<void>(SetVisible(true));
  } else if (mDisplayState == kShown && now - mStateTime > kShowTime) {
    Hide();
  }
}

void LToolTip::PositionNearPointer() {
  const RCPtr<IRootWindow> rootWindow = GetRootWindowSlot();
  if (!rootWindow || !mLayout)
    return;
  const PointT<std::int32_t> pointer = rootWindow->GetCursorPosition();
  const SizeT<std::int32_t> client = ClientSize(*rootWindow);
  PointT<std::int32_t> origin{};
  if (GetParent()) {
    const PointT<double> position = GetParent()->GetPositionInRoot();
    const PointT<double>& scroll = GetParent()->GetScrollOffset();
    origin = {static_cast<std::int32_t>(position.x - scroll.x), static_cast<std::int32_t>(position.y - scroll.y)};
  }
  const std::int32_t wanted[2] = {pointer.x, pointer.y + kCursorOffsetY};
  const std::int32_t window[2] = {client.width, client.height};
  const std::int32_t own[2] = {static_cast<std::int32_t>(mBounds.width),
                               static_cast<std::int32_t>(mBounds.height)};
  const std::int32_t offset[2] = {origin.x, origin.y};
  for (std::int32_t axis = LLayoutDescriptor::kAxisX; axis <= LLayoutDescriptor::kAxisY; ++axis) {
    std::int32_t at = wanted[axis];
    if (at + own[axis] > window[axis])
      at = window[axis] - own[axis];
    if (at < 0)
      at = 0;
    AxisPlacement placement = mLayout->mPlacement[axis];
    placement.mAbsolute = at - offset[axis];
    static_cast<void>(SetAxisPlacement(axis, placement, mLayout->mSize[axis]));
  }
}

} // namespace QZ
