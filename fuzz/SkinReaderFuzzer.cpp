// Skin reader. Any bytes load or fail cleanly (0 or E_FAIL), and what was read
// before a failure is a consistent set of descriptor trees: every child links
// back to its parent, every SubControl has a layout, look lists stay within
// their cap, and every top-level control is found by its name. (Children are
// in layout order only once their SubControl's end tag was read, which a
// failure or a misplaced LookLists prevents.)

#include "QZFramework/ControlBase/ControlFactory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

using namespace QZ;

void Check(bool condition) {
  if (!condition)
    std::abort();
}

void CheckTree(const LControlDescriptor& descriptor, int depth) {
  Check(depth <= 1000);
  const RCPtrArray<LControlDescriptor>& children = descriptor.GetChildren();
  for (std::uint32_t i = 0; i < children.GetCount(); ++i) {
    const LControlDescriptor& child = *children.GetAt(i);
    Check(child.GetParent() == &descriptor);
    Check(bool(child.GetLayout()));
    if (const RCPtr<LSkinDescriptor>& skin = child.GetSkin(); skin && skin->mLookList)
      Check(skin->mLookList->GetCount() <= static_cast<std::uint32_t>(LControlFactory::kMaxLookListSize));
    CheckTree(child, depth + 1);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RCPtr<LControlFactory> factory = MakeRCPtr<LControlFactory>(u"Fuzz");
  const QZRESULT result = factory->LoadSkinsFromText(std::span<const std::uint8_t>(data, size));
  Check(result == S_OK || result == E_FAIL);

  const RCPtrArray<LControlDescriptor>& roots = factory->GetTopLevelDescriptors();
  for (std::uint32_t i = 0; i < roots.GetCount(); ++i) {
    const LControlDescriptor& root = *roots.GetAt(i);
    Check(root.IsRoot());
    CheckTree(root, 0);
    Check(factory->SetCurrentSkinIndex(static_cast<std::int32_t>(i)) == S_OK);
    WideString font;
    float fontSize = 0;
    std::int32_t style = 0;
    Check(factory->GetSkinFont(font, fontSize, style) >= 0);
    for (std::uint32_t c = 0; c < root.GetChildren().GetCount(); ++c) {
      const RCPtr<LControlDescriptor>& child = root.GetChildren().GetAt(c);
      const RCPtr<LControlDescriptor>& found = factory->FindTopLevelDescriptor(child->GetName());
      Check(found && found->GetName().EqualsString(child->GetName()));
      RCPtr<LControlDescriptor> clone = factory->CloneDescriptor(found, found->GetLayout(), u"clone");
      Check(clone && clone->GetChildren().GetCount() == found->GetChildren().GetCount());
    }
  }
  return 0;
}
