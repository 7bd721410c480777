#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <typeinfo>

namespace QZ {

StringT<char16_t, char> LRefCountedObject::ToString() const {
  StringT<char16_t, char> text("LRefCountedObject::ToString() not overridden. Returning TypeName: ");
  text.AppendString(StringT<char16_t, char>(RunTimeTypeName(typeid(*this))));
  return text;
}

} // namespace QZ
