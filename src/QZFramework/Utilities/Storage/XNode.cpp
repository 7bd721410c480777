#include "QZFramework/Utilities/Storage/XNode.h"

#include "QZFramework/Utilities/Storage/XNodeText.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace QZ {

namespace {

using XNodeText::EqualsNoCase;
using XNodeText::TextView;

char Fold(char c) { return static_cast<char>(c | 0x20); }

void EraseOne(std::vector<XNode*>& list, const XNode* node) {
  auto it = std::find(list.begin(), list.end(), node);
  if (it != list.end())
    list.erase(it);
}

float ParseReal(std::string_view t, float current) {
  std::size_t b = 0;
  while (b < t.size() && (t[b] == ' ' || (t[b] >= '\t' && t[b] <= '\r')))
    ++b;
  if (b < t.size() && t[b] == '+' && b + 1 < t.size() && t[b + 1] != '-' && t[b + 1] != '+')
    ++b;
  float value = 0.0f;
  const auto r = std::from_chars(t.data() + b, t.data() + t.size(), value, std::chars_format::general);
  if (r.ec == std::errc())
    return value;
  if (r.ec == std::errc::result_out_of_range) {
    // Saturate to infinity or zero the way the C library does.
    const std::string copy(t);
    return std::strtof(copy.c_str(), nullptr);
  }
  return current;
}

std::int32_t ParseInteger(std::string_view t) {
  const std::string copy(t);
  const long long v = std::strtoll(copy.c_str(), nullptr, 0);
  return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

} // namespace

// ---------------------------------------------------------------------------
// Nodes

XNode::XNode(XNode* parent, std::uint32_t type) : mFlags(type & kTypeMask) {
  if (parent)
    parent->AddChild(this);
}

XNode::~XNode() {
  // Deleted while still held (only a caller's mistake does that): leave no container
  // pointing at freed memory.
  for (XNode* parent : mParents) {
    auto& list = parent->mChildren;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  mParents.clear();
  ClearValue();
}

void XNode::SetFlags(std::uint32_t bits, bool on) {
  bits &= ~(kTypeMask | kFlagDirty);
  if (on)
    mFlags |= bits;
  else
    mFlags &= ~bits;
}

int XNode::SetType(std::uint32_t type) {
  type &= kTypeMask;
  if (GetType() == type)
    return 0;
  ClearValue();
  mFlags |= type;
  return 1;
}

void XNode::ClearValue() {
  std::vector<XNode*> children;
  children.swap(mChildren);
  bool changed = false;
  for (XNode* child : children) {
    if (!child)
      continue;
    EraseOne(child->mParents, this);
    changed |= !child->IsVolatile();
    child->Release();
  }
  std::string().swap(mText);
  mBoolean = false;
  mInteger = 0;
  mReal = 0.0f;
  mFlags &= ~kTypeMask;
  if (changed)
    SetDirty(true);
}

std::uint32_t XNode::HashKey(const char* key, std::size_t length) {
  // Over signed characters, with 0x20 folded in so that ASCII letter case does not count.
  std::uint32_t sum = 0;
  std::int32_t prev = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const std::int32_t c = static_cast<signed char>(key[i]) | 0x20;
    sum += static_cast<std::uint32_t>(c + 1) * static_cast<std::uint32_t>(prev + 1);
    prev = c;
  }
  return sum;
}

void XNode::SetKey(const char* text, std::size_t length) {
  const std::string_view key = TextView(text, length);
  if (key.empty()) {
    std::string().swap(mKey);
    mKeyHash = 0;
    return;
  }
  mKey.assign(key);
  mKeyHash = HashKey(mKey.data(), mKey.size());
}

void XNode::SetString(const char* text) {
  ClearValue();
  mFlags |= kTypeString;
  SetValueFromText(text ? text : "", 0);
}

void XNode::SetInteger(std::int32_t value) {
  if (GetType() == kTypeInteger && mInteger == value)
    return;
  SetType(kTypeInteger);
  mInteger = value;
  SetDirty(true);
}

void XNode::SetValueFromText(const char* text, std::size_t length) {
  const std::string_view t = TextView(text, length);
  switch (GetType()) {
  case kTypeString:
    mText.append(t);
    break;
  case kTypeBoolean:
    mBoolean = t.size() >= 4 && EqualsNoCase(t.substr(0, 4), "true");
    break;
  case kTypeInteger:
    mInteger = ParseInteger(t);
    break;
  case kTypeReal:
    mReal = ParseReal(t, mReal);
    break;
  case kTypeData:
    ClearValue();
    mFlags |= kTypeData;
    mText.assign(t);
    break;
  default:
    break;
  }
  SetDirty(true);
}

std::size_t XNode::GetChildCount() const {
  const std::uint32_t type = GetType();
  return (type == kTypeDict || type == kTypeArray) ? mChildren.size() : 0;
}

std::size_t XNode::CountChildren(bool includeVolatile) const {
  if (includeVolatile)
    return GetChildCount();
  return static_cast<std::size_t>(
      std::count_if(mChildren.begin(), mChildren.end(), [](const XNode* c) { return c && !c->IsVolatile(); }));
}

XNode* XNode::GetChild(std::size_t index) const { return index < GetChildCount() ? mChildren[index] : nullptr; }

XNode* XNode::FindChild(const char* key, std::size_t length) const {
  const std::string_view wanted = TextView(key, length);
  if (wanted.empty() || GetChildCount() == 0)
    return nullptr;
  const std::uint32_t hash = HashKey(wanted.data(), wanted.size());
  for (XNode* child : mChildren) {
    if (!child || child->mKeyHash != hash || child->mKey.size() != wanted.size())
      continue;
    bool same = true;
    for (std::size_t i = 0; same && i < wanted.size(); ++i)
      same = Fold(child->mKey[i]) == Fold(wanted[i]);
    if (same)
      return child;
  }
  return nullptr;
}

bool XNode::Holds(const XNode* node) const {
  // True when node is this one or one of its containers, at any distance.
  if (node == this)
    return true;
  if (node->mChildren.empty())
    return false;
  std::vector<const XNode*> pending{this};
  std::vector<const XNode*> seen;
  while (!pending.empty()) {
    const XNode* at = pending.back();
    pending.pop_back();
    if (at == node)
      return true;
    if (std::find(seen.begin(), seen.end(), at) != seen.end())
      continue;
    seen.push_back(at);
    pending.insert(pending.end(), at->mParents.begin(), at->mParents.end());
  }
  return false;
}

bool XNode::AddChild(XNode* child) {
  const std::uint32_t type = GetType();
  if (!child || (type != kTypeDict && type != kTypeArray) || Holds(child))
    return false;
  child->mParents.push_back(this);
  mChildren.push_back(child);
  ++child->mContainerRefs;
  if (!child->IsVolatile())
    SetDirty(true);
  return true;
}

void XNode::Release() {
  if (mContainerRefs == 0 || --mContainerRefs == 0)
    delete this;
}

void XNode::Detach(XNode* child) {
  EraseOne(child->mParents, this);
  const bool changed = !child->IsVolatile();
  child->Release();
  if (changed)
    SetDirty(true);
}

void XNode::RemoveChild(XNode* child) {
  if (!child)
    return;
  auto it = std::find(mChildren.begin(), mChildren.end(), child);
  if (it == mChildren.end())
    return;
  mChildren.erase(it);
  Detach(child);
}

void XNode::SetArrayItem(std::size_t index, XNode* child) {
  if (GetType() != kTypeArray || (child && Holds(child)))
    return;
  if (index >= mChildren.size())
    mChildren.resize(index + 1, nullptr);
  XNode* old = mChildren[index];
  if (old == child)
    return;
  mChildren[index] = child;
  if (child) {
    child->mParents.push_back(this);
    ++child->mContainerRefs;
  }
  if (old) {
    EraseOne(old->mParents, this);
    old->Release();
  }
  if (!child || !child->IsVolatile())
    SetDirty(true);
}

void XNode::SetArraySize(std::size_t count) {
  if (GetType() != kTypeArray)
    return;
  if (count >= mChildren.size()) {
    mChildren.resize(count, nullptr);
    return;
  }
  while (mChildren.size() > count) {
    XNode* last = mChildren.back();
    mChildren.pop_back();
    if (last)
      Detach(last);
  }
}

void XNode::SetDirty(bool on) {
  if (on) {
    if (mFlags & (kFlagDirty | kFlagVolatile))
      return;
    mFlags |= kFlagDirty;
    for (XNode* parent : mParents)
      parent->SetDirty(true);
    return;
  }
  mFlags &= ~kFlagDirty;
  for (XNode* child : mChildren)
    if (child)
      child->SetDirty(false);
}

} // namespace QZ
