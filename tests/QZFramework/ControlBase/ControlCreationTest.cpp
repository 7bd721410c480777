// Creating a control tree from the skin (order of the steps, creation
// parameters, label, looks and fonts) and rebuilding it in place for another
// top-level skin.

#include "QZFramework/ControlBase/SkinnedTreeFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

using test::At;
using test::Skinned;

class ControlCreationTest : public test::SkinnedTreeFixture {};

// A SubControl with creation parameters.
std::string WithParams(const std::string& name, const std::string& attributes,
                       const std::vector<std::pair<std::string, std::string>>& params) {
  std::string list = "<CreateParamList>";
  for (const auto& [id, text] : params)
    list += "<CreateParam ID=\"" + id + "\">" + text + "</CreateParam>";
  return "<SubControl Class=\"Test.Skinned\" Name=\"" + name + "\" " + attributes + ">" + list +
         "</CreateParamList><Skin Name=\"" + name + "Skin\" LookList=\"Red\"/></SubControl>";
}

TEST_F(ControlCreationTest, EveryDescendantIsCompleteBeforeItsParentInitialises) {
  LoadSkins({Skinned("main", "Gray", At(0, 0, 200, 100),
                     Skinned("a", "Red", At(0, 0, 10, 10), Skinned("deep", "Blue", At(0, 0, 5, 5))) +
                         Skinned("b", "Green", At(0, 0, 10, 10)))});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  ASSERT_TRUE(main);
  EXPECT_EQ(mLog, (std::vector<std::string>{"deep.initialize", "deep.finish", "a.initialize", "a.finish",
                                            "b.initialize", "b.finish", "main.initialize", "main.finish"}));
  for (const char16_t* name : {u"a", u"b"}) {
    const RCPtr<test::SkinnedControl> child = Find(main, {name});
    ASSERT_TRUE(child);
    EXPECT_TRUE(child->IsCreated());
    EXPECT_NE(child->GetLayout().Get(), child->GetDescriptor()->GetLayout().Get()) << "the layout is a copy";
    EXPECT_EQ(child->GetLookCount(), 1u);
    EXPECT_EQ(child->GetLookWeight(0), 1.0f) << "look 0 is selected";
  }
  EXPECT_EQ(Find(main, {u"a", u"deep"})->GetBounds(), (RectT<double>{0, 0, 5, 5}));
  // The condition bits start from the state at creation: a top-level control
  // has no size before its window lays it out.
  EXPECT_EQ(main->GetConditionsParam()->mCurrentBits, LControl::kConditionEnabled);
  main->UpdateConditions();
  EXPECT_EQ(main->GetConditionsParam()->mCurrentBits, LControl::kConditionEnabled | LControl::kConditionVisible);
}

TEST_F(ControlCreationTest, CreationParameters) {
  struct Case {
    const char* why;
    std::string attributes;
    std::vector<std::pair<std::string, std::string>> params;
    bool created;
    double value;
    bool notFocusable;
    bool wantsTab;
    bool useParentToolTip;
  };
  const Case cases[] = {
      {"no parameters, tab stop 0: focusable", "TabStop=\"0\"", {}, true, 0, false, false, false},
      {"no parameters, tab stop -1: not focusable", "TabStop=\"-1\"", {}, true, 0, true, false, false},
      {"deferred by TRUE between blanks", "", {{"DEFER_CREATE", "  TRUE \t"}}, false, 0, false, false, false},
      {"1 is not true", "", {{"DEFER_CREATE", "1"}}, true, 0, false, false, false},
      {"a numeric prefix", "", {{"INITIAL_VALUE", "0.25abc"}}, true, 0.25, false, false, false},
      {"clamped to 1", "", {{"INITIAL_VALUE", "2"}}, true, 1, false, false, false},
      {"not a number", "", {{"INITIAL_VALUE", "x0.5"}}, true, 0, false, false, false},
      {"no hexadecimal", "", {{"INITIAL_VALUE", "0x1"}}, true, 0, false, false, false},
      {"NOT_FOCUSABLE overrides the tab stop",
       "TabStop=\"-1\"",
       {{"NOT_FOCUSABLE", "false"}},
       true,
       0,
       false,
       false,
       false},
      {"the flags",
       "",
       {{"NOT_FOCUSABLE", "True"}, {"WANTS_TAB", " true"}, {"USE_PARENT_TOOLTIP", "TRUE"}},
       true,
       0,
       true,
       true,
       true},
      {"yes is false", "", {{"WANTS_TAB", "yes"}}, true, 0, false, false, false},
  };
  std::vector<std::string> skins;
  for (const Case& c : cases)
    skins.push_back(Skinned("main", "Gray", At(0, 0, 100, 100), WithParams("kid", c.attributes, c.params)));
  LoadSkins(skins);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.why);
    ASSERT_EQ(mFactory->SetCurrentSkinIndex(static_cast<std::int32_t>(i)), S_OK);
    const RCPtr<LControl> main = mFactory->CreateTopLevelControl(WideString(u"main"), RCPtr<IRootWindow>());
    ASSERT_TRUE(main);
    const RCPtr<test::SkinnedControl> kid = Find(main, {u"kid"});
    ASSERT_EQ(static_cast<bool>(kid), c.created);
    if (kid) {
      EXPECT_EQ(kid->GetNormalizedValue(), c.value);
      EXPECT_EQ(kid->IsNotFocusable(), c.notFocusable);
      EXPECT_EQ(kid->GetWantsTab(), c.wantsTab);
      EXPECT_EQ(kid->GetUseParentToolTip(), c.useParentToolTip);
    }
    main->Close();
  }
}

TEST_F(ControlCreationTest, LabelToolTipAndFontComeFromTheStringTableAndTheSkin) {
  mFactory->LoadStringTablesFromText(
      test::Bytes(test::Utf16Document(
          "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r>"
          "<StringTable ID=\"App|main\"><String ID=\"LABEL\"><Locale LCID=\"0x0009\">Main</Locale></String>"
          "</StringTable><StringTable ID=\"Test.Skinned|kid\">"
          "<String ID=\"LABEL\"><Locale LCID=\"0x0009\">Send</Locale></String>"
          "<String ID=\"TOOLTIP\"><Locale LCID=\"0x0009\">Sends it</Locale></String></StringTable></r>")),
      test::Bytes(std::string()), 0x0409);
  LoadSkins({Skinned("main", "Gray", At(0, 0, 200, 100) + " FontName=\"Main Face\" FontSize=\"12\"",
                     Skinned("kid", "Red",
                             At(0, 0, 50, 20) + " FontInheritsFromParent=\"True\" "
                                                "FontSizeIsRelative=\"True\" FontSize=\"1.5\"") +
                         Skinned("plain", "Red", At(0, 0, 50, 20)))});
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  const RCPtr<test::SkinnedControl> kid = Find(main, {u"kid"});
  const RCPtr<test::SkinnedControl> plain = Find(main, {u"plain"});
  ASSERT_TRUE(kid && plain);
  EXPECT_EQ(test::Narrow(main->GetText()), "Main");
  EXPECT_EQ(test::Narrow(kid->GetText()), "Send");
  EXPECT_EQ(test::Narrow(kid->GetToolTipText()), "Sends it");
  EXPECT_EQ(test::Narrow(plain->GetText()), "");

  ASSERT_TRUE(main->GetFontRef() && kid->GetFontRef() && plain->GetFontRef());
  EXPECT_EQ(test::Narrow(main->GetFontRef()->GetFace()), "Main Face");
  EXPECT_EQ(main->GetFontRef()->GetSize(), 12.0f);
  EXPECT_EQ(test::Narrow(kid->GetFontRef()->GetFace()), "Main Face") << "inherited from the parent";
  EXPECT_EQ(kid->GetFontRef()->GetSize(), 18.0f) << "a relative size multiplies the parent's";
  EXPECT_EQ(plain->GetFontRef().Get(), mApp.mDefaultFont.Get()) << "the application's font";
}

// Two top-level skins for one window: the second drops "gone", adds "fresh",
// recolours "a", hides "shy" and floats "a".
const std::vector<std::string> kTwoSkins = {
    Skinned("main", "Gray", At(0, 0, 200, 100),
            Skinned("a", "Red", At(10, 10, 50, 50), Skinned("deep", "Blue", At(0, 0, 10, 10))) +
                Skinned("gone", "Green", At(60, 10, 20, 20)) + Skinned("shy", "Blue", At(100, 10, 20, 20))),
    Skinned("main", "White", At(0, 0, 300, 300),
            Skinned("a", "Green", At(20, 20, 40, 40) + " ClipToParent=\"False\"",
                    Skinned("deep", "Red", At(0, 0, 10, 10))) +
                Skinned("shy", "Blue", At(100, 10, 20, 20) + " IsVisible=\"False\"") +
                Skinned("fresh", "Blue", At(0, 0, 20, 20)))};

TEST_F(ControlCreationTest, AnotherSkinRebuildsTheTreeInPlace) {
  LoadSkins(kTwoSkins);
  ASSERT_EQ(mFactory->SetCurrentSkinIndex(0), S_OK);
  RCPtr<LControl> main = Open(u"main");
  const RCPtr<test::SkinnedControl> a = Find(main, {u"a"});
  const RCPtr<test::SkinnedControl> deep = Find(main, {u"a", u"deep"});
  const RCPtr<test::SkinnedControl> shy = Find(main, {u"shy"});
  ASSERT_TRUE(a && deep && shy);
  a->SetEnabledFlag(false);
  a->UpdateConditions();
  main->SetText(WideString(u"kept"));
  ASSERT_EQ(mWindow->mBounds, (RectT<std::int32_t>{0, 0, 200, 100})) << "the window took the control's size";
  mWindow->mInvalidated.clear();
  mLog.clear();

  ASSERT_EQ(mFactory->SetCurrentSkinIndex(1), S_OK);
  ASSERT_EQ(mFactory->ApplySkinToControl(main), S_OK);

  // The same objects, rebuilt from the new descriptors; initialisation runs only as FinishInitialize.
  EXPECT_EQ(Find(main, {u"a"}).GetRaw(), a.GetRaw());
  EXPECT_EQ(Find(main, {u"a", u"deep"}).GetRaw(), deep.GetRaw());
  EXPECT_EQ(a->GetDescriptor().Get(),
            mFactory->FindTopLevelDescriptor(WideString(u"main"))->GetChildren().GetAt(0).Get());
  EXPECT_EQ(a->GetBounds(), (RectT<double>{20, 20, 40, 40}));
  EXPECT_FALSE(a->IsEnabled(false)) << "a rebuilt control keeps its enabled state";
  EXPECT_FALSE(shy->GetLayout()->mVisible) << "visibility follows the new skin";
  EXPECT_FALSE(main->FindChild(WideString(u"gone"))) << "a child the skin no longer names is dropped";
  EXPECT_FALSE(main->FindChild(WideString(u"fresh"))) << "a new name creates nothing";
  EXPECT_EQ(main->GetUnclippedDescendantCount(), 1) << "a now floats";
  EXPECT_EQ(test::Narrow(main->GetText()), "kept");
  EXPECT_EQ(std::count(mLog.begin(), mLog.end(), "main.initialize"), 0);
  EXPECT_EQ(std::count(mLog.begin(), mLog.end(), "main.finish"), 1);
  EXPECT_FALSE(main->IsLayoutSuppressed());

  // The window keeps its place and size, the top-level control fills it and
  // the whole of it is repainted.
  EXPECT_EQ(mWindow->mBounds, (RectT<std::int32_t>{0, 0, 200, 100}));
  EXPECT_EQ(main->GetBounds(), (RectT<double>{0, 0, 200, 100}));
  ASSERT_FALSE(mWindow->mInvalidated.empty());
  EXPECT_EQ(mWindow->mInvalidated.back(), (RectT<std::int32_t>{0, 0, 200, 100}));

  // And it draws with the new looks: white behind, a (green) floating above.
  Paint(main);
  EXPECT_EQ(mRenderer->Probe(5, 5), test::kWhite);
  EXPECT_EQ(mRenderer->Probe(50, 50), test::kGreen);
  EXPECT_EQ(mRenderer->Probe(25, 25), test::kRed);
  EXPECT_EQ(mRenderer->Probe(110, 15), test::kWhite) << "shy is hidden";

  // Back to the first skin: the floating count falls back.
  ASSERT_EQ(mFactory->SetCurrentSkinIndex(0), S_OK);
  ASSERT_EQ(mFactory->ApplySkinToControl(main), S_OK);
  EXPECT_EQ(main->GetUnclippedDescendantCount(), 0);

  RCPtr<LControl> none;
  EXPECT_EQ(mFactory->ApplySkinToControl(none), E_FAIL);
  RCPtr<LControl> stranger = main->FindChild(WideString(u"a"));
  EXPECT_EQ(mFactory->ApplySkinToControl(stranger), E_FAIL) << "no top-level skin entry of that name";
}

TEST_F(ControlCreationTest, AFocusedControlThatARebuildMakesNotFocusableGivesTheFocusUp) {
  LoadSkins({Skinned("main", "Gray", At(0, 0, 200, 100),
                     Skinned("a", "Red", At(10, 10, 20, 20) + " TabStop=\"1\"") +
                         Skinned("b", "Blue", At(40, 10, 20, 20) + " TabStop=\"2\"")),
             Skinned("main", "Gray", At(0, 0, 200, 100),
                     Skinned("a", "Red", At(10, 10, 20, 20) + " TabStop=\"1\"") +
                         Skinned("b", "Blue", At(40, 10, 20, 20) + " TabStop=\"-1\""))});
  ASSERT_EQ(mFactory->SetCurrentSkinIndex(0), S_OK);
  RCPtr<LControl> main = Open(u"main");
  const RCPtr<test::SkinnedControl> a = Find(main, {u"a"});
  const RCPtr<test::SkinnedControl> b = Find(main, {u"b"});
  ASSERT_TRUE(a && b);
  ASSERT_EQ(b->SetFocus(true), S_OK);
  ASSERT_TRUE(b->HasFocus());

  ASSERT_EQ(mFactory->SetCurrentSkinIndex(1), S_OK);
  ASSERT_EQ(mFactory->ApplySkinToControl(main), S_OK);
  EXPECT_FALSE(b->CanTakeFocus());
  EXPECT_FALSE(b->HasFocus()) << "the control that may no longer hold the focus gave it up";
  EXPECT_TRUE(a->HasFocus()) << "to the first one that can";
}

TEST_F(ControlCreationTest, AttachingNeedsAChildAndADescriptor) {
  LoadSkins(kTwoSkins);
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  const RCPtr<LControlDescriptor>& descriptor = main->GetDescriptor()->GetChildren().GetAt(0);
  EXPECT_EQ(main->AttachChildFromDescriptor(RCPtr<LControl>(), descriptor), E_FAIL);
  EXPECT_EQ(main->AttachChildFromDescriptor(main->FindChild(WideString(u"a")), RCPtr<LControlDescriptor>()),
            E_FAIL);
  EXPECT_EQ(main->AttachChildFromDescriptor(main->FindChild(WideString(u"a")), descriptor), S_FALSE)
      << "already its parent";
}

} // namespace
} // namespace QZ
