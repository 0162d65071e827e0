#include "commands/command_table.h"

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "commands/setting_words.h"
#include "platform/window.h"

const char* PromptOf(Mode mode) {
  static constexpr const char* kPrompts[] = {"root>", "midi>", "track>", "conf>"};
  return kPrompts[static_cast<int>(mode)];
}

std::string ModeNames(ModeSet nModes) {
  if (nModes == kEveryMode) return "every mode";
  std::string names;
  for (Mode mode : kEachMode) {
    if ((nModes & ModeBit(mode)) == 0) continue;
    if (!names.empty()) names += " ";
    names += PromptOf(mode);
  }
  return names;
}

bool CommandRow::Spells(const char* pszWord) const {
  CommandArgs args;
  args.Assign({pszWord});
  for (const std::string& spelling : spellings) {
    if (args.IsCommand(spelling.c_str(), 1)) return true;
  }
  return false;
}

bool CommandRow::Fits(const CommandArgs& args, Mode mode) const {
  if ((nModes & ModeBit(mode)) == 0) return false;
  bool bSpelled = false;
  for (const std::string& spelling : spellings) {
    if (args.IsCommand(spelling.c_str(), nMinCount)) bSpelled = true;
  }
  if (!bSpelled) return false;
  if (seconds.empty()) return true;
  for (const std::string& second : seconds) {
    if (args.IsArg(1, second.c_str())) return true;
  }
  return false;
}

std::string CommandRow::Usage() const {
  return strTakes.empty() ? spellings[0] : spellings[0] + " " + strTakes;
}

bool CommandProcessor::StartExport() {
  ForgetLastExport();
  // Only a converted file has the frames a motion is made of.
  if (m_bFileReady == 1) return true;
  Fail("file not ready.", "conv pr has not been run on the loaded file");
  return false;
}

const std::vector<CommandRow>& CommandProcessor::GetCommandTable() {
  constexpr ModeSet kRoot = ModeBit(Mode::kRoot);
  constexpr ModeSet kMidi = ModeBit(Mode::kMidi);
  constexpr ModeSet kTrack = ModeBit(Mode::kTrack);
  constexpr ModeSet kConf = ModeBit(Mode::kConf);
  // The handlers, written short.
  using P = CommandProcessor*;
  using A = const CommandArgs&;
  static const std::vector<CommandRow> table = [] {
    std::vector<CommandRow> rows = {
        {{"Root"}, kEveryMode, 1, {}, [](P p, A) { p->EnterRootMode(); }, "", "switch to root>"},
        {{"Conf"}, kEveryMode, 1, {}, [](P p, A) { p->EnterConfMode(); }, "",
         "switch to conf>, where the export settings are"},
        {{"midi", "mid", "mi"}, kEveryMode, 1, {}, [](P p, A) { p->EnterMidiMode(); }, "",
         "back to midi> when a file is loaded"},
        {{"track", "trac", "tra", "tr"}, kEveryMode, 2, {},
         [](P p, A args) { p->SelectTrack(args.GetInt(1)); }, "N",
         "select track N (0 is the first) and switch to track>"},
        {{"Create"}, kRoot, 2, {"Midi"}, [](P p, A) { p->CreateTestMidi(); }, "Midi",
         "build a small two-track test file in memory"},
        {{"conv"}, kMidi, 2, {"pianoroll", "pr"},
         [](P p, A) { p->ConvertPianoRoll(p->m_pMIDIData); }, "pianoroll|pr",
         "convert to 30 frames per second, one tick a frame (needed before export)"},
        {{"dump", "dum", "du"}, kTrack, 1, {},
         [](P p, A) {
           p->m_nDumpPos = 0;
           p->DumpTrack(0);
         },
         "", "list the track's events, 32 a page; answer Yes or No"},
        {{"export", "expor", "expo", "exp", "ex"}, kTrack, 2, {},
         [](P p, A args) { if (p->StartExport()) p->ExportTrack(args.GetArg(1)); }, "PATH",
         "write the track's motion as a VMD file"},
        {{"export", "expor", "expo", "exp", "ex"}, kMidi, 2, {},
         [](P p, A args) {
           std::vector<int> tracks;
           for (int i = 2; i < args.GetCount(); ++i) tracks.push_back(args.GetInt(i));
           if (p->StartExport()) p->ExportMergedTracks(args.GetArg(1), tracks);
         },
         "PATH [N...]", "write the whole piece, or tracks N..., merged into one motion"},
        {{"info"}, kMidi, 1, {}, [](P p, A) { p->ShowTracksInfo(); }, "",
         "the tracks at a glance: channels, notes, range, pedal, program"},
        {{"info"}, kTrack, 1, {}, [](P p, A) { p->ShowTrackExportInfo(); }, "",
         "what an export of this track holds"},
        {{"reset"}, kConf, 1, {}, [](P p, A args) { p->ApplySettingCommand(args); }, "",
         "every setting back to its default"},
        {{"save"}, kConf, 1, {}, [](P p, A) { p->SaveSettings(); }, "",
         "keep the settings for later runs"},
        {{"Open"}, kEveryMode, 2, {}, [](P p, A args) { p->OpenFile(args.GetArg(1)); }, "PATH",
         "close what is loaded and load a Standard MIDI File"},
        {{"Close"}, kEveryMode, 1, {}, [](P p, A) { p->CloseFile(); }, "",
         "release the loaded file"},
        {{"show"}, kMidi, 1, {}, [](P p, A) { p->ShowMidiInfo(); }, "",
         "the file's information and its tracks"},
        {{"show"}, kTrack, 1, {}, [](P p, A) { p->ShowTrackInfo(); }, "",
         "the current track's information"},
        {{"show"}, kConf, 1, {}, [](P p, A) { p->ShowConfig(); }, "", "the export settings"},
        // root> has nothing to show; it says where show works.
        {{"show"}, kRoot, 1, {},
         [](P p, A) { p->Fail("invalid command.", "show works in midi>, track> and conf>"); }, "",
         ""},
        {{"help"}, kEveryMode, 1, {},
         [](P p, A args) { p->ShowHelp(args.GetCount() > 1 ? args.GetArg(1) : nullptr); },
         "[WORD]", "the words of this mode, or what WORD takes and does"},
        // Handled at once: the main window closes before this returns.
        {{"exit"}, kEveryMode, 1, {}, [](P p, A) { SendMessageA(p->m_hMainWnd, WM_CLOSE, 0, 0); },
         "", "end the program"},
        {{"tolk"}, kEveryMode, 1, {}, nullptr, "", "about Sonomot"},
        {{"his"}, kEveryMode, 1, {}, nullptr, "", "the last three lines entered"},
        {{"clear"}, kEveryMode, 1, {}, nullptr, "", "empty the console"},
    };
    // The export settings, each a word of conf> with its value.
    for (const SettingDescription& setting : DescribeSettings()) {
      rows.push_back({{setting.pszWord}, kConf, 1, {},
                      [](P p, A args) { p->ApplySettingCommand(args); }, "VALUE",
                      setting.pszTakes});
    }
    return rows;
  }();
  return table;
}
