#include "Platform/Midi/MidiInputQueue.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace QZ::Platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Event {
  MidiInputEvent event;
  std::uint32_t packed;
  Bytes bytes;
  MidiBuffer* buffer;
};

// The owner's side: three 256-byte buffers and the events it got.
class MidiInputQueueTest : public ::testing::Test {
protected:
  MidiInputQueueTest() {
    for (std::size_t i = 0; i < mBuffers.size(); ++i) {
      mBuffers[i].data = mData[i].data();
      mBuffers[i].length = 256;
    }
  }

  static void OnEvent(void* instance, MidiInputEvent event, std::uint32_t packed, std::uint32_t,
                      MidiBuffer* buffer) {
    auto* self = static_cast<MidiInputQueueTest*>(instance);
    Bytes bytes;
    if (buffer)
      bytes.assign(buffer->data, buffer->data + buffer->bytesRecorded);
    self->mEvents.push_back({event, packed, bytes, buffer});
    if (buffer && self->mRequeue) {
      EXPECT_EQ(self->mQueue.Add(buffer), kMidiOk) << "a callback may queue its buffer again";
    }
  }

  void QueueAll() {
    for (MidiBuffer& buffer : mBuffers)
      ASSERT_EQ(mQueue.Add(&buffer), kMidiOk);
  }

  std::array<std::array<std::uint8_t, 256>, 3> mData{};
  std::array<MidiBuffer, 3> mBuffers{};
  std::vector<Event> mEvents;
  bool mRequeue = true;
  MidiInputQueue mQueue{&MidiInputQueueTest::OnEvent, this};
};

TEST_F(MidiInputQueueTest, WholeMessagesAreCutIntoTheQueuedBuffers) {
  QueueAll();
  Bytes sysex(300, 0x11);
  sysex.front() = 0xF0;
  sysex.back() = 0xF7;
  mQueue.Deliver(sysex);
  EXPECT_TRUE(mEvents.empty()) << "nothing while stopped";

  mQueue.Start();
  mQueue.Deliver(sysex);
  mQueue.Deliver(Bytes{0x90, 0x3C, 0x64});
  mQueue.Deliver(Bytes{0xF8});
  ASSERT_EQ(mEvents.size(), 4u);
  EXPECT_EQ(mEvents[0].bytes, Bytes(sysex.begin(), sysex.begin() + 256));
  EXPECT_EQ(mEvents[1].bytes, Bytes(sysex.begin() + 256, sysex.end()));
  EXPECT_EQ(mEvents[2].event, MidiInputEvent::ShortMessage);
  EXPECT_EQ(mEvents[2].packed, 0x643C90u);
  EXPECT_EQ(mEvents[3].packed, 0xF8u);
  EXPECT_EQ(mQueue.GetQueuedCount(), 3u);

  // With no buffer queued, the message is dropped and counted.
  mRequeue = false;
  mEvents.clear();
  mQueue.Deliver(Bytes(1000, 0xF0));
  EXPECT_EQ(mEvents.size(), 3u);
  EXPECT_EQ(mQueue.GetDroppedByteCount(), 1000u - 768u);
  EXPECT_EQ(mQueue.Add(&mBuffers[0]), kMidiOk);
  EXPECT_EQ(mQueue.Add(&mBuffers[0]), kMidiInvalidParam) << "already queued";
}

TEST_F(MidiInputQueueTest, ResetAndCloseGiveEveryBufferBackEmpty) {
  mRequeue = false;
  QueueAll();
  mQueue.Start();
  mQueue.Reset();
  ASSERT_EQ(mEvents.size(), 3u);
  for (const Event& event : mEvents) {
    EXPECT_EQ(event.event, MidiInputEvent::LongData);
    EXPECT_TRUE(event.bytes.empty());
  }
  mQueue.Deliver(Bytes{0xF8});
  EXPECT_EQ(mEvents.size(), 3u) << "a reset stops input";

  QueueAll();
  mQueue.Start();
  mQueue.Close();
  EXPECT_EQ(mEvents.size(), 6u);
  mQueue.Deliver(Bytes{0xF8});
  EXPECT_EQ(mEvents.size(), 6u);
  EXPECT_EQ(mQueue.Add(&mBuffers[0]), kMidiInvalidHandle);
}

} // namespace
} // namespace QZ::Platform
