#include "QZFramework/Controls/ItemConditionsParam.h"

#include <new>

namespace QZ {

RCPtr<LItemConditionsParam> LItemConditionsParam::Create(const LConditionsParam& conditions, std::int32_t row,
                                                         std::int32_t lookIndex, bool mouseInside) {
  return RCPtr<LItemConditionsParam>(new LItemConditionsParam(conditions, row, lookIndex, mouseInside));
}

void* LItemConditionsParam::operator new(std::size_t size) { return ::operator new(size); }
void LItemConditionsParam::operator delete(void* p) { ::operator delete(p); }

} // namespace QZ
