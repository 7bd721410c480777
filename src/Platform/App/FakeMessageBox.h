#pragma once
// A message-box presenter for tests: records every box and answers with the
// answer the test set, showing nothing (after running the test's look at the
// moment the box is asked for, when it set one); and a guard that installs one
// for a scope. UI thread, like the real one.

#include "Platform/App/MessageBox.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace QZ::Platform {

class FakeMessageBox final : public MessageBoxPresenter {
public:
  struct Shown {
    std::string text;
    std::string caption;
    std::uint32_t style;
    WindowId owner;
  };

  std::int32_t Show(const std::string& text, const std::string& caption, std::uint32_t style) override {
    return ShowOwned(text, caption, style, kNoWindow);
  }
  std::int32_t ShowOwned(const std::string& text, const std::string& caption, std::uint32_t style,
                         WindowId owner) override {
    mShown.push_back({text, caption, style, owner});
    if (mOnShow)
      mOnShow(mShown.back());
    return mAnswer;
  }

  std::vector<Shown> mShown;
  std::int32_t mAnswer = kMessageBoxOk;
  // Runs while the box is up, before the answer.
  std::function<void(const Shown&)> mOnShow;
};

class ScopedFakeMessageBox {
public:
  ScopedFakeMessageBox() : mFake(std::make_shared<FakeMessageBox>()), mPrevious(SetMessageBoxPresenter(mFake)) {}
  ~ScopedFakeMessageBox() { SetMessageBoxPresenter(mPrevious); }
  ScopedFakeMessageBox(const ScopedFakeMessageBox&) = delete;
  ScopedFakeMessageBox& operator=(const ScopedFakeMessageBox&) = delete;

  FakeMessageBox& operator*() const { return *mFake; }
  FakeMessageBox* operator->() const { return mFake.get(); }

private:
  std::shared_ptr<FakeMessageBox> mFake;
  std::shared_ptr<MessageBoxPresenter> mPrevious;
};

} // namespace QZ::Platform
