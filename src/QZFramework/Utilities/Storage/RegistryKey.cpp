#include "QZFramework/Utilities/Storage/RegistryKey.h"

#include "Platform/Registry/Registry.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace QZ {
namespace {

std::u16string_view View(const WideString& text) { return {text.GetChars(), text.GetLength()}; }

} // namespace

// The frame of every operation: the key's lock, an open when the key is not
// open yet, and the matching close however the operation ends.
class LRegistryKey::Operation {
public:
  explicit Operation(LRegistryKey& key) : mKey(key), mGuard(key.mLock), mWasOpen(key.IsOpen()) {
    if (!mWasOpen)
      mKey.Open();
  }
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;
  ~Operation() {
    if (!mWasOpen)
      mKey.Close();
  }

  bool IsOpen() const { return mKey.IsOpen(); }

private:
  LRegistryKey& mKey;
  MutexLock mGuard;
  const bool mWasOpen;
};

LRegistryKey::LRegistryKey(std::int32_t rootIndex, const WideString& subKeyPath, std::int32_t view64)
    : mRootIndex(rootIndex), mSubKeyPath(subKeyPath), mView64(view64) {}

LRegistryKey::~LRegistryKey() { Close(); }

QZRESULT LRegistryKey::Open() {
  if (mHandle != kClosed)
    return 1;
  if (mRootIndex < 0 || mRootIndex > 3)
    return E_FAIL;
  const std::uint32_t root = Platform::kRegistryClassesRoot + static_cast<std::uint32_t>(mRootIndex);
  const std::uint32_t access = mView64 != 0 ? Platform::kRegistryRead64 : Platform::kRegistryRead;
  Platform::RegistryHandle handle = Platform::kNoRegistryHandle;
  if (Platform::RegistryOpenKey(root, View(mSubKeyPath), access, handle) != Platform::kRegistryOk)
    return E_FAIL;
  mHandle = handle;
  return S_OK;
}

void LRegistryKey::Close() {
  if (mHandle == kClosed)
    return;
  Platform::RegistryCloseKey(mHandle);
  mHandle = kClosed;
}

QZRESULT LRegistryKey::ReadValue(const WideString& name, VariantEx& out) {
  Operation operation(*this);
  if (!operation.IsOpen())
    return E_FAIL;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (Platform::RegistryQueryValue(mHandle, View(name), type, nullptr, size) != Platform::kRegistryOk)
    return E_FAIL;
  // Zero-filled, so a value that changed between the two queries reads as zeros.
  std::vector<std::uint8_t> bytes(size, 0);
  std::uint32_t readType = 0;
  std::uint32_t readSize = size;
  Platform::RegistryQueryValue(mHandle, View(name), readType, bytes.data(), readSize);

  if (type == Platform::kRegistryString) {
    // The text ends at its first zero or at the value's last whole character,
    // so a value stored without its zero is never read past.
    std::u16string units(size / sizeof(char16_t), u'\0');
    if (!units.empty())
      std::memcpy(units.data(), bytes.data(), units.size() * sizeof(char16_t));
    WideString text;
    text.AssignChars(units.c_str(), static_cast<std::uint32_t>(units.size()));
    out.SetString(text);
  } else {
    // A value that is no record leaves the output as it was; the read itself still succeeded.
    static_cast<void>(out.Deserialize(bytes.data(), size));
  }
  return S_OK;
}

QZRESULT LRegistryKey::EnumSubKeys(StringArrayT<char16_t, char>& out) {
  Operation operation(*this);
  if (!operation.IsOpen())
    return E_FAIL;
  std::uint32_t count = 0;
  Platform::RegistryQuerySubKeyCount(mHandle, count);
  out.SetSize(count);
  QZRESULT result = S_OK;
  char16_t name[Platform::kRegistryMaxKeyName + 1];
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t length = 0;
    if (Platform::RegistryEnumSubKey(mHandle, i, name, Platform::kRegistryMaxKeyName + 1, length) !=
        Platform::kRegistryOk) {
      result = E_FAIL;
      break;
    }
    out.GetAt(i).AssignChars(name, length);
  }
  return result;
}

RCPtr<LRegistryKey> LRegistryKey::GetSubKey(const WideString& name) {
  Operation operation(*this);
  if (!operation.IsOpen())
    return nullptr;
  StringArrayT<char16_t, char> names;
  if (EnumSubKeys(names) < 0 || names.Find(name, true, 0) < 0)
    return nullptr;
  WideString path(mSubKeyPath);
  path.AppendString(WideString(u"\\"));
  path.AppendString(name);
  return MakeRCPtr<LRegistryKey>(mRootIndex, path, mView64);
}

} // namespace QZ
