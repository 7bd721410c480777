#include "Platform/Midi/FakeMidiSystem.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace QZ::Platform {
namespace {

using Fake = FakeMidiSystem;
using Bytes = std::vector<std::uint8_t>;

// An input port's owner: three 256-byte buffers, and what came back through the callback.
struct InputOwner {
  struct Event {
    MidiInputEvent event;
    std::uint32_t packed;
    std::uint32_t timeMs;
    Bytes bytes;
  };

  std::array<MidiBuffer, 3> buffers{};
  std::array<std::array<std::uint8_t, 256>, 3> data{};
  std::vector<Event> events;
  MidiInHandle handle = 0;
  MidiSystem* system = nullptr;
  bool requeue = false; // queue a returned buffer that holds bytes again, from inside the callback

  static void Callback(void* instance, MidiInputEvent event, std::uint32_t packed, std::uint32_t timeMs,
                       MidiBuffer* buffer) {
    auto* self = static_cast<InputOwner*>(instance);
    Event e{event, packed, timeMs, {}};
    if (buffer) {
      EXPECT_TRUE(buffer->flags & kMidiBufferDone);
      EXPECT_FALSE(buffer->flags & kMidiBufferQueued);
      e.bytes.assign(buffer->data, buffer->data + buffer->bytesRecorded);
    }
    self->events.push_back(e);
    if (buffer && buffer->bytesRecorded > 0 && self->requeue) {
      EXPECT_EQ(self->system->AddInputBuffer(self->handle, buffer), kMidiOk);
    }
  }

  void Open(MidiSystem& midi, std::uint32_t index, std::uint32_t bufferCount = 3) {
    system = &midi;
    ASSERT_EQ(midi.OpenInput(index, &Callback, this, handle), kMidiOk);
    for (std::uint32_t i = 0; i < bufferCount; ++i) {
      buffers[i].data = data[i].data();
      buffers[i].length = 256;
      ASSERT_EQ(midi.AddInputBuffer(handle, &buffers[i]), kMidiOk);
    }
  }

  std::vector<Bytes> LongPieces() const {
    std::vector<Bytes> pieces;
    for (const Event& e : events)
      if (e.event == MidiInputEvent::LongData)
        pieces.push_back(e.bytes);
    return pieces;
  }
};

// An output port's owner: counts the buffers given back.
struct OutputOwner {
  std::atomic<int> done{0};
  static void Callback(void* instance, MidiOutputEvent event, MidiBuffer* buffer) {
    auto* self = static_cast<OutputOwner*>(instance);
    EXPECT_EQ(event, MidiOutputEvent::Done);
    EXPECT_TRUE(buffer->flags & kMidiBufferDone);
    ++self->done;
  }
};

Bytes Sequence(std::size_t n, std::uint8_t first = 0xF0) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<std::uint8_t>(i % 0x80);
  bytes[0] = first;
  bytes[n - 1] = 0xF7;
  return bytes;
}

std::u16string NameAt(MidiSystem& midi, MidiDirection direction, std::uint32_t index) {
  std::u16string name = u"stale";
  EXPECT_EQ(midi.GetDeviceName(direction, index, name), kMidiOk);
  return name;
}

TEST(MidiSystem, WithNothingInstalledThereAreNoDevices) {
  std::shared_ptr<MidiSystem> previous = SetMidiSystem(nullptr);
  MidiSystem& none = *GetMidiSystem();
  EXPECT_EQ(none.GetDeviceCount(MidiDirection::Input), 0u);
  EXPECT_EQ(none.GetDeviceCount(MidiDirection::Output), 0u);
  MidiOutHandle handle = 0;
  EXPECT_EQ(none.OpenOutput(0, nullptr, nullptr, handle), kMidiBadDeviceId);
  EXPECT_EQ(handle, 0u);

  auto fake = std::make_shared<Fake>();
  SetMidiSystem(fake);
  EXPECT_EQ(GetMidiSystem(), fake);
  SetMidiSystem(previous);
}

TEST(MidiSystem, NamesAreCutToThirtyOneUnitsAndAtAZero) {
  const struct {
    std::u16string name;
    std::u16string expected;
  } cases[] = {
      {std::u16string(31, u'a'), std::u16string(31, u'a')},
      {std::u16string(40, u'b'), std::u16string(31, u'b')},
      {std::u16string(u"ab\0cd", 5), u"ab"},
      // A pair that would straddle the cut goes whole: 30 units and no half character.
      {std::u16string(30, u'c') + u"\U0001F3B9" + u"d", std::u16string(30, u'c')},
      {std::u16string(29, u'c') + u"\U0001F3B9" + u"d", std::u16string(29, u'c') + u"\U0001F3B9"},
  };
  for (const auto& c : cases) {
    std::u16string name = c.name;
    TruncateMidiDeviceName(name);
    EXPECT_EQ(name, c.expected);
  }

  Fake fake;
  fake.AddDevice(MidiDirection::Output, std::u16string(40, u'x'));
  EXPECT_EQ(NameAt(fake, MidiDirection::Output, 0).size(), kMidiMaxNameUnits);
}

TEST(MidiSystem, PackedMessageLengthsByStatus) {
  const std::pair<std::uint8_t, std::uint32_t> cases[] = {
      {0x3C, 1}, {0x80, 3}, {0xBF, 3}, {0xC0, 2}, {0xDF, 2}, {0xE0, 3}, {0xF1, 2},
      {0xF2, 3}, {0xF3, 2}, {0xF4, 1}, {0xF6, 1}, {0xF8, 1}, {0xFF, 1},
  };
  for (const auto& [status, length] : cases)
    EXPECT_EQ(PackedMessageLength(status), length) << std::hex << int{status};
}

TEST(FakeMidiSystem, DevicesComeAndGoInPlugOrder) {
  Fake fake;
  const Fake::DeviceId a = fake.AddDevice(MidiDirection::Input, u"A");
  const Fake::DeviceId b = fake.AddDevice(MidiDirection::Input, u"B");
  fake.AddDevice(MidiDirection::Output, u"Out");
  EXPECT_EQ(fake.GetDeviceCount(MidiDirection::Input), 2u);
  EXPECT_EQ(fake.GetDeviceCount(MidiDirection::Output), 1u);

  fake.Unplug(a);
  EXPECT_EQ(fake.GetDeviceCount(MidiDirection::Input), 1u);
  EXPECT_EQ(NameAt(fake, MidiDirection::Input, 0), u"B");
  fake.Plug(a);
  EXPECT_EQ(NameAt(fake, MidiDirection::Input, 0), u"B");
  EXPECT_EQ(NameAt(fake, MidiDirection::Input, 1), u"A") << "a re-plugged device comes last";

  std::u16string name = u"stale";
  EXPECT_EQ(fake.GetDeviceName(MidiDirection::Input, 2, name), kMidiBadDeviceId);
  EXPECT_TRUE(name.empty());
  fake.SetNameReadFails(b, true);
  name = u"stale";
  EXPECT_EQ(fake.GetDeviceName(MidiDirection::Input, 0, name), kMidiError);
  EXPECT_TRUE(name.empty());
}

TEST(FakeMidiSystem, SystemExclusiveBytesFillTheQueuedBuffersInTurn) {
  Fake fake;
  const Fake::DeviceId keys = fake.AddDevice(MidiDirection::Input, u"Keys");
  InputOwner owner;
  owner.Open(fake, 0);

  EXPECT_EQ(fake.InjectLong(keys, Sequence(10)), 0u) << "nothing reaches a port that was not started";
  EXPECT_EQ(fake.GetQueuedBufferCount(keys), 3u);

  ASSERT_EQ(fake.StartInput(owner.handle), kMidiOk);
  // Filled to the room: 300 bytes come back as 256 + 44.
  const Bytes message = Sequence(300);
  EXPECT_EQ(fake.InjectLong(keys, message), 1u);
  ASSERT_EQ(owner.LongPieces().size(), 2u);
  EXPECT_EQ(owner.LongPieces()[0], Bytes(message.begin(), message.begin() + 256));
  EXPECT_EQ(owner.LongPieces()[1], Bytes(message.begin() + 256, message.end()));
  EXPECT_EQ(fake.GetQueuedBufferCount(keys), 1u);

  // Chosen sizes; a piece larger than the room goes on in the next buffer; the last buffer runs out.
  owner.events.clear();
  const std::uint32_t chunks[] = {3, 300};
  fake.InjectLong(keys, Sequence(20), chunks);
  ASSERT_EQ(owner.LongPieces().size(), 1u);
  EXPECT_EQ(owner.LongPieces()[0].size(), 3u);
  EXPECT_EQ(fake.GetDroppedByteCount(keys), 17u) << "no buffer left for the rest";

  fake.InjectShort(keys, 0x00643C90, 1234);
  ASSERT_EQ(owner.events.back().event, MidiInputEvent::ShortMessage);
  EXPECT_EQ(owner.events.back().packed, 0x00643C90u);
  EXPECT_EQ(owner.events.back().timeMs, 1234u);
  EXPECT_EQ(fake.CloseInput(owner.handle), kMidiOk);
}

TEST(FakeMidiSystem, ResetAndCloseGiveBackEveryQueuedBuffer) {
  Fake fake;
  const Fake::DeviceId keys = fake.AddDevice(MidiDirection::Input, u"Keys");
  InputOwner owner;
  owner.Open(fake, 0);
  ASSERT_EQ(fake.StartInput(owner.handle), kMidiOk);

  // A buffer queued again from inside the callback is kept, as the capture loop needs.
  owner.requeue = true;
  fake.InjectLong(keys, Sequence(600));
  EXPECT_EQ(owner.LongPieces().size(), 3u);
  EXPECT_EQ(fake.GetQueuedBufferCount(keys), 3u);

  owner.requeue = false;
  owner.events.clear();
  EXPECT_EQ(fake.InjectLongError(keys), 1u);
  ASSERT_EQ(owner.events.size(), 1u);
  EXPECT_EQ(owner.events[0].event, MidiInputEvent::LongError);

  owner.events.clear();
  EXPECT_EQ(fake.ResetInput(owner.handle), kMidiOk);
  ASSERT_EQ(owner.events.size(), 2u);
  for (const auto& e : owner.events) {
    EXPECT_EQ(e.event, MidiInputEvent::LongData);
    EXPECT_TRUE(e.bytes.empty());
  }
  EXPECT_FALSE(fake.IsStarted(keys));

  ASSERT_EQ(fake.AddInputBuffer(owner.handle, &owner.buffers[0]), kMidiOk);
  EXPECT_EQ(fake.AddInputBuffer(owner.handle, &owner.buffers[0]), kMidiInvalidParam) << "already queued";
  owner.events.clear();
  EXPECT_EQ(fake.CloseInput(owner.handle), kMidiOk);
  EXPECT_EQ(owner.events.size(), 1u);
  EXPECT_EQ(fake.GetOpenCount(keys), 0u);
  EXPECT_EQ(fake.CloseInput(owner.handle), kMidiInvalidHandle);
}

TEST(FakeMidiSystem, OutputRecordsShortAndLongMessagesByCompletion) {
  Fake fake;
  const Fake::DeviceId out = fake.AddDevice(MidiDirection::Output, u"Out");
  OutputOwner owner;
  MidiOutHandle handle = 0;
  ASSERT_EQ(fake.OpenOutput(0, &OutputOwner::Callback, &owner, handle), kMidiOk);

  ASSERT_EQ(fake.SendShort(handle, 0x7F643C90), kMidiOk);
  ASSERT_EQ(fake.GetSent(out).size(), 1u);
  EXPECT_EQ(fake.GetSent(out)[0].bytes, (Bytes{0x90, 0x3C, 0x64})) << "the status says how many bytes go out";

  Bytes data = Sequence(22);
  MidiBuffer buffer{data.data(), 22, 22, 0, 0};
  ASSERT_EQ(fake.SendLong(handle, &buffer), kMidiOk);
  EXPECT_EQ(owner.done.load(), 1) << "immediate: given back inside the send";
  EXPECT_EQ(fake.GetSent(out).back().bytes, data);

  fake.SetCompletion(out, Fake::Completion::Withheld);
  ASSERT_EQ(fake.SendLong(handle, &buffer), kMidiOk);
  EXPECT_EQ(fake.SendLong(handle, &buffer), kMidiInvalidParam) << "still the platform's";
  EXPECT_EQ(fake.GetPendingCount(out), 1u);
  EXPECT_EQ(fake.CompletePending(out), 1u);
  EXPECT_EQ(owner.done.load(), 2);
  EXPECT_EQ(fake.GetSent(out).size(), 3u);

  // A reset gives the message back unsent.
  ASSERT_EQ(fake.SendLong(handle, &buffer), kMidiOk);
  EXPECT_EQ(fake.ResetOutput(handle), kMidiOk);
  EXPECT_EQ(owner.done.load(), 3);
  EXPECT_EQ(fake.GetSent(out).size(), 3u);
  EXPECT_EQ(fake.GetResetCount(out), 1u);

  // Delayed: given back on the fake's own thread.
  fake.SetCompletion(out, Fake::Completion::Delayed, std::chrono::milliseconds(1));
  ASSERT_EQ(fake.SendLong(handle, &buffer), kMidiOk);
  while (owner.done.load() < 4)
    std::this_thread::yield();
  EXPECT_EQ(fake.GetSent(out).size(), 4u);
  EXPECT_EQ(fake.CloseOutput(handle), kMidiOk);
}

TEST(FakeMidiSystem, CloseGivesBackUnfinishedMessagesAndALaterDueTimeFindsNothing) {
  Fake fake;
  const Fake::DeviceId out = fake.AddDevice(MidiDirection::Output, u"Out");
  fake.SetCompletion(out, Fake::Completion::Delayed, std::chrono::hours(1));
  OutputOwner owner;
  MidiOutHandle handle = 0;
  ASSERT_EQ(fake.OpenOutput(0, &OutputOwner::Callback, &owner, handle), kMidiOk);
  Bytes data = Sequence(5);
  MidiBuffer buffer{data.data(), 5, 5, 0, 0};
  ASSERT_EQ(fake.SendLong(handle, &buffer), kMidiOk);
  EXPECT_EQ(fake.CloseOutput(handle), kMidiOk);
  EXPECT_EQ(owner.done.load(), 1);
  EXPECT_TRUE(fake.GetSent(out).empty());
}

TEST(FakeMidiSystem, UnpluggedDevicesLeaveDeadHandles) {
  Fake fake;
  const Fake::DeviceId out = fake.AddDevice(MidiDirection::Output, u"Out");
  fake.SetCompletion(out, Fake::Completion::Withheld);
  OutputOwner owner;
  MidiOutHandle handle = 0;
  ASSERT_EQ(fake.OpenOutput(0, &OutputOwner::Callback, &owner, handle), kMidiOk);
  Bytes data = Sequence(5);
  MidiBuffer buffer{data.data(), 5, 5, 0, 0};
  ASSERT_EQ(fake.SendLong(handle, &buffer), kMidiOk);

  fake.Unplug(out);
  EXPECT_FALSE(fake.IsOutputPresent(handle));
  EXPECT_EQ(fake.SendShort(handle, 0x90), kMidiNoDriver);
  fake.Plug(out);
  EXPECT_FALSE(fake.IsOutputPresent(handle)) << "the old handle stays dead";
  EXPECT_EQ(fake.CompletePending(out), 1u) << "a dead handle still gives its buffers back";
  EXPECT_EQ(owner.done.load(), 1);
  EXPECT_TRUE(fake.GetSent(out).empty()) << "but sends nothing";
  EXPECT_EQ(fake.ResetOutput(handle), kMidiOk);

  MidiOutHandle fresh = 0;
  ASSERT_EQ(fake.OpenOutput(0, &OutputOwner::Callback, &owner, fresh), kMidiOk);
  EXPECT_NE(fresh, handle);
  EXPECT_TRUE(fake.IsOutputPresent(fresh));
  EXPECT_EQ(fake.CloseOutput(handle), kMidiOk);
  EXPECT_EQ(fake.CloseOutput(fresh), kMidiOk);
}

TEST(FakeMidiSystem, ScriptedFailuresAndSingleClientDevices) {
  Fake fake;
  const Fake::DeviceId out = fake.AddDevice(MidiDirection::Output, u"Out");
  OutputOwner owner;
  MidiOutHandle first = 0;
  MidiOutHandle second = 0;

  fake.FailNext(Fake::Call::OpenOutput, kMidiAllocated);
  EXPECT_EQ(fake.OpenOutput(0, &OutputOwner::Callback, &owner, first), kMidiAllocated);
  ASSERT_EQ(fake.OpenOutput(0, &OutputOwner::Callback, &owner, first), kMidiOk) << "one call only";

  fake.SetSingleClient(out, true);
  EXPECT_EQ(fake.OpenOutput(0, &OutputOwner::Callback, &owner, second), kMidiAllocated);
  EXPECT_EQ(fake.GetOpenTotal(out), 1u);

  fake.FailNext(Fake::Call::SendShort, kMidiError);
  EXPECT_EQ(fake.SendShort(first, 0xF8), kMidiError);
  EXPECT_TRUE(fake.GetSent(out).empty());
  EXPECT_EQ(fake.CloseOutput(first), kMidiOk);
  EXPECT_EQ(fake.OpenOutput(0, &OutputOwner::Callback, &owner, second), kMidiOk);
  EXPECT_EQ(fake.CloseOutput(second), kMidiOk);
}

// Injection on one thread while another resets and closes: a callback never runs after its close returned.
TEST(FakeMidiSystem, CloseWaitsForACallbackUnderWay) {
  Fake fake;
  const Fake::DeviceId keys = fake.AddDevice(MidiDirection::Input, u"Keys");
  for (int round = 0; round < 20; ++round) {
    auto owner = std::make_unique<InputOwner>();
    owner->Open(fake, 0);
    owner->requeue = true;
    ASSERT_EQ(fake.StartInput(owner->handle), kMidiOk);
    std::atomic<bool> stop{false};
    std::thread injector([&] {
      const Bytes message = Sequence(40);
      while (!stop.load())
        fake.InjectLong(keys, message);
    });
    std::this_thread::yield();
    EXPECT_EQ(fake.CloseInput(owner->handle), kMidiOk);
    owner.reset(); // a callback after the close would touch freed memory
    stop.store(true);
    injector.join();
  }
}

} // namespace
} // namespace QZ::Platform
