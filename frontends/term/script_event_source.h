// The script back end: sonomot-console with standard input that is not a
// terminal. Each input line is typed into the console, character by
// character, and then Enter, through the same messages as the keyboard, so
// the console's words, its history and every command work as when typed.
// What the console shows goes to the output as a transcript: everything the
// program writes, and each typed line as it stands on the console when Enter
// is pressed. The end of the input closes the dialog as its close box would
// (WM_CLOSE).
//
// Input lines may end in LF or CR LF; other control characters than Tab are
// not typed (a script is text; an Escape byte would close the dialog).
#ifndef SONOMOT_FRONTENDS_TERM_SCRIPT_EVENT_SOURCE_H_
#define SONOMOT_FRONTENDS_TERM_SCRIPT_EVENT_SOURCE_H_

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/event_source.h"
#include "platform/win_types.h"

class EditBuffer;

class CScriptEventSource : public CEventSource {
 public:
  // pIn and pOut stay owned by the caller and must outlive this object.
  CScriptEventSource(std::FILE* pIn, std::FILE* pOut);

  // The dialog to close at the end of input, the window typed at (null: the
  // focused window) and the console's text (to show each typed line).
  void SetTarget(HWND hDlg, HWND hInput, const EditBuffer* pBuffer);
  // The input is a terminal that echoes each line as it is typed (a dumb
  // terminal typed at line by line): the typed line and its line break are
  // already on the screen, so the transcript doesn't print them again.
  void SetInputEchoed(bool bEchoed) { m_bInputEchoed = bEchoed; }
  // Receives every text the console writes. CR LF becomes LF; a lone CR or
  // LF inside a line prints nothing, as the screen draws it.
  void OnConsoleWrite(std::string_view text);
  // Ends the transcript with a line break if it doesn't end with one.
  void Finish();
  // The number of the input line being typed (1 for the first), 0 before
  // the first is read.
  int GetLineNumber() const { return m_nLineNumber; }
  // True once a write to the transcript has failed (a full disk, a closed
  // pipe).
  bool HasWriteError() const { return std::ferror(m_pOut) != 0; }

  bool WaitForEvents() override;
  void PollEvents() override {}

 private:
  void Print(std::string_view text);
  // Ends the transcript's current line.
  void NewLine();
  void EchoInputLine();

  std::FILE* m_pIn;
  std::FILE* m_pOut;
  HWND m_hDlg = nullptr;
  HWND m_hInput = nullptr;
  const EditBuffer* m_pBuffer = nullptr;
  // The part of the console's last line already in the transcript.
  std::string m_printedLine;
  int m_nLineNumber = 0;
  bool m_bEnterPending = false;
  bool m_bEndOfInput = false;
  bool m_bLastWasCR = false;
  // Nothing has been printed on the transcript's current line yet.
  bool m_bAtLineStart = true;
  bool m_bInputEchoed = false;
  // The terminal's echo has ended the current line: the console's own line
  // break after Enter prints nothing.
  bool m_bLineEndEchoed = false;
};

#endif  // SONOMOT_FRONTENDS_TERM_SCRIPT_EVENT_SOURCE_H_
