#include "Panel/Main/SkinChoice.h"

namespace QZ {

std::optional<SSkinChoice> ChooseSkinForScreen(std::uint32_t topLevelSkinCount, std::int32_t pixelsPerInch) {
  if (topLevelSkinCount != kScreenSkinCount)
    return std::nullopt;
  const bool highDpi = pixelsPerInch >= kHighDpiPixelsPerInch;
  return SSkinChoice{highDpi ? kHighDpiSkinIndex : kStandardSkinIndex, highDpi};
}

} // namespace QZ
