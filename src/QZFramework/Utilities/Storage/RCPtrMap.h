#pragma once
// Maps from an object's identity to a smart pointer. RCPtrHalfMap is the hashed
// list of (key, value) pair objects keyed by the address of the key object's
// LRefCountedObject part; RCPtrMap adds lookup and assignment by key object.
// The map holds a reference to every key and value in it, so a key's address
// cannot be reused while it is a key.

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/HashedList.h"
#include "QZFramework/Utilities/Storage/Pair.h"

#include <cstdint>
#include <stdexcept>

namespace QZ {

// Where this header's exceptions say they come from.
inline constexpr const char* kRCPtrMapSourcePath = "utilities\\Storage/RCPtrMap";

// Text of a pair of the map: the key object's text.
template <class K>
WideString RCPtrKeyToString(const ConstRCPtr<K>& key) {
  return key ? key->ToString() : WideString();
}

template <class K, class V>
using RCPtrMapPair = LPair<ConstRCPtr<K>, RCPtr<V>, &RCPtrKeyToString<K>>;

// The identity of a key object; 0 for none.
template <class K>
std::uintptr_t RCPtrMapKeyOf(const K* key) {
  return reinterpret_cast<std::uintptr_t>(static_cast<const LRefCountedObject*>(key));
}

template <class K, class V>
std::uintptr_t GetRCPtrMapPairKey(const RCPtr<RCPtrMapPair<K, V>>& pair) {
  return pair ? RCPtrMapKeyOf<K>(pair->mKey.Get()) : 0;
}

template <class K, class V, int Bits = 8>
class RCPtrHalfMap : public HashedList<RCPtr<RCPtrMapPair<K, V>>, std::uintptr_t, &GetRCPtrMapPairKey<K, V>, Bits,
                                       &GetBits<Bits, 4, std::uintptr_t>> {
  using List = HashedList<RCPtr<RCPtrMapPair<K, V>>, std::uintptr_t, &GetRCPtrMapPairKey<K, V>, Bits,
                          &GetBits<Bits, 4, std::uintptr_t>>;

public:
  using PairType = RCPtrMapPair<K, V>;

  // A pair without a key object has no identity to be found by.
  bool Add(const RCPtr<PairType>& pair) override {
    if (!pair || !pair->mKey)
      ThrowException<std::invalid_argument>("pair without key", "QZ::RCPtrHalfMap::Add", kRCPtrMapSourcePath, 47);
    return List::Add(pair);
  }
};

template <class K, class V, int Bits = 8>
class RCPtrMap : public RCPtrHalfMap<K, V, Bits> {
public:
  using PairType = RCPtrMapPair<K, V>;

  // The stored pair of the key, or the shared null pointer.
  virtual const RCPtr<PairType>& FindNode(const K* key) const {
    if (!key)
      return RCPtr<PairType>::sNull;
    const RCPtr<PairType>* found = this->Find(RCPtrMapKeyOf<K>(key), nullptr);
    return found ? *found : RCPtr<PairType>::sNull;
  }

  using RCPtrHalfMap<K, V, Bits>::Remove;
  virtual bool Remove(const K* key) { return key && this->Remove(RCPtrMapKeyOf<K>(key)); }

  // The stored value of the key, or the shared null pointer (not to be
  // assigned to: change a value with Set).
  virtual const RCPtr<V>& Lookup(const K* key) const {
    const RCPtr<PairType>& node = FindNode(key);
    return node ? node->mValue : RCPtr<V>::sNull;
  }

  // True when the key was new; an existing key's pair is replaced.
  virtual bool Set(const ConstRCPtr<K>& key, const RCPtr<V>& value) {
    if (!key)
      ThrowException<std::invalid_argument>("null key", "QZ::RCPtrMap::Set", kRCPtrMapSourcePath, 81);
    return this->Add(RCPtr<PairType>(new PairType(key, value)));
  }

  const RCPtr<PairType>& FindNode(const ConstRCPtr<K>& key) const { return FindNode(key.Get()); }
  bool Remove(const ConstRCPtr<K>& key) { return Remove(key.Get()); }
  const RCPtr<V>& Lookup(const ConstRCPtr<K>& key) const { return Lookup(key.Get()); }
};

} // namespace QZ
