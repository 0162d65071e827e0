// Event lines and the texts of a file, and that no text function writes
// past the size it is given.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "midilib/MIDIData.h"
#include "tests/midi_test_util.h"

using namespace miditest;

namespace {

std::string Line(MIDIEvent* p) {
  char sz[1024];
  return MIDIEvent_ToString(p, sz, sizeof(sz));
}

TEST(MidiText, OneReadableLinePerEvent) {
  std::string t = Ev(0, {0x90, 60, 100}) + Ev(480, {0x9F, 61, 0}) + Ev(0, {0x80, 0, 64}) +
                  Ev(0, {0xA1, 127, 5}) + Ev(0, {0xB0, 64, 127}) + Ev(0, {0xC9, 0}) +
                  Ev(0, {0xD2, 9}) + Ev(0, {0xE0, 0, 0}) + Ev(0, {0xE0, 0x7F, 0x7F}) +
                  Meta(0, 0x51, Bytes({0x07, 0xA1, 0x20})) + Meta(0, 0x03, "Piano") +
                  Meta(0, 0x58, Bytes({6, 3, 24, 8})) + Meta(0, 0x59, Bytes({0xFE, 0})) +
                  Meta(0, 0x59, Bytes({3, 1})) + Meta(0, 0x54, Bytes({1, 2, 3, 4, 5})) +
                  Meta(0, 0x54, Bytes({0x60, 0, 0, 0, 0})) +
                  Meta(0, 0x54, Bytes({0x57, 59, 59, 28, 99})) +
                  Meta(0, 0x54, Bytes({0x80, 0, 0, 0, 0})) +
                  Meta(0, 0x00, Bytes({1, 2})) + Meta(0, 0x21, Bytes({2})) +
                  Meta(0, 0x51, Bytes({1, 2})) + Meta(0, 0x60, "ab") +
                  Ev(0, {0xF0, 10, 0x43, 0x10, 0x4C, 0, 0, 0x7E, 0, 0x12, 0x34, 0xF7}) +
                  Ev(0, {0xF7, 1, 0xF8}) + Meta(0, 0x7F, Bytes({0x43, 1})) + EndOfTrack(3);
  DataPtr data(LoadBytes(Smf(1, 480, {t})));
  ASSERT_TRUE(data);
  const char* expected[] = {
      "0 Note On ch=1 C4(60) vel=100",
      "480 Note On ch=16 C#4(61) vel=0 (release)",
      "480 Note Off ch=1 C-1(0) vel=64",
      "480 Key Aftertouch ch=2 G9(127) value=5",
      "480 Control Change ch=1 cc=64 value=127",
      "480 Program Change ch=10 program=0",
      "480 Channel Aftertouch ch=3 value=9",
      "480 Pitch Bend ch=1 value=-8192",
      "480 Pitch Bend ch=1 value=8191",
      "480 Tempo 500000 us/quarter (120.00 BPM)",
      "480 Track Name \"Piano\"",
      "480 Time Signature 6/8 clocks=24 32nds=8",
      "480 Key Signature Bb major",
      "480 Key Signature F# minor",
      // The hour byte holds the frame rate too; bit 7 set is no hour byte.
      "480 SMPTE Offset 01:02:03:04.05 fps=24",
      "480 SMPTE Offset 00:00:00:00.00 fps=30",
      "480 SMPTE Offset 23:59:59:28.99 fps=29.97df",
      "480 SMPTE Offset len=5 80 00 00 00 00",
      "480 Sequence Number 258",
      "480 Port Prefix port=2",
      "480 Tempo len=2 01 02",
      "480 Meta 0x60 len=2 61 62",
      "480 SysEx len=10 43 10 4C 00 00 7E 00 12 ...",
      "480 SysEx (F7) len=1 F8",
      "480 Sequencer Specific len=2 43 01",
      "483 End of Track",
  };
  MIDIEvent* p = MIDITrack_GetFirstEvent(MIDIData_GetFirstTrack(data.get()));
  for (const char* line : expected) {
    ASSERT_NE(nullptr, p) << line;
    EXPECT_EQ(line, Line(p));
    p = MIDIEvent_GetNextEvent(p);
  }
  EXPECT_EQ(nullptr, p);
}

TEST(MidiText, TextsAreShownAsUtf8) {
  // "ピアノ" in UTF-8, the same in Shift-JIS, a byte that is neither, and a
  // line break.
  std::string utf8 = "\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E";
  std::string sjis = "\x83\x73\x83\x41\x83\x6D";
  std::string t = Meta(0, 0x03, utf8) + Meta(0, 0x02, sjis) + Meta(0, 0x01, "a\xA0\xFF" "b") +
                  Meta(0, 0x05, "x\r\ny") + Meta(0, 0x01, "\x83") + EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  ASSERT_TRUE(data);
  char sz[2048];
  EXPECT_EQ(utf8, MIDIData_GetTitle(data.get(), sz, sizeof(sz)));
  EXPECT_EQ(utf8, MIDIData_GetCopyright(data.get(), sz, sizeof(sz)));
  // 0xFF is no Shift-JIS byte: it shows as \xFF between the decoded rest.
  std::string comment = MIDIData_GetComment(data.get(), sz, sizeof(sz));
  EXPECT_EQ('a', comment.front());
  EXPECT_EQ('b', comment.back());
  EXPECT_NE(std::string::npos, comment.find("\\xFF")) << comment;
  MIDITrack* track = MIDIData_GetFirstTrack(data.get());
  EXPECT_EQ("0 Lyric \"x\\x0D\\x0Ay\"", Line(EventAt(track, 3)));
  EXPECT_EQ("0 Text \"\\x83\"", Line(EventAt(track, 4)));  // a lead byte cut off
}

// Channels count from 1 in every line, the channel prefix's too; a code
// point past U+10FFFF is no UTF-8, though it is coded like it, and is not
// handed on as text (U+10FFFF itself is).
TEST(MidiText, ChannelPrefixAndTheLastCodePoint) {
  std::string t = Meta(0, 0x20, Bytes({0})) + Meta(0, 0x20, Bytes({15})) +
                  Meta(0, 0x01, "\xF4\x8F\xBF\xBF") + Meta(0, 0x01, "\xF4\x90\x80\x80") +
                  EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  ASSERT_TRUE(data);
  MIDITrack* track = MIDIData_GetFirstTrack(data.get());
  EXPECT_EQ("0 Channel Prefix ch=1", Line(EventAt(track, 0)));
  EXPECT_EQ("0 Channel Prefix ch=16", Line(EventAt(track, 1)));
  EXPECT_EQ("0 Text \"\xF4\x8F\xBF\xBF\"", Line(EventAt(track, 2)));
  std::string beyond = Line(EventAt(track, 3));
  EXPECT_EQ(std::string::npos, beyond.find("\xF4\x90\x80\x80")) << beyond;
  EXPECT_EQ("0 Text \"", beyond.substr(0, 8)) << beyond;
}

TEST(MidiText, NoTextFunctionWritesPastItsSize) {
  std::string title(3000, 'T');
  std::string utf8 = "ab\xE3\x83\x94";  // 2 + 3 bytes
  std::string t = Meta(0, 0x03, title) + Meta(0, 0x02, utf8) + Meta(0, 0x01, "c") + EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  ASSERT_TRUE(data);
  MIDITrack* track = MIDIData_GetFirstTrack(data.get());
  char sz[4096];
  EXPECT_EQ(2047u, std::strlen(MIDIData_GetTitle(data.get(), sz, 2048)));
  EXPECT_EQ(255u, std::strlen(MIDITrack_GetName(track, sz, 256)));
  for (long len : {0L, 1L, 2L, 3L, 4L, 5L, 6L, 7L}) {
    std::memset(sz, '#', sizeof(sz));
    MIDIData_GetCopyright(data.get(), sz + 1, len);
    EXPECT_EQ('#', sz[0]) << len;
    EXPECT_EQ('#', sz[1 + (len > 0 ? len : 0)]) << len;
    if (len > 0) {
      // The UTF-8 character is whole or left out.
      std::string got = sz + 1;
      EXPECT_EQ(len >= 6 ? utf8 : utf8.substr(0, std::min<long>(len - 1, 2)), got) << len;
    }
    std::memset(sz, '#', sizeof(sz));
    MIDIEvent_ToString(EventAt(track, 2), sz + 1, len);
    EXPECT_EQ('#', sz[1 + (len > 0 ? len : 0)]) << len;
    MIDIData_GetComment(data.get(), sz + 1, len);
    MIDIData_GetTitle(data.get(), sz + 1, len);
    MIDITrack_GetName(track, sz + 1, len);
    EXPECT_EQ('#', sz[1 + (len > 0 ? len : 0)]) << len;
  }
  sz[0] = 'x';
  MIDIData_GetTitle(data.get(), sz, -5);
  EXPECT_EQ('x', sz[0]);
  EXPECT_EQ("0 Text \"c\"", Line(EventAt(track, 2)));
}

// The shown form cut the plain way: whole characters and whole \xNN (the
// expected texts hold no backslash of their own), as many as fit in room.
std::string CutWhole(const std::string& shown, size_t room) {
  size_t n = 0;
  while (n < shown.size()) {
    uint8_t b = static_cast<uint8_t>(shown[n]);
    size_t len = b == '\\' ? 4 : b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (n + len > room) break;
    n += len;
  }
  return shown.substr(0, n);
}

TEST(MidiText, LongTextsAreCutBeforeAWholeCharacterOrEscape) {
  // A piece of text repeated past every buffer, with what it shows as.
  struct Case {
    std::string piece, shown, tail, tailShown;
  } kCases[] = {
      {"Piano ", "Piano ", "", ""},
      {"\xE3\x83\x94\xE3\x82\xA2\xF0\x9F\x8E\xB9\x01", "\xE3\x83\x94\xE3\x82\xA2\xF0\x9F\x8E\xB9\\x01",
       "", ""},
      {"\x01", "\\x01", "", ""},
      {"\x7F\x1F", "\\x7F\\x1F", "", ""},
      // Shift-JIS "piano" and a full-width space; a lead byte left at the end.
      {"\x83\x73\x83\x41\x83\x6D\x81\x40", "\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E\xE3\x80\x80",
       "\x83", "\\x83"},
      {"a\x01\x83\x73\xFF\xB1", "a\\x01\xE3\x83\x94\\xFF\xEF\xBD\xB1", "", ""},
      // UTF-8 "\xC3\xB1" until the last byte: the whole text is Shift-JIS,
      // two half-width kana per piece.
      {"\xC3\xB1", "\xEF\xBE\x83\xEF\xBD\xB1", "\xFF", "\\xFF"},
  };
  std::vector<long> sizes = {2047, 2048, 2049, 1022, 1023, 1024, 1025, 255, 256, 257, 100000};
  for (long len = 1; len <= 40; ++len) sizes.push_back(len);
  for (const Case& c : kCases) {
    std::string text, shown;
    while (text.size() < 3000) text += c.piece, shown += c.shown;
    text += c.tail;
    shown += c.tailShown;
    DataPtr data(LoadBytes(Smf(1, 96, {Meta(0, 0x03, text) + EndOfTrack()})));
    ASSERT_TRUE(data);
    MIDITrack* track = MIDIData_GetFirstTrack(data.get());
    std::vector<char> buf(100000);
    for (long len : sizes) {
      size_t room = static_cast<size_t>(len - 1);
      EXPECT_EQ(CutWhole(shown, room), MIDIData_GetTitle(data.get(), buf.data(), len))
          << c.piece << " " << len;
      EXPECT_EQ(CutWhole(shown, room), MIDITrack_GetName(track, buf.data(), len))
          << c.piece << " " << len;
      EXPECT_EQ(CutWhole("0 Track Name \"" + shown + "\"", room),
                MIDIEvent_ToString(EventAt(track, 0), buf.data(), len))
          << c.piece << " " << len;
    }
  }
}

}  // namespace
