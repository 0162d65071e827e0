// The export: the current track written as a VMD motion file.
#include <cerrno>
#include <cstring>
#include <string>

#include "commands/command_processor.h"
#include "console/console_output.h"
#include "motion/vmd_writer.h"

int CommandProcessor::ExportTrack(const char* pszPath) {
  VmdWriter writer(m_exportSettings);
  // The system's reason of a failed open or write is what errno holds when
  // Write returns: the clean-up after a failure only makes calls that
  // succeed.
  errno = 0;
  int nResult = writer.Write(pszPath, m_pMIDITrack);
  std::string strReason = errno != 0 ? std::strerror(errno) : "";
  if (nResult == VmdWriter::kNoMotion) {
    Fail("Unkown Error.", "no track is selected");
  } else if (nResult == VmdWriter::kCannotOpen) {
    Fail("Cannot Open File.", strReason);
  } else if (nResult == VmdWriter::kCannotWrite) {
    // The file could be opened but not written out whole; the writer has
    // left the path as it was.
    Fail("Cannot Write File.", strReason);
  }
  if (nResult >= 0 && writer.GetDroppedNoteCount() > 0) {
    m_pConsole->WriteLine("%llu notes outside 0..127 dropped.",
                          static_cast<unsigned long long>(writer.GetDroppedNoteCount()));
  }
  m_pConsole->WriteLine("Write %d Byte.", nResult);
  m_pConsole->WriteLine("Complete.");
  m_pConsole->WriteLine("");
  return nResult >= 0 ? 1 : 0;
}
