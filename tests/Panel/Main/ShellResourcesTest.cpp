// The shell's skins and string tables (fixtures/Editor/Shell: a main control without views, for the tests
// that start the application without the editor's views) with the shipped framework strings: embedded as
// the start-up reads them, and as a folder.

#include "Panel/Main/SkinChoice.h"
#include "Panel/Main/StartupErrors.h"
#include "Panel/Main/Version.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"

#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

std::string TextOf(const RCPtr<LStringTable>& table, const char16_t* id) {
  WideString text;
  if (!table || !table->GetString(id, text))
    return "<absent>";
  return Narrow(text);
}

const LControlDescriptor* Child(const LControlDescriptor& root, const char* name) {
  const RCPtrArray<LControlDescriptor>& children = root.GetChildren();
  for (std::uint32_t i = 0; i < children.GetCount(); ++i) {
    if (Narrow(children.GetAt(i)->GetName()) == name)
      return children.GetAt(i).Get();
  }
  return nullptr;
}

// true: the embedded "QZXML" resources; false: a folder holding the same three files.
class ShellResources : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    // (TempFolder names its folder after the test, and a parameterised test's name holds a slash.)
    mFolder = test::MakeTempFolder("qz_shell_resources_");
    ASSERT_FALSE(mFolder.empty());
    const std::filesystem::path shell(QZ_SHELL_RESOURCES);
    for (const char* name : {"Skins.xml", "StringTables.xml"})
      std::filesystem::copy_file(shell / name, mFolder / name);
    std::filesystem::copy_file(std::filesystem::path(QZ_SHIPPED_RESOURCES) / "FrameworkStrings.xml",
                               mFolder / "FrameworkStrings.xml");
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(mFolder, ignored);
  }
  WideString Source() const { return GetParam() ? WideString(u"::") : WideString(mFolder.string().c_str()); }

  std::filesystem::path mFolder;
};

INSTANTIATE_TEST_SUITE_P(EmbeddedAndFolder, ShellResources, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Embedded" : "Folder"; });

TEST_P(ShellResources, TwoSkinsInOrderEachWithItsMainControlAndToolTip) {
  LControlFactory factory(Version::GetProductName());
  ASSERT_EQ(factory.LoadResources(Source(), 0x0409), S_OK);
  EXPECT_EQ(factory.GetApplicationName().EqualsString(Version::GetProductName()), true);

  const RCPtrArray<LControlDescriptor>& skins = factory.GetTopLevelDescriptors();
  ASSERT_EQ(skins.GetCount(), kScreenSkinCount);
  struct Expected {
    const char* name;
    float fontSize;
    double width;
    double height;
  };
  const Expected expected[] = {{"HighDPI", 18, 2400, 1280}, {"Skin1", 9, 1200, 640}};
  ASSERT_EQ(kHighDpiSkinIndex, 0);
  for (std::uint32_t i = 0; i < 2; ++i) {
    const Expected& e = expected[i];
    SCOPED_TRACE(e.name);
    const LControlDescriptor& root = *skins.GetAt(i);
    ASSERT_TRUE(root.GetSkin());
    EXPECT_EQ(Narrow(root.GetSkin()->mName), e.name);
    EXPECT_EQ(Narrow(root.GetSkin()->mFontName), "Arial");
    EXPECT_EQ(root.GetSkin()->mFontSize, e.fontSize);
    EXPECT_EQ(root.GetSkin()->mFontStyle, 0);

    const LControlDescriptor* main = Child(root, "mainControl");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Narrow(main->GetClass()), "Framework.Panel");
    const LLayoutDescriptor& layout = *main->GetLayout();
    EXPECT_EQ(layout.mSize[LLayoutDescriptor::kAxisX].mAbsolute, e.width);
    EXPECT_EQ(layout.mSize[LLayoutDescriptor::kAxisY].mAbsolute, e.height);
    // Resizable (no minimum) but not beyond its size, so without a maximise box.
    EXPECT_EQ(layout.mMinSize[LLayoutDescriptor::kAxisX].mAbsolute, 0);
    EXPECT_EQ(layout.mMaxSize[LLayoutDescriptor::kAxisX].mAbsolute, e.width);
    EXPECT_EQ(layout.mMaxSize[LLayoutDescriptor::kAxisY].mAbsolute, e.height);

    const LControlDescriptor* tip = Child(root, "toolTip");
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(Narrow(tip->GetClass()), "Framework.ToolTip");
    EXPECT_EQ(tip->GetLayout()->mZOrder, 9999);
    EXPECT_FALSE(tip->GetLayout()->mClipToParent);
    EXPECT_EQ(tip->GetLayout()->mTextOverflowX, kTextOverflowExpand);
    EXPECT_EQ(tip->GetLayout()->mTextOverflowY, kTextOverflowExpand);
    ASSERT_TRUE(tip->GetSkin());
    EXPECT_EQ(Narrow(tip->GetSkin()->mName), "ToolTip");
  }
  // The start-up selects a skin by its index; the main control is found in either.
  for (std::int32_t index : {kHighDpiSkinIndex, kStandardSkinIndex}) {
    ASSERT_EQ(factory.SetCurrentSkinIndex(index), S_OK);
    EXPECT_TRUE(factory.FindTopLevelDescriptor(u"mainControl"));
  }
  WideString font;
  float size = 0;
  std::int32_t style = -1;
  EXPECT_EQ(factory.GetSkinFont(font, size, style), S_OK);
  EXPECT_EQ(Narrow(font), "Arial");
  EXPECT_EQ(size, 9.0f);
}

TEST_P(ShellResources, TheStringTablesHoldTheStartupTextsAndTheHotKeys) {
  // A language without texts of its own reads the English ones.
  for (std::int32_t lcid : {0x0409, 0x0407}) {
    SCOPED_TRACE(lcid);
    LControlFactory factory(u"Unnamed");
    ASSERT_EQ(factory.LoadResources(Source(), lcid), S_OK);
    EXPECT_EQ(Narrow(factory.GetApplicationName()), Narrow(Version::GetProductName()));

    const RCPtr<LStringTable> framework = factory.GetFrameworkStringTable();
    EXPECT_EQ(TextOf(framework, u"STARTUP_ERROR"),
              "The application encountered problems during startup and will now close.");
    EXPECT_EQ(TextOf(framework, u"STARTUP_ERROR_CAPTION"), "Error");
    EXPECT_EQ(TextOf(framework, u"EXCEPTION_ID"),
              "The application has encountered Error ID %d.  Please contact Veskor Technical Support.");
    const SStartupErrorTexts texts = GetStartupErrorTexts(framework.Get());
    EXPECT_EQ(Narrow(texts.mText), Narrow(kDefaultStartupErrorText));
    EXPECT_EQ(Narrow(texts.mCaption), Narrow(kDefaultStartupErrorCaption));

    const RCPtr<LStringTable> application = factory.GetApplicationStringTable();
    ASSERT_TRUE(application);
    LStringTable::SortedEntries keys;
    ASSERT_EQ(application->GetSortedEntriesWithPrefix(u"GHK", keys), S_OK);
    EXPECT_EQ(keys.GetCount(), 6u);
    EXPECT_EQ(TextOf(application, u"GHK.NID_EDIT_DELETE_REQ"), "VKEY_DELETE");
    EXPECT_EQ(TextOf(application, u"GHK_WIN.NID_EDIT_COPY_REQ"), "Ctrl+VKEY_C");
    EXPECT_EQ(TextOf(application, u"GHK_WIN.NID_EDIT_CUT_REQ"), "Ctrl+VKEY_X");
    EXPECT_EQ(TextOf(application, u"GHK_WIN.NID_EDIT_PASTE_REQ"), "Ctrl+VKEY_V");
    EXPECT_EQ(TextOf(application, u"GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_FILE"), "Ctrl+VKEY_O");
    EXPECT_EQ(TextOf(application, u"GHK_WIN.NID_MENU_FILE_SAVE_PRESET_TO_FILE"), "Ctrl+VKEY_S");
  }
}

} // namespace
} // namespace QZ
