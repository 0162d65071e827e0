#include "app/console_options.h"

#include <getopt.h>

#include <cstring>

#include "app/command_line.h"
#include "commands/command_processor.h"
#include "console/console_output.h"

namespace {

// getopt_long's values of the options without a short form.
enum : int {
  kOptionList = 0x100,
  kOptionSetting = 0x200,  // + the setting word's index
};

// A track list: numbers of ASCII digits separated by commas.
bool SplitTrackList(const char* pszList, std::vector<std::string>* pTracks) {
  std::string number;
  for (const char* p = pszList;; ++p) {
    if (*p == ',' || *p == '\0') {
      if (number.empty() || number.size() > 9) return false;
      pTracks->push_back(number);
      number.clear();
      if (*p == '\0') return true;
    } else if (*p >= '0' && *p <= '9') {
      number += *p;
    } else {
      return false;
    }
  }
}

}  // namespace

std::string DescribeSettingOptions() {
  // The option, then what the word takes from column 25, wrapped before
  // column 80 ("layout takes bones or full." shown as "takes bones or
  // full.").
  constexpr size_t kColumn = 25;
  constexpr size_t kWidth = 79;
  std::string text;
  for (const std::string& word : CommandProcessor::GetSettingWords()) {
    std::string line = "      --" + word + "=VALUE";
    line += line.size() < kColumn ? std::string(kColumn - line.size(), ' ')
                                  : "\n" + std::string(kColumn, ' ');
    std::string takes = CommandProcessor::DescribeSetting(word);
    if (takes.compare(0, word.size() + 1, word + " ") == 0) takes.erase(0, word.size() + 1);
    size_t nLineStart = line.rfind('\n') == std::string::npos ? 0 : line.rfind('\n') + 1;
    size_t nAt = 0;
    while (nAt < takes.size()) {
      size_t nRoom = kWidth - (line.size() - nLineStart);
      size_t nEnd = takes.size();
      if (nEnd - nAt > nRoom) {
        nEnd = takes.rfind(' ', nAt + nRoom);
        if (nEnd == std::string::npos || nEnd <= nAt) nEnd = nAt + nRoom;
      }
      line += takes.substr(nAt, nEnd - nAt);
      nAt = nEnd;
      while (nAt < takes.size() && takes[nAt] == ' ') ++nAt;
      if (nAt < takes.size()) {
        line += "\n";
        nLineStart = line.size();
        line += std::string(kColumn, ' ');
      }
    }
    text += line + "\n";
  }
  return text;
}

bool ApplySettingOptions(const ConsoleOptions& options, CommandProcessor* pProcessor,
                         std::string* pReason) {
  for (const auto& [word, value] : options.settings) {
    if (!pProcessor->ApplySetting(word.c_str(), value.c_str())) {
      *pReason = "invalid value '" + value + "' for --" + word + ": " +
                 pProcessor->GetOutcome().strReason;
      return false;
    }
  }
  return true;
}

int ParseConsoleOptions(int argc, char** argv, ConsoleOptions* pOptions, FILE* err) {
  const std::vector<std::string> settingWords = CommandProcessor::GetSettingWords();
  std::vector<option> longOptions = {
      {"output", required_argument, nullptr, 'o'},
      {"directory", required_argument, nullptr, 'd'},
      {"track", required_argument, nullptr, 't'},
      {"list", no_argument, nullptr, kOptionList},
  };
  for (size_t i = 0; i < settingWords.size(); ++i) {
    longOptions.push_back({settingWords[i].c_str(), required_argument, nullptr,
                           kOptionSetting + static_cast<int>(i)});
  }
  longOptions.push_back({nullptr, 0, nullptr, 0});

  // --help and --version are answered before this; our own messages, in
  // the words the programs have always used, replace getopt's.
  opterr = 0;
  optind = 0;  // a full restart, so the parse can run more than once
  int nOption;
  while ((nOption = getopt_long(argc, argv, ":o:d:t:", longOptions.data(), nullptr)) != -1) {
    switch (nOption) {
      case 'o':
        pOptions->strOutput = optarg;
        break;
      case 'd':
        pOptions->strDirectory = optarg;
        break;
      case 't':
        if (!SplitTrackList(optarg, &pOptions->tracks)) {
          std::string message = std::string("invalid track list '") + optarg +
                                "' (track numbers, 0 for the first, separated by commas)";
          return RefuseUsage(kConsoleUsage, message.c_str(), err);
        }
        break;
      case kOptionList:
        pOptions->bList = true;
        break;
      case ':': {
        std::string message = std::string("option '") + argv[optind - 1] +
                              "' requires an argument";
        return RefuseUsage(kConsoleUsage, message.c_str(), err);
      }
      case '?': {
        std::string offending = optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                            : std::string(argv[optind - 1]);
        std::string message = "unrecognized option '" + offending + "'";
        return RefuseUsage(kConsoleUsage, message.c_str(), err);
      }
      default:
        pOptions->settings.emplace_back(settingWords[nOption - kOptionSetting], optarg);
        break;
    }
  }
  for (int i = optind; i < argc; ++i) pOptions->files.push_back(argv[i]);

  // A value a setting refuses is a wrong command line too; nothing has
  // started yet.
  ConsoleOutput inert;
  CommandProcessor check(&inert, nullptr);
  std::string reason;
  if (!ApplySettingOptions(*pOptions, &check, &reason)) {
    return RefuseUsage(kConsoleUsage, reason.c_str(), err);
  }
  if (pOptions->files.empty() &&
      (!pOptions->strOutput.empty() || !pOptions->strDirectory.empty() ||
       !pOptions->tracks.empty() || pOptions->bList)) {
    return RefuseUsage(kConsoleUsage, "no FILE given to convert or list", err);
  }
  if (!pOptions->strOutput.empty() && pOptions->files.size() > 1) {
    return RefuseUsage(kConsoleUsage, "-o names the output of one FILE only", err);
  }
  if (!pOptions->strOutput.empty() && !pOptions->strDirectory.empty()) {
    return RefuseUsage(kConsoleUsage, "-o and -d can't be given together", err);
  }
  return kRunProgram;
}
