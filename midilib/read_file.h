// Reading a file as the MIDI data library does: for reading only, every
// byte as it is on the disk (no line ends or end-of-file bytes translated),
// never handed down to a process the program starts, and without waiting
// on a pipe that nobody writes to.
//
// One implementation per OS, chosen by the build: read_file_posix.cc and
// read_file_win32.cc.
#ifndef SONOMOT_MIDILIB_READ_FILE_H_
#define SONOMOT_MIDILIB_READ_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

// Which file and in what state, as the system tells files apart (POSIX: the
// device, the inode and the change time; Windows: the volume serial number,
// the file index and the change time). The same file found again unchanged
// has an equal stamp.
struct FileStamp {
  uint64_t nDevice = 0;
  uint64_t nFile = 0;
  uint64_t nSize = 0;
  int64_t nChanged = 0;  // content or attributes last changed, in ns
  bool operator==(const FileStamp& other) const = default;
};

// The stamp of the file pszPath names, through symbolic links: 0, or the
// errno of the failure.
int StampFile(const char* pszPath, FileStamp* pStamp);

// The reason in words for the errno nError that StampFile or Open gave
// for pszPath: the C library's words, except where the system's own say
// more. On Windows EBUSY is a file another program holds open ("in use by
// another program"), and ENODEV a name Windows keeps for a device, which
// is never read as a file ("reserved for the device NUL").
std::string DescribeReadError(int nError, const char* pszPath);

// One regular file open for reading.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ~ReadOnlyFile();  // closes the file
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Opens the regular file at pszPath and tells its stamp: 0, or the errno
  // of the failure, EISDIR for a folder, EINVAL for a file that isn't
  // regular (a device, a pipe).
  // REQUIRES: called once.
  int Open(const char* pszPath, FileStamp* pStamp);
  // Reads up to n bytes into p, *pnRead of them (0 at the end of the
  // file): 0, or the errno of the failure.
  int Read(void* p, size_t n, size_t* pnRead);

 private:
  intptr_t m_nHandle = -1;  // the system's handle of the open file
};

#endif  // SONOMOT_MIDILIB_READ_FILE_H_
