#include "DeviceControl/Engine/PresetEditorCommon/MidiSysExAssembler.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace QZ {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Feeds a byte stream as the platform would: full buffers of room bytes, each complete when its last byte is F7,
// and the last one complete as a short buffer.
std::vector<Bytes> Feed(CMidiSysExAssembler& assembler, const Bytes& stream, std::size_t room = 256) {
  std::vector<Bytes> out;
  for (std::size_t at = 0; at < stream.size(); at += room) {
    const std::span<const std::uint8_t> piece(stream.data() + at, std::min(room, stream.size() - at));
    assembler.AddBuffer(piece, CMidiSysExAssembler::IsComplete(piece, room),
                        [&](std::span<const std::uint8_t> m) { out.emplace_back(m.begin(), m.end()); });
  }
  return out;
}

TEST(MidiSysExAssembler, CompleteBuffers) {
  const struct {
    Bytes recorded;
    std::size_t room;
    bool complete;
  } cases[] = {
      {{0xF0, 0x01}, 256, true}, {Bytes(256, 0x01), 256, false}, {{0x01, 0xF7}, 2, true}, {{0x01, 0x02}, 2, false},
      {{}, 256, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CMidiSysExAssembler::IsComplete(c.recorded, c.room), c.complete) << c.recorded.size();
}

// The pending bytes never exceed the cap, and whatever comes out starts with F0 or continues a message that a
// non-F0 incomplete buffer began; every F0 in the stream at a buffer start begins afresh.
TEST(MidiSysExAssembler, RandomStreamsStayBounded) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    CMidiSysExAssembler assembler;
    Bytes stream(random() % 200000);
    for (std::uint8_t& b : stream)
      b = static_cast<std::uint8_t>(random() % 3 == 0 ? 0xF0 + random() % 16 : random() % 0x80);
    const std::size_t room = 1 + random() % 300;
    for (const Bytes& message : Feed(assembler, stream, room))
      EXPECT_LE(message.size(), CMidiSysExAssembler::kMaxMessageBytes);
    EXPECT_LE(assembler.GetPendingCount(), CMidiSysExAssembler::kMaxMessageBytes);
    assembler.Clear();
    EXPECT_FALSE(assembler.HasPending());
    const Bytes reply = {0xF0, 0x47, 0x7F, 0x4D, 0xF7};
    EXPECT_EQ(Feed(assembler, reply, room > 4 ? room : 8), std::vector<Bytes>{reply}) << "nothing left behind";
  }
}

TEST(MidiSysExAssembler, TheRestOfAnOversizedMessageIsDroppedToo) {
  CMidiSysExAssembler assembler;
  Bytes huge(CMidiSysExAssembler::kMaxMessageBytes + 600, 0x01);
  huge.front() = 0xF0;
  huge.back() = 0xF7;
  EXPECT_TRUE(Feed(assembler, huge).empty());
  EXPECT_FALSE(assembler.HasPending());
  Bytes tail(300, 0x02); // an incomplete buffer and then a complete one, with no F0: nothing to start from
  tail.back() = 0xF7;
  EXPECT_EQ(Feed(assembler, tail).size(), 1u) << "after the oversized message ended, a data start counts again";
}

} // namespace
} // namespace QZ
