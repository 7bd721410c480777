#pragma once
// The framework's skin control classes ("Framework." names) and the walk that
// registers a table of classes with the control factory in table order. Each
// class's create function is entered in the table by the code that builds the
// class; an entry without a function is not registered yet, so a skin naming it
// fails to create as an unknown class does.
//
// Class names compare by UTF-16 code units: a name that differs in letter case
// is another name. UI thread only, like the factory.

#include "QZFramework/ControlBase/ControlDescriptor.h"
#include "QZFramework/ObjectBase/QZResult.h"

#include <cstdint>
#include <span>

namespace QZ {

class LControlFactory;

struct SControlClass {
  const char16_t* mName;
  ControlCreateFunction mCreate;
};

// The 40 framework classes in their registration order.
std::span<const SControlClass> GetFrameworkControlClasses();

// Registers every entry that has a create function, in table order (a name
// registered already keeps its first function). 0, or the first negative
// result, which ends the walk.
[[nodiscard]] QZRESULT RegisterControlClasses(LControlFactory& factory, std::span<const SControlClass> classes);

} // namespace QZ
