#include "Platform/Midi/SimulatedController.h"

#include "Platform/Midi/SimulatedMidiSystem.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace QZ::Platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Send(std::uint8_t program, const SimulatedController::Record& record) {
  Bytes bytes = {0xF0, 0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, program};
  bytes.insert(bytes.end(), record.begin(), record.end());
  bytes.push_back(0xF7);
  return bytes;
}

TEST(SimulatedController, AnswersRequestsAndStoresPrograms) {
  SimulatedController controller;
  const SimulatedController::Record defaults = {0x00, 0x04, 0x0C, 0x00, 0x00, 0x00, 0x00,
                                                0x00, 0x00, 0x02, 0x00, 0x70, 0x00};
  for (int program = 0; program <= 8; ++program)
    EXPECT_EQ(controller.GetProgram(program), defaults) << program;

  const SimulatedController::Record mine = {5, 3, 0x0E, 1, 2, 3, 4, 1, 1, 0, 1, 0x2C, 2};
  EXPECT_EQ(controller.Receive(Send(5, mine)), std::nullopt) << "a send is not answered";
  EXPECT_EQ(controller.GetProgram(5), mine);
  EXPECT_EQ(controller.GetProgram(4), defaults);

  const auto reply = controller.Receive(Bytes{0xF0, 0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x05, 0xF7});
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply, Send(5, mine)) << "F0 47 7F 4D 61 00 0E 05, the 13 bytes at 8 to 20, F7";
  EXPECT_EQ(SimulatedController::MakeRequest(5), (Bytes{0xF0, 0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x05, 0xF7}));

  // What is not meant for it changes nothing and gets no answer.
  const Bytes ignored[] = {
      {0xF0, 0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x09, 0xF7}, // no slot 9
      {0xF0, 0x47, 0x7F, 0x4C, 0x63, 0x00, 0x01, 0x05, 0xF7}, // another device
      {0xF0, 0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x05},       // no end
      {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7},                   // identity request
      {0xF0, 0x47, 0x7F, 0x4D, 0xF7},
      {},
  };
  for (const Bytes& message : ignored)
    EXPECT_EQ(controller.Receive(message), std::nullopt) << message.size();
  Bytes shortSend = Send(3, mine);
  shortSend.erase(shortSend.begin() + 10);
  EXPECT_EQ(controller.Receive(shortSend), std::nullopt);
  EXPECT_EQ(controller.GetProgram(3), defaults);
  controller.SetProgram(9, mine);
  EXPECT_EQ(controller.GetProgram(9), defaults) << "out of range: nothing stored";
}

TEST(SimulatedMidiSystem, OptionsAndTheEnvironmentChoice) {
  const struct {
    const char* text;
    bool valid;
    bool silent;
    int delayMs;
  } cases[] = {
      {"", true, false, 0},         {"silent", true, true, 0},        {"slow", true, false, 500},
      {"slow=25", true, false, 25}, {"silent,slow=7", true, true, 7}, {"slow=x", false, false, 0},
      {"loud", false, false, 0},    {"slow=", false, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto options = SimulatedMidiSystem::ParseOptions(c.text);
    ASSERT_EQ(options.has_value(), c.valid);
    if (options) {
      EXPECT_EQ(options->silent, c.silent);
      EXPECT_EQ(options->replyDelay.count(), c.delayMs);
    }
  }

  EXPECT_EQ(CreateMidiSystem("none"), nullptr);
  EXPECT_NE(dynamic_cast<SimulatedMidiSystem*>(CreateMidiSystem("simulated").get()), nullptr);
  EXPECT_NE(dynamic_cast<SimulatedMidiSystem*>(CreateMidiSystem("simulated:silent").get()), nullptr);
  for (const char* other : {"simulated:loud", "simulatedx", "system", "", static_cast<const char*>(nullptr)}) {
    const std::shared_ptr<MidiSystem> system = CreateMidiSystem(other);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(dynamic_cast<SimulatedMidiSystem*>(system.get()), nullptr) << "the machine's devices";
  }

  SimulatedMidiSystem simulated;
  std::u16string name;
  for (MidiDirection direction : {MidiDirection::Input, MidiDirection::Output}) {
    ASSERT_EQ(simulated.GetDeviceCount(direction), 1u);
    ASSERT_EQ(simulated.GetDeviceName(direction, 0, name), kMidiOk);
    EXPECT_EQ(name, u"Pellan Vorn");
  }
  simulated.Unplug();
  EXPECT_EQ(simulated.GetDeviceCount(MidiDirection::Input), 0u);
  simulated.Plug();
  EXPECT_EQ(simulated.GetDeviceCount(MidiDirection::Output), 1u);
}

} // namespace
} // namespace QZ::Platform
