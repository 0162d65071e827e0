// sonomot-console in script mode: reads lines from standard input and types
// each into the console followed by Enter; everything the console is given
// goes to standard output as it is written, CR LF shown as a line break.
// The end of input closes the program as the close box would (exit code 2);
// "exit" does the same through the WM_CLOSE it sends to the main window.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "console/edit_buffer.h"
#include "midilib/midi_binding.h"
#include "platform/window.h"

namespace {

// The exit code of a dialog closed with its close box (Cancel).
constexpr int kClosedByCloseBox = 2;

// Copies console text to standard output. A CR directly before LF is
// dropped, so the terminal shows CR LF as one line break; a CR at the end of
// one write waits for the next write to see whether an LF follows.
class StdoutEcho {
 public:
  void Write(std::string_view text) {
    for (char c : text) {
      if (m_bPendingCr) {
        m_bPendingCr = false;
        if (c != '\n') std::fputc('\r', stdout);
      }
      if (c == '\r') {
        m_bPendingCr = true;
      } else {
        std::fputc(c, stdout);
      }
    }
    std::fflush(stdout);
  }
  ~StdoutEcho() {
    if (m_bPendingCr) std::fputc('\r', stdout);
    std::fflush(stdout);
  }

 private:
  bool m_bPendingCr = false;
};

void WriteBanner(ConsoleOutput* pConsole) {
  pConsole->WriteLine("--------------------------------");
  pConsole->WriteLine(" Sonomot ver %s", SONOMOT_VERSION);
  pConsole->WriteLine(" MIDI notes to VMD key motion");
  pConsole->WriteLine(" \"tolk\" about, \"his\" history, \"exit\" quit");
  pConsole->WriteLine("--------------------------------");
  pConsole->WriteLine("");
}

}  // namespace

int main() {
  if (!BindMidiDataLibrary()) return 0;

  StdoutEcho echo;
  EditBuffer buffer;
  ConsoleOutput console(&buffer);
  console.SetWriteListener([&echo](std::string_view text) { echo.Write(text); });

  // The main window: its close box (WM_CLOSE) ends the session.
  bool bClosed = false;
  HWND hMainWnd = CreatePlatformWindow(
      nullptr, 0, [&bClosed](HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (uMsg == WM_CLOSE) {
          bClosed = true;
          return 0;
        }
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
      });

  WriteBanner(&console);
  console.SetPrompt("root>");
  console.WriteText("root>");
  {
    CommandProcessor processor(&console, hMainWnd);
    std::string line;
    while (!bClosed && std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      console.WriteText((line + "\r\n").c_str());
      CommandArgs args;
      args.Tokenize(line.c_str());
      processor.Dispatch(&args);
      if (bClosed) break;
      console.WriteText(console.GetPrompt().c_str());
    }
    if (!bClosed) console.WriteText("\r\n");  // end the last prompt's line
  }
  DestroyWindow(hMainWnd);
  ReleaseMidiDataLibrary();
  return kClosedByCloseBox;
}
