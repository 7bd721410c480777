#pragma once
// A PDF document written page by page through the 2D layer's Canvas: the
// generated user guide and any other printable text the build makes.
//
// Page units are PostScript points (1/72 inch), with the origin at the top
// left of the page. Text drawn with a font given in pixels takes that many
// points, so a 10-pixel font sets 10-point type on the page.
//
// The document is written while pages are drawn; Finish closes the file and
// reports whether everything reached it. A canvas of a page must be gone
// before the next page starts or the document finishes (NextPage and Finish
// return WrongState otherwise).
//
// One thread at a time.
#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Graphics2D/Image.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace QZ::Platform {

class PdfDocument {
public:
  // A document at the path (UTF-8) whose pages are the size in points. Null
  // (with *status set) for a size below 1 point or a file that can't be made.
  static std::unique_ptr<PdfDocument> Create(const char* path, double widthPoints, double heightPoints,
                                             ImageStatus* status = nullptr);

  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;
  ~PdfDocument();

  double GetWidth() const { return mWidth; }
  double GetHeight() const { return mHeight; }
  // The page being drawn, counted from 1.
  std::int32_t GetPageNumber() const { return mPage; }

  // The title and author that PDF viewers show (UTF-8).
  void SetTitle(std::string_view title);
  void SetAuthor(std::string_view author);

  // A canvas on the current page; null while another one is alive or after
  // Finish.
  std::unique_ptr<Canvas> CreatePageCanvas();
  // Ends the current page and starts the next one.
  ImageStatus NextPage();
  // Ends the last page and closes the file; GenericError when something
  // could not be written. Later calls return WrongState.
  ImageStatus Finish();

private:
  PdfDocument(void* surface, double width, double height);
  bool CanvasAlive() const;

  std::shared_ptr<void> mSurface; // the drawing library's PDF surface
  double mWidth;
  double mHeight;
  std::int32_t mPage = 1;
  bool mFinished = false;
};

} // namespace QZ::Platform
