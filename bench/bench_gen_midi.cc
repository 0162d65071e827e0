// bench_gen_midi <notes> <out.mid> [seed] [format]: writes a format-1 (or,
// with format 0, format-0) piano file of that many notes with tempo changes
// and sustain pedal (see midi_gen.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/midi_gen.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_gen_midi <notes> <out.mid> [seed] [format 0|1]\n");
    return 2;
  }
  long nNotes = std::atol(argv[1]);
  if (nNotes < 0) {
    std::fprintf(stderr, "bench_gen_midi: the number of notes can't be negative\n");
    return 2;
  }
  uint32_t seed = argc > 3 ? static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 1;
  bool bFormat0 = argc > 4 && std::strcmp(argv[4], "0") == 0;
  std::string bytes = GeneratePianoMidi(nNotes, seed, bFormat0);
  std::FILE* f = std::fopen(argv[2], "wb");
  if (f == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::perror(argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
