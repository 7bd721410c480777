#pragma once
// The renderers' caches of built objects (paths, display lists, textures, glyph
// atlases): a fixed array of entries, an index from key to entry, least-recently
// used replacement when every entry is taken, and a purge that empties the
// entries not used since a mark. The cache hands out an entry's object slot;
// filling an empty slot is the caller's business.
//
// Ages and marks are use-counter values compared modulo 2^32, so the counter
// may wrap. Keys stay registered through purges and discards: a key seen again
// finds its entry at once and only its object is rebuilt.

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/HashedList.h"

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace QZ {

// Where this header's exceptions say they come from.
inline constexpr const char* kPurgableObjectCacheSourcePath = "Utilities\\Graphics\\PurgableObjectCache";

template <class Obj, class Key>
class PurgableCacheEntry {
public:
  PurgableCacheEntry() = default;
  PurgableCacheEntry(const PurgableCacheEntry&) = delete;
  PurgableCacheEntry& operator=(const PurgableCacheEntry&) = delete;
  virtual ~PurgableCacheEntry() = default;

  virtual bool IsEmpty() const { return mObject.IsNull(); }

  void Reset() {
    mUseCount = 0;
    mLastUse = 0;
    mObject = nullptr;
  }

  Key mKey{};
  RCPtr<Obj> mObject;
  std::uint32_t mLastUse = 0;
  std::uint32_t mUseCount = 0;
};

template <class Obj, class Source, class Key, Key (*GetKey)(const Source&), int Bits,
          std::uint32_t (*GetBitsFn)(const Key&)>
class PurgableObjectCache {
public:
  using Entry = PurgableCacheEntry<Obj, Key>;

  static Key GetEntryID(Entry* const& entry) { return entry->mKey; }

  using KeyIndex = HashedList<Entry*, Key, &PurgableObjectCache::GetEntryID, Bits, GetBitsFn>;

  // A cache without entries would have nothing to hand out when full.
  explicit PurgableObjectCache(std::uint32_t capacity) : mCapacity(capacity) {
    if (capacity == 0)
      ThrowException<std::invalid_argument>("capacity 0", "QZ::PurgableObjectCache::PurgableObjectCache",
                                            kPurgableObjectCacheSourcePath, 57);
    mEntries.reset(new Entry[capacity]);
  }

  PurgableObjectCache(const PurgableObjectCache&) = delete;
  PurgableObjectCache& operator=(const PurgableObjectCache&) = delete;

  virtual ~PurgableObjectCache() {
    for (std::uint32_t i = 0; i < mCapacity; ++i)
      mEntries[i].mObject = nullptr;
    mKeyIndex.RemoveAll();
  }

  // The slot of the source's key, its use recorded; discard empties a found
  // entry first.
  RCPtr<Obj>& Get(const Source& source, bool discard) {
    const Key key = GetKey(source);
    Entry* entry = nullptr;
    if (Entry** found = mKeyIndex.Find(key, nullptr)) {
      entry = *found;
      if (discard)
        entry->Reset();
    } else if (mKeyIndex.GetCount() < mCapacity) {
      entry = &mEntries[mKeyIndex.GetCount()];
      Register(*entry, key);
    } else {
      entry = &Replaceable();
      mKeyIndex.Remove(entry->mKey);
      Register(*entry, key);
    }
    if (entry->mUseCount != 0xFFFFFFFFu)
      ++entry->mUseCount;
    ++mUseCounter;
    entry->mLastUse = mUseCounter;
    return entry->mObject;
  }

  // 0 when the key's entry was emptied, 1 when no entry has the key.
  int Discard(const Key& key) {
    Entry** found = mKeyIndex.Find(key, nullptr);
    if (!found)
      return 1;
    (*found)->Reset();
    return 0;
  }

  // Empties every entry last used before the mark; returns how many.
  int Purge(std::uint32_t mark) {
    int count = 0;
    for (std::uint32_t i = 0; i < mCapacity; ++i) {
      Entry& entry = mEntries[i];
      if (static_cast<std::int32_t>(entry.mLastUse - mark) < 0) {
        entry.Reset();
        ++count;
      }
    }
    return count;
  }

  std::uint32_t GetCapacity() const { return mCapacity; }
  // The owner's view of an entry; index below the capacity.
  const Entry& GetEntry(std::uint32_t index) const { return mEntries[index]; }
  Entry& GetEntry(std::uint32_t index) { return mEntries[index]; }
  const KeyIndex& GetKeyIndex() const { return mKeyIndex; }

  const std::uint32_t mCapacity;
  std::uint32_t mUseCounter = 0;
  std::uint32_t mPurgeMark = 0;

private:
  void Register(Entry& entry, const Key& key) {
    entry.Reset();
    entry.mKey = key;
    mKeyIndex.Add(&entry);
  }

  // The first empty entry, else the oldest, the least used among equally old,
  // the first among equals.
  Entry& Replaceable() {
    std::uint32_t candidate = 0;
    std::uint32_t candidateAge = 0;
    std::uint32_t candidateUses = 0xFFFFFFFFu;
    for (std::uint32_t i = 0; i < mCapacity; ++i) {
      Entry& entry = mEntries[i];
      if (entry.IsEmpty())
        return entry;
      const std::uint32_t age = mUseCounter - entry.mLastUse;
      if (age > candidateAge || (age == candidateAge && entry.mUseCount < candidateUses)) {
        candidate = i;
        candidateAge = age;
        candidateUses = entry.mUseCount;
      }
    }
    return mEntries[candidate];
  }

  std::unique_ptr<Entry[]> mEntries;
  KeyIndex mKeyIndex;
};

} // namespace QZ
