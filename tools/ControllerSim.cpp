// A simulated Pellan Vorn controller on JACK MIDI ports: it keeps its programs, stores what it is sent and answers
// program requests, until it is stopped or its time is up.
//
//   qz_controller_sim [seconds] [name]     at most 60 seconds by default, named "Pellan Vorn"
//
// Exit codes: 0 when its time is up, 2 when no JACK server runs or its ports cannot be made, 1 for bad arguments.
#include "Platform/Midi/JackVirtualController.h"
#include "Platform/Midi/SimulatedController.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  int seconds = 60;
  std::string name = "Pellan Vorn";
  if (argc > 1) {
    char* end = nullptr;
    const long value = std::strtol(argv[1], &end, 10);
    if (!end || *end != '\0' || value < 1 || value > 3600) {
      std::fprintf(stderr, "usage: %s [seconds] [name]\n", argv[0]);
      return 1;
    }
    seconds = static_cast<int>(value);
  }
  if (argc > 2)
    name = argv[2];

  QZ::Platform::SimulatedController controller;
  std::unique_ptr<QZ::Platform::JackVirtualController> ports =
      QZ::Platform::JackVirtualController::Open(name, controller);
  if (!ports) {
    std::fprintf(stderr, "no JACK server, or its ports could not be made\n");
    return 2;
  }
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  return 0;
}
