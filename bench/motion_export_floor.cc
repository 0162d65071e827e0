// The floor of the export benchmark: the least any program can do to turn
// a MIDI file into a VMD file of a given size. It reads the input, makes
// one pass over its bytes, fills an output image of the VMD's size in
// fresh memory and writes it with one write.
//   motion_export_floor <input.mid> <output> <size in bytes>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: motion_export_floor <input.mid> <output> <size>\n");
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
  uint8_t* pImage = static_cast<uint8_t*>(malloc(nSize ? nSize : 1));
  if (!pImage) return 1;
  memset(pImage, static_cast<int>(nSum & 0xFF), nSize);
  int nFd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (nFd < 0) {
    perror(argv[2]);
    return 1;
  }
  ssize_t nDone = write(nFd, pImage, nSize);
  free(pImage);
  if (nDone != static_cast<ssize_t>(nSize) || close(nFd) != 0) {
    perror(argv[2]);
    return 1;
  }
  return 0;
}
