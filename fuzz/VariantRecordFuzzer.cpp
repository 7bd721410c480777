// Serialised variant records and packed arrays, as they arrive in program files
// and registry values. Any bytes decode or fail cleanly; a decoded record writes
// back as a record that decodes to the same bytes; a walk over any bytes as a
// packed array ends, stays inside the data, and reads every item it counts.

#include "QZFramework/Utilities/Storage/Variant.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using QZ::Variant;

void Check(bool condition) {
  if (!condition)
    std::abort();
}

std::vector<std::uint8_t> RecordOf(const Variant& v) {
  std::uint32_t size = 0;
  v.GetData(size);
  std::vector<std::uint8_t> out(std::size_t(size) + QZ::kVariantRecordHeaderSize);
  const QZ::QZRESULT n = QZ::Serialize(v, out.data(), static_cast<std::uint32_t>(out.size()));
  Check(n == static_cast<QZ::QZRESULT>(out.size()));
  return out;
}

// Every getter on every kind of value; none may fail or read outside the value.
void ReadAll(const Variant& v) {
  volatile double sink = 0;
  sink = sink + v.GetBool() + v.GetInt8() + v.GetInt16() + v.GetInt32() + static_cast<double>(v.GetInt64()) +
         v.GetUInt8() + v.GetUInt16() + v.GetUInt32() + static_cast<double>(v.GetUInt64()) + v.GetFloat() +
         v.GetDouble() + v.IsNegative();
  if (const char* text = v.GetString())
    Check(std::strlen(text) < v.GetSize());
}

void CheckRoundTrip(const Variant& v) {
  const std::vector<std::uint8_t> record = RecordOf(v);
  Variant back;
  Check(QZ::Deserialize(back, record.data(), static_cast<std::uint32_t>(record.size())) == QZ::S_OK);
  Check(RecordOf(back) == record);
}

void Walk(const Variant& packed, int depth) {
  const std::uint32_t count = packed.GetArrayCount();
  Check(count <= packed.GetSize() / QZ::kVariantRecordHeaderSize);
  std::vector<Variant> items(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    Check(packed.GetArrayItem(i, items[i]) == 0);
    ReadAll(items[i]);
    if (items[i].GetType() == QZ::kVariantArray && depth < 4)
      Walk(items[i], depth + 1);
  }
  Variant past;
  Check(packed.GetArrayItem(count, past) == -1 && past.IsEmpty());

  // Packing the items again gives an array of the same items.
  Variant repacked;
  Check(repacked.SetArray(items.data(), count) == QZ::kVariantArray);
  Check(repacked.GetArrayCount() == count);
  for (std::uint32_t i = 0; i < count; ++i) {
    Variant item;
    Check(repacked.GetArrayItem(i, item) == 0);
    Check(RecordOf(item) == RecordOf(items[i]));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20))
    return 0;
  // Exactly sized, so a read past the input is caught.
  const std::vector<std::uint8_t> input(data, data + size);
  const std::uint32_t available = static_cast<std::uint32_t>(input.size());

  Variant record;
  if (QZ::Deserialize(record, input.data(), available) == QZ::S_OK) {
    Check(available >= QZ::kVariantRecordHeaderSize);
    ReadAll(record);
    CheckRoundTrip(record);
    if (record.GetType() == QZ::kVariantArray)
      Walk(record, 0);
  } else {
    ReadAll(record);
  }

  Variant packed;
  Check(packed.SetData(QZ::kVariantArray, input.data(), available) == QZ::kVariantArray);
  Walk(packed, 0);
  return 0;
}
