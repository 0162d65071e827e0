#include "app/console_options.h"

#include <getopt.h>

#include <iterator>
#include <set>

#include "app/command_line.h"
#include "commands/setting_words.h"
#include "commands/settings_file.h"
#include "console/display_width.h"
#include "files/status.h"
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

// Sets every --WORD VALUE over the settings in *pStart, in the order
// given, so the last of a word wins; the bones are checked apart, once all
// are in (RefuseBoneClash). Fails on the first value refused, with
// nothing more set.
Status ApplySettingOptions(const ConsoleOptions& options, StartSettings* pStart) {
  for (const auto& [word, value] : options.settings) {
    SettingResult result =
        ApplySettingValue(word.c_str(), value.c_str(), &pStart->settings, false, &pStart->given);
    if (!result.IsApplied()) {
      return Status::Failed("invalid value '" + value + "' for --" + word + ": " + result.Reason());
    }
  }
  return Status::Ok();
}

// Fails when a key bone and the pedal bone of start share a name, naming
// where each of the two came from: an option, the settings file (the
// words in saved) or the default.
Status RefuseBoneClash(const ConsoleOptions& options, const StartSettings& start,
                       const std::set<std::string>& saved) {
  std::string clash = BoneNameClash(start.settings);
  if (clash.empty()) return Status::Ok();
  auto source = [&](const std::string& word) {
    for (auto it = options.settings.rbegin(); it != options.settings.rend(); ++it) {
      if (it->first == word) return "--" + word + " " + it->second;
    }
    std::set<std::string> one = {word};
    std::string setting = SettingFileLines(start.settings, &one).at(0);
    if (saved.count(word) != 0) return setting + " from " + SettingsFilePath();
    return "the default " + setting;
  };
  // An option is named first; of two options, the one whose last comes
  // first.
  auto place = [&](const char* pszWord) {
    size_t nPlace = options.settings.size();  // after every option
    for (size_t i = 0; i < options.settings.size(); ++i) {
      if (options.settings[i].first == pszWord) nPlace = i;
    }
    return nPlace;
  };
  bool bKeysFirst = place("keys") < place("pedal");
  return Status::Failed(source(bKeysFirst ? "keys" : "pedal") + " clashes with " +
                        source(bKeysFirst ? "pedal" : "keys") + ": " + clash);
}

}  // namespace

std::string DescribeSettingOptions() {
  // The option, then what the word takes from column 25, wrapped before
  // column 80.
  constexpr size_t kColumn = 25;
  constexpr size_t kWidth = 79;
  std::string text;
  for (const SettingDescription& setting : DescribeSettings()) {
    std::string option = std::string("      --") + setting.pszWord + "=VALUE";
    if (option.size() >= kColumn) {
      text += option + "\n";
      option.clear();
    }
    for (const std::string& line :
         WrapToWidth(PadToWidth(option, kColumn) + setting.pszTakes, kWidth, kColumn)) {
      text += line + "\n";
    }
  }
  // "  FILEs are converted with layout full unless ...", wrapped likewise.
  std::string defaults;
  size_t nCount = std::size(kConversionDefaults);
  for (size_t i = 0; i < nCount; ++i) {
    defaults += std::string(i == 0 ? "" : i + 1 == nCount ? " and " : ", ") +
                kConversionDefaults[i].first + " " + kConversionDefaults[i].second;
  }
  for (const std::string& line :
       WrapToWidth("  FILEs are converted with " + defaults +
                       " unless an option or the saved settings say otherwise.",
                   kWidth, 2)) {
    text += line + "\n";
  }
  return text;
}

StartSettings ConversionSettings(const StartSettings& start) {
  StartSettings conversion = start;
  for (const auto& [pszWord, pszValue] : kConversionDefaults) {
    if (start.given.count(pszWord) != 0) continue;
    // Not given by the user: applied, but not marked as given.
    ApplySettingValue(pszWord, pszValue, &conversion.settings);
  }
  return conversion;
}

int ParseConsoleOptions(int argc, char** argv, ConsoleOptions* pOptions, StartSettings* pStart,
                        FILE* err) {
  const std::vector<SettingDescription> settingWords = DescribeSettings();
  std::vector<option> longOptions = {
      {"output", required_argument, nullptr, 'o'},
      {"directory", required_argument, nullptr, 'd'},
      {"track", required_argument, nullptr, 't'},
      {"list", no_argument, nullptr, kOptionList},
  };
  for (size_t i = 0; i < settingWords.size(); ++i) {
    longOptions.push_back({settingWords[i].pszWord, required_argument, nullptr,
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
        pOptions->settings.emplace_back(settingWords[nOption - kOptionSetting].pszWord, optarg);
        break;
    }
  }
  for (int i = optind; i < argc; ++i) pOptions->files.push_back(argv[i]);

  // A value a setting refuses is a wrong command line too; nothing has
  // started yet.
  const std::set<std::string> saved = pStart->given;
  Status status = ApplySettingOptions(*pOptions, pStart);
  if (!status.IsOk()) return RefuseUsage(kConsoleUsage, status.Message().c_str(), err);
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
  // Options that clash with the saved settings are a wrong command line
  // too.
  status = RefuseBoneClash(*pOptions, *pStart, saved);
  if (!status.IsOk()) return RefuseUsage(kConsoleUsage, status.Message().c_str(), err);
  return kRunProgram;
}
