#pragma once
// The container interface shared by every indexed collection: IIterable (read
// and walk), IIterableModifiable (insert, remove, resize) and IArray
// (contiguous storage). Each level gives default bodies in terms of a few other
// operations, so a container overrides only what its storage does cheaper.
//
// Results: a non-negative result is a count or an index, a negative one a
// result code.

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/ObjectBase/QZResult.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace QZ {

// Names an element; for an IArray it is the element's address, 0 meaning none.
// An integer rather than a pointer so that before-first and the wrapping
// arithmetic of Advance stay defined.
using ItemPosition = std::uintptr_t;

inline constexpr std::uint32_t kMaxItemCount = 0x7FFFFFFF;

// A container, a position and a step (+1 forward, -1 reverse). Container is
// IIterable<T> or const IIterable<T>.
template <class Container>
struct IteratorT {
  Container* container;
  ItemPosition position;
  std::int32_t step;

  decltype(auto) operator*() const { return container->GetAtPosition(position); }
  auto operator->() const { return &container->GetAtPosition(position); }
  IteratorT& operator++() { return *this += 1; }
  IteratorT& operator--() { return *this += -1; }
  IteratorT& operator+=(std::int32_t k) {
    position = container->Advance(position, k * step);
    return *this;
  }
  friend bool operator==(const IteratorT& a, const IteratorT& b) {
    return a.container == b.container && a.position == b.position && a.step == b.step;
  }
};

template <class T>
class IIterable {
public:
  using Position = ItemPosition;
  using Iterator = IteratorT<IIterable>;
  using ConstIterator = IteratorT<const IIterable>;

  virtual std::uint32_t GetCount() const = 0;
  virtual std::uint32_t GetMaxCount() const { return kMaxItemCount; }
  virtual ConstIterator Begin() const { return {this, FirstPosition(), +1}; }
  virtual Iterator Begin() { return {this, FirstPosition(), +1}; }
  virtual ConstIterator End() const { return {this, EndPosition(), +1}; }
  virtual Iterator End() { return {this, EndPosition(), +1}; }
  virtual ConstIterator RBegin() const { return {this, LastPosition(), -1}; }
  virtual Iterator RBegin() { return {this, LastPosition(), -1}; }
  virtual ConstIterator REnd() const { return {this, BeforeFirstPosition(), -1}; }
  virtual Iterator REnd() { return {this, BeforeFirstPosition(), -1}; }
  virtual const T& GetAtPosition(Position position) const {
    return const_cast<IIterable*>(this)->GetAtPosition(position);
  }
  virtual T& GetAtPosition(Position position) = 0;
  // Walks; containers with contiguous storage index directly.
  virtual T& GetAt(std::uint32_t index) {
    Iterator it = Begin();
    for (std::uint32_t i = 0; i < index; ++i)
      ++it;
    return GetAtPosition(it.position);
  }
  virtual const T& GetAt(std::uint32_t index) const {
    ConstIterator it = Begin();
    for (std::uint32_t i = 0; i < index; ++i)
      ++it;
    return GetAtPosition(it.position);
  }
  virtual QZRESULT Swap(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t count = GetCount();
    if (a >= count || b >= count)
      return E_INVALIDARG;
    T temp = GetAt(a);
    GetAt(a) = GetAt(b);
    GetAt(b) = temp;
    return S_OK;
  }
  virtual Position Advance(Position position, std::int32_t n) const = 0;
  virtual Position FirstPosition() const = 0;
  virtual Position EndPosition() const = 0;
  virtual Position LastPosition() const = 0;
  virtual Position BeforeFirstPosition() const = 0;

protected:
  IIterable() = default;
  IIterable(const IIterable&) = default;
  IIterable& operator=(const IIterable&) = default;
  ~IIterable() = default;
};

template <class T>
class IIterableModifiable : public IIterable<T> {
public:
  virtual QZRESULT RemoveAll() { return SetSize(0) == 0 ? S_OK : E_FAIL; }
  virtual std::int32_t InsertItem(std::uint32_t index, const T& item) {
    const T value = item; // item may be one of ours, and InsertSpace moves it
    const std::int32_t result = InsertSpace(index, 1);
    if (result >= 0)
      this->GetAt(index) = value;
    return result;
  }
  virtual std::int32_t RemoveItem(std::uint32_t index, T& item) {
    item = this->GetAt(index);
    return RemoveItems(index, 1);
  }
  virtual std::int32_t AppendItems(const IIterable<T>& other) {
    const std::uint32_t count = this->GetCount();
    const std::uint32_t added = other.GetCount();
    if (added == 0)
      return static_cast<std::int32_t>(count);
    const std::uint64_t total = std::uint64_t{count} + added;
    if (total > kMaxItemCount || SetSize(static_cast<std::uint32_t>(total)) != static_cast<std::int32_t>(total))
      return E_FAIL;
    // Walked only after SetSize, so appending an array to itself reads valid storage.
    auto from = other.Begin();
    auto to = this->Begin();
    to += static_cast<std::int32_t>(count);
    for (std::uint32_t i = 0; i < added; ++i, ++from, ++to)
      *to = *from;
    return static_cast<std::int32_t>(total);
  }
  virtual std::int32_t AddItem(const T& item) { return InsertItem(this->GetCount(), item); }
  virtual std::int32_t RemoveLastItem(T& item) { return RemoveItem(this->GetCount() - 1, item); }
  virtual std::int32_t SetItems(const IIterable<T>& other) {
    if (&other == this) // clearing first would lose the source
      return static_cast<std::int32_t>(this->GetCount());
    SetSize(0);
    return AppendItems(other);
  }
  virtual std::int32_t SetSize(std::uint32_t count) = 0;
  virtual std::int32_t InsertSpace(std::uint32_t index, std::uint32_t count) = 0;
  virtual std::int32_t RemoveItems(std::uint32_t index, std::uint32_t count) = 0;

protected:
  IIterableModifiable() = default;
  IIterableModifiable(const IIterableModifiable&) = default;
  IIterableModifiable& operator=(const IIterableModifiable&) = default;
  ~IIterableModifiable() = default;
};

// Where this header's exceptions say they come from.
inline constexpr const char* kIterableSourcePath = "utilities\\Storage/Iterable";

[[noreturn]] inline void ThrowArrayIndexOutOfRange(const char* function, int line) {
  ThrowException<std::out_of_range>("", function, kIterableSourcePath, line);
}

template <class T>
class IArray : public IIterableModifiable<T> {
public:
  using Position = ItemPosition;
  using IIterable<T>::GetAtPosition;

  // Only positions of existing elements; before-first and end are not elements.
  T& GetAtPosition(Position position) override {
    const Position first = reinterpret_cast<Position>(GetData());
    if (position < first || position - first >= std::uint64_t{this->GetCount()} * sizeof(T))
      ThrowArrayIndexOutOfRange("QZ::IArray::GetAtPosition", 118);
    return *reinterpret_cast<T*>(position);
  }
  T& GetAt(std::uint32_t index) override {
    if (index >= this->GetCount())
      ThrowArrayIndexOutOfRange("QZ::IArray::GetAt", 131);
    return GetData()[index];
  }
  const T& GetAt(std::uint32_t index) const override {
    if (index >= this->GetCount())
      ThrowArrayIndexOutOfRange("QZ::IArray::GetAt", 137);
    return GetData()[index];
  }
  // Never leaves [before-first, end]; on an empty array every position is 0.
  Position Advance(Position position, std::int32_t n) const override {
    const Position p = position + static_cast<Position>(static_cast<std::intptr_t>(n) * sizeof(T));
    const Position before = BeforeFirstPosition();
    if (p <= before)
      return before;
    return std::min(p, EndPosition());
  }
  Position FirstPosition() const override { return this->GetCount() == 0 ? 0 : Address(0); }
  Position EndPosition() const override {
    const std::uint32_t count = this->GetCount();
    return count == 0 ? 0 : Address(count);
  }
  Position LastPosition() const override {
    const std::uint32_t count = this->GetCount();
    return count == 0 ? 0 : Address(count - 1);
  }
  Position BeforeFirstPosition() const override { return this->GetCount() == 0 ? 0 : Address(0) - sizeof(T); }

  virtual const T* GetData() const { return const_cast<IArray*>(this)->GetData(); }
  virtual T* GetData() = 0;
  // AppendItems writing straight into the storage.
  virtual std::int32_t AppendItemsRaw(const IIterable<T>& other) {
    const std::uint32_t count = this->GetCount();
    const std::uint32_t added = other.GetCount();
    if (added == 0)
      return static_cast<std::int32_t>(count);
    const std::uint64_t total = std::uint64_t{count} + added;
    if (total > kMaxItemCount ||
        this->SetSize(static_cast<std::uint32_t>(total)) != static_cast<std::int32_t>(total))
      return E_FAIL;
    T* to = GetData() + count;
    auto from = other.Begin();
    for (std::uint32_t i = 0; i < added; ++i, ++from)
      to[i] = *from;
    return static_cast<std::int32_t>(total);
  }

protected:
  IArray() = default;
  IArray(const IArray&) = default;
  IArray& operator=(const IArray&) = default;
  ~IArray() = default;

private:
  Position Address(std::uint32_t index) const {
    return reinterpret_cast<Position>(GetData()) + Position{index} * sizeof(T);
  }
};

} // namespace QZ
