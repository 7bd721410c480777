#include "DeviceControl/Engine/PresetEditorCommon/PresetSysExMessages.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <vector>

namespace QZ {
namespace {

using Bytes = SysExBytes;

// midiChannel .. arpOctave; the tempo is the one two-byte value.
const std::vector<Bytes> kDefaultValues = {{0x00}, {0x04}, {0x0C}, {0x00}, {0x00},       {0x00},
                                           {0x00}, {0x00}, {0x00}, {0x02}, {0x00, 0x70}, {0x00}};
constexpr std::array<std::size_t, 12> kWidths = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1};

Bytes Framed(const Bytes& message) {
  Bytes framed;
  EXPECT_EQ(FrameSysExMessage(message, framed), S_OK);
  return framed;
}

Bytes WireSend(std::int32_t program, const std::vector<Bytes>& values) {
  const std::vector<SysExView> views(values.begin(), values.end());
  return Framed(PackPresetRecord(BuildPresetSendMessage(program), views));
}

std::vector<Bytes> WithTempo(std::uint8_t hi, std::uint8_t lo) {
  auto values = kDefaultValues;
  values[10] = {hi, lo};
  return values;
}

TEST(PresetSysExMessages, ProgramRequestOnTheWire) {
  EXPECT_EQ(BuildPresetRequestMessage(5), (Bytes{0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x05}));
  EXPECT_EQ(Framed(BuildPresetRequestMessage(5)), (Bytes{0xF0, 0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x05, 0xF7}));
  EXPECT_EQ(BuildPresetRequestMessage(0x105).back(), 0x05) << "only the low 8 bits of the program";
}

TEST(PresetSysExMessages, ProgramSendOnTheWire) {
  const Bytes slot3 = {0xF0, 0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, 0x03, 0x00, 0x04, 0x0C,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x70, 0x00, 0xF7};
  EXPECT_EQ(BuildPresetSendMessage(3), (Bytes{0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, 0x03}));
  EXPECT_EQ(WireSend(3, kDefaultValues), slot3);

  Bytes ram = slot3;
  ram[7] = 0x00;
  EXPECT_EQ(WireSend(0, kDefaultValues), ram);
}

TEST(PresetSysExMessages, PackingCarriesBytesUnchanged) {
  const struct {
    std::vector<Bytes> values;
    std::size_t offset;
    Bytes expected;
  } cases[] = {
      {WithTempo(0x01, 0x70), 18, {0x01, 0x70}}, // tempo 240
      {WithTempo(0x00, 0x1E), 18, {0x00, 0x1E}}, // tempo 30
      {[] {
         auto v = kDefaultValues;
         v[0] = {0x8F};
         v[11] = {0xFF};
         return v;
       }(),
       8,
       {0x8F}},
      {[] {
         auto v = kDefaultValues;
         v[0] = {0x8F};
         v[11] = {0xFF};
         return v;
       }(),
       20,
       {0xFF}},
  };
  for (const auto& c : cases) {
    const Bytes wire = WireSend(1, c.values);
    ASSERT_EQ(wire.size(), 22u);
    EXPECT_EQ(Bytes(wire.begin() + static_cast<std::ptrdiff_t>(c.offset),
                    wire.begin() + static_cast<std::ptrdiff_t>(c.offset + c.expected.size())),
              c.expected);
  }
}

TEST(PresetSysExMessages, PackingWidthsOtherThanTheRecord) {
  const Bytes head = BuildPresetSendMessage(2);
  const auto body = [&](const std::vector<Bytes>& values) {
    const std::vector<SysExView> views(values.begin(), values.end());
    return PackPresetRecord(head, views);
  };
  const auto record = [&](const Bytes& bytes) {
    Bytes b = head;
    b.insert(b.end(), bytes.begin(), bytes.end());
    return b;
  };

  // More than 13 bytes: the body never grows, later bytes are dropped.
  std::vector<Bytes> wide(12, Bytes{0x11, 0x22});
  EXPECT_EQ(body(wide), record({0x11, 0x22, 0x11, 0x22, 0x11, 0x22, 0x11, 0x22, 0x11, 0x22, 0x11, 0x22, 0x11}));

  // Fewer: a width-0 value takes no room, the tail stays 00.
  EXPECT_EQ(body({{0x05}, {}, {0x06, 0x07}}),
            record({0x05, 0x06, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(body({}), record(Bytes(13, 0x00)));

  // One long value fills the record and the rest start past its end.
  EXPECT_EQ(body({Bytes(20, 0x33), {0x44}}), record(Bytes(13, 0x33)));
}

TEST(PresetSysExMessages, Framing) {
  const struct {
    Bytes in;
    QZRESULT result;
    Bytes out;
  } cases[] = {
      {{0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x05}, S_OK, {0xF0, 0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x05, 0xF7}},
      {{0xF0, 0x47, 0xF7}, S_OK, {0xF0, 0x47, 0xF7}},
      {{0x7E}, S_OK, {0xF0, 0x7E, 0xF7}},
      {{0xF0, 0x01, 0x02}, S_OK, {0xF0, 0x01, 0x02, 0xF7}},
      {{0x01, 0x02, 0xF7}, S_OK, {0xF0, 0x01, 0x02, 0xF7}},
      {{0xF0, 0xF7}, S_OK, {0xF0, 0xF7}},
      {BuildIdentityRequestMessage(), S_OK, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}},
      {{0xF0}, E_FAIL, {0xAA}},
      {{0xF7}, E_FAIL, {0xAA}},
      {{}, E_FAIL, {0xAA}},
  };
  for (const auto& c : cases) {
    Bytes framed = {0xAA}; // a refused message leaves this alone
    EXPECT_EQ(FrameSysExMessage(c.in, framed), c.result);
    EXPECT_EQ(framed, c.out);
  }
}

TEST(PresetSysExMessages, ReplyCheck) {
  const struct {
    Bytes message;
    bool valid;
  } cases[] = {
      {{0xF0, 0x47, 0x7F, 0x4D}, true},
      {{0xF0, 0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, 0x01, 0x00}, true},
      {{0xF0, 0x47, 0x7F}, false},
      {{}, false},
      {{0xF0, 0x47, 0x7F, 0x4C, 0x61, 0x00, 0x0E}, false},
      {{0xF0, 0x7E, 0x00, 0x06, 0x02, 0x47, 0x7F, 0x4D, 0xF7}, false},
      {{0x47, 0x7F, 0x4D, 0x61}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsValidPresetReply(c.message), c.valid) << ::testing::PrintToString(c.message);
}

TEST(PresetSysExMessages, ReplyParse) {
  const Bytes reply = {0xF0, 0x47, 0x7F, 0x4D, 0x12, 0x34, 0x56, 0x78, 0x05, 0x03, 0x0E,
                       0x01, 0x02, 0x03, 0x04, 0x01, 0x01, 0x00, 0x01, 0x2C, 0x02, 0xF7};
  ASSERT_TRUE(IsValidPresetReply(reply));
  const auto values = ParsePresetReply(reply, kWidths);
  ASSERT_TRUE(values);
  EXPECT_EQ(
      *values,
      (std::vector<Bytes>{
          {0x05}, {0x03}, {0x0E}, {0x01}, {0x02}, {0x03}, {0x04}, {0x01}, {0x01}, {0x00}, {0x01, 0x2C}, {0x02}}));
}

// A record byte of 80 or more is not a value: such a reply is no program reply, and a record holding one is not
// sent.
TEST(PresetSysExMessages, RecordBytesOf80OrMoreAreRefused) {
  const std::size_t widths[] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1};
  Bytes whole = {0xF0, 0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, 0x05};
  for (std::uint8_t b = 0x10; b < 0x1D; ++b)
    whole.push_back(b);
  whole.push_back(0xF7);
  const struct {
    const char* what;
    Bytes reply;
    bool parses;
  } cases[] = {
      {"whole", whole, true},
      {"no closing F7", Bytes(whole.begin(), whole.end() - 1), true},
      {"one record byte lost",
       [&] {
         Bytes lost = whole;
         lost.erase(lost.begin() + 12);
         return lost;
       }(),
       false},
      {"note-on inside the record",
       [&] {
         Bytes noted = whole;
         noted[8] = 0x90;
         return noted;
       }(),
       false},
      {"FF last in the record",
       [&] {
         Bytes last = whole;
         last[20] = 0xFF;
         return last;
       }(),
       false},
      {"ends before offset 21", Bytes(whole.begin(), whole.begin() + 20), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ParsePresetReply(c.reply, widths).has_value(), c.parses);
  }
  EXPECT_TRUE(HasOnlyDataBytes(Bytes{0x00, 0x7F}));
  EXPECT_TRUE(HasOnlyDataBytes(Bytes{}));
  EXPECT_FALSE(HasOnlyDataBytes(Bytes{0x00, 0x80}));
}

TEST(PresetSysExMessages, ReplyParseWidthsOtherThanTheRecord) {
  Bytes reply = {0xF0, 0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, 0x01};
  for (std::uint8_t b = 0x10; b < 0x1D; ++b)
    reply.push_back(b);
  reply.push_back(0xF7);

  // Fewer than 13: the rest is not read. An empty value takes nothing.
  const std::size_t fewer[] = {1, 0, 4};
  EXPECT_EQ(ParsePresetReply(reply, fewer), (std::vector<Bytes>{{0x10}, {}, {0x11, 0x12, 0x13, 0x14}}));

  // More than 13: the closing F7 would be a value byte, which no value can hold.
  const std::size_t fourteen[] = {8, 6};
  EXPECT_FALSE(ParsePresetReply(reply, fourteen));

  // Past the end of the message: refused.
  const std::size_t fifteen[] = {8, 7};
  EXPECT_FALSE(ParsePresetReply(reply, fifteen));
  const std::size_t huge[] = {1, SIZE_MAX};
  EXPECT_FALSE(ParsePresetReply(reply, huge));
}

TEST(PresetSysExMessages, ShortReplyIsRefusedWithoutReadingPastItsEnd) {
  // Our own request looped back passes the check but holds no record.
  const Bytes looped = Framed(BuildPresetRequestMessage(5));
  ASSERT_TRUE(IsValidPresetReply(looped));
  EXPECT_FALSE(ParsePresetReply(looped, kWidths));

  // Exactly long enough (no F7) is read; one byte less is not.
  Bytes reply = {0xF0, 0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, 0x01};
  reply.resize(8 + 13, 0x07);
  reply.shrink_to_fit();
  EXPECT_TRUE(ParsePresetReply(reply, kWidths));
  for (std::size_t size : {std::size_t{20}, std::size_t{8}, std::size_t{4}, std::size_t{0}}) {
    const Bytes shorter(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_FALSE(ParsePresetReply(shorter, kWidths)) << size;
  }
  const std::size_t none[] = {0};
  EXPECT_EQ(ParsePresetReply(Bytes(reply.begin(), reply.begin() + 8), none), std::vector<Bytes>{Bytes{}});
}

} // namespace
} // namespace QZ
