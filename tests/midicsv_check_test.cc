// An independent check of the reader: midicsv (a separate MIDI-to-CSV
// converter, installed by scripts/deps.sh --test) lists the events of
// generated files, and our loaded events must be the same: time, kind,
// channel and data, track by track.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "bench/midi_gen.h"
#include "midilib/MIDIData.h"
#include "tests/midi_test_util.h"

using namespace miditest;

namespace {

// midicsv's lines without the header, track start and end-of-file lines,
// blanks after commas removed.
std::vector<std::string> MidicsvEvents(const std::string& path) {
  std::string command = std::string(SONOMOT_MIDICSV) + " '" + path + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::vector<std::string> lines;
  if (pipe == nullptr) return lines;
  char buf[4096];
  while (std::fgets(buf, sizeof(buf), pipe) != nullptr) {
    std::string raw = buf;
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r')) raw.pop_back();
    std::string line;
    bool bQuoted = false;
    for (size_t i = 0; i < raw.size(); i++) {
      if (raw[i] == '"') bQuoted = !bQuoted;
      if (!bQuoted && raw[i] == ' ' && i > 0 && raw[i - 1] == ',') continue;
      line += raw[i];
    }
    if (line.find(",Header,") != std::string::npos ||
        line.find(",Start_track") != std::string::npos ||
        line.find(",End_of_file") != std::string::npos) {
      continue;
    }
    lines.push_back(line);
  }
  EXPECT_EQ(0, pclose(pipe)) << command;
  return lines;
}

std::string Join(const std::vector<long>& values) {
  std::string s;
  for (long v : values) s += "," + std::to_string(v);
  return s;
}

// One of our events in midicsv's words.
std::string OurLine(int track, MIDIEvent* p) {
  std::ostringstream out;
  out << track << "," << MIDIEvent_GetTime(p) << ",";
  long kind = MIDIEvent_GetKind(p);
  long ch = MIDIEvent_GetChannel(p);
  unsigned char data[4096];
  long n = MIDIEvent_GetData(p, data, sizeof(data));
  std::vector<long> bytes(data, data + std::min<long>(n, sizeof(data)));
  if (kind < 0xF0) {
    static const char* const kNames[8] = {"Note_off_c", "Note_on_c", "Poly_aftertouch_c",
                                          "Control_c",  "Program_c", "Channel_aftertouch_c",
                                          "Pitch_bend_c", ""};
    out << kNames[(kind >> 4) - 8] << "," << ch;
    if ((kind & 0xF0) == 0xE0) {
      out << "," << ((bytes[1] << 7) | bytes[0]);
    } else {
      out << Join(bytes);
    }
    return out.str();
  }
  if (kind == 0xF0 || kind == 0xF7) {
    out << (kind == 0xF0 ? "System_exclusive," : "System_exclusive_packet,") << n << Join(bytes);
    return out.str();
  }
  long type = MIDIEvent_GetMetaType(p);
  static const char* const kTexts[8] = {"",         "Text_t",   "Copyright_t",  "Title_t",
                                        "Instrument_name_t", "Lyric_t", "Marker_t", "Cue_point_t"};
  if (type >= 1 && type <= 7) {
    out << kTexts[type] << ",\"" << std::string(data, data + n) << "\"";
  } else if (type == 0x2F) {
    out << "End_track";
  } else if (type == 0x51) {
    out << "Tempo," << MIDIEvent_GetTempo(p);
  } else if (type == 0x58) {
    out << "Time_signature" << Join(bytes);
  } else if (type == 0x59) {
    out << "Key_signature," << static_cast<int>(static_cast<signed char>(bytes[0]))
        << (bytes[1] ? ",\"minor\"" : ",\"major\"");
  } else if (type == 0x54) {
    out << "SMPTE_offset" << Join(bytes);
  } else if (type == 0x00) {
    out << "Sequence_number," << ((bytes[0] << 8) | bytes[1]);
  } else if (type == 0x20) {
    out << "Channel_prefix" << Join(bytes);
  } else if (type == 0x21) {
    out << "MIDI_port" << Join(bytes);
  } else if (type == 0x7F) {
    out << "Sequencer_specific," << n << Join(bytes);
  } else {
    out << "Unknown_meta_event," << type << "," << n << Join(bytes);
  }
  return out.str();
}

void ExpectSameAsMidicsv(const std::string& bytes, const char* what) {
  TempFile file(bytes);
  DataPtr data(MIDIData_LoadFromSMF(file.Path().c_str()));
  ASSERT_TRUE(data) << what;
  std::vector<std::string> ours;
  int track = 1;
  for (MIDITrack* t = MIDIData_GetFirstTrack(data.get()); t; t = MIDITrack_GetNextTrack(t)) {
    for (MIDIEvent* p = MIDITrack_GetFirstEvent(t); p; p = MIDIEvent_GetNextEvent(p)) {
      ours.push_back(OurLine(track, p));
    }
    track++;
  }
  std::vector<std::string> theirs = MidicsvEvents(file.Path());
  ASSERT_EQ(theirs.size(), ours.size()) << what;
  for (size_t i = 0; i < ours.size(); i++) {
    ASSERT_EQ(theirs[i], ours[i]) << what << ", event " << i;
  }
}

class MidicsvCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    // scripts/deps.sh --test installs midicsv: a machine without it is not
    // set up for testing, which is a failure, not a reason to skip.
    ASSERT_STRNE("", SONOMOT_MIDICSV) << "midicsv was not found when the build was configured";
  }
};

TEST_F(MidicsvCheck, GeneratedPianoFiles) {
  ExpectSameAsMidicsv(GeneratePianoMidi(3000, 1), "3000 notes, seed 1");
  ExpectSameAsMidicsv(GeneratePianoMidi(700, 42), "700 notes, seed 42");
  ExpectSameAsMidicsv(GeneratePianoMidi(1, 3), "1 note");
}

TEST_F(MidicsvCheck, EveryKindOfEvent) {
  std::string a = Meta(0, 0x03, "Name") + Meta(0, 0x01, "hello, world") + Meta(0, 0x02, "c") +
                  Meta(0, 0x04, "inst") + Meta(0, 0x05, "la") + Meta(0, 0x07, "cue") +
                  Meta(0, 0x59, Bytes({0xFE, 0})) + Meta(0, 0x59, Bytes({4, 1})) +
                  Meta(0, 0x58, Bytes({6, 3, 24, 8})) + Meta(0, 0x54, Bytes({1, 2, 3, 4, 5})) +
                  Meta(0, 0x00, Bytes({1, 2})) + Meta(0, 0x20, Bytes({3})) +
                  Meta(0, 0x21, Bytes({1})) + Meta(0, 0x7F, Bytes({0x43, 1})) +
                  Meta(0, 0x60, "ab") + Meta(3, 0x51, Bytes({0x0F, 0x42, 0x40})) +
                  Ev(0, {0x90, 60, 100}) + Meta(0, 0x06, "m") + Ev(5, {61, 0}) +
                  Ev(0, {0xF0, 3, 0x43, 0x10, 0xF7}) + Ev(1, {62, 5}) + Ev(0, {0xF7, 2, 1, 2}) +
                  Ev(0, {0xA1, 5, 6}) + Ev(200, {0xB2, 7, 8}) + Ev(0, {9, 10}) +
                  Ev(0, {0xC3, 9}) + Ev(0x0FFFFFF, {10}) + Ev(0, {0xD4, 10}) +
                  Ev(0, {0xE5, 0, 0x40}) + Ev(0, {0xEF, 0x7F, 0x7F}) + Ev(0, {0x8F, 127, 127}) +
                  EndOfTrack(9);
  std::string b = Ev(7, {0x9A, 36, 1}) + Ev(1, {0x8A, 36, 0}) + EndOfTrack();
  ExpectSameAsMidicsv(Smf(1, 96, {a, b}), "all kinds, format 1");
  ExpectSameAsMidicsv(Smf(0, 0xE728, {a}), "format 0, SMPTE 25");
  // (midicsv adds no end-of-track event where one is missing; we do.)
  ExpectSameAsMidicsv(Smf(1, 480, {b + "junk after the end", Ev(0, {0x90, 1, 1}) + EndOfTrack()}),
                      "bytes after the end of a track");
}

}  // namespace
