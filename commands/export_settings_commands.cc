// The settings of "conf>": each word sets one choice of every later export,
// "reset" brings them all back, "show" lists them and "save" keeps them for
// later runs (commands/settings_file.h). A value that can't be used prints
// "invalid value." and what the word accepts, and changes nothing. Names are
// checked here against the file's text fields, in the Shift-JIS bytes the
// file stores, so that every name the writer gets fits its field with its
// terminating 0x00.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "commands/setting_words.h"
#include "console/console_output.h"
#include "console/display_width.h"
#include "files/utf8_path.h"
#include "motion/bone_names.h"
#include "motion/export_settings.h"
#include "motion/key_map.h"
#include "motion/track_summary.h"

namespace {

// A decimal number: an optional sign, digits, and an optional point with
// more digits; no exponent, no blanks.
bool ParseDecimal(const char* psz, double* pfValue) {
  bool bNegative = *psz == '-';
  if (*psz == '-' || *psz == '+') ++psz;
  const char* pEnd = psz + strlen(psz);
  const char* p = psz;
  int nDigits = 0;
  while (p < pEnd && *p >= '0' && *p <= '9') ++p, ++nDigits;
  if (p < pEnd && *p == '.') {
    ++p;
    while (p < pEnd && *p >= '0' && *p <= '9') ++p, ++nDigits;
  }
  if (nDigits == 0 || p != pEnd) return false;
  double fValue = 0.0;
  auto result = std::from_chars(psz, pEnd, fValue, std::chars_format::fixed);
  if (result.ec != std::errc() || result.ptr != pEnd) return false;
  // Adding 0 turns -0 into 0.
  *pfValue = (bNegative ? -fValue : fValue) + 0.0;
  return true;
}

// Degrees from -90 to 90, the way ParseDecimal reads them.
bool ParseDegrees(const char* psz, double* pfValue) {
  double fDegrees = 0.0;
  if (!ParseDecimal(psz, &fDegrees) || fDegrees < -ExportSettings::kMaxAngle ||
      fDegrees > ExportSettings::kMaxAngle) {
    return false;
  }
  *pfValue = fDegrees;
  return true;
}

// The shortest decimal, without exponent, that ParseDecimal reads back as
// exactly fValue (a tiny angle shows as 0.000...01, never as 1e-44).
std::string FormatDegrees(double fValue) {
  char sz[512];
  auto result = std::to_chars(sz, sz + sizeof sz - 1, fValue, std::chars_format::fixed);
  *result.ptr = '\0';
  return sz;
}

// Whole numbers with an optional sign, within -nLimit..nLimit.
bool ParseWhole(const char* psz, int nLimit, int* pnValue) {
  bool bNegative = *psz == '-';
  if (*psz == '-' || *psz == '+') ++psz;
  if (*psz == '\0') return false;
  long lValue = 0;
  for (; *psz; ++psz) {
    if (*psz < '0' || *psz > '9') return false;
    lValue = lValue * 10 + (*psz - '0');
    if (lValue > nLimit) return false;
  }
  *pnValue = static_cast<int>(bNegative ? -lValue : lValue);
  return true;
}

// What a setting shows: its value as words (typed back, they set it again)
// and what it means.
struct SettingLine {
  std::vector<std::string> values;
  std::string strMeaning;
};

// One word of "conf>": what it takes, how it reads its value into the
// settings (false, leaving them as they were, for a bad value; a reason
// beyond what the word accepts goes to *pstrReason), and how it shows
// itself. pszSecondWord: a value word after which the word takes one more.
struct SettingWord {
  const char* pszWord;
  const char* pszTakes;  // "takes bones or full.": what the word accepts, after the word
  const char* pszSecondWord;
  bool (*pfnSet)(const CommandArgs& args, ExportSettings* pSettings, std::string* pstrReason);
  SettingLine (*pfnShow)(const ExportSettings& settings);
};

// True when the name can't be used, with why in *pstrReason as a line
// that fits the console ("the model name is 20 Shift-JIS bytes, above
// 19."): strWhat, then the problem NameProblem tells of "it".
bool RefuseName(const std::string& strName, int nMaxBytes, const std::string& strWhat,
                std::string* pstrReason) {
  std::string strProblem = NameProblem(strName, nMaxBytes);
  if (strProblem.empty()) return false;
  if (strProblem.compare(0, 3, "it ") == 0) strProblem.erase(0, 3);
  *pstrReason = strWhat + " " + strProblem + ".";
  return true;
}

bool SetKeys(const CommandArgs& args, ExportSettings* p, std::string* pstrReason) {
  // "map" alone names no file; it is no prefix either.
  if (args.GetCount() == 2 && args.IsArg(1, "map")) return false;
  if (args.GetCount() == 3) {
    // keys map FILE. The path is kept whole, so that the map read again at
    // the next start is the same file wherever the program starts.
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(PathFromUtf8(args.GetArg(2)), error);
    if (error || *args.GetArg(2) == '\0') return false;
    std::vector<std::string> names;
    if (!LoadKeyMap(args.GetArg(2), &names, pstrReason)) return false;
    p->strKeyMapPath = Utf8FromPath(path.lexically_normal());
    p->keyMapNames = std::move(names);
    return true;
  }
  ExportSettings settings = *p;
  settings.strKeyPrefix = args.GetArg(1);
  settings.strKeyMapPath.clear();
  settings.keyMapNames.clear();
  KeyPlaceholder placeholder;
  if (!FindKeyPlaceholder(settings.strKeyPrefix, &placeholder)) return false;
  if (placeholder == KeyPlaceholder::kNone &&
      RefuseName(settings.strKeyPrefix, ExportSettings::kMaxKeyPrefix, "the prefix", pstrReason)) {
    return false;
  }
  for (int nKey = 0; nKey < 128; ++nKey) {
    std::string strName = KeyBoneName(settings, nKey);
    if (!strName.empty() &&
        RefuseName(strName, ExportSettings::kMaxBoneName,
                   "the name of key " + std::to_string(nKey) + " (" + NoteName(nKey) + ")",
                   pstrReason)) {
      return false;
    }
  }
  *p = std::move(settings);
  return true;
}

SettingLine ShowKeys(const ExportSettings& s) {
  if (!s.strKeyMapPath.empty()) {
    int nListed = 0;
    for (const std::string& strName : s.keyMapNames) nListed += strName.empty() ? 0 : 1;
    return SettingLine{{"map", s.strKeyMapPath},
                       "key bones of the map, " + std::to_string(nListed) + " keys"};
  }
  std::string strFirst, strLast;
  for (int nKey = 0; nKey < 128; ++nKey) {
    std::string strName = KeyBoneName(s, nKey);
    if (strName.empty()) continue;
    if (strFirst.empty()) strFirst = strName;
    strLast = strName;
  }
  return SettingLine{{s.strKeyPrefix},
                     "key bones " + strFirst + " to " + strLast +
                         (NamesEveryKey(s) ? "" : ", other keys dropped")};
}

const SettingWord kSettingWords[] = {
    {"layout", "takes bones or full.", nullptr,
     [](const CommandArgs& args, ExportSettings* p, std::string*) {
       if (!args.IsArg(1, "bones") && !args.IsArg(1, "full")) return false;
       p->bFullLayout = args.IsArg(1, "full");
       return true;
     },
     [](const ExportSettings& s) {
       return s.bFullLayout
                  ? SettingLine{{"full"}, "bone keyframes, then five empty section counts"}
                  : SettingLine{{"bones"}, "the file ends after the bone keyframes"};
     }},
    {"keys",
     "takes a prefix of 1 to 11 Shift-JIS bytes, a pattern with one of {nnn} {n} {note} "
     "{piano} making names of at most 14 bytes, or map and a file.",
     "map", SetKeys, ShowKeys},
    {"pedal", "takes a bone name of 1 to 14 Shift-JIS bytes, or off.", nullptr,
     [](const CommandArgs& args, ExportSettings* p, std::string* pstrReason) {
       if (args.IsArg(1, "off")) {
         p->bPedal = false;
         return true;
       }
       if (RefuseName(args.GetArg(1), ExportSettings::kMaxBoneName, "the bone name",
                      pstrReason)) {
         return false;
       }
       p->bPedal = true;
       p->strPedalName = args.GetArg(1);
       return true;
     },
     [](const ExportSettings& s) {
       return s.bPedal ? SettingLine{{s.strPedalName}, "sustain pedal bone"}
                       : SettingLine{{"off"}, "no sustain pedal keyframes"};
     }},
    {"angle", "takes degrees from -90 to 90, or default.", nullptr,
     [](const CommandArgs& args, ExportSettings* p, std::string*) {
       if (args.IsArg(1, "default")) {
         p->bDefaultAngle = true;
         return true;
       }
       if (!ParseDegrees(args.GetArg(1), &p->fAngleDegrees)) return false;
       p->bDefaultAngle = false;
       return true;
     },
     [](const ExportSettings& s) {
       if (s.bDefaultAngle) return SettingLine{{"default"}, "key-down turn about X, -0.04 rad"};
       return SettingLine{{FormatDegrees(s.fAngleDegrees)}, "key-down turn about X, in degrees"};
     }},
    {"transpose", "takes whole semitones from -127 to 127.", nullptr,
     [](const CommandArgs& args, ExportSettings* p, std::string*) {
       return ParseWhole(args.GetArg(1), ExportSettings::kMaxTranspose, &p->nTranspose);
     },
     [](const ExportSettings& s) {
       return SettingLine{{std::to_string(s.nTranspose)}, "semitones added to every key"};
     }},
    {"model", "takes a name of 1 to 19 Shift-JIS bytes.", nullptr,
     [](const CommandArgs& args, ExportSettings* p, std::string* pstrReason) {
       if (RefuseName(args.GetArg(1), ExportSettings::kMaxModelName, "the model name",
                      pstrReason)) {
         return false;
       }
       p->strModelName = args.GetArg(1);
       return true;
     },
     [](const ExportSettings& s) {
       return SettingLine{{s.strModelName}, "model name in the file"};
     }},
    {"velocity", "takes off or on.", nullptr,
     [](const CommandArgs& args, ExportSettings* p, std::string*) {
       if (!args.IsArg(1, "off") && !args.IsArg(1, "on")) return false;
       p->bVelocity = args.IsArg(1, "on");
       return true;
     },
     [](const ExportSettings& s) {
       return s.bVelocity
                  ? SettingLine{{"on"}, "key dip x (0.25 + 0.75 x velocity / 127)"}
                  : SettingLine{{"off"}, "every key dips the whole angle"};
     }},
    {"pedalangle", "takes degrees from -90 to 90, or default.", nullptr,
     [](const CommandArgs& args, ExportSettings* p, std::string*) {
       if (args.IsArg(1, "default")) {
         p->bDefaultPedalAngle = true;
         return true;
       }
       if (!ParseDegrees(args.GetArg(1), &p->fPedalAngleDegrees)) return false;
       p->bDefaultPedalAngle = false;
       return true;
     },
     [](const ExportSettings& s) {
       if (s.bDefaultPedalAngle) {
         return SettingLine{{"default"}, "pedal turn about X at 127, about -5.97 degrees"};
       }
       return SettingLine{{FormatDegrees(s.fPedalAngleDegrees)},
                          "pedal turn about X at 127, in degrees"};
     }},
    {"motion", "takes classic or steps.", nullptr,
     [](const CommandArgs& args, ExportSettings* p, std::string*) {
       if (!args.IsArg(1, "classic") && !args.IsArg(1, "steps")) return false;
       p->bSteps = args.IsArg(1, "steps");
       return true;
     },
     [](const ExportSettings& s) {
       return s.bSteps ? SettingLine{{"steps"}, "keys and pedal as steps, one keyframe a frame"}
                       : SettingLine{{"classic"}, "keyframes at and before each event"};
     }},
};

// A value as the settings file keeps it: as it is when it has no blank,
// '#', quote or line break and isn't empty; else in double quotes, with a
// backslash before each quote and backslash in it and line breaks as \n
// and \r.
std::string QuoteValue(const std::string& strValue) {
  if (!strValue.empty() && strValue.find_first_of(" \t#\"\r\n") == std::string::npos) {
    return strValue;
  }
  std::string str = "\"";
  for (char c : strValue) {
    if (c == '"' || c == '\\') {
      str += '\\';
      str += c;
    } else if (c == '\n') {
      str += "\\n";
    } else if (c == '\r') {
      str += "\\r";
    } else {
      str += c;
    }
  }
  return str + "\"";
}

std::string JoinValues(const std::vector<std::string>& values, bool bQuote) {
  std::string str;
  for (const std::string& strValue : values) {
    if (!str.empty()) str += ' ';
    str += bQuote ? QuoteValue(strValue) : strValue;
  }
  return str;
}

// Where a line of show puts the value and the meaning.
constexpr size_t kValueColumn = 10;
constexpr size_t kMeaningColumn = 30;

// The word in a column of 10, its value in one of 20, then the meaning;
// a column too narrow for its text is still followed by a blank. Columns
// are counted as shown, a Japanese name's characters two each.
std::string FormatShowLine(const SettingWord& word, const ExportSettings& settings) {
  SettingLine line = word.pfnShow(settings);
  std::string str = word.pszWord;
  str = DisplayWidth(str) < kValueColumn ? PadToWidth(str, kValueColumn) : str + ' ';
  str += JoinValues(line.values, false);
  str = DisplayWidth(str) < kMeaningColumn ? PadToWidth(str, kMeaningColumn) : str + ' ';
  return str + line.strMeaning;
}

// The setting word that argument 0 names ("reset" is none of them).
const SettingWord* FindWord(const CommandArgs& args) {
  for (const SettingWord& word : kSettingWords) {
    if (args.IsCommand(word.pszWord, 1)) return &word;
  }
  return nullptr;
}

// Applies args, whose argument 0 names word, as ApplySettingLine does.
SettingResult ApplyWord(const SettingWord& word, const CommandArgs& args,
                        ExportSettings* pSettings, bool bCheckClash,
                        std::set<std::string>* pGiven) {
  SettingResult result;
  result.pszWord = word.pszWord;
  auto refuse = [&](std::string strProblem) {
    result.outcome = SettingOutcome::kRefused;
    result.strAccepts = std::string(word.pszWord) + " " + word.pszTakes;
    result.strProblem = std::move(strProblem);
    return result;
  };
  if (args.GetCount() < 2) return refuse("");
  int nValues = word.pszSecondWord && args.IsArg(1, word.pszSecondWord) ? 2 : 1;
  if (args.GetCount() > 1 + nValues) {
    // The hint quotes the words that were meant as the last value.
    std::string strHint = std::string("A value with blanks goes in double quotes: ") +
                          word.pszWord + (nValues == 2 ? std::string(" ") + args.GetArg(1) : "") +
                          " \"";
    for (int i = nValues; i < args.GetCount(); ++i) {
      strHint += std::string(i > nValues ? " " : "") + args.GetArg(i);
    }
    return refuse(strHint + "\".");
  }
  // The value is read into a copy, so a bad one leaves every setting as it
  // was.
  ExportSettings settings = *pSettings;
  std::string strReason;
  if (!word.pfnSet(args, &settings, &strReason)) return refuse(strReason);
  std::string strClash = bCheckClash ? BoneNameClash(settings) : std::string();
  if (!strClash.empty()) return refuse(strClash + ".");
  *pSettings = std::move(settings);
  if (pGiven != nullptr) pGiven->insert(word.pszWord);
  result.outcome = SettingOutcome::kApplied;
  result.strShown = FormatShowLine(word, *pSettings);
  return result;
}

}  // namespace

std::string SettingResult::Reason() const {
  std::string strReason;
  for (std::string str : {strAccepts, strProblem}) {
    if (str.empty()) continue;
    if (str.back() == '.') str.pop_back();
    strReason += (strReason.empty() ? "" : "; ") + str;
  }
  return strReason;
}

std::vector<SettingDescription> DescribeSettings() {
  std::vector<SettingDescription> descriptions;
  for (const SettingWord& word : kSettingWords) {
    descriptions.push_back({word.pszWord, word.pszTakes});
  }
  return descriptions;
}

const char* FindSettingWord(const CommandArgs& args) {
  if (args.IsCommand("reset", 1)) return "reset";
  const SettingWord* pWord = FindWord(args);
  return pWord != nullptr ? pWord->pszWord : nullptr;
}

std::vector<std::string> SplitSettingLine(const std::string& strLine) {
  std::vector<std::string> words;
  std::string token;
  bool bInQuotes = false;
  bool bCloses = false;  // the quotes open now close on this line
  for (size_t i = 0; i < strLine.size(); ++i) {
    char c = strLine[i];
    if (c == '\0' || c == '\n' || c == '\r' || (c == '#' && !(bInQuotes && bCloses))) break;
    char cNext = i + 1 < strLine.size() ? strLine[i + 1] : '\0';
    if (bInQuotes && c == '\\' &&
        (cNext == '"' || cNext == '\\' || cNext == 'n' || cNext == 'r')) {
      ++i;
      token += cNext == 'n' ? '\n' : cNext == 'r' ? '\r' : cNext;
    } else if ((c == ' ' || c == '\t') && !bInQuotes) {
      if (!token.empty()) words.push_back(std::move(token));
      token.clear();
    } else if (c == '"') {
      if (bInQuotes || !token.empty()) words.push_back(std::move(token));
      token.clear();
      bInQuotes = !bInQuotes;
      if (bInQuotes) {
        // Where an unescaped quote closes them before the line ends.
        bCloses = false;
        for (size_t j = i + 1; j < strLine.size() && !bCloses; ++j) {
          if (strLine[j] == '\0' || strLine[j] == '\n' || strLine[j] == '\r') break;
          if (strLine[j] == '\\') {
            ++j;
          } else {
            bCloses = strLine[j] == '"';
          }
        }
      }
    } else {
      token += c;
    }
  }
  if (!token.empty()) words.push_back(std::move(token));
  return words;
}

SettingResult ApplySettingLine(const CommandArgs& args, ExportSettings* pSettings,
                               bool bCheckClash, std::set<std::string>* pGiven) {
  if (args.IsCommand("reset", 1)) {
    *pSettings = ExportSettings();
    if (pGiven != nullptr) pGiven->clear();
    SettingResult result;
    result.outcome = SettingOutcome::kApplied;
    result.pszWord = "reset";
    result.strShown = "settings reset to default.";
    return result;
  }
  const SettingWord* pWord = FindWord(args);
  if (pWord == nullptr) return SettingResult();
  return ApplyWord(*pWord, args, pSettings, bCheckClash, pGiven);
}

SettingResult ApplySettingValue(const char* pszWord, const char* pszValue,
                                ExportSettings* pSettings, bool bCheckClash,
                                std::set<std::string>* pGiven) {
  for (const SettingWord& word : kSettingWords) {
    if (std::strcmp(word.pszWord, pszWord) != 0) continue;
    // A value of two words is given as one ("map my keys.txt"): its first
    // word is the setting's second word.
    CommandArgs args;
    std::string strValue = pszValue;
    std::string strSecond = word.pszSecondWord != nullptr ? word.pszSecondWord : "";
    if (!strSecond.empty() && strValue.compare(0, strSecond.size() + 1, strSecond + " ") == 0) {
      args.Assign({pszWord, strSecond, strValue.substr(strSecond.size() + 1)});
    } else {
      args.Assign({pszWord, strValue});
    }
    return ApplyWord(word, args, pSettings, bCheckClash, pGiven);
  }
  return SettingResult();
}

std::vector<std::string> ShowSettingLines(const ExportSettings& settings) {
  std::vector<std::string> lines;
  for (const SettingWord& word : kSettingWords) lines.push_back(FormatShowLine(word, settings));
  return lines;
}

std::vector<std::string> SettingFileLines(const ExportSettings& settings,
                                          const std::set<std::string>* pGiven) {
  std::vector<std::string> lines;
  for (const SettingWord& word : kSettingWords) {
    if (pGiven != nullptr && pGiven->count(word.pszWord) == 0) continue;
    lines.push_back(std::string(word.pszWord) + " " +
                    JoinValues(word.pfnShow(settings).values, true));
  }
  return lines;
}

std::vector<std::string> ChangedSettingWords(const ExportSettings& before,
                                             const ExportSettings& after) {
  std::vector<std::string> words;
  for (const SettingWord& word : kSettingWords) {
    if (word.pfnShow(before).values != word.pfnShow(after).values) words.push_back(word.pszWord);
  }
  return words;
}

int CommandProcessor::ShowConfig() {
  m_pConsole->WriteLine("this space show config");
  for (const std::string& strLine : ShowSettingLines(m_exportSettings)) {
    WriteFitted(strLine, kMeaningColumn);
  }
  return 1;
}

void CommandProcessor::ApplySettingCommand(const CommandArgs& args) {
  SettingResult result = ApplySettingLine(args, &m_exportSettings, true, &m_givenSettings);
  if (result.IsApplied()) {
    // A value set is told as show tells it.
    WriteFitted(result.strShown, kMeaningColumn);
    return;
  }
  // The sentences after the answer say why: nothing more is shown.
  m_pConsole->WriteLine("invalid value.");
  KeepFailure("invalid value.", result.Reason());
  WriteFitted(result.strAccepts, 2);
  if (!result.strProblem.empty()) WriteFitted(result.strProblem, 2);
}
