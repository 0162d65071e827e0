#include "files/in_place_watch.h"

InPlaceWatch::~InPlaceWatch() { Finish(false); }

bool InPlaceWatch::Start(file_system::Handle file) {
  Finish(true);
  m_file = file;
  return file_system::StartWatcher(file, &m_watcher);
}

void InPlaceWatch::Finish(bool bWhole) {
  if (m_file == file_system::kNoFile) return;
  if (!bWhole) file_system::DateBack(m_file);
  if (m_watcher.nProcess > 0) file_system::EndWatcher(m_watcher);
  m_file = file_system::kNoFile;
  m_watcher = {};
}
