#include "Platform/Resources/Resources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace QZ::Platform {
namespace {

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

TEST(Resources, FindsEmbeddedFilesByTypeAndName) {
  std::span<const std::uint8_t> png;
  ASSERT_TRUE(FindResource("GDIPLUS", "ARP_ON_PNG", png));
  EXPECT_EQ(AsText(png).substr(0, 8), std::string_view("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(png.data()[png.size()], 0) << "text resources must also read as C strings";

  // The same name under another type is another resource.
  std::span<const std::uint8_t> xml;
  ASSERT_TRUE(FindResource("QZXML", "ARP_ON_PNG", xml));
  EXPECT_EQ(AsText(xml).substr(0, 5), "<?xml");

  std::span<const std::uint8_t> skins;
  ASSERT_TRUE(FindResource("QZXML", "APP_SKINS", skins));
  EXPECT_EQ(AsText(skins), AsText(xml));
  EXPECT_STREQ(reinterpret_cast<const char*>(skins.data()),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions/>\n");

  // Names made from file names: capitals, "." and " " as "_".
  std::span<const std::uint8_t> knob;
  EXPECT_TRUE(FindResource("GDIPLUS", "KNOB_LARGE_PNG", knob));
  EXPECT_FALSE(knob.empty());
}

TEST(Resources, BytesStayTheSameForTheLifeOfTheProcess) {
  std::span<const std::uint8_t> first;
  std::span<const std::uint8_t> second;
  ASSERT_TRUE(FindResource("GDIPLUS", "ARP_ON_PNG", first));
  ASSERT_TRUE(FindResource("GDIPLUS", "ARP_ON_PNG", second));
  EXPECT_EQ(first.data(), second.data());
  EXPECT_EQ(first.size(), second.size());
}

TEST(Resources, EmptyResourceIsFoundWithNoBytes) {
  std::span<const std::uint8_t> bytes;
  ASSERT_TRUE(FindResource("GDIPLUS", "EMPTY_PNG", bytes));
  EXPECT_EQ(bytes.size(), 0u);
  ASSERT_TRUE(FindResource("QZXML", "EMPTY", bytes));
  EXPECT_EQ(bytes.size(), 0u);
}

TEST(Resources, MissingResourceIsNotFoundAndLeavesNoBytes) {
  const struct {
    const char* type;
    const char* name;
  } cases[] = {
      {"GDIPLUS", "NO_SUCH_PNG"},  {"GDIPLUS", "arp_on_png"}, // names match exactly
      {"GDIPLUS", "ARP_ON.PNG"},   {"GDIPLUS", "ARP_ON_PN"},  {"GDIPLUS", ""},
      {"QZXML", "KNOB_LARGE_PNG"}, {"", "ARP_ON_PNG"},        {"gdiplus", "ARP_ON_PNG"},
  };
  for (const auto& c : cases) {
    std::span<const std::uint8_t> bytes;
    ASSERT_TRUE(FindResource("GDIPLUS", "ARP_ON_PNG", bytes));
    EXPECT_FALSE(FindResource(c.type, c.name, bytes)) << c.type << " " << c.name;
    EXPECT_TRUE(bytes.empty());
  }
}

} // namespace
} // namespace QZ::Platform
