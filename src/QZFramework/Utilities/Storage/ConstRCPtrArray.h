#pragma once
// Array of smart pointers, read-only view: every non-null slot owns one
// reference of its object. The slots live in a BufferT that grows by GrowBy and
// keeps at most MaxSpare spare slots. All storage changes live here; the
// mutable view (RCPtrArray) forwards to them.
//
// Slots are RCPtr<T> objects in raw buffer memory. They are relocated as bytes
// (memmove, realloc) and handed over by exchanging bytes, so that removing an
// element moves its reference to the caller without a count change and without
// the copy an unshareable object would get from a smart-pointer copy.

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/BufferT.h"
#include "QZFramework/Utilities/Storage/Iterable.h"
#include "QZFramework/Utilities/Storage/TemplateTypeName.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace QZ {

// Exchanges what two smart pointers hold; no count changes.
template <class T>
void ExchangeHeld(ConstRCPtr<T>& a, ConstRCPtr<T>& b) noexcept {
  static_assert(sizeof(ConstRCPtr<T>) == sizeof(T*));
  unsigned char temp[sizeof(T*)];
  std::memcpy(temp, static_cast<void*>(&a), sizeof temp);
  std::memcpy(static_cast<void*>(&a), static_cast<void*>(&b), sizeof temp);
  std::memcpy(static_cast<void*>(&b), temp, sizeof temp);
}

// Where this header's exceptions say they come from.
inline constexpr const char* kConstRCPtrArraySourcePath = "utilities\\Storage/ConstRCPtrArray";

// "Out of Range : QZ::<array><T,GrowBy,MaxSpare>::RemoveItem : <path> : Line N"
template <class T, std::uint32_t GrowBy, std::uint32_t MaxSpare>
[[noreturn]] void ThrowRCPtrArrayOutOfRange(const char* array, const char* path, int line) {
  // Appended piece by piece: GCC 12 sees a false overlap in "literal" + std::string (-Wrestrict).
  std::string function = "QZ::";
  function += array;
  function += '<';
  function += TemplateArgumentName<T>();
  function += ',';
  function += std::to_string(GrowBy);
  function += ',';
  function += std::to_string(MaxSpare);
  function += ">::RemoveItem";
  ThrowException<std::out_of_range>("", function, path, line);
}

template <class T, std::uint32_t GrowBy = 1, std::uint32_t MaxSpare = 0>
class ConstRCPtrArray : public IArray<ConstRCPtr<T>> {
  static_assert(GrowBy > 0, "must grow");

public:
  using Position = ItemPosition;
  using Slot = RCPtr<T>;
  using Storage = BufferT<GrowBy * sizeof(T*), MaxSpare * sizeof(T*), 8, Slot*, GetSystemAllocator>;

  // count null slots; a larger capacity is reserved first and survives only
  // within MaxSpare.
  explicit ConstRCPtrArray(std::uint32_t count = 0, std::uint32_t capacity = 0)
      : mBuffer(Bytes(count), capacity > count ? Bytes(capacity) : 0, false) {
    static_assert(sizeof(Slot) == sizeof(T*));
    MakeNull(0, count);
  }

  ConstRCPtrArray(const ConstRCPtrArray&) = delete;
  ConstRCPtrArray& operator=(const ConstRCPtrArray&) = delete;

  // Releases the elements first to last.
  virtual ~ConstRCPtrArray() { ConstRCPtrArray::SetSize(0); }

  std::uint32_t GetCount() const override { return mBuffer.GetSize() / kSlot; }

  const ConstRCPtr<T>* GetData() const override { return Slots(); }
  ConstRCPtr<T>* GetData() override { return Slots(); }

  // The index of the new element.
  std::int32_t InsertItem(std::uint32_t index, const ConstRCPtr<T>& item) override {
    const ConstRCPtr<T> value = item; // item may be one of our slots, which InsertSpace moves
    const std::int32_t result = ConstRCPtrArray::InsertSpace(index, 1);
    if (result < 0)
      return result;
    static_cast<ConstRCPtr<T>&>(Slots()[index]) = value;
    return static_cast<std::int32_t>(index);
  }

  // The element's reference moves into item; the result is the new count.
  std::int32_t RemoveItem(std::uint32_t index, ConstRCPtr<T>& item) override {
    if (index >= GetCount())
      ThrowOutOfRange();
    return TakeItem(index, item);
  }

  std::int32_t AddItem(const ConstRCPtr<T>& item) override {
    return ConstRCPtrArray::InsertItem(GetCount(), item);
  }

  // E_FAIL on an empty array, leaving item null.
  std::int32_t RemoveLastItem(ConstRCPtr<T>& item) override {
    ConstRCPtr<T> previous; // what item held goes when we are done
    ExchangeHeld(previous, item);
    const std::uint32_t count = GetCount();
    if (count == 0)
      return E_FAIL;
    ExchangeHeld(item, static_cast<ConstRCPtr<T>&>(Slots()[count - 1]));
    return ConstRCPtrArray::SetSize(count - 1);
  }

  std::int32_t SetSize(std::uint32_t count) override {
    const std::uint32_t old = GetCount();
    if (count < old)
      return ConstRCPtrArray::RemoveItems(count, old - count);
    if (count > old) {
      if (count > kMaxCount)
        return E_OUTOFMEMORY;
      mBuffer.SetSize(Bytes(count));
      MakeNull(old, count - old);
    }
    return static_cast<std::int32_t>(count);
  }

  // The new slots are null; the result is the new count.
  std::int32_t InsertSpace(std::uint32_t index, std::uint32_t count) override {
    const std::uint32_t old = GetCount();
    if (count == 0)
      return static_cast<std::int32_t>(old);
    if (index > old)
      return E_INVALIDARG;
    if (std::uint64_t{old} + count > kMaxCount)
      return E_OUTOFMEMORY;
    if (index == old)
      return ConstRCPtrArray::SetSize(old + count);
    mBuffer.SetSize(Bytes(old + count));
    Slot* slots = Slots();
    std::memmove(static_cast<void*>(slots + index + count), static_cast<void*>(slots + index),
                 std::size_t{old - index} * kSlot);
    MakeNull(index, count);
    return static_cast<std::int32_t>(old + count);
  }

  // count removals at index through this view: the elements are released first
  // to last, each once the next is out of the array, and a range running past
  // the end removes up to the end and then throws. The removed slots are first
  // turned to the end in reverse order (the rest keeps its order) and taken from
  // there, so clearing a large array is linear, not one move of the rest per
  // element.
  std::int32_t RemoveItems(std::uint32_t index, std::uint32_t count) override {
    if (count == 0)
      return static_cast<std::int32_t>(GetCount());
    const std::uint32_t old = GetCount();
    if (index >= old)
      ThrowOutOfRange();
    const std::uint32_t removing = std::min(count, old - index);
    ReverseSlots(index + removing, old);
    ReverseSlots(index, old);
    ConstRCPtr<T> removed; // the last one goes with it, also when we throw
    for (std::uint32_t i = 0; i < removing && GetCount() > index; ++i)
      TakeItem(GetCount() - 1, removed);
    if (removing < count)
      ThrowOutOfRange();
    return static_cast<std::int32_t>(GetCount());
  }

  // Exchanges the two slots; no count changes.
  QZRESULT Swap(std::uint32_t a, std::uint32_t b) override {
    const std::uint32_t count = GetCount();
    if (a >= count || b >= count)
      return E_INVALIDARG;
    ExchangeHeld(static_cast<ConstRCPtr<T>&>(Slots()[a]), static_cast<ConstRCPtr<T>&>(Slots()[b]));
    return S_OK;
  }

  QZRESULT RemoveAll() override {
    ConstRCPtrArray::SetSize(0);
    return S_OK;
  }

protected:
  static constexpr std::uint32_t kSlot = sizeof(T*);
  static constexpr std::uint32_t kMaxCount = kMaxItemCount / kSlot;

  static std::uint32_t Bytes(std::uint32_t count) {
    if (count > kMaxCount)
      ThrowBufferAllocationFailed();
    return count * kSlot;
  }

  Slot* Slots() const { return mBuffer.GetTypedData(); }

  // Moves the slot's reference into item without a count change, closes the
  // gap, then releases what item held before.
  std::int32_t TakeItem(std::uint32_t index, ConstRCPtr<T>& item) {
    ConstRCPtr<T> previous;
    ExchangeHeld(previous, item);
    Slot* slots = Slots();
    ExchangeHeld(item, static_cast<ConstRCPtr<T>&>(slots[index]));
    const std::uint32_t count = GetCount();
    std::memmove(static_cast<void*>(slots + index), static_cast<void*>(slots + index + 1),
                 std::size_t{count - index - 1} * kSlot);
    MakeNull(count - 1, 1); // the last slot's bytes were moved down: drop them, don't release
    mBuffer.SetSize(Bytes(count - 1));
    return static_cast<std::int32_t>(count - 1);
  }

private:
  [[noreturn]] static void ThrowOutOfRange() {
    ThrowRCPtrArrayOutOfRange<T, GrowBy, MaxSpare>("ConstRCPtrArray", kConstRCPtrArraySourcePath, 217);
  }

  void ReverseSlots(std::uint32_t first, std::uint32_t last) {
    Slot* slots = Slots();
    for (; last > first + 1; ++first, --last)
      ExchangeHeld(static_cast<ConstRCPtr<T>&>(slots[first]), static_cast<ConstRCPtr<T>&>(slots[last - 1]));
  }

  void MakeNull(std::uint32_t index, std::uint32_t count) {
    Slot* slots = Slots();
    for (std::uint32_t i = 0; i < count; ++i)
      ::new (static_cast<void*>(slots + index + i)) Slot();
  }

  Storage mBuffer;
};

} // namespace QZ
