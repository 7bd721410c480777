#pragma once
// A generic control class for the tests, registered with the factory as
// "Test.Control": its create function builds the control from its descriptor
// the short way (a copy of the skin layout, bounds of the layout's absolute
// size, its children through the factory), then initialises it and sets its
// created flag. It counts live instances and records its idle calls, the
// rectangles it invalidated and the children it lost.

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/ControlFactory.h"

#include <cstdint>
#include <string>
#include <vector>

namespace QZ::test {

class TestControl : public LControl {
public:
  static constexpr const char16_t* kClassName = u"Test.Control";

  TestControl(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) { ++sLive; }
  ~TestControl() override { --sLive; }

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor) {
    const RCPtr<TestControl> control(new TestControl(parent, descriptor->GetName()));
    control->Build(descriptor);
    control->Initialize();
    control->FinishInitialize();
    control->SetCreated();
    out = control;
    return out;
  }

  // Registers the class with the application's factory.
  static void Register(LControlFactory& factory) {
    factory.RegisterControlCreateFunction(WideString(kClassName), &TestControl::Create);
  }

  void OnIdle() override { ++mIdleCalls; }
  QZRESULT InvalidateRect(const RectT<double>& rect, bool clip) override {
    mInvalidated.push_back(rect);
    return LControl::InvalidateRect(rect, clip);
  }
  void OnChildRemoved(const RCPtr<LControl>& child, std::int32_t formerIndex) override {
    mRemoved.push_back(child->GetName().ToNarrow().GetChars() + std::string(":") + std::to_string(formerIndex));
  }

  // Test access to what the creation code sets.
  void SetSize(double width, double height) {
    mBounds.width = width;
    mBounds.height = height;
  }
  void SetLayout(const RCPtr<LLayoutDescriptor>& layout) { mLayout = layout; }
  void SetToolTip(const WideString& text, bool useParent) {
    mToolTipText = text;
    mUseParentToolTip = useParent;
  }
  void SetFontFlags(bool inheritsFromParent, bool sizeIsRelative) {
    mFontInheritsFromParent = inheritsFromParent;
    mFontSizeIsRelative = sizeIsRelative;
  }
  void SetFocusFlags(bool notFocusable, bool ignoresAncestors) {
    mNotFocusable = notFocusable;
    mFocusIgnoresAncestors = ignoresAncestors;
  }

  std::int32_t mIdleCalls = 0;
  std::vector<RectT<double>> mInvalidated;
  std::vector<std::string> mRemoved;
  static inline std::int32_t sLive = 0;

private:
  void Build(const RCPtr<LControlDescriptor>& descriptor) {
    mDescriptor = descriptor;
    mLayout = descriptor->GetLayout() ? descriptor->GetLayout()->Clone() : MakeRCPtr<LLayoutDescriptor>();
    mBounds = {0, 0, mLayout->mSize[LLayoutDescriptor::kAxisX].mAbsolute,
               mLayout->mSize[LLayoutDescriptor::kAxisY].mAbsolute};
    if (!mLayout->mClipToParent && mParent)
      mParent->IncrementUnclippedDescendants();
    LControlFactory* factory = GetFrameworkApp()->GetControlFactory();
    const RCPtrArray<LControlDescriptor>& children = descriptor->GetChildren();
    for (std::uint32_t i = 0; i < children.GetCount(); ++i)
      factory->CreateControl(children.GetAt(i), RCPtr<LControl>(this));
  }
};

} // namespace QZ::test
