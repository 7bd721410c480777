#pragma once
// First-in-first-out ring of smart pointers: any number of producers, one
// consumer. A full ring grows by one slot instead of refusing, so Enqueue
// never fails; the slot storage reallocates only every N slots.
//
// The items are the slots from the read index up to, not including, the write
// index, cyclically; one slot always stays empty and every slot outside the
// items is null.

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/TemplateTypeName.h"
#include "QZFramework/Utilities/Threading/OptionalLockGuard.h"
#include "QZFramework/Utilities/Threading/Mutex.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace QZ {

// Where this header's exceptions say they come from.
inline constexpr const char* kRCPtrQueueSourcePath = "utilities\\Storage/RCPtrQueue";

template <class T, std::uint32_t N, class Lock = Mutex>
class RCPtrQueue {
public:
  // The lock is not owned and must outlive the queue; null for a queue used by
  // one thread only.
  explicit RCPtrQueue(Lock* lock, std::uint32_t slotCount = N) : mSlots(slotCount, slotCount), mLock(lock) {}

  RCPtrQueue(const RCPtrQueue&) = delete;
  RCPtrQueue& operator=(const RCPtrQueue&) = delete;

  // Always S_OK.
  QZRESULT Enqueue(const RCPtr<T>& item) {
    Guard guard(mLock);
    if (mSlots.GetCount() == 0) {
      mSlots.SetSize(2);
      mWrite = 0;
      mRead = 0;
    }
    std::uint32_t slots = mSlots.GetCount();
    if ((mWrite + slots - mRead) % slots == slots - 1) {
      // Full: open one null slot at the read index. Without wrap the empty
      // slot ends up in front; with wrap the old empty slot takes the item.
      // The indexes move only once the slot is there, so a failed allocation
      // leaves the ring as it was.
      mSlots.InsertItem(mRead, RCPtr<T>());
      if (mWrite > mRead)
        ++mWrite;
      ++slots;
      mRead = (mRead + 1) % slots;
    }
    mSlots.GetAt(mWrite) = item; // before the index moves, for the same reason
    mWrite = (mWrite + 1) % slots;
    return S_OK;
  }

  // The oldest item; throws when the queue is empty, leaving it unchanged.
  RCPtr<T> Dequeue() {
    Guard guard(mLock);
    if (CountItems() < 1)
      ThrowEmpty();
    RCPtr<T> result = mSlots.GetAt(mRead);
    mSlots.GetAt(mRead) = nullptr;
    mRead = (mRead + 1) % mSlots.GetCount();
    return result;
  }

  std::uint32_t GetCount() const {
    Guard guard(mLock);
    return CountItems();
  }

private:
  using Guard = OptionalLockGuard<Lock>;

  std::uint32_t CountItems() const {
    const std::uint32_t slots = mSlots.GetCount();
    if (slots == 0)
      return 0;
    std::int32_t n = static_cast<std::int32_t>(mWrite - mRead);
    if (n < 0)
      n += static_cast<std::int32_t>(slots);
    return static_cast<std::uint32_t>(n);
  }

  [[noreturn]] static void ThrowEmpty() {
    // Appended piece by piece: GCC 12 sees a false overlap in "literal" + std::string (-Wrestrict).
    std::string function = "QZ::RCPtrQueue<";
    function += TemplateArgumentName<T>();
    function += ',';
    function += std::to_string(N);
    function += ',';
    function += TemplateArgumentName<Lock>();
    function += ">::Dequeue";
    ThrowException<std::runtime_error>("", function, kRCPtrQueueSourcePath, 110);
  }

  RCPtrArray<T, N, N> mSlots;
  std::uint32_t mWrite = 0;
  std::uint32_t mRead = 0;
  Lock* mLock;
};

} // namespace QZ
