#include "Panel/Main/CommandLine.h"

#include "QZFramework/Utilities/Storage/DebugOutput.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ {
namespace {

NarrowString Text(const char* text) {
  NarrowString result;
  result.Assign(text);
  return result;
}

TEST(CommandLine, DebugOutputSwitches) {
  using K = SDebugOutputSwitch::Kind;
  struct Case {
    const char* commandLine;
    K kind;
    std::int32_t port;
    const char* host;
  };
  const Case cases[] = {
      {"editor", K::kNone, 0, ""},
      {"editor -debug_console", K::kConsole, 0, ""},
      {"editor -DEBUG_CONSOLEX", K::kConsole, 0, ""},
      {"editor -Debug_Console:5000:myhost.local other", K::kUdp, 5000, "MYHOST.LOCAL"},
      {"editor -DEBUG_CONSOLE:5000", K::kUdp, 5000, ""},
      {"editor -DEBUG_CONSOLE:5000: next", K::kUdp, 5000, ""},
      {"-DEBUG_CONSOLE -debug_console:6000:h", K::kUdp, 6000, "H"},
      {"-debug_console:5000:h\xc3\xb4st", K::kUdp, 5000, "H\xc3\xb4ST"},
      {"-DEBUG_CONSOLE:65535", K::kUdp, 65535, ""},
      {"-DEBUG_CONSOLE:07", K::kUdp, 7, ""},
      // The colon of a later argument is not the switch's.
      {"-DEBUG_CONSOLE:5000 -other:x", K::kUdp, 5000, ""},
      // A one-character port text configures nothing, as before.
      {"-DEBUG_CONSOLE:7", K::kNone, 0, ""},
      {"-DEBUG_CONSOLE:7:host", K::kNone, 0, ""},
      // Ports that are not wholly decimal digits, or out of range, configure nothing either.
      {"-DEBUG_CONSOLE:abc:host", K::kNone, 0, ""},
      {"-DEBUG_CONSOLE:5000x", K::kNone, 0, ""},
      {"-DEBUG_CONSOLE:+5000", K::kNone, 0, ""},
      {"-DEBUG_CONSOLE:-5000", K::kNone, 0, ""},
      {"-DEBUG_CONSOLE:00", K::kNone, 0, ""},
      {"-DEBUG_CONSOLE:65536", K::kNone, 0, ""},
      {"-DEBUG_CONSOLE:4294972296", K::kNone, 0, ""},
      {"-DEBUG_CONSOLE: 5000", K::kNone, 0, ""},
      {"-DEBUG_CONSOLE:", K::kNone, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandLine);
    const SDebugOutputSwitch parsed = ParseDebugOutputSwitch(Text(c.commandLine));
    EXPECT_EQ(parsed.mKind, c.kind);
    EXPECT_EQ(parsed.mPort, c.port);
    EXPECT_STREQ(parsed.mHost.GetChars(), c.host);
  }
}

TEST(CommandLine, UpperCasingTouchesOnlyAsciiLetters) {
  EXPECT_STREQ(UpperCaseAscii(Text("a-z:09 %s \xc3\xa9t\xc3\xa9")).GetChars(), "A-Z:09 %S \xc3\xa9T\xc3\xa9");
}

TEST(CommandLine, TheUdpFormSetsTheDebugOutputTarget) {
  ApplyDebugOutputSwitch(ParseDebugOutputSwitch(Text("editor -debug_console:5999:localhost")));
  EXPECT_EQ(DebugOutput::GetUdpPort(), 5999);
  EXPECT_EQ(DebugOutput::GetUdpHost(), "LOCALHOST");
  // Without a host the stored one stays; nothing is configured by the rejected forms.
  ApplyDebugOutputSwitch(ParseDebugOutputSwitch(Text("editor -debug_console:5998")));
  EXPECT_EQ(DebugOutput::GetUdpPort(), 5998);
  EXPECT_EQ(DebugOutput::GetUdpHost(), "LOCALHOST");
  ApplyDebugOutputSwitch(ParseDebugOutputSwitch(Text("editor -debug_console:x:otherhost")));
  EXPECT_EQ(DebugOutput::GetUdpPort(), 5998);
  EXPECT_EQ(DebugOutput::GetUdpHost(), "LOCALHOST");
  // Back to the debugger output.
  DebugOutput::SetUdpTarget(nullptr, 0);
}

} // namespace
} // namespace QZ
