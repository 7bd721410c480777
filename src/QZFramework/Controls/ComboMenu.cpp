#include "QZFramework/Controls/ComboMenu.h"

#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/ObjectBase/Exception.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "Controls\\ComboMenu";
constexpr const char16_t* kPopupMenuName = u"popupMenu";
constexpr const char16_t* kVisibilityChange = u"NID_VISIBLITY_CONDITION_CHANGE";
constexpr const char16_t* kItemActivated = u"NID_ITEM_ACTIVATED";
constexpr std::int32_t kLeftButton = 1;

} // namespace

RCPtr<LControl>& LComboMenu::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                    const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LComboMenu>(out, parent, descriptor);
}

RCPtr<LPopupMenu> LComboMenu::GetPopup() const {
  return DynamicCast<LPopupMenu>(FindChild(WideString(kPopupMenuName)));
}

QZRESULT LComboMenu::Initialize() {
  if (LDropDownControl::Initialize() < 0)
    return E_FAIL;
  const RCPtr<LPopupMenu> popup = GetPopup();
  if (!popup)
    ThrowException<std::runtime_error>("Null Pointer", "QZ::LComboMenu::Initialize", kSourcePath, 37);
  mComboMenuHandler = LNotificationHandler<LComboMenu>::Create(this);
  const RCPtr<LNotificationDistributor> source(static_cast<LNotificationDistributor*>(popup.GetRaw()));
  static_cast<void>(mComboMenuHandler->Register(&LComboMenu::OnPopupVisibilityChange, source, kVisibilityChange));
  static_cast<void>(mComboMenuHandler->Register(&LComboMenu::OnPopupItemActivated, source, kItemActivated));
  popup->SetAutoClose(false);
  return S_OK;
}

QZRESULT LComboMenu::FinishInitialize() {
  static_cast<void>(LDropDownControl::FinishInitialize());
  const RCPtr<LPopupMenu> popup = GetPopup();
  if (popup && popup->GetLayout())
    mHorizontalOffset = popup->GetLayout()->mPlacement[LLayoutDescriptor::kAxisX].mAbsolute;
  return S_OK;
}

std::int32_t LComboMenu::Receive(const RCPtr<LNotificationDistributor>& source,
                                 const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mComboMenuHandler) {
    const std::int32_t handled = mComboMenuHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LDropDownControl::Receive(source, notification);
}

std::int32_t LComboMenu::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mComboMenuHandler && id)
    static_cast<void>(mComboMenuHandler->Unregister(distributor, id));
  return LDropDownControl::Unsubscribe(distributor, id);
}

QZRESULT LComboMenu::ReleaseInnerReferences() {
  mComboMenuHandler = RCPtr<LNotificationHandler<LComboMenu>>();
  return LDropDownControl::ReleaseInnerReferences();
}

bool LComboMenu::IsDroppedDown() const {
  const RCPtr<LPopupMenu> popup = GetPopup();
  if (!popup)
    return false;
  const RectT<double>& bounds = popup->GetBounds();
  return popup->IsVisible(false) && bounds.width > 0 && bounds.height > 0;
}

QZRESULT LComboMenu::ShowDropDown(bool show) { return ShowPopupMenu(show); }

void LComboMenu::UpdateLook() {
  std::int32_t look = kLookNormal;
  if (!IsEnabled(false))
    look = kLookDisabled;
  else if (IsDroppedDown())
    look = kLookOpen;
  else if (IsMouseInside())
    look = kLookHover;
  if (static_cast<std::uint32_t>(look) < GetLookCount())
    static_cast<void>(SelectLook(look));
}

QZRESULT LComboMenu::ShowPopupMenu(bool show) {
  const RCPtr<LPopupMenu> popup = GetPopup();
  if (!popup)
    return E_FAIL;
  const RCPtr<LControl> self(this);
  if (show && popup->GetLayout()) {
    // Shifted left so that it ends inside the top-level control, but not past its left edge.
    const RCPtr<LControl> top = GetTopLevelControl();
    PointT<double> point{mHorizontalOffset, 0};
    static_cast<void>(top->ConvertPointFrom(*this, point));
    const double width = popup->GetBounds().width;
    double x = mHorizontalOffset;
    if (point.x + width > top->GetBounds().width) {
      PointT<double> shifted{std::max(top->GetBounds().width - width, 0.0), 0};
      static_cast<void>(ConvertPointFrom(*top, shifted));
      x = shifted.x;
    }
    AxisPlacement placement = popup->GetLayout()->mPlacement[LLayoutDescriptor::kAxisX];
    if (placement.mAbsolute != x) {
      placement.mAbsolute = x;
      static_cast<void>(popup->SetAxisPlacement(LLayoutDescriptor::kAxisX, placement,
                                                popup->GetLayout()->mSize[LLayoutDescriptor::kAxisX]));
    }
  }
  static_cast<void>(popup->SetVisible(show));
  if (show) {
    static_cast<void>(popup->SetFocus(true));
    if (mLeftDragArmed)
      static_cast<void>(popup->BeginCapture(kLeftButton, mPressPoint.RoundToLong()));
  }
  UpdateLook();
  return S_OK;
}

RCPtr<LComboMenu> LComboMenu::FindOpenSiblingMenu() const {
  if (!mParent)
    return RCPtr<LComboMenu>();
  const ChildControlList& siblings = mParent->GetChildren();
  for (std::uint32_t i = siblings.GetCount(); i-- > 0;) {
    const RCPtr<LComboMenu> title = DynamicCast<LComboMenu>(siblings.GetAt(i, kCreationOrder));
    if (title && title->IsDroppedDown())
      return title;
  }
  return RCPtr<LComboMenu>();
}

void LComboMenu::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  const RCPtr<LControl> self(this);
  UpdateLook();
  if (conditions) {
    const std::uint32_t previous = conditions->mPreviousBits;
    const std::uint32_t current = conditions->mCurrentBits;
    if (IsEnabled(false) && ((previous ^ current) & kConditionMouseInside) != 0 &&
        (current & kConditionMouseInside) != 0) {
      const RCPtr<LComboMenu> open = FindOpenSiblingMenu();
      if (open && open.GetRaw() != this) {
        if (const RCPtr<LPopupMenu> popup = open->GetPopup())
          static_cast<void>(popup->SetVisible(false));
        open->UpdateLook();
        static_cast<void>(ShowPopupMenu(true));
      }
    }
    if ((current & kConditionLeftDragArmed) != 0 && (previous & kConditionLeftDragArmed) == 0) {
      const RCPtr<LPopupMenu> popup = GetPopup();
      const PointT<double> at = popup ? popup->GetOffsetInParent() : PointT<double>{};
      mPressPoint = {conditions->mPoint.x - at.x, conditions->mPoint.y - at.y};
    }
  }
  LDropDownControl::OnConditionsChanged(conditions);
}

std::int32_t LComboMenu::OnPopupVisibilityChange(const RCPtr<LNotificationDistributor>&,
                                                 const RCPtr<LNotification>&) {
  UpdateLook();
  return 0;
}

std::int32_t LComboMenu::OnPopupItemActivated(const RCPtr<LNotificationDistributor>&,
                                              const RCPtr<LNotification>&) {
  const RCPtr<LControl> self(this);
  if (const RCPtr<LPopupMenu> popup = GetPopup())
    static_cast<void>(popup->SetVisible(false));
  UpdateLook();
  return 1;
}

} // namespace QZ
