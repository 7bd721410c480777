#include "QZFramework/Utilities/Graphics/Region.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace QZ {

namespace {

constexpr std::int32_t kMinInt32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();

constexpr std::int32_t Saturate(std::int64_t v) noexcept {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, kMinInt32, kMaxInt32));
}

// Touching edges do not overlap.
bool Overlaps(const EdgeRect& r, const EdgeRect& n) noexcept {
  const bool x = r.left < n.left ? n.left < r.right : r.left < n.right;
  const bool y = r.top < n.top ? n.top < r.bottom : r.top < n.bottom;
  return x && y;
}

// The pool exists before main, so its lock is there before any thread asks;
// at exit it gives its slots back once the last node has returned.
struct PoolLifetime {
  PoolLifetime() { RegionNodePool::GetInstance(); }
  ~PoolLifetime() { RegionNodePool::GetInstance().ReleaseSlots(); }
} gPoolLifetime;

} // namespace

// ---------------------------------------------------------------------------
// RegionNodePool

RegionNodePool::~RegionNodePool() { DestroySlots(); }

RegionNodePool& RegionNodePool::GetInstance() {
  static RegionNodePool* const pool = new RegionNodePool;
  return *pool;
}

void RegionNodePool::Init(std::uint32_t count) {
  DestroySlots();
  mSlots = new (std::nothrow) Slot[count];
  if (!mSlots)
    return; // every node comes from the heap
  mCapacity = count;
  ResetFreeRing();
}

void RegionNodePool::ResetFreeRing() {
  for (std::uint32_t i = 0; i < mCapacity; ++i)
    mSlots[i].ringEntry = i;
  mHead = 0;
  mFreeCount = mCapacity;
}

void RegionNodePool::DestroySlots() noexcept {
  delete[] mSlots;
  mSlots = nullptr;
  mCapacity = 0;
  mHead = 0;
  mFreeCount = 0;
}

bool RegionNodePool::SlotIndex(const RegionNode* node, std::uint32_t& index) const noexcept {
  if (!mSlots)
    return false;
  // Unsigned, so a node below the array wraps to a huge index.
  const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(node) - reinterpret_cast<std::uintptr_t>(mSlots);
  const std::uintptr_t i = offset / sizeof(Slot);
  if (i >= mCapacity)
    return false;
  index = static_cast<std::uint32_t>(i);
  return true;
}

RegionNode* RegionNodePool::Allocate() {
  std::lock_guard<std::mutex> lock(mLock);
  if (mPeak == 0 && !mReleasePending)
    Init(kCapacity);
  RegionNode* node;
  if (mFreeCount == 0) {
    node = new RegionNode; // counted only once it exists
  } else {
    Slot& slot = mSlots[mSlots[mHead].ringEntry];
    slot.isFree = false;
    node = &slot.node;
    mHead = (mHead + 1) % mCapacity;
    --mFreeCount;
  }
  ++mInUse;
  mPeak = std::max(mPeak, mInUse);
  *node = RegionNode{};
  return node;
}

void RegionNodePool::Free(RegionNode* node) noexcept {
  if (!node)
    return;
  bool fromHeap = false;
  {
    std::lock_guard<std::mutex> lock(mLock);
    std::uint32_t index;
    if (SlotIndex(node, index)) {
      // A slot freed twice would be handed to two owners; it is never heap memory.
      if (mSlots[index].isFree || mFreeCount >= mCapacity)
        return;
      mSlots[index].isFree = true;
      mSlots[(mHead + mFreeCount) % mCapacity].ringEntry = index;
      ++mFreeCount;
    } else {
      fromHeap = true;
    }
    if (mInUse > 0)
      --mInUse;
    if (mReleasePending && mInUse == 0)
      DestroySlots();
  }
  if (fromHeap)
    delete node;
}

RegionNodePool::Stats RegionNodePool::GetStats() const {
  std::lock_guard<std::mutex> lock(mLock);
  return {mCapacity, mHead, mFreeCount, mInUse, mPeak};
}

bool RegionNodePool::IsSlot(const RegionNode* node) const {
  std::lock_guard<std::mutex> lock(mLock);
  std::uint32_t index;
  return SlotIndex(node, index);
}

void RegionNodePool::ReleaseSlots() {
  std::lock_guard<std::mutex> lock(mLock);
  mReleasePending = true;
  if (mInUse == 0)
    DestroySlots();
}

// ---------------------------------------------------------------------------
// Region

Region::Region(const Region& other) { CopyFrom(other); }

Region::Region(Region&& other) noexcept : mFirst(std::exchange(other.mFirst, nullptr)) {}

Region& Region::operator=(const Region& other) {
  if (this != &other) {
    Region copy(other);
    std::swap(mFirst, copy.mFirst);
  }
  return *this;
}

Region& Region::operator=(Region&& other) noexcept {
  if (this != &other) {
    Clear();
    mFirst = std::exchange(other.mFirst, nullptr);
  }
  return *this;
}

Region::~Region() { Clear(); }

RegionNode* Region::NewNode(const EdgeRect& r) {
  RegionNode* node = RegionNodePool::GetInstance().Allocate();
  static_cast<EdgeRect&>(*node) = r;
  return node;
}

void Region::PushFront(RegionNode* node) noexcept {
  node->next = mFirst;
  mFirst = node;
}

// Moves other's nodes in front of ours; nothing is allocated.
void Region::Splice(Region& other) noexcept {
  if (!other.mFirst)
    return;
  RegionNode* last = other.mFirst;
  while (last->next)
    last = last->next;
  last->next = mFirst;
  mFirst = std::exchange(other.mFirst, nullptr);
}

void Region::CopyFrom(const Region& other) {
  RegionNode** tail = &mFirst;
  try {
    for (const RegionNode* n = other.mFirst; n; n = n->next) {
      *tail = NewNode(*n);
      tail = &(*tail)->next;
    }
  } catch (...) {
    Clear();
    throw;
  }
}

void Region::Clear() noexcept {
  RegionNodePool& pool = RegionNodePool::GetInstance();
  while (RegionNode* n = mFirst) {
    mFirst = n->next;
    pool.Free(n);
  }
}

void Region::AddRect(const EdgeRect& r) {
  if (r.IsEmpty())
    return;
  // The node is taken first, so a failed allocation leaves the region as it was.
  RegionNode* node = NewNode(r);
  try {
    SubtractRect(r);
  } catch (...) {
    RegionNodePool::GetInstance().Free(node);
    throw;
  }
  PushFront(node);
}

void Region::SubtractRect(const EdgeRect& r, Region* removed) {
  // An empty r would "overlap" a node it lies inside and cut it into empty pieces.
  if (r.IsEmpty() || removed == this)
    return;
  RegionNodePool& pool = RegionNodePool::GetInstance();
  RegionNode* prev = nullptr; // last visited node still in the list
  RegionNode* n = mFirst;
  while (n) {
    RegionNode* const next = n->next;
    if (!Overlaps(r, *n)) {
      prev = n;
      n = next;
      continue;
    }
    // Pieces outside r go to the front, where the walk does not reach them; n
    // is trimmed after each piece exists, so a failed allocation leaves the
    // region whole.
    if (n->top < r.top) {
      PushFront(NewNode({n->left, n->top, n->right, r.top}));
      n->top = r.top;
    }
    if (r.bottom < n->bottom) {
      PushFront(NewNode({n->left, r.bottom, n->right, n->bottom}));
      n->bottom = r.bottom;
    }
    if (n->left < r.left) {
      PushFront(NewNode({n->left, n->top, r.left, n->bottom}));
      n->left = r.left;
    }
    if (r.right < n->right) {
      PushFront(NewNode({r.right, n->top, n->right, n->bottom}));
      n->right = r.right;
    }
    // Unlink n, now the overlap. Without a kept node before it, only new pieces
    // stand in front of it.
    if (prev) {
      prev->next = next;
    } else if (mFirst == n) {
      mFirst = next;
    } else {
      RegionNode* p = mFirst;
      while (p->next != n)
        p = p->next;
      p->next = next;
    }
    if (removed)
      removed->PushFront(n);
    else
      pool.Free(n);
    n = next;
  }
}

void Region::SubtractRegion(const Region& other, Region* removed) {
  if (&other == this) {
    const Region copy(other);
    SubtractRegion(copy, removed);
    return;
  }
  for (const RegionNode* n = other.mFirst; n; n = n->next)
    SubtractRect(*n, removed);
}

void Region::AppendRegion(const Region& other) {
  // Walking other from its first node is unaffected by pushing in front of it,
  // also when other is this region.
  for (const RegionNode* n = other.mFirst; n; n = n->next)
    PushFront(NewNode(*n));
}

void Region::Intersect(const Region& other) {
  if (&other == this)
    return;
  Region inside;
  try {
    SubtractRegion(other, &inside);
  } catch (...) {
    Splice(inside); // the pieces return, so the region still covers what it did
    throw;
  }
  std::swap(mFirst, inside.mFirst); // inside now holds the rest and clears it
}

void Region::Offset(std::int32_t dx, std::int32_t dy) {
  if (dx == 0 && dy == 0)
    return;
  RegionNodePool& pool = RegionNodePool::GetInstance();
  RegionNode** link = &mFirst;
  while (RegionNode* n = *link) {
    n->left = Saturate(std::int64_t{n->left} + dx);
    n->right = Saturate(std::int64_t{n->right} + dx);
    n->top = Saturate(std::int64_t{n->top} + dy);
    n->bottom = Saturate(std::int64_t{n->bottom} + dy);
    if (n->IsEmpty()) {
      *link = n->next;
      pool.Free(n);
    } else {
      link = &n->next;
    }
  }
}

bool Region::GetBounds(EdgeRect& bounds) const {
  if (!mFirst) {
    bounds = {};
    return false;
  }
  bounds = *mFirst;
  for (const RegionNode* n = mFirst->next; n; n = n->next) {
    bounds.left = std::min(bounds.left, n->left);
    bounds.top = std::min(bounds.top, n->top);
    bounds.right = std::max(bounds.right, n->right);
    bounds.bottom = std::max(bounds.bottom, n->bottom);
  }
  return true;
}

int Region::GetRectCount() const {
  int count = 0;
  for (const RegionNode* n = mFirst; n; n = n->next)
    ++count;
  return count;
}

RectT<std::int32_t> Region::ToRect(const EdgeRect& r) noexcept {
  return {r.left, r.top, Saturate(std::int64_t{r.right} - r.left), Saturate(std::int64_t{r.bottom} - r.top)};
}

bool Region::IntersectsRect(const EdgeRect& r) const {
  for (const RegionNode* n = mFirst; n; n = n->next)
    if (Overlaps(r, *n))
      return true;
  return false;
}

bool Region::Intersects(const RectT<double>& r, const PointT<double>& origin) const {
  double x1 = r.x + origin.x;
  double y1 = r.y + origin.y;
  double x2 = x1 + r.width;
  double y2 = y1 + r.height;
  if (x1 < 0)
    x1 = 0;
  if (y1 < 0)
    y1 = 0;
  if (x2 > 2147483647.0)
    x2 = 2147483647.0;
  if (y2 > 2147483647.0)
    y2 = 2147483647.0;
  const double w = x2 - x1;
  const double h = y2 - y1;
  constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
  if (!(w > kEpsilon) || !(h > kEpsilon)) // NaN included
    return false;
  return IntersectsRect({RoundToLong(x1), RoundToLong(y1), RoundToLong(x1 + w), RoundToLong(y1 + h)});
}

// --- Normalize -------------------------------------------------------------

void Region::Normalize() {
  SortByTop();
  CutIntoBands();
  MergeWithinBands();
  MergeColumns();
}

// Stable, as repeated neighbour swaps would leave it.
void Region::SortByTop() {
  std::vector<RegionNode*> nodes;
  for (RegionNode* n = mFirst; n; n = n->next)
    nodes.push_back(n);
  if (nodes.size() < 2)
    return;
  std::stable_sort(nodes.begin(), nodes.end(),
                   [](const RegionNode* a, const RegionNode* b) { return a->top < b->top; });
  for (std::size_t i = 0; i + 1 < nodes.size(); ++i)
    nodes[i]->next = nodes[i + 1];
  nodes.back()->next = nullptr;
  mFirst = nodes.front();
}

// Each group of equal tops is cut at its smallest bottom, or at the next larger
// top when that comes first; the lower parts go to their place in top order and
// are treated as their own group when the walk gets there.
void Region::CutIntoBands() {
  RegionNode* first = mFirst;
  while (first) {
    const std::int32_t top = first->top;
    std::int32_t cut = first->bottom;
    RegionNode* last = first;
    for (RegionNode* n = first; n && n->top == top; n = n->next) {
      cut = std::min(cut, n->bottom);
      last = n;
    }
    if (last->next && last->next->top < cut)
      cut = last->next->top;
    for (RegionNode* n = first;; n = n->next) {
      if (n->bottom > cut) {
        RegionNode* piece = NewNode({n->left, cut, n->right, n->bottom});
        n->bottom = cut;
        RegionNode* at = last; // pieces go after everything with top <= cut
        while (at->next && at->next->top <= cut)
          at = at->next;
        piece->next = at->next;
        at->next = piece;
      }
      if (n == last)
        break;
    }
    first = last->next;
  }
}

// Within a band (equal top and bottom): touching neighbours join, and the run is
// bubbled into left order; passes repeat until one changes nothing.
void Region::MergeWithinBands() noexcept {
  RegionNodePool& pool = RegionNodePool::GetInstance();
  RegionNode** bandLink = &mFirst;
  while (*bandLink) {
    const std::int32_t top = (*bandLink)->top;
    bool changed;
    do {
      changed = false;
      RegionNode** link = bandLink;
      RegionNode* q = *link;
      while (q->next && q->next->top == top) {
        RegionNode* n = q->next;
        if (n->right == q->left || n->left == q->right) {
          if (n->left < q->left)
            q->left = n->left;
          else
            q->right = n->right;
          q->next = n->next;
          pool.Free(n);
          changed = true; // q meets its new neighbour
        } else if (n->left < q->left) {
          *link = n;
          q->next = n->next;
          n->next = q;
          link = &n->next; // q goes on further right
          changed = true;
        } else {
          link = &q->next;
          q = n;
        }
      }
    } while (changed);
    RegionNode* last = *bandLink;
    while (last->next && last->next->top == top)
      last = last->next;
    bandLink = &last->next;
  }
}

// Band pairs (runs of equal bottom), top down: a rectangle of the upper band
// whose column continues exactly in the next band is folded into the lower one.
void Region::MergeColumns() noexcept {
  RegionNodePool& pool = RegionNodePool::GetInstance();
  RegionNode** upperLink = &mFirst;
  while (*upperLink) {
    const std::int32_t upperBottom = (*upperLink)->bottom;
    RegionNode* upperLast = *upperLink;
    while (upperLast->next && upperLast->next->bottom == upperBottom)
      upperLast = upperLast->next;
    RegionNode* const lowerFirst = upperLast->next;
    if (!lowerFirst)
      break;
    const std::int32_t lowerBottom = lowerFirst->bottom;

    RegionNode** link = upperLink; // link to the current upper rectangle
    RegionNode* from = lowerFirst; // where the search in the lower band starts
    while (*link != lowerFirst) {
      RegionNode* a = *link;
      RegionNode* match = nullptr;
      for (RegionNode* b = from; b && b->bottom == lowerBottom; b = b->next) {
        if (b->top == a->bottom && b->left == a->left && b->right == a->right) {
          match = b;
          break;
        }
      }
      if (!match) {
        from = lowerFirst;
        link = &a->next;
        continue;
      }
      match->top = a->top;
      *link = a->next;
      pool.Free(a);
      from = match->next;
      if (!from || from->bottom != lowerBottom)
        break; // nothing further right is left to match
    }

    while (*upperLink != lowerFirst)
      upperLink = &(*upperLink)->next;
  }
}

// ---------------------------------------------------------------------------

void AddRoundedRectToRegion(Region& region, const RectT<double>& r) {
  const std::int32_t left = TruncateToLong(r.x + 0.5);
  const std::int32_t top = TruncateToLong(r.y + 0.5);
  const std::int32_t right = Saturate(std::int64_t{left} + TruncateToLong(r.width + 0.5));
  const std::int32_t bottom = Saturate(std::int64_t{top} + TruncateToLong(r.height + 0.5));
  region.AddRect({left, top, right, bottom});
}

} // namespace QZ
