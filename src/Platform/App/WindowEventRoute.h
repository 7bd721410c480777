#pragma once
// Routes the window layer's events (Platform/Window) through an application
// host's loop: the host takes SDL's events from the queue, so the route hands
// each one to the window layer and gives the translated events to the sink at
// once, in order. Quit requests stay the host's.
//
// UI thread. The sink may run nested loops; an exception from it leaves the
// host's loop (AppHost.h).

#include "Platform/App/AppHost.h"
#include "Platform/Window/WindowEvent.h"

#include <cstdint>
#include <functional>

namespace QZ::Platform {

// The handler's id, for AppHost::RemoveEventHandler.
std::uint32_t RouteWindowEvents(AppHost& host, std::function<void(const WindowEvent&)> sink);

} // namespace QZ::Platform
