#include "QZFramework/System/ClipBoard.h"

#include "Platform/Clipboard/Clipboard.h"
#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/System/EditTarget.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "System\\ClipBoard";
constexpr const char* kInitialize = "QZ::LClipboard::Initialize";

// The edit target of the active root window's focused control; null when
// there is no active window, no focus or no target.
RCPtr<LControl> FocusedEditTarget() {
  IFrameworkApp* app = GetFrameworkApp();
  if (app == nullptr)
    return RCPtr<LControl>();
  const RCPtr<IRootWindow> window = app->GetActiveRootWindow();
  if (!window)
    return RCPtr<LControl>();
  return GetEditTarget(window->GetFocusedControl());
}

// Clears the busy flag on every way out of SetText.
class BusyScope {
public:
  explicit BusyScope(bool& busy) : mBusy(busy) { mBusy = true; }
  ~BusyScope() { mBusy = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

private:
  bool& mBusy;
};

constexpr char16_t kReplacementCharacter = 0xFFFD;

// Another program's text as UTF-16, up to its first zero. Every ill-formed
// sequence (a stray or missing continuation byte, an overlong form, an
// encoded surrogate, a code point above U+10FFFF) becomes one U+FFFD for its
// longest valid-looking start, and the text after it still arrives.
WideString DecodeForeignText(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  const auto byteAt = [&utf8](std::size_t at) { return static_cast<unsigned char>(utf8[at]); };
  while (i < utf8.size() && utf8[i] != '\0') {
    const unsigned char lead = byteAt(i++);
    if (lead < 0x80) {
      out.push_back(lead);
      continue;
    }
    std::size_t needed = 0;
    char32_t code = 0;
    unsigned char lower = 0x80;
    unsigned char upper = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      needed = 1;
      code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      needed = 2;
      code = lead & 0x0Fu;
      lower = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
      upper = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      needed = 3;
      code = lead & 0x07u;
      lower = lead == 0xF0 ? 0x90 : 0x80;
      upper = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
      out.push_back(kReplacementCharacter);
      continue;
    }
    bool complete = true;
    for (std::size_t k = 0; k < needed; ++k) {
      if (i >= utf8.size() || byteAt(i) < lower || byteAt(i) > upper) {
        complete = false; // the byte that broke the sequence starts the next one
        break;
      }
      code = (code << 6) | (byteAt(i++) & 0x3Fu);
      lower = 0x80;
      upper = 0xBF;
    }
    if (!complete) {
      out.push_back(kReplacementCharacter);
    } else if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FFu)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
  }
  WideString text;
  text.AssignChars(out.c_str(), static_cast<std::uint32_t>(out.size()));
  return text;
}

} // namespace

RCPtr<LClipboard> LClipboard::Create() { return RCPtr<LClipboard>(new LClipboard()); }

LClipboard::~LClipboard() = default;

QZRESULT LClipboard::Initialize() {
  try {
    mHandler = LNotificationHandler<LClipboard>::Create(this);
    const RCPtr<LNotificationDistributor> center(GetApplicationNotificationCenter().GetRaw());
    ThrowIfFailed(mHandler->Register(&LClipboard::OnCut, center, u"NID_EDIT_CUT_REQ"), kInitialize, kSourcePath,
                  41);
    ThrowIfFailed(mHandler->Register(&LClipboard::OnCopy, center, u"NID_EDIT_COPY_REQ"), kInitialize, kSourcePath,
                  42);
    ThrowIfFailed(mHandler->Register(&LClipboard::OnPaste, center, u"NID_EDIT_PASTE_REQ"), kInitialize,
                  kSourcePath, 43);
    ThrowIfFailed(mHandler->Register(&LClipboard::OnDelete, center, u"NID_EDIT_DELETE_REQ"), kInitialize,
                  kSourcePath, 44);
  } catch (const std::runtime_error&) {
    return E_FAIL;
  } catch (const FailedResultException&) {
    return E_FAIL;
  }
  mInitialized = true;
  return S_OK;
}

RCPtr<LRefCountedObject> LClipboard::GetText() {
  const auto clipboard = Platform::GetClipboard();
  const std::uint32_t sequence = clipboard->GetSequenceNumber();
  if (sequence == mSequence || clipboard->IsClaimed())
    return mCached;
  if (!clipboard->HasText()) {
    mCached = RCPtr<LRefCountedObject>(); // the sequence stays: look again next time
    return mCached;
  }
  std::string utf8;
  if (!clipboard->GetText(utf8))
    return mCached;
  mCached = LClipboardText::Create(DecodeForeignText(utf8));
  mSequence = clipboard->GetSequenceNumber();
  return mCached;
}

QZRESULT LClipboard::SetText(const RCPtr<LRefCountedObject>& data) {
  if (mBusy)
    return kClipboardBusy;
  BusyScope busy(mBusy);
  mCached = data;
  if (!data)
    return S_OK;
  const auto clipboard = Platform::GetClipboard();
  bool written;
  if (const auto text = DynamicCast<LClipboardText>(data)) {
    const NarrowString utf8 = text->ToNarrow();
    written = clipboard->SetText(std::string(utf8.GetChars(), utf8.GetLength()));
  } else {
    written = clipboard->Claim();
  }
  if (!written)
    return E_FAIL;
  mSequence = clipboard->GetSequenceNumber();
  return S_OK;
}

bool LClipboard::IsEditCommandAvailable(std::int32_t code) {
  const RCPtr<LControl> target = FocusedEditTarget();
  auto* editTarget = dynamic_cast<IEditTarget*>(target.Get());
  return editTarget != nullptr && editTarget->CanPerformEdit(code);
}

std::int32_t LClipboard::PerformEditCommand(std::int32_t code) {
  const RCPtr<LControl> target = FocusedEditTarget();
  if (auto* editTarget = dynamic_cast<IEditTarget*>(target.Get()); editTarget && editTarget->CanPerformEdit(code))
    editTarget->PerformEdit(code);
  return 0; // consumed either way
}

std::int32_t LClipboard::Receive(const RCPtr<LNotificationDistributor>& source,
                                 const RCPtr<LNotification>& notification) {
  if (!mHandler || !mInitialized)
    return 0;
  return mHandler->Receive(source, notification);
}

std::int32_t LClipboard::Unsubscribe(const RCPtr<LNotificationDistributor>& source, const char16_t* name) {
  if (mHandler)
    mHandler->Unregister(source, name);
  return LNotificationClient::Unsubscribe(source, name);
}

std::int32_t LClipboard::OnCut(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  return PerformEditCommand(kEditCut);
}
std::int32_t LClipboard::OnCopy(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  return PerformEditCommand(kEditCopy);
}
std::int32_t LClipboard::OnPaste(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  return PerformEditCommand(kEditPaste);
}
std::int32_t LClipboard::OnDelete(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  return PerformEditCommand(kEditDelete);
}

} // namespace QZ
