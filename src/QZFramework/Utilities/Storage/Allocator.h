#pragma once
// The source of all buffer memory.

#include <cstddef>

namespace QZ {

struct IAllocator {
  virtual void* Alloc(std::size_t size) = 0;
  virtual void* Calloc(std::size_t count, std::size_t size) = 0;
  // Size 0 releases the block and yields null.
  virtual void* Realloc(void* block, std::size_t size) = 0;
  virtual void Free(void* block) = 0;

protected:
  ~IAllocator() = default; // never deleted through the interface
};

// The run-time heap; stateless.
class SystemAllocator final : public IAllocator {
public:
  void* Alloc(std::size_t size) override;
  void* Calloc(std::size_t count, std::size_t size) override;
  void* Realloc(void* block, std::size_t size) override;
  void Free(void* block) override;
};

// The process-wide instance, made on first use and never destroyed, so buffers
// in static objects may still free their blocks at exit.
IAllocator& GetSystemAllocator();

} // namespace QZ
