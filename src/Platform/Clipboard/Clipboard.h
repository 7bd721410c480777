#pragma once
// The system clipboard, for text in UTF-8, and a mark for data that stays
// inside this process (Claim): while the mark holds, other programs see an empty
// clipboard and IsClaimed answers true; any later change, ours or another
// program's, ends it.
//
// The sequence number changes whenever the clipboard's contents change, by this
// process or by another, and stays put otherwise. It is what lets a caller keep
// what it read last and read again only after a change.
//
// One backend serves the process: the one installed last, or the SDL backend
// made on first use, which starts SDL's video subsystem for itself (so it fails
// every call without a display) and needs SDL's events pumped for other
// programs to read what it put there. Tests install FakeClipboard. Backends are
// for the UI thread; installing one is safe from any thread.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace QZ::Platform {

class Clipboard {
public:
  Clipboard() = default;
  Clipboard(const Clipboard&) = delete;
  Clipboard& operator=(const Clipboard&) = delete;
  virtual ~Clipboard() = default;

  // Whether non-empty text is on the clipboard.
  virtual bool HasText() = 0;
  // The text; false (utf8 unchanged) when the clipboard could not be read.
  virtual bool GetText(std::string& utf8) = 0;
  // Replaces the contents with the text (up to a zero byte); false on failure.
  virtual bool SetText(std::string_view utf8) = 0;
  // Empties the clipboard and marks it as holding this process's private data.
  virtual bool Claim() = 0;
  virtual bool IsClaimed() = 0;
  virtual std::uint32_t GetSequenceNumber() = 0;
};

// The process's backend.
std::shared_ptr<Clipboard> GetClipboard();
// Installs a backend (null: the SDL backend, made on the next GetClipboard)
// and returns the one it replaces.
std::shared_ptr<Clipboard> SetClipboard(std::shared_ptr<Clipboard> clipboard);

} // namespace QZ::Platform
