#pragma once
// The records the root window hands to controls for each mouse, wheel and key
// event. The three mouse records come from pools of their own (blocks of 32
// for buttons and moves, 4 for the wheel), since every mouse move makes one.
//
// A record is filled once by its factory and then only read; any thread may
// drop the last reference (the pools are locked).

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>

namespace QZ {

// Mouse buttons, as the button field and the button-state bits give them.
inline constexpr std::uint32_t kMouseButtonLeft = 1;
inline constexpr std::uint32_t kMouseButtonMiddle = 2;
inline constexpr std::uint32_t kMouseButtonRight = 4;

// One wheel step: toward the user or away on the vertical wheel, left or right
// on the horizontal one.
inline constexpr std::uint32_t kWheelDown = 0;
inline constexpr std::uint32_t kWheelUp = 1;
inline constexpr std::uint32_t kWheelLeft = 2;
inline constexpr std::uint32_t kWheelRight = 3;

// A point in the receiving control's coordinates.
class LPointParam : public virtual LRefCountedObject {
public:
  LPointParam() = default;
  explicit LPointParam(const PointT<std::int32_t>& point) : mPoint(point) {}
  ~LPointParam() override = default;

  // "point(x, y)".
  WideString ToString() const override;

  PointT<std::int32_t> mPoint;
};

// A pointer position with the modifier bits (Ctrl, Shift, Alt) and the pointer
// index (0 for the mouse).
class LPointWithModifiersParam : public LPointParam {
public:
  LPointWithModifiersParam() = default;
  LPointWithModifiersParam(const PointT<std::int32_t>& point, std::uint32_t modifiers, std::int32_t pointerIndex)
      : LPointParam(point), mModifiers(modifiers), mPointerIndex(pointerIndex) {}
  ~LPointWithModifiersParam() override = default;

  [[nodiscard]] static RCPtr<LPointWithModifiersParam> Create(const PointT<std::int32_t>& point,
                                                              std::uint32_t modifiers, std::int32_t pointerIndex);

  // The point's text, then "  modifiers: 0x%08x".
  WideString ToString() const override;

  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  std::uint32_t mModifiers = 0;
  std::int32_t mPointerIndex = 0;
};

// A press or a release (the operation it is passed to tells which) of one
// button, with the double-click flag (the press of a double click and the
// release that ends it) and the buttons held at that moment.
class LMouseButtonParam : public LPointWithModifiersParam {
public:
  LMouseButtonParam() = default;
  LMouseButtonParam(std::uint32_t button, const PointT<std::int32_t>& point, std::uint32_t modifiers,
                    std::uint32_t doubleClick, std::uint32_t buttonState, std::int32_t pointerIndex)
      : LPointWithModifiersParam(point, modifiers, pointerIndex), mButton(button), mDoubleClick(doubleClick),
        mButtonState(buttonState) {}
  ~LMouseButtonParam() override = default;

  [[nodiscard]] static RCPtr<LMouseButtonParam> Create(std::uint32_t button, const PointT<std::int32_t>& point,
                                                       std::uint32_t modifiers, std::uint32_t doubleClick,
                                                       std::uint32_t buttonState, std::int32_t pointerIndex);

  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  std::uint32_t mButton = 0;
  std::uint32_t mDoubleClick = 0;
  std::uint32_t mButtonState = 0;
};

// One wheel step at a point in the root window's client coordinates.
class LMouseWheelParam : public LPointWithModifiersParam {
public:
  LMouseWheelParam() = default;
  LMouseWheelParam(const PointT<std::int32_t>& point, std::uint32_t modifiers, std::uint32_t direction)
      : LPointWithModifiersParam(point, modifiers, 0), mDirection(direction) {}
  ~LMouseWheelParam() override = default;

  [[nodiscard]] static RCPtr<LMouseWheelParam> Create(const PointT<std::int32_t>& point, std::uint32_t modifiers,
                                                      std::uint32_t direction);

  // The point-with-modifiers text, then "  direction: " and "down" for
  // kWheelDown, "up" for any other direction.
  WideString ToString() const override;

  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  std::uint32_t mDirection = kWheelDown;
};

// A key event: the key, 1 for keys from the window and from hot keys (0 for
// the Tab that focus navigation makes), and the controls the key has been
// offered to, in order.
class LKeyParam : public virtual LRefCountedObject {
public:
  LKeyParam(const KeyCode& key, std::int32_t value) : mKey(key), mValue(value) {}
  ~LKeyParam() override = default;

  [[nodiscard]] static RCPtr<LKeyParam> Create(const KeyCode& key, std::int32_t value);

  // The key's stored text.
  WideString ToString() const override;

  KeyCode mKey;
  std::int32_t mValue = 0;
  RCPtrArray<LControl> mVisited;
};

// A key a control offers to its children and its local hot keys ("NID_SIBLING_KEY"):
// the key, the control that offers it, and the result, -1 until a handler
// writes it (1 means still unhandled).
class LSiblingKeyParam : public virtual LRefCountedObject {
public:
  static constexpr std::int32_t kNoResult = -1;

  LSiblingKeyParam(const KeyCode& key, const RCPtr<LControl>& source) : mKey(key), mSource(source) {}
  ~LSiblingKeyParam() override = default;

  [[nodiscard]] static RCPtr<LSiblingKeyParam> Create(const KeyCode& key, const RCPtr<LControl>& source);

  KeyCode mKey;
  RCPtr<LControl> mSource;
  std::int32_t mResult = kNoResult;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LPointParam, "class QZ::LPointParam")
QZ_TYPE_NAME(QZ::LPointWithModifiersParam, "class QZ::LPointWithModifiersParam")
QZ_TYPE_NAME(QZ::LMouseButtonParam, "class QZ::LMouseButtonParam")
QZ_TYPE_NAME(QZ::LMouseWheelParam, "class QZ::LMouseWheelParam")
QZ_TYPE_NAME(QZ::LKeyParam, "class QZ::LKeyParam")
QZ_TYPE_NAME(QZ::LSiblingKeyParam, "class QZ::LSiblingKeyParam")
