#include "DeviceControl/GeneratedCode/Engine/Inc/ParamCache.h"

#include <vector>

using QZ::ParamDescriptor;
using QZ::ParamValues;
using QZ::Variant;

namespace {

bool IsExternal(const Variant& v) {
  return v.GetType() == QZ::kVariantExternal || v.GetType() == QZ::kVariantExternalConst;
}

// The keys of a non-empty detail, one per level; false when the path is refused.
bool GetKeyPath(const Variant& detail, std::vector<Variant>& keys) {
  if (IsExternal(detail))
    return false;
  if (detail.GetType() != QZ::kVariantArray) {
    keys.push_back(detail);
    return true;
  }
  const std::uint32_t count = detail.GetArrayCount();
  if (count == 0)
    return false;
  keys.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    detail.GetArrayItem(i, keys[i]);
    if (keys[i].IsEmpty() || IsExternal(keys[i]))
      return false;
  }
  return true;
}

} // namespace

LParamCache::LParamCache(std::int32_t count)
    : mCount(count > 0 ? count : 0), mValues(new Variant[count > 0 ? count : 0]) {}

LParamCache::~LParamCache() = default;

std::int32_t LParamCache::GetValue(const ParamDescriptor& descriptor, Variant& value) const {
  value.Clear();
  const std::uint32_t index = static_cast<std::uint32_t>(descriptor.id);
  if (index >= static_cast<std::uint32_t>(mCount))
    return kRefused;
  QZ::SpinLockGuard guard(mLock);
  const Variant& entry = mValues[index];
  if (descriptor.detail.IsEmpty()) {
    value.Assign(entry);
    return kDone;
  }
  if (!QZ::IsParamValues(entry))
    return kRefused;
  std::vector<Variant> keys;
  if (!GetKeyPath(descriptor.detail, keys))
    return kRefused;
  ParamValues level;
  level.Assign(entry);
  for (std::size_t k = 0; k + 1 < keys.size(); ++k) {
    // A missing level leaves next empty, and the search below finds nothing.
    ParamValues next;
    static_cast<void>(level.FindParamValue(ParamDescriptor(descriptor.id, keys[k]), next));
    level = next;
  }
  const std::int32_t result = level.FindParamValue(ParamDescriptor(descriptor.id, keys.back()), value);
  return result < 0 ? kRefused : result;
}

std::int32_t LParamCache::SetValue(const ParamDescriptor& descriptor, const Variant& value, bool notify) {
  const std::uint32_t index = static_cast<std::uint32_t>(descriptor.id);
  if (index >= static_cast<std::uint32_t>(mCount))
    return kRefused;
  QZ::SpinLockGuard guard(mLock);
  Variant& entry = mValues[index];
  if (descriptor.detail.IsEmpty()) {
    if (entry.IsEqual(value))
      return kNothingDone;
    entry.Assign(value);
    if (notify)
      OnValueChanged(static_cast<std::int32_t>(index), value);
    return kDone;
  }

  // The levels are rebuilt in copies and stored only when the change is made,
  // so a refused path or a malformed level leaves the entry as it was.
  std::vector<Variant> keys;
  if (!GetKeyPath(descriptor.detail, keys))
    return kRefused;
  std::vector<ParamValues> levels(keys.size());
  if (QZ::IsParamValues(entry))
    levels[0].Assign(entry);
  else
    levels[0].Clear();
  // A missing level starts empty.
  for (std::size_t k = 1; k < keys.size(); ++k)
    static_cast<void>(levels[k - 1].FindParamValue(ParamDescriptor(descriptor.id, keys[k - 1]), levels[k]));

  const ParamDescriptor last(descriptor.id, keys.back());
  const std::int32_t result =
      value.IsEmpty() ? levels.back().RemoveParamValue(last) : levels.back().SetParamValue(last, value);
  if (result == QZ::kParamNothingToDo)
    return kNothingDone;
  if (result != QZ::kParamDone)
    return kRefused;
  for (std::size_t k = keys.size() - 1; k > 0; --k) {
    if (levels[k - 1].SetParamValue(ParamDescriptor(descriptor.id, keys[k - 1]), levels[k]) < 0)
      return kRefused;
  }
  entry.Assign(levels[0]);
  if (notify)
    OnValueChanged(static_cast<std::int32_t>(index), entry);
  return kDone;
}

void LParamCache::Prepare(std::int32_t) {}

QZ::QZRESULT LParamCache::OnValueChanged(std::int32_t, const Variant&) { return QZ::E_NOTIMPL; }
