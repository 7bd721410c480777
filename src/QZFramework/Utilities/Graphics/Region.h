#pragma once
// A region is a set of integer rectangles kept as a singly linked list of nodes
// from one process-wide pool. Regions are rebuilt on every invalidation and
// paint, so nodes are recycled first in, first out from 512 preallocated slots;
// only live nodes beyond those come from the heap.
//
// Rectangles here are edge rectangles {left, top, right, bottom}: right and
// bottom are exclusive, and one with right <= left or bottom <= top is empty.

#include "QZFramework/Utilities/Graphics/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace QZ {

struct EdgeRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  constexpr bool IsEmpty() const noexcept { return right <= left || bottom <= top; }
  friend constexpr bool operator==(const EdgeRect&, const EdgeRect&) = default;
};

struct RegionNode : EdgeRect {
  RegionNode* next = nullptr;
};

// The node pool. Every allocation and free takes its one lock, so regions owned
// by different threads may change at the same time; a single region's list is
// its owner's to guard.
class RegionNodePool {
public:
  static constexpr std::uint32_t kCapacity = 512;

  struct Stats {
    std::uint32_t capacity = 0;
    std::uint32_t head = 0;
    std::uint32_t freeCount = 0;
    std::size_t inUse = 0;
    std::size_t peak = 0; // 0: never used
  };

  RegionNodePool() = default;
  RegionNodePool(const RegionNodePool&) = delete;
  RegionNodePool& operator=(const RegionNodePool&) = delete;
  // Only for pools of limited lifetime: every node must have been freed.
  ~RegionNodePool();

  // The pool every region uses. It lives for the whole process: regions with
  // static storage may still free nodes while the program exits.
  static RegionNodePool& GetInstance();

  // A zeroed node: from the slots while any is free, else from the heap (whose
  // exception leaves the pool unchanged).
  RegionNode* Allocate();
  // Back to the ring when the node is a slot, to the heap otherwise. Null and a
  // slot that is already free are ignored.
  void Free(RegionNode* node) noexcept;

  Stats GetStats() const;
  bool IsSlot(const RegionNode* node) const;

  // Gives the slots back once no node is out (at once, or when the last one
  // returns); later allocations come from the heap.
  void ReleaseSlots();

private:
  struct Slot {
    RegionNode node;
    std::uint32_t ringEntry = 0; // entry i of the free ring lives in slot i
    bool isFree = true;          // a slot freed twice must not enter the ring twice
  };

  void Init(std::uint32_t count);
  void ResetFreeRing();
  void DestroySlots() noexcept;
  bool SlotIndex(const RegionNode* node, std::uint32_t& index) const noexcept;

  mutable std::mutex mLock; // guards everything below
  Slot* mSlots = nullptr;
  std::uint32_t mCapacity = 0;
  std::uint32_t mHead = 0;
  std::uint32_t mFreeCount = 0;
  std::size_t mInUse = 0;
  std::size_t mPeak = 0;
  bool mReleasePending = false;
};

class Region {
public:
  Region() noexcept = default;
  Region(const Region& other); // same rectangles, same order, own nodes
  Region(Region&& other) noexcept;
  Region& operator=(const Region& other);
  Region& operator=(Region&& other) noexcept;
  ~Region();

  // Union: r replaces whatever it overlaps and stands first in the list.
  void AddRect(const EdgeRect& r);
  // Removes r; the removed parts go to the front of `removed` or back to the pool.
  void SubtractRect(const EdgeRect& r, Region* removed = nullptr);
  void SubtractRegion(const Region& other, Region* removed = nullptr);
  // Copies of other's rectangles put in front, ending up in reverse order; no
  // overlap removal.
  void AppendRegion(const Region& other);
  void Intersect(const Region& other);
  // Bands of equal top and bottom, each ordered by left with no two rectangles
  // touching; then columns of equal rectangles over touching bands are merged.
  void Normalize();
  // Edges that would leave the 32-bit range stop at it; a rectangle that
  // becomes empty that way is dropped.
  void Offset(std::int32_t dx, std::int32_t dy);

  // False and {0, 0, 0, 0} when empty.
  bool GetBounds(EdgeRect& bounds) const;
  int GetRectCount() const;
  bool IsEmpty() const noexcept { return mFirst == nullptr; }

  // Fills any array with RemoveAll and AddItem(RectT<std::int32_t>) in list
  // order as {left, top, right - left, bottom - top}; sizes saturate.
  template <class Array>
  void GetRects(Array& rects) const {
    rects.RemoveAll();
    for (const RegionNode* n = mFirst; n; n = n->next)
      rects.AddItem(ToRect(*n));
  }

  bool IntersectsRect(const EdgeRect& r) const;
  // r moved by origin, clipped to [0, 2147483647] at its far edges, rounded.
  bool Intersects(const RectT<double>& r, const PointT<double>& origin) const;

  void Clear() noexcept;

private:
  static RectT<std::int32_t> ToRect(const EdgeRect& r) noexcept;
  static RegionNode* NewNode(const EdgeRect& r);
  void PushFront(RegionNode* node) noexcept;
  void Splice(Region& other) noexcept;
  void CopyFrom(const Region& other);

  void SortByTop();
  void CutIntoBands();
  void MergeWithinBands() noexcept;
  void MergeColumns() noexcept;

  RegionNode* mFirst = nullptr;
};

// left = trunc(x + 0.5), top = trunc(y + 0.5), right = left + trunc(width + 0.5),
// bottom = top + trunc(height + 0.5) (so -1.7 gives -1), each limited to the
// 32-bit range; then AddRect.
void AddRoundedRectToRegion(Region& region, const RectT<double>& r);

} // namespace QZ
