// The floor of the export benchmark: the least any program can do to turn
// a MIDI file into a VMD file of a given size. It reads the input, makes
// one pass over its bytes, and streams the output's size from one reused
// buffer of 1 MiB (the export's own buffer size) into the output, opened
// and truncated in place. With --fsync it also puts the file on the disk
// before closing it, as the export does before it names a new file.
//   motion_export_floor [--fsync] <input.mid> <output> <size in bytes>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  bool bSync = argc > 1 && strcmp(argv[1], "--fsync") == 0;
  if (bSync) {
    --argc;
    ++argv;
  }
  if (argc != 4) {
    fprintf(stderr, "usage: motion_export_floor [--fsync] <input.mid> <output> <size>\n");
    return 2;
  }
  FILE* pIn = fopen(argv[1], "rb");
  if (!pIn) {
    perror(argv[1]);
    return 1;
  }
  std::vector<uint8_t> input;
  uint8_t aChunk[1 << 16];
  size_t n;
  while ((n = fread(aChunk, 1, sizeof aChunk, pIn)) > 0) input.insert(input.end(), aChunk, aChunk + n);
  fclose(pIn);

  // One pass: a running sum every byte contributes to, so the pass can't be
  // left out.
  uint32_t nSum = 0;
  for (uint8_t b : input) nSum = nSum * 31 + b;

  size_t nSize = strtoull(argv[3], nullptr, 10);
  constexpr size_t kBuffer = size_t{1} << 20;
  std::vector<uint8_t> buffer(kBuffer, static_cast<uint8_t>(nSum & 0xFF));
  int nFd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (nFd < 0) {
    perror(argv[2]);
    return 1;
  }
  size_t nLeft = nSize;
  while (nLeft > 0) {
    size_t nPart = nLeft < kBuffer ? nLeft : kBuffer;
    // Only one byte changes: filling the buffer is the writer's work, not
    // the floor's.
    buffer[0] = static_cast<uint8_t>(nLeft);
    ssize_t nDone = write(nFd, buffer.data(), nPart);
    if (nDone < 0 && errno == EINTR) continue;
    if (nDone <= 0) {
      perror(argv[2]);
      return 1;
    }
    nLeft -= static_cast<size_t>(nDone);
  }
  if ((bSync && fsync(nFd) != 0) || close(nFd) != 0) {
    perror(argv[2]);
    return 1;
  }
  return 0;
}
