#include "tests/files_test_util.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "files/output_file.h"
#include "tests/os_test_util.h"

namespace {

DiskCallsFake* g_pDiskCalls = nullptr;

}  // namespace

TempDir::TempDir() {
  m_strPath = ostest::MakeTempFolder("sonomot-motion-");
  if (m_strPath.empty()) ADD_FAILURE() << "no temporary folder could be made";
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
  file_system::Facts facts;
  Call call = {pszName, file_system::LookAt(file, &facts) ? static_cast<int64_t>(facts.nSize) : -1, {}};
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

std::vector<uint8_t> Bytes(const std::string& str) {
  return std::vector<uint8_t>(str.begin(), str.end());
}

int Put(const std::string& strPath, const std::string& strContent) {
  OutputFile output;
  if (!output.Open(strPath.c_str())) return kNotOpened;
  bool bOk = output.Reserve(strContent.size()) && output.Write(strContent.data(), strContent.size()) &&
             output.Commit();
  return bOk ? kWritten : kNotWritten;
}
