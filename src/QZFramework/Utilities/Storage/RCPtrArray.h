#pragma once
// Array of smart pointers, mutable view over the same slots as its const base.
// Operations that change the storage are the const base's; this view forwards
// to them, except that a removal through it reports its own name.
//
// Both views declare the same operations, so this class names each one itself
// (or picks the mutable view's with a using-declaration) to keep calls on an
// RCPtrArray unambiguous.

#include "QZFramework/Utilities/Storage/ConstRCPtrArray.h"
#include "QZFramework/Utilities/Storage/TaggableObject.h"

#include <cstdint>

namespace QZ {

// Where this header's exceptions say they come from.
inline constexpr const char* kRCPtrArraySourcePath = "utilities\\Storage/RCPtrArray";

template <class T, std::uint32_t GrowBy = 1, std::uint32_t MaxSpare = 0>
class RCPtrArray : public IArray<RCPtr<T>>, public ConstRCPtrArray<T, GrowBy, MaxSpare> {
  using MutableView = IArray<RCPtr<T>>;
  using ConstView = ConstRCPtrArray<T, GrowBy, MaxSpare>;

public:
  using Position = ItemPosition;

  explicit RCPtrArray(std::uint32_t count = 0, std::uint32_t capacity = 0) : ConstView(count, capacity) {}

  std::uint32_t GetCount() const override { return ConstView::GetCount(); }
  std::uint32_t GetMaxCount() const override { return ConstView::GetMaxCount(); }

  using MutableView::Begin;
  using MutableView::End;
  using MutableView::RBegin;
  using MutableView::REnd;

  const RCPtr<T>& GetAtPosition(Position position) const override { return MutableView::GetAtPosition(position); }
  RCPtr<T>& GetAtPosition(Position position) override { return MutableView::GetAtPosition(position); }
  RCPtr<T>& GetAt(std::uint32_t index) override { return MutableView::GetAt(index); }
  const RCPtr<T>& GetAt(std::uint32_t index) const override { return MutableView::GetAt(index); }

  Position Advance(Position position, std::int32_t n) const override { return MutableView::Advance(position, n); }
  Position FirstPosition() const override { return MutableView::FirstPosition(); }
  Position EndPosition() const override { return MutableView::EndPosition(); }
  Position LastPosition() const override { return MutableView::LastPosition(); }
  Position BeforeFirstPosition() const override { return MutableView::BeforeFirstPosition(); }

  const RCPtr<T>* GetData() const override { return this->Slots(); }
  RCPtr<T>* GetData() override { return this->Slots(); }

  QZRESULT Swap(std::uint32_t a, std::uint32_t b) override { return ConstView::Swap(a, b); }
  QZRESULT RemoveAll() override { return ConstView::RemoveAll(); }
  std::int32_t SetSize(std::uint32_t count) override { return ConstView::SetSize(count); }
  std::int32_t InsertSpace(std::uint32_t index, std::uint32_t count) override {
    return ConstView::InsertSpace(index, count);
  }
  std::int32_t RemoveItems(std::uint32_t index, std::uint32_t count) override {
    return ConstView::RemoveItems(index, count);
  }

  using ConstView::InsertItem;
  std::int32_t InsertItem(std::uint32_t index, const RCPtr<T>& item) override {
    return ConstView::InsertItem(index, item);
  }
  std::int32_t InsertItem(std::uint32_t index, T* item) { return InsertItem(index, RCPtr<T>(item)); }

  using ConstView::AddItem;
  std::int32_t AddItem(const RCPtr<T>& item) override { return ConstView::InsertItem(GetCount(), item); }
  std::int32_t AddItem(T* item) { return AddItem(RCPtr<T>(item)); }

  using ConstView::RemoveItem;
  std::int32_t RemoveItem(std::uint32_t index, RCPtr<T>& item) override {
    if (index >= GetCount())
      ThrowRCPtrArrayOutOfRange<T, GrowBy, MaxSpare>("RCPtrArray", kRCPtrArraySourcePath, 175);
    return this->TakeItem(index, item);
  }

  using ConstView::RemoveLastItem;
  std::int32_t RemoveLastItem(RCPtr<T>& item) override { return ConstView::RemoveLastItem(item); }

  using ConstView::AppendItems;
  using MutableView::AppendItems;
  std::int32_t AppendItems(const RCPtrArray& other) { return MutableView::AppendItems(other); }

  using ConstView::AppendItemsRaw;
  using MutableView::AppendItemsRaw;
  std::int32_t AppendItemsRaw(const RCPtrArray& other) { return MutableView::AppendItemsRaw(other); }

  using ConstView::SetItems;
  using MutableView::SetItems;
  std::int32_t SetItems(const RCPtrArray& other) { return MutableView::SetItems(other); }
};

// An array of smart pointers that is itself reference-counted and taggable.
template <class T, std::uint32_t GrowBy = 1, std::uint32_t MaxSpare = 0>
class LRCPtrArray : public RCPtrArray<T, GrowBy, MaxSpare>, public virtual LTaggableObject {
public:
  explicit LRCPtrArray(std::uint32_t count = 0, std::uint32_t capacity = 0)
      : RCPtrArray<T, GrowBy, MaxSpare>(count, capacity) {}
};

} // namespace QZ
