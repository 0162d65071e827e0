#include "console/edit_buffer_editing.h"

#include <algorithm>

#include "console/edit_buffer.h"
#include "platform/messages.h"

namespace {

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool IsWordByte(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x80 || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') ||
         (u >= 'a' && u <= 'z') || u == '_';
}

bool IsBreakAt(const std::string& text, int nPos) {
  return nPos >= 0 && nPos + 1 < static_cast<int>(text.size()) &&
         text[nPos] == '\r' && text[nPos + 1] == '\n';
}

// Moves the caret to nPos: with bExtend the anchor stays, else nothing is
// selected.
void MoveCaret(EditBuffer* pBuffer, int nPos, bool bExtend) {
  pBuffer->SetSel(bExtend ? pBuffer->GetAnchor() : nPos, nPos);
  // A selection made with the keys takes the mouse's mark's place.
  if (bExtend && pBuffer->GetAnchor() != nPos) pBuffer->SetMark(0, 0);
}

// A byte column in a line, moved back onto a character boundary.
int PosInLine(const EditBuffer& buffer, int nLine, int nColumn) {
  int nStart = buffer.LineIndex(nLine);
  int nLength = buffer.LineLength(nStart);
  int nPos = nStart + std::min(nColumn, nLength);
  const std::string& text = buffer.GetText();
  while (nPos > nStart && nPos < static_cast<int>(text.size()) &&
         IsContinuation(text[nPos])) {
    --nPos;
  }
  return nPos;
}

int WordLeft(const EditBuffer& buffer, int nPos) {
  const std::string& text = buffer.GetText();
  nPos = PrevCharPos(buffer, nPos);
  while (nPos > 0 && !IsWordByte(text[nPos]) && !IsBreakAt(text, nPos)) {
    nPos = PrevCharPos(buffer, nPos);
  }
  while (nPos > 0 && IsWordByte(text[nPos - 1])) --nPos;
  return nPos;
}

int WordRight(const EditBuffer& buffer, int nPos) {
  const std::string& text = buffer.GetText();
  int nLength = buffer.GetTextLength();
  if (IsBreakAt(text, nPos)) return nPos + 2;
  while (nPos < nLength && IsWordByte(text[nPos])) ++nPos;
  while (nPos < nLength && !IsWordByte(text[nPos]) && !IsBreakAt(text, nPos)) {
    ++nPos;
  }
  return nPos;
}

void DeleteRange(EditBuffer* pBuffer, int nStart, int nEnd) {
  pBuffer->SetSel(nStart, nEnd);
  pBuffer->ReplaceSel(nullptr);
}

bool HasSelection(const EditBuffer& buffer, int* pnStart, int* pnEnd) {
  buffer.GetSel(pnStart, pnEnd);
  return *pnStart != *pnEnd;
}

}  // namespace

int PrevCharPos(const EditBuffer& buffer, int nPos) {
  const std::string& text = buffer.GetText();
  nPos = std::clamp(nPos, 0, static_cast<int>(text.size()));
  if (nPos == 0) return 0;
  if (nPos >= 2 && IsBreakAt(text, nPos - 2)) return nPos - 2;
  --nPos;
  while (nPos > 0 && IsContinuation(text[nPos])) --nPos;
  return nPos;
}

int NextCharPos(const EditBuffer& buffer, int nPos) {
  const std::string& text = buffer.GetText();
  int nLength = static_cast<int>(text.size());
  nPos = std::clamp(nPos, 0, nLength);
  if (nPos == nLength) return nLength;
  if (IsBreakAt(text, nPos)) return nPos + 2;
  ++nPos;
  while (nPos < nLength && IsContinuation(text[nPos])) ++nPos;
  return nPos;
}

std::string GetSelectedText(const EditBuffer& buffer) {
  int nStart = 0;
  int nEnd = 0;
  buffer.GetSel(&nStart, &nEnd);
  return buffer.GetText().substr(static_cast<size_t>(nStart),
                                 static_cast<size_t>(nEnd - nStart));
}

std::string GetTextToCopy(const EditBuffer& buffer) {
  if (!buffer.HasMark()) return GetSelectedText(buffer);
  int nStart = 0;
  int nEnd = 0;
  buffer.GetMark(&nStart, &nEnd);
  return buffer.GetText().substr(static_cast<size_t>(nStart),
                                 static_cast<size_t>(nEnd - nStart));
}

void MarkWordAt(EditBuffer* pBuffer, int nPos) {
  const std::string& text = pBuffer->GetText();
  nPos = std::clamp(nPos, 0, pBuffer->GetTextLength());
  int nLineStart = pBuffer->LineIndex(pBuffer->LineFromChar(nPos));
  int nLineEnd = nLineStart + pBuffer->LineLength(nLineStart);
  if (nLineStart == nLineEnd) {
    pBuffer->SetMark(0, 0);
    return;
  }
  if (nPos >= nLineEnd) nPos = PrevCharPos(*pBuffer, nLineEnd);
  while (nPos > nLineStart && IsContinuation(text[nPos])) --nPos;
  // Every byte of a UTF-8 sequence is a word byte: runs end on characters.
  const bool bWord = IsWordByte(text[nPos]);
  int nStart = nPos;
  while (nStart > nLineStart && IsWordByte(text[nStart - 1]) == bWord) --nStart;
  int nEnd = nPos;
  while (nEnd < nLineEnd && IsWordByte(text[nEnd]) == bWord) ++nEnd;
  pBuffer->SetMark(nStart, nEnd);
}

bool TypeCharacter(EditBuffer* pBuffer, unsigned int nChar) {
  int nStart = 0;
  int nEnd = 0;
  if (nChar == 8) {
    if (!HasSelection(*pBuffer, &nStart, &nEnd)) {
      if (nStart == 0) return false;
      nStart = PrevCharPos(*pBuffer, nStart);
    }
    DeleteRange(pBuffer, nStart, nEnd);
    return true;
  }
  char sz[5] = {};
  if (nChar == 13) {
    sz[0] = '\r';
    sz[1] = '\n';
  } else if (nChar == 9 || (nChar >= 0x20 && nChar < 0x7F)) {
    sz[0] = static_cast<char>(nChar);
  } else if (nChar >= 0x80 && nChar < 0x800) {
    sz[0] = static_cast<char>(0xC0 | (nChar >> 6));
    sz[1] = static_cast<char>(0x80 | (nChar & 0x3F));
  } else if (nChar >= 0x800 && nChar < 0x10000 &&
             (nChar < 0xD800 || nChar > 0xDFFF)) {
    sz[0] = static_cast<char>(0xE0 | (nChar >> 12));
    sz[1] = static_cast<char>(0x80 | ((nChar >> 6) & 0x3F));
    sz[2] = static_cast<char>(0x80 | (nChar & 0x3F));
  } else if (nChar >= 0x10000 && nChar <= 0x10FFFF) {
    sz[0] = static_cast<char>(0xF0 | (nChar >> 18));
    sz[1] = static_cast<char>(0x80 | ((nChar >> 12) & 0x3F));
    sz[2] = static_cast<char>(0x80 | ((nChar >> 6) & 0x3F));
    sz[3] = static_cast<char>(0x80 | (nChar & 0x3F));
  } else {
    return false;
  }
  pBuffer->ReplaceSel(sz);
  return true;
}

bool PressEditKey(EditBuffer* pBuffer, unsigned int nVirtKey, bool bShift,
                  bool bCtrl, int nPageLines) {
  int nStart = 0;
  int nEnd = 0;
  bool bSelection = HasSelection(*pBuffer, &nStart, &nEnd);
  int nCaret = pBuffer->GetCaret();
  int nLine = pBuffer->LineFromChar(nCaret);
  int nColumn = nCaret - pBuffer->LineIndex(nLine);
  int nLastLine = pBuffer->GetLineCount() - 1;
  if (nPageLines < 1) nPageLines = 1;
  switch (nVirtKey) {
    case VK_LEFT:
      if (bSelection && !bShift && !bCtrl) {
        MoveCaret(pBuffer, nStart, false);
      } else {
        MoveCaret(pBuffer,
                  bCtrl ? WordLeft(*pBuffer, nCaret)
                        : PrevCharPos(*pBuffer, nCaret),
                  bShift);
      }
      return true;
    case VK_RIGHT:
      if (bSelection && !bShift && !bCtrl) {
        MoveCaret(pBuffer, nEnd, false);
      } else {
        MoveCaret(pBuffer,
                  bCtrl ? WordRight(*pBuffer, nCaret)
                        : NextCharPos(*pBuffer, nCaret),
                  bShift);
      }
      return true;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      int nStep = (nVirtKey == VK_UP || nVirtKey == VK_DOWN) ? 1 : nPageLines;
      if (nVirtKey == VK_UP || nVirtKey == VK_PRIOR) nStep = -nStep;
      int nTarget = std::clamp(nLine + nStep, 0, nLastLine);
      MoveCaret(pBuffer, PosInLine(*pBuffer, nTarget, nColumn), bShift);
      return true;
    }
    case VK_HOME:
      MoveCaret(pBuffer, bCtrl ? 0 : pBuffer->LineIndex(nLine), bShift);
      return true;
    case VK_END:
      MoveCaret(pBuffer,
                bCtrl ? pBuffer->GetTextLength()
                      : pBuffer->LineIndex(nLine) +
                            pBuffer->LineLength(nCaret),
                bShift);
      return true;
    case VK_DELETE:
      if (!bSelection) {
        nEnd = NextCharPos(*pBuffer, nCaret);
        if (nEnd == nCaret) return true;
      }
      DeleteRange(pBuffer, nStart, nEnd);
      return true;
    default:
      return false;
  }
}
