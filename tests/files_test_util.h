// Shared fixtures of the tests that write files: a scratch folder, file
// helpers, and a fake of the calls that send a file to the disk.
#ifndef SONOMOT_TESTS_FILES_TEST_UTIL_H_
#define SONOMOT_TESTS_FILES_TEST_UTIL_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/file_system.h"

// A fresh folder under the system's temporary folder, removed with its
// contents at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& GetPath() const { return m_strPath; }
  std::string Join(const std::string& strName) const { return m_strPath + "/" + strName; }
  // Names in the folder other than . and .., sorted.
  std::vector<std::string> List() const { return ListOf(m_strPath); }
  // The same for any folder.
  static std::vector<std::string> ListOf(const std::string& strFolder);

 private:
  std::string m_strPath;
};

// While it lives, OutputFile's disk calls (files/file_system.h) go to this
// fake: each is noted with the size of its file and what the watched path
// held at that moment, then made (or, given an error, fails with it
// unmade). One DiskCallsFake at a time.
class DiskCallsFake {
 public:
  struct Call {
    const char* pszName;  // "fsync" or "fdatasync"
    int64_t nSize;        // of the file synced
    std::vector<uint8_t> watched;
  };

  explicit DiskCallsFake(int nError = 0, const std::string& strWatched = "");
  ~DiskCallsFake();
  DiskCallsFake(const DiskCallsFake&) = delete;
  DiskCallsFake& operator=(const DiskCallsFake&) = delete;

  const std::vector<Call>& GetCalls() const { return m_calls; }

 private:
  static bool Note(const char* pszName, file_system::Handle file);

  int m_nError;
  std::string m_strWatched;
  std::vector<Call> m_calls;
  bool (*m_pfnSync)(file_system::Handle);
  bool (*m_pfnSyncData)(file_system::Handle);
};

std::vector<uint8_t> ReadFileBytes(const std::string& strPath);
void WriteFileBytes(const std::string& strPath, const std::string& strContent);
std::vector<uint8_t> Bytes(const std::string& str);

// Writes strContent to the path through OutputFile as an export does:
// room for all of it, then the bytes, then Commit. What it answers:
constexpr int kWritten = 0, kNotOpened = 1, kNotWritten = 2;
int Put(const std::string& strPath, const std::string& strContent);

// What an ordinary user meets: fnCheck's result run as ourselves when we
// are no root, else in a child process as user and group 65534 with no
// other groups (root passes every permission check). kNoOrdinaryUser when
// the child can't become them. Per OS: files_test_util_posix.cc and
// files_test_util_win32.cc.
constexpr int kNoOrdinaryUser = 99;
int RunAsOrdinaryUser(const std::function<int()>& fnCheck);

#endif  // SONOMOT_TESTS_FILES_TEST_UTIL_H_
