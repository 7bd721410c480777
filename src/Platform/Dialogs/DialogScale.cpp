#include "Platform/Dialogs/DialogScale.h"

#include "Platform/Window/WindowSystem.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace QZ::Platform {
namespace {

constexpr std::int32_t kGtkDpi = 96;
constexpr const char* kScaleName = "GDK_SCALE";
constexpr const char* kDpiScaleName = "GDK_DPI_SCALE";
// Scales closer to 1 than this are left alone.
constexpr double kScaleTolerance = 0.01;
constexpr int kDpiScaleDigits = 4;

std::atomic<std::int32_t> gDialogDpi{0};

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

} // namespace

std::vector<std::string> DialogScaleEnvironment(std::int32_t screenDpi) {
  std::vector<std::string> entries;
  if (screenDpi <= kGtkDpi || IsSet(kScaleName) || IsSet(kDpiScaleName))
    return entries;
  const double factor = static_cast<double>(screenDpi) / kGtkDpi;
  const long scale = std::max(1L, std::lround(factor));
  if (scale > 1)
    entries.push_back(std::string(kScaleName) + "=" + std::to_string(scale));
  const double dpiScale = factor / static_cast<double>(scale);
  if (std::abs(dpiScale - 1.0) > kScaleTolerance) {
    // Not printf: the decimal point must not follow the locale.
    char text[32];
    const std::to_chars_result written =
        std::to_chars(text, text + sizeof text, dpiScale, std::chars_format::general, kDpiScaleDigits);
    entries.push_back(std::string(kDpiScaleName) + "=" + std::string(text, written.ptr));
  }
  return entries;
}

void SetDialogScreenDpi(std::int32_t screenDpi) { gDialogDpi = std::max(0, screenDpi); }

std::int32_t GetDialogScreenDpi() {
  const std::int32_t set = gDialogDpi.load();
  return set > 0 ? set : GetScreenDpi();
}

} // namespace QZ::Platform
