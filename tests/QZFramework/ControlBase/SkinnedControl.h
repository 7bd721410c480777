#pragma once
// A control class for the creation, rendering and value tests, registered as
// "Test.Skinned" with the framework's own create function, so it goes through
// the whole creation sequence. It logs its hooks into a shared log
// ("name.hook"), counts live instances, and can refuse to clip its custom
// painting so the tests see each call's clip rectangle.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Renderer/Renderer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace QZ::test {

class SkinnedControl : public LControl {
public:
  static constexpr const char16_t* kClassName = u"Test.Skinned";

  SkinnedControl(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) { ++sLive; }
  ~SkinnedControl() override { --sLive; }

  static void Register(LControlFactory& factory) {
    factory.RegisterControlCreateFunction(WideString(kClassName), &CreateControlFromDescriptor<SkinnedControl>);
  }

  QZRESULT Initialize() override {
    Log("initialize");
    return LControl::Initialize();
  }
  QZRESULT FinishInitialize() override {
    Log("finish");
    return LControl::FinishInitialize();
  }
  QZRESULT PaintOverLooks(const RCPtr<LRenderer>& renderer) override {
    LogClip("overLooks", renderer);
    return LControl::PaintOverLooks(renderer);
  }
  QZRESULT PaintOverChildren(const RCPtr<LRenderer>& renderer) override {
    LogClip("overChildren", renderer);
    return LControl::PaintOverChildren(renderer);
  }
  void OnValueChanged() override {
    Log("valueChanged");
    if (mValueOverride >= 0)
      mNormalizedValue = mValueOverride;
  }
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override {
    Log("conditionsChanged");
    LControl::OnConditionsChanged(conditions);
  }

  // Test access to the inputs of the condition bits.
  void SetFocusFlags(bool hasFocus, bool containsFocus) {
    mHasFocus = hasFocus;
    mContainsFocus = containsFocus;
  }
  void SetMouseFlags(bool inside, bool captured) {
    mMouseInside = inside;
    mCaptured = captured;
  }
  // button: 0 left, 1 middle, 2 right.
  void SetDragFlags(std::int32_t button, bool armed, bool dragging) {
    bool* const armedFlags[] = {&mLeftDragArmed, &mMiddleDragArmed, &mRightDragArmed};
    bool* const draggingFlags[] = {&mLeftDragging, &mMiddleDragging, &mRightDragging};
    *armedFlags[button] = armed;
    *draggingFlags[button] = dragging;
  }
  void SetEnabledFlag(bool enabled) { mLayout->mEnabled = enabled; }
  void SetOpacity(float opacity) { mOpacity = opacity; }
  bool IsLayoutSuppressedNow() const { return mLayoutSuppressed; }

  double mValueOverride = -1;
  static inline std::vector<std::string>* sLog = nullptr;
  static inline std::int32_t sLive = 0;

private:
  void Log(const std::string& what) {
    if (sLog)
      sLog->push_back(std::string(GetName().ToNarrow().GetChars()) + "." + what);
  }
  void LogClip(const std::string& what, const RCPtr<LRenderer>& renderer) {
    const RenderState* state = renderer->GetCurrentState();
    if (!state) {
      Log(what);
      return;
    }
    const RectT<std::int32_t> clip = state->mClip.RoundToLong();
    Log(what + "(" + std::to_string(clip.x) + "," + std::to_string(clip.y) + "," + std::to_string(clip.width) +
        "," + std::to_string(clip.height) + ")");
  }
};

} // namespace QZ::test
