// Where the time of an export goes, in one process: loading a MIDI file
// with the MIDI data library, converting it to 30 frames per second, and
// VmdWriter::Write of one track, each timed, with the peak memory after it.
//   motion_export_stages <input.mid> <output.vmd> [track, default 1]
//                        [classic|steps, the motion; default classic]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "midibind/midi_binding.h"
#include "motion/vmd_writer.h"
#include "platform/message_box.h"

int MessageBoxA(HWND, const char* pszText, const char*, UINT) {
  fprintf(stderr, "%s\n", pszText);
  return 1;
}

namespace {

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// The process's peak resident memory so far, in MiB.
double PeakMiB() {
  FILE* p = fopen("/proc/self/status", "r");
  if (!p) return 0;
  char sz[256];
  long nKiB = 0;
  while (fgets(sz, sizeof sz, p)) {
    if (strncmp(sz, "VmHWM:", 6) == 0) nKiB = atol(sz + 6);
  }
  fclose(p);
  return nKiB / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr,
            "usage: motion_export_stages <input.mid> <output.vmd> [track] [classic|steps]\n");
    return 2;
  }
  if (!BindMidiDataLibrary()) return 1;
  int nTrack = argc > 3 ? atoi(argv[3]) : 1;
  double fStart = Now();
  MIDIData* pData = midilib::MIDIData_LoadFromSMF(argv[1]);
  if (!pData) {
    fprintf(stderr, "%s can't be read\n", argv[1]);
    return 1;
  }
  double fLoaded = Now();
  printf("load      %8.3f s  peak %8.1f MiB\n", fLoaded - fStart, PeakMiB());
  if (midilib::MIDIData_GetFormat(pData) == 0) midilib::MIDIData_SetFormat(pData, 1);
  midilib::MIDIData_SetTimeBase(pData, 30, 1);
  double fConverted = Now();
  printf("convert   %8.3f s  peak %8.1f MiB\n", fConverted - fLoaded, PeakMiB());
  MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(pData);
  for (int i = 0; i < nTrack && pTrack; ++i) pTrack = midilib::MIDITrack_GetNextTrack(pTrack);
  long nEvents = pTrack ? midilib::MIDITrack_GetNumEvent(pTrack) : 0;
  ExportSettings settings;
  settings.bSteps = argc > 4 && strcmp(argv[4], "steps") == 0;
  VmdWriter writer(settings);
  int nSize = writer.Write(argv[2], pTrack);
  double fWritten = Now();
  printf("export    %8.3f s  peak %8.1f MiB  %d bytes, %ld events in the track\n",
         fWritten - fConverted, PeakMiB(), nSize, nEvents);
  midilib::MIDIData_Delete(pData);
  ReleaseMidiDataLibrary();
  return nSize >= 0 ? 0 : 1;
}
