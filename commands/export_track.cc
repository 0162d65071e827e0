// The export: the current track written as a VMD motion file.
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "motion/bone_names.h"
#include "motion/vmd_writer.h"

int CommandProcessor::ExportTrack(const char* pszPath) {
  VmdWriter writer(m_exportSettings);
  int nResult = writer.Write(pszPath, m_pMIDITrack);
  if (nResult == VmdWriter::kNoMotion) {
    m_pConsole->WriteLine("Unkown Error.");
  } else if (nResult == VmdWriter::kCannotOpen) {
    m_pConsole->WriteLine("Cannot Open File.");
  } else if (nResult == VmdWriter::kCannotWrite) {
    // The file could be opened but not written out whole; the writer has
    // left the path as it was.
    m_pConsole->WriteLine("Cannot Write File.");
  }
  if (nResult >= 0 && writer.GetDroppedNoteCount() > 0) {
    // A naming that leaves keys without bones drops their notes too.
    m_pConsole->WriteLine(NamesEveryKey(m_exportSettings) ? "%llu notes outside 0..127 dropped."
                                                          : "%llu notes without a key bone dropped.",
                          static_cast<unsigned long long>(writer.GetDroppedNoteCount()));
  }
  m_pConsole->WriteLine("Write %d Byte.", nResult);
  m_pConsole->WriteLine("Complete.");
  m_pConsole->WriteLine("");
  return nResult >= 0 ? 1 : 0;
}
