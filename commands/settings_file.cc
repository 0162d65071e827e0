#include "commands/settings_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "commands/setting_words.h"
#include "console/console_output.h"
#include "files/file_system.h"
#include "files/output_file.h"
#include "files/path_parts.h"
#include "files/text_lines.h"
#include "motion/bone_names.h"
#include "platform/settings_folder.h"

namespace {

// A settings file holds a few short lines; anything far larger is no
// settings file of ours. A missing one is no settings given.
constexpr TextFileRules kSettingsRules = {
    1 << 20, "not a settings file", "not a settings file", true};

// Makes strFolder and the folders above it that are missing, private to
// the user as configuration folders are. False when one can't be made.
bool MakeFolders(const std::string& strFolder) {
  for (size_t nAt = 1; nAt <= strFolder.size(); ++nAt) {
    if (nAt != strFolder.size() &&
        std::string_view(file_system::kPathSeparators).find(strFolder[nAt]) == std::string_view::npos) {
      continue;
    }
    std::string strPart = strFolder.substr(0, nAt);
    if (!file_system::MakePrivateFolder(strPart) && errno != EEXIST) return false;
  }
  file_system::Facts facts;
  return file_system::LookAtPath(strFolder, &facts) && facts.kind == file_system::Facts::Kind::kFolder;
}

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
  std::vector<std::string> text;
  Status status = ReadTextLines(strPath, kSettingsRules, &text);
  if (!status.IsOk()) {
    report.push_back(status.Message());
    return report;
  }

  // The lines with words, and the last line of each setting word: only
  // that one is applied, so a file that names a key map a thousand times
  // loads it once. A "reset" line, applied in its place, still undoes
  // what the lines above it set.
  struct Line {
    size_t nLine;
    const char* pszWord;  // null: no setting word
    std::vector<std::string> words;
  };
  std::vector<Line> lines;
  std::map<std::string, size_t> lastOfWord;
  for (size_t i = 0; i < text.size(); ++i) {
    std::vector<std::string> words = SplitSettingLine(text[i]);
    if (words.empty()) continue;
    CommandArgs args;
    args.Assign(words);
    const char* pszWord = FindSettingWord(args);
    if (pszWord != nullptr) lastOfWord[pszWord] = lines.size();
    lines.push_back(Line{i + 1, pszWord, std::move(words)});
  }

  const ExportSettings before = *pSettings;
  // Whether the key and pedal bones clash is asked once all are in, since
  // either line may come first.
  size_t nKeysLine = 0, nPedalLine = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    std::string strWhere = LinePlace(strPath, line.nLine);
    if (line.pszWord == nullptr) {
      report.push_back(strWhere + line.words[0] + " is no setting");
      continue;
    }
    if (lastOfWord[line.pszWord] != i) continue;
    CommandArgs args;
    args.Assign(line.words);
    SettingResult result = ApplySettingLine(args, pSettings, false, pGiven);
    if (result.outcome == SettingOutcome::kRefused) {
      // "invalid value." and what the word accepts, on one line.
      report.push_back(strWhere + "invalid value. " + result.strAccepts +
                       (result.strProblem.empty() ? "" : " " + result.strProblem));
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
    report.push_back(LinePlace(strPath, nKeysLine) + "invalid value. " + strClash +
                     "; keys left as they were.");
    pSettings->strKeyPrefix = before.strKeyPrefix;
    pSettings->strKeyMapPath = before.strKeyMapPath;
    pSettings->keyMapNames = before.keyMapNames;
    if (pGiven != nullptr) pGiven->erase("keys");
    strClash = BoneNameClash(*pSettings);
  }
  if (!strClash.empty()) {
    report.push_back(LinePlace(strPath, nPedalLine) + "invalid value. " + strClash +
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

Status WriteSettingsFile(const std::string& strPath, const ExportSettings& settings,
                         const std::set<std::string>& given) {
  std::string strText = "# Sonomot export settings, written by save in conf>\n";
  for (const std::string& strLine : SettingFileLines(settings, &given)) strText += strLine + "\n";
  // The folder without its last separator; none to make for a file at the
  // top.
  std::string strFolder = SplitPath(strPath).strFolder;
  if (strFolder.size() > 1 && !MakeFolders(strFolder.substr(0, strFolder.size() - 1))) {
    std::string strReason = std::strerror(errno);
    return Status::Failed(strReason, strReason);
  }
  OutputFile output;
  if (!output.Open(strPath.c_str())) {
    return Status::Failed("can't be opened for writing", std::strerror(errno));
  }
  // A device or a pipe would take the text and keep nothing.
  if (!output.IsRegularFile()) return Status::Failed("not a regular file");
  // One Write: over the old file in place, room for the whole text comes
  // first, and the file ends where the text ends.
  if (!output.Write(strText.data(), strText.size()) || !output.Commit()) {
    return Status::Failed("can't be written", std::strerror(errno));
  }
  return Status::Ok();
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
  Status status = WriteSettingsFile(strPath, m_exportSettings, m_givenSettings);
  if (!status.IsOk()) {
    WriteFitted("Cannot save settings to " + strPath + ": " + status.Message() + ".", 2);
    m_outcome =
        CommandOutcome{true, "Cannot save settings to " + strPath + ".", status.Message(), {}};
    return 0;
  }
  WriteFitted("settings saved to " + strPath + ".", 2);
  return 1;
}
