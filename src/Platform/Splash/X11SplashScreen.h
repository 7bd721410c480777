#pragma once
// The X11 backend of SplashScreen: a window of its own on a connection of its own. Private to Platform/Splash.

#include "Platform/Splash/SplashScreen.h"

#include <memory>
#include <string>

namespace QZ::Platform {

// Null (the reason in *error) when no X server answers.
std::unique_ptr<SplashScreen> ConnectX11SplashScreen(std::string* error);

} // namespace QZ::Platform
