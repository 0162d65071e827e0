#include "app/console_options.h"

#include <getopt.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <set>

#include "app/command_line.h"
#include "commands/command_processor.h"
#include "commands/setting_words.h"
#include "commands/settings_file.h"
#include "motion/bone_names.h"

namespace {

// What the one-line conversion writes unless the saved settings or an
// option say otherwise: what players need. The console keeps the classic
// defaults.
constexpr std::pair<const char*, const char*> kConversionDefaults[] = {
    {"layout", "full"},
    {"motion", "steps"},
};

// getopt_long's values of the options without a short form.
enum : int {
  kOptionList = 0x100,
  kOptionSetting = 0x200,  // + the setting word's index
};

// A track list: numbers of ASCII digits separated by commas, nine at most
// so that each fits an int.
bool SplitTrackList(const char* pszList, std::vector<int>* pTracks) {
  std::string number;
  for (const char* p = pszList;; ++p) {
    if (*p == ',' || *p == '\0') {
      if (number.empty() || number.size() > 9) return false;
      pTracks->push_back(std::stoi(number));
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
  // "  FILEs are converted with layout full unless ...", wrapped likewise.
  std::string defaults;
  size_t nCount = std::size(kConversionDefaults);
  for (size_t i = 0; i < nCount; ++i) {
    defaults += std::string(i == 0 ? "" : i + 1 == nCount ? " and " : ", ") +
                kConversionDefaults[i].first + " " + kConversionDefaults[i].second;
  }
  std::string sentence = "FILEs are converted with " + defaults +
                         " unless an option or the saved settings say otherwise.";
  std::string line = " ";
  for (size_t nAt = 0; nAt < sentence.size();) {
    size_t nEnd = sentence.find(' ', nAt);
    if (nEnd == std::string::npos) nEnd = sentence.size();
    std::string word = sentence.substr(nAt, nEnd - nAt);
    if (line.size() + 1 + word.size() > kWidth) {
      text += line + "\n";
      line = " ";
    }
    line += " " + word;
    nAt = nEnd + 1;
  }
  return text + line + "\n";
}

bool ApplySettingOptions(const ConsoleOptions& options, StartSettings* pStart,
                         std::string* pReason) {
  const std::set<std::string> saved = pStart->given;
  std::vector<std::string> order;  // the options' words, by the place of each one's last
  for (const auto& [word, value] : options.settings) {
    std::vector<std::string> lines;
    if (ApplySettingValue(word.c_str(), value.c_str(), &pStart->settings, &lines, false,
                          &pStart->given) != SettingOutcome::kApplied) {
      *pReason = "invalid value '" + value + "' for --" + word + ": " + RefusalReason(lines);
      return false;
    }
    std::erase(order, word);
    order.push_back(word);
  }
  std::string clash = BoneNameClash(pStart->settings);
  if (clash.empty()) return true;
  // Where the key and the pedal bones' names came from.
  auto source = [&](const std::string& word) {
    for (auto it = options.settings.rbegin(); it != options.settings.rend(); ++it) {
      if (it->first == word) return "--" + word + " " + it->second;
    }
    std::set<std::string> one = {word};
    std::string setting = SettingFileLines(pStart->settings, &one).at(0);
    if (saved.count(word) != 0) return setting + " from " + SettingsFilePath();
    return "the default " + setting;
  };
  // An option is named first; of two options, the one given first.
  auto place = [&](const char* pszWord) { return std::find(order.begin(), order.end(), pszWord); };
  bool bKeysFirst = place("keys") < place("pedal");
  *pReason = source(bKeysFirst ? "keys" : "pedal") + " clashes with " +
             source(bKeysFirst ? "pedal" : "keys") + ": " + clash;
  return false;
}

StartSettings ConversionSettings(const StartSettings& start) {
  StartSettings conversion = start;
  for (const auto& [pszWord, pszValue] : kConversionDefaults) {
    if (start.given.count(pszWord) != 0) continue;
    // Not given by the user: applied, but not marked as given.
    std::vector<std::string> lines;
    ApplySettingValue(pszWord, pszValue, &conversion.settings, &lines);
  }
  return conversion;
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
      // An empty name would count as none given: two FILEs with -o ''
      // would each be written beside itself.
      case 'o':
        if (*optarg == '\0') return RefuseUsage(kConsoleUsage, "-o names no file (OUT is empty)", err);
        pOptions->strOutput = optarg;
        break;
      case 'd':
        if (*optarg == '\0') {
          return RefuseUsage(kConsoleUsage, "-d names no folder (DIR is empty)", err);
        }
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
  // started yet. Whether the bones clash is asked once the options are
  // set over the saved settings (ApplySettingOptions).
  for (const auto& [word, value] : pOptions->settings) {
    ExportSettings check;
    std::vector<std::string> lines;
    if (ApplySettingValue(word.c_str(), value.c_str(), &check, &lines, false) !=
        SettingOutcome::kApplied) {
      std::string reason = "invalid value '" + value + "' for --" + word + ": " +
                           RefusalReason(lines);
      return RefuseUsage(kConsoleUsage, reason.c_str(), err);
    }
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
