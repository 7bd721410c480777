#pragma once
// A key-state backend that a test sets key by key, and a guard that installs
// one for a scope. UI thread, like the real one.

#include "Platform/Input/KeyState.h"

#include <array>
#include <cstdint>
#include <memory>

namespace QZ::Platform {

class FakeKeyState final : public KeyStateSource {
public:
  FakeKeyState() = default;
  ~FakeKeyState() override = default;

  SKeyState GetKeyState(std::uint8_t virtualKey) override { return mKeys[virtualKey]; }

  void SetDown(std::uint8_t virtualKey, bool down) { mKeys[virtualKey].down = down; }
  void SetToggled(std::uint8_t virtualKey, bool toggled) { mKeys[virtualKey].toggled = toggled; }
  void ReleaseAll() { mKeys = {}; }

private:
  std::array<SKeyState, 256> mKeys{};
};

// Installs a fake for a scope and puts the previous backend back.
class ScopedFakeKeyState {
public:
  ScopedFakeKeyState() : mFake(std::make_shared<FakeKeyState>()), mPrevious(SetKeyStateSource(mFake)) {}
  ~ScopedFakeKeyState() { SetKeyStateSource(mPrevious); }
  ScopedFakeKeyState(const ScopedFakeKeyState&) = delete;
  ScopedFakeKeyState& operator=(const ScopedFakeKeyState&) = delete;

  FakeKeyState& operator*() const { return *mFake; }
  FakeKeyState* operator->() const { return mFake.get(); }

private:
  std::shared_ptr<FakeKeyState> mFake;
  std::shared_ptr<KeyStateSource> mPrevious;
};

} // namespace QZ::Platform
