#include "motion/bone_names.h"

#include <cstdio>
#include <map>

#include "midilib/cp932.h"
#include "motion/track_summary.h"

namespace {

// The piano's 88 keys: A0 (key 21) to C8 (key 108).
constexpr int kFirstPianoKey = 21;
constexpr int kLastPianoKey = 108;

struct PlaceholderText {
  const char* pszText;
  KeyPlaceholder placeholder;
};
constexpr PlaceholderText kPlaceholders[] = {{"{nnn}", KeyPlaceholder::kNnn},
                                             {"{n}", KeyPlaceholder::kN},
                                             {"{note}", KeyPlaceholder::kNote},
                                             {"{piano}", KeyPlaceholder::kPiano}};

}  // namespace

bool ToShiftJis(const std::string& strUtf8, std::string* pOut) {
  return Utf8ToShiftJis(strUtf8.data(), strUtf8.size(), pOut);
}

std::string NameProblem(const std::string& strUtf8, int nMaxBytes) {
  if (strUtf8.empty()) return "it is empty";
  for (unsigned char c : strUtf8) {
    if (c < 0x20 || c == 0x7F) return "it holds a control character";
  }
  std::string strShiftJis;
  if (!ToShiftJis(strUtf8, &strShiftJis)) return "it has no Shift-JIS form";
  if (strShiftJis.size() > static_cast<size_t>(nMaxBytes)) {
    return "it is " + std::to_string(strShiftJis.size()) + " Shift-JIS bytes, above " +
           std::to_string(nMaxBytes);
  }
  return "";
}

int ParseKey(const std::string& str) {
  if (str.empty() || str.size() > 4) return -1;
  if (str.find_first_not_of("0123456789") == std::string::npos) {
    int nKey = std::stoi(str);
    return nKey <= 127 ? nKey : -1;
  }
  static constexpr int kSteps[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  char cLetter = str[0];
  if (cLetter >= 'a' && cLetter <= 'g') cLetter = static_cast<char>(cLetter - 'a' + 'A');
  if (cLetter < 'A' || cLetter > 'G') return -1;
  int nKey = kSteps[cLetter - 'A'];
  size_t i = 1;
  if (i < str.size() && (str[i] == '#' || str[i] == 'b')) {
    nKey += str[i] == '#' ? 1 : -1;
    ++i;
  }
  bool bNegative = i < str.size() && str[i] == '-';
  if (bNegative) ++i;
  if (i + 1 != str.size() || str[i] < '0' || str[i] > '9') return -1;
  int nOctave = bNegative ? -(str[i] - '0') : str[i] - '0';
  nKey += (nOctave + 1) * 12;
  return nKey >= 0 && nKey <= 127 ? nKey : -1;
}

bool FindKeyPlaceholder(const std::string& strKeys, KeyPlaceholder* pPlaceholder) {
  *pPlaceholder = KeyPlaceholder::kNone;
  size_t nOpen = strKeys.find('{');
  size_t nClose = strKeys.find('}');
  if (nOpen == std::string::npos && nClose == std::string::npos) return true;
  if (nOpen == std::string::npos || nClose == std::string::npos || nClose < nOpen ||
      strKeys.find('{', nOpen + 1) != std::string::npos ||
      strKeys.find('}', nClose + 1) != std::string::npos) {
    return false;
  }
  std::string strInside = strKeys.substr(nOpen, nClose - nOpen + 1);
  for (const PlaceholderText& p : kPlaceholders) {
    if (strInside == p.pszText) {
      *pPlaceholder = p.placeholder;
      return true;
    }
  }
  return false;
}

std::string KeyBoneName(const ExportSettings& settings, int nKey) {
  if (!settings.strKeyMapPath.empty()) {
    return static_cast<size_t>(nKey) < settings.keyMapNames.size()
               ? settings.keyMapNames[static_cast<size_t>(nKey)]
               : std::string();
  }
  KeyPlaceholder placeholder;
  char sz[8];
  if (!FindKeyPlaceholder(settings.strKeyPrefix, &placeholder) ||
      placeholder == KeyPlaceholder::kNone) {
    snprintf(sz, sizeof sz, "%03d", nKey);
    return settings.strKeyPrefix + sz;
  }
  std::string strFilled;
  switch (placeholder) {
    case KeyPlaceholder::kNnn:
      snprintf(sz, sizeof sz, "%03d", nKey);
      strFilled = sz;
      break;
    case KeyPlaceholder::kN:
      strFilled = std::to_string(nKey);
      break;
    case KeyPlaceholder::kNote:
      strFilled = NoteName(nKey);
      break;
    case KeyPlaceholder::kPiano:
      if (nKey < kFirstPianoKey || nKey > kLastPianoKey) return "";
      strFilled = std::to_string(nKey - kFirstPianoKey + 1);
      break;
    case KeyPlaceholder::kNone:
      break;
  }
  size_t nOpen = settings.strKeyPrefix.find('{');
  size_t nClose = settings.strKeyPrefix.find('}');
  return settings.strKeyPrefix.substr(0, nOpen) + strFilled +
         settings.strKeyPrefix.substr(nClose + 1);
}

bool NamesEveryKey(const ExportSettings& settings) {
  for (int nKey = 0; nKey < 128; ++nKey) {
    if (KeyBoneName(settings, nKey).empty()) return false;
  }
  return true;
}

std::string BoneNameClash(const ExportSettings& settings) {
  // Compared as the file stores them: two texts with one Shift-JIS form
  // are one name to a reader.
  std::map<std::string, int> owners;  // Shift-JIS name -> key, 128 the pedal
  auto describe = [](int nOwner) {
    return nOwner == 128 ? std::string("the pedal") : "key " + std::to_string(nOwner);
  };
  for (int nOwner = 0; nOwner <= 128; ++nOwner) {
    std::string strName;
    if (nOwner < 128) {
      strName = KeyBoneName(settings, nOwner);
    } else if (settings.bPedal) {
      strName = settings.strPedalName;
    }
    if (strName.empty()) continue;
    std::string strShiftJis;
    if (!ToShiftJis(strName, &strShiftJis)) strShiftJis = strName;
    auto [it, bNew] = owners.emplace(strShiftJis, nOwner);
    if (!bNew) {
      return describe(it->second) + " and " + describe(nOwner) + " would both be named " +
             strName;
    }
  }
  return "";
}
