#pragma once
// Tagged value with conversions between all scalar types and a self-describing
// serialised record (u32 length, u32 kind, u32 type, payload; little-endian).
// A packed array (type 16) is nothing but its items' records end to end.

#include "QZFramework/ObjectBase/QZResult.h"

#include <cstdint>
#include <cstring>

namespace QZ {

enum VariantType : std::int32_t {
  kVariantEmpty = 0,
  kVariantBool = 1,
  kVariantInt8 = 2,
  kVariantUInt8 = 3,
  kVariantInt16 = 4,
  kVariantUInt16 = 5,
  kVariantInt32 = 6,
  kVariantUInt32 = 7,
  kVariantFloat = 8,
  kVariantDouble = 9,
  kVariantInt64 = 10,
  kVariantUInt64 = 11,
  kVariantExternal = 12,      // pointer to writable data owned elsewhere
  kVariantExternalConst = 13, // pointer to read-only data owned elsewhere
  kVariantBuffer = 14,
  kVariantString = 15, // UTF-8 text with its terminating zero
  kVariantArray = 16,  // packed array of serialised records
};

// Header of a serialised record: length, kind, type.
inline constexpr std::uint32_t kVariantRecordHeaderSize = 12;

class Variant {
public:
  Variant() = default;
  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  virtual ~Variant();

  virtual bool GetBool() const;
  virtual std::int8_t GetInt8() const;
  virtual std::int16_t GetInt16() const;
  virtual std::int32_t GetInt32() const;
  virtual std::int64_t GetInt64() const;
  virtual std::uint8_t GetUInt8() const;
  virtual std::uint16_t GetUInt16() const;
  virtual std::uint32_t GetUInt32() const;
  virtual std::uint64_t GetUInt64() const;
  virtual float GetFloat() const;
  virtual double GetDouble() const;
  // Scalars give their value field at their own width; codes 12 to 16 their data.
  virtual const void* GetData(std::uint32_t& size) const;
  // As GetData, but null for read-only data (13) and packed arrays (16).
  virtual void* GetMutableData(std::uint32_t& size);
  // The text of a type-15 value, null for every other type.
  virtual const char* GetString() const;
  // Storage for owned data (types 14 to 16); a derived class decides where it lives.
  virtual void* AllocateBuffer(std::uint32_t size);
  virtual void FreeBuffer(void* data);

  std::int32_t GetType() const { return mType; }
  std::uint32_t GetSize() const { return mSize; }
  bool IsEmpty() const { return mType == kVariantEmpty; }

  void Clear();
  // Returns the new type code; 0 when no storage could be had.
  std::int32_t Assign(const Variant& other);
  // Returns the resulting type code, 0 on refusal. Types 12 and 13 become an
  // owned byte buffer (14); a text (15) is read no further than size bytes.
  std::int32_t SetData(std::int32_t type, const void* data, std::uint32_t size);
  std::int32_t SetBuffer(const void* data, std::uint32_t size);
  std::int32_t SetString(const char* text);
  std::int32_t SetArray(const Variant* items, std::uint32_t count);
  std::int32_t SetArray(const Variant* const* items, std::uint32_t count);

  // Records of a packed array. The walk stops at a record that is shorter than
  // its header or runs past the data, so malformed input cannot loop or overrun.
  std::uint32_t GetArrayCount() const;
  // 0, or -1 when there is no such record; out is left empty on -1 and when the
  // record does not decode.
  std::int32_t GetArrayItem(std::uint32_t index, Variant& out) const;

  bool IsEqual(const Variant& other) const;
  bool IsNegative() const;

protected:
  template <class T>
  T Load() const;
  template <class T>
  void Store(T value);
  void* DataPointer() const { return Load<void*>(); }
  void SetDataPointer(void* data) { Store<void*>(data); }
  // Drops owned data through FreeBuffer and zeroes value, size and type.
  void Reset();
  // The bytes from p to the end of this value's own bytes (value field or owned
  // data), 0 when p is not in them. Reset clears or frees those bytes, so a
  // setter copies a source found there before it resets.
  std::uint32_t OwnBytesFrom(const void* p) const;

  alignas(8) unsigned char mValue[8] = {};
  std::uint32_t mSize = 0;
  std::int32_t mType = kVariantEmpty;

private:
  void WriteArray(const Variant* const* items, std::uint32_t count);
};

// Writes value's record; returns its length, or E_FAIL (no destination, too
// little room, or external data without bytes).
[[nodiscard]] QZRESULT Serialize(const Variant& value, void* destination, std::uint32_t capacity);
// Reads one record from at most available bytes; 0 or E_FAIL.
[[nodiscard]] QZRESULT Deserialize(Variant& value, const void* record, std::uint32_t available);

template <class T>
T Variant::Load() const {
  static_assert(sizeof(T) <= sizeof(mValue));
  T value;
  std::memcpy(&value, mValue, sizeof(T));
  return value;
}

template <class T>
void Variant::Store(T value) {
  static_assert(sizeof(T) <= sizeof(mValue));
  std::memset(mValue, 0, sizeof(mValue));
  std::memcpy(mValue, &value, sizeof(T));
}

} // namespace QZ
