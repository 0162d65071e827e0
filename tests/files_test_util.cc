#include "tests/files_test_util.h"

#include <errno.h>
#include <stdlib.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace {

DiskCallsFake* g_pDiskCalls = nullptr;

}  // namespace

TempDir::TempDir() {
  std::string strTemplate = std::filesystem::temp_directory_path().string() + "/sonomot-motion-XXXXXX";
  std::vector<char> buffer(strTemplate.begin(), strTemplate.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) ADD_FAILURE() << "mkdtemp failed";
  m_strPath = buffer.data();
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(m_strPath, error);
}

std::vector<std::string> TempDir::ListOf(const std::string& strFolder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(strFolder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

DiskCallsFake::DiskCallsFake(int nError, const std::string& strWatched)
    : m_nError(nError),
      m_strWatched(strWatched),
      m_pfnSync(file_system::Sync),
      m_pfnSyncData(file_system::SyncData) {
  EXPECT_EQ(nullptr, g_pDiskCalls) << "one DiskCallsFake at a time";
  g_pDiskCalls = this;
  file_system::Sync = [](file_system::Handle file) { return Note("fsync", file); };
  file_system::SyncData = [](file_system::Handle file) { return Note("fdatasync", file); };
}

DiskCallsFake::~DiskCallsFake() {
  file_system::Sync = m_pfnSync;
  file_system::SyncData = m_pfnSyncData;
  g_pDiskCalls = nullptr;
}

bool DiskCallsFake::Note(const char* pszName, file_system::Handle file) {
  DiskCallsFake* pFake = g_pDiskCalls;
  struct stat st;
  Call call = {pszName, fstat(static_cast<int>(file), &st) == 0 ? st.st_size : -1, {}};
  if (!pFake->m_strWatched.empty()) call.watched = ReadFileBytes(pFake->m_strWatched);
  pFake->m_calls.push_back(call);
  if (pFake->m_nError != 0) {
    errno = pFake->m_nError;
    return false;
  }
  return std::string(pszName) == "fsync" ? pFake->m_pfnSync(file) : pFake->m_pfnSyncData(file);
}

std::vector<uint8_t> ReadFileBytes(const std::string& strPath) {
  std::ifstream in(strPath, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& strPath, const std::string& strContent) {
  std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
  out << strContent;
}


int RunAsOrdinaryUser(const std::function<int()>& fnCheck) {
  if (geteuid() != 0) return fnCheck();
  pid_t pid = fork();
  if (pid == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
      _exit(kNoOrdinaryUser);
    }
    _exit(fnCheck());
  }
  int nStatus = 0;
  waitpid(pid, &nStatus, 0);
  return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 98;
}
