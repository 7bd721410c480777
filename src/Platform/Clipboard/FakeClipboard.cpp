#include "Platform/Clipboard/FakeClipboard.h"

namespace QZ::Platform {

bool FakeClipboard::GetText(std::string& utf8) {
  if (mFailRead) {
    mFailRead = false;
    return false;
  }
  ++mReads;
  utf8 = mText;
  return true;
}

bool FakeClipboard::SetText(std::string_view utf8) {
  if (mFailWrite) {
    mFailWrite = false;
    return false;
  }
  mText = utf8.substr(0, utf8.find('\0'));
  mClaimed = false;
  ++mSequence;
  return true;
}

bool FakeClipboard::Claim() {
  if (mFailWrite) {
    mFailWrite = false;
    return false;
  }
  mText.clear();
  mClaimed = true;
  ++mSequence;
  return true;
}

void FakeClipboard::CopyFromOtherProgram(std::string_view utf8) {
  mText = utf8;
  mClaimed = false;
  ++mSequence;
}

} // namespace QZ::Platform
