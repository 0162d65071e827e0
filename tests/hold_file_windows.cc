// hold_file_windows.exe FILE SHARING: another program holding FILE open, for
// scripts/check-windows.sh. FILE is opened for reading and shared only as
// SHARING says: any of r (reading), w (writing), d (removing and
// renaming), or - for none. "held" is printed once it is open; it stays
// open until standard input ends. Exit status 1 when it can't be opened.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: hold_file_windows.exe FILE r|w|d|-...\n", stderr);
    return 64;
  }
  DWORD dwShare = 0;
  for (const char* p = argv[2]; *p; ++p) {
    if (*p == 'r') dwShare |= FILE_SHARE_READ;
    if (*p == 'w') dwShare |= FILE_SHARE_WRITE;
    if (*p == 'd') dwShare |= FILE_SHARE_DELETE;
  }
  HANDLE hFile = CreateFileA(argv[1], GENERIC_READ, dwShare, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold_file_windows: can't open %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  CloseHandle(hFile);
  return 0;
}
