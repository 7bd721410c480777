#include "Platform/Resources/Resources.h"

#include <atomic>

namespace QZ::Platform {

namespace {
// Constant-initialised, so tables registering from any unit's static
// initialisers find it ready.
constinit std::atomic<const ResourceTable*> sTables{nullptr};
} // namespace

ResourceTable::ResourceTable(const ResourceEntry* entries, std::size_t count) noexcept
    : mEntries(entries), mCount(count), mNext(sTables.load(std::memory_order_relaxed)) {
  while (!sTables.compare_exchange_weak(mNext, this, std::memory_order_release, std::memory_order_relaxed)) {
  }
}

bool FindResource(std::string_view type, std::string_view name, std::span<const std::uint8_t>& bytes) {
  for (const ResourceTable* table = sTables.load(std::memory_order_acquire); table; table = table->mNext) {
    for (std::size_t i = 0; i < table->mCount; ++i) {
      const ResourceEntry& entry = table->mEntries[i];
      if (type == entry.type && name == entry.name) {
        bytes = {entry.data, entry.size};
        return true;
      }
    }
  }
  bytes = {};
  return false;
}

} // namespace QZ::Platform
