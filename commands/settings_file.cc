#include "commands/settings_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "commands/setting_words.h"
#include "console/console_output.h"
#include "motion/bone_names.h"
#include "motion/output_file.h"
#include "platform/settings_folder.h"

namespace {

// A settings file holds a few short lines; anything far larger is no
// settings file of ours.
constexpr off_t kMaxSettingsBytes = 1 << 20;

}  // namespace

std::string SettingsFilePath() {
  std::string strFolder = GetSettingsFolder();
  return strFolder.empty() ? "" : strFolder + "settings";
}

StartSettings ReadSavedSettings() {
  StartSettings start;
  std::string strPath = SettingsFilePath();
  if (!strPath.empty()) start.notices = ReadSettingsFile(strPath, &start.settings, &start.given);
  return start;
}

std::vector<std::string> ReadSettingsFile(const std::string& strPath, ExportSettings* pSettings,
                                          std::set<std::string>* pGiven) {
  std::vector<std::string> report;
  struct stat st;
  if (stat(strPath.c_str(), &st) != 0) {
    if (errno != ENOENT) report.push_back(strPath + ": " + std::strerror(errno));
    return report;
  }
  if (!S_ISREG(st.st_mode) || st.st_size > kMaxSettingsBytes) {
    report.push_back(strPath + ": not a settings file");
    return report;
  }
  FILE* pFile = std::fopen(strPath.c_str(), "rb");
  if (!pFile) {
    report.push_back(strPath + ": " + std::strerror(errno));
    return report;
  }
  std::string strText;
  char buffer[4096];
  size_t nRead;
  while ((nRead = std::fread(buffer, 1, sizeof buffer, pFile)) > 0) strText.append(buffer, nRead);
  std::fclose(pFile);

  // The lines with words, and the last line of each setting word: only
  // that one is applied, so a file that names a key map a thousand times
  // loads it once. A "reset" line, applied in its place, still undoes
  // what the lines above it set.
  struct Line {
    int nLine;
    const char* pszWord;  // null: no setting word
    std::vector<std::string> words;
  };
  std::vector<Line> lines;
  std::map<std::string, size_t> lastOfWord;
  int nLine = 0;
  for (size_t nAt = 0; nAt < strText.size();) {
    size_t nEol = strText.find('\n', nAt);
    if (nEol == std::string::npos) nEol = strText.size();
    std::vector<std::string> words = SplitSettingLine(strText.substr(nAt, nEol - nAt));
    nAt = nEol + 1;
    ++nLine;
    if (words.empty()) continue;
    CommandArgs args;
    args.Assign(words);
    const char* pszWord = FindSettingWord(args);
    if (pszWord != nullptr) lastOfWord[pszWord] = lines.size();
    lines.push_back(Line{nLine, pszWord, std::move(words)});
  }

  const ExportSettings before = *pSettings;
  // Whether the key and pedal bones clash is asked once all are in, since
  // either line may come first.
  int nKeysLine = 0, nPedalLine = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    std::string strWhere = strPath + ":" + std::to_string(line.nLine) + ": ";
    if (line.pszWord == nullptr) {
      report.push_back(strWhere + line.words[0] + " is no setting");
      continue;
    }
    if (lastOfWord[line.pszWord] != i) continue;
    CommandArgs args;
    args.Assign(line.words);
    std::vector<std::string> told;
    if (ApplySettingLine(args, pSettings, &told, false, pGiven) == SettingOutcome::kRefused) {
      // "invalid value." and what the word accepts, on one line.
      std::string strReason;
      for (const std::string& str : told) strReason += (strReason.empty() ? "" : " ") + str;
      report.push_back(strWhere + strReason);
    } else if (std::strcmp(line.pszWord, "keys") == 0) {
      nKeysLine = line.nLine;
    } else if (std::strcmp(line.pszWord, "pedal") == 0) {
      nPedalLine = line.nLine;
    }
  }
  // Bones that clash once every line is in: the keys go back to what they
  // were, then, if that isn't enough, the pedal.
  std::string strClash = BoneNameClash(*pSettings);
  if (!strClash.empty() && nKeysLine > 0) {
    report.push_back(strPath + ":" + std::to_string(nKeysLine) + ": invalid value. " + strClash +
                     "; keys left as they were.");
    pSettings->strKeyPrefix = before.strKeyPrefix;
    pSettings->strKeyMapPath = before.strKeyMapPath;
    pSettings->keyMapNames = before.keyMapNames;
    if (pGiven != nullptr) pGiven->erase("keys");
    strClash = BoneNameClash(*pSettings);
  }
  if (!strClash.empty()) {
    report.push_back(strPath + ":" + std::to_string(nPedalLine) + ": invalid value. " + strClash +
                     "; pedal left as it was.");
    pSettings->bPedal = before.bPedal;
    pSettings->strPedalName = before.strPedalName;
    if (pGiven != nullptr) pGiven->erase("pedal");
  }
  std::vector<std::string> changed = ChangedSettingWords(before, *pSettings);
  if (!changed.empty()) {
    std::string strWords;
    for (const std::string& str : changed) strWords += (strWords.empty() ? "" : ", ") + str;
    report.push_back("settings from " + strPath + ": " + strWords + ".");
  }
  return report;
}

std::string WriteSettingsFile(const std::string& strPath, const ExportSettings& settings,
                              const std::set<std::string>& given) {
  std::string strText = "# Sonomot export settings, written by save in conf>\n";
  for (const std::string& strLine : SettingFileLines(settings, &given)) strText += strLine + "\n";
  if (!MakeFoldersAbove(strPath)) return std::strerror(errno);
  OutputFile output;
  if (!output.Open(strPath.c_str())) return "can't be opened for writing";
  // A device or a pipe would take the text and keep nothing.
  if (!output.IsRegularFile()) return "not a regular file";
  // One Write: over the old file in place, room for the whole text comes
  // first, and the file ends where the text ends.
  if (!output.Write(strText.data(), strText.size()) || !output.Commit()) {
    return "can't be written";
  }
  return "";
}

int CommandProcessor::SaveSettings() {
  const CommandArgs& args = *m_pArgs;
  std::string strPath = SettingsFilePath();
  if (args.GetCount() > 1) {
    m_pConsole->WriteLine("invalid value.");
    KeepFailure("invalid value.", "save takes no value");
    WriteFitted("save takes no value; the settings go to " +
                    (strPath.empty() ? std::string("~/.config/sonomot/settings") : strPath) + ".",
                2);
    return 0;
  }
  if (strPath.empty()) {
    Fail("Cannot save settings: neither XDG_CONFIG_HOME nor HOME is set.");
    return 0;
  }
  std::string strError = WriteSettingsFile(strPath, m_exportSettings, m_givenSettings);
  if (!strError.empty()) {
    WriteFitted("Cannot save settings to " + strPath + ": " + strError + ".", 2);
    m_outcome = CommandOutcome{true, "Cannot save settings to " + strPath + ".", strError, {}};
    return 0;
  }
  WriteFitted("settings saved to " + strPath + ".", 2);
  return 1;
}
