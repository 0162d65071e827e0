// InPlaceWatch: a file written in place whose writer ends before it is
// whole (killed, crashed, out of memory) is dated back.
//
// A file written in place is neither the old file nor the new one from its
// first changed byte to its last. OutputFile writes its first bytes last,
// so that no reader takes what a killed export leaves for a motion; the
// file's time is the other half. Every write gives the file the present
// time, which tells make that it is newer than what it was made from, and
// a killed process can't take that back. So a process of its own, started
// before the first byte changes, waits for the writer: told that the file
// is whole, it leaves the file alone; if the writer ends first, it sets the
// file's modification time to the start of 1970, and make (or anything
// else that compares times) makes the file again. Its own failures the
// writer dates back itself.
//
// Only the file's owner may set its time: another user's file written in
// place keeps the time of its last write (its first bytes are still
// missing). Where no process can be started, the file goes unwatched.
#ifndef SONOMOT_FILES_IN_PLACE_WATCH_H_
#define SONOMOT_FILES_IN_PLACE_WATCH_H_

#include "files/file_system.h"

class InPlaceWatch {
 public:
  InPlaceWatch() = default;
  ~InPlaceWatch();  // a watch not finished ends as Finish(false)
  InPlaceWatch(const InPlaceWatch&) = delete;
  InPlaceWatch& operator=(const InPlaceWatch&) = delete;

  // Watches the regular file (which must stay open until Finish) from now
  // on. False when no process could be started; Finish still dates the
  // file back then.
  bool Start(file_system::Handle file);
  // Ends the watch: bWhole leaves the file's time as it is, otherwise the
  // file is dated back. Waits for the watching process. Nothing without a
  // watch started.
  void Finish(bool bWhole);
  // Between Start and Finish (with or without its process).
  bool IsActive() const { return m_file != file_system::kNoFile; }

 private:
  file_system::Handle m_file = file_system::kNoFile;
  file_system::Watcher m_watcher;  // its process, when one was started
};

#endif  // SONOMOT_FILES_IN_PLACE_WATCH_H_
