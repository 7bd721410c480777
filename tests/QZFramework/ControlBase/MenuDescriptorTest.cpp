// Menu descriptors: the string-table grammar (positions, submenus, separators,
// tips), item info, deep copies, and a tree freed with its last outside
// reference although every item links back to its menu.

#include "QZFramework/ControlBase/MenuDescriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

LMenuDescriptor::Entries MakeEntries(std::initializer_list<std::pair<const char16_t*, const char16_t*>> list) {
  LMenuDescriptor::Entries entries;
  for (const auto& [id, text] : list)
    entries.AddItem({WideString(id), WideString(text)});
  return entries;
}

// "command=label" per item, "-" for a separator, "[tip]" when there is one, sub-items in braces.
std::string Describe(const LMenuDescriptor& menu) {
  std::string text;
  for (std::uint32_t i = 0; i < menu.GetItemCount(); ++i) {
    const RCPtr<LMenuItemDescriptor> item = menu.GetItem(i);
    text += i ? " " : "";
    if (item->mSeparator) {
      text += "-";
      continue;
    }
    text += Narrow(item->mCommand) + "=" + Narrow(item->mLabel);
    if (!item->mTip.IsEmpty())
      text += "[" + Narrow(item->mTip) + "]";
    if (item->HasSubItems())
      text += "{" + Describe(*item) + "}";
  }
  return text;
}

// The application's main-menu entries for the File menu, prefix removed, in sorted order.
LMenuDescriptor::Entries FileMenuEntries() {
  LMenuDescriptor::Entries entries = MakeEntries({
      {u"00.MENU_FILE_SEND_PRESET_TO_DEVICE.", u"Send Program"},
      {u"01.MENU_FILE_GET_PRESET_TO_DEVICE.", u"Get Program"},
      {u"02.-", u""},
      {u"03.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", u"Open Program | Open Program from disk."},
      {u"04.NID_MENU_FILE_SAVE_PRESET_TO_FILE", u"Save Program"},
      {u"05.-", u"ignored"},
      {u"06.NID_MENU_FILE_EXIT_REQ", u"Exit"},
  });
  for (int i = 1; i <= 8; ++i)
    entries.AddItem(
        {WideString(u"MENU_FILE_GET_PRESET_TO_DEVICE.%d.NID_MENU_FILE_GET_PRESET%d_TO_DEVICE", i - 1, i),
         WideString(u"Get %d", i)});
  for (int i = 0; i <= 8; ++i)
    entries.AddItem({WideString(u"MENU_FILE_SEND_PRESET_TO_DEVICE.%d.NID_MENU_FILE_SEND_PRESET%d_TO_DEVICE", i, i),
                     i == 0 ? WideString(u"Ram") : WideString(u"Send %d", i)});
  return entries;
}

TEST(MenuDescriptorTest, TheApplicationsFileMenuBuildsItsSubmenusSeparatorsAndCommands) {
  const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringTable(FileMenuEntries());
  ASSERT_TRUE(menu);
  std::string send;
  for (int i = 0; i <= 8; ++i)
    send += std::string(i ? " " : "") + "NID_MENU_FILE_SEND_PRESET" + std::to_string(i) +
            "_TO_DEVICE=" + (i ? "Send " + std::to_string(i) : "Ram");
  std::string get;
  for (int i = 1; i <= 8; ++i)
    get += std::string(i > 1 ? " " : "") + "NID_MENU_FILE_GET_PRESET" + std::to_string(i) + "_TO_DEVICE=Get " +
           std::to_string(i);
  EXPECT_EQ(Describe(*menu), "=Send Program{" + send + "} =Get Program{" + get +
                                 "} - NID_MENU_FILE_LOAD_PRESET_FROM_FILE=Open Program [ Open Program from disk.] "
                                 "NID_MENU_FILE_SAVE_PRESET_TO_FILE=Save Program - NID_MENU_FILE_EXIT_REQ=Exit");
  EXPECT_EQ(menu->GetItem(0)->GetItemCount(), 9u);
  EXPECT_EQ(menu->GetItem(1)->GetItemCount(), 8u);
  EXPECT_EQ(menu->GetItem(0)->GetParent(), menu);
  EXPECT_EQ(menu->GetItem(0)->GetItem(3)->GetParent(), RCPtr<LMenuDescriptor>(menu->GetItem(0)));
  EXPECT_FALSE(menu->GetParent());
  EXPECT_EQ(Narrow(menu->GetItem(6)->ToString()), "Exit");
  EXPECT_TRUE(menu->GetItem(2)->mLabel.IsEmpty()) << "a separator's text is ignored";
}

TEST(MenuDescriptorTest, EntriesOutsideTheGrammarOrOutOfPlaceAreLeftOut) {
  struct Case {
    const char* name;
    LMenuDescriptor::Entries entries;
    const char* expected;
  };
  const Case cases[] = {
      {"a position past the end and a repeated one are dropped",
       MakeEntries({{u"00.NID_A", u"A"}, {u"00.NID_B", u"B"}, {u"01.NID_C", u"C"}, {u"03.NID_D", u"D"}}),
       "NID_A=A NID_C=C"},
      {"a submenu reference without entries gives nothing",
       MakeEntries({{u"00.NOWHERE.", u"X"}, {u"01.NID_A", u"A"}}), "NID_A=A"},
      {"an identifier without a dot is ignored", MakeEntries({{u"LABEL", u"L"}, {u"00.NID_A", u"A"}}), "NID_A=A"},
      {"a submenu name and a position give an item with an empty command",
       MakeEntries({{u"00.SUB.", u"Sub"}, {u"SUB.0", u"Empty"}}), "=Sub{=Empty}"},
      {"positions written with other digit counts sort out of order",
       MakeEntries({{u"0.NID_A", u"A"}, {u"1.NID_B", u"B"}, {u"10.NID_K", u"K"}, {u"2.NID_C", u"C"}}),
       "NID_A=A NID_B=B NID_C=C"},
      {"a negative or huge position never fits",
       MakeEntries({{u"00.NID_A", u"A"}, {u"SUB.-1.NID_X", u"X"}, {u"99999999999999999999.NID_Y", u"Y"}}),
       "NID_A=A"},
      {"a submenu's tip is kept", MakeEntries({{u"00.SUB.", u"Sub|More"}, {u"SUB.0.NID_A", u"A"}}),
       "=Sub[More]{NID_A=A}"},
      {"a submenu that names itself gives no item on its own path",
       MakeEntries({{u"00.LOOP.", u"Loop"}, {u"LOOP.0.NID_A", u"A"}, {u"LOOP.1.LOOP.", u"Again"}}),
       "=Loop{NID_A=A}"},
      {"submenus naming each other end at the first repeat",
       MakeEntries({{u"00.A.", u"A"}, {u"A.0.B.", u"B"}, {u"B.0.A.", u"A again"}, {u"B.1.NID_X", u"X"}}),
       "=A{=B{NID_X=X}}"},
      {"no entries give an empty menu", MakeEntries({}), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringTable(c.entries);
    ASSERT_TRUE(menu);
    EXPECT_EQ(Describe(*menu), c.expected);
  }
}

TEST(MenuDescriptorTest, ItemInfoAndInsertionsFollowTheItems) {
  const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
  EXPECT_EQ(menu->AppendItem(0, WideString(u"Cut"), WideString(u"NID_CUT"), true, true), 0);
  EXPECT_EQ(menu->AppendSeparator(1), 1);
  EXPECT_EQ(menu->AppendItem(0, WideString(u"First"), WideString(u"NID_FIRST"), false, false), 0);
  EXPECT_EQ(Describe(*menu), "NID_FIRST=First NID_CUT=Cut -");

  LMenuItemState state;
  EXPECT_EQ(menu->GetItemInfo(1, state), S_OK);
  EXPECT_EQ(state, (LMenuItemState{true, true, WideString(u"Cut")}));
  EXPECT_EQ(menu->GetItemInfo(0, state), S_OK);
  EXPECT_EQ(state, (LMenuItemState{false, false, WideString(u"First")}));
  state = LMenuItemState{true, true, WideString(u"stale")};
  EXPECT_EQ(menu->GetItemInfo(3, state), E_INVALIDARG);
  EXPECT_EQ(state, LMenuItemState());

  const auto loose = MakeRCPtr<LMenuItemDescriptor>();
  EXPECT_LT(menu->InsertItem(9, loose), 0);
  EXPECT_FALSE(loose->GetParent()) << "a failed insertion sets no parent";
  EXPECT_EQ(menu->InsertItem(3, loose), 3);
  EXPECT_EQ(loose->GetParent(), menu);
  EXPECT_EQ(menu->DetachItems(), S_OK);
  EXPECT_EQ(menu->GetItemCount(), 0u);
  EXPECT_FALSE(loose->GetParent());
}

TEST(MenuDescriptorTest, ACloneIsDeepAndLeavesTheOriginalAlone) {
  const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringTable(FileMenuEntries());
  const RCPtr<LMenuDescriptor> copy = menu->Clone();
  ASSERT_TRUE(copy);
  EXPECT_EQ(Describe(*copy), Describe(*menu));
  EXPECT_FALSE(copy->GetParent());
  EXPECT_NE(copy->GetItem(0), menu->GetItem(0));
  EXPECT_EQ(copy->GetItem(0)->GetItem(0)->GetParent(), RCPtr<LMenuDescriptor>(copy->GetItem(0)));
  copy->GetItem(3)->mShortcut = WideString(u"Ctrl+O");
  copy->GetItem(3)->mChecked = 1;
  EXPECT_TRUE(menu->GetItem(3)->mShortcut.IsEmpty());
  EXPECT_EQ(menu->GetItem(3)->mChecked, 0);
  EXPECT_EQ(Narrow(copy->Clone()->GetItem(3)->mShortcut), "Ctrl+O") << "the shortcut is copied too";
}

// Counts the items gone: each item carries one as its tag.
class GoneCounter : public virtual LRefCountedObject {
public:
  explicit GoneCounter(int* gone) : mGone(gone) {}
  ~GoneCounter() override { ++*mGone; }
  int* mGone;
};

void TagAll(const LMenuDescriptor& menu, int* gone, int& tagged) {
  for (std::uint32_t i = 0; i < menu.GetItemCount(); ++i) {
    const RCPtr<LMenuItemDescriptor> item = menu.GetItem(i);
    item->SetTag(MakeRCPtr<GoneCounter>(gone));
    ++tagged;
    TagAll(*item, gone, tagged);
  }
}

TEST(MenuDescriptorTest, TheLastOutsideReferenceFreesTheWholeTree) {
  int gone = 0;
  int tagged = 0;
  {
    RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringTable(FileMenuEntries());
    TagAll(*menu, &gone, tagged);
    RCPtr<LMenuDescriptor> copy = menu->Clone();
    TagAll(*copy, &gone, tagged);
    EXPECT_EQ(menu->GetInnerRefCount(), 7);
    menu = RCPtr<LMenuDescriptor>();
    EXPECT_EQ(gone, tagged / 2);
  }
  EXPECT_EQ(tagged, 2 * (7 + 9 + 8));
  EXPECT_EQ(gone, tagged);

  // An item held from outside outlives its released tree, without its parent.
  gone = 0;
  tagged = 0;
  RCPtr<LMenuItemDescriptor> kept;
  {
    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringTable(FileMenuEntries());
    TagAll(*menu, &gone, tagged);
    kept = menu->GetItem(0);
  }
  EXPECT_EQ(gone, tagged - 10);
  EXPECT_FALSE(kept->GetParent());
  EXPECT_EQ(kept->GetItemCount(), 9u);
}

} // namespace
} // namespace QZ
