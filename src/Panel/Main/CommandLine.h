#pragma once
// The debug-output switches of the command line. The command line is searched upper-cased (ASCII letters
// only), so a switch is found in any case and a host name taken from it is upper case:
//   "-DEBUG_CONSOLE"             the debug output goes to the console (standard error);
//   "-DEBUG_CONSOLE:port[:host]" it goes as UDP datagrams to the port, of the host when one is given.
// The text of the second form runs from the colon to the next blank. Its port is accepted only when it is
// two or more decimal digits, all of them, worth 1 to 65535; otherwise nothing is configured, not even the
// console. So ":7" (one character) configures nothing, as before.
//
// Pure parsing, plus one call that hands the result to the process-wide DebugOutput. Any thread.

#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

struct SDebugOutputSwitch {
  enum Kind : std::uint8_t {
    kNone,    // no switch, or a UDP form without a usable port
    kConsole, // "-DEBUG_CONSOLE"
    kUdp,     // "-DEBUG_CONSOLE:port[:host]"
  };
  Kind mKind = kNone;
  std::int32_t mPort = 0;
  NarrowString mHost; // upper case; empty for no host
};

// The command line (UTF-8) as the switches see it.
NarrowString UpperCaseAscii(const NarrowString& text);
SDebugOutputSwitch ParseDebugOutputSwitch(const NarrowString& commandLine);
// Console or UDP target of the debug output; nothing for kNone.
void ApplyDebugOutputSwitch(const SDebugOutputSwitch& debugSwitch);

} // namespace QZ
