#pragma once
// LLayoutDescriptor: the layout of one SubControl of the skin, as the skin reader
// stored it (what the layout makes of the values is the layout code's). A passive
// record: the reader fills it once; controls read it, and a control that needs to
// change a value takes a Clone first, since many controls share one descriptor.
//
// Used on the UI thread only; nothing locks it.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

// What a position is measured from.
enum PositionReference : std::int32_t {
  kPositionParent = 0,  // "Parent", "Screen"
  kPositionClient = 1,  // "Client", "Active Window"
  kPositionControl = 2, // another control, by its reference name
};

// What a size is measured from.
enum SizeReference : std::int32_t {
  kSizeParent = 0,  // "Parent", "Screen"
  kSizeClient = 1,  // "Client", "Active Window"
  kSizeSelf = 2,    // "Self"
  kSizeControl = 3, // another control, by its reference name
};

enum TextOverflow : std::int32_t {
  kTextOverflowClip = 0,
  kTextOverflowExpand = 1,
  kTextOverflowWrap = 2, // X axis only
};

// One axis of a layout's placement, as handed to the layout code. Equal when
// every member is; the name counts only for a reference to a control.
struct AxisPlacement {
  float mAnchor = 0;
  std::int32_t mReference = kPositionClient;
  WideString mReferenceName;
  float mRelative = 0;
  double mAbsolute = 0;
  bool mDocked = false;

  friend bool operator==(const AxisPlacement& a, const AxisPlacement& b) {
    return a.mAnchor == b.mAnchor && a.mReference == b.mReference && a.mRelative == b.mRelative &&
           a.mAbsolute == b.mAbsolute && a.mDocked == b.mDocked &&
           (a.mReference != kPositionControl || a.mReferenceName.EqualsString(b.mReferenceName));
  }
};

// One axis of a layout's size; the name counts for equality only for a
// reference to a control.
struct SizeSpec {
  std::int32_t mReference = kSizeSelf;
  WideString mReferenceName;
  float mRelative = 0;
  double mAbsolute = 0;

  friend bool operator==(const SizeSpec& a, const SizeSpec& b) {
    return a.mReference == b.mReference && a.mRelative == b.mRelative && a.mAbsolute == b.mAbsolute &&
           (a.mReference != kSizeControl || a.mReferenceName.EqualsString(b.mReferenceName));
  }
};

// A minimum or maximum size; not relative to a control stands for "Self". The
// control name "Children" stands for all children. The name counts for
// equality only when relative to a control.
struct SizeLimitSpec {
  static constexpr const char16_t* kAllChildren = u"Children";

  bool mRelativeToControl = false;
  WideString mControlName;
  float mRelative = 0;
  double mAbsolute = 0;

  friend bool operator==(const SizeLimitSpec& a, const SizeLimitSpec& b) {
    return a.mRelativeToControl == b.mRelativeToControl && a.mRelative == b.mRelative &&
           a.mAbsolute == b.mAbsolute && (!a.mRelativeToControl || a.mControlName.EqualsString(b.mControlName));
  }
};

class LLayoutDescriptor : public virtual LRefCountedObject {
public:
  static constexpr std::int32_t kAxisX = 0;
  static constexpr std::int32_t kAxisY = 1;

  // The values of a SubControl that gives no layout attribute: 16 by 40,
  // sized by itself, placed in the parent's client area, visible and enabled.
  LLayoutDescriptor();
  ~LLayoutDescriptor() override = default;

  // A new descriptor with every field copied.
  [[nodiscard]] RCPtr<LLayoutDescriptor> Clone() const;

  // Copies the axis's placement (with its docked flag) and size; E_INVALIDARG
  // for an axis other than kAxisX and kAxisY, the outputs left unchanged.
  [[nodiscard]] QZRESULT GetAxisLayout(std::int32_t axis, AxisPlacement& placement, SizeSpec& size) const;
  // Stores the axis's placement (with its docked flag) and size; E_INVALIDARG
  // for another axis, nothing stored.
  [[nodiscard]] QZRESULT SetAxisLayout(std::int32_t axis, const AxisPlacement& placement, const SizeSpec& size);
  // The axis's minimum and maximum size, read and stored like the placement.
  [[nodiscard]] QZRESULT GetAxisSizeLimits(std::int32_t axis, SizeLimitSpec& minimum,
                                           SizeLimitSpec& maximum) const;
  [[nodiscard]] QZRESULT SetAxisSizeLimits(std::int32_t axis, const SizeLimitSpec& minimum,
                                           const SizeLimitSpec& maximum);

  // A sibling was renamed: the X and Y position and size references naming
  // oldName name newName afterwards. The size limits keep their names.
  void RenameControlReference(const WideString& oldName, const WideString& newName);

  bool mClipToParent = true;
  std::int32_t mZOrder = 0;
  std::int32_t mTabStop = 0;
  bool mVisible = true;
  bool mEnabled = true;
  // Set by code, never by the skin: the control takes no room and is not drawn.
  bool mHidden = false;
  // Indexed by kAxisX, kAxisY.
  AxisPlacement mPlacement[2];
  SizeSpec mSize[2];
  SizeLimitSpec mMinSize[2];
  SizeLimitSpec mMaxSize[2];
  WideString mTextDecoration;
  std::int32_t mTextOverflowX = kTextOverflowClip;
  std::int32_t mTextOverflowY = kTextOverflowClip;
  std::int32_t mLayoutOrder = 0;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LLayoutDescriptor, "class QZ::LLayoutDescriptor")
