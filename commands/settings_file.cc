#include "commands/settings_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "commands/setting_words.h"
#include "console/console_output.h"
#include "motion/bone_names.h"
#include "motion/output_file.h"

namespace {

// A settings file holds a few short lines; anything far larger is no
// settings file of ours.
constexpr off_t kMaxSettingsBytes = 1 << 20;

// Makes strFolder and the folders above it that are missing, private to
// the user as configuration folders are. False when one can't be made.
bool MakeFolders(const std::string& strFolder) {
  for (size_t nAt = 1; nAt <= strFolder.size(); ++nAt) {
    if (nAt != strFolder.size() && strFolder[nAt] != '/') continue;
    std::string strPart = strFolder.substr(0, nAt);
    if (mkdir(strPart.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return stat(strFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string SettingsFilePath() {
  const char* pszConfig = std::getenv("XDG_CONFIG_HOME");
  if (pszConfig != nullptr && pszConfig[0] == '/') {
    return std::string(pszConfig) + "/sonomot/settings";
  }
  const char* pszHome = std::getenv("HOME");
  if (pszHome != nullptr && pszHome[0] == '/') {
    return std::string(pszHome) + "/.config/sonomot/settings";
  }
  return "";
}

ExportSettings ReadSavedSettings(std::vector<std::string>* pLines) {
  ExportSettings settings;
  std::string strPath = SettingsFilePath();
  if (!strPath.empty()) *pLines = ReadSettingsFile(strPath, &settings);
  return settings;
}

std::vector<std::string> ReadSettingsFile(const std::string& strPath, ExportSettings* pSettings) {
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

  const ExportSettings before = *pSettings;
  // Lines apply one after the other; whether the key and pedal bones
  // clash is asked once all are in, since either line may come first.
  int nKeysLine = 0, nPedalLine = 0;
  int nLine = 0;
  size_t nAt = 0;
  while (nAt < strText.size()) {
    size_t nEol = strText.find('\n', nAt);
    if (nEol == std::string::npos) nEol = strText.size();
    std::string strLine = strText.substr(nAt, nEol - nAt);
    nAt = nEol + 1;
    ++nLine;
    CommandArgs args;
    if (args.Tokenize(strLine.c_str()) == 0) continue;
    std::string strWhere = strPath + ":" + std::to_string(nLine) + ": ";
    std::vector<std::string> lines;
    SettingOutcome outcome = ApplySettingLine(args, pSettings, &lines, false);
    if (outcome == SettingOutcome::kNotASetting) {
      report.push_back(strWhere + args.GetArg(0) + " is no setting");
    } else if (outcome == SettingOutcome::kRefused) {
      // "invalid value." and what the word takes, on one line.
      std::string strReason;
      for (const std::string& str : lines) strReason += (strReason.empty() ? "" : " ") + str;
      report.push_back(strWhere + strReason);
    } else if (args.IsCommand("keys", 1)) {
      nKeysLine = nLine;
    } else if (args.IsCommand("pedal", 1)) {
      nPedalLine = nLine;
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
    strClash = BoneNameClash(*pSettings);
  }
  if (!strClash.empty()) {
    report.push_back(strPath + ":" + std::to_string(nPedalLine) + ": invalid value. " + strClash +
                     "; pedal left as it was.");
    pSettings->bPedal = before.bPedal;
    pSettings->strPedalName = before.strPedalName;
  }
  std::vector<std::string> changed = ChangedSettingWords(before, *pSettings);
  if (!changed.empty()) {
    std::string strWords;
    for (const std::string& str : changed) strWords += (strWords.empty() ? "" : ", ") + str;
    report.push_back("settings from " + strPath + ": " + strWords + ".");
  }
  return report;
}

std::string WriteSettingsFile(const std::string& strPath, const ExportSettings& settings) {
  std::string strText = "# Sonomot export settings, written by save in conf>\n";
  for (const std::string& strLine : SettingFileLines(settings)) strText += strLine + "\n";
  size_t nSlash = strPath.rfind('/');
  if (nSlash != std::string::npos && nSlash > 0 && !MakeFolders(strPath.substr(0, nSlash))) {
    return std::strerror(errno);
  }
  OutputFile output;
  if (!output.Open(strPath.c_str())) return "can't be opened for writing";
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
    m_pConsole->WriteLine("save takes no value; the settings go to %s.",
                          strPath.empty() ? "~/.config/sonomot/settings" : strPath.c_str());
    return 0;
  }
  if (strPath.empty()) {
    Fail("Cannot save settings: neither XDG_CONFIG_HOME nor HOME is set.");
    return 0;
  }
  std::string strError = WriteSettingsFile(strPath, m_exportSettings);
  if (!strError.empty()) {
    m_pConsole->WriteLine("Cannot save settings to %s: %s.", strPath.c_str(), strError.c_str());
    m_outcome = CommandOutcome{true, "Cannot save settings to " + strPath + ".", strError, {}};
    return 0;
  }
  m_pConsole->WriteLine("settings saved to %s.", strPath.c_str());
  return 1;
}
