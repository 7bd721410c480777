#include "QZFramework/Utilities/Storage/Buffer.h"

#include "Support/CountingAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace QZ {
namespace {

std::string Bytes(const ConstRCPtr<LIBuffer>& b) { return std::string(b->GetData(), b->GetSize()); }

using TextBuffer = LBufferT<1, 128>;
using ImageBuffer = LBufferT<512, 512>;

template <class Instance>
bool IsInstance(const ConstRCPtr<LIBuffer>& b) {
  return dynamic_cast<const Instance*>(b.Get()) != nullptr;
}

ConstRCPtr<LIBuffer> Make(const std::string& bytes) {
  ConstRCPtr<LIBuffer> b = CreateLBuffer(static_cast<std::uint32_t>(bytes.size()));
  if (!bytes.empty())
    std::memcpy(b->GetData(), bytes.data(), bytes.size());
  return b;
}

TEST(LBuffer, FactoriesMakeZeroFilledBuffersOfTheirInstanceWithOneReference) {
  ConstRCPtr<LIBuffer> text = CreateLBuffer(2);
  EXPECT_EQ(text->GetRefCount(), 1);
  EXPECT_TRUE(text->IsShareable());
  EXPECT_EQ(Bytes(text), std::string(2, '\0'));
  EXPECT_TRUE(IsInstance<TextBuffer>(text));
  // Strings keep up to 128 spare bytes.
  text.GetRaw()->SetSize(300);
  text.GetRaw()->SetSize(172);
  EXPECT_EQ(text->GetCapacity(), 300u);

  ConstRCPtr<LIBuffer> exact = LBufferT<1, 0, 8, char*>::Create(3, 0, true);
  EXPECT_EQ(exact->GetRefCount(), 1);
  EXPECT_EQ(Bytes(exact), std::string(3, '\0'));
  exact.GetRaw()->SetSize(2);
  EXPECT_EQ(exact->GetCapacity(), 2u);

  ConstRCPtr<LIBuffer> image = ImageBuffer::Create(10, 0, true);
  EXPECT_EQ(image->GetCapacity(), 512u);
  EXPECT_EQ(Bytes(image), std::string(10, '\0'));

  ConstRCPtr<LIBuffer> empty = CreateLBuffer(0);
  EXPECT_EQ(empty->GetSize(), 0u);
  EXPECT_EQ(empty->GetData(), nullptr);
}

TEST(LBuffer, CopyRangeCopiesWhatFitsAndExistsAndZeroFillsTheRest) {
  const ConstRCPtr<LIBuffer> source = Make("abcdefghijkl");
  const struct {
    std::uint32_t size, offset;
    std::string bytes;
  } cases[] = {
      {4, 10, std::string("kl\0\0", 4)},
      {4, 12, std::string(4, '\0')},
      {4, 0xFFFFFFFFu, std::string(4, '\0')},
      {0, 0, ""},
      {4, 0, "abcd"},
      {14, 2, std::string("cdefghijkl\0\0\0\0", 14)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("CopyRange (" + std::to_string(c.size) + ", " + std::to_string(c.offset) + ")");
    ConstRCPtr<LIBuffer> copy = source->CopyRange(c.size, c.offset);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.Get(), source.Get());
    EXPECT_EQ(copy->GetRefCount(), 1);
    EXPECT_TRUE(IsInstance<TextBuffer>(copy)) << "same instance";
    EXPECT_EQ(Bytes(copy), c.bytes);
  }
  EXPECT_EQ(Bytes(source), "abcdefghijkl");
  EXPECT_EQ(source->GetRefCount(), 1);

  // Another instance copies into its own kind.
  ConstRCPtr<LIBuffer> image = ImageBuffer::Create(3, 0, true);
  ConstRCPtr<LIBuffer> part = image->CopyRange(2, 1);
  EXPECT_TRUE(IsInstance<ImageBuffer>(part));
  EXPECT_EQ(part->GetCapacity(), 512u);
}

TEST(LBuffer, CreateCopyIsASoleOwnedCopyOfTheSameInstance) {
  for (const std::string& bytes : {std::string("xyz\0w", 5), std::string()}) {
    const ConstRCPtr<LIBuffer> source = Make(bytes);
    RCPtr<LRefCountedObject> copy = source->CreateCopy();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetRefCount(), 1);
    EXPECT_NE(copy.Get(), static_cast<const LRefCountedObject*>(source.Get()));
    auto* typed = dynamic_cast<TextBuffer*>(copy.Get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(std::string(typed->GetData(), typed->GetSize()), bytes);
    EXPECT_EQ(source->GetRefCount(), 1);
  }
}

TEST(LBuffer, UnshareableBufferIsCopiedForASecondOwner) {
  ConstRCPtr<LIBuffer> owner = Make("text");
  owner.GetRaw()->SetUnshareable(true);
  ConstRCPtr<LIBuffer> second = owner;
  EXPECT_NE(second.Get(), owner.Get());
  EXPECT_EQ(owner->GetRefCount(), 1);
  EXPECT_EQ(second->GetRefCount(), 1);
  EXPECT_TRUE(second->IsShareable());
  EXPECT_EQ(Bytes(second), "text");
  second->GetData()[0] = 'n';
  EXPECT_EQ(Bytes(owner), "text");
}

TEST(LBuffer, LastReleaseFreesTheBlock) {
  test::CountingAllocator& heap = test::GetCountingAllocatorInstance();
  heap.Reset();
  {
    ConstRCPtr<LIBuffer> b = LBufferT<1, 0, 8, char*, test::GetCountingAllocator>::Create(16, 0, true);
    ConstRCPtr<LIBuffer> shared = b;
    ConstRCPtr<LIBuffer> copy = b->CopyRange(8, 0);
    EXPECT_EQ(heap.allocs, 2);
    EXPECT_EQ(heap.frees, 0);
  }
  EXPECT_EQ(heap.frees, 2);
  heap.Reset();
}

} // namespace
} // namespace QZ
