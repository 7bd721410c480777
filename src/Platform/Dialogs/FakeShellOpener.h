#pragma once
// A shell opener for tests: records every target and answers with the answer the test set, opening
// nothing; and a guard that installs one for a scope.

#include "Platform/Dialogs/ShellOpener.h"

#include <memory>
#include <string>
#include <vector>

namespace QZ::Platform {

class FakeShellOpener final : public ShellOpener {
public:
  int Open(const std::string& target) override {
    mTargets.push_back(target);
    return mAnswer;
  }

  std::vector<std::string> mTargets;
  int mAnswer = kShellOpened;
};

class ScopedFakeShellOpener {
public:
  ScopedFakeShellOpener() : mFake(std::make_shared<FakeShellOpener>()), mPrevious(SetShellOpener(mFake)) {}
  ~ScopedFakeShellOpener() { SetShellOpener(mPrevious); }
  ScopedFakeShellOpener(const ScopedFakeShellOpener&) = delete;
  ScopedFakeShellOpener& operator=(const ScopedFakeShellOpener&) = delete;

  FakeShellOpener& operator*() const { return *mFake; }
  FakeShellOpener* operator->() const { return mFake.get(); }

private:
  std::shared_ptr<FakeShellOpener> mFake;
  std::shared_ptr<ShellOpener> mPrevious;
};

} // namespace QZ::Platform
