#include "console/console_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "console/edit_buffer.h"

ConsoleOutput::ConsoleOutput(EditBuffer* pBuffer) : m_pBuffer(pBuffer) {}

ConsoleOutput& ConsoleOutput::WriteText(const char* pszText) {
  if (m_pBuffer == nullptr) return *this;
  if (pszText == nullptr) pszText = "";
  int nLength = m_pBuffer->GetTextLength();
  m_pBuffer->SetSel(nLength, nLength);
  m_pBuffer->ReplaceSel(pszText);
  if (m_writeListener) m_writeListener(std::string_view(pszText));
  TrimLines();
  return *this;
}

void ConsoleOutput::WriteLine(const char* pszFormat, ...) {
  // A fixed 1,028-byte buffer would cut a 2047-byte title from a MIDI file;
  // measure first and format into exactly the room the text needs.
  va_list args;
  va_start(args, pszFormat);
  va_list argsCopy;
  va_copy(argsCopy, args);
  int nLength = std::vsnprintf(nullptr, 0, pszFormat, args);
  va_end(args);
  if (nLength < 0) nLength = 0;  // an encoding error: write an empty line
  std::vector<char> buffer(static_cast<size_t>(nLength) + 3, '\0');
  if (nLength > 0) {
    std::vsnprintf(buffer.data(), buffer.size(), pszFormat, argsCopy);
  }
  va_end(argsCopy);
  std::memcpy(buffer.data() + nLength, "\r\n", 3);
  WriteText(buffer.data());
}

void ConsoleOutput::SetPrompt(const char* pszText) {
  if (pszText == nullptr) pszText = "";
  size_t nLength = strnlen(pszText, kPromptSize - 1);
  std::memcpy(m_szPrompt, pszText, nLength);
  m_szPrompt[nLength] = '\0';
}

void ConsoleOutput::TrimLines() {
  if (m_pBuffer == nullptr) return;
  int nLines = m_pBuffer->GetLineCount();
  m_pBuffer->SetRedraw(false);
  if (nLines > kMaxLines) {
    // The line that holds position 1 is the first line, even when it is
    // empty and position 1 is the LF of its break.
    int nFirstLength = m_pBuffer->LineLength(1);
    // Deleting leaves the caret at the start of the text; put the selection
    // back where it was, less what went, so that after a write the caret is
    // still at the end (a character typed next must not land in line 0).
    int nRemoved = nFirstLength + 2;
    int nAnchor = m_pBuffer->GetAnchor();
    int nCaret = m_pBuffer->GetCaret();
    m_pBuffer->SetSel(0, nRemoved);
    m_pBuffer->ReplaceSel(nullptr);
    m_pBuffer->SetSel(nAnchor > nRemoved ? nAnchor - nRemoved : 0,
                      nCaret > nRemoved ? nCaret - nRemoved : 0);
  }
  m_pBuffer->SetRedraw(true);
}
