#pragma once
// A simulated controller on JACK MIDI ports of its own, for tests that talk to it from another process through the
// real backend: an output and an input port of two JACK clients named after the controller (JACK names the second
// "<name>-01", which the real backend lists under the same device name). What arrives on its input goes to the
// SimulatedController, and its answers go out on its output at once.
//
// Threads: answers are sent from RtMidi's input thread. The controller must outlive this object.

#include "Platform/Midi/SimulatedController.h"

#include <cstdint>
#include <memory>
#include <string>

namespace QZ::Platform {

class JackVirtualController {
public:
  // Null when no JACK server runs (RtMidi's JACK code must never be reached without one) or the ports cannot be
  // made.
  [[nodiscard]] static std::unique_ptr<JackVirtualController> Open(const std::string& name,
                                                                   SimulatedController& controller);
  ~JackVirtualController();

  std::uint32_t GetAnswerCount() const;

  struct Ports; // RtMidi's objects, kept out of this header

private:
  explicit JackVirtualController(std::unique_ptr<Ports> ports);
  std::unique_ptr<Ports> mPorts;
};

} // namespace QZ::Platform
