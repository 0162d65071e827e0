// The system's files as the files floor reaches them: every call that
// differs between operating systems, so that OutputFile, InPlaceWatch and
// the line reader are written once. One implementation per OS, chosen by
// the build: file_system_posix.cc and file_system_win32.cc.
//
// Names are UTF-8. A call that fails returns false (or kNoFile, or a
// negative count) and leaves the system's reason in errno, for the
// message that names it (DescribeError). Calls that retry themselves do
// so on an interrupted call only.
#ifndef SONOMOT_FILES_FILE_SYSTEM_H_
#define SONOMOT_FILES_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace file_system {

// An open file or folder, as the system numbers it.
using Handle = intptr_t;
constexpr Handle kNoFile = -1;
// The folder a relative path starts from.
extern const Handle kWorkingFolder;
// The characters that end a folder in a path the system takes.
extern const char kPathSeparators[];
// True where a path may begin with a drive letter and a colon: "C:" is
// then a folder of its own, even with no separator behind it
// ("C:foo.vmd" is foo.vmd in the current folder of drive C). Elsewhere a
// colon is a character of a name like any other.
extern const bool kDriveLetters;

// The system's reason in words for the errno nError that a call given
// strPath left: the C library's words ("Permission denied"), except
// where the system's own say more. On Windows EBUSY is a file another
// program holds open ("in use by another program"), and ENODEV a name
// Windows keeps for a device, which only NUL may take ("reserved for the
// device CON"); strPath names it.
std::string DescribeError(int nError, const std::string& strPath);

// What the system tells of a file, as the floor needs it.
struct Facts {
  enum class Kind { kRegular, kFolder, kLink, kOther };
  Kind kind = Kind::kOther;
  uint64_t nLinks = 0;       // its names
  uint64_t nSize = 0;
  uint32_t nPermissions = 0;  // read, write, run for each, with the set-id bits
  uint32_t nOwner = 0, nGroup = 0;
  uint64_t nDevice = 0, nFile = 0;  // which file it is
  bool bOurs = false;        // owned by the user we run as

  bool HasSetId() const { return (nPermissions & 06000) != 0; }
  bool IsRegular() const { return kind == Kind::kRegular; }
};

// Facts of the name in a folder (a link itself, not what it points to),
// of an open file, and of a path (followed through links).
bool LookAt(Handle folder, const std::string& strName, Facts* pFacts);
bool LookAt(Handle file, Facts* pFacts);
bool LookAtPath(const std::string& strPath, Facts* pFacts);
// What the link at the name points to; false for a target longer than a
// path may be, or one that names a folder.
bool ReadLink(Handle folder, const std::string& strName, std::string* pTarget);

// Makes the folder (whose parent must exist), for its user alone, as
// configuration folders are; EEXIST when something is there already.
bool MakePrivateFolder(const std::string& strFolder);
// A folder opened for the calls below; opened to be read where we may, so
// that its flags can be asked, else only as a place.
Handle OpenFolder(Handle at, const std::string& strFolder);
// True when the folder lets us add and remove names (we may write it, and
// it is not append-only). A folder opened only as a place can't tell it
// is append-only; a rename refused there is dealt with when it happens.
bool MayReplaceIn(Handle folder);

// Opens the name in the folder for writing where it is, not following a
// link: a pipe nobody reads is refused rather than waited on (writes then
// wait as usual), a terminal is never made ours.
Handle OpenToWrite(Handle folder, const std::string& strName);
// A new file in the folder, to be read and written, without a name until
// Link gives it one. ENOTSUP when the folder's file system has no unnamed
// files.
Handle OpenUnnamed(Handle folder);
// A new file at the name, which must not exist (EEXIST when it does).
Handle CreateNew(Handle folder, const std::string& strName, bool bToRead);
// A copy of the process's standard output, closed with the rest.
Handle OpenStandardOutput();
// A regular file, to be read.
Handle OpenToRead(const std::string& strPath);
bool Close(Handle file);

// Reads up to n bytes at nAt, or where the file stands when nAt is
// negative; the bytes read, 0 at the end, negative on failure.
int64_t Read(Handle file, void* p, size_t n, int64_t nAt = -1);
// Writes all n bytes where the file stands, or at nAt.
bool Write(Handle file, const void* p, size_t n);
bool WriteAt(Handle file, const void* p, size_t n, uint64_t nAt);
bool Seek(Handle file, uint64_t nAt);
bool Truncate(Handle file, uint64_t nSize);
// Makes room for nSize bytes in the regular file before any is written.
// False when the disk is full or nSize passes the file size limit; a
// file system that can't make room only has the limit checked. A disk
// that filled halfway may have left the file longer: it gets its size
// back, else *pbChanged says so.
bool MakeRoom(Handle file, uint64_t nSize, bool* pbChanged);

// The calls by which a file written is sent to the disk: all of it, or
// its content. The program calls them only through these pointers, which
// hold the system's own; tests may point them at fakes that note each
// call or make it fail, as they do the bound MIDI functions.
extern bool (*Sync)(Handle file);
extern bool (*SyncData)(Handle file);
// Starts the n bytes at nAt on their way to the disk without waiting;
// only a hint.
void StartSync(Handle file, uint64_t nAt, uint64_t n);
// Asks the system to forget the cached pages of the open file.
void ForgetCachedPages(Handle file);

// Gives the new file the owner and group, and then every extended
// attribute (its ACL among them) of the old one, dropping those it got
// on its own. False when one can't be given. *pbAny tells whether the
// old file has extended attributes.
bool GiveOwner(Handle file, const Facts& old);
bool CopyAttributes(Handle from, Handle to, bool* pbAny);
bool SetPermissions(Handle file, uint32_t nPermissions);
// Sets the file's modification time to the start of 1970, leaving its
// access time; false when it can't (another user's file).
bool DateBack(Handle file);

// Gives the unnamed (or named) open file a name in the folder.
bool Link(Handle file, Handle folder, const std::string& strName);
// Renames strFrom over strTo. *pOpen is the file at strFrom, open: a
// system that renames only a closed file closes it and opens it again
// where it is afterwards (at strTo, or still at strFrom on a failure), so
// *pOpen may change; kNoFile when it could not be opened again.
bool Rename(Handle folder, const std::string& strFrom, const std::string& strTo, Handle* pOpen);
bool Remove(Handle folder, const std::string& strName);
// A name for a file of ours that no other process of the program takes
// at the same time: try nTry of this process.
std::string TemporaryName(int nTry);

// While one lives, a file size limit or a reader that went away fails a
// write instead of ending the program.
class WriteSignalsIgnored {
 public:
  WriteSignalsIgnored();
  ~WriteSignalsIgnored();
  WriteSignalsIgnored(const WriteSignalsIgnored&) = delete;
  WriteSignalsIgnored& operator=(const WriteSignalsIgnored&) = delete;

 private:
  struct Saved;
  std::unique_ptr<Saved> m_pSaved;
};

// A process of its own that dates the open file back unless it is told
// the file is whole before the program ends (see files/in_place_watch.h).
struct Watcher {
  intptr_t nProcess = -1;
  Handle word = kNoFile;  // where the word that ends it is written
};
// False when no process could be started.
bool StartWatcher(Handle file, Watcher* pWatcher);
// Tells the watcher to end and waits for it.
void EndWatcher(const Watcher& watcher);

}  // namespace file_system

#endif  // SONOMOT_FILES_FILE_SYSTEM_H_
