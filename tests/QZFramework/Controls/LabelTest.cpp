// The label never takes the focus, whatever its skin entry says.

#include "QZFramework/Controls/ControlsFixture.h"

#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/ControlBase/Look.h"
#include "QZFramework/ControlBase/LookDescriptor.h"

#include <gtest/gtest.h>

namespace QZ {
namespace {

using test::ControlsFixture;
using test::TestControl;

TEST_F(ControlsFixture, ALabelIsSkippedByTabAndByClicks) {
  const auto root = Make<TestControl>(RCPtr<LControl>(), u"root", {0, 0, 200, 200});
  mWindow->SetRootControl(root);
  const auto before = Make<LButton>(root, u"before", {0, 0, 20, 20});
  const auto label = Make<LLabel>(root, u"label", {30, 0, 50, 20});
  const auto after = Make<LButton>(root, u"after", {90, 0, 20, 20});
  EXPECT_TRUE(label->IsNotFocusable());
  ASSERT_EQ(before->SetFocus(true), S_OK);
  mWindow->Key(0x09);
  EXPECT_EQ(Focused(), "after");
  mWindow->Click(kMouseButtonLeft, {40, 10});
  EXPECT_FALSE(label->HasFocus());
  static_cast<void>(label->SetFocus(true));
  EXPECT_FALSE(label->HasFocus());
}

// A label with a look that has no text area, so any text of its own is cut off.
class TipLabel : public LLabel {
public:
  TipLabel() : LLabel(RCPtr<LControl>(), WideString(u"label")) {
    mLayout = MakeRCPtr<LLayoutDescriptor>();
    mBounds = {0, 0, 50, 20};
    AddLook(LLook::Create(MakeRCPtr<LLookDescriptor>(WideString(u"Plain")), false));
    static_cast<void>(SetLookWeight(0, 1.0f, true));
    mToolTipText = WideString(u"from the skin");
  }
};

TEST_F(ControlsFixture, ALabelShowsItsOwnTextAsTheTipOnlyWhileItIsCutOff) {
  const RCPtr<TipLabel> label = MakeRCPtr<TipLabel>();
  EXPECT_TRUE(label->GetToolTipText().IsEqual(u"from the skin"));
  static_cast<void>(label->SetText(WideString(u"a caption too long")));
  ASSERT_TRUE(label->IsTextTruncated());
  EXPECT_TRUE(label->GetToolTipText().IsEqual(u"a caption too long"));
}

} // namespace
} // namespace QZ
