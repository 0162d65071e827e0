// OutputFile: a file at a path, replaced only when it is complete where
// that changes nothing but its content, and written in place where it
// would.
//
// Every name is taken relative to the path's folder, opened once, so any
// path the system accepts works, however long its folder's full name.
//
// Replacing: Open makes a new file in the path's folder that has no name
// while it is written; Write appends to it; Commit flushes it to the disk
// and links it straight to the path when nothing was there, or names it
// `.sonomot-<pid>-<n>.tmp` and renames that over the old file. Until
// Commit succeeds the path keeps what it held before (nothing, or the old
// file), and a file that is not committed is removed when the OutputFile
// is destroyed. On a file system without unnamed files (NFS and some
// others) the new file has its hidden name from the start: an export
// killed while it writes leaves that file behind there. It is left for
// the user rather than removed by a later export, because a process of
// another machine sharing the folder may be writing it.
//
// A new file is not the old one, though: it would part the other names of
// a hard-linked file, come back owned by whoever exported, be refused over
// another user's file in a sticky folder, and it can't be made in a folder
// we may not write or renamed in one that only grows (append-only). So an
// existing file is replaced only when it is a regular file with one name,
// owned by us, in a folder we may write that is not append-only, and only
// when the new file can be given everything that protects and describes
// the old one: its group, its mode with the set-id bits (set after the
// last write, which would clear them), its ACL and every extended
// attribute. Anything else is written in place. When the rename or link
// is refused after all (a target that is a mount point, a folder that
// turned append-only), the finished file is copied in place instead.
//
// The file is as long as the bytes Write was given: in place, Commit cuts
// an old file that was longer, so no caller has to size it and no old
// tail outlives a shorter write. Room for the whole new content is made
// before the old content is touched: by Reserve when the caller knows the
// size before its first Write, else by the first Write for its own bytes,
// so a file written with one Write is whole or untouched. A full disk or a
// file size limit is found then and the old file stays whole. Where the
// file system can't reserve space, only the size limit is checked
// beforehand, and a disk that fills while writing leaves the file cut
// short; the export says so. The old file's first bytes (up to
// kHeldBackBytes) are then set to zeros, and the new ones are held back
// until Commit, which writes them last, once the rest is on the disk: a
// file that an export leaves unfinished (killed, or failed halfway) never
// begins as a finished one does, and no reader takes it for one. An
// InPlaceWatch (files/in_place_watch.h) dates such a file back, so that
// make takes it for older than its input and makes it again.
//
// A path naming an existing device or pipe (not a regular file) is written
// where it is too, except that a pipe nobody reads from is refused instead
// of waited on. A path through a symbolic link writes the file the link
// points to, or makes it when it isn't there yet; the link stays.
//
// From Open to the end of Commit (or destruction) SIGXFSZ and SIGPIPE are
// ignored, so that a file size limit or a reader that went away fails the
// export instead of ending the program.
#ifndef SONOMOT_FILES_OUTPUT_FILE_H_
#define SONOMOT_FILES_OUTPUT_FILE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "files/file_system.h"
#include "files/in_place_watch.h"

class OutputFile {
 public:
  // In place, the first bytes of a regular file written last.
  static constexpr size_t kHeldBackBytes = 4096;

  OutputFile() = default;
  ~OutputFile();  // removes a new file that was not committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // False when the path can't be opened for writing: an empty path, a
  // folder that doesn't exist, a folder at the path, an existing file
  // without write permission, a new file in a folder that can't be
  // written. Nothing is created or changed then.
  bool Open(const char* pszPath);
  // Opens the process's standard output instead of a path: written where
  // it stands, as a pipe or a device is (a file it was sent to is neither
  // replaced nor cut), and left open for the process when the OutputFile
  // is done. False, with errno set, when there is none.
  bool OpenStandardOutput();
  // True when what Open found at the path, or will make there, is a
  // regular file (not a device or a pipe).
  // REQUIRES: Open succeeded.
  bool IsRegularFile() const { return m_bReplacing || m_bRegular; }
  // Makes room for the nSize bytes that Write will write, before the
  // first of them: needed only where the writes come in several pieces.
  // In place, cuts a longer old file to nSize and sets its first bytes to
  // zeros.
  // False (the old file unchanged) when the disk is full or nSize passes
  // the file size limit.
  // REQUIRES: Open succeeded; called once, before Write.
  bool Reserve(uint64_t nSize);
  // Writes all n bytes; false on the first failure (a full disk, a file
  // size limit, a pipe whose reader is gone).
  bool Write(const void* p, size_t n);
  // Puts the file in place, as long as the bytes written, and closes it.
  // False when flushing, cutting, naming or renaming fails; a new file is
  // removed then and the path untouched.
  bool Commit();

  // Asks the system to forget the cached pages of the file at pszPath that
  // an export is about to replace: a regular file with one name, owned by
  // us. A replaced file gives up its pages only when it goes, after the new
  // one is written; until then the new file's pages must be found
  // elsewhere, and on a virtual machine memory not touched for a while can
  // cost many times the writing itself. Forgotten early, the old pages are
  // the first the new file gets, as when a file is cut and written again.
  // Only a hint, for a thread of its own while the motion is collected:
  // the file is neither read nor changed and stays whole if the export
  // fails. Anything else at the path (a pipe, a device, a file with other
  // names or of another owner) is only looked at, not opened.
  static void ForgetCachedPages(const char* pszPath);

  // The name of a temporary file that Commit could not remove from the
  // target's folder after copying it in place; empty when none is left.
  const std::string& GetLeftover() const { return m_strLeftover; }

 private:
  using Handle = file_system::Handle;

  bool OpenInPlace(const std::string& strName);
  bool OpenNew();
  bool GiveOldAttributes();
  // Puts the new file at the target's name; false with errno set.
  bool Name();
  bool CopyInPlace();
  // Makes room for m_nSize bytes in the regular file, written in place,
  // under a watch: false when there is none, the old file whole unless it
  // could not be given its size back.
  bool BeginInPlace(Handle file);
  // The held-back first bytes, once the rest is on the disk; then the
  // file is closed.
  bool FinishInPlace(Handle file);
  void Abandon();

  Handle m_folder = file_system::kNoFile;  // the target's folder
  std::string m_strName;    // the target's name in it
  Handle m_file = file_system::kNoFile;     // the file Write writes: new, or the target itself
  Handle m_oldFile = file_system::kNoFile;  // when replacing an existing file: that file
  file_system::Facts m_old;  // the target as opened, when it is a regular file
  bool m_bReplacing = false;  // m_nFd is a new file
  bool m_bRegular = false;    // in place: the target is a regular file
  bool m_bOldAttributes = false;  // the replaced file has extended attributes
  std::string m_strNew;     // the new file's name in the folder; empty while it has none
  bool m_bReserved = false;  // room was made for what is written
  uint64_t m_nSize = 0;     // what Reserve was given
  // In place: how many first bytes Write holds back, those it holds, and
  // the watch that dates the file back unless Commit finishes it.
  size_t m_nHeadSize = 0;
  std::string m_head;
  InPlaceWatch m_watch;
  // Bytes written and, for a new file, how many of them were sent to the
  // disk.
  uint64_t m_nWritten = 0;
  uint64_t m_nStarted = 0;
  std::string m_strLeftover;
  std::optional<file_system::WriteSignalsIgnored> m_signalsIgnored;
};

#endif  // SONOMOT_FILES_OUTPUT_FILE_H_
