#include "Platform/Registry/Registry.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace QZ::Platform {
namespace {

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

struct NameLess {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char16_t x, char16_t y) { return FoldAscii(x) < FoldAscii(y); });
  }
};

// The registry of a machine without the outside installation: no key exists.
class EmptyRegistry : public RegistryBackend {
public:
  std::int32_t OpenKey(std::uint32_t, std::u16string_view, std::uint32_t, RegistryHandle& handle) override {
    handle = kNoRegistryHandle;
    return kRegistryNotFound;
  }
  std::int32_t QueryValue(RegistryHandle, std::u16string_view, std::uint32_t&, void*, std::uint32_t&) override {
    return kRegistryInvalidHandle;
  }
  std::int32_t QuerySubKeyCount(RegistryHandle, std::uint32_t&) override { return kRegistryInvalidHandle; }
  std::int32_t EnumSubKey(RegistryHandle, std::uint32_t, char16_t*, std::uint32_t, std::uint32_t&) override {
    return kRegistryInvalidHandle;
  }
  std::int32_t CloseKey(RegistryHandle) override { return kRegistryInvalidHandle; }
};

EmptyRegistry sEmptyRegistry;
std::atomic<RegistryBackend*> sBackend{&sEmptyRegistry};

bool IsRoot(std::uint32_t root) { return root >= kRegistryClassesRoot && root <= kRegistryUsers; }

// Splits a path at its backslashes; false when a part is empty (but for the
// empty path, which names the root itself).
bool SplitPath(std::u16string_view path, std::vector<std::u16string_view>& parts) {
  parts.clear();
  if (path.empty())
    return true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find(u'\\', start);
    const std::u16string_view part =
        path.substr(start, end == std::u16string_view::npos ? path.npos : end - start);
    if (part.empty())
      return false;
    parts.push_back(part);
    if (end == std::u16string_view::npos)
      return true;
    start = end + 1;
  }
}

} // namespace

struct MemoryRegistry::Key {
  struct Value {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
  };
  std::u16string name;
  std::map<std::u16string, Value, NameLess> values;
  std::map<std::u16string, std::unique_ptr<Key>, NameLess> children;
};

std::int32_t RegistryOpenKey(std::uint32_t root, std::u16string_view path, std::uint32_t access,
                             RegistryHandle& handle) {
  return sBackend.load()->OpenKey(root, path, access, handle);
}

std::int32_t RegistryQueryValue(RegistryHandle handle, std::u16string_view name, std::uint32_t& type, void* data,
                                std::uint32_t& size) {
  return sBackend.load()->QueryValue(handle, name, type, data, size);
}

std::int32_t RegistryQuerySubKeyCount(RegistryHandle handle, std::uint32_t& count) {
  return sBackend.load()->QuerySubKeyCount(handle, count);
}

std::int32_t RegistryEnumSubKey(RegistryHandle handle, std::uint32_t index, char16_t* name, std::uint32_t capacity,
                                std::uint32_t& length) {
  return sBackend.load()->EnumSubKey(handle, index, name, capacity, length);
}

std::int32_t RegistryCloseKey(RegistryHandle handle) { return sBackend.load()->CloseKey(handle); }

RegistryBackend* SetRegistryBackend(RegistryBackend* backend) {
  RegistryBackend* previous = sBackend.exchange(backend ? backend : &sEmptyRegistry);
  return previous == &sEmptyRegistry ? nullptr : previous;
}

MemoryRegistry::MemoryRegistry() {
  for (std::uint32_t root = kRegistryClassesRoot; root <= kRegistryUsers; ++root)
    mRoots[root] = std::make_unique<Key>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::FindKey(std::uint32_t root, std::u16string_view path) const {
  const auto found = mRoots.find(root);
  std::vector<std::u16string_view> parts;
  if (found == mRoots.end() || !SplitPath(path, parts))
    return nullptr;
  Key* key = found->second.get();
  for (std::u16string_view part : parts) {
    const auto child = key->children.find(part);
    if (child == key->children.end())
      return nullptr;
    key = child->second.get();
  }
  return key;
}

MemoryRegistry::Key& MemoryRegistry::MakeKey(std::uint32_t root, std::u16string_view path) {
  std::unique_ptr<Key>& top = mRoots[root];
  if (!top)
    top = std::make_unique<Key>();
  Key* key = top.get();
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos)
      end = path.size();
    const std::u16string_view part = path.substr(start, end - start);
    if (!part.empty()) {
      std::unique_ptr<Key>& child = key->children[std::u16string(part)];
      if (!child) {
        child = std::make_unique<Key>();
        child->name = part;
      }
      key = child.get();
    }
    start = end + 1;
  }
  return *key;
}

MemoryRegistry::Key* MemoryRegistry::KeyOf(RegistryHandle handle) const {
  const auto found = mHandles.find(handle);
  return found == mHandles.end() ? nullptr : found->second;
}

void MemoryRegistry::AddKey(std::uint32_t root, std::u16string_view path) {
  std::lock_guard<std::mutex> guard(mLock);
  MakeKey(root, path);
}

void MemoryRegistry::SetValue(std::uint32_t root, std::u16string_view path, std::u16string_view name,
                              std::uint32_t type, const void* data, std::uint32_t size) {
  std::lock_guard<std::mutex> guard(mLock);
  Key::Value& value = MakeKey(root, path).values[std::u16string(name)];
  value.type = type;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  value.bytes.assign(bytes, bytes + (bytes ? size : 0));
}

void MemoryRegistry::SetString(std::uint32_t root, std::u16string_view path, std::u16string_view name,
                               std::u16string_view text) {
  std::u16string withZero(text);
  withZero.push_back(u'\0');
  SetValue(root, path, name, kRegistryString, withZero.data(),
           static_cast<std::uint32_t>(withZero.size() * sizeof(char16_t)));
}

void MemoryRegistry::SetNumber32(std::uint32_t root, std::u16string_view path, std::u16string_view name,
                                 std::uint32_t number) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                                 static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
  SetValue(root, path, name, kRegistryNumber32, bytes, 4);
}

std::uint32_t MemoryRegistry::GetOpenHandleCount() const {
  std::lock_guard<std::mutex> guard(mLock);
  return static_cast<std::uint32_t>(mHandles.size());
}

std::uint32_t MemoryRegistry::GetOpenCallCount() const {
  std::lock_guard<std::mutex> guard(mLock);
  return mOpenCalls;
}

std::uint32_t MemoryRegistry::GetLastAccess() const {
  std::lock_guard<std::mutex> guard(mLock);
  return mLastAccess;
}

std::int32_t MemoryRegistry::OpenKey(std::uint32_t root, std::u16string_view path, std::uint32_t access,
                                     RegistryHandle& handle) {
  std::lock_guard<std::mutex> guard(mLock);
  ++mOpenCalls;
  mLastAccess = access;
  handle = kNoRegistryHandle;
  if (!IsRoot(root))
    return kRegistryInvalidHandle;
  Key* key = FindKey(root, path);
  if (!key)
    return kRegistryNotFound;
  handle = mNextHandle++;
  mHandles[handle] = key;
  return kRegistryOk;
}

std::int32_t MemoryRegistry::QueryValue(RegistryHandle handle, std::u16string_view name, std::uint32_t& type,
                                        void* data, std::uint32_t& size) {
  std::lock_guard<std::mutex> guard(mLock);
  const Key* key = KeyOf(handle);
  if (!key)
    return kRegistryInvalidHandle;
  const auto found = key->values.find(name);
  if (found == key->values.end())
    return kRegistryNotFound;
  const Key::Value& value = found->second;
  const auto valueSize = static_cast<std::uint32_t>(value.bytes.size());
  type = value.type;
  if (data) {
    if (size < valueSize) {
      size = valueSize;
      return kRegistryMoreData;
    }
    if (valueSize != 0)
      std::memcpy(data, value.bytes.data(), valueSize);
  }
  size = valueSize;
  return kRegistryOk;
}

std::int32_t MemoryRegistry::QuerySubKeyCount(RegistryHandle handle, std::uint32_t& count) {
  std::lock_guard<std::mutex> guard(mLock);
  const Key* key = KeyOf(handle);
  if (!key)
    return kRegistryInvalidHandle;
  count = static_cast<std::uint32_t>(key->children.size());
  return kRegistryOk;
}

std::int32_t MemoryRegistry::EnumSubKey(RegistryHandle handle, std::uint32_t index, char16_t* name,
                                        std::uint32_t capacity, std::uint32_t& length) {
  std::lock_guard<std::mutex> guard(mLock);
  const Key* key = KeyOf(handle);
  if (!key)
    return kRegistryInvalidHandle;
  if (!name)
    return kRegistryInvalidParameter;
  if (index >= key->children.size())
    return kRegistryNoMoreItems;
  auto child = key->children.begin();
  std::advance(child, index);
  const std::u16string& text = child->second->name;
  if (text.size() + 1 > capacity)
    return kRegistryMoreData;
  std::copy(text.begin(), text.end(), name);
  name[text.size()] = u'\0';
  length = static_cast<std::uint32_t>(text.size());
  return kRegistryOk;
}

std::int32_t MemoryRegistry::CloseKey(RegistryHandle handle) {
  std::lock_guard<std::mutex> guard(mLock);
  return mHandles.erase(handle) != 0 ? kRegistryOk : kRegistryInvalidHandle;
}

} // namespace QZ::Platform
