// The settings of "conf>": each word sets one choice of every later export,
// "reset" brings them all back, and "show" lists them. A value that can't be
// used prints "invalid value." and what the word accepts, and changes
// nothing. Names are checked here against the file's text fields, so that
// every name the writer gets fits its field with its terminating 0x00.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "motion/export_settings.h"

namespace {

// True if psz is 1 to nMax bytes of printable ASCII; a blank only when
// bBlankAllowed.
bool IsPrintableName(const char* psz, int nMax, bool bBlankAllowed) {
  size_t nLength = strlen(psz);
  if (nLength == 0 || nLength > static_cast<size_t>(nMax)) return false;
  for (const char* p = psz; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c > 0x7E || c < 0x20 || (c == 0x20 && !bBlankAllowed)) return false;
  }
  return true;
}

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

struct SettingLine {
  std::string strValue;
  std::string strMeaning;
};

// One word of "conf>": what it accepts, how it reads its value into the
// settings (false, leaving them as they were, for a bad value), and how it
// shows itself.
struct SettingWord {
  const char* pszWord;
  const char* pszAccepts;
  bool (*pfnSet)(const CommandArgs& args, ExportSettings* pSettings);
  SettingLine (*pfnShow)(const ExportSettings& settings);
};

const SettingWord kSettingWords[] = {
    {"layout", "layout takes bones or full.",
     [](const CommandArgs& args, ExportSettings* p) {
       if (!args.IsArg(1, "bones") && !args.IsArg(1, "full")) return false;
       p->bFullLayout = args.IsArg(1, "full");
       return true;
     },
     [](const ExportSettings& s) {
       return s.bFullLayout
                  ? SettingLine{"full", "bone keyframes, then five empty section counts"}
                  : SettingLine{"bones", "the file ends after the bone keyframes"};
     }},
    {"keys", "keys takes a prefix of 1 to 11 printable ASCII characters, no blank.",
     [](const CommandArgs& args, ExportSettings* p) {
       if (!IsPrintableName(args.GetArg(1), ExportSettings::kMaxKeyPrefix, false)) return false;
       p->strKeyPrefix = args.GetArg(1);
       return true;
     },
     [](const ExportSettings& s) {
       return SettingLine{s.strKeyPrefix,
                          "key bones " + s.strKeyPrefix + "000 to " + s.strKeyPrefix + "127"};
     }},
    {"pedal", "pedal takes a bone name of 1 to 14 printable ASCII characters, or off.",
     [](const CommandArgs& args, ExportSettings* p) {
       if (args.IsArg(1, "off")) {
         p->bPedal = false;
         return true;
       }
       if (!IsPrintableName(args.GetArg(1), ExportSettings::kMaxBoneName, true)) return false;
       p->bPedal = true;
       p->strPedalName = args.GetArg(1);
       return true;
     },
     [](const ExportSettings& s) {
       return s.bPedal ? SettingLine{s.strPedalName, "sustain pedal bone"}
                       : SettingLine{"off", "no sustain pedal keyframes"};
     }},
    {"angle", "angle takes degrees from -90 to 90, or default.",
     [](const CommandArgs& args, ExportSettings* p) {
       if (args.IsArg(1, "default")) {
         p->bDefaultAngle = true;
         return true;
       }
       double fDegrees = 0.0;
       if (!ParseDecimal(args.GetArg(1), &fDegrees) || fDegrees < -ExportSettings::kMaxAngle ||
           fDegrees > ExportSettings::kMaxAngle) {
         return false;
       }
       p->bDefaultAngle = false;
       p->fAngleDegrees = fDegrees;
       return true;
     },
     [](const ExportSettings& s) {
       if (s.bDefaultAngle) return SettingLine{"default", "key-down turn about X, -0.04 rad"};
       char sz[32];
       snprintf(sz, sizeof sz, "%.9g", s.fAngleDegrees);
       return SettingLine{sz, "key-down turn about X, in degrees"};
     }},
    {"transpose", "transpose takes whole semitones from -127 to 127.",
     [](const CommandArgs& args, ExportSettings* p) {
       return ParseWhole(args.GetArg(1), ExportSettings::kMaxTranspose, &p->nTranspose);
     },
     [](const ExportSettings& s) {
       return SettingLine{std::to_string(s.nTranspose), "semitones added to every key"};
     }},
    {"model", "model takes a name of 1 to 19 printable ASCII characters.",
     [](const CommandArgs& args, ExportSettings* p) {
       if (!IsPrintableName(args.GetArg(1), ExportSettings::kMaxModelName, true)) return false;
       p->strModelName = args.GetArg(1);
       return true;
     },
     [](const ExportSettings& s) { return SettingLine{s.strModelName, "model name in the file"}; }},
};

void ShowSetting(ConsoleOutput* pConsole, const SettingWord& word,
                 const ExportSettings& settings) {
  SettingLine line = word.pfnShow(settings);
  pConsole->WriteLine("%-10s%-20s%s", word.pszWord, line.strValue.c_str(),
                      line.strMeaning.c_str());
}

}  // namespace

int CommandProcessor::ShowConfig() {
  m_pConsole->WriteLine("this space show config");
  for (const SettingWord& word : kSettingWords) ShowSetting(m_pConsole, word, m_exportSettings);
  return 1;
}

bool CommandProcessor::DispatchSettingCommand() {
  const CommandArgs& args = *m_pArgs;
  if (args.IsCommand("reset", 1)) {
    m_exportSettings = ExportSettings();
    m_pConsole->WriteLine("settings reset to default.");
    return true;
  }
  for (const SettingWord& word : kSettingWords) {
    if (!args.IsCommand(word.pszWord, 1)) continue;
    // The value is read into a copy, so a bad one leaves every setting as
    // it was.
    ExportSettings settings = m_exportSettings;
    if (args.GetCount() < 2 || !word.pfnSet(args, &settings)) {
      std::string strAccepts = word.pszAccepts;
      if (!strAccepts.empty() && strAccepts.back() == '.') strAccepts.pop_back();
      Fail("invalid value.", strAccepts);
      m_pConsole->WriteLine("%s", word.pszAccepts);
      return true;
    }
    m_exportSettings = settings;
    ShowSetting(m_pConsole, word, m_exportSettings);
    return true;
  }
  return false;
}

std::vector<std::string> CommandProcessor::GetSettingWords() {
  std::vector<std::string> words;
  for (const SettingWord& word : kSettingWords) words.push_back(word.pszWord);
  return words;
}

std::string CommandProcessor::DescribeSetting(const std::string& strWord) {
  for (const SettingWord& word : kSettingWords) {
    if (strWord == word.pszWord) return word.pszAccepts;
  }
  return std::string();
}

int CommandProcessor::ApplySetting(const char* pszWord, const char* pszValue) {
  CommandArgs args;
  args.Assign({pszWord, pszValue});
  CommandArgs* pSaved = m_pArgs;
  m_pArgs = &args;
  m_outcome = CommandOutcome();
  // Set from the command line, not typed: the console shows nothing.
  ConsoleOutput* pConsole = m_pConsole;
  ConsoleOutput inert;
  m_pConsole = &inert;
  bool bSetting = false;
  for (const SettingWord& word : kSettingWords) bSetting = bSetting || args.IsCommand(word.pszWord, 1);
  if (!bSetting) {
    Fail("invalid command.", std::string(pszWord) + " is no setting");
  } else {
    DispatchSettingCommand();
  }
  m_pArgs = pSaved;
  m_pConsole = pConsole;
  return m_outcome.bFailed ? 0 : 1;
}
