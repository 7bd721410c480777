#pragma once
// A file chooser for tests: records every request and answers at once with the answers the test queued
// (cancelled when none is left), showing nothing; and a guard that installs one for a scope. UI thread,
// like the real one.

#include "Platform/Dialogs/FileChooser.h"

#include <deque>
#include <memory>
#include <utility>
#include <vector>

namespace QZ::Platform {

class FakeFileChooser final : public FileChooser {
public:
  std::unique_ptr<PendingFileChoice> Start(const FileChooserRequest& request) override {
    mRequests.push_back(request);
    FileChooserAnswer answer{FileChooserOutcome::kCancelled, {}, {}};
    if (!mAnswers.empty()) {
      answer = mAnswers.front();
      mAnswers.pop_front();
    }
    return std::make_unique<Answered>(std::move(answer));
  }

  void Accept(const std::string& path) { mAnswers.push_back({FileChooserOutcome::kAccepted, {path}, {}}); }
  void Cancel() { mAnswers.push_back({FileChooserOutcome::kCancelled, {}, {}}); }
  void Fail(const std::string& error) { mAnswers.push_back({FileChooserOutcome::kFailed, {}, error}); }

  std::vector<FileChooserRequest> mRequests;
  std::deque<FileChooserAnswer> mAnswers;

private:
  class Answered final : public PendingFileChoice {
  public:
    explicit Answered(FileChooserAnswer answer) : mAnswer(std::move(answer)) {}
    bool Poll(FileChooserAnswer& answer) override {
      answer = mAnswer;
      return true;
    }

  private:
    FileChooserAnswer mAnswer;
  };
};

class ScopedFakeFileChooser {
public:
  ScopedFakeFileChooser() : mFake(std::make_shared<FakeFileChooser>()), mPrevious(SetFileChooser(mFake)) {}
  ~ScopedFakeFileChooser() { SetFileChooser(mPrevious); }
  ScopedFakeFileChooser(const ScopedFakeFileChooser&) = delete;
  ScopedFakeFileChooser& operator=(const ScopedFakeFileChooser&) = delete;

  FakeFileChooser& operator*() const { return *mFake; }
  FakeFileChooser* operator->() const { return mFake.get(); }

private:
  std::shared_ptr<FakeFileChooser> mFake;
  std::shared_ptr<FileChooser> mPrevious;
};

} // namespace QZ::Platform
