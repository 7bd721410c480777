#include "QZFramework/Controls/ScrollBar.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <cmath>

namespace QZ {

namespace {

constexpr const char16_t* kAutoRepeat = u"NID_BUTTON_AUTOREPEAT";
constexpr const char16_t* kLeftDragChange = u"NID_LEFT_DRAG_CONDITION_CHANGE";
constexpr const char16_t* kHoverChange = u"NID_HOVER_CONDITION_CHANGE";
constexpr const char16_t* kMouseMove = u"NID_MOUSE_MOVE";
constexpr const char16_t* kSiblingKey = u"NID_SIBLING_KEY";

// The keys the bar answers, as exact codes (pressed, no modifiers).
struct SBarKey {
  std::uint32_t code;
  std::uint32_t flag;
  bool vertical;
  bool horizontal;
};
constexpr SBarKey kBarKeys[] = {
    {0x20260000, LScrollbar::kKeyUp, true, false},     {0x20280000, LScrollbar::kKeyDown, true, false},
    {0x20250000, LScrollbar::kKeyLeft, false, true},   {0x20270000, LScrollbar::kKeyRight, false, true},
    {0x20210000, LScrollbar::kKeyPageUp, true, false}, {0x20220000, LScrollbar::kKeyPageDown, true, false},
    {0x20240000, LScrollbar::kKeyHome, true, true},    {0x20230000, LScrollbar::kKeyEnd, true, true},
};

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

bool IsFrom(const RCPtr<LNotificationDistributor>& source, const RCPtr<LButton>& button) {
  return button && source.GetRaw() == static_cast<LNotificationDistributor*>(button.GetRaw());
}

RCPtr<LConditionsParam> ConditionsOf(const RCPtr<LNotification>& notification) {
  return notification ? DynamicCast<LConditionsParam>(notification->GetPayload()) : RCPtr<LConditionsParam>();
}

double RoundHalfAwayFromZero(double value) { return std::round(value); }

} // namespace

LScrollbar::LScrollbar(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {
  static_cast<void>(LControl::SetValueRange(0.0, 100.0, kValueMappingLinear));
}

RCPtr<LControl>& LScrollbar::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                    const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LScrollbar>(out, parent, descriptor);
}

double LScrollbar::Now() const {
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetTime() : 0.0;
}

QZRESULT LScrollbar::Initialize() {
  if (LControl::Initialize() < 0)
    return E_FAIL;
  mBarHandler = LNotificationHandler<LScrollbar>::Create(this);

  mChannel = FindChild(WideString(u"channel"));
  if (mChannel) {
    static_cast<void>(mBarHandler->Register(&LScrollbar::OnChannelDrag, AsDistributor(mChannel), kLeftDragChange));
    static_cast<void>(mBarHandler->Register(&LScrollbar::OnChannelHover, AsDistributor(mChannel), kHoverChange));
    mThumb = DynamicCast<LButton>(mChannel->FindChild(WideString(u"thumb")));
    if (mThumb) {
      static_cast<void>(mBarHandler->Register(&LScrollbar::OnThumbMove, AsDistributor(mThumb), kMouseMove));
      static_cast<void>(mBarHandler->Register(&LScrollbar::OnThumbDrag, AsDistributor(mThumb), kLeftDragChange));
      mThumb->SetPressedWhileCaptured(true);
    }
  }
  mDec = DynamicCast<LButton>(FindChild(WideString(u"dec")));
  mInc = DynamicCast<LButton>(FindChild(WideString(u"inc")));
  for (const RCPtr<LButton>& button : {mDec, mInc}) {
    if (!button)
      continue;
    static_cast<void>(mBarHandler->Register(&LScrollbar::OnStepButton, AsDistributor(button), kAutoRepeat));
    button->SetAutoRepeat(true);
  }
  if (mDec && mInc) {
    const RectT<double>& dec = mDec->GetBounds();
    const RectT<double>& inc = mInc->GetBounds();
    mVertical = inc.x - dec.x > inc.y - dec.y ? 0 : 1;
  }
  OnSizeChanged();
  static_cast<void>(EnableKeys(kAllKeys));
  return S_OK;
}

QZRESULT LScrollbar::FinishInitialize() {
  SetNotFocusable(true);
  for (const RCPtr<LControl>& part :
       {RCPtr<LControl>(mDec), RCPtr<LControl>(mInc), mChannel, RCPtr<LControl>(mThumb)}) {
    if (part)
      part->SetNotFocusable(true);
  }
  if (mThumb)
    mMinThumbLength = mVertical ? mThumb->GetBounds().width : mThumb->GetBounds().height;
  OnSizeChanged();
  return S_OK;
}

std::int32_t LScrollbar::Receive(const RCPtr<LNotificationDistributor>& source,
                                 const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mBarHandler) {
    const std::int32_t handled = mBarHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LControl::Receive(source, notification);
}

QZRESULT LScrollbar::ReleaseInnerReferences() {
  mBarHandler = RCPtr<LNotificationHandler<LScrollbar>>();
  mThumb = mDec = mInc = RCPtr<LButton>();
  mChannel = RCPtr<LControl>();
  return LControl::ReleaseInnerReferences();
}

QZRESULT LScrollbar::EnableKeys(std::uint32_t mask) {
  if (mask > 0xFF)
    return E_INVALIDARG;
  if (mask != 0 && !mKeysSubscribed && mBarHandler) {
    mKeysSubscribed = true;
    if (mParent)
      static_cast<void>(mBarHandler->Register(&LScrollbar::OnBarKey, AsDistributor(mParent), kSiblingKey));
    static_cast<void>(mBarHandler->RegisterForReceive(&LScrollbar::OnBarKey, kSiblingKey));
  }
  mKeyFlags = mask;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Value and thumb

double LScrollbar::SetValue(double normalized) {
  if (mDraggingThumb) {
    mPendingValue = normalized;
    return mNormalizedValue;
  }
  const double result = LControl::SetValue(std::clamp(normalized, 0.0, 1.0));
  PositionThumb();
  return result;
}

QZRESULT LScrollbar::SetValueRange(double minimum, double maximum, std::int32_t mapping) {
  const double real = GetValue();
  const QZRESULT result = LControl::SetValueRange(minimum, maximum, mapping);
  if (result < 0)
    return result;
  static_cast<void>(SetValue(ValueToNormalized(real)));
  PositionThumb();
  return result;
}

void LScrollbar::OnSizeChanged() {
  LControl::OnSizeChanged();
  if (!mThumb || !mChannel)
    return;
  const RectT<double> client = mChannel->GetClientRect();
  const RectT<double>& bounds = mChannel->GetBounds();
  mChannelOrigin = mVertical ? bounds.y + client.y : bounds.x + client.x;
  mTrackStart = 0;
  mTrackEnd = mVertical ? client.height : client.width;
  LayoutThumb();
  PositionThumb();
}

void LScrollbar::LayoutThumb() {
  if (!mThumb)
    return;
  mThumbLength = std::floor(std::max(mMinThumbLength, (mTrackEnd - mTrackStart) * mThumbFraction) + 0.5);
  AxisPlacement placement;
  SizeSpec size;
  if (const RCPtr<LLayoutDescriptor>& layout = mThumb->GetLayout();
      layout && layout->GetAxisLayout(Axis(), placement, size) == S_OK) {
    SizeSpec length;
    length.mAbsolute = mThumbLength;
    static_cast<void>(mThumb->SetAxisPlacement(Axis(), placement, length));
  }
  PositionThumb();
}

double LScrollbar::ThumbPosition() const {
  if (!mThumb)
    return 0.0;
  return mVertical ? mThumb->GetBounds().y : mThumb->GetBounds().x;
}

void LScrollbar::PositionThumb() {
  if (mDraggingThumb || !mThumb)
    return;
  // A track shorter than the thumb keeps the thumb at its start.
  const double free = std::max(0.0, mTrackEnd - mTrackStart - mThumbLength);
  const double position = RoundHalfAwayFromZero(mTrackStart + free * mNormalizedValue);
  if (position == ThumbPosition())
    return;
  AxisPlacement placement;
  SizeSpec size;
  const RCPtr<LLayoutDescriptor>& layout = mThumb->GetLayout();
  if (!layout || layout->GetAxisLayout(Axis(), placement, size) != S_OK)
    return;
  placement.mAnchor = 0;
  placement.mRelative = 0;
  placement.mAbsolute = position;
  static_cast<void>(mThumb->SetAxisPlacement(Axis(), placement, size));
}

std::int32_t LScrollbar::HitTestTrack(const PointT<double>& point) const {
  if (!mThumb || !mChannel)
    return kPagingNone;
  const RectT<double> client = mChannel->GetClientRect();
  const double along = mVertical ? point.y - client.y : point.x - client.x;
  const double leading = ThumbPosition();
  const double trailing = leading + (mVertical ? mThumb->GetBounds().height : mThumb->GetBounds().width);
  if (along >= mTrackStart && along <= leading)
    return kPagingTowardsStart;
  if (along >= trailing && along <= mTrackEnd)
    return kPagingTowardsEnd;
  return kPagingNone;
}

// ---------------------------------------------------------------------------
// Step buttons and keys

std::int32_t LScrollbar::OnStepButton(const RCPtr<LNotificationDistributor>& source, const RCPtr<LNotification>&) {
  if (IsFrom(source, mDec))
    static_cast<void>(SetValue(mNormalizedValue - mSmallStep));
  else if (IsFrom(source, mInc))
    static_cast<void>(SetValue(mNormalizedValue + mSmallStep));
  return 1;
}

std::int32_t LScrollbar::OnBarKey(const RCPtr<LNotificationDistributor>&,
                                  const RCPtr<LNotification>& notification) {
  const RCPtr<LSiblingKeyParam> key =
      notification ? DynamicCast<LSiblingKeyParam>(notification->GetPayload()) : RCPtr<LSiblingKeyParam>();
  if (!key || !IsVisible(true))
    return 1;
  const std::uint32_t code = key->mKey.Bits();
  for (const SBarKey& entry : kBarKeys) {
    if (entry.code != code || (mKeyFlags & entry.flag) == 0 || !(mVertical ? entry.vertical : entry.horizontal))
      continue;
    const RCPtr<LScrollbar> self(this);
    switch (entry.flag) {
    case kKeyUp:
    case kKeyLeft:
      static_cast<void>(SetValue(mNormalizedValue - mSmallStep));
      break;
    case kKeyDown:
    case kKeyRight:
      static_cast<void>(SetValue(mNormalizedValue + mSmallStep));
      break;
    case kKeyPageUp:
      static_cast<void>(SetValue(mNormalizedValue - mPageStep));
      break;
    case kKeyPageDown:
      static_cast<void>(SetValue(mNormalizedValue + mPageStep));
      break;
    case kKeyHome:
      static_cast<void>(SetValue(0.0));
      break;
    default:
      static_cast<void>(SetValue(1.0));
      break;
    }
    key->mResult = 0;
    return 1;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Track paging

PointT<double> LScrollbar::PointerInChannel() const {
  const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot();
  if (!rootWindow || !mChannel)
    return {-1.0e9, -1.0e9};
  const PointT<std::int32_t> cursor = rootWindow->GetCursorPosition();
  const PointT<double> origin = mChannel->GetPositionInRoot();
  return {cursor.x - origin.x, cursor.y - origin.y};
}

bool LScrollbar::PointerOnPagingSide() const {
  return mPagingDirection != kPagingNone && mChannel && mChannel->IsMouseInside() &&
         HitTestTrack(PointerInChannel()) == mPagingDirection;
}

void LScrollbar::PageOnce() {
  if (mPagingDirection == kPagingTowardsStart)
    static_cast<void>(SetValue(mNormalizedValue - mPageStep));
  else if (mPagingDirection == kPagingTowardsEnd)
    static_cast<void>(SetValue(mNormalizedValue + mPageStep));
}

void LScrollbar::UpdatePagingLook() {
  if (!mChannel)
    return;
  if (!mThumb || !PointerOnPagingSide()) {
    mChannel->ClearLookRegions();
    static_cast<void>(mChannel->SelectLook(kChannelLookNormal));
    return;
  }
  const RectT<double> client = mChannel->GetClientRect();
  const RectT<double>& bounds = mChannel->GetBounds();
  const double clientStart = mVertical ? client.y : client.x;
  const double leading = clientStart + ThumbPosition();
  const double trailing = leading + mThumbLength;
  const double end = mVertical ? bounds.height : bounds.width;
  const double from = mPagingDirection == kPagingTowardsStart ? clientStart : trailing;
  const double to = mPagingDirection == kPagingTowardsStart ? leading : end;
  const auto across = static_cast<std::int32_t>(std::lround(mVertical ? bounds.width : bounds.height));
  const auto first = static_cast<std::int32_t>(std::lround(from));
  const auto last = static_cast<std::int32_t>(std::lround(to));
  Region clicked;
  if (mVertical)
    clicked.AddRect({0, first, across, last});
  else
    clicked.AddRect({first, 0, last, across});
  static_cast<void>(mChannel->SetLookWeight(kChannelLookClicked, 1.0f, false));
  static_cast<void>(mChannel->SetLookRegion(kChannelLookClicked, clicked));
  static_cast<void>(mChannel->SetLookRegionExcluding(kChannelLookNormal, kChannelLookClicked));
  static_cast<void>(mChannel->SetLookWeight(kChannelLookNormal, 1.0f, false));
}

std::int32_t LScrollbar::OnChannelDrag(const RCPtr<LNotificationDistributor>&,
                                       const RCPtr<LNotification>& notification) {
  const RCPtr<LConditionsParam> conditions = ConditionsOf(notification);
  if (!conditions || !mChannel)
    return 1;
  const RCPtr<LScrollbar> self(this);
  const std::uint32_t gained = conditions->mCurrentBits & ~conditions->mPreviousBits;
  const std::uint32_t lost = conditions->mPreviousBits & ~conditions->mCurrentBits;
  if ((gained & kConditionLeftDragArmed) != 0) {
    // The press point comes in the bar's content space.
    const RectT<double>& bounds = mChannel->GetBounds();
    const PointT<double> point{conditions->mPoint.x - bounds.x, conditions->mPoint.y - bounds.y};
    const bool wasPaging = mPagingDirection != kPagingNone;
    mPagingDirection = HitTestTrack(point);
    PageOnce();
    if (mPagingDirection != kPagingNone) {
      UpdatePagingLook();
      mPagingLastTick = Now();
      mPagingCountdown = mFirstPageRepeatDelay;
      if (!wasPaging)
        static_cast<void>(BeginIdleNotifications());
    } else if (wasPaging) {
      static_cast<void>(EndIdleNotifications());
    }
  } else if ((lost & kConditionCaptured) != 0 && mPagingDirection != kPagingNone) {
    mPagingDirection = kPagingNone;
    mChannel->ClearLookRegions();
    static_cast<void>(mChannel->SelectLook(kChannelLookNormal));
    static_cast<void>(EndIdleNotifications());
  }
  if (mPagingDirection != kPagingNone)
    UpdatePagingLook();
  return 1;
}

std::int32_t LScrollbar::OnChannelHover(const RCPtr<LNotificationDistributor>&,
                                        const RCPtr<LNotification>& notification) {
  const RCPtr<LConditionsParam> conditions = ConditionsOf(notification);
  if (!conditions)
    return 1;
  // Time spent outside the channel does not count towards the next page.
  if ((conditions->mCurrentBits & ~conditions->mPreviousBits & kConditionHover) != 0)
    mPagingLastTick = Now();
  if (mPagingDirection != kPagingNone)
    UpdatePagingLook();
  return 1;
}

void LScrollbar::OnIdle() {
  if (mPagingDirection == kPagingNone || !PointerOnPagingSide())
    return;
  const RCPtr<LScrollbar> self(this);
  const double now = Now();
  mPagingCountdown -= now - mPagingLastTick;
  mPagingLastTick = now;
  if (mPagingCountdown <= 0.0) {
    mPagingCountdown = mPageRepeatInterval;
    PageOnce();
    UpdatePagingLook();
  }
}

// ---------------------------------------------------------------------------
// Thumb drag

std::int32_t LScrollbar::OnThumbDrag(const RCPtr<LNotificationDistributor>&,
                                     const RCPtr<LNotification>& notification) {
  const RCPtr<LConditionsParam> conditions = ConditionsOf(notification);
  if (!conditions || !mThumb)
    return 1;
  const std::uint32_t gained = conditions->mCurrentBits & ~conditions->mPreviousBits;
  const std::uint32_t lost = conditions->mPreviousBits & ~conditions->mCurrentBits;
  if ((gained & kConditionLeftDragging) != 0) {
    mDraggingThumb = true;
    // The press point comes in the channel's content space.
    const RectT<double>& bounds = mThumb->GetBounds();
    mGrabOffset = PointT<double>{conditions->mPoint.x - bounds.x, conditions->mPoint.y - bounds.y}.RoundToLong();
    mPendingValue = -1;
  } else if ((lost & kConditionLeftDragging) != 0 && mDraggingThumb) {
    const RCPtr<LScrollbar> self(this);
    mDraggingThumb = false;
    const double pending = mPendingValue;
    mPendingValue = -1;
    if (pending >= 0.0 && pending <= 1.0)
      static_cast<void>(SetValue(pending));
  }
  return 1;
}

std::int32_t LScrollbar::OnThumbMove(const RCPtr<LNotificationDistributor>&,
                                     const RCPtr<LNotification>& notification) {
  if (!mDraggingThumb || !mThumb || !notification)
    return 1;
  const RCPtr<LPointWithModifiersParam> move = DynamicCast<LPointWithModifiersParam>(notification->GetPayload());
  if (!move)
    return 1;
  const RCPtr<LScrollbar> self(this);
  // The pointer in the channel's content space, less where the thumb was grabbed.
  const RectT<double>& bounds = mThumb->GetBounds();
  const double pointer =
      mVertical ? move->mPoint.y + bounds.y - mGrabOffset.y : move->mPoint.x + bounds.x - mGrabOffset.x;
  const double free = mTrackEnd - mTrackStart - mThumbLength;
  const double position = std::clamp(pointer, mTrackStart, std::max(mTrackStart, mTrackEnd - mThumbLength));
  if (position == ThumbPosition())
    return 1;
  AxisPlacement placement;
  SizeSpec size;
  const RCPtr<LLayoutDescriptor>& layout = mThumb->GetLayout();
  if (layout && layout->GetAxisLayout(Axis(), placement, size) == S_OK) {
    placement.mAnchor = 0;
    placement.mRelative = 0;
    placement.mAbsolute = position;
    static_cast<void>(mThumb->SetAxisPlacement(Axis(), placement, size));
  }
  if (free > 0.0)
    static_cast<void>(LControl::SetValue(std::clamp((position - mTrackStart) / free, 0.0, 1.0)));
  return 1;
}

} // namespace QZ
