// The one-line conversion: each FILE goes through the command processor as
// a session would type it (Open, conv pr, export OUT [TRACK...], Close),
// with a console nobody sees. What the console says is kept only for
// --list; failures are told on standard error with the processor's own
// reasons.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/console_options.h"
#include "app/exit_status.h"
#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "commands/settings_file.h"
#include "console/console_output.h"
#include "console/edit_buffer.h"

namespace {

namespace fs = std::filesystem;

// Where FILE's motion goes: -o, or FILE with .vmd in place of its
// extension, beside it or in -d's folder.
std::string OutputOf(const ConsoleOptions& options, const std::string& file) {
  if (!options.strOutput.empty()) return options.strOutput;
  fs::path output(file);
  output.replace_extension(".vmd");
  if (!options.strDirectory.empty()) output = fs::path(options.strDirectory) / output.filename();
  return output.string();
}

// True if the two paths name one file: the same file when both exist,
// else the same absolute path once "." and ".." and links are resolved.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
  fs::path pathA = fs::weakly_canonical(fs::absolute(a, ec), ec);
  fs::path pathB = fs::weakly_canonical(fs::absolute(b, ec), ec);
  return pathA == pathB;
}

class FileConverter {
 public:
  FileConverter(const ConsoleOptions& options, const StartSettings& start, FILE* out, FILE* err)
      : m_options(options), m_out(out), m_err(err), m_processor(&m_console, nullptr) {
    m_console.SetWriteListener([this](std::string_view text) { m_said.append(text); });
    for (const std::string& strLine : start.notices) {
      std::fprintf(err, "sonomot-console: %s\n", strLine.c_str());
    }
    StartSettings conversion = ConversionSettings(start);
    m_processor.SetExportSettings(conversion.settings, conversion.given);
  }

  // Converts (or lists) one file; false, with the reason on err, when it
  // failed.
  bool Convert(const std::string& file) {
    std::string output;
    if (!m_options.bList) {
      output = OutputOf(m_options, file);
      for (const std::string& input : m_options.files) {
        if (SameFile(output, input)) return Refuse(file, output + " would write over an input file");
      }
      for (const std::string& done : m_outputs) {
        if (SameFile(output, done)) return Refuse(file, output + " is the output of another file");
      }
    }
    bool bDone = Run(file, {"Open", file});
    if (bDone && m_options.bList) {
      bDone = Run(file, {"info"});
      if (bDone) std::fprintf(m_out, "%s:\n%s", file.c_str(), Lines(m_said).c_str());
    } else if (bDone) {
      std::vector<std::string> exportLine = {"export", output};
      exportLine.insert(exportLine.end(), m_options.tracks.begin(), m_options.tracks.end());
      bDone = Run(file, {"conv", "pr"}) && Run(file, exportLine);
      m_outputs.push_back(output);
      if (bDone) PrintDone(file, output);
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
      Refuse(file, message);
    }
    return bDone;
  }

  bool Refuse(const std::string& file, const std::string& message) {
    std::fprintf(m_err, "sonomot-console: %s: %s\n", file.c_str(), message.c_str());
    return false;
  }

  void PrintDone(const std::string& file, const std::string& output) {
    std::string tracks;
    for (int nTrack : m_processor.GetLastExportTracks()) {
      tracks += (tracks.empty() ? "" : ",") + std::to_string(nTrack);
    }
    std::fprintf(m_out, "%s -> %s: %d bytes, %llu keyframes, tracks %s\n", file.c_str(),
                 output.c_str(), m_processor.GetLastExportSize(),
                 static_cast<unsigned long long>(m_processor.GetLastExportKeyFrameCount()),
                 tracks.c_str());
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
  FILE* m_out;
  FILE* m_err;
  EditBuffer m_buffer;
  ConsoleOutput m_console{&m_buffer};
  std::string m_said;
  CommandProcessor m_processor;
  std::vector<std::string> m_outputs;
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
