#include "console/edit_buffer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {
constexpr char kLineBreak[] = "\r\n";
}

void EditBuffer::SetText(const char* pszText) {
  m_text.assign(pszText != nullptr ? pszText : "");
  m_nSelStart = 0;
  m_nSelEnd = 0;
  m_nMarkAnchor = m_nMarkEnd = 0;
  m_nLineCount = 1 + CountBreaks(0, GetTextLength());
  size_t j = m_text.rfind(kLineBreak);
  m_nLastLineStart = j == std::string::npos ? 0 : static_cast<int>(j + 2);
  ++m_nChangeCount;
}

int EditBuffer::CountBreaks(int nFrom, int nTo) const {
  // Only the bytes the breaks can occupy are looked at: [nFrom, nTo].
  nFrom = std::max(nFrom, 0);
  if (nTo <= nFrom) return 0;
  std::string_view bytes = std::string_view(m_text).substr(
      static_cast<size_t>(std::min(nFrom, GetTextLength())),
      static_cast<size_t>(nTo - nFrom) + 1);
  int nCount = 0;
  for (size_t j = bytes.find(kLineBreak); j != std::string_view::npos;
       j = bytes.find(kLineBreak, j + 2)) {
    ++nCount;
  }
  return nCount;
}

void EditBuffer::UpdateLines(int nStart, int nEnd, int nInserted) {
  // The text now holds nInserted bytes at nStart where [nStart, nEnd) was.
  // Breaks that started at nStart - 1 to nEnd - 1 touched the replaced
  // bytes and were counted out before the change (ReplaceSel); breaks can
  // now start at nStart - 1 to nStart + nInserted - 1. Breaks elsewhere
  // stayed as they were, moved by the change when behind it.
  int nNewEnd = nStart + nInserted;
  m_nLineCount += CountBreaks(nStart - 1, nNewEnd);
  int nOldLastBreak = m_nLastLineStart - 2;  // -2: there was none
  if (nOldLastBreak >= nEnd) {
    // The last break lay behind the change and is still the last.
    m_nLastLineStart += nInserted - (nEnd - nStart);
    return;
  }
  // No break starts behind the change: the last one is a new one, or one
  // before the change.
  int nWindow = std::max(nStart - 1, 0);
  size_t j = std::string_view(m_text)
                 .substr(static_cast<size_t>(nWindow),
                         static_cast<size_t>(nNewEnd - nWindow) + 1)
                 .rfind(kLineBreak);
  if (j != std::string_view::npos) {
    m_nLastLineStart = nWindow + static_cast<int>(j) + 2;
  } else if (nOldLastBreak < 0) {
    m_nLastLineStart = 0;
  } else if (nOldLastBreak + 2 > nStart) {
    // The change took the last break: the one before it is the last now.
    j = nStart >= 2 ? m_text.rfind(kLineBreak, static_cast<size_t>(nStart - 2))
                    : std::string::npos;
    m_nLastLineStart = j == std::string::npos ? 0 : static_cast<int>(j) + 2;
  }
}

int EditBuffer::ClampPos(int nPos) const {
  // The control reads positions as unsigned: every negative value is past
  // the end, and so is the end of the text.
  int nLength = GetTextLength();
  if (nPos < 0 || nPos > nLength) return nLength;
  return nPos;
}

void EditBuffer::SetSel(int nStart, int nEnd) {
  if (nStart == -1) {
    nStart = m_nSelEnd;
    nEnd = m_nSelEnd;
  } else {
    nStart = ClampPos(nStart);
    nEnd = ClampPos(nEnd);
  }
  m_nSelStart = nStart;
  m_nSelEnd = nEnd;
  ++m_nChangeCount;
}

void EditBuffer::GetSel(int* pnStart, int* pnEnd) const {
  if (pnStart != nullptr) *pnStart = std::min(m_nSelStart, m_nSelEnd);
  if (pnEnd != nullptr) *pnEnd = std::max(m_nSelStart, m_nSelEnd);
}

void EditBuffer::SetMark(int nAnchor, int nEnd) {
  m_nMarkAnchor = ClampPos(nAnchor);
  m_nMarkEnd = ClampPos(nEnd);
}

void EditBuffer::GetMark(int* pnStart, int* pnEnd) const {
  if (pnStart != nullptr) *pnStart = std::min(m_nMarkAnchor, m_nMarkEnd);
  if (pnEnd != nullptr) *pnEnd = std::max(m_nMarkAnchor, m_nMarkEnd);
}

void EditBuffer::MoveMark(int nStart, int nEnd, int nInserted) {
  int nMarkStart = 0;
  int nMarkEnd = 0;
  GetMark(&nMarkStart, &nMarkEnd);
  if (nMarkStart == nMarkEnd || nStart >= nMarkEnd) return;
  if (nEnd <= nMarkStart) {
    // Before the mark, as the first line the line limit deletes: the
    // marked text moves with the text.
    m_nMarkAnchor += nInserted - (nEnd - nStart);
    m_nMarkEnd += nInserted - (nEnd - nStart);
  } else {
    m_nMarkAnchor = m_nMarkEnd = 0;
  }
}

void EditBuffer::ReplaceSel(const char* pszText) {
  int nStart = std::min(m_nSelStart, m_nSelEnd);
  int nEnd = std::max(m_nSelStart, m_nSelEnd);
  size_t nInsert = pszText != nullptr ? std::strlen(pszText) : 0;
  MoveMark(nStart, nEnd, static_cast<int>(nInsert));
  m_nLineCount -= CountBreaks(nStart - 1, nEnd);
  m_text.replace(static_cast<size_t>(nStart),
                 static_cast<size_t>(nEnd - nStart),
                 pszText != nullptr ? pszText : "", nInsert);
  UpdateLines(nStart, nEnd, static_cast<int>(nInsert));
  m_nSelStart = m_nSelEnd = nStart + static_cast<int>(nInsert);
  m_bScrollCaret = true;
  ++m_nChangeCount;
}

int EditBuffer::LineStartOf(int nPos) const {
  // The last CR LF that ends at or before nPos; a position on the LF of a
  // break still belongs to the line the break ends.
  if (nPos >= m_nLastLineStart) return m_nLastLineStart;
  if (nPos < 2) return 0;
  size_t j = m_text.rfind(kLineBreak, static_cast<size_t>(nPos - 2));
  return j == std::string::npos ? 0 : static_cast<int>(j + 2);
}

int EditBuffer::LineEndOf(int nPos) const {
  if (nPos >= m_nLastLineStart) return GetTextLength();
  size_t j = m_text.find(kLineBreak, static_cast<size_t>(LineStartOf(nPos)));
  return j == std::string::npos ? GetTextLength() : static_cast<int>(j);
}

int EditBuffer::LineFromPos(int nPos) const {
  if (nPos >= m_nLastLineStart) return m_nLineCount - 1;
  int nLine = 0;
  for (size_t j = m_text.find(kLineBreak);
       j != std::string::npos && static_cast<int>(j) + 2 <= nPos;
       j = m_text.find(kLineBreak, j + 2)) {
    ++nLine;
  }
  return nLine;
}

int EditBuffer::LineIndex(int nLine) const {
  if (nLine == -1) return LineStartOf(m_nSelEnd);
  if (nLine < 0) return 0;
  if (nLine >= m_nLineCount) return -1;
  if (nLine == m_nLineCount - 1) return m_nLastLineStart;
  int nPos = 0;
  for (int i = 0; i < nLine; ++i) {
    size_t j = m_text.find(kLineBreak, static_cast<size_t>(nPos));
    if (j == std::string::npos) return -1;
    nPos = static_cast<int>(j + 2);
  }
  return nPos;
}

int EditBuffer::LineFromChar(int nPos) const {
  if (nPos > GetTextLength()) return GetLineCount() - 1;
  if (nPos == -1) nPos = std::min(m_nSelStart, m_nSelEnd);
  if (nPos < 0) return 0;
  return LineFromPos(nPos);
}

int EditBuffer::LineLength(int nPos) const {
  if (nPos == -1) {
    int nStart = std::min(m_nSelStart, m_nSelEnd);
    int nEnd = std::max(m_nSelStart, m_nSelEnd);
    return (nStart - LineStartOf(nStart)) + (LineEndOf(nEnd) - nEnd);
  }
  // The control answers 0 for a position past the text, not the length of
  // its last line; the text's end itself still belongs to the last line.
  if (nPos > GetTextLength()) return 0;
  if (nPos < 0) nPos = 0;
  return LineEndOf(nPos) - LineStartOf(nPos);
}

int EditBuffer::GetLine(int nLine, char* pBuffer) const {
  if (pBuffer == nullptr || nLine >= GetLineCount()) return 0;
  std::uint16_t nCapacity = 0;
  std::memcpy(&nCapacity, pBuffer, sizeof(nCapacity));
  int nStart = LineIndex(nLine);
  int nLength = LineEndOf(nStart) - nStart;
  int nCopy = std::min<int>(nLength, nCapacity);
  if (nCopy > 0) std::memcpy(pBuffer, m_text.data() + nStart, nCopy);
  return nCopy;
}

void EditBuffer::SetRedraw(bool bRedraw) {
  m_bRedraw = bRedraw;
  // Turning drawing back on shows every change made meanwhile.
  if (bRedraw) ++m_nChangeCount;
}
