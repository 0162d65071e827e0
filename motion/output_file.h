// OutputFile: a file at a path, replaced only when it is complete where
// that changes nothing but its content, and written in place where it
// would.
//
// Replacing: Open makes a new file in the path's folder that has no name
// while it is written (where the file system allows it; elsewhere a hidden
// `.sonomot-<pid>-<n>.tmp`); Write appends to it; Commit gives it a name,
// closes it and renames it over the path. Until Commit succeeds the path
// keeps what it held before (nothing, or the old file), a file that is not
// committed is removed when the OutputFile is destroyed, and a process
// ended while it writes leaves nothing behind.
//
// A new file is not the old one, though: it would part the other names of
// a hard-linked file, come back owned by whoever exported, or be refused
// over another user's file in a sticky folder, and it can't be made in a
// folder we may not write. So an existing file is replaced only when it is
// a regular file with one name, owned by us (with its group kept), in a
// folder we may write. Any other writable file is opened and truncated
// where it is, as a plain "wb" open does: a write that fails then leaves it
// cut short, and the export says so.
//
// A path naming an existing device or pipe (not a regular file) is written
// where it is too, except that a pipe nobody reads from is refused instead
// of waited on. A path through a symbolic link writes the file the link
// points to, or makes it when it isn't there yet; the link stays.
#ifndef SONOMOT_MOTION_OUTPUT_FILE_H_
#define SONOMOT_MOTION_OUTPUT_FILE_H_

#include <cstddef>
#include <string>

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // removes a new file that was not committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // False when the path can't be opened for writing: an empty path, a
  // folder that doesn't exist, a folder at the path, an existing file
  // without write permission, a new file in a folder that can't be
  // written. Nothing is created or truncated then.
  bool Open(const char* pszPath);
  // Writes all n bytes; false on the first failure (a full disk, a file
  // size limit, a pipe whose reader is gone). REQUIRES: Open succeeded.
  bool Write(const void* p, size_t n);
  // Closes the file and, when replacing, puts the new file at the path.
  // False when naming, closing or renaming fails; a new file is removed
  // then and the path untouched.
  bool Commit();

 private:
  bool OpenInPlace(const char* pszPath);
  bool OpenNew(const std::string& strTarget);
  void Abandon();

  int m_nFd = -1;
  std::string m_strTarget;  // the path replaced on Commit
  std::string m_strFolder;  // the target's folder, where the new file is named
  std::string m_strNew;     // the new file's name; empty while it has none
  bool m_bUnnamed = false;  // a new file that gets its name on Commit
};

#endif  // SONOMOT_MOTION_OUTPUT_FILE_H_
