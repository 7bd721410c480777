#pragma once
// Read-only access to one registry key, addressed by a root index (0 classes
// root, 1 current user, 2 local machine, 3 users; any other index opens
// nothing) and a backslash-separated path below it. The key is opened for the
// length of each operation and closed again, so an LRegistryKey may be kept
// for a long time without holding a registry handle; it stays open across an
// operation only when an operation further up the same thread's call chain
// opened it (GetSubKey's nested enumeration).
//
// Threads: any. Each key has its own recursive lock, held for the whole of an
// operation, open and close included; keys share nothing. Nothing here throws.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringArrayT.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/VariantEx.h"
#include "QZFramework/Utilities/Threading/Mutex.h"

#include <cstdint>

namespace QZ {

class LRegistryKey : public virtual LRefCountedObject {
public:
  // Opens nothing. A non-zero view64 reads the 64-bit view of the registry.
  LRegistryKey(std::int32_t rootIndex, const WideString& subKeyPath, std::int32_t view64);
  LRegistryKey(const LRegistryKey&) = delete;
  LRegistryKey& operator=(const LRegistryKey&) = delete;
  ~LRegistryKey() override;

  // 0 when the value exists, E_FAIL otherwise (out unchanged). A text value
  // becomes UTF-8 text; any other value is taken as a serialised variant
  // record, and one that is not leaves out unchanged (the result is still 0).
  QZRESULT ReadValue(const WideString& name, VariantEx& out);
  // The names of the direct sub-keys: 0, or E_FAIL when the key cannot be
  // opened or the listing breaks off (the array then has the full count, the
  // names not reached left empty).
  QZRESULT EnumSubKeys(StringArrayT<char16_t, char>& out);
  // The direct sub-key of exactly that name (letter case included, although
  // the registry ignores it); null when there is none or the key cannot be opened.
  [[nodiscard]] RCPtr<LRegistryKey> GetSubKey(const WideString& name);

  std::int32_t GetRootIndex() const { return mRootIndex; }
  const WideString& GetSubKeyPath() const { return mSubKeyPath; }
  bool IsView64() const { return mView64 != 0; }
  // True only inside an operation.
  bool IsOpen() const { return mHandle != kClosed; }

private:
  static constexpr std::intptr_t kClosed = -1;
  class Operation;

  // 1 when already open, 0 when open now, E_FAIL when the key cannot be opened.
  QZRESULT Open();
  void Close();

  std::intptr_t mHandle = kClosed;
  const std::int32_t mRootIndex;
  const WideString mSubKeyPath;
  const std::int32_t mView64;
  Mutex mLock;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LRegistryKey, "class QZ::LRegistryKey")
