#include "QZFramework/Controls/ComboSlider.h"

#include "QZFramework/ControlBase/ControlParams.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>

namespace QZ {

namespace {

constexpr const char16_t* kDropDownPanelName = u"dropDownPanel";
constexpr const char16_t* kSliderName = u"slider";
constexpr const char16_t* kValueChange = u"NID_VALUE_CHANGE";

// Down, Enter and Escape pressed without modifiers.
constexpr std::uint32_t kDownKey = kKeyPressed | (0x28u << kKeyVirtualKeyShift);
constexpr std::uint32_t kReturnKey = kKeyPressed | (0x0Du << kKeyVirtualKeyShift);
constexpr std::uint32_t kEscapeKey = kKeyPressed | (0x1Bu << kKeyVirtualKeyShift);

RCPtr<LNotificationDistributor> AsDistributor(const LControl* control) {
  return RCPtr<LNotificationDistributor>(
      static_cast<LNotificationDistributor*>(const_cast<LControl*>(control))); // NOLINT: counted, not changed
}

std::uint32_t KeyBits(const RCPtr<LKeyParam>& key) { return key ? key->mKey.Bits() : 0u; }

} // namespace

RCPtr<LControl>& LComboSlider::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                      const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LComboSlider>(out, parent, descriptor);
}

RCPtr<LSlider> LComboSlider::GetSlider() const {
  return mDropDownPanel ? DynamicCast<LSlider>(mDropDownPanel->FindChild(WideString(kSliderName)))
                        : RCPtr<LSlider>();
}

// ---------------------------------------------------------------------------
// Creation and notifications

QZRESULT LComboSlider::Initialize() {
  if (LDropDownControl::Initialize() < 0)
    return E_FAIL;
  mDropDownPanel = DynamicCast<LPanel>(FindChild(WideString(kDropDownPanelName)));
  if (!mDropDownPanel)
    return S_OK;
  static_cast<void>(mDropDownPanel->SetVisible(false));
  mComboHandler = LNotificationHandler<LComboSlider>::Create(this);
  if (const RCPtr<LSlider> slider = GetSlider()) {
    if (mComboHandler)
      static_cast<void>(mComboHandler->Register(&LComboSlider::OnSliderValueChange, AsDistributor(slider.GetRaw()),
                                                kValueChange));
    // The end of a drag tells the combo slider's listeners that the value has settled.
    slider->SetNotifyOnRelease(true);
  }
  return S_OK;
}

std::int32_t LComboSlider::Receive(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mComboHandler) {
    const std::int32_t handled = mComboHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LDropDownControl::Receive(source, notification);
}

std::int32_t LComboSlider::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mComboHandler && id)
    static_cast<void>(mComboHandler->Unregister(distributor, id));
  return LDropDownControl::Unsubscribe(distributor, id);
}

QZRESULT LComboSlider::ReleaseInnerReferences() {
  mComboHandler = RCPtr<LNotificationHandler<LComboSlider>>();
  mDropDownPanel = RCPtr<LPanel>();
  return LDropDownControl::ReleaseInnerReferences();
}

std::int32_t LComboSlider::OnSliderValueChange(const RCPtr<LNotificationDistributor>&,
                                               const RCPtr<LNotification>&) {
  const RCPtr<LSlider> slider = GetSlider();
  if (!slider)
    return 1;
  const RCPtr<LControl> self(this);
  const double sliderValue = slider->GetNormalizedValue();
  if (sliderValue == GetNormalizedValue()) {
    // The slider's repetition at the end of a drag: the combo slider's listeners hear it too.
    static_cast<void>(
        Notify(LNotification::Create(kValueChange, LValueParam::Create(GetNormalizedValue(), GetValue()))));
  } else {
    static_cast<void>(LDropDownControl::SetValue(sliderValue));
  }
  return 1;
}

// ---------------------------------------------------------------------------
// The value

double LComboSlider::SetValue(double normalized) {
  const RCPtr<LControl> self(this);
  if (const RCPtr<LSlider> slider = GetSlider())
    static_cast<void>(slider->SetValue(normalized));
  return LDropDownControl::SetValue(normalized);
}

void LComboSlider::OnValueChanged() {
  const RCPtr<LControl> self(this);
  if (const RCPtr<LSlider> slider = GetSlider())
    static_cast<void>(slider->SetValue(GetNormalizedValue()));
  const WideString format = mDecimalPlaces == 0 ? WideString(u"%0.0f") : WideString(u"%%0.%df", mDecimalPlaces);
  static_cast<void>(SetText(WideString(format.GetChars(), GetValue())));
}

// ---------------------------------------------------------------------------
// The drop-down panel

bool LComboSlider::IsDroppedDown() const {
  if (!mDropDownPanel)
    return false;
  const RCPtr<LLayoutDescriptor>& layout = mDropDownPanel->GetLayout();
  const RectT<double>& bounds = mDropDownPanel->GetBounds();
  return layout && layout->mVisible && bounds.width > 0 && bounds.height > 0;
}

QZRESULT LComboSlider::ShowDropDown(bool show) {
  if (!mDropDownPanel)
    return E_FAIL;
  const RCPtr<LControl> self(this);
  const RCPtr<LPanel> panel = mDropDownPanel;
  if (show)
    PlaceDropDownPanel(panel);
  static_cast<void>(panel->SetVisible(show));
  return S_OK;
}

void LComboSlider::PlaceDropDownPanel(const RCPtr<LPanel>& panel) {
  const RCPtr<LControlDescriptor>& descriptor = panel->GetDescriptor();
  const LLayoutDescriptor* skin = descriptor ? descriptor->GetLayout().GetRaw() : nullptr;
  const RCPtr<LLayoutDescriptor>& layout = panel->GetLayout();
  if (!skin || !layout)
    return;
  double x = skin->mPlacement[LLayoutDescriptor::kAxisX].mAbsolute;
  const RCPtr<LControl> top = GetTopLevelControl();
  if (top && top.GetRaw() != this) {
    PointT<double> atTop{x, 0};
    top->ConvertPointFrom(*this, atTop);
    const double topWidth = top->GetBounds().width;
    const double panelWidth = panel->GetBounds().width;
    if (topWidth < panelWidth + atTop.x) {
      PointT<double> shifted{std::max(topWidth - panelWidth, 0.0), 0};
      ConvertPointFrom(*top, shifted);
      x = shifted.x;
    }
  }
  AxisPlacement placement;
  SizeSpec size;
  if (layout->GetAxisLayout(LLayoutDescriptor::kAxisX, placement, size) != S_OK || placement.mAbsolute == x)
    return;
  placement.mAbsolute = x;
  static_cast<void>(panel->SetAxisPlacement(LLayoutDescriptor::kAxisX, placement, size));
}

// ---------------------------------------------------------------------------
// Looks and keys

void LComboSlider::UpdateVisualState() { static_cast<void>(SelectLook(StateLook(false))); }

void LComboSlider::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  const RCPtr<LControl> self(this);
  LDropDownControl::OnConditionsChanged(conditions);
  UpdateVisualState();
}

QZRESULT LComboSlider::HandleKey(const RCPtr<LKeyParam>& key) {
  const std::uint32_t bits = KeyBits(key);
  if (!IsDroppedDown()) {
    if (bits == kDownKey || bits == kReturnKey) {
      static_cast<void>(ShowDropDown(true));
      return S_OK;
    }
  } else if (bits == kEscapeKey) {
    static_cast<void>(ShowDropDown(false));
    return S_OK;
  }
  return S_FALSE;
}

void LComboSlider::ProcessUnhandledKey(const RCPtr<LKeyParam>& key) {
  if (KeyBits(key) == kEscapeKey)
    static_cast<void>(ShowDropDown(false));
}

} // namespace QZ
