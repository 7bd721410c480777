#pragma once
// Type names as the framework's texts spell them ("class QZ::LEvent"). Each class
// that appears in a text declares its name once with QZ_TYPE_NAME; the name of a
// complete object is found through its type_info, so ToString and the exception
// texts never depend on the compiler's own mangling.

#include <typeinfo>

namespace QZ {

template <class T>
struct TypeName; // specialised by QZ_TYPE_NAME

// Registers a type's text name; returns true so it can initialise a static.
bool RegisterTypeName(const std::type_info& type, const char* name);

// The registered name of a run-time type; unregistered types fall back to
// "class " and the demangled name.
const char* RunTimeTypeName(const std::type_info& type);

} // namespace QZ

// Use at namespace scope, outside any namespace, after the type is declared.
#define QZ_TYPE_NAME(Type, Name)                                                                                  \
  template <>                                                                                                     \
  struct QZ::TypeName<Type> {                                                                                     \
    static constexpr const char* value = Name;                                                                    \
    static inline const bool registered = ::QZ::RegisterTypeName(typeid(Type), Name);                             \
  };
