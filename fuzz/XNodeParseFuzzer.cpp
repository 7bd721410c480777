// Property-list parser. Any bytes parse or fail cleanly; a parsed tree writes out as a
// document that parses back to the same tree (nodes without a type aside); and any bytes
// used as keys, strings, data or key paths leave a document that still parses.

#include "QZFramework/Utilities/Storage/XNode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

using QZ::XNode;

class StringOutput : public XNode::Output {
public:
  int Write(const char* bytes, std::size_t length) override {
    text.append(bytes, length);
    return 0;
  }
  std::string text;
};

void Check(bool condition) {
  if (!condition)
    std::abort();
}

// Nodes without a type are written as bare indentation and so drop out in one round.
bool HoldsUntyped(const XNode& node) {
  for (std::size_t i = 0; i < node.GetChildCount(); ++i) {
    const XNode* child = node.GetChild(i);
    if (child && (child->GetType() == XNode::kTypeNone || HoldsUntyped(*child)))
      return true;
  }
  return false;
}

std::string WriteOut(const XNode& node, int expected = 0) {
  StringOutput out;
  Check(node.Write(out, XNode::kWriteHeader) == expected);
  return out.text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  XNode error;
  std::unique_ptr<XNode> root = XNode::Parse(input, "fuzz", &error);
  if (!root) {
    Check(error.GetType() == XNode::kTypeString && error.GetText().rfind("XML Load Error \"", 0) == 0);
    root = std::make_unique<XNode>(nullptr, XNode::kTypeDict);
  } else {
    // Parsed trees nest within the writer's limit.
    const std::string first = WriteOut(*root);
    auto again = XNode::Parse(first, "fuzz-1", nullptr);
    Check(again != nullptr);
    const std::string second = WriteOut(*again);
    Check(second == first || HoldsUntyped(*root));
    auto third = XNode::Parse(second, "fuzz-2", nullptr);
    Check(third != nullptr);
    Check(WriteOut(*third) == second);
  }

  // The same bytes as texts and as a key path into the tree.
  const std::string text(input.substr(0, 4096));
  const std::string path(input.substr(0, 64).substr(0, input.substr(0, 64).find('\0')));
  root->FindPath(path.c_str(), 0);
  // Each index may create that many items; keep them small so inputs stay fast.
  bool smallIndexes = true;
  for (std::size_t digits = 0, i = 0; i < path.size(); ++i) {
    digits = (path[i] >= '0' && path[i] <= '9') ? digits + 1 : 0;
    smallIndexes = smallIndexes && digits < 4;
  }
  XNode* created = smallIndexes ? root->FindPath(path.c_str(), XNode::kFindCreate) : nullptr;
  XNode holder(nullptr, XNode::kTypeDict);
  if (created) {
    created->SetString(text.c_str());
    holder.AddChild(root.release()); // holder owns it now
  }
  auto* keyed = new XNode(&holder, XNode::kTypeData);
  keyed->SetKey(text.data(), text.size());
  keyed->SetValueFromText(text.data(), text.size());
  new XNode(&holder, XNode::kTypeString);
  holder.GetChild(holder.GetChildCount() - 1)->SetValueFromText(text.data(), text.size());

  StringOutput out;
  const int result = holder.Write(out, XNode::kWriteHeader);
  Check(result == 0 || result == XNode::kErrorTooDeep);
  if (result == 0)
    Check(XNode::Parse(out.text, "fuzz-texts", nullptr) != nullptr);
  root.reset(); // null when the holder took it
  return 0;
}
