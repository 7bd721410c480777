#include "QZFramework/Renderer/OpenGL/GLPixelFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace QZ {
namespace {

std::u16string Text(const WideString& s) { return std::u16string(s.GetChars(), s.GetLength()); }

TEST(GLPixelFormat, RequestsAWindowFormatWithACopyingSwapAndDoubleBufferingWhileWanted) {
  EXPECT_EQ(RequestedPixelFormatFlags(true), 0x425u);
  EXPECT_EQ(RequestedPixelFormatFlags(false), 0x424u);
}

TEST(GLPixelFormat, APlainFormatCopiesOnSwapOnlyWithoutCompositionAndElseTakesTheArbRoad) {
  struct Case {
    std::uint32_t flags;
    bool doubleBuffered;
    bool swapCopies;
  };
  const Case cases[] = {
      {0x425, true, true},   // double-buffered, copying swap: no ARB call
      {0x8425, true, false}, // composition support: the swap does not count as copying
      {0x25, true, false},   // exchanging swap
      {0x424, false, true},  // single-buffered
      {0x24, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    const SGLPresentMode mode = PlainPresentMode(c.flags);
    EXPECT_EQ(mode.mDoubleBuffered, c.doubleBuffered);
    EXPECT_EQ(mode.mSwapCopies, c.swapCopies);
    EXPECT_EQ(NeedsArbPixelFormat(mode), !(c.doubleBuffered && c.swapCopies));
  }
}

TEST(GLPixelFormat, ThePlatformsReportBecomesFormatFlags) {
  Platform::GLContextObtained obtained;
  EXPECT_EQ(GLPixelFormatFlagsOf(obtained), 0x24u) << "an off-screen surface: single-buffered";
  obtained.doubleBuffered = true;
  EXPECT_EQ(GLPixelFormatFlagsOf(obtained), 0x25u) << "an SDL window: the swap does not keep the frame";
  obtained.swapPreserves = true;
  EXPECT_EQ(GLPixelFormatFlagsOf(obtained), 0x425u);
}

TEST(GLPixelFormat, TheArbRoadAsksForAWindowRgbaDoubleBufferedCopyingFormatAndTakesTheFirst) {
  EXPECT_EQ(std::vector<std::int32_t>(kGLArbPixelFormatAttributes.begin(), kGLArbPixelFormatAttributes.end()),
            (std::vector<std::int32_t>{0x2001, 1, 0x2013, 0x202B, 0x2011, 1, 0x2007, 0x2029, 0, 0}));
  const std::int32_t formats[kGLArbMaxFormats] = {7, 3, 14};
  EXPECT_EQ(FirstArbPixelFormat(formats, 3), 7);
  EXPECT_EQ(FirstArbPixelFormat(formats, 1000), 7) << "whatever the count";
  EXPECT_FALSE(FirstArbPixelFormat(formats, 0).has_value()) << "no format keeps the first context";
}

TEST(GLPixelFormat, OneGenericArbFormatIsAcceptedAndEveryOtherRefused) {
  struct Case {
    std::int32_t index;
    std::uint32_t flags;
    std::optional<std::uint32_t> accepted;
  };
  const Case cases[] = {
      {14, 0x8465, 0x8425u},                          // the one accepted generic format, generic bit cleared
      {13, 0x8465, std::nullopt},                     // same flags elsewhere
      {14, 0x8467, std::nullopt},                     // other flags at 14
      {14, 0x465, std::nullopt},  {3, 0x425, 0x425u}, // not generic
      {5, 0x25, 0x25u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.index << " " << c.flags);
    EXPECT_EQ(AcceptArbPixelFormat(c.index, c.flags), c.accepted);
  }
  const SGLPresentMode mode = ArbPresentMode(0x8425);
  EXPECT_TRUE(mode.mDoubleBuffered);
  EXPECT_TRUE(mode.mSwapCopies) << "no composition test on the ARB road";
  EXPECT_FALSE(ArbPresentMode(0x24).mDoubleBuffered);
}

class GLExtensionCheck : public testing::Test {
protected:
  struct SBox {
    std::u16string caption;
    std::u16string text;
    std::uint32_t style = 0xFFFF;
  };

  SGLExtensionCheckServices Services() {
    return {[this](const char* key) {
              const auto found = mStrings.find(key);
              return found == mStrings.end() ? WideString() : WideString(found->second.c_str());
            },
            [this](const WideString& caption, const WideString& text, std::uint32_t style) {
              mBoxes.push_back({Text(caption), Text(text), style});
            }};
  }

  std::map<std::string, std::u16string> mStrings{
      {"GL_ERROR_CAPTION", u"OpenGL Error"},
      {"GL_ERROR_MESSAGE_GET_PROC_ADDRESS",
       u"wglGetProcAddress(\"wglGetExtensionsStringARB\") failed with error %d: %s."},
      {"GL_ERROR_UPDATE_DRIVER", u" Update the driver."}};
  std::vector<SBox> mBoxes;
};

TEST_F(GLExtensionCheck, FindsOnlyWholeBlankSeparatedNames) {
  const char* list = "GL_A WGL_ARB_pixel_format_float WGL_ARB_pixel_format GL_B";
  struct Case {
    const char* name;
    bool found;
  };
  const Case cases[] = {
      {"WGL_ARB_pixel_format", true}, {"GL_A", true}, {"GL_B", true},     {"WGL_ARB_pixel", false},
      {"ARB_pixel_format", false},    {"", false},    {"GL_A WGL", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsGLExtensionSupported(list, c.name, 0, WideString(), Services()), c.found);
  }
  EXPECT_FALSE(IsGLExtensionSupported("", "GL_A", 0, WideString(), Services()));
  EXPECT_TRUE(mBoxes.empty());
}

TEST_F(GLExtensionCheck, WithoutAListShowsTheMessageWithCodeAndTextAndIsFalse) {
  EXPECT_FALSE(IsGLExtensionSupported(nullptr, "WGL_ARB_pixel_format", 127,
                                      WideString(u"The module was not found."), Services()));
  ASSERT_EQ(mBoxes.size(), 1u);
  EXPECT_EQ(mBoxes[0].caption, u"OpenGL Error");
  EXPECT_EQ(mBoxes[0].text, u"wglGetProcAddress(\"wglGetExtensionsStringARB\") failed with error 127: The module "
                            u"was not found.. Update the driver.");
  EXPECT_EQ(mBoxes[0].style, 0u) << "OK only";

  // A name that cannot be an extension is refused before the list is asked for.
  EXPECT_FALSE(IsGLExtensionSupported(nullptr, "A B", 1, WideString(), Services()));
  EXPECT_EQ(mBoxes.size(), 1u);
}

TEST(GLExtensionMessage, SubstitutesTwoValuesByPositionWhateverTheDirectives) {
  struct Case {
    const char16_t* format;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"error %d: %s.", u"error 5: gone."},
      {u"%s then %d", u"5 then gone"}, // a translation that swapped the letters
      {u"%n %x %s", u"5 gone %s"},     // a third directive stays as written
      {u"100%% sure: %d", u"100% sure: 5"},
      {u"%-8ld|%.3ls", u"5|gone"}, // flags, width, precision and length
      {u"trailing %", u"trailing %"},
      {u"%5", u"%5"},
      {u"no values", u"no values"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << Text(WideString(c.format)).size());
    EXPECT_EQ(Text(FormatExtensionMessage(WideString(c.format), 5, WideString(u"gone"))), c.expected);
  }
  EXPECT_EQ(Text(FormatExtensionMessage(WideString(u"%d"), -2147483647 - 1, WideString())), u"-2147483648");
}

TEST(GLExtensionMessage, IsCutAt180UnitsNeverInsideASurrogatePair) {
  const std::u16string longText(300, u'x');
  EXPECT_EQ(Text(FormatExtensionMessage(WideString(u"%d %s"), 1, WideString(longText.c_str()))),
            u"1 " + std::u16string(178, u'x'));
  const std::u16string exact(180, u'y');
  EXPECT_EQ(Text(FormatExtensionMessage(WideString(exact.c_str()), 0, WideString())), exact);

  // A pair whose first half would be the 180th unit goes whole.
  std::u16string pairs(179, u'z');
  pairs += u"\U0001F600\U0001F600";
  EXPECT_EQ(Text(FormatExtensionMessage(WideString(pairs.c_str()), 0, WideString())), std::u16string(179, u'z'));
}

} // namespace
} // namespace QZ
