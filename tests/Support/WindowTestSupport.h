#pragma once
// The window system for tests: started on SDL's offscreen driver (windows and events with no display
// server) for the life of the object, and helpers to take the translated events out of the queue. Link
// qz_platform_window to use it.

#include "Platform/Window/WindowEvent.h"
#include "Platform/Window/WindowSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace QZ::test {

class OffscreenWindowSystem {
public:
  OffscreenWindowSystem() {
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    mStarted = Platform::StartWindowSystem();
    EXPECT_TRUE(mStarted) << Platform::GetWindowSystemError();
    TakeWindowEvents(); // what creating the system queued
  }
  ~OffscreenWindowSystem() {
    if (mStarted)
      Platform::StopWindowSystem();
  }
  OffscreenWindowSystem(const OffscreenWindowSystem&) = delete;
  OffscreenWindowSystem& operator=(const OffscreenWindowSystem&) = delete;

  bool IsStarted() const { return mStarted; }

  // Every event waiting now, in order.
  static std::vector<Platform::WindowEvent> TakeWindowEvents() {
    std::vector<Platform::WindowEvent> events;
    Platform::WindowEvent event;
    while (Platform::PollWindowEvent(event))
      events.push_back(event);
    return events;
  }

  // The waiting events of one kind, the others dropped.
  static std::vector<Platform::WindowEvent> TakeWindowEvents(Platform::WindowEventKind kind) {
    std::vector<Platform::WindowEvent> events;
    for (Platform::WindowEvent& event : TakeWindowEvents()) {
      if (event.kind == kind)
        events.push_back(std::move(event));
    }
    return events;
  }

private:
  bool mStarted = false;
};

} // namespace QZ::test
