#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <typeinfo>

namespace QZ {

WideString LRefCountedObject::ToString() const {
  WideString text("LRefCountedObject::ToString() not overridden. Returning TypeName: ");
  text.AppendString(WideString(RunTimeTypeName(typeid(*this))));
  return text;
}

} // namespace QZ
