// The export: the current track, or several tracks merged, written as a
// VMD motion file.
#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "commands/command_processor.h"
#include "console/console_output.h"
#include "files/file_system.h"
#include "motion/bone_names.h"
#include "midibind/midi_binding.h"
#include "motion/program_names.h"
#include "motion/track_summary.h"
#include "motion/vmd_writer.h"

namespace {

// "1 2 5": positions as the track list shows them, without leading zeros.
std::string PositionText(const std::vector<int>& positions) {
  std::string text;
  for (int nPosition : positions) {
    if (!text.empty()) text += ' ';
    text += std::to_string(nPosition);
  }
  return text;
}

}  // namespace

void CommandProcessor::ForgetLastExport() { m_lastExport = ExportOutcome(); }

int CommandProcessor::WriteMotionFile(const char* pszPath, const std::vector<MIDITrack*>& tracks,
                                      const std::vector<int>& positions) {
  VmdWriter writer(m_exportSettings);
  writer.RefuseEmptyMotion(m_bRefuseEmptyMotion);
  writer.WriteToStandardOutput(m_bExportToStandardOutput);
  // The system's reason of a failed open or write is what errno holds when
  // Write returns: the clean-up after a failure only makes calls that
  // succeed.
  errno = 0;
  int nResult = writer.Write(pszPath, tracks.data(), tracks.size());
  std::string strReason =
      errno != 0 ? file_system::DescribeError(errno, pszPath != nullptr ? pszPath : "") : "";
  Status status = Status::Ok();
  if (nResult == VmdWriter::kNoMotion) {
    status = Fail("Unkown Error.", "no track is selected");
  } else if (nResult == VmdWriter::kCannotOpen) {
    status = Fail("Cannot Open File.", strReason);
  } else if (nResult == VmdWriter::kCannotWrite) {
    // The file could be opened but not written out whole; the writer has
    // left the path as it was.
    status = Fail("Cannot Write File.", strReason);
  } else if (nResult == VmdWriter::kEmptyMotion) {
    status = Fail("no keyframe to write.", "the tracks hold no note or pedal the settings keep");
  }
  if (!writer.GetLeftover().empty()) {
    WriteFitted("Cannot Remove " + writer.GetLeftover() + ".", 2);
  }
  std::string strDropped;
  if (nResult >= 0 && writer.GetDroppedNoteCount() > 0) {
    // A naming that leaves keys without bones drops their notes too.
    strDropped = std::to_string(writer.GetDroppedNoteCount()) +
                 (NamesEveryKey(m_exportSettings) ? " notes outside 0..127 dropped"
                                                  : " notes without a key bone dropped");
    m_pConsole->WriteLine("%s.", strDropped.c_str());
  }
  m_pConsole->WriteLine("Write %d Byte.", nResult);
  m_pConsole->WriteLine("Complete.");
  m_pConsole->WriteLine("");
  m_lastExport.status = status;
  m_lastExport.bOutputFailed =
      nResult == VmdWriter::kCannotOpen || nResult == VmdWriter::kCannotWrite;
  m_lastExport.nSize = nResult;
  m_lastExport.nKeyFrames = nResult >= 0 ? writer.GetKeyFrameCount() : 0;
  m_lastExport.tracks = positions;
  m_lastExport.strDropped = strDropped;
  return nResult >= 0 ? 1 : 0;
}

int CommandProcessor::ExportTrack(const char* pszPath) {
  std::vector<int> positions;
  int nPosition = CurrentTrackPosition();
  if (nPosition >= 0) positions.push_back(nPosition);
  return WriteMotionFile(pszPath, {m_pMIDITrack}, positions);
}

void CommandProcessor::ChooseWholePiece(std::vector<MIDITrack*>* pTracks,
                                        std::vector<int>* pPositions, std::vector<int>* pDrums,
                                        std::vector<int>* pOthers, bool* pEveryInstrument) {
  int nCount = static_cast<int>(midilib::MIDIData_GetNumTrack(m_pMIDIData));
  std::vector<bool> chosen(static_cast<size_t>(nCount > 0 ? nCount : 0), false);
  ChooseKeyboardTracks(&chosen, pDrums, pOthers, pEveryInstrument);
  int nPosition = 0;
  for (MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(m_pMIDIData);
       pTrack != nullptr && nPosition < nCount;
       pTrack = midilib::MIDITrack_GetNextTrack(pTrack), ++nPosition) {
    if (chosen[nPosition]) {
      pTracks->push_back(pTrack);
      pPositions->push_back(nPosition);
    }
  }
}

ExportOutcome CommandProcessor::ExportMergedTracks(const char* pszPath,
                                                 const std::vector<int>& tracks) {
  ForgetLastExport();
  if (m_pMIDIData == nullptr) {
    m_lastExport.status = Fail("m_pMIDIData == NULL", "no MIDI file is open");
    return m_lastExport;
  }
  int nCount = static_cast<int>(midilib::MIDIData_GetNumTrack(m_pMIDIData));
  // Chosen positions, marked before anything is read or written.
  std::vector<bool> chosen(static_cast<size_t>(nCount > 0 ? nCount : 0), false);
  for (int nPosition : tracks) {
    if (nPosition < 0 || nPosition >= nCount || chosen[nPosition]) {
      std::string strReason =
          nPosition >= 0 && nPosition < nCount ? "track " + std::to_string(nPosition) + " is given twice"
          : nCount == 0                        ? std::string("the file has no track")
                                               : "the tracks are 0 to " + std::to_string(nCount - 1);
      m_lastExport.status = Fail("invalid track number.", strReason);
      return m_lastExport;
    }
    chosen[nPosition] = true;
  }

  // The tracks in ascending position: of events at one time, the track
  // listed first goes first, whatever order they were typed in.
  std::vector<MIDITrack*> merged;
  std::vector<int> positions;
  std::vector<int> drums;
  std::vector<int> others;
  bool bEveryInstrument = false;
  if (tracks.empty()) {
    ChooseWholePiece(&merged, &positions, &drums, &others, &bEveryInstrument);
  } else {
    int nPosition = 0;
    for (MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(m_pMIDIData);
         pTrack != nullptr && nPosition < nCount;
         pTrack = midilib::MIDITrack_GetNextTrack(pTrack), ++nPosition) {
      if (chosen[nPosition]) {
        merged.push_back(pTrack);
        positions.push_back(nPosition);
      }
    }
  }
  if (bEveryInstrument) m_pConsole->WriteLine("no piano or organ track: every instrument goes in.");
  // A file of many tracks makes long lists: they wrap, as every line of
  // the program's own does.
  if (!merged.empty()) WriteFitted("merge track " + PositionText(positions) + ".", 2);
  if (!drums.empty()) WriteFitted("left out as drums: track " + PositionText(drums) + ".", 2);
  if (!others.empty()) {
    WriteFitted("left out as other instruments: track " + PositionText(others) + ".", 2);
  }
  if (merged.empty()) {
    // Without any track the file would hold no motion at all.
    m_lastExport.status = Fail("no track to merge.", "every track is empty or drums");
    m_pConsole->WriteLine("");
    return m_lastExport;
  }
  WriteMotionFile(pszPath, merged, positions);
  return m_lastExport;
}

void CommandProcessor::ChooseKeyboardTracks(std::vector<bool>* pChosen, std::vector<int>* pDrums,
                                            std::vector<int>* pOthers, bool* pEveryInstrument) {
  std::vector<TrackSummary::PieceRole> roles = TrackSummary::RolesOf(m_pMIDIData);
  std::vector<int> keys;
  bool bKeyboardNotes = false;
  for (size_t i = 0; i < roles.size() && i < pChosen->size(); ++i) {
    int nPosition = static_cast<int>(i);
    const TrackSummary::PieceRole& role = roles[i];
    if (role.role == TrackSummary::Role::kDrums) {
      // A track of drum notes would press keys no keyboard player pressed.
      pDrums->push_back(nPosition);
    } else if (role.role == TrackSummary::Role::kKeys) {
      // A track of pedal alone is the pianist's: piano files often keep
      // the pedal apart from the hands.
      if (role.nProgram == TrackSummary::kNoProgram || IsKeyboardProgram(role.nProgram)) {
        keys.push_back(nPosition);
        bKeyboardNotes = bKeyboardNotes || role.nProgram != TrackSummary::kNoProgram;
      } else {
        pOthers->push_back(nPosition);
      }
    }
  }
  // A piece that no piano or organ plays is still played on the keys:
  // then every instrument but the drums goes in.
  if (!bKeyboardNotes && !pOthers->empty()) {
    keys.insert(keys.end(), pOthers->begin(), pOthers->end());
    std::sort(keys.begin(), keys.end());
    pOthers->clear();
    *pEveryInstrument = true;
  }
  for (int nPosition : keys) (*pChosen)[nPosition] = true;
}
