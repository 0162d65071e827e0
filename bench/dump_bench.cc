// The track dump's page cost: a piano track of about a million events is
// dumped to its end, answering "Yes" after every page, and the time of the
// first, the middle and the last pages is printed. The pages should cost
// the same wherever they are in the track.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/midi_gen.h"
#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "console/edit_buffer.h"
#include "midibind/midi_binding.h"
#include "platform/message_box.h"

int MessageBoxA(HWND, const char* pszText, const char*, UINT) {
  std::fprintf(stderr, "%s\n", pszText);
  return 1;
}

namespace {

void Type(CommandProcessor* pProcessor, const char* pszLine) {
  CommandArgs args;
  args.Tokenize(pszLine);
  pProcessor->Dispatch(&args);
}

}  // namespace

int main(int argc, char** argv) {
  long nNotes = argc > 1 ? std::atol(argv[1]) : 500000;
  if (!BindMidiDataLibrary()) return 1;
  std::string path = "/tmp/sonomot_dump_bench_" + std::to_string(getpid()) + ".mid";
  std::ofstream(path, std::ios::binary) << GeneratePianoMidi(nNotes);

  EditBuffer buffer;
  ConsoleOutput console(&buffer);
  CommandProcessor* pProcessor = new CommandProcessor(&console, nullptr);
  Type(pProcessor, ("Open " + path).c_str());
  Type(pProcessor, "track 1");
  long nEvents = midilib::MIDITrack_GetNumEvent(pProcessor->GetMIDITrack());

  using Clock = std::chrono::steady_clock;
  std::vector<double> pageMicros;
  Clock::time_point start = Clock::now();
  Type(pProcessor, "dump");
  pageMicros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  Clock::time_point allStart = Clock::now();
  while (pProcessor->IsWaitingAnswer()) {
    start = Clock::now();
    Type(pProcessor, "Yes");
    pageMicros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  double allSeconds = std::chrono::duration<double>(Clock::now() - allStart).count();

  std::printf("events in track 1: %ld, pages: %zu\n", nEvents, pageMicros.size());
  std::printf("first page: %.1f us\n", pageMicros.front());
  std::printf("middle page: %.1f us\n", pageMicros[pageMicros.size() / 2]);
  std::printf("last page: %.1f us\n", pageMicros.back());
  std::printf("whole dump: %.2f s (%.1f us per page)\n", allSeconds,
              allSeconds * 1e6 / static_cast<double>(pageMicros.size()));
  delete pProcessor;
  std::remove(path.c_str());
  ReleaseMidiDataLibrary();
  return 0;
}
