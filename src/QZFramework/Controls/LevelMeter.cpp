#include "QZFramework/Controls/LevelMeter.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Controls/AxisLayout.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Notification/Notification.h"

namespace QZ {

namespace {

constexpr const char16_t* kLeftClick = u"NID_LEFT_CLICK";
constexpr const char16_t* kUnlatched = u"NID_CLIPLIGHT_UNLATCHED";

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

// The child when it is a panel.
RCPtr<LControl> FindPanel(const LControl& parent, const char16_t* name) {
  const RCPtr<LControl> child = parent.FindChild(WideString(name));
  return DynamicCast<LPanel>(child) ? child : RCPtr<LControl>();
}

} // namespace

RCPtr<LControl>& LLevelMeter::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                     const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LLevelMeter>(out, parent, descriptor);
}

QZRESULT LLevelMeter::Initialize() {
  const QZRESULT result = LControl::Initialize();
  mMeterHandler = LNotificationHandler<LLevelMeter>::Create(this);
  mPeakMarker = FindPanel(*this, u"peakLo");
  mOverlay = FindPanel(*this, u"activeOverlay");
  for (const RCPtr<LControl>& part : {mPeakMarker, mOverlay}) {
    if (part)
      part->SetUseParentToolTip(true);
  }
  mClipButton = FindChild(WideString(u"clipButton"));
  return result;
}

QZRESULT LLevelMeter::FinishInitialize() {
  mVertical = GetBounds().height > GetBounds().width;
  if (mPeakMarker) {
    static_cast<void>(mPeakMarker->SetVisible(false));
    mPeakMarker->SetNotFocusable(true);
    mPeakStart = {mPeakMarker->GetBounds().x, mPeakMarker->GetBounds().y};
    if (const RCPtr<LControl> peakEnd = FindChild(WideString(u"peakHi"))) {
      static_cast<void>(peakEnd->SetVisible(false));
      peakEnd->SetNotFocusable(true);
      mPeakEnd = {peakEnd->GetBounds().x, peakEnd->GetBounds().y};
    } else {
      mPeakMarker = RCPtr<LControl>();
    }
  }
  if (mOverlay) {
    static_cast<void>(mOverlay->SetVisible(false));
    mOverlay->SetNotFocusable(true);
  }
  if (mClipButton)
    mClipButton->SetNotFocusable(true);
  SetNotFocusable(true);
  OnValueChanged();
  return S_OK;
}

std::int32_t LLevelMeter::Receive(const RCPtr<LNotificationDistributor>& source,
                                  const RCPtr<LNotification>& notification) {
  if (IsCreated() && mMeterHandler) {
    const std::int32_t handled = mMeterHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LControl::Receive(source, notification);
}

QZRESULT LLevelMeter::ReleaseInnerReferences() {
  mMeterHandler = RCPtr<LNotificationHandler<LLevelMeter>>();
  mPeakMarker = mOverlay = mClipButton = RCPtr<LControl>();
  return LControl::ReleaseInnerReferences();
}

void LLevelMeter::OnValueChanged() {
  if (!mUpdating)
    static_cast<void>(SetLevelsWithClip(GetNormalizedValue(), 0.0, mClipCount));
}

QZRESULT LLevelMeter::SetLevels(double level, double peak) { return SetLevelsWithClip(level, peak, mClipCount); }

QZRESULT LLevelMeter::SetLevelsWithClip(double level, double peak, std::int32_t clipCount) {
  const RCPtr<LLevelMeter> self(this);
  if (mClipButton) {
    if (clipCount != mClipCount)
      static_cast<void>(mClipButton->SetValue(1.0));
    else if (!mLatching)
      static_cast<void>(mClipButton->SetValue(0.0));
  }
  mClipCount = clipCount;

  mUpdating = true;
  static_cast<void>(SetValue(level));
  mUpdating = false;

  const std::int32_t axis = mVertical ? 1 : 0;
  if (mOverlay) {
    const double extent = mVertical ? GetBounds().height * (1.0 - level) : GetBounds().width * level;
    const double length = RoundToLong(extent);
    if (length > 0) {
      static_cast<void>(mOverlay->SetVisible(true));
      ChangeAxisLayout(mOverlay, axis, std::nullopt, length);
    } else {
      static_cast<void>(mOverlay->SetVisible(false));
    }
  }
  if (mPeakMarker) {
    const double span = mVertical ? mPeakEnd.y - mPeakStart.y : mPeakEnd.x - mPeakStart.x;
    const double position = RoundToLong(span * peak);
    if (position != 0) {
      static_cast<void>(mPeakMarker->SetVisible(true));
      ChangeAxisLayout(mPeakMarker, axis, position, std::nullopt);
    } else {
      static_cast<void>(mPeakMarker->SetVisible(false));
    }
  }
  return S_OK;
}

QZRESULT LLevelMeter::SetClipLatch(bool latch) {
  if (!mClipButton)
    return E_FAIL;
  static_cast<void>(mClipButton->SetValue(0.0));
  if (latch != mLatching) {
    mLatching = latch;
    if (latch && mMeterHandler)
      static_cast<void>(
          mMeterHandler->Register(&LLevelMeter::OnClipClick, AsDistributor(mClipButton), kLeftClick));
    else if (mMeterHandler) {
      static_cast<void>(mMeterHandler->Unregister(AsDistributor(mClipButton), kLeftClick));
      static_cast<void>(Unsubscribe(AsDistributor(mClipButton), kLeftClick));
    }
  }
  return S_OK;
}

bool LLevelMeter::IsClipped() const { return mClipButton && mClipButton->GetNormalizedValue() >= 0.5; }

std::int32_t LLevelMeter::OnClipClick(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  if (!IsClipped())
    return 1;
  const RCPtr<LLevelMeter> self(this);
  static_cast<void>(mClipButton->SetValue(0.0));
  static_cast<void>(Notify(LNotification::Create(kUnlatched)));
  return 1;
}

} // namespace QZ
