// CommandProcessor: carries out one entered line in the current mode.
//
// The processor keeps the mode (commands/command_table.h) and shows it as
// the console's prompt: "root>", "midi>", "track>" or "conf>". Every
// answer is one WriteLine on the console. The processor owns the one MIDI
// data object (created by Open or Create Midi, deleted only through the
// library by CloseFile); the current track belongs to that data. The library
// is called only through the bound pointers of midibind/midi_binding.h.
//
// Operations return non-zero for success and 0 for failure, the reason
// already printed.
#ifndef SONOMOT_COMMANDS_COMMAND_PROCESSOR_H_
#define SONOMOT_COMMANDS_COMMAND_PROCESSOR_H_

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "files/status.h"
#include "midilib/MIDIData.h"
#include "motion/export_settings.h"
#include "motion/track_summary.h"
#include "platform/win_types.h"

class CommandArgs;
class ConsoleOutput;

// What one dispatched line left for scripts besides the console's lines:
// the first error answer it printed and why (a system reason such as "No
// such file or directory", or what is wrong with a MIDI file), and warnings
// about a file that opened although it is damaged. A script's console shows
// only the answer, its reasons and warnings go to standard error; typed at,
// the console shows them too (SetReasonsShown).
struct CommandOutcome {
  bool bFailed = false;
  std::string strMessage;  // the answer as printed, e.g. "Cannot Open File."
  std::string strReason;   // may be empty
  std::vector<std::string> warnings;
};

// What one export did, in either mode.
struct ExportOutcome {
  Status status = Status::Ok();
  // The failure is the output's: its path could not be opened or written
  // (the system's reason in status), whatever the MIDI data holds.
  bool bOutputFailed = false;
  // The file size, or a negative VmdWriter result when the writer failed,
  // or 0 when nothing was written for another reason (not ready, a bad
  // track number, no track).
  int nSize = 0;
  uint64_t nKeyFrames = 0;  // 0 unless the file was written
  std::vector<int> tracks;  // the positions that went in, ascending
  // What it said of the notes the settings dropped, as "3 notes outside
  // 0..127 dropped" (the console's line without its period); empty when
  // it dropped none or wrote nothing.
  std::string strDropped;
};

class CommandProcessor {
 public:
  // Events printed per page of a dump.
  static constexpr int kDumpPageSize = 32;

  // *pConsole must outlive the processor; hMainWnd receives WM_CLOSE on
  // "exit". The processor starts in root>, whose prompt the console is
  // expected to show.
  CommandProcessor(ConsoleOutput* pConsole, HWND hMainWnd);
  // Deletes MIDI data still loaded. REQUIRES: the library is still bound.
  ~CommandProcessor();
  CommandProcessor(const CommandProcessor&) = delete;
  CommandProcessor& operator=(const CommandProcessor&) = delete;

  // Interprets one entered line; *pArgs is used only during the call.
  // Returns 0 when the line failed (GetOutcome says how), else 1.
  int Dispatch(CommandArgs* pArgs);
  // How the last dispatched line ended; cleared as each line starts.
  const CommandOutcome& GetOutcome() const { return m_outcome; }
  // With true, someone reads the console as they type: each failure's
  // reason follows its answer as console lines in parentheses, and a
  // damaged file's warning follows "File Open", within 64 columns
  // (commands/reason_lines.h). Off, the console shows only the answers, as
  // a script's transcript must.
  void SetReasonsShown(bool bShown) { m_bReasonsShown = bShown; }

  // "help" lists the words of the current mode, one a line; "help WORD"
  // says what one word takes and does.
  int ShowHelp(const char* pszWord);

  // The words of the console, each with the modes it works in, what
  // carries it out and what help says of it: what dispatch and help read.
  static const std::vector<CommandRow>& GetCommandTable();

  // Modes.
  Mode GetMode() const { return m_mode; }
  // Switches to mode and shows its prompt, whatever is loaded.
  void SetMode(Mode mode);
  int EnterRootMode();
  int EnterConfMode();
  // Switches to "midi>" only when MIDI data is loaded; silent otherwise.
  int EnterMidiMode();
  // "this space show config", then one line per export setting.
  int ShowConfig();
  // "save" in "conf>": writes the export settings to the settings file
  // (commands/settings_file.h) and says where, or why it couldn't.
  int SaveSettings();

  // MIDI file commands. A failure is printed, kept as the line's outcome
  // and returned. What is missing from a file that opened although it is
  // damaged also goes to *pWarnings, when given.
  Status OpenFile(const char* pszPath, std::vector<std::string>* pWarnings = nullptr);
  Status PrepareMidiData(MIDIData* pMIDIData);
  int CloseFile();
  int ShowMidiInfo();
  MIDITrack* FindTrack(MIDIData* pMIDIData, int nTrack);
  int SelectTrack(int nTrack);
  int ShowTrackInfo();
  // Prints events nStart to nStart + 31 of the current track and asks to
  // continue, or ends the dump.
  int DumpTrack(int nStart);
  Status ConvertPianoRoll(MIDIData* pMIDIData);
  int CreateTestMidi();
  int ExportTrack(const char* pszPath);
  // "export" in "midi>": the tracks at the positions in tracks (as GetInt
  // gives them, so -1 for a word that is not a number) merged into one
  // motion at pszPath. No positions: the keyboard tracks, those whose notes
  // a piano or an organ plays and those with sustain-pedal events and no
  // notes (ChooseKeyboardTracks). A position out of range or given twice
  // prints "invalid track number." and writes nothing. What it did is also
  // kept for GetLastExportSize and the others.
  ExportOutcome ExportMergedTracks(const char* pszPath, const std::vector<int>& tracks);
  // The tracks of the whole piece, as that export takes them without
  // positions, in ascending position; the drum tracks left out go to
  // *pDrums, the other instruments left out to *pOthers, and
  // *pEveryInstrument says whether no piano or organ played, so that every
  // instrument went in.
  void ChooseWholePiece(std::vector<MIDITrack*>* pTracks, std::vector<int>* pPositions,
                        std::vector<int>* pDrums, std::vector<int>* pOthers,
                        bool* pEveryInstrument);
  // "info" in "midi>": one line per track (channels, notes, range, pedal,
  // program, drums or empty), then the length of the piece and, once
  // converted, what motion steps changes in the whole piece.
  int ShowTracksInfo();
  // The lines ShowTracksInfo prints before its closing blank line. Fails
  // without MIDI data, or without the memory to measure the whole piece
  // (the lines so far in *pLines).
  Status DescribeTracks(std::vector<std::string>* pLines);
  // "info" in "track>": the current track's line, then what an export
  // with the current settings would write and what motion steps changes
  // in it. Neither writes nor changes anything.
  int ShowTrackExportInfo();

  // State, for the front ends and tests.
  bool IsWaitingAnswer() const { return m_nWaitAnswer != 0; }
  int GetDumpPos() const { return m_nDumpPos; }
  bool IsFileReady() const { return m_bFileReady != 0; }
  MIDIData* GetMIDIData() const { return m_pMIDIData; }
  MIDITrack* GetMIDITrack() const { return m_pMIDITrack; }
  const ExportSettings& GetExportSettings() const { return m_exportSettings; }
  // The words given a value so far (commands/setting_words.h).
  const std::set<std::string>& GetGivenSettings() const { return m_givenSettings; }
  // The settings a program starts with, and the words given a value in
  // them.
  void SetExportSettings(const ExportSettings& settings,
                         const std::set<std::string>& given = {}) {
    m_exportSettings = settings;
    m_givenSettings = given;
  }
  // The last export command's outcome (ExportOutcome).
  int GetLastExportSize() const { return m_lastExport.nSize; }
  uint64_t GetLastExportKeyFrameCount() const { return m_lastExport.nKeyFrames; }
  const std::vector<int>& GetLastExportTracks() const { return m_lastExport.tracks; }
  // For the one-line conversion: an export whose motion would hold no
  // keyframe fails ("no keyframe to write.") and leaves its path alone,
  // instead of writing a file of the header alone as a session does.
  void RefuseEmptyMotion(bool bRefuse) { m_bRefuseEmptyMotion = bRefuse; }
  // For the one-line conversion's "-o -": every later export sends its
  // motion to standard output; the path given to export only names it.
  void ExportToStandardOutput(bool bStandardOutput) { m_bExportToStandardOutput = bStandardOutput; }

 private:
  void DispatchAnswer();
  // A setting word or "reset" in conf>: the value set and shown, or
  // refused with what the word accepts.
  void ApplySettingCommand(const CommandArgs& args);
  // What export does first in either mode: forgets the last export, and
  // fails unless the file was converted.
  bool StartExport();
  // Prints an error answer and keeps it, with its reason, as the line's
  // outcome (the first one of the line is kept); shows the reason when
  // reasons are shown. Returns the failure, for the operation to return.
  Status Fail(const char* pszMessage, const std::string& strReason = std::string());
  // Keeps an answer already printed, with its reason, as Fail does, and
  // shows nothing more: for answers whose next lines already say why.
  void KeepFailure(const std::string& strMessage, const std::string& strReason);
  // Keeps a warning about the file just opened; shown when reasons are.
  void Warn(const std::string& strWarning);
  // The reason lines, when reasons are shown.
  void ShowReason(const std::string& strReason);
  // Why a line that fits no command is refused.
  std::string ExplainInvalidCommand() const;
  void AskToContinue();
  // Writes a line of the program's own (beyond the classic console's
  // messages) as lines of kConsoleColumns at most, further lines indented
  // by nIndent blanks (console/display_width.h).
  void WriteFitted(const std::string& strLine, size_t nIndent);
  // Forgets the dump's event cursor (the data it points into may be gone).
  void ResetDumpCursor();
  // Runs the writer on the tracks and prints its outcome ("Write %d Byte."
  // and what precedes and follows it); keeps the export's outcome.
  int WriteMotionFile(const char* pszPath, const std::vector<MIDITrack*>& tracks,
                      const std::vector<int>& positions);
  void ForgetLastExport();
  // The tracks the whole piece takes, marked in *pChosen (as many as the
  // tracks, all false): those a keyboard plays (TrackSummary::PieceRole:
  // a piano or an organ, or pedal without notes). Drum tracks go to
  // *pDrums, tracks of other instruments to *pOthers, in ascending
  // position. When no piano or organ plays a note but another instrument
  // does, every track but the drums and the empty ones is chosen and
  // *pEveryInstrument set.
  void ChooseKeyboardTracks(std::vector<bool>* pChosen, std::vector<int>* pDrums,
                            std::vector<int>* pOthers, bool* pEveryInstrument);
  // True when a file is open and a track chosen; otherwise fails with the
  // member that is missing.
  bool HasCurrentTrack();
  // The current track's position in the track list, as "track N" takes
  // it; -1 without one.
  int CurrentTrackPosition() const;
  // The track's name as the console shows it.
  static std::string TrackName(MIDITrack* pTrack);
  // Joins every note-on of pTrack with its note-off, in event order: the
  // walk of the opening and of the piano-roll conversion.
  static void CombineNotes(MIDITrack* pTrack);

  ConsoleOutput* m_pConsole;
  CommandArgs* m_pArgs = nullptr;
  HWND m_hMainWnd;
  Mode m_mode = Mode::kRoot;
  int m_nWaitAnswer = 0;
  int m_nDumpPos = 0;
  BOOL m_bFileReady = 0;
  MIDIData* m_pMIDIData = nullptr;
  MIDITrack* m_pMIDITrack = nullptr;

  // Where the last dump page stopped: the event with index m_nDumpCursorPos
  // of m_pDumpCursorTrack. While a dump waits for its answer no command can
  // change the track, so the next page starts here instead of walking from
  // the first event again.
  MIDITrack* m_pDumpCursorTrack = nullptr;
  MIDIEvent* m_pDumpCursorEvent = nullptr;
  int m_nDumpCursorPos = -1;

  CommandOutcome m_outcome;
  bool m_bReasonsShown = false;

  // What every export of the run is made with; set in "conf>". "save"
  // keeps the words in m_givenSettings.
  ExportSettings m_exportSettings;
  std::set<std::string> m_givenSettings;

  ExportOutcome m_lastExport;
  bool m_bRefuseEmptyMotion = false;
  bool m_bExportToStandardOutput = false;
};

#endif  // SONOMOT_COMMANDS_COMMAND_PROCESSOR_H_
