#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Threading/LEvent.h"

#include <gtest/gtest.h>

namespace QZ {
namespace {

TEST(RefCountedObjectToString, DefaultNamesTheCompleteObjectsType) {
  const RCPtr<LEvent> event = LEvent::Create();
  const LRefCountedObject& base = *event;
  const WideString text = base.ToString();
  EXPECT_TRUE(text.IsEqual(u"LRefCountedObject::ToString() not overridden. Returning TypeName: class QZ::LEvent"))
      << NarrowString(text).GetChars();
}

} // namespace
} // namespace QZ
