#pragma once
// The current value of every parameter of the module tree, one entry per
// parameter index. An entry may instead hold a nested ParamValues list, which a
// non-empty detail addresses as a key path (an array of keys, one per level).
// Results: kDone, kNothingDone or kRefused.

#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Threading/SpinLock.h"

#include <cstdint>
#include <memory>

class LParamCache : public virtual QZ::LRefCountedObject {
public:
  // Changed, or found.
  static constexpr std::int32_t kDone = 0;
  // Nothing changed (an equal value was there, or nothing to remove), or not found.
  static constexpr std::int32_t kNothingDone = 1;
  // An index out of range, a refused key path or a malformed list.
  static constexpr std::int32_t kRefused = -1;

  explicit LParamCache(std::int32_t count);
  LParamCache(const LParamCache&) = delete;
  LParamCache& operator=(const LParamCache&) = delete;
  ~LParamCache() override;

  // The descriptor's identifier is the entry index.
  virtual std::int32_t SetValue(const QZ::ParamDescriptor& descriptor, const QZ::Variant& value, bool notify);
  virtual std::int32_t GetValue(const QZ::ParamDescriptor& descriptor, QZ::Variant& value) const;
  virtual void Prepare(std::int32_t arg);
  // Called under the cache's lock after a change made with notify set.
  virtual QZ::QZRESULT OnValueChanged(std::int32_t index, const QZ::Variant& value);

  std::int32_t GetCount() const { return mCount; }

private:
  const std::int32_t mCount;
  std::unique_ptr<QZ::Variant[]> mValues;
  mutable QZ::SpinLock mLock;
};

QZ_TYPE_NAME(LParamCache, "class LParamCache")
