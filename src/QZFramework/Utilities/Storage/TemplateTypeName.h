#pragma once
// Template arguments spelled the way the framework's texts spell them
// ("class QZ::LNotification", "unsigned int", "class QZ::LEvent *"), so that the
// names of container and wrapper instances in exception texts and in ToString
// do not depend on this compiler's own spelling.

#include "QZFramework/ObjectBase/TypeName.h"

#include <cstring>
#include <string>
#include <type_traits>
#include <typeinfo>

namespace QZ {

template <class T>
std::string TemplateArgumentName() {
  using U = std::remove_cv_t<T>;
  if constexpr (requires { TypeName<U>::Text(); }) {
    return TypeName<U>::Text(); // composed names of template instances
  } else if constexpr (requires { TypeName<U>::value; }) {
    return TypeName<U>::value;
  } else if constexpr (std::is_pointer_v<U>) {
    return TemplateArgumentName<std::remove_pointer_t<U>>() + " *";
  } else if constexpr (std::is_same_v<U, bool>) {
    return "bool";
  } else if constexpr (std::is_same_v<U, char>) {
    return "char";
  } else if constexpr (std::is_same_v<U, signed char>) {
    return "signed char";
  } else if constexpr (std::is_same_v<U, unsigned char>) {
    return "unsigned char";
  } else if constexpr (std::is_same_v<U, char16_t>) {
    return "wchar_t"; // our wide character
  } else if constexpr (std::is_same_v<U, short>) {
    return "short";
  } else if constexpr (std::is_same_v<U, unsigned short>) {
    return "unsigned short";
  } else if constexpr (std::is_same_v<U, int>) {
    return "int";
  } else if constexpr (std::is_same_v<U, unsigned int>) {
    return "unsigned int";
  } else if constexpr (std::is_same_v<U, long>) {
    return "long";
  } else if constexpr (std::is_same_v<U, unsigned long>) {
    return "unsigned long";
  } else if constexpr (std::is_same_v<U, long long>) {
    return "__int64";
  } else if constexpr (std::is_same_v<U, unsigned long long>) {
    return "unsigned __int64";
  } else if constexpr (std::is_same_v<U, float>) {
    return "float";
  } else if constexpr (std::is_same_v<U, double>) {
    return "double";
  } else if constexpr (std::is_enum_v<U>) {
    std::string name = RunTimeTypeName(typeid(U));
    if (name.compare(0, 6, "class ") == 0)
      name.erase(0, 6);
    return "enum " + name;
  } else {
    return RunTimeTypeName(typeid(U));
  }
}

} // namespace QZ
