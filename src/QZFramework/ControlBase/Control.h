#pragma once
// LControl: the base of every control. A control is a node of a tree: a name
// unique among its siblings, a parent (or, at the top, a root window), its
// children in a ChildControlList, its own copy of its skin layout and its
// bounds in the parent's content space. Every control is reference counted,
// subscribes to other objects' notifications (client), sends its own through
// itself (distributor) and may carry a tag.
//
// Ownership. A parent holds each child through its child list; each child holds
// its parent through a counted reference that the parent counts as one of its
// inner references. When only its children (and its own subscriptions) still
// hold a control, Release calls ReleaseInnerReferences, which detaches the
// children and leaves every distributor, so a tree is freed completely when the
// last outside reference to its top goes. A top-level control holds its root
// window the same way (the root window counts that reference as inner).
//
// Idle work: a control that asks for "NID_IDLE" (BeginIdleNotifications) is
// subscribed to its root window's distributor while its request count is above
// 0 and it has a root window; a tree that gets a root window later is
// subscribed then (AttachToRootWindow). Notifications reach the control's
// handler only once its created flag is set.
//
// Layout. A control's bounds are doubles in its parent's content space (the
// parent's client origin shifted by its scroll offset; a docked axis stores the
// scroll offset in its position so it stays put). They are recomputed from the
// control's own layout copy whenever the parent's size or scroll, a named
// sibling, the children, the text or the layout changes, and are integral after
// every pass. New bounds go down to the children (container resized) and on to
// later siblings in creation order; the layout-suppressed flag keeps a control
// from being laid out again by its children while it passes a size down.
//
// Looks: one per visual state with a weight each (kept the same length); the
// look with a weight above 0 that comes first is the one shown and gives the
// client rectangle.
//
// Controls live on the UI thread; nothing here locks. Reference counts are
// atomic, so references may be dropped elsewhere, but the tree changes only on
// the UI thread.

#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/ControlDescriptor.h"
#include "QZFramework/ControlBase/ControlParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/ControlBase/Look.h"
#include "QZFramework/ControlBase/MenuDescriptor.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/ControlBase/UITarget.h"
#include "QZFramework/Notification/NotificationCenter.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/Notification/NotificationHandler.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Graphics/Region.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/TaggableObject.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace QZ {

class LControl : public virtual LNotificationClient,
                 public virtual LNotificationDistributor,
                 public virtual LTaggableObject,
                 public virtual UITarget {
public:
  // A control's children in creation order, with two views of indices sorted
  // lazily: z order (clipping children first, then fewer docked axes, then the
  // layout's Z_Order, then creation order) and tab order (TabStop, then creation
  // order). Every change that may alter an order advances the change stamp; a
  // request for order 1 or 2 re-sorts both views when the stamp moved since the
  // last sort. Names are unique within the list.
  class ChildControlList {
  public:
    explicit ChildControlList(LControl* owner);
    virtual ~ChildControlList();
    ChildControlList(const ChildControlList&) = delete;
    ChildControlList& operator=(const ChildControlList&) = delete;

    std::uint32_t GetCount() const { return mChildren.GetCount(); }
    // The slot of the child at index in that order; raises a runtime error for an
    // index not below the count or an unknown order.
    const RCPtr<LControl>& GetAt(std::uint32_t index, std::int32_t order);
    const RCPtr<LControl>& GetAt(std::uint32_t index, std::int32_t order) const;
    // Re-sorts both views. 0.
    QZRESULT SortViews() const;
    // Appends child; the owner becomes its parent. E_INVALIDARG for null, E_FAIL
    // when a child of that name is here (nothing changes).
    QZRESULT Add(const RCPtr<LControl>& child);
    // The child's former creation index, or -1 when it is not here.
    std::int32_t Remove(const RCPtr<LControl>& child);
    // Removes every child, the last first. 1 when there was none, else 0.
    QZRESULT RemoveAll();
    // Renames a child; later siblings' layouts that refer to the old name follow.
    // 1 for the same name, E_FAIL for a name a child holds, E_INVALIDARG for a
    // control that is not a child.
    QZRESULT RenameChild(const RCPtr<LControl>& child, const WideString& newName);

    // The child of that name, or null; by the name index, so that opening a skin of many siblings stays linear.
    LControl* FindByName(const WideString& name) const;
    // The child's creation index, or -1 when it is not here. Each child remembers where it was last found, so a
    // look-up costs a scan only after an earlier sibling left.
    std::int32_t IndexOf(const LControl* child) const;

    // An order may have changed: the views are stale.
    void AdvanceChangeStamp() { ++mChangeStamp; }
    std::int32_t GetChangeStamp() const { return mChangeStamp; }
    std::int32_t GetSortedStamp() const { return mSortedStamp; }

  private:
    using Children = RCPtrArray<LControl, 1, 0>;

    struct TabOrderLess {
      const Children* children;
      bool operator()(std::uint32_t a, std::uint32_t b) const;
    };
    struct ZOrderLess {
      const Children* children;
      bool operator()(std::uint32_t a, std::uint32_t b) const;
    };

    const RCPtr<LControl>& Slot(std::uint32_t index, std::int32_t order, int badOrderLine) const;
    // Steps of Remove once the child's index is known.
    std::int32_t RemoveAt(std::uint32_t index);

    static std::u16string KeyOf(const WideString& name) { return {name.GetChars(), name.GetLength()}; }

    TabOrderLess mTabOrderLess;
    ZOrderLess mZOrderLess;
    Children mChildren;
    // Every child by its name; kept with additions, removals and renames.
    std::unordered_map<std::u16string, LControl*> mByName;
    mutable ArrayBuffer<std::uint32_t, 1, 0> mTabOrder;
    mutable ArrayBuffer<std::uint32_t, 1, 0> mZOrder;
    std::int32_t mChangeStamp = 1;
    mutable std::int32_t mSortedStamp = 0;
    LControl* mOwner;
  };

  // The orders of ChildControlList::GetAt and FindChildIndex.
  static constexpr std::int32_t kCreationOrder = 0;
  static constexpr std::int32_t kZOrder = 1;   // drawing order; hit testing walks it backwards
  static constexpr std::int32_t kTabOrder = 2; // focus navigation

  // Builds the control and attaches it to parent (which may be null). A parent
  // that already has a child of this name refuses it: the control then stays
  // without parent, and the constructor does not say so. The string table
  // comes from the application's control factory.
  LControl(const RCPtr<LControl>& parent, const WideString& name);
  ~LControl() override;
  LControl(const LControl&) = delete;
  LControl& operator=(const LControl&) = delete;

  // ---- Virtual operations

  // 0 when the text changed, 1 when it was equal.
  virtual QZRESULT SetText(const WideString& text);
  // The layout's clip-to-parent flag, as it is after the call. A control that
  // does not clip counts once in the unclipped-descendant count of every
  // ancestor, and its parent's sorted views go stale.
  virtual bool SetClipToParent(bool clip);
  // The control's string table; null when the factory had none for it.
  virtual RCPtr<LStringTable> GetStringTable() const;
  // Takes the control out of the tree: off its root window (top level), hidden,
  // clipping, without idle requests, and then off its parent or root window.
  // The result of SetParent(null) or SetRootWindow(null).
  virtual QZRESULT Close();
  virtual void DetachFromRootWindow();
  // Renews the idle subscription of the control and then of every descendant.
  virtual void AttachToRootWindow();
  // Called on the parent once a child has left, with its former creation index.
  virtual void OnChildRemoved(const RCPtr<LControl>& child, std::int32_t formerIndex);
  // Sets the layout's visible flag; IsVisible (recursive) afterwards.
  virtual bool SetVisible(bool visible);
  // Invalidates a rectangle in the control's own coordinates; clip says whether
  // the area is limited by the ancestors'. PropagateInvalidRect's result.
  virtual QZRESULT InvalidateRect(const RectT<double>& rect, bool clip);
  // Whether a child, from the last to the first, can take the focus or pass it on.
  virtual bool HasFocusableChild() const;
  // Asked with the control's bounds while a top-level control is built from its
  // descriptor; 0 in the base.
  virtual QZRESULT ReservedQueryC(const RectT<double>& bounds);
  // Called on each "NID_IDLE" while the control holds idle requests.
  virtual void OnIdle();
  // Makes the notification handler, takes the application notification center,
  // reads the creation parameters and the "TOOLTIP" text. 0.
  virtual QZRESULT Initialize();
  virtual QZRESULT FinishInitialize();
  virtual WideString GetToolTipText() const;

  // Layout hooks and operations (virtual so control classes can refine them).
  // The size the minimum-size rules alone give: each axis laid out once at size 0.
  virtual SizeT<double> MeasureNaturalSize();
  // The "Self" maximum Abs of each axis; 0 where there is no fixed maximum.
  virtual SizeT<double> GetFixedMaximumSize() const;
  // Rounds the offset; when it changed, moves the children's space, tells the
  // children, invalidates and sends "NID_SCROLL_OFFSET_CHANGE" once.
  virtual const PointT<double>& SetScrollOffset(const PointT<double>& offset);
  // Called before and after SetBounds stores new bounds; nothing in the base.
  virtual void OnSizeChanging();
  virtual void OnSizeChanged();
  // The scroll offset moved; nothing in the base.
  virtual void UpdateVisibleRegion(const PointT<double>& oldOffset, const PointT<double>& newOffset);
  // A child's bounds changed; nothing in the base.
  virtual void InvalidateChildArea(const RCPtr<LControl>& child);
  // Lays a docked control out again. 0.
  virtual QZRESULT OnParentScrolled(const PointT<double>& oldOffset, const PointT<double>& newOffset);
  // UpdateLayout unless suppressed, then InvalidateChildArea. 0.
  virtual QZRESULT RelayoutAndInvalidate(const RCPtr<LControl>& child);
  // The parent (or window) has a new size: lay out again; a top-level control
  // whose layout keeps another size puts the window back to it. 0.
  QZRESULT OnContainerResized(const SizeT<std::int32_t>& size) override;
  // The scrollable extent: unbounded in the base.
  virtual RectT<double> GetClientExtent(const RCPtr<LControl>& asking) const;
  // {0, 0, client width, client height}.
  virtual RectT<double> GetLocalBounds() const;
  // {scroll x, scroll y, client width, client height}.
  virtual RectT<double> GetVisibleContentRect() const;
  // Scrolls so that the area (in this control's content space, as its
  // children's bounds) lies in the part of the control that shows content, as
  // far as the control can scroll; nothing in the base, which does not scroll.
  virtual void RevealArea(const RectT<double>& area);
  // Whether a point relative to the control's top-left corner lies inside it
  // (left and top edges in, right and bottom out).
  virtual bool ContainsPoint(const PointT<std::int32_t>& point) const;

  // Looks (virtual where control classes refine them).
  // Packed colour of a look at a point; 0x00FFFFFF without a look.
  virtual std::uint32_t GetLookColorAtPoint(const PointT<std::int32_t>& point, std::int32_t index) const;
  // Weight 1 for that look, 0 for the others.
  virtual QZRESULT SelectLook(std::int32_t index);
  // Appends a look (may be null) and, while the weights are fewer, a weight 0.
  virtual std::int32_t AddLook(const RCPtr<LLook>& look);
  // After the font changed; nothing in the base.
  virtual void OnLooksChanged();
  // Re-derives the font from the parent's when the font spec takes parts of it. 0.
  virtual QZRESULT UpdateFont();

  // Notifications reach the handler only once the created flag is set; the
  // handler's result, or 0.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  // Forgets the handler's binding, then the subscription; the client's result.
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  // Breaks the control's cycles: nobody listens to it any more, its children are
  // detached and it leaves every distributor. 0 when only the caller's
  // reference is left, else E_FAIL (the cycles are broken all the same).
  QZRESULT ReleaseInnerReferences() override;

  // ---- Tree

  // 1 when newParent already is the parent, 0 once attached (or detached, for
  // null). E_FAIL when newParent refused the control for its name: the control
  // has then left its old parent and has none. E_INVALIDARG for the control
  // itself or one of its descendants.
  QZRESULT SetParent(const RCPtr<LControl>& newParent);
  // Makes a control without parent the top of a root window's tree (null takes
  // it off); E_FAIL when the control has a parent.
  QZRESULT SetRootWindow(const RCPtr<IRootWindow>& rootWindow);
  // The root window member of the top-most ancestor.
  const RCPtr<IRootWindow>& GetRootWindowSlot() const;
  // The top-most ancestor; the control itself without parent.
  RCPtr<LControl> GetTopLevelControl();
  // Whether the control is this one or one of its descendants.
  bool IsSelfOrAncestorOf(const LControl* control) const;

  const RCPtr<LControl>& GetParent() const { return mParent; }
  const RCPtr<IRootWindow>& GetRootWindow() const { return mRootWindow; }
  const WideString& GetName() const { return mName; }
  ChildControlList& GetChildren() { return mChildren; }
  const ChildControlList& GetChildren() const { return mChildren; }

  // The child of that name, searched from the last to the first; else the
  // shared null control, which must not be assigned to.
  const RCPtr<LControl>& FindChild(const WideString& name) const;
  // The child's index in that order, or -1. Orders 1 and 2 may re-sort.
  std::int32_t FindChildIndex(const RCPtr<LControl>& child, std::int32_t order) const;
  // Every descendant in pre-order (a child before its own descendants, children
  // in creation order) into out; the count of out.
  std::int32_t CollectDescendants(RCPtrArray<LControl>& out) const;
  // One more (less) unclipped descendant for this control and every ancestor.
  void IncrementUnclippedDescendants();
  void DecrementUnclippedDescendants();
  std::int32_t GetUnclippedDescendantCount() const { return mUnclippedDescendants; }

  // ---- Idle requests and closing

  // One more request; subscribes at the first request when the control has a
  // root window. The subscription's result, or 0.
  QZRESULT BeginIdleNotifications();
  // One request less; unsubscribes at the last. 0 while requests remain or
  // without root window, 1 when there was no request, else the unsubscribe
  // result (E_FAIL when no binding was there).
  QZRESULT EndIdleNotifications();
  std::int32_t GetIdleRequestCount() const { return mIdleRequestCount; }
  // Hides the child now and closes it at the next idle call (or when another
  // control is added here). E_INVALIDARG for a control that is not a child.
  QZRESULT CloseChildLater(const RCPtr<LControl>& child);
  // Closes every child queued by CloseChildLater. 0.
  QZRESULT CloseDeferredChildren();
  std::uint32_t GetCloseLaterCount() const { return mControlsToCloseLater.GetCount(); }

  // ---- Layout

  // Recomputes the bounds from the layout and applies them: 1 unchanged, 0
  // changed, E_FAIL without layout or, for a top-level control, without a
  // root window to measure against.
  QZRESULT UpdateLayout();
  // The rectangle a layout gives against the parent's client area (with a
  // parent) or against the reference rectangle, size and point. 0, or
  // E_INVALIDARG without a layout.
  static QZRESULT ComputeLayoutBounds(const LLayoutDescriptor* layout, const LControl* parent,
                                      const RectT<double>& referenceRect, const SizeT<double>& referenceSize,
                                      const PointT<double>& referencePoint, RectT<double>& out);
  // The minimum-size rules: 0 nothing changed, 1 changed, E_FAIL for an anchor
  // the rule cannot use.
  QZRESULT ApplyLayoutMinSize(PointT<double>& position, SizeT<double>& size);
  // The maximum-size rules: 0 or 1.
  QZRESULT ApplyLayoutMaxSize(PointT<double>& position, SizeT<double>& size);
  // The farthest edge of the children first..last (creation order) on an axis,
  // plus the look's margin beyond its client area; 0 for none.
  double MeasureChildrenExtent(std::int32_t first, std::int32_t last, std::int32_t axis) const;
  // Stores new bounds and passes the change on: 1 unchanged, 0.
  QZRESULT SetBounds(const PointT<double>& position, const SizeT<double>& size);
  // Each stores into the layout and lays out again: 0 when the layout holds
  // the given records afterwards, else 1 (also for an axis other than 0, 1).
  QZRESULT SetPlacement(const AxisPlacement& xPlacement, const SizeSpec& xSize, const AxisPlacement& yPlacement,
                        const SizeSpec& ySize);
  QZRESULT SetAxisPlacement(std::int32_t axis, const AxisPlacement& placement, const SizeSpec& size);
  QZRESULT SetAxisSizeLimits(std::int32_t axis, const SizeLimitSpec& minimum, const SizeLimitSpec& maximum);
  const PointT<double>& GetScrollOffset() const { return mScrollOffset; }
  bool IsLayoutSuppressed() const { return mLayoutSuppressed; }
  // The current look's client rectangle (clamped to +-2^52), or {0, 0, size}.
  RectT<double> GetClientRect() const;

  // ---- Coordinates

  // Position - parent scroll offset + parent client origin.
  PointT<double> GetOffsetInParent() const;
  // In the root window's client space.
  PointT<double> GetPositionInRoot() const;
  // A point of other's coordinates in this control's (whole pixels).
  PointT<double>& ConvertPointFrom(const LControl& other, PointT<double>& point) const;
  // The rounded bounds of the children docked on neither axis; with none
  // {2147483647, 2147483647, 1, 1}.
  RectT<double> GetChildrenBounds() const;
  // Brings the whole control into sight: each ancestor, the nearest first,
  // reveals the part of the control that the ones below it show
  // (RevealArea), so a control inside nested scroll views ends up in sight
  // of all of them.
  void ScrollIntoView();

  // ---- Looks

  // E_INVALIDARG for an index beyond the weights; a weight outside 0..1 is
  // ignored. Exclusive: every other weight becomes 0. Invalidates on change. 0.
  QZRESULT SetLookWeight(std::int32_t index, float weight, bool exclusive);
  // The slot of look index; for another index the first look with a weight
  // above 0, else the first look, else a shared null slot.
  const RCPtr<LLook>& GetLook(std::int32_t index) const;
  // The first index whose look exists with a weight above 0, or -1.
  std::int32_t GetFirstVisibleLookIndex() const;
  // E_FAIL without a look, else LLook::SetImage's result.
  QZRESULT SetLookImage(const RCPtr<LBitmap>& image, std::int32_t resizeType, std::int32_t index,
                        bool replacesClient);
  QZRESULT SetLookTextForegroundPart(const RCPtr<LVisualPart>& part, std::int32_t index);
  // The part drawn as the client area of look index (a label on a menu row
  // takes the row's highlight). E_FAIL without that look, else 0; invalidates.
  QZRESULT SetLookClientPart(std::int32_t index, const RCPtr<LVisualPart>& part);
  RectT<double> GetLookClientRect(std::int32_t index) const;
  // E_INVALIDARG without the look(s), else 0; the control is invalidated.
  QZRESULT SetLookRegion(std::int32_t index, const Region& region);
  QZRESULT SetLookRegionExcluding(std::int32_t index, std::int32_t excludedIndex);
  // No invalidation.
  void ClearLookRegion(std::int32_t index);
  void ClearLookRegions();
  std::uint32_t GetLookCount() const { return mLooks.GetCount(); }
  float GetLookWeight(std::uint32_t index) const { return mLookWeights.GetAt(index); }

  // ---- Rendering, invalidation, creation from the skin, values and conditions

  // The collection of floating (layer-1) controls a render pass appends to.
  using ControlCollection = RCPtrArray<LControl, 1, 0>;

  // Draws the control on its own layer (false: clipped by the parent, true:
  // floating, drawn by the root window), with the renderer's origin at the
  // parent's child space: looks' client parts, frames, PaintOverLooks, then
  // per look label text and children, PaintOverChildren; floating children
  // are appended to the collection. E_INVALIDARG on the other layer, else 0.
  virtual QZRESULT RenderLayer(const RCPtr<LRenderer>& renderer, const Region& damaged,
                               ControlCollection& collection, bool layer);
  // Passes a rectangle (root coordinates, and the same in local ones) up to the
  // root window, clipped by each ancestor while clip holds and every control on
  // the way clips: 1 when it was dropped (hidden, or clipped away), else 0.
  virtual QZRESULT PropagateInvalidRect(const RectT<double>& rootRect, bool clip, const RectT<double>& localRect);
  // Custom painting, offered once per damaged rectangle meeting the control,
  // clipped to it. The result is not used; 0 in the base.
  virtual QZRESULT PaintOverLooks(const RCPtr<LRenderer>& renderer);
  virtual QZRESULT PaintOverChildren(const RCPtr<LRenderer>& renderer);
  // The children of look index in its child space: clipping children (by the
  // look's children clip, unless docked on both axes), in z order.
  void RenderChildren(const RCPtr<LRenderer>& renderer, const Region& damaged, std::int32_t lookIndex,
                      ControlCollection& collection);
  // Appends every floating descendant (and the control itself when asked and
  // floating), depth first in z order; nothing below a hidden control when
  // visibleOnly. The number appended.
  std::int32_t CollectUnclippedDescendants(ControlCollection& collection, bool visibleOnly, bool includeSelf);
  // Invalidates the areas of the floating descendants (the control's own when
  // it floats and has none).
  void InvalidateUnclippedDescendants();
  // The area that clips the control (the parent's, or the window's client
  // area), in the control's local coordinates.
  RectT<double> GetParentRectInLocal() const;
  float GetOpacity() const { return mOpacity; }
  void SetLabelTextScrolls(bool scrolls) { mLabelTextScrolls = scrolls; }

  // Creation from the skin: first creation and rebuilding in place share
  // CreateChildrenFromDescriptor (a rebuild keeps the enabled state and the
  // children matched by name). 0.
  virtual QZRESULT CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor);
  // Creates the children the descriptor names, unless deferred. 0.
  virtual QZRESULT CreateChildren(const RCPtr<LControlDescriptor>& descriptor);
  // "INITIAL_VALUE", "NOT_FOCUSABLE", "USE_PARENT_TOOLTIP", "WANTS_TAB". 0.
  virtual QZRESULT ReadCreateParams();
  // Re-parents a matched child here and rebuilds it from c: SetParent's result,
  // or E_FAIL for a null child or descriptor.
  virtual QZRESULT AttachChildFromDescriptor(RCPtr<LControl> child, const RCPtr<LControlDescriptor>& descriptor);
  // "DEFER_CREATE" of the descriptor's creation parameters is true.
  static bool IsCreationDeferred(const RCPtr<LControlDescriptor>& descriptor);
  // A creation parameter's boolean: trimmed and lower-cased, exactly "true".
  static bool IsTrueParam(const WideString& text);
  bool GetWantsTab() const { return mWantsTab; }

  // The value: normalised 0..1, mapped linearly or exponentially to a range.
  static constexpr std::int32_t kValueMappingLinear = 0;
  static constexpr std::int32_t kValueMappingExponential = 1;
  // Clamps and stores; on a change OnValueChanged, then "NID_VALUE_CHANGE".
  // The stored normalised value.
  virtual double SetValue(double normalized);
  virtual void OnValueChanged();
  // 0, or E_INVALIDARG (nothing stored) for an unknown mapping or an
  // exponential one with a bound not above 0.
  virtual QZRESULT SetValueRange(double minimum, double maximum, std::int32_t mapping);
  double NormalizedToValue(double normalized) const;
  double ValueToNormalized(double value) const;
  double GetNormalizedValue() const { return mNormalizedValue; }
  double GetValue() const { return NormalizedToValue(mNormalizedValue); }

  // Conditions: the bit set of focus, hover, capture, drag, enabled and
  // visible state (the kCondition... bits below), announced when it changes.
  virtual void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions);
  // The bits as the control's state gives them now.
  std::uint32_t ComputeConditionBits() const;
  // Recomputes the bits after an input of them changed; on a change: the
  // control's cursor is shown when the pointer enters and put back when it
  // leaves (or the capture ends outside), OnConditionsChanged,
  // "NID_CONDITION_CHANGE" and one notification per changed condition; the
  // window finds the control under the pointer again when the control is
  // hidden under it or the capture ends outside; an enabled or visible change
  // goes on to the children, last to first.
  void UpdateConditions();
  const RCPtr<LConditionsParam>& GetConditionsParam() const { return mConditionsParam; }

  // ---- Text and font

  // Gives a changed text to the looks, re-lays out when the minimum size
  // depends on it and invalidates; true when the text changed.
  bool ApplyText(const WideString& text, bool relayout);
  // Whether the shown look's text is wider than its text area.
  bool IsTextTruncated() const;
  const RCPtr<LFont>& GetFontRef() const { return mFont; }
  // Resolves the font from face, size and style against the base font (the
  // parent's or the application's): E_FAIL when none can be had.
  QZRESULT SetFontSpec(const WideString& face, float size, std::int32_t style, bool sizeRelative);
  // E_INVALIDARG for null; 1 when it is the control's font already; 0.
  QZRESULT SetFont(const RCPtr<LFont>& font);

  // ---- State

  bool IsCreated() const { return mCreated; }
  // Set by the class's create function after the last creation step.
  void SetCreated() { mCreated = true; }
  const RCPtr<LControlDescriptor>& GetDescriptor() const { return mDescriptor; }
  const RCPtr<LLayoutDescriptor>& GetLayout() const { return mLayout; }
  const RectT<double>& GetBounds() const { return mBounds; }
  const WideString& GetText() const { return mText; }
  const RCPtr<LNotificationCenter>& GetNotificationCenter() const { return mNotificationCenter; }

  // The layout's visible flag and a size above 0; recursive: also every ancestor.
  bool IsVisible(bool recursive) const;
  // The layout's enabled flag; recursive: also every ancestor.
  bool IsEnabled(bool recursive) const;
  // The layout's hidden flag: the control takes no room and is not drawn. 0 when
  // it changed, 1 when it was so, E_FAIL without layout.
  QZRESULT SetHidden(bool hidden);
  bool IsHidden() const { return mLayout && mLayout->mHidden; }
  // Whether the control itself can hold the focus: visible and enabled up its
  // parent chain, focusable, not passing the focus on to a child, and no
  // ancestor up to the first focus boundary marked not focusable.
  bool CanTakeFocus() const;
  bool IsNotFocusable() const { return mNotFocusable; }
  bool GetFocusIgnoresAncestors() const { return mFocusIgnoresAncestors; }
  // Makes the control a focus boundary: the not-focusable state of its
  // ancestors no longer reaches it and its descendants (a menu under a bar
  // that never takes the focus itself).
  void SetFocusIgnoresAncestors(bool ignores) { mFocusIgnoresAncestors = ignores; }
  // The menu of the "popupMenu" child; null without one or when it is no pop-up menu.
  RCPtr<LMenuDescriptor> GetMenuDescriptorOfPopup() const;
  // The child named "popupMenu", or the shared null control.
  const RCPtr<LControl>& GetPopupMenu() const;
  // The control whose tool tip shows for control: itself, or, when its tool-tip
  // text is empty and it uses its parent's, its parent's owner. Null for null.
  static RCPtr<LControl> GetToolTipOwner(const RCPtr<LControl>& control);
  bool GetUseParentToolTip() const { return mUseParentToolTip; }
  // The control shows its parent's tool tip while it has none of its own.
  void SetUseParentToolTip(bool use) { mUseParentToolTip = use; }

  // ---- Focus, enabling, visibility; mouse input, capture and clicks
  //
  // Focus: at most one control per window has the focus; each of its ancestors
  // contains it. A request for the focus travels down to the first (or last)
  // focusable descendant in tab order; the ancestors are told bottom-up and the
  // old holder's branch is cleared at the first common ancestor. A control
  // that stops being visible, enabled or focusable while it holds the focus
  // hands it to its parent; one that becomes so while its parent holds it
  // takes it.
  //
  // Mouse: a press on a usable control (visible up the chain, enabled itself
  // and under an enabled parent) settles the focus, runs the button's hook,
  // sends "NID_MOUSE_DOWN" and captures the pointer for the button; the release
  // sends "NID_MOUSE_UP", gives the capture back once no button is down and,
  // when the press was armed and the pointer is still inside, dispatches the
  // click. Controls that do not clip to their parent float: hit testing finds
  // them above everything else, in order of their floating Z order.

  // UITarget.
  QZRESULT OnMouseEnter() override;
  QZRESULT OnMouseMove(const RCPtr<LPointWithModifiersParam>& param) override;
  QZRESULT OnMouseDown(const RCPtr<LMouseButtonParam>& param) override;
  QZRESULT OnMouseUp(const RCPtr<LMouseButtonParam>& param) override;
  QZRESULT OnMouseLeave() override;
  QZRESULT BeginCapture(std::int32_t button, PointT<std::int32_t> point) override;
  QZRESULT EndCapture() override;
  // The key's way through the control and its neighbours (see the keys block below).
  void OnKey(const RCPtr<LKeyParam>& key) override;
  QZRESULT OnMouseWheel(const RCPtr<LMouseWheelParam>& param) override;
  QZRESULT OnMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param) override;
  bool CanLoseFocus() override;
  bool KillFocus() override;
  // The base takes no files: both go to the parent (false, 1 without one).
  bool CanDrop(const RCPtr<LDropFileList>& files) override;
  QZRESULT Drop(const RCPtr<LDropFileList>& files) override;

  // True when the point (control coordinates) is transparent in every look
  // with a weight above 0 (also without looks).
  virtual bool IsTransparentAt(const PointT<std::int32_t>& point) const;
  // The control under point (control coordinates) that is seen on top, and
  // the point in its coordinates (local; {0, 0} when none); null when none.
  // withinClip lets controls that clip to their parent be found (the root
  // window passes true); zOrder is the floating Z order to beat (the root
  // window passes kNotFloating) and receives the found control's.
  virtual RCPtr<LControl> HitTest(const PointT<std::int32_t>& point, bool withinClip, PointT<std::int32_t>& local,
                                  std::int32_t& zOrder);
  // A press on a descendant that may not take the focus itself: this control
  // takes it when it and its ancestors allow, else the request climbs. 0.
  virtual QZRESULT TakeFocusOnMouseDown(const RCPtr<LControl>& pressed);
  // Hooks of the press, release, move and click paths; nothing in the base.
  virtual void HandleLeftButtonDown(const RCPtr<LMouseButtonParam>& param);
  virtual void HandleMiddleButtonDown(const RCPtr<LMouseButtonParam>& param);
  virtual void HandleRightButtonDown(const RCPtr<LMouseButtonParam>& param);
  virtual void HandleLeftButtonUp(const RCPtr<LMouseButtonParam>& param);
  virtual void HandleMiddleButtonUp(const RCPtr<LMouseButtonParam>& param);
  virtual void HandleRightButtonUp(const RCPtr<LMouseButtonParam>& param);
  virtual void HandleMouseMove(const RCPtr<LPointWithModifiersParam>& param);
  virtual void HandleLeftClick(const RCPtr<LMouseButtonParam>& param);
  virtual void HandleMiddleClick(const RCPtr<LMouseButtonParam>& param);
  virtual void HandleRightClick(const RCPtr<LMouseButtonParam>& param);
  // 1 (not used) in the base; a control that uses the wheel returns anything else.
  virtual QZRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>& param);
  virtual QZRESULT HandleMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param);
  // The click of the release's button to OnLeftClick, OnMiddleClick or
  // OnRightClick; E_INVALIDARG for null or another button.
  virtual QZRESULT DispatchClick(const RCPtr<LMouseButtonParam>& param);
  // The hook, then "NID_LEFT_CLICK" ("NID_MIDDLE_CLICK", "NID_RIGHT_CLICK"). 0,
  // E_INVALIDARG for null.
  virtual QZRESULT OnLeftClick(const RCPtr<LMouseButtonParam>& param);
  virtual QZRESULT OnMiddleClick(const RCPtr<LMouseButtonParam>& param);
  virtual QZRESULT OnRightClick(const RCPtr<LMouseButtonParam>& param);

  // The focus: seated here or at the first (fromFirst) or last focusable
  // descendant. 0 seated here, 1 nothing had to change, other results of the
  // descendant; E_FAIL when the holder refuses to let go or nothing can take it.
  virtual QZRESULT SetFocus(bool fromFirst);
  // The child that has or contains the focus (the last in creation order), or the shared null.
  const RCPtr<LControl>& GetFocusedChild() const;
  // Called on the parent of a control that has just taken the focus; whether
  // the ancestors took note.
  bool OnChildTakesFocus(const RCPtr<LControl>& child);
  bool HasFocus() const { return mHasFocus; }
  bool ContainsFocus() const { return mContainsFocus; }
  // Keeps the tab stop's sign in step (negative when not focusable) and moves
  // the focus in or out of the way.
  virtual void SetNotFocusable(bool notFocusable);
  // Recursive: this control or an ancestor up to the first focus boundary
  // (no parent, or focus-ignores-ancestors) is not focusable.
  bool IsNotFocusable(bool recursive) const;
  // The next (reverse: previous) visible and enabled child after child in tab
  // order, wrapping around; the shared null when none or when child is not a child.
  virtual const RCPtr<LControl>& GetNextTabStop(const RCPtr<LControl>& child, bool reverse) const;
  // The first (last) child in tab order that can take the focus or pass it on; the shared null.
  const RCPtr<LControl>& GetFirstFocusableChild() const;
  const RCPtr<LControl>& GetLastFocusableChild() const;
  // Tab navigation from the last control of the key's path among this control's children.
  virtual void NavigateFocus(const RCPtr<LKeyParam>& key);
  // The layout's enabled flag; the focus moves out of (into) the control's way.
  virtual void SetEnabled(bool enabled);

  // The cursor shown while the pointer is over the control; 0 none.
  void SetCursor(CursorID cursor);
  CursorID GetCursorID() const { return mCursorID; }
  // Shows the control's cursor (or the arrow for none) in its window; the cursor shown before.
  CursorID ApplyCursor();
  // Hover without the pointer.
  void SetForcedHover(bool forced);
  // The highest Z_Order among the control and its ancestors that do not clip
  // to their parent; kNotFloating when all of them clip.
  std::int32_t GetFloatingZOrder() const;
  static constexpr std::int32_t kNotFloating = INT32_MIN;
  // The control does not clip to its parent; recursive: or an ancestor does not.
  bool IsUnclipped(bool recursive) const;
  // Visible up the chain, enabled itself and under an enabled parent: a
  // control that takes presses and the capture.
  bool IsUsable() const;

  // The condition bits of the control's focus, pointer, drag, enabled and
  // visible state.
  static constexpr std::uint32_t kConditionHasFocus = 0x1;
  static constexpr std::uint32_t kConditionContainsFocus = 0x2;
  static constexpr std::uint32_t kConditionMouseInside = 0x4;
  static constexpr std::uint32_t kConditionCaptured = 0x8;
  static constexpr std::uint32_t kConditionLeftDragArmed = 0x10;
  static constexpr std::uint32_t kConditionMiddleDragArmed = 0x20;
  static constexpr std::uint32_t kConditionRightDragArmed = 0x40;
  static constexpr std::uint32_t kConditionLeftDragging = 0x80;
  static constexpr std::uint32_t kConditionMiddleDragging = 0x100;
  static constexpr std::uint32_t kConditionRightDragging = 0x200;
  static constexpr std::uint32_t kConditionEnabled = 0x400;
  static constexpr std::uint32_t kConditionVisible = 0x800;
  static constexpr std::uint32_t kConditionHover = 0x1000;
  // The bits as the last UpdateConditions saw them.
  std::uint32_t GetConditions() const { return mConditionsParam->mCurrentBits; }
  bool IsMouseInside() const { return mMouseInside; }
  bool IsCaptured() const { return mCaptured; }
  bool IsForcedHover() const { return mForcedHover; }
  const RCPtr<LMouseButtonParam>& GetLastLeftPress() const { return mLastLeftPress; }
  const PointT<double>& GetDragOrigin() const { return mDragOrigin; }
  // While set, HitTest does not return the control itself (its children still can be).
  void SetHitTestExcluded(bool excluded) { mHitTestExcluded = excluded; }

protected:
  // Whether the control may hold the focus itself when none of its children
  // can: a container of focusable controls answers false, so that while all
  // of them are out of use the focus passes it by. True in the base.
  virtual bool MayHoldFocusItself() const { return true; }

  // The inputs of the condition bits.
  bool mHasFocus = false;
  bool mContainsFocus = false;
  bool mMouseInside = false;
  bool mCaptured = false;
  bool mLeftDragArmed = false;
  bool mMiddleDragArmed = false;
  bool mRightDragArmed = false;
  bool mLeftDragging = false;
  bool mMiddleDragging = false;
  bool mRightDragging = false;
  bool mForcedHover = false;
  bool mHitTestExcluded = false;
  RCPtr<LMouseButtonParam> mLastLeftPress;
  PointT<double> mDragOrigin;
  PointT<double> mDragDisplacement;
  // The drag that a moving press becomes: the mode (0: the drag only decides
  // that the release still clicks) and the distance it starts at.
  std::int32_t mDragMode = 0;
  std::int32_t mDragThreshold = 1;
  std::uint32_t mMoveTime = 0;
  std::uint32_t mLastMoveTime = 0;
  PointT<double> mDragVelocity;
  CursorID mCursorID = 0;
  CursorID mSavedCursor = 0;
  // End of focus, enabling, visibility; mouse input, capture and clicks.

public:
  // ---- Dragging, keyboard input and hot keys, tool tips and context menus
  //
  // Keys: the focused control offers a key to its own local hot keys, then to
  // HandleKey; a key it does not use goes to Tab navigation, or to the local
  // hot keys of its siblings (the parent hands "NID_SIBLING_KEY" to them,
  // nearest before the source in tab order first, backwards, wrapping), then to
  // the root window's hot keys and last to the application's. Local hot keys
  // ("LHK.<id>" entries of the control's string table) make the control send
  // the bound notification to itself.

  void SetWantsTab(bool wantsTab) { mWantsTab = wantsTab; }
  // Handles a key of the control itself: 1 (not used) in the base.
  virtual QZRESULT HandleKey(const RCPtr<LKeyParam>& key);
  // Offers the key to the children's local hot keys: 0 when one used it, else 1.
  virtual QZRESULT OnSiblingKey(const RCPtr<LKeyParam>& key);
  // On the parent of a control that did not use a key: the siblings, then the
  // root window's and the application's hot keys.
  virtual void ProcessUnhandledKey(const RCPtr<LKeyParam>& key);
  // The order (indices into receivers) in which OnSiblingKey walks the
  // receivers of "NID_SIBLING_KEY", backwards. 0.
  virtual QZRESULT OrderSiblingKeyReceivers(const RCPtr<LKeyParam>& key,
                                            const Array<RCPtr<LNotificationReceiver>>& receivers,
                                            Array<std::uint32_t>& order);
  // "NID_SIBLING_KEY": a key bound by the local hot keys sends its notification
  // to the control itself. 1.
  std::int32_t OnSiblingKeyNotification(const RCPtr<LNotificationDistributor>& source,
                                        const RCPtr<LNotification>& notification);

  // Binds a key to a notification id: 0; E_INVALIDARG for an empty id, an
  // invalid key or a key bound already.
  QZRESULT AddLocalHotKey(const KeyCode& key, const WideString& id);
  // Binds the "LHK.<id>" entries of the string table (keys that do not parse
  // or are bound already are skipped) and, with a parent and at least one key,
  // takes part in sibling keys. 0.
  QZRESULT LoadLocalHotKeys();
  // The first key bound to id, or the invalid key.
  KeyCode GetLocalHotKey(const WideString& id) const;
  bool HasLocalHotKey(const WideString& id) const;
  // The id bound to a key equal to key; empty when none.
  WideString FindLocalHotKey(const KeyCode& key) const;

  // Dragging: a left drag with a drag mode moves the control (2, 3), resizes
  // it (4, 5), drags it over drop targets (1) or scrolls its content with the
  // pointer (6, a fast release flings it on). Modes 3 and 5 auto-scroll the
  // parent near its edges, mode 1 the drop target. Flings and auto-scroll are
  // per-axis scroll animations stepped in the idle pass.
  static constexpr std::int32_t kDragNone = 0;
  static constexpr std::int32_t kDragAndDrop = 1;
  static constexpr std::int32_t kDragMove = 2;
  static constexpr std::int32_t kDragMoveAutoScroll = 3;
  static constexpr std::int32_t kDragResize = 4;
  static constexpr std::int32_t kDragResizeAutoScroll = 5;
  static constexpr std::int32_t kDragScroll = 6;
  // Drag flags: the axes, and the edges a resize moves (also the edges a drop
  // target auto-scrolls on).
  static constexpr std::int32_t kDragAxisX = 0x1;
  static constexpr std::int32_t kDragAxisY = 0x2;
  static constexpr std::int32_t kDragRightEdge = 0x4;
  static constexpr std::int32_t kDragLeftEdge = 0x8;
  static constexpr std::int32_t kDragTopEdge = 0x10;
  static constexpr std::int32_t kDragBottomEdge = 0x20;
  // Auto-scroll: the zone near an edge and the speed per pixel into it.
  static constexpr double kAutoScrollMargin = 30.0;
  static constexpr double kAutoScrollSpeed = 15.0;
  // A release flings when the pointer moved within this time at this speed.
  static constexpr std::uint32_t kFlingRestTime = 100;
  static constexpr double kFlingMinimumSpeed = 1000.0;
  // A fling coasts this long before it slows down.
  static constexpr std::uint32_t kFlingCoastTime = 1000;

  // 0.
  virtual QZRESULT SetDragMode(std::int32_t mode, std::int32_t flags);
  std::int32_t GetDragMode() const { return mDragMode; }
  std::int32_t GetDragFlags() const { return mDragFlags; }
  // E_INVALIDARG for a negative distance (the old one stays), else 0.
  QZRESULT SetDragThreshold(std::int32_t pixels);
  std::int32_t GetDragThreshold() const { return mDragThreshold; }
  // Records where the drag started (mode 1 also lifts the control above the others).
  virtual void OnDragBegin();
  // Restarts the drag at the current position.
  virtual void CaptureDragOrigin();
  // One drag step to the point (control coordinates).
  virtual void DragTo(const RCPtr<LPointWithModifiersParam>& param);
  // After every drag step; nothing in the base.
  virtual void OnDragMove(const RCPtr<LPointWithModifiersParam>& param);
  // Stops the auto-scroll; mode 1 puts the control back and drops it on the target.
  virtual void OnDragEnd();
  // The drop target for dragged at or beneath this control (floating controls
  // that do not accept are looked through); null when none.
  virtual void FindDropTarget(RCPtr<LControl>& out, const RCPtr<LControl>& dragged, double rootX, double rootY);
  // Drop-target hooks; the base accepts nothing and auto-scrolls on no edge.
  virtual bool AcceptsDraggedControl(const RCPtr<LControl>& dragged);
  virtual std::int32_t GetDropAutoScrollEdges(const RCPtr<LControl>& dragged);
  // May narrow the area (parent coordinates) the control may be dragged in.
  virtual void GetDragLimits(RectT<double>& limits);
  virtual void OnDragEnter(const RCPtr<LControl>& dragged);
  virtual void OnDragOver(const RCPtr<LControl>& dragged, double rootX, double rootY);
  virtual void OnDragLeave(const RCPtr<LControl>& dragged);
  // E_FAIL in the base.
  virtual QZRESULT AcceptDrop(const RCPtr<LControl>& dragged);
  const RCPtr<LControl>& GetDropTarget() const { return mDropTarget; }

  // Starts (or retargets) the scroll animation of an axis; target, when not
  // null, takes a drag step at the pointer after every step. 0.
  QZRESULT StartInertialScroll(std::int32_t axis, double velocity, double upper, double lower,
                               const RCPtr<LControl>& target);
  // 0 when the axis's animation was running, else 1.
  QZRESULT StopInertialScroll(std::int32_t axis);
  bool IsInertialScrolling(std::int32_t axis) const {
    return axis >= 0 && axis < 2 && mScrollAnimations[axis].mRunning;
  }
  double GetInertialScrollVelocity(std::int32_t axis) const {
    return axis >= 0 && axis < 2 ? mScrollAnimations[axis].mVelocity : 0.0;
  }
  const PointT<double>& GetDragVelocity() const { return mDragVelocity; }

  // Context menus: the descriptor a right click opens; its items' commands
  // that have hot keys reach the control and go on to the hot keys' receiver.
  // Replaces the descriptor, moving the hot-key bindings from the old menu to
  // the new one. 0.
  QZRESULT SetContextMenuDescriptor(const RCPtr<LMenuDescriptor>& menu);
  virtual RCPtr<LMenuDescriptor> GetContextMenuDescriptor() const;
  // Binds (or unbinds) the plain items whose ids the root window's or the
  // application's hot keys know to OnMenuHotKeyCommand. 0; E_INVALIDARG for null.
  QZRESULT BindMenuHotKeys(const RCPtr<LMenuDescriptor>& menu, bool bind);
  // The command to the receiver of the hot keys that bind it: the root
  // window's, else the application's. 1.
  std::int32_t OnMenuHotKeyCommand(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification);
  // The menus of the "CONTEXT_MENU" entries of the string table, in the
  // one-menu form ("CONTEXT_MENU.<item>") or else the several-menus form
  // ("CONTEXT_MENU<key>.<item>", one menu per key in key order). 1.
  QZRESULT LoadContextMenuDescriptors(IArray<RCPtr<LMenuDescriptor>>& out);
  // The updater that links menus to this control, made on first request.
  const RCPtr<LMenuItemUpdater>& GetMenuItemUpdater();
  // Whether a menu command is available now: the base leaves the state as it is and returns 1.
  virtual QZRESULT GetCommandEnabled(const RCPtr<LMenuDescriptor>& menu, std::int32_t itemIndex,
                                     const WideString& id, LMenuItemState& state);

  // Tool tips and context menus are controls made on demand from the current
  // skin's top-level entries "toolTip" and "contextMenu", as children of the
  // control. show: a new "toolTip" child with the tool-tip text is shown (none
  // for an empty text, a missing entry or a class that is no tool tip); else
  // the "toolTip" child is hidden. 0.
  virtual QZRESULT CreateToolTip(bool show);
  // A new "contextMenu" child shows the menu at the pointer (nothing without
  // the entry or when its class is no pop-up menu). 0.
  QZRESULT ShowContextMenu(const RCPtr<LMenuDescriptor>& menu);
  // Lets a control adjust its pop-up menu before it shows; nothing in the base.
  virtual void PrepareContextMenu(const RCPtr<LControl>& popupMenu);

protected:
  struct SLocalHotKey {
    KeyCode mKey;
    WideString mID;
  };
  Array<SLocalHotKey> mLocalHotKeys;
  // The sibling-key handlers are registered (once).
  bool mTakesSiblingKeys = false;

  // One axis's fling or auto-scroll.
  struct SScrollAnimation {
    bool mRunning = false;
    double mLastStepTime = 0; // seconds of the application clock
    double mVelocity = 0;     // pixels per second
    double mLower = 0;
    double mUpper = 0;
    RCPtr<LControl> mTarget;
    bool mStartedByRelease = false;
  };
  // The idle step of both animations.
  void StepScrollAnimations();
  // A release while scrolling by dragging flings the content when it was fast.
  void FlingOnRelease();
  // A press stops the flings a release started.
  void StopFlingOnPress();
  // The drag ends when the left-dragging bit clears and begins when it is set (called by UpdateConditions:
  // the end before the change is announced, the beginning after).
  void UpdateDragState(std::uint32_t previous, std::uint32_t current, bool beginning);
  // The drag starts within the press (threshold 0).
  void StartDragAtOnce();
  // Mode 1: the drop target under the root point and the auto-scroll it asks for.
  void TrackDropTarget(const PointT<double>& rootPoint, const RCPtr<LControl>& self);

  std::int32_t mDragFlags = 0;
  PointT<double> mParentScrollAtDragStart;
  SizeT<double> mSizeAtDragStart;
  // X position, Y position, X size, Y size Abs of the layout at the drag start.
  double mLayoutAtDragStart[4] = {0, 0, 0, 0};
  bool mWasUnclipped = false;
  bool mXWasDocked = false;
  bool mYWasDocked = false;
  RCPtr<LControl> mDropTarget;
  std::uint32_t mReleaseTime = 0;
  SScrollAnimation mScrollAnimations[2];
  double mDeceleration = 1000.0; // pixels per second, each second
  RCPtr<LMenuDescriptor> mContextMenu;
  RCPtr<LMenuItemUpdater> mMenuItemUpdater;
  // Drops the updater and the inner reference it counted.
  void ReleaseMenuItemUpdater();
  // End of dragging, keyboard input and hot keys, tool tips and context menus.

protected:
  // "NID_IDLE" from the root window: deferred closes, then OnIdle.
  std::int32_t HandleIdleNotification(const RCPtr<LNotificationDistributor>& source,
                                      const RCPtr<LNotification>& notification);

  // The root window member of the top-most ancestor, or null.
  RCPtr<IRootWindow> FindRootWindow() const;
  // Subscribes the idle handler to the root window's distributor; a failure
  // takes back every idle request.
  QZRESULT SubscribeIdle(const RCPtr<IRootWindow>& rootWindow);

  RCPtr<LNotificationHandler<LControl>> mHandler;
  WideString mName;
  RCPtr<LControlDescriptor> mDescriptor;
  RCPtr<LLayoutDescriptor> mLayout;
  RectT<double> mBounds;
  PointT<double> mScrollOffset;
  std::int32_t mUnclippedDescendants = 0;
  RCPtrArray<LLook, 1, 0> mLooks;
  ArrayBuffer<float, 1, 0> mLookWeights;
  RCPtr<LControl> mParent;
  RCPtr<IRootWindow> mRootWindow;
  RCPtr<LStringTable> mStringTable;
  bool mNotFocusable = true;
  bool mFocusIgnoresAncestors = false;
  // How the font was derived: from the parent's or the application's base font.
  bool mFontInheritsFromParent = false;
  bool mFontSizeIsRelative = false;
  bool mFontNameFromBase = false;
  bool mFontSizeFromBase = false;
  bool mFontStyleFromBase = false;
  float mFontSizeFactor = 1.0f;
  RCPtr<LFont> mFont;
  WideString mText;
  WideString mToolTipText;
  bool mUseParentToolTip = false;
  bool mCreated = false;
  bool mLayoutSuppressed = false;
  std::int32_t mIdleRequestCount = 0;
  // Where the parent's child list last found this control (creation order); a hint, checked before use.
  mutable std::uint32_t mIndexInParentHint = 0;
  // The walk over later siblings that a child's new bounds start (SetBounds). A sibling that the walk moves
  // hands the rest of the walk back instead of starting its own, and the steps that would follow its walk are
  // kept here and run last-first once the walk is over: the order of a walk in each sibling, without a stack
  // frame per sibling.
  struct SSiblingWalk {
    const LControl* mExpected = nullptr;
    bool mHandedBack = false;
    std::vector<RCPtr<LControl>> mDeferred;
    SSiblingWalk* mOuter = nullptr;
  };
  SSiblingWalk* mSiblingWalk = nullptr;
  RCPtrArray<LControl, 1, 0> mControlsToCloseLater;
  RCPtr<LNotificationCenter> mNotificationCenter;
  ChildControlList mChildren;

  // Rendering, invalidation, creation from the skin, values and conditions.
  float mOpacity = 1.0f;
  bool mLabelTextScrolls = false;
  // "WANTS_TAB": the control keeps Tab for itself.
  bool mWantsTab = false;
  // The control's one conditions record, updated in place on every change.
  RCPtr<LConditionsParam> mConditionsParam = LConditionsParam::Create(0, 0, PointT<double>{});
  double mNormalizedValue = 0.0;
  double mValueMinimum = 0.0;
  double mValueMaximum = 0.0;
  std::int32_t mValueMapping = kValueMappingLinear;

  // The whole control rectangle, with the clip-to-parent flag as the clip flag.
  void InvalidateWhole();

private:
  // Ends the capture of this control or of a descendant that holds the window's pointer, while the window can
  // still be reached: a control leaving the tree must not stay the window's capture holder.
  void EndCaptureWithin();
  // One axis of ApplyLayoutMinSize / ApplyLayoutMaxSize.
  QZRESULT ApplyMinSizeOnAxis(std::int32_t axis, double& position, double& size, double width);
  QZRESULT ApplyMaxSizeOnAxis(std::int32_t axis, double& position, double& size);
  // The extent of a relative size limit: all children, or the named one.
  double MeasureLimitExtent(const SizeLimitSpec& limit, std::int32_t axis) const;
  // The native window's client area gets the control's size at its present place.
  void ResizeRootWindow();
  // The later siblings' layouts after this control's new bounds, then the parent's.
  void WalkLaterSiblings(const RCPtr<LControl>& parent);
  // The last steps of SetBounds: the new rectangle invalidated, OnSizeChanged.
  void FinishSetBounds();
  // Adds delta to the unclipped-descendant count of this control and every ancestor.
  void AddUnclippedDescendants(std::int32_t delta);
};

// The create function of a control class T: construction under the parent,
// the control's state and children from the descriptor, initialisation, and
// the created flag last, so notifications reach it only once it is complete.
template <class T>
RCPtr<LControl>& CreateControlFromDescriptor(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                             const RCPtr<LControlDescriptor>& descriptor) {
  const RCPtr<T> control(new T(parent, descriptor->GetName()));
  static_cast<void>(control->CreateChildrenFromDescriptor(descriptor));
  static_cast<void>(control->CreateChildren(descriptor));
  static_cast<void>(control->Initialize());
  static_cast<void>(control->FinishInitialize());
  control->SetCreated();
  out = control;
  return out;
}

} // namespace QZ

QZ_TYPE_NAME(QZ::LControl, "class QZ::LControl")
