#include "QZFramework/ControlBase/ControlFactory.h"

#include "QZFramework/ControlBase/ControlBaseTestSupport.h"
#include "Support/FileTestSupport.h"
#include "Support/TempFolder.h"
#include "QZFramework/Utilities/Storage/QZFile.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::Narrow;

// Create functions are only stored and handed back here: none is called.
RCPtr<LControl>& CreateButton(RCPtr<LControl>& out, const RCPtr<LControl>&, const RCPtr<LControlDescriptor>&) {
  return out;
}
RCPtr<LControl>& CreateOtherButton(RCPtr<LControl>& out, const RCPtr<LControl>&,
                                   const RCPtr<LControlDescriptor>&) {
  return out;
}

constexpr const char* kUnregisteredClassText =
    "Runtime Error : QZ::LControlFactory::GetControlCreateFunction : ControlBase\\ControlFactory : Line 51";

TEST(ControlFactoryRegistry, TheFirstRegistrationOfAClassStays) {
  LControlFactory factory(u"PresetEditor");
  EXPECT_EQ(factory.RegisterControlCreateFunction(u"Framework.Button", &CreateButton), S_OK);
  EXPECT_EQ(factory.RegisterControlCreateFunction(u"Framework.Button", &CreateOtherButton), S_OK);
  EXPECT_EQ(factory.RegisterControlCreateFunction(u"Framework.Nothing", nullptr), S_OK);

  ControlCreateFunction function = nullptr;
  ASSERT_EQ(factory.GetControlCreateFunction(u"Framework.Button", function), S_OK);
  EXPECT_EQ(function, &CreateButton);
  function = &CreateOtherButton;
  ASSERT_EQ(factory.GetControlCreateFunction(u"Framework.Nothing", function), S_OK);
  EXPECT_EQ(function, nullptr);
}

TEST(ControlFactoryRegistry, AnUnregisteredClassRaisesAndWritesNothing) {
  LControlFactory factory(u"PresetEditor");
  factory.RegisterControlCreateFunction(u"Framework.Button", &CreateButton);
  ControlCreateFunction function = &CreateOtherButton;
  EXPECT_EQ(test::ThrownText<std::runtime_error>(
                [&] { static_cast<void>(factory.GetControlCreateFunction(u"framework.button", function)); }),
            kUnregisteredClassText);
  EXPECT_EQ(function, &CreateOtherButton);
}

TEST(ControlFactoryRegistry, ADescriptorCachesItsClassFunctionOnlyOnceFound) {
  LControlFactory factory(u"PresetEditor");
  LControlDescriptor button(u"Framework.Button", u"sendProgram1", nullptr);
  // Unregistered: raises every time, and nothing is cached.
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    EXPECT_EQ(test::ThrownText<std::runtime_error>([&] { factory.ResolveCreateFunction(button); }),
              kUnregisteredClassText);
    EXPECT_EQ(button.GetCreateFunction(), nullptr);
  }
  factory.RegisterControlCreateFunction(u"Framework.Button", &CreateButton);
  EXPECT_EQ(factory.ResolveCreateFunction(button), &CreateButton);
  EXPECT_EQ(button.GetCreateFunction(), &CreateButton);

  // Once cached, the descriptor no longer asks the registry.
  LControlFactory other(u"PresetEditor");
  EXPECT_EQ(other.ResolveCreateFunction(button), &CreateButton);
  // A clone carries the cached function.
  EXPECT_EQ(button.Clone(u"sendProgram2")->GetCreateFunction(), &CreateButton);
}

// ---------------------------------------------------------------------------
// The fixture documents, read through the start-up's loading entry point.

class ControlFactoryFixture : public ::testing::TestWithParam<bool> {
protected:
  // "::" for the embedded resources, else the fixture folder.
  WideString Source() const { return GetParam() ? WideString(u"::") : test::FixtureFolder(); }
  // What image paths of the skin start with.
  WideString Folder() const {
    return GetParam() ? WideString(u"::") : test::FixtureFolder().Concat(WideString(kPathSeparator));
  }
  WideString Path(const char16_t* file) const { return Folder().Concat(WideString(file)); }
};

INSTANTIATE_TEST_SUITE_P(FromResourcesAndFolder, ControlFactoryFixture, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Resources" : "Folder"; });

void ExpectColor(const Color& color, std::uint32_t argb) { EXPECT_EQ(color.ToARGB(), argb); }

TEST_P(ControlFactoryFixture, LoadsTheRegistries) {
  LControlFactory factory(u"Unnamed");
  ASSERT_EQ(factory.LoadResources(Source(), 0x0409), S_OK);
  EXPECT_TRUE(factory.GetResourceFolder().EqualsString(Folder()));
  EXPECT_TRUE(factory.GetApplicationName().IsEqual(u"PresetEditor"));

  // Colourisers: the first "Black" stays; six digits keep alpha 0; a gradient
  // lacking one attribute is solid; one without Color is not made.
  ExpectColor(factory.FindColorizer(u"Black")->GetColor(), 0xFF000000);
  ExpectColor(factory.FindColorizer(u"Accent")->GetColor(), 0x003366CC);
  const LColorizer& fade = *factory.FindColorizer(u"Fade");
  EXPECT_EQ(fade.GetColorType(), LColorizer::kLinearGradient);
  ExpectColor(fade.GetEndColor(), 0x800000FF);
  EXPECT_EQ(fade.GetGradientStartY(), 0.5f);
  EXPECT_EQ(fade.GetGradientEndX(), 1.0f);
  EXPECT_EQ(fade.GetGradientEndY(), -100.0f);
  const LColorizer& halfFade = *factory.FindColorizer(u"HalfFade");
  EXPECT_EQ(halfFade.GetColorType(), LColorizer::kSolidFill);
  ExpectColor(halfFade.GetEndColor(), 0);
  EXPECT_FALSE(factory.FindColorizer(u"NoColor"));

  // Parts.
  const LVisualPartDescriptor& knob = *factory.FindPart(u"KnobFace");
  EXPECT_TRUE(knob.GetImageSource().mPath.EqualsString(Path(u"knob large.png")));
  EXPECT_EQ(knob.GetWidth(), 6);
  EXPECT_EQ(knob.GetHeight(), 4);
  EXPECT_EQ(knob.GetResizeType(), kResizeTile);
  EXPECT_FALSE(knob.GetColorizer());
  EXPECT_EQ(knob.GetAlphaModifier(), 1.0f);
  EXPECT_TRUE(knob.GetMaskSource().IsEmpty());
  const LVisualPartDescriptor& background = *factory.FindPart(u"Background");
  EXPECT_TRUE(background.GetImageSource().IsEmpty());
  EXPECT_EQ(background.GetColorizer().Get(), factory.FindColorizer(u"Black").Get());
  EXPECT_EQ(background.GetWidth(), 16);
  EXPECT_EQ(background.GetAlphaModifier(), 0.5f);
  EXPECT_FALSE(factory.FindPart(u"Ghost"));  // neither picture nor colour
  EXPECT_FALSE(factory.FindPart(u"NoSize")); // Width missing
  const LVisualPartDescriptor& half = *factory.FindPart(u"HalfImage");
  EXPECT_TRUE(half.GetImageSource().IsEmpty()); // no ImageLocY
  EXPECT_EQ(half.GetResizeType(), kResizeCentre);
  const ImageSource& mask = factory.FindPart(u"Masked")->GetMaskSource();
  EXPECT_TRUE(mask.mPath.EqualsString(Path(u"Masks/Arp_On.PNG"))); // as written, not lowered
  EXPECT_EQ(mask.mX, 2);
  EXPECT_EQ(mask.mY, 3);
  EXPECT_EQ(mask.mWidth, 5);
  EXPECT_EQ(mask.mHeight, 6);

  // Looks: the second "Blank" filled a look that was never registered.
  const LLookDescriptor& blank = *factory.FindLook(u"Blank");
  const LDockedPart& client = *blank.GetClientPart();
  EXPECT_EQ(client.GetPart().Get(), &background);
  EXPECT_EQ(client.GetPresenceMask(), kDockedAll);
  EXPECT_EQ(client.GetLeft() * 1000 + client.GetTop() * 100 + client.GetRight() * 10 + client.GetBottom(), 1234);
  EXPECT_FALSE(client.HasWidth());
  EXPECT_FALSE(blank.HasTextProperties());
  const LLookDescriptor& button = *factory.FindLook(u"Button");
  ASSERT_EQ(button.GetNonClientParts().GetCount(), 2u); // "Ghost" names no part
  const LDockedPart& left = *button.GetNonClientParts().GetAt(0);
  EXPECT_EQ(left.GetPresenceMask(), kDockedLeft | kDockedBottom);
  EXPECT_EQ(left.GetLeft(), 2);
  EXPECT_EQ(left.GetBottom(), 4);
  EXPECT_EQ(left.GetTop(), 0);
  EXPECT_TRUE(left.HasWidth());
  EXPECT_EQ(left.GetWidth(), 7);
  EXPECT_FALSE(left.HasHeight());
  const LDockedPart& top = *button.GetNonClientParts().GetAt(1);
  EXPECT_EQ(top.GetPart().Get(), factory.FindPart(u"Masked").Get());
  EXPECT_EQ(top.GetPresenceMask(), kDockedTop | kDockedRight);
  EXPECT_FALSE(top.HasHeight()); // Height 0
  ASSERT_TRUE(button.HasTextProperties());
  EXPECT_EQ(button.GetTextProperties().mLeftRel, 0.25f);
  EXPECT_EQ(button.GetTextProperties().mRightAbs, -3);
  EXPECT_EQ(button.GetTextForegroundPart().Get(), &background);

  // Look lists: the first "ButtonLooks" stays with its entries; out-of-range and
  // unregistered entries leave slots empty; a negative size is refused, a huge one capped.
  const LLookList& looks = *factory.FindLookList(u"ButtonLooks");
  ASSERT_EQ(looks.GetCount(), 3u);
  EXPECT_EQ(looks.GetAt(0).Get(), &button);
  EXPECT_FALSE(looks.GetAt(1));
  EXPECT_EQ(looks.GetAt(2).Get(), &blank);
  EXPECT_FALSE(factory.FindLookList(u"Negative"));
  EXPECT_EQ(factory.FindLookList(u"Huge")->GetCount(),
            static_cast<std::uint32_t>(LControlFactory::kMaxLookListSize));
}

std::vector<std::string> ChildNames(const LControlDescriptor& descriptor) {
  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < descriptor.GetChildren().GetCount(); ++i)
    names.push_back(Narrow(descriptor.GetChildren().GetAt(i)->GetName()));
  return names;
}

TEST_P(ControlFactoryFixture, LoadsTheTopLevelSkins) {
  LControlFactory factory(u"Unnamed");
  ASSERT_EQ(factory.LoadResources(Source(), 0x0409), S_OK);

  // Two roots named after the application, in document order; skin 0 is current.
  const RCPtrArray<LControlDescriptor>& roots = factory.GetTopLevelDescriptors();
  ASSERT_EQ(roots.GetCount(), 2u);
  EXPECT_EQ(factory.GetCurrentSkinIndex(), 0);
  for (std::uint32_t i = 0; i < 2; ++i) {
    EXPECT_TRUE(roots.GetAt(i)->GetClass().IsEqual(u"Application"));
    EXPECT_TRUE(roots.GetAt(i)->GetName().IsEqual(u"PresetEditor"));
    EXPECT_TRUE(roots.GetAt(i)->IsRoot());
    EXPECT_FALSE(roots.GetAt(i)->GetLayout());
  }
  EXPECT_TRUE(roots.GetAt(0)->GetSkin()->mName.IsEqual(u"Skin1"));
  EXPECT_TRUE(roots.GetAt(1)->GetSkin()->mName.IsEqual(u"HighDPI"));
  // Top-level controls stay in document order.
  EXPECT_EQ(ChildNames(*roots.GetAt(0)), (std::vector<std::string>{"mainControl", "contextMenu", "contextMenu"}));

  const RCPtr<LControlDescriptor>& main = factory.FindTopLevelDescriptor(u"mainControl");
  ASSERT_TRUE(main);
  EXPECT_EQ(main.Get(), roots.GetAt(0)->GetChildren().GetAt(0).Get());
  EXPECT_EQ(main->GetParent(), roots.GetAt(0).Get());
  EXPECT_TRUE(main->GetClass().IsEqual(u"PresetEditor.MainControl"));

  // A top-level SubControl reads neither TabStop nor IsVisible.
  const LLayoutDescriptor& layout = *main->GetLayout();
  EXPECT_EQ(layout.mTabStop, 0);
  EXPECT_TRUE(layout.mVisible);
  EXPECT_EQ(layout.mPlacement[0].mReference, kPositionParent); // "Screen"
  EXPECT_EQ(layout.mPlacement[0].mAbsolute, 16.0);             // 16.9 read as a whole number
  EXPECT_EQ(layout.mPlacement[1].mRelative, 0.5f);
  EXPECT_EQ(layout.mSize[0].mReference, kSizeClient);
  EXPECT_EQ(layout.mSize[0].mAbsolute, 320.0);
  EXPECT_EQ(layout.mSize[1].mAbsolute, 200.0);

  // Creation parameters: every piece of a value, untrimmed; an empty one adds nothing.
  const LStringTable& params = *main->GetCreateParams();
  WideString value;
  ASSERT_TRUE(params.GetString(u"Title", value));
  EXPECT_TRUE(value.IsEqual(u"a&b"));
  ASSERT_TRUE(params.GetString(u"Resizable", value));
  EXPECT_TRUE(value.IsEqual(u"True"));
  ASSERT_TRUE(params.GetString(u"Lines", value));
  EXPECT_TRUE(value.IsEqual(u"first\nsecond"));
  EXPECT_FALSE(params.GetString(u"Empty", value));
  EXPECT_EQ(params.GetCount(), 3u);

  // The control's skin: its font attributes and its look list.
  const LSkinDescriptor& skin = *main->GetSkin();
  EXPECT_TRUE(skin.mName.IsEqual(u"mainSkin"));
  EXPECT_EQ(skin.mLookList.Get(), factory.FindLookList(u"ButtonLooks").Get());
  EXPECT_TRUE(skin.mFontName.IsEqual(u"Tahoma")); // no translation in English
  EXPECT_EQ(skin.mFontSize, 8.5f);
  EXPECT_EQ(skin.mFontStyle, 1);

  // Children by layout order; equal orders ("0X1F" reads 0) keep document order.
  EXPECT_EQ(ChildNames(*main), (std::vector<std::string>{"first", "alsoFirst", "second", "third", "last"}));
  const LControlDescriptor& third = *main->GetChildren().GetAt(3);
  EXPECT_EQ(third.GetLayout()->mTabStop, 3);
  EXPECT_FALSE(third.GetLayout()->mVisible);
  EXPECT_FALSE(third.GetSkin());
  EXPECT_EQ(main->GetChildren().GetAt(4)->GetLayout()->mLayoutOrder, 31);
  const LSkinDescriptor& secondSkin = *main->GetChildren().GetAt(2)->GetSkin();
  EXPECT_TRUE(secondSkin.mFontInheritsFromParent);
  EXPECT_TRUE(secondSkin.mFontSizeIsRelative);
  EXPECT_EQ(secondSkin.mFontSize, -2.0f);
  EXPECT_EQ(secondSkin.mFontStyle, kNoFontStyle);
  EXPECT_FALSE(secondSkin.mLookList); // an unregistered look list

  // Two top-level controls of one name: the later one is found.
  EXPECT_EQ(factory.FindTopLevelDescriptor(u"contextMenu")->GetLayout()->mZOrder, 2);
  EXPECT_FALSE(factory.FindTopLevelDescriptor(u"nothing"));
  EXPECT_EQ(&factory.FindTopLevelDescriptor(u"nothing"), &RCPtr<LControlDescriptor>::sNull);

  // The skin's font; the second skin's font has a name only.
  WideString font;
  float size = -1;
  std::int32_t style = 99;
  EXPECT_EQ(factory.GetSkinFont(font, size, style), S_OK);
  EXPECT_TRUE(font.IsEqual(u"Arial"));
  EXPECT_EQ(size, 9.0f);
  EXPECT_EQ(style, 0);

  ASSERT_EQ(factory.SetCurrentSkinIndex(1), S_OK);
  font = u"kept";
  size = -1;
  style = 99;
  EXPECT_EQ(factory.GetSkinFont(font, size, style), S_OK);
  EXPECT_TRUE(font.IsEqual(u"Tahoma"));
  EXPECT_EQ(size, -1.0f); // 0.5 is no size
  EXPECT_EQ(style, 99);
  const RCPtr<LControlDescriptor>& highMain = factory.FindTopLevelDescriptor(u"mainControl");
  EXPECT_EQ(highMain->GetLayout()->mSize[0].mAbsolute, 640.0);
  EXPECT_EQ(highMain->GetSkin()->mLookList.Get(), factory.FindLookList(u"Huge").Get());
  EXPECT_FALSE(factory.FindTopLevelDescriptor(u"contextMenu"));

  // An index the skins do not have is refused, and the current one stays.
  for (const std::int32_t index : {2, -1, 1000}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(factory.SetCurrentSkinIndex(index), E_INVALIDARG);
    EXPECT_EQ(factory.GetCurrentSkinIndex(), 1);
  }
}

TEST_P(ControlFactoryFixture, FontTranslationsFollowTheSettledLanguage) {
  struct Case {
    std::int32_t lcid;
    const char16_t* rootFont;
    const char16_t* mainFont;
  };
  for (const Case& c : {Case{0x0407, u"Arial German", u"Verdana"}, Case{0x0409, u"Arial", u"Tahoma"},
                        Case{0x0411, u"Arial", u"Tahoma"}}) {
    SCOPED_TRACE(c.lcid);
    LControlFactory factory(u"PresetEditor");
    ASSERT_EQ(factory.LoadResources(Source(), c.lcid), S_OK);
    EXPECT_TRUE(factory.GetTopLevelDescriptors().GetAt(0)->GetSkin()->mFontName.IsEqual(c.rootFont));
    EXPECT_TRUE(factory.FindTopLevelDescriptor(u"mainControl")->GetSkin()->mFontName.IsEqual(c.mainFont));
    // The next top-level skin starts without translations.
    ASSERT_EQ(factory.SetCurrentSkinIndex(1), S_OK);
    EXPECT_TRUE(factory.GetTopLevelDescriptors().GetAt(1)->GetSkin()->mFontName.IsEqual(u"Tahoma"));
  }
}

TEST_P(ControlFactoryFixture, LoadsTheStringTablesOfTheLanguage) {
  LControlFactory factory(u"Unnamed");
  ASSERT_EQ(factory.LoadResources(Source(), 0x0407), S_OK);
  EXPECT_EQ(factory.GetLCID(), 0x0007);

  WideString text;
  RCPtr<LStringTable> app = factory.GetApplicationStringTable();
  ASSERT_TRUE(app);
  ASSERT_TRUE(app->GetString(u"STARTUP_ERROR", text));
  EXPECT_TRUE(text.IsEqual(u"Start fehlgeschlagen."));
  EXPECT_FALSE(app->GetString(u"GHK.NID_APP_EXIT_REQ", text)); // English only
  RCPtr<LStringTable> framework = factory.GetFrameworkStringTable();
  ASSERT_TRUE(framework);
  ASSERT_TRUE(framework->GetString(u"UNDO", text));
  EXPECT_TRUE(text.IsEqual(u"R\u00fcckg\u00e4ngig"));
  EXPECT_FALSE(framework->GetString(u"ENGLISH_ONLY", text));

  // Tables by parent class and name; a top-level control's by the application name.
  LControlDescriptor panel(u"PresetEditor.ArpEnabledPanel", u"arp", nullptr);
  RCPtr<LStringTable> label = factory.GetStringTableForParentDescriptor(&panel, u"label");
  ASSERT_TRUE(label);
  ASSERT_TRUE(label->GetString(u"LABEL", text));
  EXPECT_TRUE(text.IsEqual(u"Arpeggiator (de)"));
  RCPtr<LStringTable> main = factory.GetStringTableForParentDescriptor(nullptr, u"mainControl");
  ASSERT_TRUE(main); // present, though nothing in it is German
  EXPECT_EQ(main->GetCount(), 0u);
  EXPECT_FALSE(factory.GetStringTableForParentDescriptor(nullptr, u"label"));

  // Handed-out tables are copies.
  app->SetString(u"STARTUP_ERROR", u"changed");
  ASSERT_TRUE(factory.GetApplicationStringTable()->GetString(u"STARTUP_ERROR", text));
  EXPECT_TRUE(text.IsEqual(u"Start fehlgeschlagen."));
}

TEST(ControlFactoryLoading, ResourceNamesAreUpperCasedWithDotsAndBlanksAsUnderscores) {
  LControlFactory factory(u"PresetEditor");
  EXPECT_EQ(factory.LoadSkins(u"::app skins.xml"), S_OK); // APP_SKINS_XML
  EXPECT_EQ(factory.GetTopLevelDescriptors().GetCount(), 2u);
  EXPECT_EQ(factory.LoadSkins(u"::App_Skins"), S_OK);
  EXPECT_EQ(factory.GetTopLevelDescriptors().GetCount(), 4u); // appended; nothing unloads
  EXPECT_EQ(factory.GetCurrentSkinIndex(), 0);
}

TEST(ControlFactoryLoading, MissingOrEmptyDocumentsFailSkinsAndAreSkippedAsStringTables) {
  const std::string folder = ::testing::TempDir() + "qz-controlbase-empty";
  std::filesystem::create_directories(folder);
  test::WriteAll(folder + "/empty.xml", "");
  const WideString emptyFile = WideString((folder + "/empty.xml").c_str());

  for (const WideString& source :
       {WideString(u"::NO_SUCH_DOCUMENT"), WideString(u"::EMPTY_DOCUMENT"), WideString(u"/no/such/Skins.xml"),
        emptyFile, WideString(), WideString(folder.c_str())}) {
    SCOPED_TRACE(Narrow(source));
    LControlFactory factory(u"PresetEditor");
    EXPECT_EQ(factory.LoadSkins(source), E_FAIL);
    EXPECT_EQ(factory.GetTopLevelDescriptors().GetCount(), 0u);
    EXPECT_TRUE(factory.GetLastXMLError().IsEmpty());
    // Without a first document the second is read in the requested language,
    // else English: the related language is the first document's to choose.
    EXPECT_EQ(factory.LoadStringTables(source, u"::FRAMEWORK_STRINGS", 0x0407), S_OK);
    EXPECT_EQ(factory.GetLCID(), kLcidEnglish);
    WideString text;
    ASSERT_TRUE(factory.GetFrameworkStringTable());
    ASSERT_TRUE(factory.GetFrameworkStringTable()->GetString(u"UNDO", text));
    EXPECT_TRUE(text.IsEqual(u"Undo"));
    EXPECT_FALSE(factory.GetApplicationStringTable());
  }
  std::filesystem::remove_all(folder);
}

TEST(ControlFactoryLoading, AMalformedSkinReportsTheParsersMessageAndLine) {
  LControlFactory factory(u"PresetEditor");
  EXPECT_EQ(factory.LoadSkins(u"::MALFORMED"), E_FAIL);
  EXPECT_TRUE(factory.GetLastXMLError().IsEqual(u"mismatched tag"));
  EXPECT_EQ(factory.GetLastXMLErrorLine(), 12);
  // What was read before the error stays.
  EXPECT_TRUE(factory.FindColorizer(u"Kept"));
  EXPECT_TRUE(factory.FindPart(u"P"));
  EXPECT_TRUE(factory.FindLook(u"L"));
  EXPECT_TRUE(factory.GetApplicationName().IsEqual(u"Broken"));

  // Through the loading entry point the failure is the result.
  const std::string folder = ::testing::TempDir() + "qz-controlbase-malformed";
  std::filesystem::create_directories(folder);
  test::WriteAll(folder + "/Skins.xml", "<a>\n<b>\n</a>");
  LControlFactory fromFolder(u"PresetEditor");
  EXPECT_EQ(fromFolder.LoadResources(WideString(folder.c_str()), 0x0409), E_FAIL);
  EXPECT_TRUE(fromFolder.GetLastXMLError().IsEqual(u"mismatched tag"));
  EXPECT_EQ(fromFolder.GetLastXMLErrorLine(), 3);
  std::filesystem::remove_all(folder);
}

TEST(ControlFactorySkins, CloneDescriptorNamesTheCloneAndGivesItTheLayout) {
  LControlFactory factory(u"PresetEditor");
  ASSERT_EQ(factory.LoadSkins(u"::APP_SKINS"), S_OK);
  const RCPtr<LControlDescriptor>& main = factory.FindTopLevelDescriptor(u"mainControl");
  RCPtr<LLayoutDescriptor> layout = main->GetLayout()->Clone();
  RCPtr<LControlDescriptor> clone = factory.CloneDescriptor(main, layout, u"item3");
  ASSERT_TRUE(clone);
  EXPECT_TRUE(clone->GetName().IsEqual(u"item3"));
  EXPECT_EQ(clone->GetLayout().Get(), layout.Get());
  EXPECT_TRUE(clone->GetClass().EqualsString(main->GetClass()));
  EXPECT_EQ(clone->GetSkin().Get(), main->GetSkin().Get());
  EXPECT_EQ(clone->GetCreateParams().Get(), main->GetCreateParams().Get());
  EXPECT_EQ(clone->GetParent(), main->GetParent());
  ASSERT_EQ(clone->GetChildren().GetCount(), main->GetChildren().GetCount());
  EXPECT_EQ(clone->GetChildren().GetAt(0).Get(), main->GetChildren().GetAt(0).Get());
  // The template is untouched.
  EXPECT_TRUE(main->GetName().IsEqual(u"mainControl"));
  EXPECT_NE(main->GetLayout().Get(), layout.Get());
  EXPECT_FALSE(factory.CloneDescriptor(RCPtr<LControlDescriptor>(), layout, u"x"));
}

TEST(ControlFactorySkins, NothingIsFoundBeforeAnySkinIsLoaded) {
  LControlFactory factory(u"PresetEditor");
  EXPECT_FALSE(factory.FindTopLevelDescriptor(u"mainControl"));
  WideString font(u"kept");
  float size = 2;
  std::int32_t style = 3;
  EXPECT_EQ(factory.GetSkinFont(font, size, style), S_FALSE);
  EXPECT_TRUE(font.IsEqual(u"kept"));
  EXPECT_EQ(factory.SetCurrentSkinIndex(0), E_INVALIDARG);
  EXPECT_FALSE(factory.GetFrameworkStringTable());
  EXPECT_FALSE(factory.GetApplicationStringTable());
}

} // namespace
} // namespace QZ
