#include "Platform/Midi/JackVirtualController.h"

#include "Platform/Midi/RtMidiSystem.h"

#include <RtMidi.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace QZ::Platform {
namespace {

void Ignore(RtMidiError::Type, const std::string&, void*) {}

} // namespace

struct JackVirtualController::Ports {
  explicit Ports(SimulatedController& c) : controller(c) {}
  SimulatedController& controller;
  std::mutex sendLock;
  std::atomic<std::uint32_t> answers{0};
  std::unique_ptr<RtMidiOut> output; // made first: an answer may be due as soon as the input is open
  std::unique_ptr<RtMidiIn> input;   // last: goes first, and with it its thread
};

namespace {

void OnInput(double, std::vector<unsigned char>* message, void* user) {
  auto* ports = static_cast<JackVirtualController::Ports*>(user);
  if (!message)
    return;
  const auto answer = ports->controller.Receive(*message);
  if (!answer)
    return;
  std::lock_guard<std::mutex> guard(ports->sendLock);
  try {
    ports->output->sendMessage(answer->data(), answer->size());
    ports->answers.fetch_add(1);
  } catch (const RtMidiError&) {
  }
}

} // namespace

std::unique_ptr<JackVirtualController> JackVirtualController::Open(const std::string& name,
                                                                   SimulatedController& controller) {
  if (!IsJackServerRunning())
    return nullptr;
  auto ports = std::make_unique<Ports>(controller);
  try {
    ports->output = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, name);
    ports->output->setErrorCallback(&Ignore, nullptr);
    ports->output->openVirtualPort("out");
    ports->input = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, name);
    ports->input->setErrorCallback(&Ignore, nullptr);
    ports->input->ignoreTypes(false, true, true);
    ports->input->setCallback(&OnInput, ports.get());
    ports->input->openVirtualPort("in");
  } catch (const RtMidiError&) {
    return nullptr;
  }
  return std::unique_ptr<JackVirtualController>(new JackVirtualController(std::move(ports)));
}

JackVirtualController::JackVirtualController(std::unique_ptr<Ports> ports) : mPorts(std::move(ports)) {}

JackVirtualController::~JackVirtualController() {
  mPorts->input.reset();
  mPorts->output.reset();
}

std::uint32_t JackVirtualController::GetAnswerCount() const { return mPorts->answers.load(); }

} // namespace QZ::Platform
