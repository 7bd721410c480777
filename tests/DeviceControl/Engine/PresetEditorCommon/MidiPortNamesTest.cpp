#include "DeviceControl/Engine/PresetEditorCommon/MidiPortNames.h"

#include "Platform/Midi/FakeMidiSystem.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace QZ {
namespace {

using Platform::FakeMidiSystem;
using Platform::MidiDirection;
using Names = std::vector<std::u16string>;

std::string Narrow(const std::u16string& text) { return WideString(text.c_str()).ToNarrow().GetChars(); }

Names ToVector(const MidiPortNameList& list) {
  Names out;
  for (std::uint32_t i = 0; i < list.GetCount(); ++i)
    out.emplace_back(list.GetAt(i).GetChars());
  return out;
}

MidiPortNameList ToList(const Names& names) {
  MidiPortNameList list;
  for (const auto& name : names)
    list.AddItem(WideString(name.c_str()));
  return list;
}

// A machine with these devices in both directions, in this order.
struct Machine {
  explicit Machine(const Names& devices) {
    for (const auto& name : devices) {
      inputs.push_back(fake.AddDevice(MidiDirection::Input, name));
      fake.AddDevice(MidiDirection::Output, name);
    }
  }
  FakeMidiSystem fake;
  std::vector<FakeMidiSystem::DeviceId> inputs;
};

TEST(MidiPortNames, SharedNamesAreNumberedAtTheirFirstDevice) {
  const struct {
    Names devices;
    Names ports;
  } cases[] = {
      {{}, {}},
      {{u"A", u"B", u"A"}, {u"A (1)", u"A (2)", u"B"}},
      {{u"A", u"A", u"A"}, {u"A (1)", u"A (2)", u"A (3)"}},
      // The third device's own name is a numbered one: it stands as it is.
      {{u"X", u"X", u"X (1)"}, {u"X (1)", u"X (2)", u"X (1)"}},
      {{u"Keys", u"keys"}, {u"Keys", u"keys"}}, // names compare with case
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.devices.empty() ? std::string("no devices") : Narrow(c.devices[0]) + "...");
    Machine machine(c.devices);
    MidiPortNameList inputs = ToList({u"stale"});
    MidiPortNameList outputs;
    EXPECT_EQ(GetInputPortNames(machine.fake, inputs), S_OK);
    EXPECT_EQ(GetOutputPortNames(machine.fake, outputs), S_OK);
    EXPECT_EQ(ToVector(inputs), c.ports);
    EXPECT_EQ(ToVector(outputs), c.ports);
  }
}

TEST(MidiPortNames, ANameThatCannotBeReadEndsTheList) {
  Machine machine({u"A", u"B", u"A"});
  machine.fake.SetNameReadFails(machine.inputs[1], true);
  MidiPortNameList names;
  EXPECT_EQ(GetInputPortNames(machine.fake, names), E_FAIL);
  EXPECT_EQ(ToVector(names), Names{u"A"}) << "the names read before it are kept, and unique among themselves";
  EXPECT_EQ(GetOutputPortNames(machine.fake, names), S_OK) << "outputs are other devices";
}

TEST(MidiPortNames, LookupByContainmentWithAnExactMatchWinning) {
  const struct {
    Names list;
    std::u16string requested;
    std::int32_t count;
    std::int32_t index;
  } cases[] = {
      {{}, u"Keys", 0, -1},
      {{u"A (1)", u"A (2)", u"B"}, u"a (2)", 1, 1},
      {{u"Keys", u"Keys MIDI"}, u"keys", 1, 0},  // exact, case ignored
      {{u"Keys", u"Keys MIDI"}, u"key", 2, 0},   // ambiguous: the first candidate
      {{u"Keys MIDI", u"Keys"}, u"KEYS", 1, 1},  // exact wins over a candidate in front of it
      {{u"Keys MIDI", u"Other"}, u"MIDI", 1, 0}, // the only one that contains it
      {{u"Keys MIDI", u"Other"}, u"Piano", 0, -1},
      {{u"a", u"b", u"c"}, u"", 3, 0}, // the empty name is in every name and equals none
      {{u"a", u"", u"c"}, u"", 1, 1},  // ... but an empty one
      {{u"X (1)", u"X (2)", u"X (1)"}, u"X (1)", 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.requested));
    std::int32_t index = 99;
    EXPECT_EQ(FindPortName(ToList(c.list), WideString(c.requested.c_str()), index), c.count);
    EXPECT_EQ(index, c.index);
  }
}

TEST(MidiPortNames, SplittingANumberedTail) {
  const struct {
    std::u16string name;
    std::u16string base;
    std::int32_t ordinal;
  } cases[] = {
      {u"Keys (12)", u"Keys", 11}, {u"Keys (3)", u"Keys", 2},
      {u"Keys(3)", u"Key", 2}, // the character in front of "(" goes with the tail, unseen
      {u"ab(1)", u"a", 0},         {u"Keys", u"Keys", 0},
      {u"(1)", u"(1)", 0},                                      // shorter than four: never split
      {u" (1)", u"", 0},           {u"X (a)", u"X", -1},        // not a number
      {u"X (0)", u"X", -1},        {u"X (123)", u"X (123)", 0}, // three digits are no tail
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.name));
    WideString base(u"stale");
    std::int32_t ordinal = 99;
    SplitPortName(WideString(c.name.c_str()), base, ordinal);
    EXPECT_EQ(std::u16string(base.GetChars()), c.base);
    EXPECT_EQ(ordinal, c.ordinal);
  }
}

TEST(MidiPortNames, APortNameDesignatesADeviceBySuffix) {
  Names twelveKeys;
  for (int i = 0; i < 12; ++i) {
    twelveKeys.push_back(u"Keys");
    twelveKeys.push_back(u"Other");
  }
  const struct {
    Names devices;
    std::u16string port;
    std::int32_t device;
    std::u16string deviceName; // the designated device's, or the last one examined
  } cases[] = {
      {{}, u"Keys", -1, u""},
      {{u"A", u"B", u"A"}, u"A (2)", 2, u"A"},
      {{u"A", u"B", u"A"}, u"A (1)", 0, u"A"},
      {{u"A", u"B", u"A"}, u"a", 0, u"A"},
      {{u"A", u"B", u"A"}, u"A (3)", -1, u"A"},
      {twelveKeys, u"Keys (12)", 22, u"Keys"},
      {{u"abab"}, u"ab", -1, u"abab"}, // only the first occurrence counts, and it does not end the name
      {{u"abab", u"cab"}, u"ab", 1, u"cab"},
      // A device of exactly the name comes before one whose name only ends in it.
      {{u"My Keys", u"Keys"}, u"Keys", 1, u"Keys"},
      {{u"Not Pellan Vorn", u"Pellan Vorn"}, u"pellan vorn", 1, u"Pellan Vorn"},
      {{u"My Keys", u"Keys"}, u"Keys (2)", 1, u"Keys"},
      {{u"Keys", u"My Keys", u"Keys"}, u"Keys (2)", 2, u"Keys"},
      {{u"My Keys", u"Other"}, u"Keys", 0, u"My Keys"},
      {{u"Keys MIDI"}, u"Keys", -1, u"Keys MIDI"},
      {{u"Keys MIDI"}, u"keys midi", 0, u"Keys MIDI"},
      {{u"Keys"}, u"Keys (a)", -1, u"Keys"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.port));
    Machine machine(c.devices);
    for (MidiDirection direction : {MidiDirection::Input, MidiDirection::Output}) {
      WideString deviceName;
      EXPECT_EQ(FindPortDevice(machine.fake, direction, WideString(c.port.c_str()), deviceName), c.device);
      EXPECT_EQ(std::u16string(deviceName.GetChars()), c.deviceName);
    }
  }
}

TEST(MidiPortNames, ADeviceWhoseNameCannotBeReadIsPassedOver) {
  Machine machine({u"Keys", u"Keys", u"Keys"});
  machine.fake.SetNameReadFails(machine.inputs[0], true);
  WideString deviceName;
  EXPECT_EQ(FindPortDevice(machine.fake, MidiDirection::Input, WideString(u"Keys"), deviceName), 1);
  EXPECT_EQ(FindPortDevice(machine.fake, MidiDirection::Input, WideString(u"Keys (2)"), deviceName), 2);
  EXPECT_EQ(FindPortDevice(machine.fake, MidiDirection::Input, WideString(u"Keys (3)"), deviceName), -1);
}

// The names the list gives designate their own devices, device order and list order differing.
TEST(MidiPortNames, EveryListedNameOpensItsOwnDevice) {
  Machine machine({u"A", u"B", u"A", u"C", u"B", u"A"});
  MidiPortNameList names;
  ASSERT_EQ(GetOutputPortNames(machine.fake, names), S_OK);
  EXPECT_EQ(ToVector(names), (Names{u"A (1)", u"A (2)", u"A (3)", u"B (1)", u"B (2)", u"C"}));
  const std::int32_t expected[] = {0, 2, 5, 1, 4, 3};
  for (std::uint32_t i = 0; i < names.GetCount(); ++i) {
    std::int32_t index = -1;
    ASSERT_EQ(FindPortName(names, names.GetAt(i), index), 1);
    EXPECT_EQ(index, static_cast<std::int32_t>(i));
    WideString deviceName;
    EXPECT_EQ(FindPortDevice(machine.fake, MidiDirection::Output, names.GetAt(i), deviceName), expected[i]);
  }
}

// Random machines whose device names do not end one another: every listed name is unique, finds itself, and
// designates a device of its own whose name is the listed name's base.
TEST(MidiPortNames, RandomMachinesNameEveryDeviceOnce) {
  const std::u16string pool[] = {u"Keys", u"Pad", u"Synth MIDI", u"Drum"};
  std::mt19937 random(20261210);
  for (int round = 0; round < 200; ++round) {
    Names devices(random() % 9);
    for (auto& name : devices)
      name = pool[random() % 4];
    SCOPED_TRACE(round);
    Machine machine(devices);
    MidiPortNameList names;
    ASSERT_EQ(GetInputPortNames(machine.fake, names), S_OK);
    ASSERT_EQ(names.GetCount(), devices.size());
    std::set<std::int32_t> designated;
    for (std::uint32_t i = 0; i < names.GetCount(); ++i) {
      const WideString& name = names.GetAt(i);
      EXPECT_EQ(names.Find(name, true, i + 1), -1) << "unique";
      std::int32_t index = -1;
      EXPECT_EQ(FindPortName(names, name, index), 1);
      EXPECT_EQ(index, static_cast<std::int32_t>(i));
      WideString deviceName;
      const std::int32_t device = FindPortDevice(machine.fake, MidiDirection::Input, name, deviceName);
      ASSERT_GE(device, 0);
      EXPECT_TRUE(designated.insert(device).second) << "a device of its own";
      EXPECT_EQ(std::u16string(deviceName.GetChars()), devices[static_cast<std::size_t>(device)]);
      WideString base;
      std::int32_t ordinal = 0;
      SplitPortName(name, base, ordinal);
      EXPECT_EQ(std::u16string(base.GetChars()), devices[static_cast<std::size_t>(device)]);
    }
  }
}

} // namespace
} // namespace QZ
