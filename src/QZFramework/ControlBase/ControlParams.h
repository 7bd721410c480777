#pragma once
// The payloads of a control's value and condition notifications.
//
// LValueParam: "NID_VALUE_CHANGE" carries the normalised value and the value
// it maps to; a new record per change.
// LConditionsParam: every condition notification of a control carries the
// control's one record, updated in place, so a receiver that keeps it sees
// later values.
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

// The condition bits.
inline constexpr std::uint32_t kConditionHasFocus = 0x1;
inline constexpr std::uint32_t kConditionContainsFocus = 0x2;
inline constexpr std::uint32_t kConditionMouseInside = 0x4;
inline constexpr std::uint32_t kConditionCaptured = 0x8;
inline constexpr std::uint32_t kConditionLeftDragArmed = 0x10;
inline constexpr std::uint32_t kConditionMiddleDragArmed = 0x20;
inline constexpr std::uint32_t kConditionRightDragArmed = 0x40;
inline constexpr std::uint32_t kConditionLeftDragging = 0x80;
inline constexpr std::uint32_t kConditionMiddleDragging = 0x100;
inline constexpr std::uint32_t kConditionRightDragging = 0x200;
inline constexpr std::uint32_t kConditionEnabled = 0x400;
inline constexpr std::uint32_t kConditionVisible = 0x800;
inline constexpr std::uint32_t kConditionHover = 0x1000;

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
