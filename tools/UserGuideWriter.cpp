// The user guide: its text source typeset onto A4 pages through the 2D layer's PDF documents. The markup is
// line based: "# " a heading, "## " a subheading, "- " a list row, a blank line ends a paragraph; other
// lines join into the paragraph they belong to.
#include "ResourceGenerator.h"

#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Graphics2D/Font.h"
#include "Platform/Graphics2D/PdfDocument.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace QZ::Tools {

namespace {

constexpr double kPageWidth = 595.0; // A4 in points
constexpr double kPageHeight = 842.0;
constexpr float kMargin = 64.0f;
constexpr float kBodySize = 10.5f;
constexpr float kHeadingSize = 18.0f;
constexpr float kSubheadingSize = 13.0f;
constexpr float kBulletIndent = 14.0f;
constexpr std::uint32_t kInk = 0xFF1A1D21;
constexpr std::uint32_t kHeadingInk = 0xFF1F4468;

enum class BlockKind { Heading, Subheading, Paragraph, Bullet };

struct Block {
  BlockKind kind;
  std::string text;
};

std::vector<Block> Parse(std::istream& in) {
  std::vector<Block> blocks;
  bool open = false; // the last block still takes lines
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty()) {
      open = false;
    } else if (line.rfind("## ", 0) == 0) {
      blocks.push_back({BlockKind::Subheading, line.substr(3)});
      open = false;
    } else if (line.rfind("# ", 0) == 0) {
      blocks.push_back({BlockKind::Heading, line.substr(2)});
      open = false;
    } else if (line.rfind("- ", 0) == 0) {
      blocks.push_back({BlockKind::Bullet, line.substr(2)});
      open = true;
    } else if (open) {
      blocks.back().text += " " + line.substr(line.find_first_not_of(' '));
    } else {
      blocks.push_back({BlockKind::Paragraph, line});
      open = true;
    }
  }
  return blocks;
}

std::u16string Wide(const std::string& utf8) { return Utf8ToUtf16(utf8); }

class Typesetter {
public:
  explicit Typesetter(Platform::PdfDocument& document) : mDocument(document) {
    std::shared_ptr<const Platform::FontFamily> family = Platform::FontFamily::FromName(u"DejaVu Sans");
    if (!family)
      family = Platform::FontFamily::GenericSansSerif();
    mBody = Platform::Font::Create(family, kBodySize, Platform::kFontRegular, Platform::FontUnit::Pixel);
    mHeading = Platform::Font::Create(family, kHeadingSize, Platform::kFontBold, Platform::FontUnit::Pixel);
    mSubheading = Platform::Font::Create(family, kSubheadingSize, Platform::kFontBold, Platform::FontUnit::Pixel);
    mCanvas = mDocument.CreatePageCanvas();
  }

  bool Ok() const { return mBody && mHeading && mSubheading && mCanvas; }

  bool Set(const Block& block) {
    switch (block.kind) {
    case BlockKind::Heading:
      if (mY > kMargin)
        Space(14.0f);
      return Lines(block.text, *mHeading, kHeadingInk, 0.0f, u"") && (Space(6.0f), true);
    case BlockKind::Subheading:
      Space(8.0f);
      return Lines(block.text, *mSubheading, kHeadingInk, 0.0f, u"") && (Space(3.0f), true);
    case BlockKind::Paragraph:
      return Lines(block.text, *mBody, kInk, 0.0f, u"") && (Space(6.0f), true);
    case BlockKind::Bullet:
      return Lines(block.text, *mBody, kInk, kBulletIndent, u"\u2022") && (Space(3.0f), true);
    }
    return false;
  }

  bool Finish() {
    mCanvas.reset();
    return mDocument.Finish() == Platform::ImageStatus::Ok;
  }

private:
  void Space(float points) { mY += points; }

  bool NewPage() {
    mCanvas.reset();
    if (mDocument.NextPage() != Platform::ImageStatus::Ok)
      return false;
    mCanvas = mDocument.CreatePageCanvas();
    mY = kMargin;
    return mCanvas != nullptr;
  }

  // The text wrapped at word boundaries into the column, each line on the page.
  bool Lines(const std::string& text, const Platform::Font& font, std::uint32_t ink, float indent,
             std::u16string_view mark) {
    const float width = static_cast<float>(kPageWidth) - 2 * kMargin - indent;
    std::istringstream words(text);
    std::string word;
    std::u16string line;
    bool first = true;
    auto emit = [&]() {
      const float height = mCanvas->MeasureString(line, font).height;
      if (mY + height > static_cast<float>(kPageHeight) - kMargin && !NewPage())
        return false;
      if (first && !mark.empty())
        mCanvas->DrawString(mark, font, {kMargin + indent - kBulletIndent + 2.0f, mY}, ink);
      mCanvas->DrawString(line, font, {kMargin + indent, mY}, ink);
      mY += height;
      first = false;
      return true;
    };
    while (words >> word) {
      const std::u16string candidate = line.empty() ? Wide(word) : line + u" " + Wide(word);
      if (!line.empty() && mCanvas->MeasureString(candidate, font).width > width) {
        if (!emit())
          return false;
        line = Wide(word);
      } else {
        line = candidate;
      }
    }
    return line.empty() || emit();
  }

  Platform::PdfDocument& mDocument;
  std::unique_ptr<Platform::Font> mBody;
  std::unique_ptr<Platform::Font> mHeading;
  std::unique_ptr<Platform::Font> mSubheading;
  std::unique_ptr<Platform::Canvas> mCanvas;
  float mY = kMargin;
};

} // namespace

bool WriteUserGuide(const std::filesystem::path& source, const std::filesystem::path& pdf) {
  std::ifstream in(source);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", source.string().c_str());
    return false;
  }
  const std::vector<Block> blocks = Parse(in);
  // Written beside the final file first, so a failed run never leaves half a guide in its place.
  const std::filesystem::path partial = pdf.string() + ".partial";
  {
    std::unique_ptr<Platform::PdfDocument> document =
        Platform::PdfDocument::Create(partial.string().c_str(), kPageWidth, kPageHeight);
    if (!document) {
      std::fprintf(stderr, "cannot write %s\n", partial.string().c_str());
      return false;
    }
    document->SetTitle("Pellan Vorn Editor - User Guide - v1.1");
    document->SetAuthor("Tolvane");
    Typesetter setter(*document);
    if (!setter.Ok())
      return false;
    for (const Block& block : blocks) {
      if (!setter.Set(block))
        return false;
    }
    if (!setter.Finish())
      return false;
  }
  std::error_code error;
  std::filesystem::rename(partial, pdf, error);
  return !error;
}

} // namespace QZ::Tools
