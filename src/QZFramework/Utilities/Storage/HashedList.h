#pragma once
// HashedList: values found by a key derived from the value itself, in 2^Bits
// buckets (256 in every instance) of key/value nodes. The caches index their
// entries with it, the glyph atlases their glyphs, RCPtrMap its pairs.
//
// A bucket is a short RCPtrArray scanned from its last node to its first, so
// the bucket function must spread the keys that occur: GetBits<8,4,...> for
// addresses and handles aligned to 16, GetBits<8,0,...> for character codes.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Pair.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <string>
#include <type_traits>

namespace QZ {

// Bucket = (key >> Shift) masked to Bits bits; the key's bits are taken
// unsigned, so negative keys spread like any others.
template <int Bits, int Shift, class Key>
std::uint32_t GetBits(const Key& key) {
  static_assert(std::is_integral_v<Key>, "bucket bits are taken from an integer key");
  static_assert(Bits > 0 && Bits < 32 && Shift >= 0 && Shift < 64, "bucket bits out of range");
  const auto bits = static_cast<std::make_unsigned_t<Key>>(key);
  return static_cast<std::uint32_t>(bits >> Shift) & ((std::uint32_t{1} << Bits) - 1);
}

// The key function of values that are their own key.
template <class T>
T GetSelf(const T& value) {
  return value;
}

// Text of a node: its key in decimal, or the key's own text.
template <class Key>
WideString HashedListKeyToString(const Key& key) {
  if constexpr (std::is_integral_v<Key>) {
    return WideString(std::to_string(key).c_str());
  } else if constexpr (requires { key.ToString(); }) {
    return key.ToString();
  } else {
    return WideString();
  }
}

template <class T, class Key>
class IHashedList {
public:
  virtual std::uint32_t GetCount() const = 0;
  virtual void RemoveAll() = 0;
  // False when the key was present and its value was replaced.
  virtual bool Add(const T& value) = 0;
  // The stored value, or defaultValue when the key is absent.
  virtual T* Find(const Key& key, T* defaultValue) = 0;
  virtual bool Remove(const Key& key) = 0;
  virtual ~IHashedList() = default;

  const T* Find(const Key& key, const T* defaultValue = nullptr) const {
    T* const found = const_cast<IHashedList*>(this)->Find(key, nullptr);
    return found ? found : defaultValue;
  }
};

template <class T, class Key, Key (*GetKey)(const T&), int Bits, std::uint32_t (*GetBitsFn)(const Key&)>
class HashedList : public IHashedList<T, Key> {
  static_assert(Bits > 0 && Bits <= 16, "bucket bits out of range");

public:
  using Node = LPair<Key, T, &HashedListKeyToString<Key>>;
  using Bucket = RCPtrArray<Node>;
  static constexpr std::uint32_t kBucketCount = std::uint32_t{1} << Bits;

  HashedList() = default;
  HashedList(const HashedList&) = delete;
  HashedList& operator=(const HashedList&) = delete;
  ~HashedList() override = default;

  std::uint32_t GetCount() const override { return mCount; }

  // The list is empty before the first node is released, so a value whose
  // release reaches back into the list finds it consistent.
  void RemoveAll() override {
    Bucket dropped;
    for (Bucket& bucket : mBuckets) {
      dropped.AppendItems(bucket);
      bucket.RemoveAll();
    }
    mCount = 0;
  }

  bool Add(const T& value) override {
    const Key key = GetKey(value);
    Bucket& bucket = BucketOf(key);
    const std::int32_t at = FindIndex(bucket, key);
    if (at >= 0) {
      bucket.GetData()[at]->mValue = value;
      return false;
    }
    bucket.AddItem(RCPtr<Node>(new Node(key, value)));
    ++mCount;
    return true;
  }

  using IHashedList<T, Key>::Find;
  T* Find(const Key& key, T* defaultValue) override {
    Bucket& bucket = BucketOf(key);
    const std::int32_t at = FindIndex(bucket, key);
    return at >= 0 ? &bucket.GetData()[at]->mValue : defaultValue;
  }

  // The node is out of the list and counted off before it is released.
  bool Remove(const Key& key) override {
    Bucket& bucket = BucketOf(key);
    const std::int32_t at = FindIndex(bucket, key);
    if (at < 0)
      return false;
    RCPtr<Node> removed;
    bucket.RemoveItem(static_cast<std::uint32_t>(at), removed);
    --mCount;
    return true;
  }

  // Masked again: a key type's own bucket function may give wider values.
  static std::uint32_t BucketIndex(const Key& key) { return GetBitsFn(key) & (kBucketCount - 1); }

  const Bucket& GetBucket(std::uint32_t index) const { return mBuckets[index & (kBucketCount - 1)]; }

private:
  Bucket& BucketOf(const Key& key) { return mBuckets[BucketIndex(key)]; }

  // Last node first; -1 when absent.
  static std::int32_t FindIndex(const Bucket& bucket, const Key& key) {
    const RCPtr<Node>* nodes = bucket.GetData();
    for (std::uint32_t i = bucket.GetCount(); i-- > 0;) {
      if (nodes[i]->mKey == key)
        return static_cast<std::int32_t>(i);
    }
    return -1;
  }

  std::uint32_t mCount = 0;
  Bucket mBuckets[kBucketCount];
};

} // namespace QZ
