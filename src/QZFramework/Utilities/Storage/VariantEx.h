#pragma once
// A Variant that keeps its owned data in a reference-counted buffer, describes
// itself as text, and reads a text value as a number in its scalar getters.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Buffer.h"
#include "QZFramework/Utilities/Storage/Iterable.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/Variant.h"

#include <concepts>
#include <cstdint>

namespace QZ {

class VariantEx : public Variant, public IStringable {
public:
  VariantEx() = default;
  // Owned data is copied into a new buffer.
  VariantEx(const Variant& other);
  VariantEx(const VariantEx& other);
  VariantEx& operator=(const Variant& other);
  VariantEx& operator=(const VariantEx& other);
  ~VariantEx() override;

  // A text (type 15) reads as a number here; every other type as in Variant.
  bool GetBool() const override;
  std::int8_t GetInt8() const override;
  std::int16_t GetInt16() const override;
  std::int32_t GetInt32() const override;
  std::int64_t GetInt64() const override;
  std::uint8_t GetUInt8() const override;
  std::uint16_t GetUInt16() const override;
  std::uint32_t GetUInt32() const override;
  std::uint64_t GetUInt64() const override;
  float GetFloat() const override;
  double GetDouble() const override;
  void* AllocateBuffer(std::uint32_t size) override;
  void FreeBuffer(void* data) override;
  // Array items on indented lines, two blanks per level.
  virtual WideString ToIndentedString(std::int32_t level) const;

  using Variant::SetString;
  // A private copy of the string's whole buffer.
  std::int32_t SetString(const NarrowString& text);
  std::int32_t SetString(const WideString& text);
  // The storage of a byte buffer or text; throws for any other type.
  const ConstRCPtr<LIBuffer>& GetBuffer() const;
  // All items of a packed array; 0 (also for an empty value) or E_INVALIDARG.
  QZRESULT GetArray(IArray<VariantEx>& out) const;
  [[nodiscard]] QZRESULT Deserialize(const void* record, std::uint32_t available);
  WideString ValueToString(std::int32_t level) const;
  WideString ToString() const override;

private:
  WideString IndentedAt(std::int32_t level, std::int32_t depth) const;
  WideString Text() const;

  ConstRCPtr<LIBuffer> mStorage;
};

// Two arrays of values are equal when they have the same count and equal items
// at the same positions.
template <class T>
requires std::derived_from<T, Variant>
bool IsEqual(const IArray<T>& a, const IArray<T>& b) {
  const std::uint32_t count = a.GetCount();
  if (count != b.GetCount())
    return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!a.GetAt(i).IsEqual(b.GetAt(i)))
      return false;
  }
  return true;
}

} // namespace QZ
