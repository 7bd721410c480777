#include "Platform/Graphics2D/PdfDocument.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <string>

namespace QZ::Platform {

namespace {

// Beyond what PDF viewers accept for a page (200 inches).
constexpr double kMaxPagePoints = 14400.0;

cairo_surface_t* Cairo(const std::shared_ptr<void>& surface) {
  return static_cast<cairo_surface_t*>(surface.get());
}

void Report(ImageStatus* status, ImageStatus value) {
  if (status)
    *status = value;
}

} // namespace

PdfDocument::PdfDocument(void* surface, double width, double height)
    : mSurface(surface, [](void* s) { cairo_surface_destroy(static_cast<cairo_surface_t*>(s)); }), mWidth(width),
      mHeight(height) {}

std::unique_ptr<PdfDocument> PdfDocument::Create(const char* path, double widthPoints, double heightPoints,
                                                 ImageStatus* status) {
  if (!path || !*path || !std::isfinite(widthPoints) || !std::isfinite(heightPoints) || widthPoints < 1.0 ||
      heightPoints < 1.0 || widthPoints > kMaxPagePoints || heightPoints > kMaxPagePoints) {
    Report(status, ImageStatus::InvalidParameter);
    return nullptr;
  }
  cairo_surface_t* surface = cairo_pdf_surface_create(path, widthPoints, heightPoints);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    const bool noMemory = cairo_surface_status(surface) == CAIRO_STATUS_NO_MEMORY;
    cairo_surface_destroy(surface);
    Report(status, noMemory ? ImageStatus::OutOfMemory : ImageStatus::GenericError);
    return nullptr;
  }
  Report(status, ImageStatus::Ok);
  return std::unique_ptr<PdfDocument>(new PdfDocument(surface, widthPoints, heightPoints));
}

PdfDocument::~PdfDocument() {
  if (!mFinished)
    static_cast<void>(Finish());
}

void PdfDocument::SetTitle(std::string_view title) {
  if (!mFinished)
    cairo_pdf_surface_set_metadata(Cairo(mSurface), CAIRO_PDF_METADATA_TITLE, std::string(title).c_str());
}

void PdfDocument::SetAuthor(std::string_view author) {
  if (!mFinished)
    cairo_pdf_surface_set_metadata(Cairo(mSurface), CAIRO_PDF_METADATA_AUTHOR, std::string(author).c_str());
}

bool PdfDocument::CanvasAlive() const {
  // A canvas holds its own reference to the surface; only ours means none.
  return cairo_surface_get_reference_count(Cairo(mSurface)) > 1;
}

std::unique_ptr<Canvas> PdfDocument::CreatePageCanvas() {
  if (mFinished || CanvasAlive())
    return nullptr;
  cairo_surface_t* surface = Cairo(mSurface);
  cairo_surface_reference(surface);
  const auto width = static_cast<std::int32_t>(std::ceil(mWidth));
  const auto height = static_cast<std::int32_t>(std::ceil(mHeight));
  return std::unique_ptr<Canvas>(new Canvas(surface, nullptr, width, height));
}

ImageStatus PdfDocument::NextPage() {
  if (mFinished || CanvasAlive())
    return ImageStatus::WrongState;
  cairo_surface_show_page(Cairo(mSurface));
  ++mPage;
  return cairo_surface_status(Cairo(mSurface)) == CAIRO_STATUS_SUCCESS ? ImageStatus::Ok
                                                                       : ImageStatus::GenericError;
}

ImageStatus PdfDocument::Finish() {
  if (mFinished || CanvasAlive())
    return ImageStatus::WrongState;
  mFinished = true;
  cairo_surface_finish(Cairo(mSurface));
  return cairo_surface_status(Cairo(mSurface)) == CAIRO_STATUS_SUCCESS ? ImageStatus::Ok
                                                                       : ImageStatus::GenericError;
}

} // namespace QZ::Platform
