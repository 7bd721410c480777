// Tool tips and context menus made from the skin's "toolTip" and
// "contextMenu" entries, with small stand-ins for the two control classes.

#include "QZFramework/ControlBase/ControlTreeFixture.h"

#include "QZFramework/ControlBase/PopupMenuInterface.h"
#include "QZFramework/ControlBase/ToolTipInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

using test::ControlTreeFixture;
using test::TestControl;

std::vector<std::string> gLog;

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

template <class T>
RCPtr<LControl>& CreateStandIn(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                               const RCPtr<LControlDescriptor>& descriptor) {
  const RCPtr<T> control(new T(parent, descriptor->GetName()));
  control->SetLayout(MakeRCPtr<LLayoutDescriptor>());
  out = control;
  return out;
}

class StandInToolTip : public TestControl, public IToolTip {
public:
  using TestControl::TestControl;
  void Show() override { gLog.push_back("show:" + Narrow(GetText())); }
  void Hide() override { gLog.push_back("hide:" + Narrow(GetText())); }
};

class StandInPopupMenu : public TestControl, public IPopupMenu {
public:
  using TestControl::TestControl;
  QZRESULT SetMenu(const RCPtr<LMenuDescriptor>& menu) override {
    gLog.push_back("setMenu:" + std::to_string(menu ? menu->GetItemCount() : 0) +
                   (GetLayout()->mVisible ? ":visible" : ":hidden"));
    mMenu = menu;
    return S_OK;
  }
  RCPtr<LMenuDescriptor> GetMenu() const override { return mMenu; }
  void ShowAtCursor() override { gLog.push_back("showAtCursor"); }
  RCPtr<LMenuDescriptor> mMenu;
};

class Owner : public TestControl {
public:
  using TestControl::TestControl;
  void PrepareContextMenu(const RCPtr<LControl>& menu) override {
    gLog.push_back("prepare:" + Narrow(menu->GetName()));
  }
};

class ControlToolTipsTest : public ControlTreeFixture {
protected:
  void SetUp() override {
    ControlTreeFixture::SetUp();
    gLog.clear();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.ToolTip"), &CreateStandIn<StandInToolTip>);
    mFactory->RegisterControlCreateFunction(WideString(u"Test.PopupMenu"), &CreateStandIn<StandInPopupMenu>);
  }
  void TearDown() override {
    gLog.clear();
    ControlTreeFixture::TearDown();
  }
  static std::string Entry(const char* className, const char* name) {
    return std::string("<SubControl Class=\"") + className + "\" Name=\"" + name + "\"></SubControl>";
  }
};

TEST_F(ControlToolTipsTest, AToolTipShowsTheOwnersTextOrItsParentsAndHidesAgain) {
  LoadSkin(Entry("Test.ToolTip", "toolTip"));
  const auto parent = MakeRCPtr<TestControl>(RCPtr<LControl>(), WideString(u"parent"));
  const auto child = MakeRCPtr<TestControl>(parent, WideString(u"child"));
  parent->SetToolTip(WideString(u"Parent tip"), false);

  EXPECT_EQ(LControl::GetToolTipOwner(child), RCPtr<LControl>(child)) << "without the flag: its own, empty";
  child->SetToolTip(WideString(), true);
  const RCPtr<LControl> owner = LControl::GetToolTipOwner(child);
  EXPECT_EQ(owner, RCPtr<LControl>(parent));
  EXPECT_EQ(owner->CreateToolTip(true), S_OK);
  EXPECT_EQ(gLog, std::vector<std::string>{"show:Parent tip"});
  EXPECT_TRUE(parent->FindChild(WideString(u"toolTip")));
  EXPECT_EQ(owner->CreateToolTip(false), S_OK);
  EXPECT_EQ(gLog.back(), "hide:Parent tip");

  gLog.clear();
  EXPECT_EQ(child->CreateToolTip(true), S_OK) << "an empty text shows nothing";
  EXPECT_TRUE(gLog.empty());
  EXPECT_FALSE(child->FindChild(WideString(u"toolTip")));
  parent->Close();
}

TEST_F(ControlToolTipsTest, WithoutAToolTipEntryOrClassNothingShows) {
  LoadSkin(Entry("Test.Control", "toolTip"));
  const auto control = MakeRCPtr<TestControl>(RCPtr<LControl>(), WideString(u"control"));
  control->SetToolTip(WideString(u"Tip"), false);
  EXPECT_EQ(control->CreateToolTip(true), S_OK);
  EXPECT_EQ(control->CreateToolTip(false), S_OK);
  EXPECT_TRUE(gLog.empty());
  control->Close();
}

TEST_F(ControlToolTipsTest, ARightClickOpensTheContextMenuFromTheSkin) {
  LoadSkin(Entry("Test.PopupMenu", "contextMenu"));
  const auto control = MakeRCPtr<Owner>(RCPtr<LControl>(), WideString(u"control"));
  LMenuDescriptor::Entries entries;
  entries.AddItem({WideString(u"00.NID_COPY"), WideString(u"Copy")});
  const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringTable(entries);
  EXPECT_EQ(control->ShowContextMenu(menu), S_OK);
  EXPECT_EQ(gLog, (std::vector<std::string>{"setMenu:1:hidden", "prepare:contextMenu", "showAtCursor"}));

  gLog.clear();
  control->SetContextMenuDescriptor(menu);
  control->OnRightClick(LMouseButtonParam::Create(kMouseButtonRight, {1, 1}, 0, 0, 0, 0));
  EXPECT_EQ(gLog.back(), "showAtCursor");

  control->Close();
}

} // namespace
} // namespace QZ
