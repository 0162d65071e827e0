// The one-line conversion: each FILE is opened, put on the piano roll and
// exported (or listed) by the command processor's own operations, with a
// console nobody sees. Failures are told on standard error with the
// processor's own reasons, an output that can't be written by its own path.
#include <cstdio>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/console_options.h"
#include "app/exit_status.h"
#include "commands/command_processor.h"
#include "commands/settings_file.h"
#include "console/console_output.h"
#include "files/file_identity.h"
#include "files/status.h"
#include "files/utf8_path.h"

namespace {

namespace fs = std::filesystem;

// -o's name of standard output.
constexpr char kStandardOutput[] = "-";

// Where FILE's motion goes: -o, or FILE with .vmd in place of its
// extension, beside it or in -d's folder.
std::string OutputOf(const ConsoleOptions& options, const std::string& file) {
  if (!options.strOutput.empty()) return options.strOutput;
  fs::path output = PathFromUtf8(file);
  output.replace_extension(".vmd");
  if (!options.strDirectory.empty()) output = PathFromUtf8(options.strDirectory) / output.filename();
  return Utf8FromPath(output);
}

class FileConverter {
 public:
  FileConverter(const ConsoleOptions& options, const StartSettings& start, FILE* out, FILE* err)
      : m_options(options),
        m_bStandardOutput(options.strOutput == kStandardOutput),
        // The motion takes standard output: the file's line goes beside it.
        m_out(m_bStandardOutput ? err : out),
        m_err(err),
        m_processor(&m_console, nullptr) {
    for (const std::string& strLine : start.notices) {
      std::fprintf(err, "sonomot-console: %s\n", strLine.c_str());
    }
    StartSettings conversion = ConversionSettings(start);
    m_processor.SetExportSettings(conversion.settings, conversion.given);
    // A file of nothing but the header would pass for a motion.
    m_processor.RefuseEmptyMotion(true);
    m_processor.ExportToStandardOutput(m_bStandardOutput);
    if (!options.bList) IdentifyInputs();
  }

  // Converts (or lists) one file; false, with the reason on err, when it
  // failed.
  bool Convert(const std::string& file) {
    std::string output;
    Status unreachable = Status::Ok();  // why the output's path can't be followed
    if (!m_options.bList) {
      output = OutputOf(m_options, file);
      std::string problem = m_bStandardOutput ? "" : OutputProblem(output, &unreachable);
      if (!problem.empty()) return Refuse(file, problem);
    }
    // An input that can't be read is told first: only then the output.
    Status status = Open(file);
    if (status.IsOk()) {
      status = m_options.bList       ? List(file)
               : !unreachable.IsOk() ? unreachable
                                     : Export(file, output);
    }
    m_processor.CloseFile();
    if (status.IsOk()) return true;
    return Refuse(file, status.Joined());
  }

 private:
  // Opens file, telling on err what is missing from it if it is damaged.
  Status Open(const std::string& file) {
    std::vector<std::string> warnings;
    Status opened = m_processor.OpenFile(file.c_str(), &warnings);
    for (const std::string& warning : warnings) {
      std::fprintf(m_err, "sonomot-console: %s: warning: %s\n", file.c_str(), warning.c_str());
    }
    return opened;
  }

  // "FILE:", then the lines of info and a blank line.
  Status List(const std::string& file) {
    std::vector<std::string> lines;
    Status described = m_processor.DescribeTracks(&lines);
    if (!described.IsOk()) return described;
    std::fprintf(m_out, "%s:\n", file.c_str());
    for (const std::string& line : lines) std::fprintf(m_out, "%s\n", line.c_str());
    std::fputc('\n', m_out);
    return Status::Ok();
  }

  // The piano-roll conversion of the open file and its merged export to
  // output; the file's line on out.
  Status Export(const std::string& file, const std::string& output) {
    Status converted = m_processor.ConvertPianoRoll(m_processor.GetMIDIData());
    if (!converted.IsOk()) return converted;
    ExportOutcome exported = m_processor.ExportMergedTracks(output.c_str(), m_options.tracks);
    // The writer's failures are the output's, not the input's.
    if (exported.bOutputFailed) return CannotWrite(output, exported.status.Reason());
    if (!exported.status.IsOk()) return exported.status;
    if (!m_bStandardOutput) RememberOutput(output);
    std::fprintf(m_out, "%s\n", DoneLine(file, output, exported).c_str());
    return Status::Ok();
  }

  // "can't write OUT (REASON)".
  Status CannotWrite(const std::string& output, const std::string& reason) const {
    return Status::Failed("can't write " + OutputName(output), reason);
  }

  std::string OutputName(const std::string& output) const {
    return m_bStandardOutput ? "standard output" : output;
  }

  bool Refuse(const std::string& file, const std::string& message) {
    std::fprintf(m_err, "sonomot-console: %s: %s\n", file.c_str(), message.c_str());
    return false;
  }

  // The inputs that are there, each looked up once.
  void IdentifyInputs() {
    for (const std::string& input : m_options.files) {
      FileIdentity identity;
      std::string reason;
      if (IdentifyFile(input, &identity, &reason) == FileLookup::kFound) m_inputs.insert(identity);
    }
  }

  // Why output must not be written, or "" when it may: it is one of the
  // inputs or the output of an earlier file. When the system can't reach
  // it to tell, *pUnreachable says so, naming the output (the export
  // would fail the same way). Nothing there yet is neither.
  std::string OutputProblem(const std::string& output, Status* pUnreachable) const {
    FileIdentity identity;
    std::string reason;
    switch (IdentifyFile(output, &identity, &reason)) {
      case FileLookup::kMissing:
        return "";
      case FileLookup::kFailed:
        *pUnreachable = CannotWrite(output, reason);
        return "";
      case FileLookup::kFound:
        break;
    }
    if (m_inputs.count(identity)) return output + " would write over an input file";
    if (m_outputs.count(identity)) return output + " is the output of another file";
    return "";
  }

  void RememberOutput(const std::string& output) {
    FileIdentity identity;
    std::string reason;
    if (IdentifyFile(output, &identity, &reason) == FileLookup::kFound) m_outputs.insert(identity);
  }

  // The line of a file converted: what went where and what the export
  // wrote and left out. Every part of the line is added here.
  std::string DoneLine(const std::string& file, const std::string& output,
                       const ExportOutcome& exported) const {
    std::string tracks;
    for (int nTrack : exported.tracks) {
      tracks += (tracks.empty() ? "" : ",") + std::to_string(nTrack);
    }
    std::string line = file + " -> " + OutputName(output) + ": " +
                       std::to_string(exported.nSize) + " bytes, " +
                       std::to_string(exported.nKeyFrames) + " keyframes, tracks " + tracks;
    // What a player will see depends on these two, which the conversion
    // sets otherwise than the console does.
    const ExportSettings& settings = m_processor.GetExportSettings();
    line += std::string(", layout ") + (settings.bFullLayout ? "full" : "bones") +
            ", motion " + (settings.bSteps ? "steps" : "classic");
    if (!exported.strDropped.empty()) line += ", " + exported.strDropped;
    return line;
  }

  const ConsoleOptions& m_options;
  bool m_bStandardOutput;
  FILE* m_out;
  FILE* m_err;
  // Without a buffer: what the operations print goes nowhere.
  ConsoleOutput m_console;
  CommandProcessor m_processor;
  std::unordered_set<FileIdentity, FileIdentityHash> m_inputs;
  // The outputs written so far.
  std::unordered_set<FileIdentity, FileIdentityHash> m_outputs;
};

}  // namespace

int ConvertFiles(const ConsoleOptions& options, const StartSettings& start, FILE* out,
                 FILE* err) {
  FileConverter converter(options, start, out, err);
  bool bAllDone = true;
  for (const std::string& file : options.files) {
    if (!converter.Convert(file)) bAllDone = false;
    std::fflush(out);
    std::fflush(err);
  }
  return bAllDone ? kExitOk : kExitFailure;
}
