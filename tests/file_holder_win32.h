// A file held open as another program may hold it on Windows: reading it
// and sharing it with no one, so that nobody else may open, write, rename
// or delete it until the FileHolder goes; or, as a player that reads a
// motion while it is made, sharing its reading and writing but not its
// renaming or removal. Apart from windows.h, whose names clash with the
// platform layer's.
#ifndef SONOMOT_TESTS_FILE_HOLDER_WIN32_H_
#define SONOMOT_TESTS_FILE_HOLDER_WIN32_H_

#include <string>

class FileHolder {
 public:
  enum class Sharing { kNothing, kReadingAndWriting };

  explicit FileHolder(const std::string& strPath, Sharing sharing = Sharing::kNothing);
  ~FileHolder();
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

 private:
  void* m_hFile;
};

#endif  // SONOMOT_TESTS_FILE_HOLDER_WIN32_H_
