// OutputFile: a file at a path that is replaced only when it is complete.
//
// Open creates a new file in the path's folder; Write appends to it; Commit
// closes it and renames it over the path. Until Commit succeeds the path
// keeps what it held before (nothing, or the old file), and a file that is
// not committed is removed when the OutputFile is destroyed, so a failed
// export leaves neither a partial file nor a stray new one.
//
// A path naming an existing device or pipe (not a regular file) can't be
// replaced: it is opened and written directly, as a plain "wb" open would,
// except that a pipe nobody reads from is refused instead of waited on.
// A path through a symbolic link replaces the file the link points to, or
// makes it when it isn't there yet; the link stays.
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
  // folder that doesn't exist or can't be written, a folder at the path, an
  // existing file without write permission. Nothing is created then. A
  // writable file in a folder that can't be written is refused too: it
  // could only be overwritten in place, which a failure would leave cut
  // short.
  bool Open(const char* pszPath);
  // Writes all n bytes; false on the first failure (a full disk, a file
  // size limit, a pipe whose reader is gone). REQUIRES: Open succeeded.
  bool Write(const void* p, size_t n);
  // Closes the new file and puts it at the path. False when closing or
  // renaming fails; the new file is removed then and the path untouched.
  bool Commit();

 private:
  void Abandon();

  int m_nFd = -1;
  std::string m_strTarget;  // the path replaced on Commit
  std::string m_strNew;     // the new file; empty when writing in place
};

#endif  // SONOMOT_MOTION_OUTPUT_FILE_H_
