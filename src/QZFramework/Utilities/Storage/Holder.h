#pragma once
// A plain value boxed on the heap inside a reference-counted object; the
// payload of notifications that carry one number, state or flag.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/TemplateTypeName.h"

#include <new>
#include <string>

namespace QZ {

template <class T>
class LHolder : public virtual LRefCountedObject {
public:
  // Value-initialised; mValue stays null if the heap refuses.
  LHolder() : mValue(new (std::nothrow) T()) { (void)TypeName<LHolder>::registered; }
  ~LHolder() override { delete mValue; }

  // The value is owned: a copy would free it twice.
  LHolder(const LHolder&) = delete;
  LHolder& operator=(const LHolder&) = delete;

  [[nodiscard]] static RCPtr<LHolder> Create() { return RCPtr<LHolder>(new LHolder); }

  T* mValue;
};

template <class T>
struct TypeName<LHolder<T>> {
  static const char* Text() {
    static const std::string text = "class QZ::LHolder<" + TemplateArgumentName<T>() + ">";
    return text.c_str();
  }
  static inline const bool registered = RegisterTypeName(typeid(LHolder<T>), Text());
};

} // namespace QZ
