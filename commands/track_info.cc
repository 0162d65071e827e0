// "info": the tracks at a glance in "midi>", and in "track>" the current
// track with what its export would write. Both only read the data.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/command_processor.h"
#include "console/console_output.h"
#include "console/display_width.h"
#include "midibind/midi_binding.h"
#include "motion/program_names.h"
#include "motion/track_summary.h"
#include "motion/vmd_writer.h"

namespace {

constexpr double kFramesPerSecond = 30.0;
// Columns of a track line; the name comes last, as long as it is. The
// program's column is as wide as its longest short name, so that all but
// the name fit in 64 columns.
constexpr char kTrackLineFormat[] = "%5s  %-9s %7s  %-4s  %-4s  %6s  %-8s  %s";
static_assert(kProgramNameWidth == 8, "the program column is as wide as the longest name");

// A name that doesn't fit behind the columns goes whole onto the lines
// below, under the channels.
constexpr size_t kTrackLineIndent = 7;

std::string TrackHeader() {
  char sz[128];
  snprintf(sz, sizeof sz, kTrackLineFormat, "track", "channels", "notes", "low", "high", "pedal",
           "program", "name");
  return sz;
}

// What the track's notes play: the program's short name, "drums" for a
// drum track, "-" without notes.
const char* ProgramText(const TrackSummary::PieceRole& role) {
  if (role.role == TrackSummary::Role::kDrums) return "drums";
  return role.nProgram == TrackSummary::kNoProgram ? "-" : ProgramName(role.nProgram);
}

// The track's columns and, last, its name and mark; the name empty when
// *pstrNameBelow takes it.
std::string TrackLine(int nPosition, const std::string& strName, const TrackSummary& summary,
                      const TrackSummary::PieceRole& role, std::string* pstrNameBelow) {
  char szPosition[16];
  snprintf(szPosition, sizeof szPosition, "%03d", nPosition);
  bool bNotes = summary.nLowKey >= 0;
  std::string tail = strName;
  const char* pszMark = summary.IsDrums() ? "(drums)" : summary.IsEmpty() ? "(empty)" : nullptr;
  if (pszMark) tail += (tail.empty() ? "" : " ") + std::string(pszMark);
  std::string channels = summary.ChannelText();
  std::string notes = std::to_string(summary.nNoteCount);
  std::string low = bNotes ? NoteName(summary.nLowKey) : "-";
  std::string high = bNotes ? NoteName(summary.nHighKey) : "-";
  std::string pedal = std::to_string(summary.nPedalCount);
  auto format = [&](char* pszOut, size_t nSize) {
    return snprintf(pszOut, nSize, kTrackLineFormat, szPosition, channels.c_str(), notes.c_str(),
                    low.c_str(), high.c_str(), pedal.c_str(), ProgramText(role), tail.c_str());
  };
  int nLength = format(nullptr, 0);
  std::string line(nLength > 0 ? static_cast<size_t>(nLength) : 0, '\0');
  format(line.data(), line.size() + 1);
  pstrNameBelow->clear();
  if (DisplayWidth(line) > kConsoleColumns) {
    *pstrNameBelow = std::string(kTrackLineIndent, ' ') + tail;
    line.resize(line.size() - tail.size());
    while (!line.empty() && line.back() == ' ') line.pop_back();
  }
  return line;
}

// info's lines of a track: its line and, when that would be wider than
// the console, its name whole on the lines below.
std::vector<std::string> TrackLines(int nPosition, const std::string& strName,
                                    const TrackSummary& summary,
                                    const TrackSummary::PieceRole& role) {
  std::string strNameBelow;
  std::vector<std::string> lines = {TrackLine(nPosition, strName, summary, role, &strNameBelow)};
  if (strNameBelow.empty()) return lines;
  std::vector<std::string> below = WrapToWidth(strNameBelow, kConsoleColumns, kTrackLineIndent);
  lines.insert(lines.end(), below.begin(), below.end());
  return lines;
}

// What motion steps changes in an export with the current settings, so
// that a user sees why to choose it; the same under either motion.
std::vector<std::string> StepChangeLines(const MotionFigures& figures) {
  auto line = [](const char* pszText, uint64_t nCount) {
    return pszText + std::to_string(nCount) + ".";
  };
  return {line("keyframes classic writes twice on a frame: ", figures.nClassicDoubled),
          line("notes steps merges into a sounding key: ", figures.nMergedNotes),
          line("stray note-offs steps ignores: ", figures.nStrayOffs)};
}

void WriteLines(ConsoleOutput* pConsole, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) pConsole->WriteLine("%s", line.c_str());
}

}  // namespace

Status CommandProcessor::DescribeTracks(std::vector<std::string>* pLines) {
  if (m_pMIDIData == nullptr) return Status::Failed("m_pMIDIData == NULL", "no MIDI file is open");
  pLines->push_back(TrackHeader());
  std::vector<TrackSummary::PieceRole> roles = TrackSummary::RolesOf(m_pMIDIData);
  long lLength = 0;
  size_t nPosition = 0;
  for (MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(m_pMIDIData);
       pTrack && nPosition < roles.size(); pTrack = midilib::MIDITrack_GetNextTrack(pTrack)) {
    TrackSummary summary = TrackSummary::Of(pTrack);
    if (summary.lLastTime > lLength) lLength = summary.lLastTime;
    std::vector<std::string> lines =
        TrackLines(static_cast<int>(nPosition), TrackName(pTrack), summary, roles[nPosition]);
    pLines->insert(pLines->end(), lines.begin(), lines.end());
    ++nPosition;
  }
  // Before the piano-roll conversion the times are ticks of the file's own
  // time base, which say nothing in seconds without its tempo map.
  if (m_bFileReady != 1) {
    pLines->push_back("length " + std::to_string(lLength) + " ticks.");
    return Status::Ok();
  }
  char szLength[96];
  snprintf(szLength, sizeof szLength, "length %ld frames, %.2f seconds.", lLength,
           lLength / kFramesPerSecond);
  pLines->push_back(szLength);
  std::vector<MIDITrack*> tracks;
  std::vector<int> positions, drums, others;
  bool bEveryInstrument = false;
  ChooseWholePiece(&tracks, &positions, &drums, &others, &bEveryInstrument);
  if (!tracks.empty()) {
    VmdWriter writer(m_exportSettings);
    MotionFigures figures = writer.Measure(tracks.data(), tracks.size());
    if (!figures.bOk) return Status::Failed("not enough memory.");
    pLines->push_back("whole piece, as export without track numbers takes it:");
    std::vector<std::string> changes = StepChangeLines(figures);
    pLines->insert(pLines->end(), changes.begin(), changes.end());
  }
  return Status::Ok();
}

int CommandProcessor::ShowTracksInfo() {
  std::vector<std::string> lines;
  Status status = DescribeTracks(&lines);
  WriteLines(m_pConsole, lines);
  if (!status.IsOk()) Fail(status.Message().c_str(), status.Reason());
  // The lines end with a blank one, also when a failure cut them short.
  if (!lines.empty()) m_pConsole->WriteLine("");
  return status.IsOk() ? 1 : 0;
}

int CommandProcessor::ShowTrackExportInfo() {
  if (!HasCurrentTrack()) return 0;
  int nPosition = CurrentTrackPosition();
  // The track's program may be set on another track.
  std::vector<TrackSummary::PieceRole> roles = TrackSummary::RolesOf(m_pMIDIData);
  TrackSummary::PieceRole role;
  if (nPosition >= 0 && static_cast<size_t>(nPosition) < roles.size()) role = roles[nPosition];
  m_pConsole->WriteLine("%s", TrackHeader().c_str());
  if (m_bFileReady != 1) {
    // Frames exist only on the converted time base; the export would
    // refuse just as well.
    TrackSummary summary = TrackSummary::Of(m_pMIDITrack);
    WriteLines(m_pConsole, TrackLines(nPosition, TrackName(m_pMIDITrack), summary, role));
    Fail("file not ready.", "conv pr has not been run on the loaded file");
    m_pConsole->WriteLine("");
    return 1;
  }
  // The track's line and the export's figures come from one walk.
  TrackSummary summary;
  VmdWriter writer(m_exportSettings);
  MotionFigures figures = writer.Measure(&m_pMIDITrack, 1, &summary);
  WriteLines(m_pConsole, TrackLines(nPosition, TrackName(m_pMIDITrack), summary, role));
  if (!figures.bOk) {
    Fail("not enough memory.");
    m_pConsole->WriteLine("");
    return 0;
  }
  m_pConsole->WriteLine("export: %llu keyframes, %llu bytes.",
                        static_cast<unsigned long long>(figures.nKeyFrames),
                        static_cast<unsigned long long>(figures.nBytes));
  if (figures.nKeyFrames == 0) {
    m_pConsole->WriteLine("frames: none.");
  } else {
    m_pConsole->WriteLine("frames %u to %u, %.2f to %.2f seconds.", figures.nFirstFrame,
                          figures.nLastFrame, figures.nFirstFrame / kFramesPerSecond,
                          figures.nLastFrame / kFramesPerSecond);
  }
  m_pConsole->WriteLine("notes outside the 88 piano keys: %llu.",
                        static_cast<unsigned long long>(figures.nOutsidePiano));
  m_pConsole->WriteLine("notes the settings drop: %llu.",
                        static_cast<unsigned long long>(figures.nDropped));
  WriteLines(m_pConsole, StepChangeLines(figures));
  m_pConsole->WriteLine("");
  return 1;
}
