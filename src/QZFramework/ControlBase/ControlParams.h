#pragma once
// The payloads of a control's value and condition notifications.
//
// LValueParam: "NID_VALUE_CHANGE" carries the normalised value and the value
// it maps to; a new record per change.
// LConditionsParam: every condition notification of a control carries the
// control's one record (bits as LControl::kCondition...), updated in place,
// so a receiver that keeps it sees later values.
//
// Both are sent at mouse-move and drag-step rates, so their records come from
// process-wide pools (each pool has its own lock); the objects themselves are
// used on the UI thread only.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>

namespace QZ {

class LValueParam : public virtual LRefCountedObject {
public:
  [[nodiscard]] static RCPtr<LValueParam> Create(double normalized, double value);

  // "ValueParam = %lf" with the normalised value.
  WideString ToString() const override;

  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  double mNormalizedValue = 0.0;
  double mValue = 0.0;

  LValueParam(double normalized, double value) : mNormalizedValue(normalized), mValue(value) {}
  ~LValueParam() override = default;
};

class LConditionsParam : public virtual LRefCountedObject {
public:
  [[nodiscard]] static RCPtr<LConditionsParam> Create(std::uint32_t previousBits, std::uint32_t currentBits,
                                                      const PointT<double>& point);

  // "(%g, %g)" with the point.
  WideString ToString() const override;

  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  std::uint32_t mPreviousBits = 0;
  std::uint32_t mCurrentBits = 0;
  PointT<double> mPoint{};

  LConditionsParam(std::uint32_t previousBits, std::uint32_t currentBits, const PointT<double>& point)
      : mPreviousBits(previousBits), mCurrentBits(currentBits), mPoint(point) {}
  ~LConditionsParam() override = default;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LValueParam, "class QZ::LValueParam")
QZ_TYPE_NAME(QZ::LConditionsParam, "class QZ::LConditionsParam")
