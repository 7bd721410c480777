#pragma once
// A read-only registry of keys and values, addressed the way the framework's
// registry reader addresses them: a root key, a path of key names separated by
// backslashes, and value names. Names compare ignoring ASCII case and keep the
// case they were stored with. Results are the operating system's error codes
// (kRegistryOk, kRegistryNotFound, ...).
//
// Linux has no registry. The calls go to one process-wide backend: by default a
// registry in which every key is absent (so the system finds no outside
// installation), or, installed by tests, a MemoryRegistry.
//
// Threads: every call may come from any thread; a backend locks its own state.
// A handle is used by one caller at a time.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace QZ::Platform {

using RegistryHandle = std::intptr_t;
inline constexpr RegistryHandle kNoRegistryHandle = -1;

// Root keys.
inline constexpr std::uint32_t kRegistryClassesRoot = 0x80000000u;
inline constexpr std::uint32_t kRegistryCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kRegistryLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kRegistryUsers = 0x80000003u;

// Access masks for opening: read, and read from the 64-bit view.
inline constexpr std::uint32_t kRegistryRead = 0x20019u;
inline constexpr std::uint32_t kRegistryRead64 = 0x20119u;

// Value types.
inline constexpr std::uint32_t kRegistryString = 1; // UTF-16 text, normally with its zero
inline constexpr std::uint32_t kRegistryExpandString = 2;
inline constexpr std::uint32_t kRegistryBinary = 3;
inline constexpr std::uint32_t kRegistryNumber32 = 4; // little-endian 32-bit number
inline constexpr std::uint32_t kRegistryMultiString = 7;

// Results.
inline constexpr std::int32_t kRegistryOk = 0;
inline constexpr std::int32_t kRegistryNotFound = 2;
inline constexpr std::int32_t kRegistryInvalidHandle = 6;
inline constexpr std::int32_t kRegistryInvalidParameter = 87;
inline constexpr std::int32_t kRegistryMoreData = 234;
inline constexpr std::int32_t kRegistryNoMoreItems = 259;

// Longest key name an enumeration hands out, without the zero.
inline constexpr std::uint32_t kRegistryMaxKeyName = 255;

class RegistryBackend {
public:
  virtual ~RegistryBackend() = default;

  virtual std::int32_t OpenKey(std::uint32_t root, std::u16string_view path, std::uint32_t access,
                               RegistryHandle& handle) = 0;
  // With data null: type and size (bytes) of the value. Otherwise reads at most
  // size bytes; kRegistryMoreData (nothing copied) when the value is longer.
  // size always ends as the value's size.
  virtual std::int32_t QueryValue(RegistryHandle handle, std::u16string_view name, std::uint32_t& type, void* data,
                                  std::uint32_t& size) = 0;
  virtual std::int32_t QuerySubKeyCount(RegistryHandle handle, std::uint32_t& count) = 0;
  // The name of the sub-key at index, with its zero, into a buffer of capacity
  // characters; length receives its length. kRegistryNoMoreItems past the last,
  // kRegistryMoreData when it does not fit.
  virtual std::int32_t EnumSubKey(RegistryHandle handle, std::uint32_t index, char16_t* name,
                                  std::uint32_t capacity, std::uint32_t& length) = 0;
  virtual std::int32_t CloseKey(RegistryHandle handle) = 0;
};

// The calls of the process-wide backend.
std::int32_t RegistryOpenKey(std::uint32_t root, std::u16string_view path, std::uint32_t access,
                             RegistryHandle& handle);
std::int32_t RegistryQueryValue(RegistryHandle handle, std::u16string_view name, std::uint32_t& type, void* data,
                                std::uint32_t& size);
std::int32_t RegistryQuerySubKeyCount(RegistryHandle handle, std::uint32_t& count);
std::int32_t RegistryEnumSubKey(RegistryHandle handle, std::uint32_t index, char16_t* name, std::uint32_t capacity,
                                std::uint32_t& length);
std::int32_t RegistryCloseKey(RegistryHandle handle);

// Installs a backend for the whole process (not owned; null restores the empty
// registry) and returns the one it replaces. Only while no call is running.
RegistryBackend* SetRegistryBackend(RegistryBackend* backend);

// A registry held in memory, for tests. Keys exist once they or a key below
// them is added. Enumeration lists sub-keys in ASCII-case-insensitive name order.
class MemoryRegistry : public RegistryBackend {
public:
  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  void AddKey(std::uint32_t root, std::u16string_view path);
  void SetValue(std::uint32_t root, std::u16string_view path, std::u16string_view name, std::uint32_t type,
                const void* data, std::uint32_t size);
  // A text value with its terminating zero.
  void SetString(std::uint32_t root, std::u16string_view path, std::u16string_view name, std::u16string_view text);
  void SetNumber32(std::uint32_t root, std::u16string_view path, std::u16string_view name, std::uint32_t number);

  // Handles open now, and opens (successful or not) so far.
  std::uint32_t GetOpenHandleCount() const;
  std::uint32_t GetOpenCallCount() const;
  std::uint32_t GetLastAccess() const;

  std::int32_t OpenKey(std::uint32_t root, std::u16string_view path, std::uint32_t access,
                       RegistryHandle& handle) override;
  std::int32_t QueryValue(RegistryHandle handle, std::u16string_view name, std::uint32_t& type, void* data,
                          std::uint32_t& size) override;
  std::int32_t QuerySubKeyCount(RegistryHandle handle, std::uint32_t& count) override;
  std::int32_t EnumSubKey(RegistryHandle handle, std::uint32_t index, char16_t* name, std::uint32_t capacity,
                          std::uint32_t& length) override;
  std::int32_t CloseKey(RegistryHandle handle) override;

private:
  struct Key;
  Key* FindKey(std::uint32_t root, std::u16string_view path) const;
  Key& MakeKey(std::uint32_t root, std::u16string_view path);
  Key* KeyOf(RegistryHandle handle) const;

  mutable std::mutex mLock;
  std::map<std::uint32_t, std::unique_ptr<Key>> mRoots;
  std::map<RegistryHandle, Key*> mHandles;
  RegistryHandle mNextHandle = 0x100;
  std::uint32_t mOpenCalls = 0;
  std::uint32_t mLastAccess = 0;
};

// Installs a backend for the life of the object.
class ScopedRegistryBackend {
public:
  explicit ScopedRegistryBackend(RegistryBackend& backend) : mPrevious(SetRegistryBackend(&backend)) {}
  ~ScopedRegistryBackend() { SetRegistryBackend(mPrevious); }
  ScopedRegistryBackend(const ScopedRegistryBackend&) = delete;
  ScopedRegistryBackend& operator=(const ScopedRegistryBackend&) = delete;

private:
  RegistryBackend* mPrevious;
};

} // namespace QZ::Platform
