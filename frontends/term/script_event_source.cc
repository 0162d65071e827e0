#include "frontends/term/script_event_source.h"

#include "console/edit_buffer.h"
#include "platform/key_input.h"
#include "platform/message_queue.h"
#include "platform/standard_streams.h"

CScriptEventSource::CScriptEventSource(std::FILE* pIn, std::FILE* pOut)
    : m_pIn(pIn), m_pOut(pOut) {}

void CScriptEventSource::SetTarget(HWND hDlg, HWND hInput,
                                   const EditBuffer* pBuffer) {
  m_hDlg = hDlg;
  m_hInput = hInput;
  m_pBuffer = pBuffer;
}

void CScriptEventSource::Print(std::string_view text) {
  // A line's bytes go out together, whole characters to a terminal.
  std::string run;
  for (char c : text) {
    // Only CR LF ends a line, as on the screen; a lone CR or LF is a byte of
    // its line that is drawn with no width, so it prints nothing. A CR at the
    // end of one write may pair with an LF at the start of the next.
    if (c == '\n' && m_bLastWasCR) {
      m_printedLine.pop_back();  // the CR, kept while it might be lone
      WriteStreamText(m_pOut, run);
      run.clear();
      NewLine();
      continue;
    }
    m_printedLine += c;
    m_bLastWasCR = c == '\r';
    if (c == '\r' || c == '\n') continue;
    run += c;
    m_bAtLineStart = false;
    m_bLineEndEchoed = false;
  }
  WriteStreamText(m_pOut, run);
  std::fflush(m_pOut);
}

void CScriptEventSource::NewLine() {
  if (!m_bLineEndEchoed) std::fputc('\n', m_pOut);
  m_bLineEndEchoed = false;
  m_printedLine.clear();
  m_bLastWasCR = false;
  m_bAtLineStart = true;
}

void CScriptEventSource::OnConsoleWrite(std::string_view text) { Print(text); }

void CScriptEventSource::EchoInputLine() {
  if (m_pBuffer == nullptr) return;
  const std::string& text = m_pBuffer->GetText();
  int nLast = m_pBuffer->LineIndex(m_pBuffer->GetLineCount() - 1);
  std::string_view line(text);
  line.remove_prefix(static_cast<size_t>(nLast));
  if (m_bInputEchoed) {
    m_printedLine = line;
    m_bAtLineStart = true;
    m_bLineEndEchoed = true;
    return;
  }
  if (line.substr(0, m_printedLine.size()) == m_printedLine) {
    Print(line.substr(m_printedLine.size()));
  } else {
    // The line changed under what was printed: show it whole, on its own.
    NewLine();
    Print(line);
  }
}

void CScriptEventSource::Finish() {
  if (!m_bAtLineStart) NewLine();
  std::fflush(m_pOut);
}

bool CScriptEventSource::WaitForEvents() {
  HWND hInput = m_hInput != nullptr ? m_hInput : GetFocus();
  if (m_bEnterPending) {
    // The line's characters are in: show the line, then press Enter.
    m_bEnterPending = false;
    EchoInputLine();
    PostTypedChar(hInput, 13, 0);
    return true;
  }
  if (m_bEndOfInput) {
    // The close was taken and the dialog is still there (it can't be
    // closed): end the loop as the close box would have.
    PostQuitMessage(IDCANCEL);
    return true;
  }
  std::string line;
  if (!ReadInputLine(m_pIn, &line)) {
    m_bEndOfInput = true;
    Finish();
    PostMessageA(m_hDlg, WM_CLOSE, 0, 0);
    return true;
  }
  ++m_nLineNumber;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::string typed;
  for (char ch : line) {
    if (static_cast<unsigned char>(ch) >= 0x20 || ch == '\t') typed += ch;
  }
  PostTypedText(hInput, typed.c_str(), 0);
  m_bEnterPending = true;
  return true;
}
