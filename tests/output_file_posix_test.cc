// OutputFile and WriteBehind, what only POSIX shows: what a write leaves
// at the path when it fails and when its process is killed, for the owner
// of the file and for an ordinary user, over pipes, links, ACLs, extended
// attributes, set-id bits, mounts and size limits; over a few bytes.
#include "files/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/write_behind.h"
#include "tests/files_test_util.h"

namespace {

constexpr uid_t kNobody = 65534;
// What a child answers when it can't be set up as asked (become user
// 65534, mount a file system): the test is skipped.
constexpr int kNoSetUp = 998;

// Becomes user and group 65534 with no other groups; false when it can't.
bool BecomeNobody() {
  return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0;
}

// The one child process of these tests: runs fnRun with SIGXFSZ and
// SIGPIPE at their default actions (ending the process, which the writer
// must keep from happening) and an alarm that ends it if it hangs. Its
// result is fnRun's, or 999 when the child did not finish on its own.
class Child {
 public:
  explicit Child(const std::function<int()>& fnRun) {
    int aFd[2];
    if (pipe(aFd) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      close(aFd[0]);
      signal(SIGPIPE, SIG_DFL);
      signal(SIGXFSZ, SIG_DFL);
      alarm(20);
      int nResult = fnRun();
      _exit(write(aFd[1], &nResult, sizeof nResult) == sizeof nResult ? 0 : 1);
    }
    close(aFd[1]);
    m_nResultFd = aFd[0];
  }
  ~Child() {
    if (m_pid > 0) Finish();
  }
  pid_t GetPid() const { return m_pid; }
  // Ends the child at once.
  void Kill() {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    close(m_nResultFd);
    m_pid = -1;
  }
  int Finish() {
    if (m_pid < 0) return 999;
    int nResult = 999;
    if (read(m_nResultFd, &nResult, sizeof nResult) != sizeof nResult) nResult = 999;
    close(m_nResultFd);
    int nStatus = 0;
    waitpid(m_pid, &nStatus, 0);
    m_pid = -1;
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0)
        << (WIFSIGNALED(nStatus) ? strsignal(WTERMSIG(nStatus)) : "exit code");
    return nResult;
  }

 private:
  pid_t m_pid = -1;
  int m_nResultFd = -1;
};

int RunInChild(const std::function<int()>& fnRun) { return Child(fnRun).Finish(); }

// Who writes: ourselves, and, when we are root (who keeps set-id bits and
// passes every permission check), also user and group 65534 with no other
// groups, made in the child.
struct Writer {
  bool bNobody;
  const char* pszName;
};

std::vector<Writer> Writers() {
  std::vector<Writer> writers = {{false, geteuid() == 0 ? "root" : "this user"}};
  if (geteuid() == 0) writers.push_back({true, "user 65534"});
  return writers;
}

// Gives the test's file or folder to the writer (a no-op for ourselves).
void GiveTo(const Writer& writer, const std::string& strPath) {
  if (writer.bNobody) {
    ASSERT_EQ(0, chown(strPath.c_str(), kNobody, kNobody)) << strPath;
  }
}

// Put in a child run as the writer, with a file size limit (none by
// default) and in the folder pszCwd (if not null).
int PutAs(const Writer& writer, const std::string& strPath, const std::string& strContent,
          rlim_t nLimit = RLIM_INFINITY, const char* pszCwd = nullptr) {
  return RunInChild([&]() {
    struct rlimit limit = {nLimit, nLimit};
    if (nLimit != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &limit) != 0) return kNoSetUp;
    if (writer.bNobody && !BecomeNobody()) return kNoSetUp;
    if (pszCwd && chdir(pszCwd) != 0) return kNoSetUp;
    return Put(strPath, strContent);
  });
}

// A folder the writer may write, in a scratch folder everyone may enter.
std::string FolderFor(const TempDir& dir, const Writer& writer, const std::string& strName) {
  chmod(dir.GetPath().c_str(), 0755);
  std::string strFolder = dir.Join(strName);
  EXPECT_EQ(0, mkdir(strFolder.c_str(), 0755));
  GiveTo(writer, strFolder);
  return strFolder;
}

// A read-only file of the user's own, in a folder the user may write, is
// not replaced by a new file (as root: user 65534 writes; Windows'
// read-only attribute: output_file_win32_test.cc).
TEST(OutputFileTest, ReadOnlyFileIsNotReplaced) {
  TempDir dir;
  ASSERT_EQ(0, chmod(dir.GetPath().c_str(), 0777));
  std::string strLocked = dir.Join("locked.vmd");
  WriteFileBytes(strLocked, "locked");
  if (geteuid() == 0) {
    ASSERT_EQ(0, chown(strLocked.c_str(), kNobody, kNobody));
  }
  ASSERT_EQ(0, chmod(strLocked.c_str(), 0444));
  int nResult = RunAsOrdinaryUser([&]() { return Put(strLocked, "new"); });
  if (nResult == kNoOrdinaryUser) GTEST_SKIP() << "can't become user 65534 here";
  EXPECT_EQ(kNotOpened, nResult);
  EXPECT_EQ(Bytes("locked"), ReadFileBytes(strLocked));
  EXPECT_EQ(std::vector<std::string>{"locked.vmd"}, dir.List());
}

// Where no thread can be started (a user at the limit of their
// processes), WriteBehind writes every buffer itself: the same bytes.
TEST(OutputFileTest, WriteBehindWithoutAThreadWritesTheSameFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become user 65534 with a process limit";
  // 18 MB: past the point where the disk writes of a new file start.
  std::string strContent(18 << 20, '\0');
  for (size_t i = 0; i < strContent.size(); ++i) strContent[i] = static_cast<char>(i * 7 / 5);
  TempDir dir;
  ASSERT_EQ(0, chmod(dir.Join(".").c_str(), 0777));
  std::string strPath = dir.Join("alone.vmd");
  WriteFileBytes(strPath, "the previous export");  // replaced: disk writes are started too
  ASSERT_EQ(0, chown(strPath.c_str(), kNobody, kNobody));
  int nResult = RunInChild([&]() {
    struct rlimit one = {1, 1};
    if (!BecomeNobody() || setrlimit(RLIMIT_NPROC, &one) != 0) return kNoSetUp;
    // Proof that no thread can be had here.
    pthread_t thread;
    if (pthread_create(&thread, nullptr, [](void*) -> void* { return nullptr; }, nullptr) !=
        EAGAIN) {
      return 3;
    }
    OutputFile output;
    if (!output.Open(strPath.c_str()) || !output.Reserve(strContent.size())) return kNotOpened;
    WriteBehind behind(&output);
    for (size_t nAt = 0; nAt < strContent.size(); nAt += WriteBehind::kBufferSize) {
      size_t n = std::min(WriteBehind::kBufferSize, strContent.size() - nAt);
      std::memcpy(behind.GetBuffer(), strContent.data() + nAt, n);
      behind.Send(n);
    }
    return behind.Finish() && output.Commit() ? kWritten : kNotWritten;
  });
  if (nResult == kNoSetUp) GTEST_SKIP() << "can't become user 65534 here";
  EXPECT_EQ(kWritten, nResult);
  EXPECT_TRUE(Bytes(strContent) == ReadFileBytes(strPath));
  EXPECT_EQ(std::vector<std::string>{"alone.vmd"}, dir.List());
}

TEST(OutputFileTest, PipesAreRefusedWithoutReaderAndFailWhenTheReaderGoes) {
  TempDir dir;
  std::string strFifo = dir.Join("fifo.vmd");
  ASSERT_EQ(0, mkfifo(strFifo.c_str(), 0600));
  std::vector<char> got(1000);
  // Nobody reads: the path can't be opened, instead of the write waiting
  // for a reader forever.
  EXPECT_EQ(kNotOpened, RunInChild([&]() { return Put(strFifo, "motion"); }));

  // A reader takes all of it.
  int nReader = open(strFifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(nReader, 0);
  EXPECT_EQ(kWritten, RunInChild([&]() {
              close(nReader);
              return Put(strFifo, "motion");
            }));
  EXPECT_EQ(6, read(nReader, got.data(), got.size()));
  close(nReader);

  // The reader stops after the first bytes: the write fails and says so,
  // and the program goes on. More than a pipe holds.
  nReader = open(strFifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(nReader, 0);
  Child child([&]() {
    close(nReader);
    return Put(strFifo, std::string(4 << 20, 'm'));
  });
  // Until the child has opened the pipe, a read finds no writer and ends
  // at once.
  ssize_t nFirst = 0;
  for (int nTry = 0; nTry < 2000 && nFirst <= 0; ++nTry) {
    nFirst = read(nReader, got.data(), 100);
    if (nFirst <= 0) usleep(5000);
  }
  EXPECT_GT(nFirst, 0);
  close(nReader);
  EXPECT_EQ(kNotWritten, child.Finish());

  struct stat st;
  ASSERT_EQ(0, lstat(strFifo.c_str(), &st));
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(std::vector<std::string>{"fifo.vmd"}, dir.List());
}

TEST(OutputFileTest, ReplacingKeepsLinksModesAndDevices) {
  TempDir dir;
  // An existing file is overwritten, keeping its permissions.
  std::string strPath = dir.Join("out.vmd");
  WriteFileBytes(strPath, std::string(2000, 'x'));
  chmod(strPath.c_str(), 0640);
  EXPECT_EQ(kWritten, Put(strPath, "new"));
  EXPECT_EQ(Bytes("new"), ReadFileBytes(strPath));
  struct stat st;
  ASSERT_EQ(0, stat(strPath.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
  // Through a link, the file it points to is replaced and the link stays.
  std::string strLink = dir.Join("link.vmd");
  ASSERT_EQ(0, symlink("out.vmd", strLink.c_str()));
  WriteFileBytes(strPath, "old");
  EXPECT_EQ(kWritten, Put(strLink, "linked"));
  ASSERT_EQ(0, lstat(strLink.c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Bytes("linked"), ReadFileBytes(strPath));
  EXPECT_EQ((std::vector<std::string>{"link.vmd", "out.vmd"}), dir.List());
  // A link whose file isn't there yet gets its file; the link stays.
  std::string strGhost = dir.Join("ghost.vmd");
  ASSERT_EQ(0, symlink("made.vmd", strGhost.c_str()));
  EXPECT_EQ(kWritten, Put(strGhost, "made"));
  ASSERT_EQ(0, lstat(strGhost.c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Bytes("made"), ReadFileBytes(dir.Join("made.vmd")));
  // Links in a loop can't be opened, and stay as they are.
  ASSERT_EQ(0, symlink("loop2.vmd", dir.Join("loop1.vmd").c_str()));
  ASSERT_EQ(0, symlink("loop1.vmd", dir.Join("loop2.vmd").c_str()));
  EXPECT_EQ(kNotOpened, Put(dir.Join("loop1.vmd"), "new"));
  ASSERT_EQ(0, lstat(dir.Join("loop1.vmd").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ((std::vector<std::string>{"ghost.vmd", "link.vmd", "loop1.vmd", "loop2.vmd",
                                      "made.vmd", "out.vmd"}),
            dir.List());
  // A device is written, not replaced by a file.
  OutputFile output;
  ASSERT_TRUE(output.Open("/dev/null"));
  EXPECT_FALSE(output.IsRegularFile());
  EXPECT_TRUE(output.Write("new", 3) && output.Commit());
  ASSERT_EQ(0, stat("/dev/null", &st));
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// How many pages of a file the system holds in its cache.
size_t CachedPages(const std::string& strPath) {
  int nFd = open(strPath.c_str(), O_RDONLY);
  struct stat st;
  if (nFd < 0 || fstat(nFd, &st) != 0) ADD_FAILURE() << strPath;
  size_t nPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size_t nPages = (static_cast<size_t>(st.st_size) + nPage - 1) / nPage;
  void* p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, nFd, 0);
  close(nFd);
  std::vector<unsigned char> resident(nPages);
  EXPECT_EQ(0, mincore(p, static_cast<size_t>(st.st_size), resident.data()));
  munmap(p, static_cast<size_t>(st.st_size));
  size_t nCached = 0;
  for (unsigned char by : resident) nCached += by & 1;
  return nCached;
}

TEST(OutputFileTest, OnlyAFileThatWouldBeReplacedForgetsItsCache) {
  TempDir dir;
  struct statfs fs;
  ASSERT_EQ(0, statfs(dir.GetPath().c_str(), &fs));
  if (fs.f_type == TMPFS_MAGIC) GTEST_SKIP() << "a file in memory has no cache to forget";
  const std::string strContent(1 << 20, 'x');
  std::string strOne = dir.Join("one.vmd"), strTwo = dir.Join("two.vmd");
  for (const std::string& strPath : {strOne, strTwo}) {
    WriteFileBytes(strPath, strContent);
    // On the disk: pages still to be written are not forgotten.
    int nFd = open(strPath.c_str(), O_RDONLY);
    ASSERT_EQ(0, fsync(nFd));
    close(nFd);
    ReadFileBytes(strPath);
  }
  ASSERT_EQ(0, link(strTwo.c_str(), dir.Join("link.vmd").c_str()));
  const size_t nPages = CachedPages(strTwo);
  ASSERT_GT(nPages, 0u);
  OutputFile::ForgetCachedPages(strOne.c_str());
  OutputFile::ForgetCachedPages(strTwo.c_str());
  OutputFile::ForgetCachedPages(dir.GetPath().c_str());
  OutputFile::ForgetCachedPages(dir.Join("none.vmd").c_str());
  EXPECT_EQ(0u, CachedPages(strOne));
  // A file with another name is written in place, not replaced: it keeps
  // its pages.
  EXPECT_EQ(nPages, CachedPages(strTwo));
  EXPECT_EQ(Bytes(strContent), ReadFileBytes(strOne));
  EXPECT_EQ((std::vector<std::string>{"link.vmd", "one.vmd", "two.vmd"}), dir.List());
}

TEST(OutputFileTest, FilesThatReplacingWouldChangeAreWrittenInPlace) {
  TempDir dir;
  struct stat before, after;
  // Both names of a hard-linked file see the new bytes. The old file is
  // longer: written in place, it ends with the last byte written.
  std::string strPath = dir.Join("out.vmd"), strTwin = dir.Join("twin.vmd");
  WriteFileBytes(strPath, std::string(3000, 'x'));
  ASSERT_EQ(0, link(strPath.c_str(), strTwin.c_str()));
  EXPECT_EQ(kWritten, Put(strPath, "the new motion"));
  EXPECT_EQ(Bytes("the new motion"), ReadFileBytes(strTwin));
  ASSERT_EQ(0, stat(strPath.c_str(), &after));
  EXPECT_EQ(2u, after.st_nlink);
  EXPECT_EQ((std::vector<std::string>{"out.vmd", "twin.vmd"}), dir.List());
  // The file is as long as the bytes written, whatever room was made for
  // it, or none.
  for (uint64_t nRoom : {uint64_t{4000}, uint64_t{0}}) {
    OutputFile output;
    ASSERT_TRUE(output.Open(strPath.c_str()));
    if (nRoom > 0) {
      ASSERT_TRUE(output.Reserve(nRoom));
    }
    ASSERT_TRUE(output.Write("ab", 2) && output.Write("c", 1) && output.Commit());
    EXPECT_EQ(Bytes("abc"), ReadFileBytes(strTwin)) << nRoom;
  }
  if (geteuid() != 0) return;
  // Another user's file stays the same file, theirs.
  std::string strTheirs = dir.Join("theirs.vmd");
  WriteFileBytes(strTheirs, "old");
  ASSERT_EQ(0, chown(strTheirs.c_str(), kNobody, kNobody));
  ASSERT_EQ(0, stat(strTheirs.c_str(), &before));
  EXPECT_EQ(kWritten, Put(strTheirs, "the new motion"));
  ASSERT_EQ(0, stat(strTheirs.c_str(), &after));
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(kNobody, after.st_uid);
  EXPECT_EQ(kNobody, after.st_gid);
  EXPECT_EQ(Bytes("the new motion"), ReadFileBytes(strTheirs));
}

TEST(OutputFileTest, UnprivilegedUserWritesWhatAPlainOpenCould) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to write as another user";
  TempDir dir;
  ASSERT_EQ(0, chmod(dir.GetPath().c_str(), 0755));
  // Root's writable file in a folder the user can't write.
  ASSERT_EQ(0, mkdir(dir.Join("shut").c_str(), 0755));
  std::string strShut = dir.Join("shut/a.vmd");
  WriteFileBytes(strShut, "old");
  ASSERT_EQ(0, chmod(strShut.c_str(), 0666));
  ASSERT_EQ(0, chmod(dir.Join("shut").c_str(), 0555));
  // Root's writable file in a sticky folder everyone writes, the user's
  // own read-only file there, and the user's file in a group the user is
  // not in.
  ASSERT_EQ(0, mkdir(dir.Join("sticky").c_str(), 0755));
  ASSERT_EQ(0, chmod(dir.Join("sticky").c_str(), 01777));
  std::string strShared = dir.Join("sticky/b.vmd"), strLocked = dir.Join("sticky/c.vmd");
  std::string strGroup = dir.Join("sticky/d.vmd");
  WriteFileBytes(strShared, "old");
  ASSERT_EQ(0, chmod(strShared.c_str(), 0666));
  WriteFileBytes(strLocked, "locked");
  ASSERT_EQ(0, chmod(strLocked.c_str(), 0444));
  ASSERT_EQ(0, chown(strLocked.c_str(), kNobody, kNobody));
  WriteFileBytes(strGroup, "old");
  ASSERT_EQ(0, chown(strGroup.c_str(), kNobody, 0));

  const Writer nobody = {true, "user 65534"};
  int nResult = PutAs(nobody, strShut, "new");
  if (nResult == kNoSetUp) GTEST_SKIP() << "can't become user 65534 here";
  EXPECT_EQ(kWritten, nResult);
  EXPECT_EQ(kWritten, PutAs(nobody, strShared, "new"));
  EXPECT_EQ(kNotOpened, PutAs(nobody, strLocked, "new"));
  EXPECT_EQ(kWritten, PutAs(nobody, strGroup, "new"));
  EXPECT_EQ(Bytes("new"), ReadFileBytes(strShut));
  EXPECT_EQ(Bytes("new"), ReadFileBytes(strShared));
  EXPECT_EQ(Bytes("locked"), ReadFileBytes(strLocked));
  struct stat st;
  ASSERT_EQ(0, stat(strShared.c_str(), &st));
  EXPECT_EQ(0u, st.st_uid);
  ASSERT_EQ(0, stat(strGroup.c_str(), &st));
  EXPECT_EQ(0u, st.st_gid);
  EXPECT_EQ(Bytes("new"), ReadFileBytes(strGroup));
  EXPECT_EQ(std::vector<std::string>{"a.vmd"}, TempDir::ListOf(dir.Join("shut")));
  EXPECT_EQ((std::vector<std::string>{"b.vmd", "c.vmd", "d.vmd"}),
            TempDir::ListOf(dir.Join("sticky")));
}

// The size of a file under strFolder that process pid has open, or -1.
off_t SizeOfFileOpenIn(pid_t pid, const std::string& strFolder) {
  std::string strFds = "/proc/" + std::to_string(pid) + "/fd/";
  DIR* pDir = opendir(strFds.c_str());
  if (!pDir) return -1;
  off_t nSize = -1;
  while (dirent* pEntry = readdir(pDir)) {
    char sz[PATH_MAX];
    std::string strFd = strFds + pEntry->d_name;
    ssize_t n = readlink(strFd.c_str(), sz, sizeof sz);
    struct stat st;
    bool bInFolder = n > 0 && std::string(sz, n).rfind(strFolder + "/", 0) == 0;
    if (bInFolder && stat(strFd.c_str(), &st) == 0) {
      nSize = st.st_size;
    }
  }
  closedir(pDir);
  return nSize;
}

// Writes the first n bytes of strContent to the path, after room for all
// of it, and waits to be killed.
int PutPartAndWait(const std::string& strPath, const std::string& strContent, size_t n) {
  OutputFile output;
  if (!output.Open(strPath.c_str()) || !output.Reserve(strContent.size()) ||
      !output.Write(strContent.data(), n)) {
    return kNotWritten;
  }
  for (;;) pause();
}

TEST(OutputFileTest, WriterKilledWhileWritingLeavesNoFile) {
  TempDir dir;
  std::string strPath = dir.Join("song.vmd");
  WriteFileBytes(strPath, "the previous export");
  Child child([&]() { return PutPartAndWait(strPath, "the new motion", 7); });
  ASSERT_GT(child.GetPid(), 0);
  // Killed once part of it is in the new file.
  bool bCaught = false;
  for (int nTry = 0; nTry < 4000 && !bCaught; ++nTry) {
    bCaught = SizeOfFileOpenIn(child.GetPid(), dir.GetPath()) > 0;
    if (!bCaught) usleep(5000);
  }
  child.Kill();
  ASSERT_TRUE(bCaught) << "the writer wrote nothing";
  EXPECT_EQ(std::vector<std::string>{"song.vmd"}, dir.List());
  EXPECT_EQ(Bytes("the previous export"), ReadFileBytes(strPath));
}

// Written in place (the old file has another name), a write killed while
// it goes on leaves a file that doesn't begin as the new one does and is
// dated back, so that make takes it for older than its input; the same
// write left to end is whole, with the present time.
TEST(OutputFileTest, WriterKilledWhileWritingInPlaceLeavesNoMotion) {
  TempDir dir;
  std::string strPath = dir.Join("song.vmd");
  WriteFileBytes(strPath, "the previous export");
  ASSERT_EQ(0, link(strPath.c_str(), dir.Join("twin.vmd").c_str()));
  // Past the first bytes, which are written last.
  std::string strContent(OutputFile::kHeldBackBytes + 100, 'm');
  const time_t nStart = time(nullptr);
  // The watch that dates the file back is the child's child: as their
  // subreaper the test can wait for it.
  ASSERT_EQ(0, prctl(PR_SET_CHILD_SUBREAPER, 1));
  {
    Child child([&]() { return PutPartAndWait(strPath, strContent, strContent.size()); });
    ASSERT_GT(child.GetPid(), 0);
    // Killed once the bytes past the first are written.
    bool bCaught = false;
    for (int nTry = 0; nTry < 4000 && !bCaught; ++nTry) {
      std::vector<uint8_t> now = ReadFileBytes(strPath);
      bCaught = now.size() == strContent.size() && now.back() == 'm';
      if (!bCaught) usleep(5000);
    }
    child.Kill();
    while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    ASSERT_TRUE(bCaught) << "the writer wrote nothing past the first bytes";
  }
  struct stat st;
  ASSERT_EQ(0, stat(strPath.c_str(), &st));
  EXPECT_EQ(0, st.st_mtime) << "not dated back";
  std::vector<uint8_t> left = ReadFileBytes(dir.Join("twin.vmd"));
  ASSERT_GE(left.size(), 30u);
  EXPECT_EQ(std::vector<uint8_t>(30, 0), std::vector<uint8_t>(left.begin(), left.begin() + 30))
      << "begins as the new file";

  EXPECT_EQ(kWritten, RunInChild([&]() { return Put(strPath, strContent); }));
  EXPECT_TRUE(Bytes(strContent) == ReadFileBytes(dir.Join("twin.vmd")));
  ASSERT_EQ(0, stat(strPath.c_str(), &st));
  EXPECT_GE(st.st_mtime, nStart);
  EXPECT_EQ((std::vector<std::string>{"song.vmd", "twin.vmd"}), dir.List());
}

// --- Writes by an ordinary user and over files with more than content ---

std::string ReadAttribute(const std::string& strPath, const char* pszName) {
  char sz[1024];
  ssize_t n = getxattr(strPath.c_str(), pszName, sz, sizeof sz);
  return n < 0 ? "(none)" : std::string(sz, static_cast<size_t>(n));
}

// A POSIX ACL as the file system keeps it in system.posix_acl_*: version
// 2, then (tag, permissions, id) entries in the order of their tags.
std::string AclBytes(uint32_t nUser, int nUserPerm) {
  const uint32_t kAny = 0xFFFFFFFF;
  const uint32_t aEntry[][3] = {{0x01, 6, kAny},  {0x02, static_cast<uint32_t>(nUserPerm), nUser},
                                {0x04, 4, kAny},  {0x10, 6, kAny}, {0x20, 4, kAny}};
  std::string str("\x02\0\0\0", 4);
  for (const auto& entry : aEntry) {
    const uint8_t ab[8] = {static_cast<uint8_t>(entry[0]), 0, static_cast<uint8_t>(entry[1]), 0,
                           static_cast<uint8_t>(entry[2]), static_cast<uint8_t>(entry[2] >> 8),
                           static_cast<uint8_t>(entry[2] >> 16), static_cast<uint8_t>(entry[2] >> 24)};
    str.append(reinterpret_cast<const char*>(ab), 8);
  }
  return str;
}

TEST(OutputFileTest, ReplacingKeepsAclsAndExtendedAttributes) {
  const std::string strAcl = AclBytes(65533, 6);
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, writer, "f");
    // Mode 0644 plus write for one more user: the group bits show the
    // ACL's mask (rw), not what the group may do (r).
    std::string strPath = strFolder + "/acl.vmd";
    WriteFileBytes(strPath, "old");
    GiveTo(writer, strPath);
    ASSERT_EQ(0, chmod(strPath.c_str(), 0644));
    if (setxattr(strPath.c_str(), "user.origin", "take 3", 6, 0) != 0 ||
        setxattr(strPath.c_str(), "system.posix_acl_access", strAcl.data(), strAcl.size(), 0) != 0) {
      GTEST_SKIP() << "the file system of " << dir.GetPath() << " keeps no user attributes or ACLs";
    }
    struct stat before, after;
    ASSERT_EQ(0, stat(strPath.c_str(), &before));
    const std::string strAclBefore = ReadAttribute(strPath, "system.posix_acl_access");
    EXPECT_EQ(kWritten, PutAs(writer, strPath, "new"));
    EXPECT_EQ(Bytes("new"), ReadFileBytes(strPath));
    ASSERT_EQ(0, stat(strPath.c_str(), &after));
    EXPECT_EQ(before.st_mode, after.st_mode);
    EXPECT_EQ(strAclBefore, ReadAttribute(strPath, "system.posix_acl_access"));
    EXPECT_EQ("take 3", ReadAttribute(strPath, "user.origin"));

    // A folder whose files inherit an ACL, and an old file there without
    // one: the new file doesn't keep the inherited ACL.
    ASSERT_EQ(0, setxattr(strFolder.c_str(), "system.posix_acl_default", strAcl.data(),
                          strAcl.size(), 0));
    std::string strPlain = strFolder + "/plain.vmd";
    WriteFileBytes(strPlain, "old");
    GiveTo(writer, strPlain);
    removexattr(strPlain.c_str(), "system.posix_acl_access");
    ASSERT_EQ(0, chmod(strPlain.c_str(), 0640));
    EXPECT_EQ(kWritten, PutAs(writer, strPlain, "new"));
    ASSERT_EQ(0, stat(strPlain.c_str(), &after));
    EXPECT_EQ(S_IFREG | 0640u, after.st_mode);
    EXPECT_EQ("(none)", ReadAttribute(strPlain, "system.posix_acl_access"));

    // An attribute only a privileged process may set: an ordinary user's
    // write goes in place, keeping it.
    std::string strGuarded = strFolder + "/guarded.vmd";
    WriteFileBytes(strGuarded, "old");
    GiveTo(writer, strGuarded);
    if (geteuid() == 0 && setxattr(strGuarded.c_str(), "security.sonomot", "label", 5, 0) == 0) {
      ASSERT_EQ(0, stat(strGuarded.c_str(), &before));
      EXPECT_EQ(kWritten, PutAs(writer, strGuarded, "new"));
      EXPECT_EQ(Bytes("new"), ReadFileBytes(strGuarded));
      EXPECT_EQ("label", ReadAttribute(strGuarded, "security.sonomot"));
      ASSERT_EQ(0, stat(strGuarded.c_str(), &after));
      if (writer.bNobody) {
        EXPECT_EQ(before.st_ino, after.st_ino);
      }
    }
    // A file capability, which every write takes away: root's write gives
    // it back.
    std::string strTool = strFolder + "/tool.vmd";
    WriteFileBytes(strTool, "old");
    GiveTo(writer, strTool);
    const std::string strCapability("\x01\0\0\x02\0\x04\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
    if (!writer.bNobody && geteuid() == 0 &&
        setxattr(strTool.c_str(), "security.capability", strCapability.data(),
                 strCapability.size(), 0) == 0) {
      const std::string strBefore = ReadAttribute(strTool, "security.capability");
      EXPECT_EQ(kWritten, PutAs(writer, strTool, "new"));
      EXPECT_EQ(Bytes("new"), ReadFileBytes(strTool));
      EXPECT_EQ(strBefore, ReadAttribute(strTool, "security.capability"));
    }
    EXPECT_EQ((std::vector<std::string>{"acl.vmd", "guarded.vmd", "plain.vmd", "tool.vmd"}),
              TempDir::ListOf(strFolder));
  }
}

TEST(OutputFileTest, SetIdBitsSurviveTheWrite) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, writer, "f");
    // Replaced (one name), and written in place (two names).
    std::string strReplaced = strFolder + "/a.vmd", strInPlace = strFolder + "/b.vmd";
    WriteFileBytes(strReplaced, "old");
    WriteFileBytes(strInPlace, "old");
    ASSERT_EQ(0, link(strInPlace.c_str(), (strFolder + "/twin.vmd").c_str()));
    for (const std::string& strPath : {strReplaced, strInPlace}) {
      GiveTo(writer, strPath);
      ASSERT_EQ(0, chmod(strPath.c_str(), strPath == strReplaced ? 06775 : 04755));
    }
    EXPECT_EQ(kWritten, PutAs(writer, strReplaced, "new"));
    EXPECT_EQ(kWritten, PutAs(writer, strInPlace, "new"));
    struct stat st;
    ASSERT_EQ(0, stat(strReplaced.c_str(), &st));
    EXPECT_EQ(06775u, st.st_mode & 07777);
    EXPECT_EQ(3, st.st_size);
    ASSERT_EQ(0, stat(strInPlace.c_str(), &st));
    EXPECT_EQ(04755u, st.st_mode & 07777);
    EXPECT_EQ(Bytes("new"), ReadFileBytes(strInPlace));
  }
}

// Sets or clears a folder's append-only flag; false when it can't.
bool SetAppendOnly(const std::string& strFolder, bool bOn) {
  int nFd = open(strFolder.c_str(), O_RDONLY | O_DIRECTORY);
  int nFlags = 0;
  bool bOk = nFd >= 0 && ioctl(nFd, FS_IOC_GETFLAGS, &nFlags) == 0;
  nFlags = bOn ? nFlags | FS_APPEND_FL : nFlags & ~FS_APPEND_FL;
  bOk = bOk && ioctl(nFd, FS_IOC_SETFLAGS, &nFlags) == 0;
  if (nFd >= 0) close(nFd);
  return bOk;
}

// Clears the flag when the test ends, however it ends, so that the folder
// can be removed.
struct AppendOnlyFolder {
  explicit AppendOnlyFolder(const std::string& strFolder)
      : strPath(strFolder), bSet(SetAppendOnly(strFolder, true)) {}
  ~AppendOnlyFolder() {
    if (bSet) SetAppendOnly(strPath, false);
  }
  std::string strPath;
  bool bSet;
};

TEST(OutputFileTest, AppendOnlyFolderIsWrittenInPlace) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, writer, "log");
    std::string strOld = strFolder + "/old.vmd";
    WriteFileBytes(strOld, std::string(600, 'x'));
    GiveTo(writer, strOld);
    AppendOnlyFolder appendOnly(strFolder);
    if (!appendOnly.bSet) GTEST_SKIP() << "can't make " << strFolder << " append-only here";
    // The old file is overwritten, a new one is added, and nothing else
    // appears (no name can be removed there).
    EXPECT_EQ(kWritten, PutAs(writer, strOld, "new"));
    EXPECT_EQ(kWritten, PutAs(writer, strFolder + "/new.vmd", "new"));
    EXPECT_EQ(Bytes("new"), ReadFileBytes(strOld));
    EXPECT_EQ(Bytes("new"), ReadFileBytes(strFolder + "/new.vmd"));
    EXPECT_EQ((std::vector<std::string>{"new.vmd", "old.vmd"}), TempDir::ListOf(strFolder));
  }
}

// A folder the writer may write and enter but not read: a new file is
// made there and an old one replaced, though the folder itself can only
// be opened as a place.
TEST(OutputFileTest, WriteOnlyFolderTakesNewAndReplacedFiles) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, writer, "drop");
    std::string strOld = strFolder + "/old.vmd";
    WriteFileBytes(strOld, "the previous export");
    GiveTo(writer, strOld);
    ASSERT_EQ(0, chmod(strFolder.c_str(), 0333));
    EXPECT_EQ(kWritten, PutAs(writer, strOld, "new"));
    EXPECT_EQ(kWritten, PutAs(writer, strFolder + "/new.vmd", "new"));
    ASSERT_EQ(0, chmod(strFolder.c_str(), 0755));
    EXPECT_EQ(Bytes("new"), ReadFileBytes(strOld));
    EXPECT_EQ(Bytes("new"), ReadFileBytes(strFolder + "/new.vmd"));
    EXPECT_EQ((std::vector<std::string>{"new.vmd", "old.vmd"}), TempDir::ListOf(strFolder));
  }
}

TEST(OutputFileTest, PathsNearTheLengthLimitWork) {
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.pszName);
    TempDir dir;
    chmod(dir.GetPath().c_str(), 0755);
    // A folder whose full name is 4085 characters: with "/a.vmd" the path
    // is just below the system's limit of 4096 bytes.
    std::string strFolder = dir.GetPath();
    while (strFolder.size() < 4085) {
      size_t nLeft = 4085 - strFolder.size();
      strFolder += "/" + std::string(nLeft > 250 ? 199 : nLeft - 1, 'd');
      ASSERT_EQ(0, mkdir(strFolder.c_str(), 0755)) << strFolder.size();
    }
    GiveTo(writer, strFolder);
    std::string strPath = strFolder + "/a.vmd";
    ASSERT_EQ(4091u, strPath.size());
    // A new file, the same file replaced, and a short name from inside
    // the folder.
    EXPECT_EQ(kWritten, PutAs(writer, strPath, "first"));
    EXPECT_EQ(kWritten, PutAs(writer, strPath, "new"));
    WriteFileBytes(strFolder + "/b.vmd", "old");
    GiveTo(writer, strFolder + "/b.vmd");
    EXPECT_EQ(kWritten, PutAs(writer, "b.vmd", "new", RLIM_INFINITY, strFolder.c_str()));
    EXPECT_EQ(Bytes("new"), ReadFileBytes(strPath));
    EXPECT_EQ(Bytes("new"), ReadFileBytes(strFolder + "/b.vmd"));
    EXPECT_EQ((std::vector<std::string>{"a.vmd", "b.vmd"}), TempDir::ListOf(strFolder));
  }
}

TEST(OutputFileTest, WritesOverTheSizeLimitLeaveTheOldFileWhole) {
  const std::string strContent(498, 'm');
  TempDir dir;
  std::string strPath = dir.Join("song.vmd");
  WriteFileBytes(strPath, "the previous export");
  // Replaced: the new file fails in its one write, and is not named.
  EXPECT_EQ(kNotWritten, PutAs(Writers()[0], strPath, strContent, 300));
  EXPECT_EQ(Bytes("the previous export"), ReadFileBytes(strPath));
  EXPECT_EQ(std::vector<std::string>{"song.vmd"}, dir.List());
  for (const Writer& writer : Writers()) {
    SCOPED_TRACE(writer.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, writer, "f");
    // Written in place: a file with two names, and (for an ordinary user)
    // root's file that anyone may write.
    std::string strLinked = strFolder + "/linked.vmd";
    WriteFileBytes(strLinked, "the previous export");
    GiveTo(writer, strLinked);
    ASSERT_EQ(0, link(strLinked.c_str(), (strFolder + "/twin.vmd").c_str()));
    std::vector<std::string> paths = {strLinked};
    if (writer.bNobody) {
      std::string strShared = strFolder + "/shared.vmd";
      WriteFileBytes(strShared, "the previous export");
      ASSERT_EQ(0, chmod(strShared.c_str(), 0666));
      paths.push_back(strShared);
    }
    for (const std::string& strPath : paths) {
      EXPECT_EQ(kNotWritten, PutAs(writer, strPath, strContent, 300)) << strPath;
      EXPECT_EQ(Bytes("the previous export"), ReadFileBytes(strPath)) << strPath;
      EXPECT_EQ(kWritten, PutAs(writer, strPath, strContent, 600)) << strPath;
      EXPECT_EQ(Bytes(strContent), ReadFileBytes(strPath)) << strPath;
    }
  }
}

// A full disk: on tmpfs the reservation fails cleanly, on ext4 it fails
// halfway and has grown the file, which must get its size back.
TEST(OutputFileTest, InPlaceWriteOnAFullDiskLeavesTheOldFileWhole) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a small file system";
  const std::string strContent(1332054, 'm');  // about 1.3 MB
  constexpr int kChanged = 996;
  for (const char* pszKind : {"tmpfs", "ext4"}) {
    SCOPED_TRACE(pszKind);
    TempDir dir;
    const std::string strImage = dir.GetPath() + ".img";
    bool bExt4 = std::string(pszKind) == "ext4";
    if (bExt4) {
      std::string strMake = "truncate -s 2M '" + strImage + "' && mkfs.ext4 -F -q '" + strImage +
                            "' >/dev/null 2>&1";
      if (system(strMake.c_str()) != 0) {
        unlink(strImage.c_str());
        GTEST_SKIP() << "can't make an ext4 image with mkfs.ext4 here";
      }
    }
    // A file system of its own, in the child's own mount table.
    int nResult = RunInChild([&]() {
      if (unshare(CLONE_NEWNS) != 0 ||
          mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return kNoSetUp;
      }
      std::string strMount = "mount -o loop '" + strImage + "' '" + dir.GetPath() + "' 2>/dev/null";
      if (bExt4 ? system(strMount.c_str()) != 0
                : mount("tmpfs", dir.GetPath().c_str(), "tmpfs", 0, "size=512k") != 0) {
        return kNoSetUp;
      }
      std::string strPath = dir.Join("song.vmd");
      WriteFileBytes(strPath, "the previous export");
      if (link(strPath.c_str(), dir.Join("twin.vmd").c_str()) != 0) return kNoSetUp;
      int nFiller = open(dir.Join("filler").c_str(), O_WRONLY | O_CREAT, 0600);
      std::vector<char> block(4096, 'f');
      for (int i = 0; i < 1000; ++i) {
        if (write(nFiller, block.data(), block.size()) != static_cast<ssize_t>(block.size())) break;
      }
      close(nFiller);
      int nPut = Put(strPath, strContent);
      return ReadFileBytes(strPath) == Bytes("the previous export") ? nPut : kChanged;
    });
    unlink(strImage.c_str());
    if (nResult == kNoSetUp) GTEST_SKIP() << "can't mount a " << pszKind << " file system here";
    EXPECT_EQ(kNotWritten, nResult);
  }
}

TEST(OutputFileTest, BindMountedTargetIsWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount";
  TempDir dir;
  std::string strSource = dir.Join("source.vmd"), strTarget = dir.Join("target.vmd");
  WriteFileBytes(strSource, std::string(700, 's'));
  WriteFileBytes(strTarget, "under the mount");
  // The mount lives in the child's own mount table and ends with it.
  int nResult = RunInChild([&]() {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(strSource.c_str(), strTarget.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      return kNoSetUp;
    }
    return Put(strTarget, "new");
  });
  if (nResult == kNoSetUp) GTEST_SKIP() << "can't bind-mount a file here";
  EXPECT_EQ(kWritten, nResult);
  EXPECT_EQ(Bytes("new"), ReadFileBytes(strSource));
  EXPECT_EQ(Bytes("under the mount"), ReadFileBytes(strTarget));
  EXPECT_EQ((std::vector<std::string>{"source.vmd", "target.vmd"}), dir.List());
}

}  // namespace
