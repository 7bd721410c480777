#include "Platform/Graphics2D/PdfDocument.h"

#include "Support/PinnedFonts.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <regex>
#include <string>

namespace QZ::Platform {
namespace {

const bool kFontsPinned = test::PinFonts();

constexpr double kA4Width = 595.0;
constexpr double kA4Height = 842.0;

std::ptrdiff_t CountPages(const std::string& pdf) {
  const std::regex page("/Type\\s*/Page[^s]");
  return std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator());
}

void DrawSomething(PdfDocument& document, const char16_t* text) {
  const std::unique_ptr<Canvas> canvas = document.CreatePageCanvas();
  ASSERT_TRUE(canvas);
  const std::unique_ptr<Font> font =
      Font::Create(FontFamily::GenericSansSerif(), 12.0f, kFontRegular, FontUnit::Pixel);
  ASSERT_TRUE(font);
  canvas->FillRect({40, 40, 200, 2}, 0xFF204080);
  canvas->DrawString(text, *font, {40.0f, 60.0f}, 0xFF000000);
}

TEST(PdfDocumentTest, WritesEveryPageAndTheTitle) {
  ASSERT_TRUE(kFontsPinned);
  test::TempFolder folder;
  const std::string path = folder.File("guide.pdf");
  ImageStatus status = ImageStatus::GenericError;
  std::unique_ptr<PdfDocument> document = PdfDocument::Create(path.c_str(), kA4Width, kA4Height, &status);
  ASSERT_TRUE(document);
  EXPECT_EQ(status, ImageStatus::Ok);
  document->SetTitle("Plain Guide");
  EXPECT_EQ(document->GetPageNumber(), 1);
  DrawSomething(*document, u"First page");
  EXPECT_EQ(document->NextPage(), ImageStatus::Ok);
  DrawSomething(*document, u"Second page, \u00e9t\u00e9");
  EXPECT_EQ(document->GetPageNumber(), 2);
  EXPECT_EQ(document->Finish(), ImageStatus::Ok);
  EXPECT_EQ(document->Finish(), ImageStatus::WrongState) << "finished once";
  EXPECT_FALSE(document->CreatePageCanvas()) << "no page after the end";

  const std::string pdf = test::ReadAll(path);
  ASSERT_GT(pdf.size(), 1000u);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
  EXPECT_EQ(CountPages(pdf), 2);
  EXPECT_NE(pdf.find("Plain Guide"), std::string::npos);
}

TEST(PdfDocumentTest, PagesWaitForTheirCanvas) {
  test::TempFolder folder;
  std::unique_ptr<PdfDocument> document = PdfDocument::Create(folder.File("a.pdf").c_str(), 100.0, 100.0);
  ASSERT_TRUE(document);
  std::unique_ptr<Canvas> canvas = document->CreatePageCanvas();
  ASSERT_TRUE(canvas);
  EXPECT_FALSE(document->CreatePageCanvas()) << "one canvas at a time";
  EXPECT_EQ(document->NextPage(), ImageStatus::WrongState);
  EXPECT_EQ(document->Finish(), ImageStatus::WrongState);
  canvas.reset();
  EXPECT_EQ(document->NextPage(), ImageStatus::Ok);
  EXPECT_EQ(document->Finish(), ImageStatus::Ok);
}

TEST(PdfDocumentTest, RefusesBadSizesAndPaths) {
  test::TempFolder folder;
  const std::string path = folder.File("b.pdf");
  const struct {
    const char* path;
    double width;
    double height;
    ImageStatus status;
  } cases[] = {
      {path.c_str(), 0.5, 100.0, ImageStatus::InvalidParameter},
      {path.c_str(), 100.0, -1.0, ImageStatus::InvalidParameter},
      {path.c_str(), 1e9, 100.0, ImageStatus::InvalidParameter},
      {"", 100.0, 100.0, ImageStatus::InvalidParameter},
      {nullptr, 100.0, 100.0, ImageStatus::InvalidParameter},
      {"/no/such/folder/c.pdf", 100.0, 100.0, ImageStatus::GenericError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.path ? c.path : "(null)") << " " << c.width << "x" << c.height);
    ImageStatus status = ImageStatus::Ok;
    EXPECT_FALSE(PdfDocument::Create(c.path, c.width, c.height, &status));
    EXPECT_EQ(status, c.status);
  }
}

} // namespace
} // namespace QZ::Platform
