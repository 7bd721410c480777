#pragma once
// An in-process clipboard for tests: the text and the private mark as the real
// one keeps them, another program's copy played by CopyFromOtherProgram, and
// single calls made to fail. A guard installs one for a scope. UI thread.

#include "Platform/Clipboard/Clipboard.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace QZ::Platform {

class FakeClipboard final : public Clipboard {
public:
  bool HasText() override { return !mText.empty(); }
  bool GetText(std::string& utf8) override;
  bool SetText(std::string_view utf8) override;
  bool Claim() override;
  bool IsClaimed() override { return mClaimed; }
  std::uint32_t GetSequenceNumber() override { return mSequence; }

  // Another program puts text on the clipboard.
  void CopyFromOtherProgram(std::string_view utf8);
  // The next read, write or claim fails and changes nothing.
  void FailNextRead() { mFailRead = true; }
  void FailNextWrite() { mFailWrite = true; }
  // Withdraws failures that no call used.
  void ClearFailures() { mFailRead = mFailWrite = false; }

  const std::string& Text() const { return mText; }
  int ReadCount() const { return mReads; }

private:
  std::string mText;
  bool mClaimed = false;
  std::uint32_t mSequence = 1;
  bool mFailRead = false;
  bool mFailWrite = false;
  int mReads = 0;
};

class ScopedFakeClipboard {
public:
  ScopedFakeClipboard() : mFake(std::make_shared<FakeClipboard>()), mPrevious(SetClipboard(mFake)) {}
  ~ScopedFakeClipboard() { SetClipboard(mPrevious); }
  ScopedFakeClipboard(const ScopedFakeClipboard&) = delete;
  ScopedFakeClipboard& operator=(const ScopedFakeClipboard&) = delete;

  FakeClipboard& operator*() const { return *mFake; }
  FakeClipboard* operator->() const { return mFake.get(); }

private:
  std::shared_ptr<FakeClipboard> mFake;
  std::shared_ptr<Clipboard> mPrevious;
};

} // namespace QZ::Platform
