#include "Panel/Main/SkinChoice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace QZ {
namespace {

TEST(SkinChoice, TwoSkinsAreChosenByThePixelsPerInch) {
  struct Case {
    std::uint32_t skins;
    std::int32_t pixelsPerInch;
    std::optional<SSkinChoice> choice;
  };
  const Case cases[] = {
      {2, 144, SSkinChoice{kHighDpiSkinIndex, true}},
      {2, 140, SSkinChoice{kHighDpiSkinIndex, true}},
      {2, 139, SSkinChoice{kStandardSkinIndex, false}},
      {2, kDefaultPixelsPerInch, SSkinChoice{kStandardSkinIndex, false}},
      {2, 0, SSkinChoice{kStandardSkinIndex, false}},
      // Any other skin set keeps the framework's choice.
      {1, 144, std::nullopt},
      {3, 144, std::nullopt},
      {0, 96, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.skins) + " skins at " + std::to_string(c.pixelsPerInch));
    EXPECT_EQ(ChooseSkinForScreen(c.skins, c.pixelsPerInch), c.choice);
  }
}

} // namespace
} // namespace QZ
