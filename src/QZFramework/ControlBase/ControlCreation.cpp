// Building a control from its skin descriptor, and rebuilding it in place.

#include "QZFramework/ControlBase/Control.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/ControlFactory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace QZ {

namespace {

constexpr const char16_t* kDeferCreate = u"DEFER_CREATE";
constexpr const char16_t* kInitialValue = u"INITIAL_VALUE";
constexpr const char16_t* kNotFocusable = u"NOT_FOCUSABLE";
constexpr const char16_t* kUseParentToolTip = u"USE_PARENT_TOOLTIP";
constexpr const char16_t* kWantsTab = u"WANTS_TAB";
constexpr const char16_t* kLabel = u"LABEL";

// The longest numeric prefix after leading blanks, as the C library reads it;
// 0 when there is none.
double LeadingNumber(const WideString& text) {
  // Decimal notation only: no hexadecimal, infinity or NaN spellings.
  std::string narrow;
  for (const char16_t* p = text.GetChars(); p && *p; ++p) {
    if (*p >= 0x80 || !std::strchr(" \t\r\n+-.0123456789eE", static_cast<char>(*p)))
      break;
    narrow.push_back(static_cast<char>(*p));
  }
  return std::strtod(narrow.c_str(), nullptr);
}

} // namespace

bool LControl::IsTrueParam(const WideString& text) { return text.ToLower().Trim().IsEqual(u"true"); }

bool LControl::IsCreationDeferred(const RCPtr<LControlDescriptor>& descriptor) {
  if (!descriptor || !descriptor->GetCreateParams())
    return false;
  WideString text;
  return descriptor->GetCreateParams()->GetString(kDeferCreate, text) && IsTrueParam(text);
}

QZRESULT LControl::CreateChildren(const RCPtr<LControlDescriptor>& descriptor) {
  const RCPtr<LControl> self(this);
  mChildren.RemoveAll();
  if (descriptor) {
    LControlFactory* factory = GetFrameworkApp() ? GetFrameworkApp()->GetControlFactory() : nullptr;
    const RCPtrArray<LControlDescriptor>& children = descriptor->GetChildren();
    for (std::uint32_t i = 0; factory && i < children.GetCount(); ++i) {
      const RCPtr<LControlDescriptor>& child = children.GetAt(i);
      if (!IsCreationDeferred(child))
        static_cast<void>(factory->CreateControl(child, self));
    }
  }
  static_cast<void>(UpdateLayout());
  return S_OK;
}

QZRESULT LControl::ReadCreateParams() {
  const RCPtr<LStringTable> params = mDescriptor ? mDescriptor->GetCreateParams() : RCPtr<LStringTable>();
  const bool tabStopSaysNotFocusable = mLayout && mLayout->mTabStop < 0;
  if (!params) {
    SetNotFocusable(tabStopSaysNotFocusable);
    return S_OK;
  }
  WideString text;
  if (params->GetString(kInitialValue, text))
    static_cast<void>(SetValue(LeadingNumber(text)));
  SetNotFocusable(params->GetString(kNotFocusable, text) ? IsTrueParam(text) : tabStopSaysNotFocusable);
  if (params->GetString(kUseParentToolTip, text))
    mUseParentToolTip = IsTrueParam(text);
  if (params->GetString(kWantsTab, text))
    mWantsTab = IsTrueParam(text);
  return S_OK;
}

QZRESULT LControl::AttachChildFromDescriptor(RCPtr<LControl> child, const RCPtr<LControlDescriptor>& descriptor) {
  if (!child || !descriptor)
    return E_FAIL;
  const QZRESULT result = child->SetParent(RCPtr<LControl>(this));
  if (result >= 0)
    static_cast<void>(child->CreateChildrenFromDescriptor(descriptor));
  return result;
}

QZRESULT LControl::CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) {
  if (!descriptor)
    return S_OK;
  const RCPtr<LControl> self(this); // re-parenting children must not free the control
  const bool rebuild = mCreated;
  bool wasVisible = true;
  bool wasEnabled = true;
  if (rebuild) {
    if (mLayout) {
      wasVisible = mLayout->mVisible;
      wasEnabled = mLayout->mEnabled;
    }
    // A floating control withdraws its share of the ancestors' counts; it is
    // counted again below when the new layout still floats.
    SetClipToParent(true);
  }

  mDescriptor = descriptor;
  mLayout = descriptor->GetLayout() ? descriptor->GetLayout()->Clone() : MakeRCPtr<LLayoutDescriptor>();

  if (mRootWindow) {
    mLayout->mVisible = true;
    if (rebuild) {
      // The window stays where it is on screen.
      const RectT<std::int32_t> client = mRootWindow->GetBounds();
      AxisPlacement xPlacement = mLayout->mPlacement[LLayoutDescriptor::kAxisX];
      AxisPlacement yPlacement = mLayout->mPlacement[LLayoutDescriptor::kAxisY];
      SizeSpec xSize = mLayout->mSize[LLayoutDescriptor::kAxisX];
      SizeSpec ySize = mLayout->mSize[LLayoutDescriptor::kAxisY];
      xPlacement.mRelative = 0;
      xPlacement.mAbsolute = std::clamp(static_cast<double>(client.x), -kMaxExactDouble, kMaxExactDouble);
      yPlacement.mRelative = 0;
      yPlacement.mAbsolute = std::clamp(static_cast<double>(client.y), -kMaxExactDouble, kMaxExactDouble);
      xSize.mRelative = 0;
      xSize.mAbsolute = mBounds.width;
      ySize.mRelative = 0;
      ySize.mAbsolute = mBounds.height;
      static_cast<void>(SetPlacement(xPlacement, xSize, yPlacement, ySize));
    }
    static_cast<void>(ReservedQueryC(mBounds));
  }

  if (rebuild) {
    const bool nowVisible = mLayout->mVisible;
    if (nowVisible != wasVisible) {
      mLayout->mVisible = wasVisible;
      SetVisible(nowVisible);
    }
    mLayout->mEnabled = wasEnabled;
    WideString text;
    const RCPtr<LStringTable>& params = descriptor->GetCreateParams();
    // Through the setter: a control that stops being focusable on a rebuild gives the focus up.
    SetNotFocusable(params && params->GetString(kNotFocusable, text) ? IsTrueParam(text) : mLayout->mTabStop < 0);
  }

  // Looks: one per entry of the skin's look list (an empty entry gives none).
  const RCPtr<LSkinDescriptor>& skin = descriptor->GetSkin();
  mLooks.RemoveAll();
  if (skin && skin->mLookList) {
    const bool wrap = mLayout->mTextOverflowX == kTextOverflowWrap;
    const LLookList& list = *skin->mLookList;
    for (std::uint32_t i = 0; i < list.GetCount(); ++i) {
      const RCPtr<LLookDescriptor>& lookDescriptor = list.GetAt(i);
      static_cast<void>(AddLook(lookDescriptor ? LLook::Create(lookDescriptor, wrap) : RCPtr<LLook>()));
    }
  }

  if (skin) {
    mFontInheritsFromParent = skin->mFontInheritsFromParent;
    mFontSizeIsRelative = skin->mFontSizeIsRelative;
    static_cast<void>(SetFontSpec(skin->mFontName, skin->mFontSize, skin->mFontStyle, skin->mFontSizeIsRelative));
  } else {
    static_cast<void>(SetFontSpec(WideString(), 0.0f, kNoFontStyle, false));
  }

  if (!rebuild) {
    WideString label;
    if (mStringTable)
      mStringTable->GetString(kLabel, label);
    ApplyText(label, false);
  } else {
    // The same text again, laid out with the new looks and font.
    const WideString text = mText;
    mText = text.Concat(WideString(u"~"));
    ApplyText(text, false);
  }

  if (!mLayout->mClipToParent && mParent)
    mParent->IncrementUnclippedDescendants();

  std::vector<RCPtr<LControl>> oldChildren;
  for (std::uint32_t i = 0; i < mChildren.GetCount(); ++i)
    oldChildren.push_back(mChildren.GetAt(i, kCreationOrder));
  mChildren.RemoveAll();
  mBounds = {0, 0, 0, 0};
  static_cast<void>(UpdateLayout());

  if (!rebuild) {
    static_cast<void>(SelectLook(0));
    mConditionsParam->mPreviousBits = mConditionsParam->mCurrentBits;
    mConditionsParam->mCurrentBits = ComputeConditionBits();
    mConditionsParam->mPoint = mDragOrigin;
    return S_OK;
  }

  // Children keep their identity: each descriptor child takes the first old
  // child of its name; old children left over are dropped.
  mLayoutSuppressed = true;
  const RCPtrArray<LControlDescriptor>& childDescriptors = descriptor->GetChildren();
  for (std::uint32_t i = 0; i < childDescriptors.GetCount(); ++i) {
    const RCPtr<LControlDescriptor>& childDescriptor = childDescriptors.GetAt(i);
    RCPtr<LControl> match;
    for (auto it = oldChildren.begin(); it != oldChildren.end(); ++it) {
      if ((*it)->GetName().EqualsString(childDescriptor->GetName())) {
        match = *it;
        oldChildren.erase(it);
        break;
      }
    }
    static_cast<void>(AttachChildFromDescriptor(match, childDescriptor));
  }
  for (const RCPtr<LControl>& unmatched : oldChildren)
    static_cast<void>(AttachChildFromDescriptor(unmatched, RCPtr<LControlDescriptor>()));
  mLayoutSuppressed = false;
  if (mChildren.GetCount() > 0)
    static_cast<void>(UpdateLayout());
  UpdateConditions();
  static_cast<void>(FinishInitialize());
  mChildren.AdvanceChangeStamp();

  if (mRootWindow) {
    // A rebuilt top-level control fills its window.
    AxisPlacement xPlacement = mLayout->mPlacement[LLayoutDescriptor::kAxisX];
    AxisPlacement yPlacement = mLayout->mPlacement[LLayoutDescriptor::kAxisY];
    SizeSpec xSize = mLayout->mSize[LLayoutDescriptor::kAxisX];
    SizeSpec ySize = mLayout->mSize[LLayoutDescriptor::kAxisY];
    for (AxisPlacement* placement : {&xPlacement, &yPlacement}) {
      placement->mAnchor = 0;
      placement->mReference = kPositionClient;
      placement->mRelative = 0;
      placement->mAbsolute = 0;
    }
    for (SizeSpec* size : {&xSize, &ySize}) {
      size->mReference = kSizeClient;
      size->mRelative = 1.0f;
      size->mAbsolute = 0;
    }
    static_cast<void>(SetPlacement(xPlacement, xSize, yPlacement, ySize));
    static_cast<void>(UpdateLayout());
    InvalidateRect({0, 0, mBounds.width, mBounds.height}, mLayout->mClipToParent);
  }
  return S_OK;
}

} // namespace QZ
