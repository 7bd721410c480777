#pragma once
// Small builders for variants in tests.

#include "QZFramework/Utilities/Storage/Variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace QZ::test {

using Bytes = std::vector<std::uint8_t>;

template <class T>
Variant Make(std::int32_t type, T value) {
  Variant v;
  EXPECT_EQ(v.SetData(type, &value, sizeof value), type);
  return v;
}

inline Variant Int32(std::int32_t value) { return Make(kVariantInt32, value); }
inline Variant Int64(std::int64_t value) { return Make(kVariantInt64, value); }
inline Variant Bool(bool value) { return Make(kVariantBool, value); }

inline Variant MakeBuffer(const Bytes& bytes) {
  Variant v;
  v.SetBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return v;
}

inline Variant MakeText(const char* text) {
  Variant v;
  v.SetString(text);
  return v;
}

inline Variant Pack(std::initializer_list<Variant> items) {
  std::vector<Variant> all(items);
  Variant v;
  v.SetArray(all.data(), static_cast<std::uint32_t>(all.size()));
  return v;
}

inline Bytes DataOf(const Variant& v) {
  std::uint32_t size = 0;
  const auto* p = static_cast<const std::uint8_t*>(v.GetData(size));
  return p ? Bytes(p, p + size) : Bytes{};
}

} // namespace QZ::test
