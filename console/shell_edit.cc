#include "console/shell_edit.h"

#include <array>
#include <cstring>

#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "platform/drop.h"

namespace {

// The answer to "tolk" sits between two of these.
constexpr char kTolkRule[] = "--------------------------------";

using Entry = MessageMapEntry<CShellEditImpl>;

}  // namespace

CShellEditImpl::~CShellEditImpl() {
  m_history.clear();
  ReleaseAppearance();
}

BOOL CShellEditImpl::Initialize(HWND hEdit) {
  BOOL bTakenOver = SubclassWindow(hEdit);
  SetEditBuffer(bTakenOver ? ::GetEditBuffer(hEdit) : nullptr);
  InitializeFont();
  InitializeColors();
  SetPrompt("root>");
  m_nHistoryPos = -1;
  DragAcceptFiles(m_hWnd, TRUE);
  return bTakenOver;
}

void CShellEditImpl::OnFinalMessage(HWND) {
  // The control and its text are gone; later writes have no effect.
  SetEditBuffer(nullptr);
}

BOOL CShellEditImpl::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam,
                                          LPARAM lParam, LRESULT& lResult) {
  static constexpr std::array<Entry, 14> kMessageMap = {
      MessageEntry<CShellEditImpl>(OCM_CTLCOLOREDIT,
                                   &CShellEditImpl::OnCtlColorEdit),
      MessageEntry<CShellEditImpl>(WM_SETCURSOR, &CShellEditImpl::OnSetCursor),
      MessageEntry<CShellEditImpl>(WM_KEYDOWN, &CShellEditImpl::OnKeyDown),
      MessageEntry<CShellEditImpl>(WM_CHAR, &CShellEditImpl::OnChar),
      MessageEntry<CShellEditImpl>(WM_DROPFILES, &CShellEditImpl::OnDropFiles),
      MessageEntry<CShellEditImpl>(WM_LBUTTONDOWN, &CShellEditImpl::OnClick),
      MessageEntry<CShellEditImpl>(WM_RBUTTONDOWN,
                                   &CShellEditImpl::OnRightButtonDown),
      MessageEntry<CShellEditImpl>(WM_MBUTTONDOWN, &CShellEditImpl::OnClick),
      MessageEntry<CShellEditImpl>(WM_LBUTTONDBLCLK, &CShellEditImpl::OnClick),
      MessageEntry<CShellEditImpl>(WM_IME_COMPOSITION,
                                   &CShellEditImpl::OnImeComposition),
      MessageEntry<CShellEditImpl>(WM_PASTE, &CShellEditImpl::OnPaste),
      CommandCodeEntry<CShellEditImpl>(OCM_COMMAND, EN_SETFOCUS,
                                       &CShellEditImpl::OnEditSetFocus),
      CommandCodeEntry<CShellEditImpl>(OCM_COMMAND, EN_KILLFOCUS,
                                       &CShellEditImpl::OnEditKillFocus),
      MessageRangeEntry<CShellEditImpl>(OCM__BASE, OCM__LAST,
                                        &CShellEditImpl::OnReflectedDefault),
  };
  return DispatchToMessageMap<CShellEditImpl>(this, kMessageMap, uMsg, wParam,
                                              lParam, lResult);
}

LRESULT CShellEditImpl::OnReflectedDefault(UINT uMsg, WPARAM wParam,
                                           LPARAM lParam, BOOL&) {
  return DefWindowProcA(m_hWnd, uMsg - OCM__BASE, wParam, lParam);
}

int CShellEditImpl::GetPromptLength() const {
  return static_cast<int>(std::strlen(m_szPrompt));
}

bool CShellEditImpl::IsCaretOnLastLine() const {
  const EditBuffer* pBuffer = GetEditBuffer();
  if (pBuffer == nullptr) return false;
  return pBuffer->LineFromChar(-1) == pBuffer->GetLineCount() - 1;
}

void CShellEditImpl::GetCaretLineColumn(int* pnLine, int* pnColumn) const {
  const EditBuffer* pBuffer = GetEditBuffer();
  int nLine = 0;
  int nColumn = 0;
  if (pBuffer != nullptr) {
    int nEnd = 0;
    pBuffer->GetSel(nullptr, &nEnd);
    nLine = pBuffer->LineFromChar(nEnd);
    nColumn = nEnd - pBuffer->LineIndex(nLine);
  }
  if (pnLine != nullptr) *pnLine = nLine;
  if (pnColumn != nullptr) *pnColumn = nColumn;
}

bool CShellEditImpl::IsCaretInPrompt() const {
  if (!IsCaretOnLastLine()) return false;
  int nColumn = 0;
  GetCaretLineColumn(nullptr, &nColumn);
  return nColumn <= GetPromptLength();
}

void CShellEditImpl::MoveCaretToEnd() { WriteText(""); }

void CShellEditImpl::InsertAtCaret(const char* pszText) {
  EditBuffer* pBuffer = GetEditBuffer();
  if (pBuffer == nullptr) return;
  int nLine = 0;
  int nColumn = 0;
  GetCaretLineColumn(&nLine, &nColumn);
  pBuffer->SetRedraw(false);
  int nPos = pBuffer->LineIndex(nLine) + nColumn;
  pBuffer->SetSel(nPos, nPos);
  pBuffer->ReplaceSel(pszText);
  pBuffer->SetRedraw(true);
}

void CShellEditImpl::ApplyGeneralRule() {
  EditBuffer* pBuffer = GetEditBuffer();
  if (pBuffer == nullptr || !IsCaretOnLastLine()) return;
  int nStart = 0;
  int nEnd = 0;
  pBuffer->GetSel(&nStart, &nEnd);
  int nPromptEnd =
      pBuffer->LineIndex(pBuffer->GetLineCount() - 1) + GetPromptLength();
  if (nStart != nEnd) {
    // A selection must not reach into the prompt: its start moves to the
    // prompt's end, its end stays.
    if (nStart < nPromptEnd) pBuffer->SetSel(nPromptEnd, nEnd);
  } else if (IsCaretInPrompt() && !m_bImeComposing) {
    MoveCaretToEnd();
  }
}

LRESULT CShellEditImpl::OnKeyDown(UINT, WPARAM wParam, LPARAM,
                                  BOOL& bHandled) {
  switch (wParam) {
    case VK_LEFT:
    case VK_RIGHT:
      if (IsCaretInPrompt()) {
        MoveCaretToEnd();
        return 0;
      }
      break;
    case VK_UP:
      if (IsCaretOnLastLine()) RecallHistory(+1);
      return 0;
    case VK_DOWN:
      if (IsCaretOnLastLine()) RecallHistory(-1);
      return 0;
    case VK_DELETE:
      if (!IsCaretOnLastLine() || IsCaretInPrompt()) return 0;
      break;
    default:
      break;
  }
  ApplyGeneralRule();
  bHandled = FALSE;
  return 0;
}

LRESULT CShellEditImpl::OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (wParam == 8) {
    if (!IsCaretOnLastLine() || IsCaretInPrompt()) return 0;
  } else if (wParam == 13) {
    OnEnter();
    return 0;
  } else if (GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 &&
             !IsCaretOnLastLine()) {
    MoveCaretToEnd();
  }
  bHandled = FALSE;
  return 0;
}

LRESULT CShellEditImpl::OnImeComposition(UINT, WPARAM, LPARAM lParam,
                                         BOOL& bHandled) {
  m_bImeComposing = (lParam & GCS_RESULTSTR) != 0 ? 0 : 1;
  bHandled = FALSE;
  return 0;
}

void CShellEditImpl::OnEnter() {
  EditBuffer* pBuffer = GetEditBuffer();
  if (pBuffer == nullptr) return;
  int nPromptLength = GetPromptLength();
  int nLastStart = pBuffer->LineIndex(pBuffer->GetLineCount() - 1);
  int nLength = pBuffer->LineLength(nLastStart);
  if (nLength < nPromptLength) {
    // The prompt itself was damaged (cut together with an earlier line):
    // a fresh line and prompt, nothing handed on.
    WriteText("\r\n");
    WriteText(m_szPrompt);
    return;
  }
  // The whole last line, wherever the caret is, less the prompt's length.
  std::string line = pBuffer->GetText().substr(
      static_cast<size_t>(nLastStart + nPromptLength),
      static_cast<size_t>(nLength - nPromptLength));
  bool bBuiltIn = true;
  if (line == "tolk") {
    WriteText("\r\n");
    WriteText(kTolkRule).WriteText("\r\n");
    WriteText(" tolk ver 0.0.2.0\r\n");
    WriteText(" 2011 Sonomot\r\n");
    WriteText(kTolkRule).WriteText("\r\n");
  } else if (line == "his") {
    WriteText("\r\n");
    for (const std::string& entry : m_history) {
      WriteText(entry.c_str()).WriteText("\r\n");
    }
  } else if (line == "clear") {
    SetWindowTextA(m_hWnd, "");
  } else {
    bBuiltIn = false;
  }
  WriteText("\r\n");
  m_nHistoryPos = -1;
  AddHistory(line.c_str());
  if (!bBuiltIn) {
    HWND hParent = GetParent();
    SendMessageA(hParent, WM_SHELLEDIT_COMMAND,
                 reinterpret_cast<WPARAM>(line.c_str()), 0);
    // The command may have closed the dialog, and the console with it.
    if (m_hWnd == nullptr) return;
  }
  WriteText(m_szPrompt);
}

void CShellEditImpl::AddHistory(const char* pszLine) {
  if (pszLine == nullptr || *pszLine == '\0') return;
  std::string line = pszLine;
  for (auto it = m_history.begin(); it != m_history.end(); ++it) {
    if (*it == line) {
      m_history.erase(it);
      break;
    }
  }
  m_history.push_back(std::move(line));
  if (m_history.size() > kMaxHistory) m_history.pop_front();
}

void CShellEditImpl::RecallHistory(int nStep) {
  EditBuffer* pBuffer = GetEditBuffer();
  if (pBuffer == nullptr) return;
  pBuffer->ScrollCaret();
  if (m_history.empty()) return;
  int nCount = static_cast<int>(m_history.size());
  m_nHistoryPos += nStep;
  if (m_nHistoryPos < 0) m_nHistoryPos = 0;
  if (m_nHistoryPos > nCount - 1) m_nHistoryPos = nCount - 1;
  const std::string& entry = m_history[nCount - 1 - m_nHistoryPos];
  pBuffer->SetRedraw(false);
  int nLastStart = pBuffer->LineIndex(pBuffer->GetLineCount() - 1);
  int nLastEnd = nLastStart + pBuffer->LineLength(nLastStart);
  pBuffer->SetSel(nLastStart + GetPromptLength(), nLastEnd);
  pBuffer->ReplaceSel(entry.c_str());
  pBuffer->SetRedraw(true);
}
