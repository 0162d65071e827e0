// File identity: which file a path names, as the system itself tells files
// apart (on POSIX the device and the file's number on it), so that two
// paths are compared without resolving either to a full name. A path works
// wherever the system reaches it, however long the full name of its folder,
// and costs one look-up however many paths it is compared with.
//
// One implementation per OS, chosen by the build: file_identity_posix.cc
// and file_identity_win32.cc (the volume serial number and file index).
#ifndef SONOMOT_FILES_FILE_IDENTITY_H_
#define SONOMOT_FILES_FILE_IDENTITY_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct FileIdentity {
  uint64_t nDevice = 0;
  uint64_t nFile = 0;
  bool operator==(const FileIdentity& other) const = default;
};

// For unordered sets of identities.
struct FileIdentityHash {
  size_t operator()(const FileIdentity& identity) const {
    return std::hash<uint64_t>()(identity.nFile * 0x9E3779B97F4A7C15u ^ identity.nDevice);
  }
};

enum class FileLookup {
  kFound,    // *pIdentity is the file's
  kMissing,  // nothing there, a symbolic link to nothing, or (on Windows) a device
  kFailed,   // the path can't be followed; *pReason says why
};

// Looks up the file strPath names, through symbolic links. On kFailed,
// *pReason is the system's reason, such as "Permission denied" for a
// folder on the way that may not be searched.
FileLookup IdentifyFile(const std::string& strPath, FileIdentity* pIdentity,
                        std::string* pReason);

#endif  // SONOMOT_FILES_FILE_IDENTITY_H_
