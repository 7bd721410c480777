#pragma once
// A key and a value: plain (Pair), or as a reference-counted, taggable object
// whose text is its key's text (LPair), the node of hashed lists and maps and
// the payload of single parameter-value notifications.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/TaggableObject.h"

namespace QZ {

template <class K, class V>
struct Pair {
  K mKey;
  V mValue;
};

template <class K, class V, WideString (*ToStringFn)(const K&), class Base = LTaggableObject>
class LPair : public Pair<K, V>, public virtual Base {
public:
  LPair(const K& key, const V& value) : Pair<K, V>{key, value} {}
  ~LPair() override = default;

  // The value plays no part in the text.
  WideString ToString() const override { return ToStringFn(this->mKey); }
};

} // namespace QZ
