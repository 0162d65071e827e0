#include <errno.h>
#include <sys/stat.h>

#include <cstring>

#include "files/file_identity.h"

FileLookup IdentifyFile(const std::string& strPath, FileIdentity* pIdentity,
                        std::string* pReason) {
  struct stat st;
  if (stat(strPath.c_str(), &st) != 0) {
    if (errno == ENOENT) return FileLookup::kMissing;
    *pReason = std::strerror(errno);
    return FileLookup::kFailed;
  }
  pIdentity->nDevice = static_cast<uint64_t>(st.st_dev);
  pIdentity->nFile = static_cast<uint64_t>(st.st_ino);
  return FileLookup::kFound;
}
