#pragma once
// Like LWrapper, but taggable and with a text: carries a string (status text,
// clipboard text, a dropped path) as an object whose ToString is the string.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/TaggableObject.h"

namespace QZ {

inline WideString StringToString(const WideString& text) { return text; }

template <class T, WideString (*ToStringFn)(const T&) = &StringToString, class Base = LTaggableObject>
class LWrapperStringable : public T, public virtual Base {
public:
  explicit LWrapperStringable(const T& value) : T(value) {}
  ~LWrapperStringable() override = default;

  [[nodiscard]] static RCPtr<LWrapperStringable> Create(const T& value) {
    return RCPtr<LWrapperStringable>(new LWrapperStringable(value));
  }

  WideString ToString() const override { return ToStringFn(*this); }
};

} // namespace QZ
