#pragma once
// Makes a class reference-counted by deriving from it, so that an instance can
// be held by smart pointers (traffic lights, parameter-value packets, dropped
// file lists).

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/TemplateTypeName.h"

#include <string>

namespace QZ {

template <class T, class Base = LRefCountedObject>
class LWrapper : public T, public virtual Base {
public:
  LWrapper() : T() { (void)TypeName<LWrapper>::registered; }
  ~LWrapper() override = default;

  [[nodiscard]] static RCPtr<LWrapper> Create() { return RCPtr<LWrapper>(new LWrapper); }
};

template <class T, class Base>
struct TypeName<LWrapper<T, Base>> {
  static const char* Text() {
    static const std::string text =
        "class QZ::LWrapper<" + TemplateArgumentName<T>() + "," + TemplateArgumentName<Base>() + ">";
    return text.c_str();
  }
  static inline const bool registered = RegisterTypeName(typeid(LWrapper<T, Base>), Text());
};

} // namespace QZ
