#include "QZFramework/ControlBase/ControlTreeFixture.h"
#include "Support/ThrownText.h"

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace QZ {
namespace {

using test::ControlTreeFixture;
using test::Sub;
using test::TestControl;
using test::ThrownText;

using ChildListTest = ControlTreeFixture;

TEST_F(ChildListTest, AnEmptyListHasNothingToGiveOrRemove) {
  const RCPtr<TestControl> parent = Make(nullptr, u"parent");
  LControl::ChildControlList& children = parent->GetChildren();
  const LControl::ChildControlList& constChildren = children;
  EXPECT_EQ(children.GetCount(), 0u);
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { children.GetAt(0, 0); }),
            "Runtime Error : QZ::LControl::ChildControlList::GetAt : ControlBase\\Control : Line 3356");
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { constChildren.GetAt(0, 1); }),
            "Runtime Error : QZ::LControl::ChildControlList::GetAt : ControlBase\\Control : Line 3384");
  EXPECT_EQ(children.RemoveAll(), S_FALSE);
  EXPECT_EQ(children.Remove(parent), -1);
  EXPECT_EQ(children.Add(RCPtr<LControl>()), E_INVALIDARG);
  // Stale from the start.
  EXPECT_EQ(children.GetChangeStamp(), 1);
  EXPECT_EQ(children.GetSortedStamp(), 0);

  const RCPtr<TestControl> child = Make(parent, u"child");
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { children.GetAt(0, 3); }),
            "Runtime Error : QZ::LControl::ChildControlList::GetAt : ControlBase\\Control : Line 3376");
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { constChildren.GetAt(0, -1); }),
            "Runtime Error : QZ::LControl::ChildControlList::GetAt : ControlBase\\Control : Line 3404");
}

// P clips, undocked, Z_Order 5; Q does not clip; R clips, docked in X; S like P.
TEST_F(ChildListTest, ZOrderPutsClippingThenUndockedThenZOrderThenCreationOrder) {
  LoadSkin(Sub("main", "",
               Sub("P", "Z_Order=\"5\"") + Sub("Q", "ClipToParent=\"False\"") + Sub("R", "XIsDocked=\"True\"") +
                   Sub("S", "Z_Order=\"5\"")));
  const RCPtr<TestControl> main = Create(u"main");
  ASSERT_TRUE(main);
  EXPECT_EQ(Names(*main, LControl::kCreationOrder), "P Q R S");
  EXPECT_EQ(Names(*main, LControl::kZOrder), "P S R Q");
  EXPECT_EQ(main->FindChildIndex(main->FindChild(u"Q"), LControl::kZOrder), 3);
  EXPECT_EQ(main->FindChildIndex(main->FindChild(u"S"), LControl::kZOrder), 1);
  EXPECT_EQ(main->FindChildIndex(main, LControl::kZOrder), -1);

  // Q clipping joins the clipping group: undocked before R, Z_Order 0 before P and S.
  Child(main, u"Q")->SetClipToParent(true);
  EXPECT_EQ(Names(*main, LControl::kZOrder), "Q P S R");
}

TEST_F(ChildListTest, TabOrderFollowsTabStopThenCreationOrder) {
  LoadSkin(Sub("main", "",
               Sub("a", "TabStop=\"3\"") + Sub("b", "TabStop=\"-1\"") + Sub("c", "TabStop=\"3\"") +
                   Sub("d", "TabStop=\"0\"")));
  const RCPtr<TestControl> main = Create(u"main");
  EXPECT_EQ(Names(*main, LControl::kTabOrder), "b d a c");
  EXPECT_EQ(main->FindChildIndex(main->FindChild(u"c"), LControl::kTabOrder), 3);
}

TEST_F(ChildListTest, ViewsAreSortedOnlyWhenAskedForAfterAChange) {
  const RCPtr<TestControl> parent = Make(nullptr, u"parent");
  LControl::ChildControlList& children = parent->GetChildren();
  const RCPtr<TestControl> a = Make(parent, u"a");
  EXPECT_EQ(children.GetChangeStamp(), 2);
  children.GetAt(0, LControl::kCreationOrder);
  EXPECT_EQ(children.GetSortedStamp(), 0) << "creation order needs no sort";
  children.GetAt(0, LControl::kZOrder);
  EXPECT_EQ(children.GetSortedStamp(), 2);
  const RCPtr<TestControl> b = Make(parent, u"b");
  const RCPtr<TestControl> c = Make(parent, u"c");
  EXPECT_EQ(children.GetChangeStamp(), 4);
  EXPECT_EQ(children.GetSortedStamp(), 2) << "two changes, no sort yet";
  std::as_const(children).GetAt(2, LControl::kTabOrder);
  EXPECT_EQ(children.GetSortedStamp(), 4) << "the const form sorts as well";
  EXPECT_EQ(Names(*parent, LControl::kZOrder), "a b c");
  EXPECT_EQ(children.GetSortedStamp(), 4);
  EXPECT_EQ(children.Remove(b), 1);
  EXPECT_EQ(children.GetChangeStamp(), 5);
  EXPECT_EQ(Names(*parent, LControl::kTabOrder), "a c");
}

TEST_F(ChildListTest, ASecondChildOfTheSameNameIsRefused) {
  const RCPtr<TestControl> parent = Make(nullptr, u"parent");
  const RCPtr<TestControl> first = Make(parent, u"twin");
  const RCPtr<TestControl> second = Make(nullptr, u"twin");
  LControl::ChildControlList& children = parent->GetChildren();
  const std::int32_t stamp = children.GetChangeStamp();

  EXPECT_EQ(children.Add(second), E_FAIL);
  EXPECT_EQ(second->SetParent(parent), E_FAIL) << "the refusal is reported";
  // Built under the parent, the control is refused as well, silently.
  const RCPtr<TestControl> third = Make(parent, u"twin");
  for (const RCPtr<TestControl>& refused : {second, third})
    EXPECT_FALSE(refused->GetParent());
  EXPECT_EQ(children.GetCount(), 1u);
  EXPECT_EQ(children.GetChangeStamp(), stamp);
  EXPECT_EQ(parent->FindChild(u"twin").Get(), first.Get());
  EXPECT_EQ(parent->GetInnerRefCount(), 1);
}

TEST_F(ChildListTest, SkinChildrenOfOneNameKeepOnlyTheFirst) {
  LoadSkin(Sub("main", "", Sub("x", "TabStop=\"1\"") + Sub("x", "TabStop=\"2\"")));
  const RCPtr<TestControl> main = Create(u"main");
  ASSERT_EQ(main->GetChildren().GetCount(), 1u);
  EXPECT_EQ(main->FindChild(u"x")->GetLayout()->mTabStop, 1);
}

// top > mid > {box (does not clip) > {u1, u2 (neither clips), c (clips)}}
TEST_F(ChildListTest, UnclippedDescendantsAreCountedInEveryAncestor) {
  LoadSkin(Sub("top", "", Sub("mid")) +
           Sub("box", "ClipToParent=\"False\"",
               Sub("u1", "ClipToParent=\"False\"") + Sub("u2", "ClipToParent=\"False\"") + Sub("c")));
  const RCPtr<TestControl> top = Create(u"top");
  const RCPtr<TestControl> mid = Child(top, u"mid");
  const RCPtr<TestControl> box = Create(u"box");
  EXPECT_EQ(box->GetUnclippedDescendantCount(), 2);

  ASSERT_EQ(box->SetParent(mid), S_OK);
  EXPECT_EQ(mid->GetUnclippedDescendantCount(), 3);
  EXPECT_EQ(top->GetUnclippedDescendantCount(), 3);

  // A descendant that starts clipping leaves every count; one that stops joins them.
  EXPECT_TRUE(Child(box, u"u1")->SetClipToParent(true));
  EXPECT_FALSE(Child(box, u"c")->SetClipToParent(false));
  EXPECT_FALSE(Child(box, u"c")->SetClipToParent(false)) << "unchanged";
  EXPECT_EQ(box->GetUnclippedDescendantCount(), 2);
  EXPECT_EQ(top->GetUnclippedDescendantCount(), 3);

  EXPECT_EQ(mid->GetChildren().Remove(box), 0);
  EXPECT_EQ(mid->GetUnclippedDescendantCount(), 0);
  EXPECT_EQ(top->GetUnclippedDescendantCount(), 0);
  EXPECT_EQ(box->GetUnclippedDescendantCount(), 2);
  EXPECT_EQ(mid->mRemoved, std::vector<std::string>{"box:0"});
}

// Five children; the fourth refers to the third for its X position and Y size,
// the fifth for its Y position, the first for its X size; the fifth's minimum
// size names it too.
TEST_F(ChildListTest, RenamingAChildUpdatesTheReferencesOfLaterSiblings) {
  LoadSkin(Sub("main", "",
               Sub("one", "XSizeToControl=\"knob\"") + Sub("two") + Sub("knob") +
                   Sub("four", "XPositionToControl=\"knob\" YSizeToControl=\"knob\"") +
                   Sub("five", "YPositionToControl=\"knob\" XMinSizeToControl=\"knob\"")));
  const RCPtr<TestControl> main = Create(u"main");
  LControl::ChildControlList& children = main->GetChildren();
  const RCPtr<LControl> knob = main->FindChild(u"knob");
  const std::int32_t stamp = children.GetChangeStamp();

  EXPECT_EQ(children.RenameChild(knob, u"knob"), S_FALSE);
  EXPECT_EQ(children.RenameChild(knob, u"two"), E_FAIL);
  EXPECT_EQ(children.RenameChild(main, u"other"), E_INVALIDARG);
  EXPECT_EQ(Make(nullptr, u"empty")->GetChildren().RenameChild(knob, u"dial"), E_INVALIDARG);
  EXPECT_TRUE(knob->GetName().IsEqual(u"knob"));

  EXPECT_EQ(children.RenameChild(knob, u"dial"), S_OK);
  EXPECT_TRUE(knob->GetName().IsEqual(u"dial"));
  EXPECT_EQ(main->FindChild(u"dial").Get(), knob.Get());
  EXPECT_FALSE(main->FindChild(u"knob"));
  EXPECT_EQ(children.GetChangeStamp(), stamp) << "names are no sort key";

  const LLayoutDescriptor& one = *main->FindChild(u"one")->GetLayout();
  const LLayoutDescriptor& four = *main->FindChild(u"four")->GetLayout();
  const LLayoutDescriptor& five = *main->FindChild(u"five")->GetLayout();
  EXPECT_TRUE(one.mSize[0].mReferenceName.IsEqual(u"knob"));
  EXPECT_TRUE(four.mPlacement[0].mReferenceName.IsEqual(u"dial"));
  EXPECT_TRUE(four.mSize[1].mReferenceName.IsEqual(u"dial"));
  EXPECT_TRUE(five.mPlacement[1].mReferenceName.IsEqual(u"dial"));
  EXPECT_TRUE(five.mMinSize[0].mControlName.IsEqual(u"knob"));
  // The skin's descriptors are not touched: each control renamed a copy.
  const RCPtr<LControlDescriptor>& skin = mFactory->FindTopLevelDescriptor(u"main");
  EXPECT_TRUE(skin->GetChildren().GetAt(3)->GetLayout()->mPlacement[0].mReferenceName.IsEqual(u"knob"));
}

TEST_F(ChildListTest, LookupsAndCollectionWalkTheTree) {
  LoadSkin(Sub("main", "", Sub("P", "", Sub("P1")) + Sub("Q")));
  const RCPtr<TestControl> main = Create(u"main");
  EXPECT_EQ(&main->FindChild(u"missing"), &RCPtr<LControl>::sNull);
  EXPECT_EQ(&main->GetPopupMenu(), &RCPtr<LControl>::sNull);

  RCPtrArray<LControl> all;
  all.AddItem(RCPtr<LControl>(main)); // emptied first
  EXPECT_EQ(main->CollectDescendants(all), 3);
  std::string names;
  for (std::uint32_t i = 0; i < all.GetCount(); ++i)
    names += test::Narrow(all.GetAt(i)->GetName()) + " ";
  EXPECT_EQ(names, "P P1 Q ");

  const RCPtr<TestControl> p1 = Child(Child(main, u"P"), u"P1");
  EXPECT_EQ(p1->GetTopLevelControl().Get(), main.Get());
  EXPECT_EQ(main->GetTopLevelControl().Get(), main.Get());
}

TEST_F(ChildListTest, RemovingTellsTheOwnerTheFormerIndex) {
  LoadSkin(Sub("main", "", Sub("a") + Sub("b") + Sub("c")));
  const RCPtr<TestControl> main = Create(u"main");
  const RCPtr<LControl> b = main->FindChild(u"b");
  EXPECT_EQ(main->GetChildren().Remove(b), 1);
  EXPECT_EQ(main->GetChildren().Remove(b), -1);
  EXPECT_FALSE(b->GetParent());
  EXPECT_EQ(main->GetChildren().RemoveAll(), S_OK);
  EXPECT_EQ(main->mRemoved, (std::vector<std::string>{"b:1", "c:1", "a:0"}));
  EXPECT_EQ(main->GetInnerRefCount(), 0);
}

// Random adds, removes, renames and clip, dock, Z_Order and TabStop changes,
// checked after every step against a plain model of the list.
TEST_F(ChildListTest, RandomChangesKeepTheViewsAndCountsOfAModel) {
  struct Model {
    std::u16string name;
    bool clip;
    std::int32_t docked;
    std::int32_t z;
    std::int32_t tab;
  };
  std::mt19937 random(20);
  const auto pick = [&](std::int32_t n) { return std::uniform_int_distribution<std::int32_t>(0, n - 1)(random); };

  const RCPtr<TestControl> top = Make(nullptr, u"top");
  const RCPtr<TestControl> parent = Make(top, u"parent");
  LControl::ChildControlList& children = parent->GetChildren();
  std::vector<Model> model;
  std::int32_t serial = 0;
  const auto fresh = [&](char16_t prefix) {
    std::u16string name(1, prefix);
    for (const char c : std::to_string(serial++))
      name += static_cast<char16_t>(c);
    return name;
  };
  const auto anyName = [&] {
    return model[static_cast<std::size_t>(pick(static_cast<std::int32_t>(model.size())))].name;
  };

  for (int step = 0; step < 600; ++step) {
    SCOPED_TRACE(step);
    const std::int32_t action = model.empty() ? 0 : pick(6);
    const std::int32_t at = model.empty() ? 0 : pick(static_cast<std::int32_t>(model.size()));
    const RCPtr<LControl> target =
        model.empty() ? RCPtr<LControl>() : children.GetAt(static_cast<std::uint32_t>(at), 0);
    switch (action) {
    case 0: { // add, sometimes under a name that is taken
      const std::u16string name = !model.empty() && pick(4) == 0 ? anyName() : fresh(u'c');
      const bool taken = std::any_of(model.begin(), model.end(), [&](const Model& m) { return m.name == name; });
      const RCPtr<TestControl> child = Make(nullptr, name.c_str());
      RCPtr<LLayoutDescriptor> layout = MakeRCPtr<LLayoutDescriptor>();
      layout->mClipToParent = pick(2) == 0;
      layout->mPlacement[0].mDocked = pick(3) == 0;
      layout->mPlacement[1].mDocked = pick(3) == 0;
      layout->mZOrder = pick(4) - 1;
      layout->mTabStop = pick(4) - 1;
      child->SetLayout(layout);
      EXPECT_EQ(child->SetParent(parent), taken ? E_FAIL : S_OK);
      if (!taken)
        model.push_back({name, layout->mClipToParent,
                         (layout->mPlacement[0].mDocked ? 1 : 0) + (layout->mPlacement[1].mDocked ? 1 : 0),
                         layout->mZOrder, layout->mTabStop});
      break;
    }
    case 1: // remove
      EXPECT_EQ(children.Remove(target), at);
      model.erase(model.begin() + at);
      break;
    case 2: { // clip change
      const bool clip = pick(2) == 0;
      EXPECT_EQ(target->SetClipToParent(clip), clip);
      model[static_cast<std::size_t>(at)].clip = clip;
      break;
    }
    case 3: { // docking, Z_Order or TabStop edited in place, then reported
      LLayoutDescriptor& layout = *target->GetLayout();
      layout.mPlacement[0].mDocked = !layout.mPlacement[0].mDocked;
      layout.mZOrder = pick(4) - 1;
      layout.mTabStop = pick(4) - 1;
      children.AdvanceChangeStamp();
      Model& m = model[static_cast<std::size_t>(at)];
      m.docked = (layout.mPlacement[0].mDocked ? 1 : 0) + (layout.mPlacement[1].mDocked ? 1 : 0);
      m.z = layout.mZOrder;
      m.tab = layout.mTabStop;
      break;
    }
    case 4: { // rename, sometimes to a taken name
      const std::u16string name = pick(3) == 0 ? anyName() : fresh(u'r');
      const bool same = model[static_cast<std::size_t>(at)].name == name;
      const bool taken = std::any_of(model.begin(), model.end(), [&](const Model& m) { return m.name == name; });
      EXPECT_EQ(children.RenameChild(target, name.c_str()), same ? S_FALSE : taken ? E_FAIL : S_OK);
      if (!taken)
        model[static_cast<std::size_t>(at)].name = name;
      break;
    }
    default: // re-parent back and forth through another control
      EXPECT_EQ(target->SetParent(top), S_OK);
      EXPECT_EQ(target->SetParent(parent), S_OK);
      std::rotate(model.begin() + at, model.begin() + at + 1, model.end());
      break;
    }

    std::vector<std::size_t> zOrder(model.size());
    std::vector<std::size_t> tabOrder(model.size());
    for (std::size_t i = 0; i < model.size(); ++i)
      zOrder[i] = tabOrder[i] = i;
    std::stable_sort(zOrder.begin(), zOrder.end(), [&](std::size_t a, std::size_t b) {
      const Model& l = model[a];
      const Model& r = model[b];
      if (l.clip != r.clip)
        return l.clip;
      if (l.docked != r.docked)
        return l.docked < r.docked;
      return l.z < r.z;
    });
    std::stable_sort(tabOrder.begin(), tabOrder.end(),
                     [&](std::size_t a, std::size_t b) { return model[a].tab < model[b].tab; });
    ASSERT_EQ(children.GetCount(), model.size());
    std::int32_t unclipped = 0;
    for (std::size_t i = 0; i < model.size(); ++i) {
      const auto index = static_cast<std::uint32_t>(i);
      ASSERT_TRUE(children.GetAt(index, 0)->GetName().IsEqual(model[i].name.c_str()));
      ASSERT_TRUE(children.GetAt(index, 1)->GetName().IsEqual(model[zOrder[i]].name.c_str()));
      ASSERT_TRUE(children.GetAt(index, 2)->GetName().IsEqual(model[tabOrder[i]].name.c_str()));
      unclipped += model[i].clip ? 0 : 1;
    }
    ASSERT_EQ(parent->GetUnclippedDescendantCount(), unclipped);
    ASSERT_EQ(top->GetUnclippedDescendantCount(), unclipped);
    ASSERT_EQ(parent->GetInnerRefCount(), static_cast<std::int32_t>(model.size()));
  }
}

} // namespace
} // namespace QZ
