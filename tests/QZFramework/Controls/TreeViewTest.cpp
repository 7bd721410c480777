// Tree view without a window: depths, descendants and visibility of a small
// tree; removing a subtree with its selection, checks, anchor and focus; the
// parent links across inserts and moves; no sorting; and random edits against
// a model tree with the tree's invariants checked after every step.

#include "QZFramework/Controls/TreeView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

RCPtr<LTreeView> MakeTree() { return MakeRCPtr<LTreeView>(RCPtr<LControl>(), WideString(u"tree")); }

// Rows named by their texts, each with its parent row (-1 at the top), in tree order.
void Build(const RCPtr<LTreeView>& tree, const std::vector<std::pair<const char*, std::int32_t>>& rows) {
  for (const auto& [text, parent] : rows) {
    const std::int32_t row = tree->GetItemCount();
    ASSERT_EQ(tree->InsertItem(row, LListBox::MakeTextItem(WideString(text))), row);
    ASSERT_EQ(tree->SetParentRow(row, parent), S_OK);
  }
}

std::vector<std::string> Texts(const RCPtr<LTreeView>& tree) {
  std::vector<std::string> texts;
  for (std::int32_t row = 0; row < tree->GetItemCount(); ++row)
    texts.push_back(Narrow(tree->GetItemText(row)));
  return texts;
}

std::vector<std::int32_t> Parents(const RCPtr<LTreeView>& tree) {
  std::vector<std::int32_t> parents;
  for (std::int32_t row = 0; row < tree->GetItemCount(); ++row)
    parents.push_back(tree->GetParentRow(row));
  return parents;
}

class TreeViewTest : public ::testing::Test {
protected:
  void TearDown() override { mTree->Close(); }
  // Rows 0 (top), 1 (child of 0), 2 (child of 1), 3 (top).
  void BuildSmall() { Build(mTree, {{"a", -1}, {"a1", 0}, {"a11", 1}, {"b", -1}}); }

  RCPtr<LTreeView> mTree = MakeTree();
};

TEST_F(TreeViewTest, DepthsDescendantsAndAncestors) {
  BuildSmall();
  const struct {
    std::int32_t row, parent, depth, descendants;
  } cases[] = {{0, -1, 0, 2}, {1, 0, 1, 1}, {2, 1, 2, 0}, {3, -1, 0, 0}, {4, -1, 0, 0}, {-1, -1, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    EXPECT_EQ(mTree->GetParentRow(c.row), c.parent);
    EXPECT_EQ(mTree->GetDepth(c.row), c.depth);
    EXPECT_EQ(mTree->GetDescendantCount(c.row), c.descendants);
  }
  EXPECT_TRUE(mTree->IsAncestor(0, 2));
  EXPECT_TRUE(mTree->IsAncestor(1, 2));
  EXPECT_FALSE(mTree->IsAncestor(2, 2)) << "a row is not its own ancestor";
  EXPECT_FALSE(mTree->IsAncestor(0, 3));
  EXPECT_FALSE(mTree->IsAncestor(-1, 2));
  EXPECT_FALSE(mTree->IsAncestor(0, 4));

  // A parent must stand before its row: anything else would let the walks up the tree run on.
  for (const auto& [row, parent] :
       std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 1}, {1, 2}, {1, -2}, {4, 0}, {-1, -1}}) {
    SCOPED_TRACE(std::to_string(row) + " under " + std::to_string(parent));
    EXPECT_EQ(mTree->SetParentRow(row, parent), E_INVALIDARG);
  }
  EXPECT_EQ(Parents(mTree), (std::vector<std::int32_t>{-1, 0, 1, -1}));
}

TEST_F(TreeViewTest, CollapsedRowsHideTheirSubtreeAndExpandingShowsOnlyTheNextLevel) {
  BuildSmall();
  mTree->UpdateDescendantVisibility(0);
  EXPECT_FALSE(mTree->IsRowHidden(0));
  EXPECT_TRUE(mTree->IsRowHidden(1)) << "a new row is collapsed";
  EXPECT_TRUE(mTree->IsRowHidden(2));
  EXPECT_FALSE(mTree->IsRowHidden(3));

  mTree->ExpandRow(0);
  EXPECT_TRUE(mTree->IsRowExpanded(0));
  EXPECT_EQ(mTree->GetCheckedCount(), 1);
  EXPECT_FALSE(mTree->IsRowHidden(1));
  EXPECT_TRUE(mTree->IsRowHidden(2)) << "row 1 is still collapsed";

  mTree->ExpandRow(1);
  EXPECT_FALSE(mTree->IsRowHidden(2));
  mTree->SetRowChecked(0, false);
  mTree->UpdateDescendantVisibility(0);
  EXPECT_TRUE(mTree->IsRowHidden(1));
  EXPECT_TRUE(mTree->IsRowHidden(2)) << "hidden with its collapsed ancestor, though its parent is expanded";
  EXPECT_FALSE(mTree->IsRowHidden(3));
}

TEST_F(TreeViewTest, RemovingARowTakesItsSubtreeWithItsSelectionAndChecks) {
  BuildSmall();
  mTree->ExpandRow(0);
  mTree->ExpandRow(1);
  mTree->SetMultiSelect(true);
  ASSERT_EQ(mTree->SelectRange(2, 2, false), 2);
  ASSERT_EQ(mTree->GetSelectedCount(), 1);
  ASSERT_EQ(mTree->GetCheckedCount(), 2);

  EXPECT_EQ(mTree->RemoveItem(0), 1);
  EXPECT_EQ(Texts(mTree), std::vector<std::string>{"b"});
  EXPECT_EQ(mTree->GetParentRow(0), -1);
  EXPECT_EQ(mTree->GetSelectedCount(), 0) << "the selected descendant went with its row";
  EXPECT_EQ(mTree->GetCheckedCount(), 0) << "so did the checked ones";
  EXPECT_EQ(mTree->GetAnchorRow(), -1);
  EXPECT_EQ(mTree->GetFocusRow(), -1);
  EXPECT_EQ(mTree->RemoveItem(1), E_INVALIDARG);
  EXPECT_EQ(mTree->EraseItemRecord(1), E_INVALIDARG);
  EXPECT_EQ(mTree->EraseItemRecord(-1), E_INVALIDARG);
}

TEST_F(TreeViewTest, AnchorAndFocusMoveByTheRowsErased) {
  // a (0) with a1 (1) and a11 (2); b (3) with b1 (4); c (5).
  const struct {
    const char* name;
    std::int32_t removed, anchor, focus, anchorAfter, focusAfter;
  } cases[] = {
      {"both past the subtree", 0, 4, 5, 1, 2},
      {"anchor inside, focus past", 0, 2, 5, -1, 2},
      {"before the removed row", 3, 1, 2, 1, 2},
      {"inside the removed subtree", 3, 4, 4, -1, -1},
      {"none", 3, -1, -1, -1, -1},
      {"a leaf", 2, 3, 5, 2, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RCPtr<LTreeView> tree = MakeTree();
    Build(tree, {{"a", -1}, {"a1", 0}, {"a11", 1}, {"b", -1}, {"b1", 3}, {"c", -1}});
    tree->SetAnchorRow(c.anchor);
    tree->SetFocusRow(c.focus);
    const std::int32_t left = tree->GetItemCount() - 1 - tree->GetDescendantCount(c.removed);
    EXPECT_EQ(tree->RemoveItem(c.removed), left);
    EXPECT_EQ(tree->GetAnchorRow(), c.anchorAfter);
    EXPECT_EQ(tree->GetFocusRow(), c.focusAfter);
    tree->Close();
  }

  // Deselecting the subtree first hands the anchor to the next selected row, which stays.
  BuildSmall();
  mTree->SetMultiSelect(true);
  ASSERT_EQ(mTree->SelectRange(2, 3, false), 2);
  EXPECT_EQ(mTree->RemoveItem(0), 1);
  EXPECT_EQ(mTree->GetAnchorRow(), 0);
  EXPECT_EQ(mTree->GetFocusRow(), 0);
  EXPECT_EQ(mTree->GetSelectedCount(), 1);
  EXPECT_TRUE(mTree->IsRowSelected(0));
}

TEST_F(TreeViewTest, InsertingARowKeepsTheParentLinksOfTheRowsAfterIt) {
  BuildSmall();
  // A second child of "a", before "a1": "a1" stays a's child and "a11" stays a1's.
  ASSERT_EQ(mTree->InsertItem(1, LListBox::MakeTextItem(WideString(u"a0"))), 1);
  ASSERT_EQ(mTree->SetParentRow(1, 0), S_OK);
  EXPECT_EQ(Texts(mTree), (std::vector<std::string>{"a", "a0", "a1", "a11", "b"}));
  EXPECT_EQ(Parents(mTree), (std::vector<std::int32_t>{-1, 0, 0, 2, -1}));
  EXPECT_EQ(mTree->GetDescendantCount(0), 3);
}

TEST_F(TreeViewTest, ATreeIsNotSorted) {
  Build(mTree, {{"c", -1}, {"b", 0}, {"a", -1}});
  EXPECT_FALSE(mTree->SortItems());
  EXPECT_EQ(mTree->SortRange(0, 3), E_NOTIMPL);
  mTree->SetAutoSort(true);
  ASSERT_EQ(mTree->InsertItem(3, LListBox::MakeTextItem(WideString(u"0"))), 3);
  EXPECT_EQ(Texts(mTree), (std::vector<std::string>{"c", "b", "a", "0"}));
  EXPECT_EQ(Parents(mTree), (std::vector<std::int32_t>{-1, 0, -1, -1}));
}

TEST_F(TreeViewTest, MovingARowUnderAnEarlierRow) {
  // a (0) with a1 (1), which has a11 (2) and a12 (3) with a121 (4); b (5) with b1 (6) and b2 (7).
  const std::vector<std::pair<const char*, std::int32_t>> rows = {{"a", -1},   {"a1", 0}, {"a11", 1}, {"a12", 1},
                                                                  {"a121", 3}, {"b", -1}, {"b1", 5},  {"b2", 5}};
  const std::vector<std::string> texts = {"a", "a1", "a11", "a12", "a121", "b", "b1", "b2"};
  const std::vector<std::int32_t> parents = {-1, 0, 1, 1, 3, -1, 5, 5};
  const struct {
    const char* name;
    std::int32_t row, parent, result;
    std::vector<std::string> texts;
    std::vector<std::int32_t> parents;
  } cases[] = {
      {"onto its own parent", 7, 5, 7, texts, parents},
      {"onto itself", 6, 6, 6, texts, parents},
      {"row 0", 0, 5, 0, texts, parents},
      {"a row with descendants", 5, 4, 5, texts, parents},
      {"under a later row", 6, 7, 6, texts, parents},
      {"to the top level", 6, -1, 6, texts, parents},
      {"out of range", 8, 0, 8, texts, parents},
      {"under the row before", 7, 6, 7, texts, {-1, 0, 1, 1, 3, -1, 5, 6}},
      // b1 passes b, and b2 keeps its parent b one row further down.
      {"past a subtree", 6, 1, 5, {"a", "a1", "a11", "a12", "a121", "b1", "b", "b2"}, {-1, 0, 1, 1, 3, 1, -1, 6}},
      // a11 goes to the end of a's subtree (left in place, it would part a1 from a12), and a121 keeps a12.
      {"from deeper in the subtree",
       2,
       0,
       4,
       {"a", "a1", "a12", "a121", "a11", "b", "b1", "b2"},
       {-1, 0, 1, 2, 0, -1, 5, 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RCPtr<LTreeView> tree = MakeTree();
    Build(tree, rows);
    for (const std::int32_t row : {0, 1, 5})
      tree->ExpandRow(row);
    tree->SetMultiSelect(true);
    ASSERT_EQ(tree->SelectRange(6, 6, false), 6);
    EXPECT_EQ(tree->MoveRowUnder(c.row, c.parent), c.result);
    EXPECT_EQ(Texts(tree), c.texts);
    EXPECT_EQ(Parents(tree), c.parents);
    const auto b1 = static_cast<std::int32_t>(std::find(c.texts.begin(), c.texts.end(), "b1") - c.texts.begin());
    EXPECT_EQ(tree->GetFocusRow(), b1) << "the focus follows its row";
    EXPECT_TRUE(tree->IsRowSelected(b1));
    if (c.parents != parents) {
      EXPECT_TRUE(tree->IsRowExpanded(c.parents[static_cast<std::size_t>(c.result)])) << "the new parent opens";
      EXPECT_FALSE(tree->IsRowHidden(c.result));
    }
    tree->Close();
  }
}

// ---------------------------------------------------------------------------
// Random edits against a model

// The model: nodes by id with their children in order; the rows are the preorder.
struct ModelNode {
  std::int32_t parent = -1; // an id
  std::vector<std::int32_t> children;
  bool expanded = false;
};

class ModelTree {
public:
  std::vector<std::int32_t> Rows() const {
    std::vector<std::int32_t> rows;
    std::function<void(std::int32_t)> walk = [&](std::int32_t id) {
      rows.push_back(id);
      for (const std::int32_t child : mNodes.at(id).children)
        walk(child);
    };
    for (const std::int32_t id : mTop)
      walk(id);
    return rows;
  }
  std::vector<std::int32_t>& ChildrenOf(std::int32_t parent) {
    return parent < 0 ? mTop : mNodes[parent].children;
  }
  void Add(std::int32_t id, std::int32_t parent, bool first) {
    mNodes[id].parent = parent;
    std::vector<std::int32_t>& siblings = ChildrenOf(parent);
    siblings.insert(first ? siblings.begin() : siblings.end(), id);
  }
  void Erase(std::int32_t id) {
    for (const std::int32_t child : std::vector<std::int32_t>(mNodes[id].children))
      Erase(child);
    std::vector<std::int32_t>& siblings = ChildrenOf(mNodes[id].parent);
    siblings.erase(std::find(siblings.begin(), siblings.end(), id));
    mNodes.erase(id);
  }
  void MoveUnder(std::int32_t id, std::int32_t parent) {
    std::vector<std::int32_t>& siblings = ChildrenOf(mNodes[id].parent);
    siblings.erase(std::find(siblings.begin(), siblings.end(), id));
    Add(id, parent, false);
    mNodes[parent].expanded = true;
  }
  bool Shown(std::int32_t id) const {
    for (std::int32_t p = mNodes.at(id).parent; p >= 0; p = mNodes.at(p).parent)
      if (!mNodes.at(p).expanded)
        return false;
    return true;
  }
  std::int32_t Depth(std::int32_t id) const {
    std::int32_t depth = 0;
    for (std::int32_t p = mNodes.at(id).parent; p >= 0; p = mNodes.at(p).parent)
      ++depth;
    return depth;
  }
  std::int32_t Subtree(std::int32_t id) const {
    std::int32_t size = 1;
    for (const std::int32_t child : mNodes.at(id).children)
      size += Subtree(child);
    return size;
  }

  std::map<std::int32_t, ModelNode> mNodes;
  std::vector<std::int32_t> mTop;
};

std::int32_t IdOf(const RCPtr<LTreeView>& tree, std::int32_t row) { return tree->GetItemText(row).ToInt(); }

void ExpectMatches(const RCPtr<LTreeView>& tree, const ModelTree& model) {
  const std::vector<std::int32_t> rows = model.Rows();
  ASSERT_EQ(tree->GetItemCount(), static_cast<std::int32_t>(rows.size()));
  std::int32_t selected = 0;
  std::int32_t checked = 0;
  std::int32_t shown = 0;
  for (std::int32_t row = 0; row < tree->GetItemCount(); ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    const std::int32_t id = rows[static_cast<std::size_t>(row)];
    const ModelNode& node = model.mNodes.at(id);
    ASSERT_EQ(IdOf(tree, row), id) << "tree order";
    const std::int32_t parent = tree->GetParentRow(row);
    ASSERT_LT(parent, row) << "parent links point backwards";
    ASSERT_EQ(parent < 0 ? -1 : IdOf(tree, parent), node.parent);
    // Every row between the parent and the row lies in the parent's subtree.
    for (std::int32_t between = parent + 1; parent >= 0 && between < row; ++between)
      ASSERT_TRUE(tree->IsAncestor(parent, between)) << "row " << between << " inside the parent's subtree";
    ASSERT_EQ(tree->GetDepth(row), model.Depth(id));
    ASSERT_EQ(tree->GetDescendantCount(row), model.Subtree(id) - 1);
    ASSERT_EQ(tree->IsRowHidden(row), !model.Shown(id)) << "visibility follows the expanded ancestors";
    ASSERT_EQ(tree->IsRowExpanded(row), node.expanded);
    if (tree->IsRowHidden(row)) {
      ASSERT_FALSE(tree->IsRowSelected(row)) << "hidden rows are never selected";
    }
    selected += tree->IsRowSelected(row) ? 1 : 0;
    checked += tree->IsRowChecked(row) ? 1 : 0;
    shown += tree->IsRowHidden(row) ? 0 : 1;
  }
  ASSERT_EQ(tree->GetContentHeight(), shown * tree->GetRowHeight()) << "hidden rows take no height";
  ASSERT_EQ(tree->GetSelectedCount(), selected);
  ASSERT_EQ(tree->GetCheckedCount(), checked);
  ASSERT_LT(tree->GetAnchorRow(), tree->GetItemCount());
  ASSERT_LT(tree->GetFocusRow(), tree->GetItemCount());
  ASSERT_GE(tree->GetAnchorRow(), -1);
  ASSERT_GE(tree->GetFocusRow(), -1);
}

TEST(TreeViewModelTest, RandomEditsKeepTheTreeWhole) {
  std::mt19937 random(4711);
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const RCPtr<LTreeView> tree = MakeTree();
    tree->SetMultiSelect(trial % 2 == 0);
    ModelTree model;
    std::int32_t nextId = 0;
    for (int step = 0; step < 60; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      const std::int32_t count = tree->GetItemCount();
      const std::int32_t row = count > 0 ? static_cast<std::int32_t>(random() % static_cast<unsigned>(count)) : -1;
      const unsigned action = count == 0 ? 0u : random() % 8u;
      if (action <= 2) {
        // A child (or a top-level row) first or last among its siblings.
        const std::int32_t parent = random() % 4 == 0 ? -1 : row;
        const bool first = random() % 2 == 0;
        std::int32_t at = count;
        if (parent >= 0)
          at = first ? parent + 1 : parent + 1 + tree->GetDescendantCount(parent);
        else if (first)
          at = 0;
        const std::int32_t id = nextId++;
        const std::int32_t anchorId = tree->GetAnchorRow() >= 0 ? IdOf(tree, tree->GetAnchorRow()) : -1;
        const std::int32_t focusId = tree->GetFocusRow() >= 0 ? IdOf(tree, tree->GetFocusRow()) : -1;
        ASSERT_EQ(tree->InsertItem(at, LListBox::MakeTextItem(WideString(std::to_string(id).c_str()))), at);
        EXPECT_EQ(tree->GetAnchorRow() >= 0 ? IdOf(tree, tree->GetAnchorRow()) : -1, anchorId)
            << "the anchor stays on its row";
        EXPECT_EQ(tree->GetFocusRow() >= 0 ? IdOf(tree, tree->GetFocusRow()) : -1, focusId)
            << "the focus stays on its row";
        ASSERT_EQ(tree->SetParentRow(at, parent), S_OK);
        tree->UpdateDescendantVisibility(parent);
        model.Add(id, parent < 0 ? -1 : IdOf(tree, parent), first);
      } else if (action == 3) {
        tree->ExpandRow(row);
        model.mNodes[IdOf(tree, row)].expanded = true;
      } else if (action == 4) {
        tree->SetRowChecked(row, false);
        tree->UpdateDescendantVisibility(row);
        model.mNodes[IdOf(tree, row)].expanded = false;
      } else if (action == 5) {
        if (!tree->IsRowHidden(row)) {
          ASSERT_EQ(tree->SelectRange(row, row, random() % 3 == 0), row);
        }
      } else if (action == 6) {
        const std::int32_t id = IdOf(tree, row);
        ASSERT_EQ(tree->RemoveItem(row), count - model.Subtree(id));
        model.Erase(id);
      } else {
        // Any row (or -1), or often the row's top-level ancestor, from inside whose subtree it moves.
        std::int32_t parent = static_cast<std::int32_t>(random() % static_cast<unsigned>(count + 1)) - 1;
        if (random() % 2 == 0)
          for (parent = row; tree->GetParentRow(parent) >= 0;)
            parent = tree->GetParentRow(parent);
        const std::int32_t id = IdOf(tree, row);
        const ModelNode& node = model.mNodes[id];
        const bool moves =
            row > 0 && parent >= 0 && parent < row && node.children.empty() && IdOf(tree, parent) != node.parent;
        const std::int32_t parentId = parent >= 0 ? IdOf(tree, parent) : -1;
        const std::int32_t result = tree->MoveRowUnder(row, parent);
        if (moves) {
          model.MoveUnder(id, parentId);
          const std::vector<std::int32_t> rows = model.Rows();
          ASSERT_EQ(result, std::find(rows.begin(), rows.end(), id) - rows.begin());
        } else {
          ASSERT_EQ(result, row);
        }
      }
      ASSERT_NO_FATAL_FAILURE(ExpectMatches(tree, model));
    }
    tree->Close();
  }
}

} // namespace
} // namespace QZ
