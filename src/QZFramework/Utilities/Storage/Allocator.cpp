#include "QZFramework/Utilities/Storage/Allocator.h"

#include <cstdlib>

namespace QZ {

void* SystemAllocator::Alloc(std::size_t size) { return std::malloc(size); }

void* SystemAllocator::Calloc(std::size_t count, std::size_t size) { return std::calloc(count, size); }

void* SystemAllocator::Realloc(void* block, std::size_t size) {
  // realloc(p, 0) is implementation-defined; the interface promises a release.
  if (size == 0) {
    std::free(block);
    return nullptr;
  }
  return std::realloc(block, size);
}

void SystemAllocator::Free(void* block) { std::free(block); }

IAllocator& GetSystemAllocator() {
  static SystemAllocator* const instance = new SystemAllocator();
  return *instance;
}

} // namespace QZ
