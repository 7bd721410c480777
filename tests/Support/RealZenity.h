#pragma once
// What the tests of the real zenity share: the user's hand (xdotool) and eyes (xprop) on an X server, and a
// window manager (openbox), as the programs themselves; waits on conditions with generous deadlines, since a
// GTK dialog under a sanitizer on a virtual X server can take seconds to show.
//
// Any thread; one ScopedWindowManager at a time.

#include "Platform/Dialogs/ChildProgram.h"
#include "Platform/System/Process.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace QZ::test {

// Long enough for zenity to come up on a loaded machine under the sanitizers.
inline constexpr std::chrono::seconds kZenityDeadline{60};

// The first of the programs that PATH lacks; empty when it has them all.
inline std::string MissingProgram(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (Platform::FindProgram(name).empty())
      return name;
  }
  return {};
}

// Runs a tool to its end and gives what it printed; none when it failed or did not end within the deadline.
// xdotool reads the text it types in its locale: UTF-8 here whatever the test's own is.
inline std::optional<std::string> RunTool(const std::string& program, const std::vector<std::string>& args) {
  Platform::ChildProgram child;
  if (!child.Start(program, args, true, {"LC_ALL=C.UTF-8"}))
    return std::nullopt;
  if (!child.Wait(static_cast<int>(std::chrono::milliseconds(kZenityDeadline).count())) ||
      child.GetExitCode() != 0)
    return std::nullopt;
  return child.GetOutput();
}

// What the tool printed; empty when it failed.
inline std::string ToolOutput(const std::string& program, const std::vector<std::string>& args) {
  return RunTool(program, args).value_or(std::string());
}

// Calls between() and asks done() until it answers true or the deadline passes; its last answer.
inline bool WaitUntil(const std::function<bool()>& done, const std::function<void()>& between = {},
                      std::chrono::seconds limit = kZenityDeadline) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (between)
      between();
    if (done())
      return true;
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// The X ids a tool printed, one a line, decimal or "0x" hexadecimal.
inline std::vector<std::uint64_t> WindowIds(const std::string& text) {
  std::vector<std::uint64_t> ids;
  std::istringstream lines(text);
  for (std::string word; lines >> word;) {
    try {
      ids.push_back(std::stoull(word, nullptr, 0));
    } catch (const std::exception&) {
    }
  }
  return ids;
}

// The visible window whose title is exactly title; 0 when there is none yet.
inline std::uint64_t FindWindowTitled(const std::string& title) {
  const std::vector<std::uint64_t> ids =
      WindowIds(ToolOutput("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}));
  return ids.empty() ? 0 : ids.front();
}

inline std::uint64_t ActiveWindow() {
  const std::vector<std::uint64_t> ids = WindowIds(ToolOutput("xdotool", {"getactivewindow"}));
  return ids.empty() ? 0 : ids.front();
}

// The visible window titled title once it is there and has the keyboard (the window manager gave it the focus);
// 0 when that did not happen before the deadline.
inline std::uint64_t WaitForActiveWindow(const std::string& title, const std::function<void()>& between = {}) {
  std::uint64_t window = 0;
  WaitUntil([&] { return (window = FindWindowTitled(title)) != 0 && ActiveWindow() == window; }, between);
  return window != 0 && ActiveWindow() == window ? window : 0;
}

// The window ids after the "#" of an xprop line "NAME(WINDOW): window id # 0x1, 0x2" for the window (0: the root).
inline std::vector<std::uint64_t> WindowProperty(std::uint64_t window, const std::string& name) {
  std::vector<std::string> args;
  if (window == 0)
    args.emplace_back("-root");
  else
    args.insert(args.end(), {"-id", std::to_string(window)});
  args.push_back(name);
  std::string text = ToolOutput("xprop", args);
  const std::size_t hash = text.find('#');
  if (hash == std::string::npos)
    return {};
  text = text.substr(hash + 1);
  for (char& c : text) {
    if (c == ',')
      c = ' ';
  }
  return WindowIds(text);
}

// The number after the "=" of an xprop line "NAME(CARDINAL) = 4" for the root window; -1 when it has none.
inline long RootCardinal(const std::string& name) {
  const std::string text = ToolOutput("xprop", {"-root", name});
  const std::size_t equals = text.find('=');
  return equals == std::string::npos ? -1 : std::strtol(text.c_str() + equals + 1, nullptr, 10);
}

// openbox for the scope, up once it has announced itself on the root window and answered a request. It announces
// itself before its loop runs, and a window mapped in between is left unmapped until the next event reaches
// openbox (a window system that waits for the map then waits for ever): asking it to change the number of
// desktops, and back, gives it those events and shows when its loop runs.
class ScopedWindowManager {
public:
  ScopedWindowManager() {
    mProcess = Platform::StartProcess(Platform::FindProgram("openbox"), {"--sm-disable"});
    long desktops = -1;
    mUp = mProcess != 0 && WaitUntil([&] {
            return !WindowProperty(0, "_NET_SUPPORTING_WM_CHECK").empty() &&
                   (desktops = RootCardinal("_NET_NUMBER_OF_DESKTOPS")) > 0;
          }) &&
          SetDesktops(desktops + 1) && SetDesktops(desktops);
  }
  ~ScopedWindowManager() {
    if (mProcess != 0)
      Platform::StopProcess(mProcess, 2000);
  }
  ScopedWindowManager(const ScopedWindowManager&) = delete;
  ScopedWindowManager& operator=(const ScopedWindowManager&) = delete;

  bool IsUp() const { return mUp; }

private:
  static bool SetDesktops(long count) {
    return WaitUntil([&] {
      RunTool("xdotool", {"set_num_desktops", std::to_string(count)});
      return RootCardinal("_NET_NUMBER_OF_DESKTOPS") == count;
    });
  }

  Platform::ProcessId mProcess = 0;
  bool mUp = false;
};

} // namespace QZ::test
