#pragma once
// Files embedded in the executable at build time (cmake/QZResources.cmake),
// found by type and name the way the original platform finds the resources of
// its module. Names match exactly; callers build them in their final form
// ("ARP_ON_PNG", "APP_SKINS").

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace QZ::Platform {

struct ResourceEntry {
  const char* type;
  const char* name;
  const std::uint8_t* data; // followed by one zero byte not counted in size
  std::size_t size;
};

// One generated table. Tables link themselves into a process-wide list while
// static objects are made, so lookups never race with registration.
class ResourceTable {
public:
  ResourceTable(const ResourceEntry* entries, std::size_t count) noexcept;
  ResourceTable(const ResourceTable&) = delete;
  ResourceTable& operator=(const ResourceTable&) = delete;

private:
  friend bool FindResource(std::string_view, std::string_view, std::span<const std::uint8_t>&);

  const ResourceEntry* mEntries;
  std::size_t mCount;
  const ResourceTable* mNext;
};

// True when a resource of that type and name is embedded; bytes then spans its
// contents (possibly empty), valid for the life of the process. False leaves
// bytes empty.
bool FindResource(std::string_view type, std::string_view name, std::span<const std::uint8_t>& bytes);

} // namespace QZ::Platform
