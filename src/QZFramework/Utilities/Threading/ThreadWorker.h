#pragma once
// The job that threaders and thread pools run.

#include "QZFramework/ObjectBase/RefCountedObject.h"

#include <cstdint>

namespace QZ {

class LThreadWorker : public virtual LRefCountedObject {
public:
  // params is the object bound when the job was triggered (may be null).
  virtual std::int32_t DoWork(RCPtr<LRefCountedObject>& params) = 0;
  ~LThreadWorker() override = default;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LThreadWorker, "class QZ::LThreadWorker")
