// The console's cost of typing one long line: a console that already holds
// a screenful of output is typed at, character by character through the
// same messages as the keyboard and a script, and then Enter hands the line
// on. Printed for lines of 100k, 400k and 1.6M characters (or the lengths
// given as arguments): the time of the typing and the time per character,
// which should stay the same as the line grows.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "console/shell_edit.h"
#include "platform/key_input.h"
#include "platform/window.h"

namespace {

struct Figures {
  double typeSeconds;
  double enterSeconds;
  size_t nHanded;
};

Figures TypeLine(long nChars) {
  size_t nHanded = 0;
  HWND hParent = CreatePlatformWindow(
      nullptr, 0, [&nHanded](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_SHELLEDIT_COMMAND) {
          nHanded = std::string(reinterpret_cast<const char*>(w)).size();
          return 1;
        }
        return DefWindowProcA(h, m, w, l);
      });
  HWND hEdit = CreateEditControl(hParent, 1000);
  CShellEditBox console;
  console.Initialize(hEdit);
  for (int i = 0; i < 79; ++i) {
    console.WriteLine("[Track] %03d  an earlier line of output", i);
  }
  console.WriteText("root>");
  // A typed line of letters, digits and blanks, sent in chunks so the
  // figure is the console's, not the building of one huge string.
  const std::string kChunk = "abc def 0123456789 ";
  using Clock = std::chrono::steady_clock;
  Clock::time_point start = Clock::now();
  for (long nTyped = 0; nTyped < nChars;) {
    std::string chunk = kChunk.substr(0, static_cast<size_t>(
                                             std::min<long>(kChunk.size(), nChars - nTyped)));
    SendTypedText(hEdit, chunk.c_str(), 0);
    nTyped += static_cast<long>(chunk.size());
  }
  double typeSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  start = Clock::now();
  SendTypedChar(hEdit, 13, 0);
  double enterSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  DestroyWindow(hParent);
  return {typeSeconds, enterSeconds, nHanded};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> lengths;
  for (int i = 1; i < argc; ++i) lengths.push_back(std::atol(argv[i]));
  if (lengths.empty()) lengths = {100000, 400000, 1600000};
  std::printf("%10s %12s %14s %10s\n", "chars", "typing s", "per char ns", "Enter ms");
  for (long nChars : lengths) {
    Figures f = TypeLine(nChars);
    if (f.nHanded != static_cast<size_t>(nChars)) {
      std::fprintf(stderr, "the line handed on has %zu characters, not %ld\n", f.nHanded,
                   nChars);
      return 1;
    }
    std::printf("%10ld %12.3f %14.1f %10.2f\n", nChars, f.typeSeconds,
                f.typeSeconds * 1e9 / static_cast<double>(nChars), f.enterSeconds * 1e3);
    std::fflush(stdout);
  }
  return 0;
}
