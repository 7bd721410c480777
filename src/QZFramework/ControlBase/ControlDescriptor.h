#pragma once
// LControlDescriptor: one SubControl of the skin (or the root of a top-level
// skin, class "Application", whose children are the top-level controls), with
// its layout, skin and creation parameters and the descriptors of its children.
// LSkinDescriptor: the look list and font of a control or of a top-level skin.
//
// Descriptors are shared by every control built from them and fixed once the
// skin reader has closed them, except the create function cached on a
// descriptor's first creation and the visible flag the factory sets on a
// top-level control's layout. A descriptor counts its children, skin, layout
// and creation parameters; the parent link is a plain back pointer, so a tree
// is freed from its root down.
//
// Used on the UI thread only; nothing locks them.

#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/ControlBase/LookDescriptor.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class LControl;
class LControlDescriptor;

// The function a control class registers with the factory: constructs a
// control of the class under parent (null for a top-level control) from the
// descriptor, stores it in out and returns out.
using ControlCreateFunction = RCPtr<LControl>& (*)(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                                   const RCPtr<LControlDescriptor>& descriptor);

// The font style of a skin that gives none.
inline constexpr std::int32_t kNoFontStyle = -1;

class LSkinDescriptor : public virtual LRefCountedObject {
public:
  explicit LSkinDescriptor(const WideString& name) : mName(name) {}
  ~LSkinDescriptor() override = default;

  WideString mName;
  // Shared by every skin that names it; null when the skin names none.
  RCPtr<LLookList> mLookList;
  bool mFontInheritsFromParent = false;
  bool mFontSizeIsRelative = false;
  WideString mFontName;
  float mFontSize = 0;
  std::int32_t mFontStyle = kNoFontStyle;
};

class LControlDescriptor : public virtual LRefCountedObject {
public:
  // The class every root descriptor of a top-level skin has.
  static constexpr const char16_t* kRootClass = u"Application";

  LControlDescriptor(const WideString& className, const WideString& name, LControlDescriptor* parent)
      : mClass(className), mName(name), mParent(parent) {}
  ~LControlDescriptor() override = default;

  // Appends to the children; the array's result.
  std::int32_t AddChild(const RCPtr<LControlDescriptor>& child) { return mChildren.AddItem(child); }
  // Each replaces its field. 0.
  QZRESULT SetSkin(const RCPtr<LSkinDescriptor>& skin);
  QZRESULT SetLayout(const RCPtr<LLayoutDescriptor>& layout);
  QZRESULT SetCreateParams(const RCPtr<LStringTable>& params);

  // A new descriptor named newName (this one's name when newName is empty)
  // with this one's class, parent, skin, layout, creation parameters and create
  // function, and a new array of the same children: the child descriptors,
  // skin, layout and parameters themselves are shared, not copied.
  [[nodiscard]] RCPtr<LControlDescriptor> Clone(const WideString& newName) const;

  const WideString& GetClass() const { return mClass; }
  const WideString& GetName() const { return mName; }
  void SetName(const WideString& name) { mName = name; }
  LControlDescriptor* GetParent() const { return mParent; }
  bool IsRoot() const { return mParent == nullptr; }
  const RCPtrArray<LControlDescriptor>& GetChildren() const { return mChildren; }
  RCPtrArray<LControlDescriptor>& GetChildren() { return mChildren; }
  const RCPtr<LSkinDescriptor>& GetSkin() const { return mSkin; }
  const RCPtr<LLayoutDescriptor>& GetLayout() const { return mLayout; }
  const RCPtr<LStringTable>& GetCreateParams() const { return mCreateParams; }
  // Null until the factory looks the class up on the first creation.
  ControlCreateFunction GetCreateFunction() const { return mCreateFunction; }
  void SetCreateFunction(ControlCreateFunction function) { mCreateFunction = function; }

private:
  WideString mClass;
  WideString mName;
  LControlDescriptor* mParent; // not counted: the parent holds this one
  RCPtrArray<LControlDescriptor> mChildren;
  RCPtr<LSkinDescriptor> mSkin;
  RCPtr<LLayoutDescriptor> mLayout;
  RCPtr<LStringTable> mCreateParams;
  ControlCreateFunction mCreateFunction = nullptr;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LSkinDescriptor, "class QZ::LSkinDescriptor")
QZ_TYPE_NAME(QZ::LControlDescriptor, "class QZ::LControlDescriptor")
