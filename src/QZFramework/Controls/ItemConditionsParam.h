#pragma once
// LItemConditionsParam: the payload of a list's "NID_ITEM_HOVER_CONDITION_CHANGE"
// and "NID_ITEM_LEFT_DRAG_CONDITION_CHANGE": the row control's condition change
// (old and new bits, the point) and which row it showed, the look it showed and
// whether the pointer was inside it. A new record per notification (unlike
// the control's own conditions record, which is updated in place), so it
// comes from the heap rather than the conditions pool.

#include "QZFramework/ControlBase/ControlParams.h"

#include <cstddef>
#include <cstdint>

namespace QZ {

class LItemConditionsParam : public LConditionsParam {
public:
  LItemConditionsParam(const LConditionsParam& conditions, std::int32_t row, std::int32_t lookIndex,
                       bool mouseInside)
      : LConditionsParam(conditions.mPreviousBits, conditions.mCurrentBits, conditions.mPoint), mRow(row),
        mLookIndex(lookIndex), mMouseInside(mouseInside) {}
  ~LItemConditionsParam() override = default;

  [[nodiscard]] static RCPtr<LItemConditionsParam> Create(const LConditionsParam& conditions, std::int32_t row,
                                                          std::int32_t lookIndex, bool mouseInside);

  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  std::int32_t mRow = -1;
  std::int32_t mLookIndex = -1;
  bool mMouseInside = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LItemConditionsParam, "class QZ::LItemConditionsParam")
