#include "Panel/Main/CommandLine.h"

#include "QZFramework/Utilities/Storage/DebugOutput.h"

#include <string>
#include <string_view>

namespace QZ {

namespace {

constexpr std::string_view kConsoleSwitch = "-DEBUG_CONSOLE";
constexpr std::string_view kUdpSwitch = "-DEBUG_CONSOLE:";
constexpr std::int32_t kMaxPort = 65535;

// A port of only decimal digits, at least two of them, 1 to 65535; 0 otherwise.
std::int32_t ParsePort(std::string_view text) {
  if (text.size() < 2)
    return 0;
  std::int32_t port = 0;
  for (const char c : text) {
    if (c < '0' || c > '9')
      return 0;
    port = port * 10 + (c - '0');
    if (port > kMaxPort)
      return 0;
  }
  return port;
}

} // namespace

NarrowString UpperCaseAscii(const NarrowString& text) {
  std::string upper(text.GetChars(), text.GetLength());
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  NarrowString result;
  result.Assign(upper.c_str());
  return result;
}

SDebugOutputSwitch ParseDebugOutputSwitch(const NarrowString& commandLine) {
  const NarrowString upper = UpperCaseAscii(commandLine);
  const std::string_view text(upper.GetChars(), upper.GetLength());
  SDebugOutputSwitch result;
  if (text.find(kConsoleSwitch) == std::string_view::npos)
    return result;
  const std::size_t udp = text.find(kUdpSwitch);
  if (udp == std::string_view::npos) {
    result.mKind = SDebugOutputSwitch::kConsole;
    return result;
  }
  // The switch's own text: from after its colon to the next blank.
  const std::size_t start = udp + kUdpSwitch.size();
  std::size_t end = text.find(' ', start);
  if (end == std::string_view::npos)
    end = text.size();
  const std::string_view value = text.substr(start, end - start);
  const std::size_t colon = value.find(':');
  const std::int32_t port = ParsePort(value.substr(0, colon));
  if (port == 0)
    return result;
  result.mKind = SDebugOutputSwitch::kUdp;
  result.mPort = port;
  if (colon != std::string_view::npos)
    result.mHost.Assign(std::string(value.substr(colon + 1)).c_str());
  return result;
}

void ApplyDebugOutputSwitch(const SDebugOutputSwitch& debugSwitch) {
  switch (debugSwitch.mKind) {
  case SDebugOutputSwitch::kNone:
    break;
  case SDebugOutputSwitch::kConsole:
    DebugOutput::OpenConsole();
    break;
  case SDebugOutputSwitch::kUdp:
    DebugOutput::SetUdpTarget(debugSwitch.mHost.IsEmpty() ? nullptr : debugSwitch.mHost.GetChars(),
                              debugSwitch.mPort);
    break;
  }
}

} // namespace QZ
