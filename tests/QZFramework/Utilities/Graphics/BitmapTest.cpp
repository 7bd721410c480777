#include "QZFramework/Utilities/Graphics/Bitmap.h"

#include "Support/BitmapTestSupport.h"
#include "fixtures/Graphics/Sheet.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace QZ {
namespace {

using QZ::test::Pixels;
using QZ::test::SheetPixel;
using QZ::test::TempFolder;
using QZ::test::Wide;

void ExpectRect(const LBitmap& bitmap, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  EXPECT_EQ(bitmap.GetRect(), (RectT<std::int32_t>{x, y, width, height}));
}

// Restores the working folder however the test ends.
class WorkingFolder {
public:
  explicit WorkingFolder(const std::filesystem::path& path) : mOld(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~WorkingFolder() { std::filesystem::current_path(mOld); }

private:
  std::filesystem::path mOld;
};

TEST(BitmapCache, LoadsImageResourcesByFileName) {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);
  EXPECT_TRUE(sheet->IsUsable());
  ExpectRect(*sheet, 0, 0, 40, 30);
  EXPECT_TRUE(sheet->GetParent().IsNull());
  EXPECT_TRUE(sheet->GetSource().IsEqual(u"::arp_on.png"));
  EXPECT_TRUE(sheet->GetCacheKey().IsEqual(u"::ARP_ON.PNG"));
  EXPECT_EQ(Pixels(*sheet)[41], SheetPixel(1, 1));

  // "." and " " become "_": KNOB_LARGE_PNG.
  RCPtr<LBitmap> knob = LBitmap::GetCachedBitmap(u"::Knob Large.png");
  ASSERT_TRUE(knob);
  ExpectRect(*knob, 0, 0, 6, 4);
}

TEST(BitmapCache, ResourceSourcesInAnyCaseShareOneBitmap) {
  RCPtr<LBitmap> first = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(first);
  EXPECT_EQ(LBitmap::GetCachedBitmap(u"::ARP_ON.PNG").Get(), first.Get());
  EXPECT_EQ(LBitmap::GetCachedBitmap(u"::Arp_On.Png").Get(), first.Get());
  // Held by the test and the cache; the cache's reference is an inner one.
  EXPECT_EQ(first->GetRefCount(), 2);
  EXPECT_EQ(first->GetInnerRefCount(), 1);
}

TEST(BitmapCache, SourcesThatDoNotLoadGiveNullEveryTime) {
  const char16_t* sources[] = {
      u"::missing.png",
      u"::truncated.png",
      u"::corrupt.png",
      u"::notpng.png",
      u"::empty.png",
      u"::huge.png",
      u"",
      u"::",
      u":arp_on.png", // one colon: a file path
      u"no/such/file.png",
  };
  for (const char16_t* source : sources) {
    EXPECT_TRUE(LBitmap::GetCachedBitmap(source).IsNull()) << WideString(source).ToNarrow().GetChars();
    EXPECT_TRUE(LBitmap::GetCachedBitmap(source).IsNull()) << WideString(source).ToNarrow().GetChars();
  }
}

TEST(BitmapCache, ReleasingTheLastHolderDropsTheEntry) {
  RCPtr<LBitmap> first = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(first);
  // Mark the decoded image so a fresh decode can be told apart.
  ASSERT_EQ(first->GetGdiplusBitmap()->SetPixel(0, 0, 0x12345678u), Platform::ImageStatus::Ok);
  EXPECT_EQ(Pixels(*LBitmap::GetCachedBitmap(u"::ARP_ON.PNG"))[0], 0x12345678u);

  first = nullptr;
  RCPtr<LBitmap> second = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(second);
  EXPECT_EQ(Pixels(*second)[0], SheetPixel(0, 0)) << "decoded again";
  EXPECT_EQ(second->GetRefCount(), 2);
  EXPECT_EQ(second->GetInnerRefCount(), 1);
}

TEST(BitmapCache, AViewKeepsItsCachedSheetAlive) {
  RCPtr<LBitmap> view;
  LBitmap* sheetAddress = nullptr;
  {
    RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
    ASSERT_TRUE(sheet);
    sheetAddress = sheet.Get();
    ASSERT_EQ(sheet->GetGdiplusBitmap()->SetPixel(0, 0, 0x12345678u), Platform::ImageStatus::Ok);
    view = sheet->CreateSubBitmap(0, 0, 4, 4);
    ASSERT_TRUE(view);
  }
  RCPtr<LBitmap> again = LBitmap::GetCachedBitmap(u"::arp_on.png");
  EXPECT_EQ(again.Get(), sheetAddress);
  EXPECT_EQ(view->GetParent().Get(), sheetAddress);
  EXPECT_EQ(Pixels(*again)[0], 0x12345678u) << "the same decoded image";
}

TEST(BitmapCache, FileSourcesKeepTheirCaseAndLoadOnceTheyExist) {
  TempFolder folder;
  const auto sheetBytes = QZ::test::Resource("ARP_ON_PNG");
  const auto knobBytes = QZ::test::Resource("KNOB_LARGE_PNG");
  const WideString later = Wide(folder.File("later.png"));
  EXPECT_TRUE(LBitmap::GetCachedBitmap(later).IsNull());
  folder.Write("later.png", sheetBytes);
  RCPtr<LBitmap> loaded = LBitmap::GetCachedBitmap(later);
  ASSERT_TRUE(loaded) << "a failed load is not remembered";
  ExpectRect(*loaded, 0, 0, 40, 30);
  EXPECT_TRUE(loaded->GetCacheKey().EqualsString(later));

  // Another spelling of the same path shares the entry.
  EXPECT_EQ(LBitmap::GetCachedBitmap(Wide((folder.Path() / "." / "later.png").string())).Get(), loaded.Get());

  // The file system tells Pic.png and pic.png apart, and so does the cache.
  folder.Write("Pic.png", sheetBytes);
  folder.Write("pic.png", knobBytes);
  RCPtr<LBitmap> upper = LBitmap::GetCachedBitmap(Wide(folder.File("Pic.png")));
  RCPtr<LBitmap> lower = LBitmap::GetCachedBitmap(Wide(folder.File("pic.png")));
  ASSERT_TRUE(upper);
  ASSERT_TRUE(lower);
  EXPECT_NE(upper.Get(), lower.Get());
  EXPECT_EQ(upper->GetWidth(), 40);
  EXPECT_EQ(lower->GetWidth(), 6);

  // A source with one leading colon is a relative file path.
  folder.Write(":arp_on.png", knobBytes);
  WorkingFolder here(folder.Path());
  RCPtr<LBitmap> colon = LBitmap::GetCachedBitmap(u":arp_on.png");
  ASSERT_TRUE(colon);
  EXPECT_EQ(colon->GetWidth(), 6);
  EXPECT_NE(colon.Get(), LBitmap::GetCachedBitmap(u"::arp_on.png").Get());
}

// A file is keyed by its real path: ".." after a link goes up from where the
// link leads, not from the link.
TEST(BitmapCache, FileSourcesAreKeyedByTheirRealPath) {
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "a" / "sub");
  folder.Write("b.png", QZ::test::Resource("KNOB_LARGE_PNG"));
  folder.Write("a/b.png", QZ::test::Resource("ARP_ON_PNG"));
  std::filesystem::create_directory_symlink(folder.Path() / "a" / "sub", folder.Path() / "link");

  RCPtr<LBitmap> top = LBitmap::GetCachedBitmap(Wide(folder.File("b.png")));
  ASSERT_TRUE(top);
  EXPECT_EQ(top->GetWidth(), 6);
  RCPtr<LBitmap> throughLink = LBitmap::GetCachedBitmap(Wide(folder.File("link/../b.png")));
  ASSERT_TRUE(throughLink);
  EXPECT_NE(throughLink.Get(), top.Get());
  EXPECT_EQ(throughLink->GetWidth(), 40) << "the picture of a/b.png";
  EXPECT_TRUE(throughLink->GetSource().EqualsString(Wide(folder.File("link/../b.png"))));

  // Every spelling of a/b.png shares that one entry, in either order of request.
  const RCPtr<LBitmap> direct = LBitmap::GetCachedBitmap(Wide(folder.File("a/b.png")));
  EXPECT_EQ(direct.Get(), throughLink.Get());
  EXPECT_EQ(LBitmap::GetCachedBitmap(Wide(folder.File("link/./../sub/../b.png"))).Get(), throughLink.Get());
  EXPECT_TRUE(direct->GetCacheKey().EqualsString(
      Wide(std::filesystem::canonical(folder.Path() / "a" / "b.png").string())));
}

TEST(BitmapView, WholeBitmapRuleAndViewsOfViews) {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);

  // A size below 1 views the whole bitmap, whatever the offset.
  RCPtr<LBitmap> whole = sheet->CreateSubBitmap(5, 6, 0, 10);
  ASSERT_TRUE(whole);
  ExpectRect(*whole, 0, 0, 40, 30);
  EXPECT_EQ(whole->GetParent().Get(), sheet.Get());

  RCPtr<LBitmap> view = sheet->CreateSubBitmap(10, 20, 20, 10);
  ASSERT_TRUE(view);
  ExpectRect(*view, 10, 20, 20, 10);
  RCPtr<LBitmap> inner = view->CreateSubBitmap(2, 3, 5, 5);
  ASSERT_TRUE(inner);
  ExpectRect(*inner, 12, 23, 5, 5);
  EXPECT_EQ(inner->GetParent().Get(), sheet.Get()) << "views point at the image holder";
  EXPECT_EQ(inner->GetGdiplusBitmap(), sheet->GetGdiplusBitmap()) << "shared, not copied";
  EXPECT_FALSE(inner->GetGdiplusBitmap() == nullptr);
  EXPECT_TRUE(inner->IsUsable());
  EXPECT_TRUE(inner->GetSource().IsEmpty());

  // The whole-bitmap rule on a view keeps the view's rectangle.
  RCPtr<LBitmap> same = view->CreateSubBitmap(7, 7, -1, 3);
  ASSERT_TRUE(same);
  ExpectRect(*same, 10, 20, 20, 10);
  EXPECT_EQ(same->GetParent().Get(), sheet.Get());

  // Pixels are read relative to the view's own rectangle.
  EXPECT_EQ(inner->GetPixel(0, 0).ToARGB(), SheetPixel(12, 23));
  EXPECT_EQ(inner->GetPixel(4, 4).ToARGB(), SheetPixel(16, 27));
}

// Skin rectangles are taken as given: a rectangle that leaves the image still
// makes a view, and each access to its pixels fails on its own.
TEST(BitmapView, RectanglesLeavingTheImageMakeViewsWhoseAccessIsChecked) {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);
  const RCPtr<LColorizer> white = MakeRCPtr<LColorizer>(u"white", LColorizer::kSolidFill, Color{1, 1, 1, 1});
  const struct {
    std::int32_t x, y, width, height;
  } outside[] = {
      {35, 0, 10, 10}, {-1, 0, 5, 5},        {0, -1, 5, 5},        {0, 25, 5, 10},       {0, 0, 41, 30},
      {40, 30, 1, 1},  {INT32_MAX, 0, 5, 5}, {INT32_MIN, 0, 5, 5}, {1, 1, INT32_MAX, 1},
  };
  for (const auto& r : outside) {
    SCOPED_TRACE(::testing::Message() << r.x << "," << r.y << " " << r.width << "x" << r.height);
    RCPtr<LBitmap> view = sheet->CreateSubBitmap(r.x, r.y, r.width, r.height);
    ASSERT_TRUE(view);
    ExpectRect(*view, r.x, r.y, r.width, r.height);
    EXPECT_EQ(view->GetParent().Get(), sheet.Get());
    EXPECT_TRUE(view->IsUsable());

    // A copy of a rectangle not wholly inside the image has no image.
    RCPtr<LBitmap> copy = view->Clone();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetGdiplusBitmap(), nullptr);
    ExpectRect(*copy, 0, 0, r.width, r.height);
    // Locking the view's own rectangle fails with a zero record.
    LBitmapData direct(view, Platform::kImageLockRead);
    EXPECT_EQ(direct.GetLockData().scan0, nullptr);
    EXPECT_EQ(direct.GetWidth(), 0);
    EXPECT_EQ(direct.GetPixelAddressConst(0, 0), nullptr);
    // Tinting the view, or a part cut from it, raises the lock failure.
    EXPECT_EQ(
        QZ::test::ThrownText<Exception<std::runtime_error>>([&] { LBitmap::ApplyColorizer(view, white, 1); }),
        "Runtime Error : QZ::LBitmap::ApplyColorizer : Utilities\\Graphics\\Bitmap : Line 398");
    EXPECT_EQ(QZ::test::ThrownText<Exception<std::runtime_error>>([&] {
                (void)LBitmap::PreparePartBitmap(white, 1, {1, 1}, view, RCPtr<LBitmap>());
              }),
              "Runtime Error : QZ::LBitmap::ApplyColorizer : Utilities\\Graphics\\Bitmap : Line 398");
  }
  EXPECT_EQ(Pixels(*sheet)[0], SheetPixel(0, 0)) << "nothing was tinted";

  // Pixels are read through the view's offset wherever they fall in the image,
  // and are zero where they do not.
  RCPtr<LBitmap> edge = sheet->CreateSubBitmap(35, 25, 10, 10);
  ASSERT_TRUE(edge);
  EXPECT_EQ(edge->GetPixel(4, 4).ToARGB(), SheetPixel(39, 29));
  EXPECT_EQ(edge->GetPixel(5, 4), Color{});
  EXPECT_EQ(edge->GetPixel(4, 5), Color{});
  EXPECT_EQ(edge->GetPixel(-35, -25).ToARGB(), SheetPixel(0, 0));
  EXPECT_EQ(edge->GetPixel(INT32_MAX, INT32_MAX), Color{});
  // A lock goes to the image holder and covers its whole rectangle.
  RCPtr<LBitmapData> lock = edge->Lock();
  ASSERT_TRUE(lock);
  EXPECT_EQ(lock->GetWidth(), 40);
  EXPECT_EQ(lock->GetHeight(), 30);
  lock = RCPtr<LBitmapData>();

  // Views of such views add their offsets, held to the 32-bit range.
  RCPtr<LBitmap> corner = sheet->CreateSubBitmap(30, 20, 10, 10);
  ASSERT_TRUE(corner);
  RCPtr<LBitmap> past = corner->CreateSubBitmap(5, 5, 10, 10);
  ASSERT_TRUE(past);
  ExpectRect(*past, 35, 25, 10, 10);
  RCPtr<LBitmap> far = corner->CreateSubBitmap(INT32_MAX, INT32_MIN, 1, 1);
  ASSERT_TRUE(far);
  ExpectRect(*far, INT32_MAX, INT32_MIN + 20, 1, 1);
  EXPECT_EQ(far->GetPixel(0, 0), Color{});
  EXPECT_EQ(far->Clone()->GetGdiplusBitmap(), nullptr);
  RCPtr<LBitmap> back = corner->CreateSubBitmap(-30, -20, 2, 2);
  ASSERT_TRUE(back);
  ExpectRect(*back, 0, 0, 2, 2);
  EXPECT_EQ(Pixels(*back->Clone()),
            (std::vector<std::uint32_t>{SheetPixel(0, 0), SheetPixel(1, 0), SheetPixel(0, 1), SheetPixel(1, 1)}));

  // No image, no view.
  RCPtr<LBitmap> empty = MakeRCPtr<LBitmap>();
  EXPECT_FALSE(empty->IsUsable());
  EXPECT_TRUE(empty->CreateSubBitmap(0, 0, 1, 1).IsNull());
  EXPECT_TRUE(empty->CreateSubBitmap(0, 0, 0, 0).IsNull());
}

TEST(BitmapPixel, ReadsStraightChannelsAndZeroOutsideTheImage) {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->GetPixel(0, 0), (Color{1, 1, 1, 1})) << "opaque white is exact";
  EXPECT_EQ(sheet->GetPixel(1, 0), (Color{200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 128 / 255.0f}));
  EXPECT_EQ(sheet->GetPixel(2, 0), (Color{10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 0}));

  RCPtr<LBitmap> view = sheet->CreateSubBitmap(10, 20, 5, 5);
  ASSERT_TRUE(view);
  const struct {
    const LBitmap* bitmap;
    std::int32_t x, y;
  } outside[] = {
      {sheet.Get(), -1, 0},
      {sheet.Get(), 0, -1},
      {sheet.Get(), 40, 0},
      {sheet.Get(), 0, 30},
      {sheet.Get(), INT32_MIN, INT32_MAX},
      {view.Get(), 30, 0},
      {view.Get(), 0, 10},
      {view.Get(), -11, -1},
  };
  for (const auto& p : outside)
    EXPECT_EQ(p.bitmap->GetPixel(p.x, p.y), Color{}) << p.x << "," << p.y;
  // Outside a view's rectangle but inside the image is read like any other point.
  EXPECT_EQ(view->GetPixel(5, 0).ToARGB(), SheetPixel(15, 20));
  EXPECT_EQ(view->GetPixel(-1, -1).ToARGB(), SheetPixel(9, 19));

  // A failed read gives zero too: here the image is locked.
  RCPtr<LBitmapData> lock = sheet->Lock();
  EXPECT_EQ(sheet->GetPixel(0, 0), Color{});
}

TEST(BitmapLock, LocksTheImageHoldersWholeRectangle) {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);
  RCPtr<LBitmap> view = sheet->CreateSubBitmap(10, 20, 5, 5);
  ASSERT_TRUE(view);
  RCPtr<LBitmapData> data = view->Lock();
  ASSERT_TRUE(data);
  IPixelBuffer<std::uint32_t>& pixels = *data;
  EXPECT_EQ(pixels.GetWidth(), 40);
  EXPECT_EQ(pixels.GetHeight(), 30);
  EXPECT_EQ(pixels.GetStride(), 160);
  EXPECT_EQ(data->GetLockData().pixelFormat, 0x26200A);
  const auto* first = reinterpret_cast<const std::uint8_t*>(pixels.GetPixelAddressConst(0, 0));
  ASSERT_NE(first, nullptr);
  for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {39, 0}, {7, 13}, {39, 29}}) {
    const std::uint32_t* address = pixels.GetPixelAddressConst(x, y);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(address), first + y * 160 + 4 * x);
    EXPECT_EQ(pixels.GetPixelAddress(x, y), address);
    EXPECT_EQ(*address, SheetPixel(x, y)); // little-endian host
  }
  for (const auto& [x, y] : {std::pair{40, 0}, {0, 30}, {-1, 0}, {0, -1}, {INT32_MAX, INT32_MAX}})
    EXPECT_EQ(pixels.GetPixelAddressConst(x, y), nullptr) << x << "," << y;
}

TEST(BitmapLock, ASecondLockFailsCleanlyAndTheFirstStaysValid) {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);
  RCPtr<LBitmapData> first = sheet->Lock();
  {
    RCPtr<LBitmapData> second = sheet->Lock();
    EXPECT_EQ(second->GetWidth(), 0);
    EXPECT_EQ(second->GetStride(), 0);
    EXPECT_EQ(second->GetPixelAddressConst(0, 0), nullptr);
    EXPECT_EQ(sheet->GetGdiplusBitmap()->GetLastStatus(), Platform::ImageStatus::WrongState);
  }
  ASSERT_NE(first->GetPixelAddressConst(0, 0), nullptr);
  EXPECT_EQ(*first->GetPixelAddressConst(0, 0), SheetPixel(0, 0));
  first = nullptr;
  RCPtr<LBitmapData> third = sheet->Lock();
  EXPECT_EQ(third->GetWidth(), 40) << "unlocked when the first lock went";
}

TEST(BitmapLock, BitmapsWithoutPixelsAndExternalBuffers) {
  RCPtr<LBitmap> empty(new LBitmap);
  RCPtr<LBitmapData> data = empty->Lock();
  ASSERT_TRUE(data);
  EXPECT_EQ(data->GetWidth(), 0);
  EXPECT_EQ(data->GetHeight(), 0);
  EXPECT_EQ(data->GetPixelAddress(0, 0), nullptr);

  RCPtr<LBitmapData> none(new LBitmapData(RCPtr<LBitmap>(), Platform::kImageLockRead));
  EXPECT_EQ(none->GetPixelAddressConst(0, 0), nullptr);

  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  RCPtr<LPixelBuffer<std::uint32_t>> external(new LPixelBuffer<std::uint32_t>(2, 2, 8));
  EXPECT_EQ(QZ::test::ThrownText<Exception<std::domain_error>>(
                [&] { RCPtr<LBitmapData> d(new LBitmapData(sheet, Platform::kImageLockRead, external)); }),
            "Domain Error : QZ::LBitmapData::LBitmapData : Utilities\\Graphics\\Bitmap : Line 489");
  EXPECT_EQ(sheet->Lock()->GetWidth(), 40) << "the refused lock took nothing";
}

TEST(BitmapClone, CopiesTheRectangleIntoAnImageOfItsOwn) {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);
  RCPtr<LBitmap> view = sheet->CreateSubBitmap(10, 20, 20, 10);
  ASSERT_TRUE(view);
  RCPtr<LBitmap> copy = view->Clone();
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->IsUsable());
  ExpectRect(*copy, 0, 0, 20, 10);
  EXPECT_TRUE(copy->GetParent().IsNull());
  EXPECT_NE(copy->GetGdiplusBitmap(), sheet->GetGdiplusBitmap());
  EXPECT_EQ(Pixels(*copy), Pixels(*view));

  ASSERT_EQ(copy->GetGdiplusBitmap()->SetPixel(0, 0, 0), Platform::ImageStatus::Ok);
  EXPECT_EQ(Pixels(*view)[0], SheetPixel(10, 20)) << "the cached sheet is untouched";

  // Nothing to copy: a bitmap without an image, of the same size.
  RCPtr<LBitmap> empty(new LBitmap);
  RCPtr<LBitmap> nothing = empty->Clone();
  ASSERT_TRUE(nothing);
  EXPECT_FALSE(nothing->IsUsable());
  EXPECT_EQ(nothing->GetGdiplusBitmap(), nullptr);
}

TEST(BitmapHandle, EveryViewOfOneImageSharesTheImagesHandle) {
  static_assert(sizeof(LBitmap::GetHandle(RCPtr<LBitmap>())) == sizeof(void*), "a handle is pointer-wide");
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);
  RCPtr<LBitmap> view = sheet->CreateSubBitmap(10, 20, 20, 10);
  ASSERT_TRUE(view);
  RCPtr<LBitmap> viewOfView = view->CreateSubBitmap(1, 1, 5, 5);
  ASSERT_TRUE(viewOfView);
  const std::uintptr_t handle = sheet->GetHandle();
  EXPECT_EQ(handle, reinterpret_cast<std::uintptr_t>(sheet->GetGdiplusBitmap()));
  EXPECT_EQ(LBitmap::GetHandle(view), handle);
  EXPECT_EQ(LBitmap::GetHandle(ConstRCPtr<LBitmap>(viewOfView)), handle);

  RCPtr<LBitmap> copy = view->Clone();
  ASSERT_TRUE(copy);
  EXPECT_NE(copy->GetHandle(), handle) << "a copy has an image of its own";
  EXPECT_EQ(LBitmap::GetHandle(RCPtr<LBitmap>()), 0u);
  EXPECT_EQ(RCPtr<LBitmap>(new LBitmap)->GetHandle(), 0u);
}

} // namespace
} // namespace QZ
