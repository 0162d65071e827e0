// The one-line conversion: each FILE goes through the command processor as
// a session would type it (Open, conv pr, export OUT [TRACK...], Close),
// with a console nobody sees. What the console says is kept only for
// --list; failures are told on standard error with the processor's own
// reasons, an output that can't be written by its own path.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/console_options.h"
#include "app/exit_status.h"
#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "commands/settings_file.h"
#include "console/console_output.h"
#include "console/edit_buffer.h"
#include "files/utf8_path.h"
#include "motion/vmd_writer.h"
#include "platform/file_identity.h"

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
    m_console.SetWriteListener([this](std::string_view text) { m_said.append(text); });
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
    std::string unreachable;  // why the output's path can't be followed
    if (!m_options.bList) {
      output = OutputOf(m_options, file);
      std::string problem = m_bStandardOutput ? "" : OutputProblem(output, &unreachable);
      if (!problem.empty()) return Refuse(file, problem);
    }
    // An input that can't be read is told first: only then the output.
    bool bDone = Run(file, {"Open", file});
    if (bDone && m_options.bList) {
      bDone = Run(file, {"info"});
      if (bDone) std::fprintf(m_out, "%s:\n%s", file.c_str(), Lines(m_said).c_str());
    } else if (bDone && !unreachable.empty()) {
      bDone = Refuse(file, unreachable);
    } else if (bDone) {
      std::vector<std::string> exportLine = {"export", output};
      exportLine.insert(exportLine.end(), m_options.tracks.begin(), m_options.tracks.end());
      bDone = Run(file, {"conv", "pr"}) && Run(file, exportLine);
      if (bDone) {
        if (!m_bStandardOutput) RememberOutput(output);
        std::fprintf(m_out, "%s\n", DoneLine(file, output).c_str());
      }
    }
    Run(file, {"Close"});
    return bDone;
  }

 private:
  // Dispatches one line; tells its warnings, and its failure, on err.
  bool Run(const std::string& file, const std::vector<std::string>& words) {
    CommandArgs args;
    args.Assign(words);
    m_said.clear();
    bool bDone = m_processor.Dispatch(&args) != 0;
    const CommandOutcome& outcome = m_processor.GetOutcome();
    for (const std::string& warning : outcome.warnings) {
      std::fprintf(m_err, "sonomot-console: %s: warning: %s\n", file.c_str(), warning.c_str());
    }
    if (!bDone) {
      std::string message = outcome.strMessage;
      if (!outcome.strReason.empty()) message += " (" + outcome.strReason + ")";
      // The writer's failures are the output's, not the input's.
      int nWritten = m_processor.GetLastExportSize();
      if (words[0] == "export" &&
          (nWritten == VmdWriter::kCannotOpen || nWritten == VmdWriter::kCannotWrite)) {
        message = CannotWrite(words[1], outcome.strReason);
      }
      Refuse(file, message);
    }
    return bDone;
  }

  // "can't write OUT (REASON)".
  std::string CannotWrite(const std::string& output, const std::string& reason) const {
    std::string message = "can't write " + OutputName(output);
    return reason.empty() ? message : message + " (" + reason + ")";
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
  std::string OutputProblem(const std::string& output, std::string* pUnreachable) const {
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
  std::string DoneLine(const std::string& file, const std::string& output) const {
    std::string tracks;
    for (int nTrack : m_processor.GetLastExportTracks()) {
      tracks += (tracks.empty() ? "" : ",") + std::to_string(nTrack);
    }
    std::string line = file + " -> " + OutputName(output) + ": " +
                       std::to_string(m_processor.GetLastExportSize()) + " bytes, " +
                       std::to_string(m_processor.GetLastExportKeyFrameCount()) +
                       " keyframes, tracks " + tracks;
    // What a player will see depends on these two, which the conversion
    // sets otherwise than the console does.
    const ExportSettings& settings = m_processor.GetExportSettings();
    line += std::string(", layout ") + (settings.bFullLayout ? "full" : "bones") +
            ", motion " + (settings.bSteps ? "steps" : "classic");
    if (!m_processor.GetLastExportDropped().empty()) {
      line += ", " + m_processor.GetLastExportDropped();
    }
    return line;
  }

  // The console's text as lines ending in LF.
  static std::string Lines(const std::string& text) {
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      lines += text[i];
    }
    return lines;
  }

  const ConsoleOptions& m_options;
  bool m_bStandardOutput;
  FILE* m_out;
  FILE* m_err;
  EditBuffer m_buffer;
  ConsoleOutput m_console{&m_buffer};
  std::string m_said;
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
