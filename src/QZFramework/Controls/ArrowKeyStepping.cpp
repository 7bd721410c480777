#include "QZFramework/Controls/ArrowKeyStepping.h"

#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Notification/Notification.h"

namespace QZ {

namespace {

constexpr const char16_t* kNidKeyDown = u"NID_VALUE_CHANGE_KEY_DOWN";
constexpr const char16_t* kNidKeyUp = u"NID_VALUE_CHANGE_KEY_UP";

constexpr std::uint32_t kVkLeft = 0x25;
constexpr std::uint32_t kVkUp = 0x26;
constexpr std::uint32_t kVkRight = 0x27;
constexpr std::uint32_t kVkDown = 0x28;

} // namespace

bool StepByArrowKey(LControl& control, const RCPtr<LKeyParam>& key, bool& stepping,
                    const std::function<void(double units)>& step) {
  if (!key)
    return false;
  const std::uint32_t code = key->mKey.Bits();
  const std::uint32_t virtualKey = (code & kKeyVirtualKeyMask) >> kKeyVirtualKeyShift;
  const RCPtr<LControl> self(&control);
  if (virtualKey >= kVkLeft && virtualKey <= kVkDown && (code & (kKeyPressed | kKeyInvalid)) == 0) {
    stepping = false;
    static_cast<void>(control.Notify(LNotification::Create(kNidKeyUp, key)));
    return true;
  }
  const std::uint32_t plain = code & ~kKeyVirtualKeyMask;
  if (plain != kKeyPressed || virtualKey < kVkLeft || virtualKey > kVkDown)
    return false;
  if (!stepping) {
    stepping = true;
    static_cast<void>(control.Notify(LNotification::Create(kNidKeyDown, key)));
  }
  step(virtualKey == kVkUp || virtualKey == kVkRight ? 1.0 : -1.0);
  return true;
}

} // namespace QZ
