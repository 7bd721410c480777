#pragma once
// Base of objects shown in or carried by lists, maps and controls: one tag
// object rides along with the instance and goes with it.

#include "QZFramework/ObjectBase/RefCountedObject.h"

namespace QZ {

class LTaggableObject : public virtual LRefCountedObject {
public:
  LTaggableObject() = default;
  ~LTaggableObject() override = default;

  const RCPtr<LRefCountedObject>& GetTag() const { return mTag; }
  void SetTag(const RCPtr<LRefCountedObject>& tag) { mTag = tag; }

  RCPtr<LRefCountedObject> mTag;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LTaggableObject, "class QZ::LTaggableObject")
