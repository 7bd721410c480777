// Keyboard input of the base control: the way of a key from the focused
// control through its own local hot keys, HandleKey, Tab navigation, its
// siblings' local hot keys, the root window's and the application's hot keys;
// the local hot keys themselves.

#include "QZFramework/ControlBase/Control.h"

#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <vector>

namespace QZ {

namespace {

constexpr const char16_t* kSiblingKey = u"NID_SIBLING_KEY";
constexpr std::u16string_view kLocalHotKeyPrefix = u"LHK.";

bool IsTab(const KeyCode& key) { return key.IsVirtualKeyDown() && key.GetVirtualKey() == 0x09; }

// The root window's hot keys, then the application's.
void OfferToHotKeys(const RCPtr<IRootWindow>& rootWindow, const KeyCode& key) {
  if (rootWindow && rootWindow->ProcessHotKey(key) != S_FALSE)
    return;
  if (IFrameworkApp* app = GetFrameworkApp())
    app->ProcessGlobalHotKey(key);
}

RCPtr<LControl> LastVisited(const LKeyParam& key) {
  const std::uint32_t count = key.mVisited.GetCount();
  return count > 0 ? key.mVisited.GetAt(count - 1) : RCPtr<LControl>();
}

} // namespace

void LControl::OnKey(const RCPtr<LKeyParam>& key) {
  if (!key || !IsUsable())
    return;
  const RCPtr<LControl> self(this);
  // The control's own local hot keys come first.
  const RCPtr<LSiblingKeyParam> sibling = LSiblingKeyParam::Create(key->mKey, self);
  DeliverNotification(RCPtr<LNotificationReceiver>(this), kSiblingKey, sibling);
  if (sibling->mResult != LSiblingKeyParam::kNoResult)
    return;
  if (HandleKey(key) != S_FALSE)
    return;
  key->mVisited.AddItem(self);
  if (!IsTab(key->mKey)) {
    if (mParent)
      mParent->ProcessUnhandledKey(key);
    else
      OfferToHotKeys(FindRootWindow(), key->mKey);
    return;
  }
  if (mWantsTab)
    return;
  if (mParent) {
    mParent->NavigateFocus(key);
  } else if (const RCPtr<IRootWindow> rootWindow = FindRootWindow()) {
    rootWindow->TabToNextWindow(key);
  }
}

QZRESULT LControl::HandleKey(const RCPtr<LKeyParam>&) { return S_FALSE; }

void LControl::ProcessUnhandledKey(const RCPtr<LKeyParam>& key) {
  if (!key || OnSiblingKey(key) != S_FALSE)
    return;
  OfferToHotKeys(FindRootWindow(), key->mKey);
}

QZRESULT LControl::OnSiblingKey(const RCPtr<LKeyParam>& key) {
  if (!key)
    return S_FALSE;
  const RCPtr<LNotificationClientPool> pool = FindClientPool(InternNotificationID(kSiblingKey));
  if (!pool)
    return S_FALSE;
  Array<RCPtr<LNotificationReceiver>> receivers;
  std::int32_t count = 0;
  for (std::int32_t i = 0;; ++i) {
    RCPtr<LNotificationReceiver> receiver = pool->GetClientAt(i, count);
    if (i >= count)
      break;
    receivers.AddItem(receiver);
  }
  if (receivers.GetCount() == 0)
    return S_FALSE;
  Array<std::uint32_t> order;
  OrderSiblingKeyReceivers(key, receivers, order);

  const RCPtr<LControl> source = LastVisited(*key);
  const RCPtr<LSiblingKeyParam> sibling = LSiblingKeyParam::Create(key->mKey, source);
  const RCPtr<LNotification> notification = LNotification::Create(kSiblingKey, sibling);
  const RCPtr<LNotificationDistributor> self(this);
  for (std::uint32_t i = order.GetCount(); i-- > 0;) {
    const std::uint32_t index = order.GetAt(i);
    if (index >= receivers.GetCount())
      continue;
    const RCPtr<LNotificationReceiver>& receiver = receivers.GetAt(index);
    if (source && dynamic_cast<LControl*>(receiver.GetRaw()) == source.GetRaw())
      continue;
    receiver->Receive(self, notification);
    if (sibling->mResult != LSiblingKeyParam::kNoResult)
      return S_OK;
  }
  return S_FALSE;
}

QZRESULT LControl::OrderSiblingKeyReceivers(const RCPtr<LKeyParam>& key,
                                            const Array<RCPtr<LNotificationReceiver>>& receivers,
                                            Array<std::uint32_t>& order) {
  order.RemoveAll();
  struct Record {
    std::uint32_t index;
    std::int32_t position;
    bool focusable;
  };
  std::vector<Record> records;
  // Receivers that are not children come before every tab position, in receiver order.
  std::int32_t counter = INT32_MIN;
  for (std::uint32_t r = 0; r < receivers.GetCount(); ++r) {
    const LControl* control = dynamic_cast<const LControl*>(receivers.GetAt(r).GetRaw());
    std::int32_t position = -1;
    if (control && control->mParent.GetRaw() == this)
      position = FindChildIndex(RCPtr<LControl>(const_cast<LControl*>(control)), kTabOrder);
    if (position < 0)
      position = counter++;
    records.push_back({r, position, control && !control->mNotFocusable});
  }
  std::sort(records.begin(), records.end(),
            [](const Record& a, const Record& b) { return a.position < b.position; });

  std::size_t first = 0;
  while (first < records.size() && !records[first].focusable)
    order.AddItem(records[first++].index);
  const RCPtr<LControl> source = key ? LastVisited(*key) : RCPtr<LControl>();
  const std::int32_t sourcePosition =
      source && source->mParent.GetRaw() == this ? FindChildIndex(source, kTabOrder) : -1;
  std::size_t after = first;
  while (after < records.size() && records[after].position <= sourcePosition)
    ++after;
  for (std::size_t i = after; i < records.size(); ++i)
    order.AddItem(records[i].index);
  for (std::size_t i = first; i < after; ++i)
    order.AddItem(records[i].index);
  return S_OK;
}

std::int32_t LControl::OnSiblingKeyNotification(const RCPtr<LNotificationDistributor>&,
                                                const RCPtr<LNotification>& notification) {
  const RCPtr<LSiblingKeyParam> sibling =
      notification ? DynamicCast<LSiblingKeyParam>(notification->GetPayload()) : RCPtr<LSiblingKeyParam>();
  if (!sibling)
    return 1;
  if (IsUsable()) {
    const WideString id = FindLocalHotKey(sibling->mKey);
    if (!id.IsEmpty()) {
      sibling->mResult = 0;
      DeliverNotification(RCPtr<LNotificationReceiver>(this), id.GetChars(), sibling);
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Local hot keys

QZRESULT LControl::AddLocalHotKey(const KeyCode& key, const WideString& id) {
  if (id.IsEmpty() || key.mPacked < 0 || !FindLocalHotKey(key).IsEmpty())
    return E_INVALIDARG;
  mLocalHotKeys.AddItem({key, id});
  return S_OK;
}

QZRESULT LControl::LoadLocalHotKeys() {
  if (const RCPtr<LStringTable> table = GetStringTable()) {
    LStringTable::SortedEntries entries;
    table->GetSortedEntriesWithPrefix(WideString(kLocalHotKeyPrefix.data()), entries);
    for (std::uint32_t i = 0; i < entries.GetCount(); ++i) {
      const auto& entry = entries.GetAt(i);
      const std::u16string_view text(entry.mKey.GetChars(), entry.mKey.GetLength());
      const WideString id(std::u16string(text.substr(text.rfind(u'.') + 1)).c_str());
      // Keys that do not parse, or that are bound already, are skipped.
      static_cast<void>(AddLocalHotKey(KeyCode::Parse(entry.mValue), id));
    }
  }
  if (mParent && mHandler && mLocalHotKeys.GetCount() > 0 && !mTakesSiblingKeys) {
    mTakesSiblingKeys = true;
    mHandler->Register(&LControl::OnSiblingKeyNotification,
                       RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(mParent.GetRaw())),
                       kSiblingKey);
    mHandler->RegisterForReceive(&LControl::OnSiblingKeyNotification, kSiblingKey);
  }
  return S_OK;
}

KeyCode LControl::GetLocalHotKey(const WideString& id) const {
  for (std::uint32_t i = 0; i < mLocalHotKeys.GetCount(); ++i)
    if (mLocalHotKeys.GetAt(i).mID.EqualsString(id))
      return mLocalHotKeys.GetAt(i).mKey;
  return KeyCode();
}

bool LControl::HasLocalHotKey(const WideString& id) const {
  for (std::uint32_t i = 0; i < mLocalHotKeys.GetCount(); ++i)
    if (mLocalHotKeys.GetAt(i).mID.EqualsString(id))
      return true;
  return false;
}

WideString LControl::FindLocalHotKey(const KeyCode& key) const {
  for (std::uint32_t i = 0; i < mLocalHotKeys.GetCount(); ++i)
    if (mLocalHotKeys.GetAt(i).mKey == key)
      return mLocalHotKeys.GetAt(i).mID;
  return WideString();
}

} // namespace QZ
