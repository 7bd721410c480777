#include "Panel/Main/StartupErrors.h"

namespace QZ {

int ExitCodeFor(StartupOutcome outcome) {
  switch (outcome) {
  case StartupOutcome::kRan:
    return kExitCodeNormal;
  case StartupOutcome::kHandedOver:
    return kExitCodeHandedOver;
  case StartupOutcome::kFailed:
    break;
  }
  return kExitCodeStartupFailed;
}

SStartupErrorTexts GetStartupErrorTexts(const LStringTable* frameworkStrings) {
  SStartupErrorTexts texts{kDefaultStartupErrorText, kDefaultStartupErrorCaption};
  if (frameworkStrings) {
    WideString text;
    if (frameworkStrings->GetString(kStartupErrorKey, text))
      texts.mText = text;
    WideString caption;
    if (frameworkStrings->GetString(kStartupErrorCaptionKey, caption))
      texts.mCaption = caption;
  }
  return texts;
}

} // namespace QZ
