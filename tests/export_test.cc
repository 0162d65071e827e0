// The export from end to end: a MIDI file with a tempo change is opened
// with the real MIDI data library, converted with "conv pr", its track
// selected and exported through the command processor, and every keyframe
// of the file is checked against the note times in seconds x 30.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "console/edit_buffer.h"
#include "midibind/midi_binding.h"
#include "tests/motion_test_util.h"

namespace {

constexpr int kDivision = 480;
// 120 beats per minute until tick 960 (one second), then 240.
constexpr uint32_t kTempoChangeTick = 960;

double SecondsAt(uint32_t nTick) {
  if (nTick <= kTempoChangeTick) return nTick / double(kDivision) * 0.5;
  return 1.0 + (nTick - kTempoChangeTick) / double(kDivision) * 0.25;
}

struct Note {
  int nKey;
  int nChannel;
  uint32_t nOn;
  uint32_t nOff;
};

// Notes on frame boundaries on both sides of the tempo change (32 ticks a
// frame before it, 64 after), one of them at time 0, in two channels.
const Note kNotes[] = {
    {60, 0, 0, 96},     {64, 3, 160, 480},   {67, 0, 320, 1024},
    {72, 3, 1088, 1472}, {60, 0, 1600, 1920},
};
struct Pedal {
  uint32_t nTick;
  int nValue;
};
const Pedal kPedals[] = {{64, 127}, {1216, 0}};

void PutVarLen(std::string* p, uint32_t n) {
  char a[5];
  int i = 0;
  a[i++] = static_cast<char>(n & 0x7F);
  while (n >>= 7) a[i++] = static_cast<char>(0x80 | (n & 0x7F));
  while (i > 0) p->push_back(a[--i]);
}

void PutBE(std::string* p, uint32_t n, int nBytes) {
  for (int i = nBytes - 1; i >= 0; --i) p->push_back(static_cast<char>(n >> (8 * i)));
}

// Format 1: a tempo track, then the notes and the pedal.
std::string BuildMidiFile() {
  std::string tempo;
  PutVarLen(&tempo, 0);
  tempo += "\xFF\x51\x03";
  PutBE(&tempo, 500000, 3);
  PutVarLen(&tempo, kTempoChangeTick);
  tempo += "\xFF\x51\x03";
  PutBE(&tempo, 250000, 3);
  PutVarLen(&tempo, 0);
  tempo += std::string("\xFF\x2F\x00", 3);

  std::multimap<uint32_t, std::string> events;  // same time: insertion order
  for (const Note& note : kNotes) {
    events.emplace(note.nOn, std::string{static_cast<char>(0x90 | note.nChannel),
                                         static_cast<char>(note.nKey), 100});
    events.emplace(note.nOff, std::string{static_cast<char>(0x80 | note.nChannel),
                                          static_cast<char>(note.nKey), 64});
  }
  for (const Pedal& pedal : kPedals) {
    events.emplace(pedal.nTick, std::string{'\xB0', 64, static_cast<char>(pedal.nValue)});
  }
  std::string notes;
  uint32_t nLast = 0;
  for (const auto& [nTick, bytes] : events) {
    PutVarLen(&notes, nTick - nLast);
    nLast = nTick;
    notes += bytes;
  }
  PutVarLen(&notes, 0);
  notes += std::string("\xFF\x2F\x00", 3);

  std::string file = "MThd";
  PutBE(&file, 6, 4);
  PutBE(&file, 1, 2);
  PutBE(&file, 2, 2);
  PutBE(&file, kDivision, 2);
  for (const std::string* pTrack : {&tempo, &notes}) {
    file += "MTrk";
    PutBE(&file, static_cast<uint32_t>(pTrack->size()), 4);
    file += *pTrack;
  }
  return file;
}

struct Frame {
  std::string strBone;
  uint32_t nFrame;
  float fX;  // the rotation's X; W follows from it for these poses
  bool operator==(const Frame&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Frame& frame) {
  return out << frame.strBone << '@' << frame.nFrame << " x=" << frame.fX;
}

// What the file must hold, from the note times alone: keys in ascending
// order, each key's events in time order, a companion one frame before
// every event but one at frame 0; then the pedal.
std::vector<Frame> ExpectedFrames() {
  constexpr float kDown = -0.0199986007f;
  std::vector<Frame> frames;
  for (int nKey = 0; nKey < 128; ++nKey) {
    std::vector<std::pair<uint32_t, bool>> events;
    for (const Note& note : kNotes) {
      if (note.nKey != nKey) continue;
      events.push_back({static_cast<uint32_t>(SecondsAt(note.nOn) * 30 + 0.5), true});
      events.push_back({static_cast<uint32_t>(SecondsAt(note.nOff) * 30 + 0.5), false});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    char szBone[8];
    snprintf(szBone, sizeof szBone, "nt%03d", nKey);
    for (const auto& [nFrame, bPress] : events) {
      if (nFrame > 0) frames.push_back({szBone, nFrame - 1, bPress ? 0.0f : kDown});
      frames.push_back({szBone, nFrame, bPress ? kDown : 0.0f});
    }
  }
  return frames;
}

class ExportTest : public testing::Test {
 protected:
  void SetUp() override {
    if (midilib::MIDIData_LoadFromSMF == nullptr) {
      ASSERT_TRUE(BindMidiDataLibrary()) << "libMIDIData.so beside the test";
    }
    m_console.SetPrompt("root>");
    m_console.SetWriteListener([this](std::string_view text) { m_transcript.append(text); });
    m_pProcessor = std::make_unique<CommandProcessor>(&m_console, nullptr);
  }
  void TearDown() override { m_pProcessor.reset(); }

  void Type(const std::string& strLine) {
    CommandArgs args;
    args.Tokenize(strLine.c_str());
    m_pProcessor->Dispatch(&args);
  }

  TempDir m_dir;
  EditBuffer m_buffer;
  ConsoleOutput m_console{&m_buffer};
  std::unique_ptr<CommandProcessor> m_pProcessor;
  std::string m_transcript;
};

TEST_F(ExportTest, KeyframesFallOnTheNoteTimesInFrames) {
  std::string strMidi = m_dir.Join("tempo change.mid");
  WriteFileBytes(strMidi, BuildMidiFile());
  std::string strVmd = m_dir.Join("song.vmd");
  Type("Open \"" + strMidi + "\"");
  ASSERT_EQ("midi>", m_console.GetPrompt()) << m_transcript;
  Type("conv pr");
  Type("track 1");
  ASSERT_EQ("track>", m_console.GetPrompt()) << m_transcript;
  Type("export " + strVmd);

  std::vector<Frame> expected = ExpectedFrames();
  // The pedal after the keys, one keyframe per change.
  expected.push_back({"cc064", static_cast<uint32_t>(SecondsAt(kPedals[0].nTick) * 30 + 0.5),
                      -0.05204f});
  expected.push_back({"cc064", static_cast<uint32_t>(SecondsAt(kPedals[1].nTick) * 30 + 0.5), 0.0f});
  int nSize = static_cast<int>(54 + 111 * expected.size());
  EXPECT_NE(std::string::npos,
            m_transcript.find("Write " + std::to_string(nSize) + " Byte.\r\nComplete.\r\n\r\n"))
      << m_transcript;

  std::vector<Frame> actual;
  for (const ReadRecord& record : ReadRecords(ReadFileBytes(strVmd))) {
    float fX = record.afRotation[0];
    // The pedal's angle is checked to five places; the key poses exactly.
    if (record.strName == "cc064" && fX != 0.0f) {
      EXPECT_NEAR(-0.05204f, fX, 1e-5f);
      fX = -0.05204f;
    }
    actual.push_back({record.strName, record.nFrame, fX});
  }
  EXPECT_EQ(expected, actual);
}

TEST_F(ExportTest, FailedExportsReportAndLeaveNoFile) {
  std::string strMidi = m_dir.Join("song.mid");
  WriteFileBytes(strMidi, BuildMidiFile());
  Type("Open " + strMidi);
  Type("conv pr");
  Type("track 1");
  m_transcript.clear();
  Type("export " + m_dir.Join("missing/out.vmd"));
  EXPECT_EQ("Cannot Open File.\r\nWrite -2 Byte.\r\nComplete.\r\n\r\n", m_transcript);
  // A track number that finds nothing leaves no track: nothing to export.
  Type("track 9");
  m_transcript.clear();
  Type("export " + m_dir.Join("none.vmd"));
  EXPECT_EQ("Unkown Error.\r\nWrite -1 Byte.\r\nComplete.\r\n\r\n", m_transcript);
  EXPECT_EQ(std::vector<std::string>{"song.mid"}, m_dir.List());

  // A write that fails (here at a file size limit, in a child process) is
  // reported, and the earlier export at the path stays as it was.
  Type("track 1");
  std::string strVmd = m_dir.Join("song.vmd");
  WriteFileBytes(strVmd, "earlier export");
  int aFd[2];
  ASSERT_EQ(0, pipe(aFd));
  pid_t pid = fork();
  if (pid == 0) {
    struct rlimit limit = {100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    m_transcript.clear();
    Type("export " + strVmd);
    bool bSent = write(aFd[1], m_transcript.data(), m_transcript.size()) ==
                 static_cast<ssize_t>(m_transcript.size());
    _exit(bSent ? 0 : 1);
  }
  close(aFd[1]);
  std::string strChild;
  char sz[256];
  for (ssize_t n; (n = read(aFd[0], sz, sizeof sz)) > 0;) strChild.append(sz, static_cast<size_t>(n));
  close(aFd[0]);
  int nStatus = 0;
  waitpid(pid, &nStatus, 0);
  EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
  EXPECT_EQ("Cannot Write File.\r\nWrite -3 Byte.\r\nComplete.\r\n\r\n", strChild);
  std::vector<uint8_t> earlier = ReadFileBytes(strVmd);
  EXPECT_EQ("earlier export", std::string(earlier.begin(), earlier.end()));
  EXPECT_EQ((std::vector<std::string>{"song.mid", "song.vmd"}), m_dir.List());
}

}  // namespace
