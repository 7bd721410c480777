#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <gtest/gtest.h>

namespace QZ {

// Stands in for the event class, whose name the default text must show.
class ToStringTestEvent : public virtual LRefCountedObject {};

} // namespace QZ

QZ_TYPE_NAME(QZ::ToStringTestEvent, "class QZ::LEvent")

namespace QZ {
namespace {

TEST(RefCountedObjectToString, DefaultNamesTheCompleteObjectsType) {
  RCPtr<ToStringTestEvent> event(new ToStringTestEvent);
  const LRefCountedObject& base = *event;
  const StringT<char16_t, char> text = base.ToString();
  EXPECT_TRUE(text.IsEqual(u"LRefCountedObject::ToString() not overridden. Returning TypeName: class QZ::LEvent"))
      << StringT<char, char16_t>(text).GetChars();
}

} // namespace
} // namespace QZ
