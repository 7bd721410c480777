#include "QZFramework/Utilities/Storage/XNodeKeyPath.h"

#include "QZFramework/Utilities/Storage/XNode.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

namespace QZ {

bool CKeyPathTokenizer::Next(SKeyPathStep& step) {
  for (;;) {
    if (!mAfterName) {
      if (*mNext == '\0')
        return false;
      const std::size_t n = std::strcspn(mNext, "[.");
      mAfterName = true;
      if (n > 0) {
        step = SKeyPathStep{SKeyPathStep::kName, std::string_view(mNext, n), 0, mNext[n] == '\0'};
        mNext += n;
        return true;
      }
    }
    mAfterName = false;
    if (*mNext == '[') {
      ++mNext;
      std::uint64_t index = 0;
      for (; *mNext >= '0' && *mNext <= '9'; ++mNext)
        index = std::min<std::uint64_t>(index * 10 + static_cast<unsigned>(*mNext - '0'), UINT32_MAX + 1ull);
      if (*mNext == ']') {
        ++mNext;
        if (*mNext == '.')
          ++mNext;
      }
      step = SKeyPathStep{SKeyPathStep::kIndex, std::string_view(), index, false};
      return true;
    }
    if (*mNext == '.')
      ++mNext;
  }
}

int CKeyPathTokenizer::CountSteps(const char* path) {
  CKeyPathTokenizer tokenizer(path);
  SKeyPathStep step;
  int count = 0;
  while (tokenizer.Next(step))
    ++count;
  return count;
}

XNode* XNode::FindPath(const char* path, std::uint32_t flags) {
  if (!path || !*path)
    return this;
  const bool create = (flags & (kFindCreate | kFindCreateVolatile)) != 0;
  const bool makeVolatile = (flags & kFindCreateVolatile) != 0;
  XNode* node = this;
  XNode* container = nullptr;
  CKeyPathTokenizer tokenizer(path);
  SKeyPathStep step;
  while (tokenizer.Next(step)) {
    if (step.kind == SKeyPathStep::kName) {
      XNode* child = node->FindChild(step.name.data(), step.name.size());
      if (!child) {
        if (!create)
          return nullptr;
        node->SetType(kTypeDict);
        auto fresh = std::make_unique<XNode>();
        fresh->SetKey(step.name.data(), step.name.size());
        if (makeVolatile && step.last)
          fresh->mFlags |= kFlagVolatile;
        if (!node->AddChild(fresh.get()))
          return nullptr;
        child = fresh.release();
      }
      container = node;
      node = child;
      continue;
    }
    const std::uint64_t index = step.index;
    const std::size_t count = node->GetChildCount();
    XNode* item = index < count ? node->mChildren[static_cast<std::size_t>(index)] : nullptr;
    if (!item) {
      if (!create)
        return nullptr;
      if (count == 0)
        node->SetType(kTypeArray);
      if (index < count || index > kMaxCreatedIndex)
        return nullptr;
      while (node->mChildren.size() <= index) {
        auto fresh = std::make_unique<XNode>(nullptr, kTypeDict);
        if (makeVolatile)
          fresh->mFlags |= kFlagVolatile;
        if (!node->AddChild(fresh.get()))
          return nullptr;
        item = fresh.release();
      }
    }
    container = node;
    node = item;
  }
  if ((flags & kFindRemove) && container) {
    container->RemoveChild(node);
    return nullptr;
  }
  return node;
}

} // namespace QZ
