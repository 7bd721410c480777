#include "QZFramework/Utilities/Graphics/PixelBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace QZ {
namespace {

using Bytes = LPixelBuffer<unsigned char>;

TEST(PixelBuffer, WithoutSourceRowsAreZeroFilledAndAStrideOf0IsPaddedTo16Bytes) {
  struct Case {
    std::int32_t width;
    std::int32_t stride;
    std::int32_t expectedStride;
  };
  for (const Case& c : {Case{5, 0, 16}, Case{16, 0, 16}, Case{17, 0, 32}, Case{0, 0, 0}, Case{5, 7, 7}}) {
    SCOPED_TRACE(c.width);
    const RCPtr<Bytes> pixels = MakeRCPtr<Bytes>(c.width, 3, c.stride);
    EXPECT_EQ(pixels->GetWidth(), c.width);
    EXPECT_EQ(pixels->GetHeight(), 3);
    EXPECT_EQ(pixels->GetStride(), c.expectedStride);
    for (std::int32_t y = 0; y < 3; ++y)
      for (std::int32_t x = 0; x < c.width; ++x)
        ASSERT_EQ(*pixels->GetPixelAddressConst(x, y), 0);
  }
  // Rows of wider pixels are padded by their bytes.
  EXPECT_EQ(MakeRCPtr<LPixelBuffer<std::uint32_t>>(5, 1, 0)->GetStride(), 32);
}

TEST(PixelBuffer, WithSourceTheRowsAreCopiedAndAddressesStopAtTheEnd) {
  std::vector<unsigned char> source(3 * 4);
  std::iota(source.begin(), source.end(), static_cast<unsigned char>(1));
  const RCPtr<Bytes> pixels = MakeRCPtr<Bytes>(3, 3, 4, source.data());
  source.assign(source.size(), 0); // a copy, not a view
  EXPECT_EQ(pixels->GetStride(), 4);
  EXPECT_EQ(*pixels->GetPixelAddressConst(0, 0), 1);
  EXPECT_EQ(*pixels->GetPixelAddressConst(2, 1), 7);
  EXPECT_EQ(*pixels->GetPixelAddress(3, 2), 12) << "the padding byte of the last row";
  EXPECT_EQ(pixels->GetPixelAddress(4, 2), nullptr);
  EXPECT_EQ(pixels->GetPixelAddress(0, 3), nullptr);
  EXPECT_EQ(pixels->GetPixelAddress(-1, 0), nullptr);

  // Growing keeps the rows and zero-fills the new ones.
  ASSERT_EQ(pixels->Resize(4), S_OK);
  EXPECT_EQ(pixels->GetHeight(), 4);
  EXPECT_EQ(*pixels->GetPixelAddressConst(2, 1), 7);
  EXPECT_EQ(*pixels->GetPixelAddressConst(1, 3), 0);

  // An empty bitmap has no storage and no addresses.
  const RCPtr<Bytes> empty = MakeRCPtr<Bytes>(0, 0, 0, source.data());
  EXPECT_EQ(empty->GetPixelAddress(0, 0), nullptr);
}

} // namespace
} // namespace QZ
