// The program-file reader: any bytes as a file, applied to the editor's engine. Nothing may crash, no single
// allocation may be out of proportion to the file (a record's length is checked before anything is made of
// it), and a refused file leaves every parameter as it was.
#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "UI/DriverCommon/PresetManager.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <span>
#include <vector>

namespace {

std::atomic<std::size_t> sLargest{0};
std::atomic<bool> sWatching{false};

void* Allocate(std::size_t size) {
  if (sWatching.load(std::memory_order_relaxed) && size > sLargest.load(std::memory_order_relaxed))
    sLargest.store(size, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}

std::vector<std::vector<std::uint8_t>> Values(::LRootModuleEngine& engine) {
  QZ::Array<QZ::ParamValue> values;
  static_cast<void>(engine.GetValues({0, 12}, values, -1));
  std::vector<std::vector<std::uint8_t>> out;
  for (std::uint32_t i = 0; i < values.GetCount(); ++i) {
    std::uint32_t size = 0;
    const auto* data = static_cast<const std::uint8_t*>(values.GetAt(i).value.GetData(size));
    out.emplace_back(data, data + size);
  }
  return out;
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
// Every form of new must come here too: the variant's buffers are made with new[](nothrow) and freed above.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QZ::RCPtr<::LRootModuleEngine> engine = [] {
    QZ::RCPtr<::LRootModuleEngine> made(QZ::LPresetEditorAppEngine::Create());
    made->Initialize(0);
    QZ::SetAppEngine(made);
    return made;
  }();
  const auto before = Values(*engine);
  sLargest = 0;
  sWatching = true;
  const auto result = QZ::LPresetManager::ApplyProgramFile(std::span<const std::uint8_t>(data, size));
  sWatching = false;
  // Up to one record per 24 bytes, each a Variant and an index, in a vector that doubles.
  if (sLargest.load() > 4 * size + 4096)
    std::abort();
  if (result != QZ::LPresetManager::LoadOk && Values(*engine) != before)
    std::abort();
  return 0;
}
