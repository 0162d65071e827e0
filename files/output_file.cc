#include "files/output_file.h"

#include <errno.h>

#include <algorithm>
#include <vector>

#include "files/path_parts.h"

namespace fs = file_system;

namespace {

using Handle = fs::Handle;
constexpr Handle kNoFile = fs::kNoFile;

// The folder of a path as the *at calls take it: "." for a bare name.
std::string FolderOf(const PathParts& parts) {
  return parts.strFolder.empty() ? std::string(".") : parts.strFolder;
}

// Makes room for nSize bytes in the regular file, then sets its first
// nHeadSize bytes to zeros and cuts it to nSize, and leaves it standing
// after the zeros. Nothing of its content changes before the room is
// found. False when there is no room or nSize passes the file size limit:
// the file keeps its content and size then, unless *pbChanged says
// otherwise; false after a failure once the content changed too.
bool ReserveInPlace(Handle file, uint64_t nSize, size_t nHeadSize, bool* pbChanged) {
  fs::Facts facts;
  if (!fs::LookAt(file, &facts) || !fs::MakeRoom(file, nSize, pbChanged)) return false;
  // From here on the old content is given up.
  *pbChanged = true;
  static const char kZeros[OutputFile::kHeldBackBytes] = {};
  if (!fs::WriteAt(file, kZeros, nHeadSize, 0)) return false;
  if (facts.nSize > nSize && !fs::Truncate(file, nSize)) return false;
  return fs::Seek(file, nHeadSize);
}

// Calls fnMake with fresh names until it succeeds or fails for another
// reason than the name being taken; returns the name it took, or "" with
// errno set. Named after this process so concurrent exports never share a
// name.
template <typename F>
std::string TakeNewName(F fnMake) {
  for (int nTry = 0; nTry < 100; ++nTry) {
    std::string strNew = fs::TemporaryName(nTry);
    if (fnMake(strNew)) return strNew;
    if (errno != EEXIST) return "";
  }
  return "";
}

}  // namespace

OutputFile::~OutputFile() { Abandon(); }

bool OutputFile::Open(const char* pszPath) {
  Abandon();
  m_strLeftover.clear();
  // Every failure leaves errno saying why, for the export's message.
  if (!pszPath || !*pszPath) {
    errno = ENOENT;
    return false;
  }
  PathParts parts = SplitPath(pszPath);
  if (parts.strName.empty()) {  // names a folder, not a file
    errno = EISDIR;
    return false;
  }
  m_signalsIgnored.emplace();

  std::string strName = parts.strName;
  m_folder = fs::OpenFolder(fs::kWorkingFolder, FolderOf(parts));
  fs::Facts facts;
  for (int nLink = 0;; ++nLink) {
    if (m_folder == kNoFile || nLink > 40) {  // no folder there, or a loop of links
      int nError = m_folder == kNoFile ? errno : ELOOP;
      Abandon();
      errno = nError;
      return false;
    }
    if (!fs::LookAt(m_folder, strName, &facts)) {
      // Nothing there yet (through a link: the file is made where the link
      // points, and the link stays).
      bool bMissing = errno == ENOENT;
      m_strName = strName;
      if (bMissing && OpenNew()) return true;
      int nError = errno;
      Abandon();
      errno = nError;
      return false;
    }
    if (facts.kind != fs::Facts::Kind::kLink) break;
    std::string strTarget;
    Handle folder = kNoFile;
    if (fs::ReadLink(m_folder, strName, &strTarget)) {
      PathParts target = SplitPath(strTarget);
      strName = target.strName;
      folder = fs::OpenFolder(m_folder, FolderOf(target));
    }
    fs::Close(m_folder);
    m_folder = folder;
  }
  bool bFolder = facts.kind == fs::Facts::Kind::kFolder;
  if (bFolder || !OpenInPlace(strName)) {
    int nError = bFolder ? EISDIR : errno;
    Abandon();
    errno = nError;
    return false;
  }
  // A device or a pipe is written where it is, nothing to replace.
  if (!m_bRegular) return true;
  if (m_old.nLinks == 1 && m_old.bOurs && fs::MayReplaceIn(m_folder)) {
    m_oldFile = m_file;
    m_file = kNoFile;
    if (OpenNew() && GiveOldAttributes()) return true;
    // What the new file can't be given is kept by writing the old one.
    if (m_file != kNoFile) fs::Close(m_file);
    if (!m_strNew.empty()) fs::Remove(m_folder, m_strNew);
    m_strNew.clear();
    m_file = m_oldFile;
    m_oldFile = kNoFile;
    m_bReplacing = false;
  }
  return true;
}

bool OutputFile::OpenStandardOutput() {
  Abandon();
  m_strLeftover.clear();
  m_signalsIgnored.emplace();
  // A copy of the descriptor: Commit closes its own, never the process's.
  m_file = fs::OpenStandardOutput();
  if (m_file == kNoFile) {
    int nError = errno;
    Abandon();
    errno = nError;
    return false;
  }
  return true;
}

bool OutputFile::OpenInPlace(const std::string& strName) {
  // The open doesn't wait: a pipe that nobody reads can't be opened, where
  // a waiting open would hang the export until a reader came. Writes then
  // wait as usual. A file we may not write is neither replaced nor written.
  m_file = fs::OpenToWrite(m_folder, strName);
  if (m_file == kNoFile || !fs::LookAt(m_file, &m_old)) return false;
  m_strName = strName;
  m_bRegular = m_old.IsRegular();
  return true;
}

bool OutputFile::OpenNew() {
  // Without a name until Commit, a file cut short by a killed process
  // vanishes with it. Opened for reading too, to be copied in place if it
  // can't be renamed.
  Handle file = fs::OpenUnnamed(m_folder);
  std::string strNew;
  if (file == kNoFile) {
    if (errno != ENOTSUP) return false;
    strNew = TakeNewName([&](const std::string& strTry) {
      file = fs::CreateNew(m_folder, strTry, true);
      return file != kNoFile;
    });
    if (file == kNoFile) return false;
  }
  m_file = file;
  m_strNew = strNew;
  m_bReplacing = true;
  return true;
}

bool OutputFile::GiveOldAttributes() {
  // The group first: a change of group clears set-id bits. The mode is
  // set here to see that all of it takes (a set-group-id bit of a group we
  // are not in would not), and again in Commit, after the writes that
  // clear set-id bits.
  fs::Facts facts;
  return fs::GiveOwner(m_file, m_old) && fs::CopyAttributes(m_oldFile, m_file, &m_bOldAttributes) &&
         fs::SetPermissions(m_file, m_old.nPermissions) && fs::LookAt(m_file, &facts) &&
         facts.nPermissions == m_old.nPermissions;
}

void OutputFile::ForgetCachedPages(const char* pszPath) {
  fs::Facts facts;
  if (!fs::LookAtPath(pszPath, &facts) || !facts.IsRegular() || facts.nLinks != 1 || !facts.bOurs) {
    return;
  }
  // Not waiting on the open either; the file must still be the one seen.
  Handle file = fs::OpenToRead(pszPath);
  if (file == kNoFile) return;
  fs::Facts now;
  if (fs::LookAt(file, &now) && now.nDevice == facts.nDevice && now.nFile == facts.nFile) {
    fs::ForgetCachedPages(file);
  }
  fs::Close(file);
}

bool OutputFile::Reserve(uint64_t nSize) {
  m_bReserved = true;
  m_nSize = nSize;
  if (m_bReplacing || !m_bRegular) return true;
  return BeginInPlace(m_file);
}

bool OutputFile::BeginInPlace(Handle file) {
  // Watched before the first byte changes.
  m_watch.Start(file);
  m_nHeadSize = static_cast<size_t>(std::min<uint64_t>(m_nSize, kHeldBackBytes));
  m_head.clear();
  bool bChanged = false;
  if (ReserveInPlace(file, m_nSize, m_nHeadSize, &bChanged)) return true;
  int nError = errno;
  m_watch.Finish(!bChanged);
  m_nHeadSize = 0;
  errno = nError;
  return false;
}

bool OutputFile::Write(const void* p, size_t n) {
  // Over an old file, room for these bytes at least comes before the
  // first of them.
  if (!m_bReserved && !Reserve(n)) return false;
  size_t nGiven = n;
  const char* pc = static_cast<const char*>(p);
  if (m_head.size() < m_nHeadSize) {
    // In place: the first bytes wait for Commit.
    size_t nHeld = std::min(n, m_nHeadSize - m_head.size());
    m_head.append(pc, nHeld);
    pc += nHeld;
    n -= nHeld;
  }
  if (!fs::Write(m_file, pc, n)) return false;
  m_nWritten += nGiven;
  if (m_bReplacing) {
    // The new file goes to the disk while the rest is made, not all at
    // once in Commit's sync, which still waits for all of it. Only a
    // start: a failure here is not one of the export.
    constexpr uint64_t kStartEvery = uint64_t{8} << 20;
    if (m_nWritten - m_nStarted >= kStartEvery) {
      fs::StartSync(m_file, m_nStarted, m_nWritten - m_nStarted);
      m_nStarted = m_nWritten;
    }
  }
  return true;
}

bool OutputFile::Commit() {
  bool bOk;
  if (!m_bReplacing) {
    bOk = FinishInPlace(m_file);
  } else if (m_oldFile != kNoFile &&
             ((m_bOldAttributes && !fs::CopyAttributes(m_oldFile, m_file, &m_bOldAttributes)) ||
              (m_old.HasSetId() && !fs::SetPermissions(m_file, m_old.nPermissions)))) {
    // What the writes took (set-id bits, a file capability) is given
    // again; where it can't be, the old file is written in place.
    bOk = CopyInPlace();
  } else if (!fs::Sync(m_file)) {  // on the disk before a name shows it
    bOk = false;
  } else {
    int nError = Name() ? 0 : errno;
    // Refused in this folder (append-only) or for this target (a mount
    // point, another file system): written in place after all.
    bOk = nError == 0 || ((nError == EPERM || nError == EBUSY || nError == EXDEV) && CopyInPlace());
  }
  Abandon();
  return bOk;
}

bool OutputFile::Name() {
  if (m_oldFile == kNoFile && m_strNew.empty()) {
    // Nothing was at the path: the file gets its name directly.
    if (fs::Link(m_file, m_folder, m_strName)) return true;
    if (errno != EEXIST) return false;
    // A file appeared there meanwhile: replaced as below.
  }
  // The new file is named beside the old one and renamed over it.
  if (m_strNew.empty()) {
    m_strNew = TakeNewName(
        [this](const std::string& strTry) { return fs::Link(m_file, m_folder, strTry); });
    if (m_strNew.empty()) return false;
  }
  if (!fs::Rename(m_folder, m_strNew, m_strName, &m_file)) return false;
  m_strNew.clear();
  return true;
}

bool OutputFile::CopyInPlace() {
  Handle target = m_oldFile;
  if (target == kNoFile) {
    target = fs::CreateNew(m_folder, m_strName, false);
    if (target == kNoFile) return false;
    m_oldFile = target;
  }
  // Copied in place: exactly what was written, not what was reserved.
  m_nSize = m_nWritten;
  if (!BeginInPlace(target)) return false;
  // The first bytes are held back as Write holds them; the rest is
  // copied after the zeros that stand for them.
  m_head.resize(m_nHeadSize);
  std::vector<char> buffer(256 * 1024);
  for (uint64_t nAt = 0; nAt < m_nSize;) {
    bool bHead = nAt < m_nHeadSize;
    char* pTo = bHead ? m_head.data() + nAt : buffer.data();
    uint64_t nRoom = bHead ? m_nHeadSize - nAt : buffer.size();
    int64_t nRead = fs::Read(m_file, pTo, static_cast<size_t>(std::min(nRoom, m_nSize - nAt)),
                             static_cast<int64_t>(nAt));
    if (nRead <= 0 || (!bHead && !fs::Write(target, buffer.data(), static_cast<size_t>(nRead)))) {
      return false;
    }
    nAt += static_cast<uint64_t>(nRead);
  }
  // The new file is not needed any more; a name it can't lose (in a
  // folder that turned append-only) is reported.
  if (!m_strNew.empty() && !fs::Remove(m_folder, m_strNew)) m_strLeftover = m_strNew;
  m_strNew.clear();
  return FinishInPlace(target);
}

bool OutputFile::FinishInPlace(Handle file) {
  // The file ends with the last byte written: an old file that was longer
  // loses its tail, however much room was made.
  bool bOk = true;
  if (m_bRegular || m_watch.IsActive()) {
    fs::Facts facts;
    bOk = fs::LookAt(file, &facts) && (facts.nSize <= m_nWritten || fs::Truncate(file, m_nWritten));
  }
  if (m_watch.IsActive()) {
    // A regular file: the rest on the disk, then the first bytes, so that
    // the file begins as a motion only once all of it is there.
    bOk = bOk && fs::SyncData(file) && fs::WriteAt(file, m_head.data(), m_head.size(), 0) &&
          fs::SyncData(file);
    m_watch.Finish(bOk);
  }
  // Our own file gets back the set-id bits that a write by an ordinary
  // user clears.
  if (m_bRegular && m_old.bOurs && m_old.HasSetId()) fs::SetPermissions(file, m_old.nPermissions);
  if (file == m_file) m_file = kNoFile;
  if (file == m_oldFile) m_oldFile = kNoFile;
  return fs::Close(file) && bOk;
}

void OutputFile::Abandon() {
  // A file written in place and not finished: dated back while it is open.
  m_watch.Finish(false);
  if (m_file != kNoFile) fs::Close(m_file);
  if (m_oldFile != kNoFile) fs::Close(m_oldFile);
  if (!m_strNew.empty() && !fs::Remove(m_folder, m_strNew)) m_strLeftover = m_strNew;
  if (m_folder != kNoFile) fs::Close(m_folder);
  m_file = m_oldFile = m_folder = kNoFile;
  m_strNew.clear();
  m_strName.clear();
  m_old = {};
  m_bReplacing = m_bRegular = m_bOldAttributes = m_bReserved = false;
  m_nSize = 0;
  m_nHeadSize = 0;
  m_head.clear();
  m_nWritten = 0;
  m_nStarted = 0;
  m_signalsIgnored.reset();
}
