#include "QZFramework/ControlBase/ControlFactory.h"

#include "QZFramework/ControlBase/ControlBaseTestSupport.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

namespace QZ {
namespace {

using test::Bytes;
using test::Narrow;
using test::OneSkin;
using test::SkinDocument;

// The layout of a SubControl "n" with the attributes, read below a top-level control.
RCPtr<LLayoutDescriptor> LayoutOf(const std::string& attributes) {
  LControlFactory factory(u"App");
  const std::string document = OneSkin("<SubControl Class=\"C\" Name=\"top\"><Skin Name=\"s\">"
                                       "<SubControl Class=\"X\" Name=\"n\" " +
                                       attributes + "/></Skin></SubControl>");
  EXPECT_EQ(factory.LoadSkinsFromText(Bytes(document)), S_OK);
  return factory.FindTopLevelDescriptor(u"top")->GetChildren().GetAt(0)->GetLayout();
}

TEST(SkinReaderSyntax, AttributeValuesReadByTheirSyntax) {
  struct Case {
    const char* attributes;
    std::function<void(const LLayoutDescriptor&)> check;
  };
  const Case cases[] = {
      // Booleans are true only for "True".
      {"ClipToParent=\"True\"", [](const auto& l) { EXPECT_TRUE(l.mClipToParent); }},
      {"ClipToParent=\"true\"", [](const auto& l) { EXPECT_FALSE(l.mClipToParent); }},
      {"ClipToParent=\"TRUE\"", [](const auto& l) { EXPECT_FALSE(l.mClipToParent); }},
      {"XIsDocked=\"True\" YIsDocked=\"1\"",
       [](const auto& l) {
         EXPECT_TRUE(l.mPlacement[0].mDocked);
         EXPECT_FALSE(l.mPlacement[1].mDocked);
       }},
      // Integers: "0x" and at most four hexadecimal digits, else decimal.
      {"LayoutOrder=\"0x1F\"", [](const auto& l) { EXPECT_EQ(l.mLayoutOrder, 31); }},
      {"LayoutOrder=\"0X1F\"", [](const auto& l) { EXPECT_EQ(l.mLayoutOrder, 0); }},
      {"LayoutOrder=\"0x12345\"", [](const auto& l) { EXPECT_EQ(l.mLayoutOrder, 4660); }},
      {"LayoutOrder=\"0x1G\"", [](const auto& l) { EXPECT_EQ(l.mLayoutOrder, 1); }},
      {"LayoutOrder=\"0xffff\"", [](const auto& l) { EXPECT_EQ(l.mLayoutOrder, 65535); }},
      {"LayoutOrder=\"0x\"", [](const auto& l) { EXPECT_EQ(l.mLayoutOrder, 0); }},
      {"LayoutOrder=\" \t-12abc\"", [](const auto& l) { EXPECT_EQ(l.mLayoutOrder, -12); }},
      {"LayoutOrder=\"abc\"", [](const auto& l) { EXPECT_EQ(l.mLayoutOrder, 0); }},
      {"LayoutOrder=\"99999999999\"", [](const auto& l) { EXPECT_EQ(l.mLayoutOrder, INT32_MAX); }},
      // Decimal only: no hexadecimal form.
      {"Z_Order=\"0x10\" TabStop=\"+7\"",
       [](const auto& l) {
         EXPECT_EQ(l.mZOrder, 0);
         EXPECT_EQ(l.mTabStop, 7);
       }},
      // Reals: a decimal number with an optional exponent, nothing else.
      {"XPositionRel=\"0.5\" YPositionRel=\"-1e2\"",
       [](const auto& l) {
         EXPECT_EQ(l.mPlacement[0].mRelative, 0.5f);
         EXPECT_EQ(l.mPlacement[1].mRelative, -100.0f);
       }},
      {"XSizeRel=\" .5x\" YSizeRel=\"3\"",
       [](const auto& l) {
         EXPECT_EQ(l.mSize[0].mRelative, 0.5f);
         EXPECT_EQ(l.mSize[1].mRelative, 3.0f);
       }},
      {"XPlacementAnchor=\"0x10\" YPlacementAnchor=\"inf\"",
       [](const auto& l) {
         EXPECT_EQ(l.mPlacement[0].mAnchor, 0.0f);
         EXPECT_EQ(l.mPlacement[1].mAnchor, 0.0f);
       }},
      {"XMinSizeRel=\"2e\" YMinSizeRel=\"e5\" XMaxSizeRel=\"1.5E+1\" YMaxSizeRel=\"nan\"",
       [](const auto& l) {
         EXPECT_EQ(l.mMinSize[0].mRelative, 2.0f);
         EXPECT_EQ(l.mMinSize[1].mRelative, 0.0f);
         EXPECT_EQ(l.mMaxSize[0].mRelative, 15.0f);
         EXPECT_EQ(l.mMaxSize[1].mRelative, 0.0f);
       }},
      {"XPositionRel=\"1e39\" YPositionRel=\"-1e400\" XSizeRel=\"1e-400\"",
       [](const auto& l) {
         // Beyond the float range: no usable number, as for any malformed one.
         EXPECT_EQ(l.mPlacement[0].mRelative, 0.0f);
         EXPECT_EQ(l.mPlacement[1].mRelative, 0.0f);
         EXPECT_EQ(l.mSize[0].mRelative, 0.0f);
       }},
      // Absolute values are whole numbers.
      {"XSizeAbs=\"16.9\" YPositionAbs=\"-3\"",
       [](const auto& l) {
         EXPECT_EQ(l.mSize[0].mAbsolute, 16.0);
         EXPECT_EQ(l.mSize[1].mAbsolute, 40.0);
         EXPECT_EQ(l.mPlacement[1].mAbsolute, -3.0);
       }},
      // References.
      {"XPositionToControl=\"Active Window\" YPositionToControl=\"\"",
       [](const auto& l) {
         EXPECT_EQ(l.mPlacement[0].mReference, kPositionClient);
         EXPECT_EQ(l.mPlacement[1].mReference, kPositionControl);
         EXPECT_TRUE(l.mPlacement[1].mReferenceName.IsEmpty());
       }},
      {"XSizeToControl=\"Screen\" YSizeToControl=\"knob\"",
       [](const auto& l) {
         EXPECT_EQ(l.mSize[0].mReference, kSizeParent);
         EXPECT_EQ(l.mSize[1].mReference, kSizeControl);
         EXPECT_TRUE(l.mSize[1].mReferenceName.IsEqual(u"knob"));
       }},
      {"XMinSizeToControl=\"Parent\" YMaxSizeToControl=\"Self\" YMaxSizeAbs=\"30\"",
       [](const auto& l) {
         EXPECT_TRUE(l.mMinSize[0].mRelativeToControl);
         EXPECT_TRUE(l.mMinSize[0].mControlName.IsEqual(u"Parent"));
         EXPECT_FALSE(l.mMaxSize[1].mRelativeToControl);
         EXPECT_EQ(l.mMaxSize[1].mAbsolute, 30.0);
       }},
      // Text overflow: unknown texts change nothing; Y has no "Wrap".
      {"TextOverflowXType=\"Wrap\" TextOverflowYType=\"Wrap\"",
       [](const auto& l) {
         EXPECT_EQ(l.mTextOverflowX, kTextOverflowWrap);
         EXPECT_EQ(l.mTextOverflowY, kTextOverflowClip);
       }},
      {"TextOverflowXType=\"wrap\" TextOverflowYType=\"Expand\" TextDecoration=\"Underline\"",
       [](const auto& l) {
         EXPECT_EQ(l.mTextOverflowX, kTextOverflowClip);
         EXPECT_EQ(l.mTextOverflowY, kTextOverflowExpand);
         EXPECT_TRUE(l.mTextDecoration.IsEqual(u"Underline"));
       }},
      // Below the top level TabStop and IsVisible are read.
      {"TabStop=\"5\" IsVisible=\"False\"",
       [](const auto& l) {
         EXPECT_EQ(l.mTabStop, 5);
         EXPECT_FALSE(l.mVisible);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    RCPtr<LLayoutDescriptor> layout = LayoutOf(c.attributes);
    ASSERT_TRUE(layout);
    c.check(*layout);
  }
}

TEST(SkinReaderSyntax, ColoursKeepWhatTheirTextGives) {
  LControlFactory factory(u"App");
  const std::string document =
      SkinDocument("<Colorizers>"
                   "<Colorizer Name=\"argb\" ColorType=\"SolidFill\" Color=\"80112233\"/>"
                   "<Colorizer Name=\"rgb\" ColorType=\"SolidFill\" Color=\"112233\"/>"
                   "<Colorizer Name=\"prefixed\" ColorType=\"Other\" Color=\"0x40FF0000\"/>"
                   "<Colorizer Name=\"odd\" ColorType=\"SolidFill\" Color=\"12345\"/>"
                   "</Colorizers>");
  ASSERT_EQ(factory.LoadSkinsFromText(Bytes(document)), S_OK);
  EXPECT_EQ(factory.FindColorizer(u"argb")->GetColor().ToARGB(), 0x80112233u);
  EXPECT_EQ(factory.FindColorizer(u"rgb")->GetColor().ToARGB(), 0x00112233u); // alpha stays 0
  EXPECT_EQ(factory.FindColorizer(u"prefixed")->GetColor().ToARGB(), 0x40FF0000u);
  EXPECT_EQ(factory.FindColorizer(u"prefixed")->GetColorType(), LColorizer::kSolidFill);
  EXPECT_EQ(factory.FindColorizer(u"odd")->GetColor().ToARGB(), 0u); // five digits set nothing
}

TEST(SkinReaderSyntax, FontAttributesGoToTheControlsOwnSkin) {
  LControlFactory factory(u"App");
  const std::string document = OneSkin(
      "<SubControl Class=\"C\" Name=\"relativeOnly\" FontSizeIsRelative=\"True\" FontInheritsFromParent=\"True\">"
      "<Skin Name=\"first\"/><Skin Name=\"second\"/></SubControl>"
      "<SubControl Class=\"C\" Name=\"plain\"><Skin Name=\"p\"/></SubControl>");
  ASSERT_EQ(factory.LoadSkinsFromText(Bytes(document)), S_OK);
  // A relative size needs a size; a second Skin replaces the first.
  const LSkinDescriptor& relative = *factory.FindTopLevelDescriptor(u"relativeOnly")->GetSkin();
  EXPECT_TRUE(relative.mName.IsEqual(u"second"));
  EXPECT_EQ(relative.mFontSize, 0.0f);
  EXPECT_FALSE(relative.mFontSizeIsRelative);
  EXPECT_TRUE(relative.mFontInheritsFromParent);
  // Font attributes do not carry over to the next SubControl.
  const LSkinDescriptor& plain = *factory.FindTopLevelDescriptor(u"plain")->GetSkin();
  EXPECT_FALSE(plain.mFontInheritsFromParent);
  EXPECT_EQ(plain.mFontStyle, kNoFontStyle);
  EXPECT_FALSE(plain.mLookList);
}

TEST(SkinReaderSyntax, ASkinFontOfNoUseWritesNothing) {
  LControlFactory factory(u"App");
  ASSERT_EQ(factory.LoadSkinsFromText(Bytes(SkinDocument(
                "<Skins><Skin Name=\"S\" FontName=\"\" FontSize=\"0.5\" FontStyle=\"-1\"/></Skins>"))),
            S_OK);
  WideString name(u"kept");
  float size = 7;
  std::int32_t style = 3;
  EXPECT_EQ(factory.GetSkinFont(name, size, style), S_FALSE);
  EXPECT_TRUE(name.IsEqual(u"kept"));
  EXPECT_EQ(size, 7.0f);
  EXPECT_EQ(style, 3);
}

TEST(SkinReaderSyntax, CreateParametersKeepTheirWholeText) {
  LControlFactory factory(u"App");
  const std::string document =
      OneSkin("<SubControl Class=\"C\" Name=\"n\"><CreateParamList>"
              "<CreateParam ID=\"entity\">a&amp;b&#x263A;c</CreateParam>"
              "<CreateParam ID=\"trailingBreak\">value\n</CreateParam>"
              "<CreateParam ID=\"cdata\"><![CDATA[<x>]]> y </CreateParam>"
              "<CreateParam ID=\"empty\"></CreateParam>"
              "<CreateParam Type=\"String\">no id</CreateParam>"
              "<CreateParam ID=\"twice\">one</CreateParam><CreateParam ID=\"twice\">two</CreateParam>"
              "</CreateParamList></SubControl>"
              "<CreateParam ID=\"outside\">x</CreateParam>");
  ASSERT_EQ(factory.LoadSkinsFromText(Bytes(document)), S_OK);
  const RCPtr<LStringTable>& params = factory.FindTopLevelDescriptor(u"n")->GetCreateParams();
  ASSERT_TRUE(params);
  struct Case {
    const char16_t* id;
    const char16_t* text; // null: absent
  };
  for (const Case& c : {Case{u"entity", u"a&b\u263Ac"}, Case{u"trailingBreak", u"value\n"},
                        Case{u"cdata", u"<x> y "}, Case{u"empty", nullptr}, Case{u"twice", u"two"}}) {
    SCOPED_TRACE(Narrow(WideString(c.id)));
    WideString text;
    ASSERT_EQ(params->GetString(c.id, text), c.text != nullptr);
    if (c.text) {
      EXPECT_TRUE(text.IsEqual(c.text)) << Narrow(text);
    }
  }
  // One without ID writes nothing; one after the list still writes to the
  // list's table, which stays the reader's current one.
  WideString outside;
  EXPECT_TRUE(params->GetString(u"outside", outside));
  EXPECT_EQ(params->GetCount(), 5u);
}

TEST(SkinReader, TheRootElementIsSkippedWhateverItsName) {
  LControlFactory factory(u"Start");
  ASSERT_EQ(factory.LoadSkinsFromText(Bytes(
                std::string("<Application Name=\"Root\"><Application Name=\"Inner\"/><Skins><Skin Name=\"A\"/>"
                            "<Skin Name=\"B\"/></Skins></Application>"))),
            S_OK);
  EXPECT_TRUE(factory.GetApplicationName().IsEqual(u"Inner"));
  ASSERT_EQ(factory.GetTopLevelDescriptors().GetCount(), 2u);
  EXPECT_TRUE(factory.GetTopLevelDescriptors().GetAt(1)->GetName().IsEqual(u"Inner"));
  EXPECT_EQ(factory.GetCurrentSkinIndex(), 0);

  LControlFactory unnamed(u"Start");
  ASSERT_EQ(unnamed.LoadSkinsFromText(Bytes(std::string("<r><Application/></r>"))), S_OK);
  EXPECT_TRUE(unnamed.GetApplicationName().IsEmpty());
}

TEST(SkinReader, ASubControlWithoutClassOrNameEndsTheParse) {
  LControlFactory factory(u"App");
  XMLAttributes attributes;
  attributes.emplace(u"Name", u"n");
  EXPECT_EQ(test::ThrownText<std::runtime_error>([&] { factory.XMLStartElement(u"SubControl", attributes); }),
            "Runtime Error : Bad Subcontrol Element : QZ::LControlFactory::XMLStartElement : "
            "ControlBase\\ControlFactory : Line 1089");

  // Caught by the parse: E_FAIL, the last XML error untouched, what came before kept.
  ASSERT_EQ(factory.LoadSkinsFromText(Bytes(std::string("<a>\n<b></a>"))), E_FAIL);
  ASSERT_TRUE(factory.GetLastXMLError().IsEqual(u"mismatched tag"));
  for (const char* bad : {"<SubControl Name=\"x\"/>", "<SubControl Class=\"x\"/>"}) {
    SCOPED_TRACE(bad);
    const std::string document = OneSkin(std::string("<SubControl Class=\"C\" Name=\"before\"/>") + bad +
                                         "<SubControl Class=\"C\" Name=\"after\"/>");
    const std::uint32_t roots = factory.GetTopLevelDescriptors().GetCount();
    EXPECT_EQ(factory.LoadSkinsFromText(Bytes(document)), E_FAIL);
    EXPECT_TRUE(factory.GetLastXMLError().IsEqual(u"mismatched tag"));
    EXPECT_EQ(factory.GetLastXMLErrorLine(), 2);
    ASSERT_EQ(factory.GetTopLevelDescriptors().GetCount(), roots + 1);
    const LControlDescriptor& root = *factory.GetTopLevelDescriptors().GetAt(roots);
    ASSERT_EQ(root.GetChildren().GetCount(), 1u);
    EXPECT_TRUE(root.GetChildren().GetAt(0)->GetName().IsEqual(u"before"));
  }
}

TEST(SkinReader, ElementsWithoutTheStateTheyNeedAreIgnored) {
  struct Case {
    const char* what;
    std::string body;
    QZRESULT result;
    std::function<void(const LControlFactory&)> check;
  };
  const std::string part = "<Colorizers><Colorizer Name=\"c\" ColorType=\"SolidFill\" Color=\"FF000000\"/>"
                           "</Colorizers><Parts><Part Name=\"p\" ColorizerName=\"c\" Width=\"1\" Height=\"1\" "
                           "ResizeType=\"Stretch\"/></Parts>";
  const Case cases[] = {
      {"a Skin without Name, then its SubControl",
       "<Skins><Skin><SubControl Class=\"C\" Name=\"n\"/></Skin></Skins>", S_OK,
       [](const auto& f) { EXPECT_EQ(f.GetTopLevelDescriptors().GetCount(), 0u); }},
      {"a SubControl before any Skin", "<SubControl Class=\"C\" Name=\"n\"><Skin Name=\"s\"/></SubControl>", S_OK,
       [](const auto& f) { EXPECT_EQ(f.GetTopLevelDescriptors().GetCount(), 1u); }},
      {"a SubControl after LookLists inside a SubControl",
       "<Skins><Skin Name=\"S\"><SubControl Class=\"C\" Name=\"n\"><LookLists/></SubControl>"
       "<SubControl Class=\"C\" Name=\"m\"/></Skin></Skins>",
       S_OK,
       [](const auto& f) {
         const LControlDescriptor& root = *f.GetTopLevelDescriptors().GetAt(0);
         ASSERT_EQ(root.GetChildren().GetCount(), 1u);
         EXPECT_TRUE(root.GetChildren().GetAt(0)->GetName().IsEqual(u"n"));
       }},
      {"a FontXLat outside every Skin",
       "<Skins><FontLocale LCID=\"0\"/><FontXLat Name=\"A\" XLat=\"B\"/><Skin Name=\"S\" FontName=\"A\"/></Skins>",
       S_OK,
       [](const auto& f) {
         EXPECT_TRUE(f.GetTopLevelDescriptors().GetAt(0)->GetSkin()->mFontName.IsEqual(u"A"));
       }},
      {"a LookList in a SubControl without a skin",
       "<Skins><Skin Name=\"S\"><SubControl Class=\"C\" Name=\"n\"><LookList Name=\"L\" NumLooks=\"2\"/>"
       "</SubControl></Skin></Skins>",
       S_OK, [](const auto& f) { EXPECT_FALSE(f.FindLookList(u"L")); }},
      {"a LookList in a top-level Skin takes it",
       "<Skins><Skin Name=\"S\"><LookList Name=\"L\" NumLooks=\"2\"/></Skin></Skins>", S_OK,
       [](const auto& f) {
         EXPECT_EQ(f.GetTopLevelDescriptors().GetAt(0)->GetSkin()->mLookList.Get(), f.FindLookList(u"L").Get());
       }},
      {"parts of a look before any Look",
       part +
           "<Looks><ClientPart Name=\"p\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" OffsetBottom=\"0\"/>"
           "<NonClientPart Name=\"p\"/><TextProperties TextLeftRel=\"0\" TextLeftAbs=\"0\" TextRightRel=\"0\" "
           "TextRightAbs=\"0\" TextHAlign=\"0\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"0\" "
           "TextBottomAbs=\"0\" TextVAlign=\"0\" TextForegroundPart=\"p\"/><Look Name=\"l\"/></Looks>",
       S_OK,
       [](const auto& f) {
         const LLookDescriptor& look = *f.FindLook(u"l");
         EXPECT_FALSE(look.GetClientPart());
         EXPECT_EQ(look.GetNonClientParts().GetCount(), 0u);
         EXPECT_FALSE(look.HasTextProperties());
       }},
      {"a look-list entry outside every LookList",
       part + "<Looks><Look Name=\"l\"/></Looks><Look Name=\"l\" Index=\"0\"/>", S_OK,
       [](const auto& f) { EXPECT_TRUE(f.FindLook(u"l")); }},
      {"incomplete text properties",
       part + "<Looks><Look Name=\"l\"><TextProperties TextLeftRel=\"0\" TextForegroundPart=\"p\"/>"
              "</Look></Looks>",
       S_OK, [](const auto& f) { EXPECT_FALSE(f.FindLook(u"l")->HasTextProperties()); }},
      {"a LookList without NumLooks, and an empty one",
       "<LookLists><LookList Name=\"A\"/><LookList Name=\"B\" NumLooks=\"0\"><Look Name=\"x\" Index=\"0\"/>"
       "</LookList></LookLists>",
       S_OK,
       [](const auto& f) {
         EXPECT_FALSE(f.FindLookList(u"A"));
         EXPECT_EQ(f.FindLookList(u"B")->GetCount(), 0u);
       }},
      {"SubControls nested too deep",
       "<Skins><Skin Name=\"S\">" +
           [] {
             std::string deep;
             for (int i = 0; i < 300; ++i)
               deep += "<SubControl Class=\"C\" Name=\"n\"><Skin Name=\"s\">";
             for (int i = 0; i < 300; ++i)
               deep += "</Skin></SubControl>";
             return deep;
           }() +
           "</Skin></Skins>",
       E_FAIL, [](const auto& f) { EXPECT_EQ(f.GetTopLevelDescriptors().GetCount(), 1u); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LControlFactory factory(u"App");
    EXPECT_EQ(factory.LoadSkinsFromText(Bytes(SkinDocument(c.body))), c.result);
    c.check(factory);
  }
}

TEST(SkinReader, ParseReadsZeroTerminatedTextForLengthZero) {
  LControlFactory factory(u"App");
  const std::string document = OneSkin("<SubControl Class=\"C\" Name=\"n\"/>");
  EXPECT_EQ(factory.Parse(document.c_str(), 0), S_OK);
  EXPECT_EQ(factory.GetTopLevelDescriptors().GetCount(), 1u);
  // A length that cuts the document short is a parse error.
  EXPECT_EQ(factory.Parse(document.c_str(), static_cast<std::int32_t>(document.find("<Application"))), E_FAIL);
  EXPECT_TRUE(factory.GetLastXMLError().IsEqual(u"no element found"));
  EXPECT_EQ(factory.Parse(document.c_str(), -1), E_FAIL);
  EXPECT_EQ(factory.Parse(nullptr, 0), E_FAIL);
}

TEST(SkinReader, UTF16SkinsReadLikeUTF8Ones) {
  LControlFactory factory(u"App");
  const std::string document =
      test::Utf16Document("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r><Skins><Skin Name=\"S\">"
                          "<SubControl Class=\"C\" Name=\"\u00e9l\u00e8ve\"/></Skin></Skins></r>");
  ASSERT_EQ(factory.LoadSkinsFromText(Bytes(document)), S_OK);
  EXPECT_TRUE(factory.FindTopLevelDescriptor(u"\u00e9l\u00e8ve"));
}

} // namespace
} // namespace QZ
