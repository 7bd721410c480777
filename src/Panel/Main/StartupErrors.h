#pragma once
// How a start-up that fails ends: the start-up error box (its texts from the framework string table, with
// English fallbacks, the error icon, no owner) and the process's exit code. Every start-up failure exits
// non-zero, so a shell or a launcher sees it; a normal exit and a second instance that handed its command
// line to the first exit 0.
//
// Pure functions; any thread.

#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

inline constexpr int kExitCodeNormal = 0;
inline constexpr int kExitCodeHandedOver = 0;
inline constexpr int kExitCodeStartupFailed = 1;

enum class StartupOutcome : std::uint8_t {
  kRan,        // the main loop ran and ended
  kHandedOver, // a second instance gave its command line to the first
  kFailed,     // any failure before the main loop: the error box was shown
};

int ExitCodeFor(StartupOutcome outcome);

inline constexpr const char16_t* kStartupErrorKey = u"STARTUP_ERROR";
inline constexpr const char16_t* kStartupErrorCaptionKey = u"STARTUP_ERROR_CAPTION";
inline constexpr const char16_t* kDefaultStartupErrorText =
    u"The application encountered problems during startup and will now close.";
inline constexpr const char16_t* kDefaultStartupErrorCaption = u"Error";

struct SStartupErrorTexts {
  WideString mText;
  WideString mCaption;
};

// The English fallbacks, each replaced by the table's entry when the table has it; the table may be null.
SStartupErrorTexts GetStartupErrorTexts(const LStringTable* frameworkStrings);

} // namespace QZ
