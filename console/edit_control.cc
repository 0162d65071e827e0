#include "console/edit_control.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "console/edit_buffer.h"
#include "console/edit_buffer_editing.h"
#include "platform/clipboard.h"

namespace {

// Marks the answer of EM_GETHANDLE as coming from our control.
constexpr WPARAM kEditBufferQuery = 0x45444954;  // "EDIT"

class CEditControl {
 public:
  LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

 private:
  void NotifyParent(HWND hWnd, WORD wCode);
  void CopyText(HWND hWnd, const std::string& text);
  void Paste(HWND hWnd);
  LRESULT OnChar(HWND hWnd, unsigned int nChar);
  LRESULT OnKeyDown(HWND hWnd, unsigned int nVirtKey);

  EditBuffer m_buffer;
  LPARAM m_hFont = 0;
  int m_nPageLines = 20;
};

void CEditControl::NotifyParent(HWND hWnd, WORD wCode) {
  HWND hParent = GetParent(hWnd);
  if (hParent == nullptr) return;
  WPARAM wParam = static_cast<WPARAM>(static_cast<WORD>(GetDlgCtrlID(hWnd))) |
                  (static_cast<WPARAM>(wCode) << 16);
  SendMessageA(hParent, WM_COMMAND, wParam, reinterpret_cast<LPARAM>(hWnd));
}

void CEditControl::CopyText(HWND hWnd, const std::string& text) {
  if (text.empty()) return;
  CClipboard* pClipboard = GetClipboard();
  if (!pClipboard->Open(hWnd)) return;
  pClipboard->SetText(text);
  pClipboard->Close();
}

void CEditControl::Paste(HWND hWnd) {
  CClipboard* pClipboard = GetClipboard();
  if (!pClipboard->Open(hWnd)) return;
  std::string text;
  if (pClipboard->GetText(&text)) m_buffer.ReplaceSel(text.c_str());
  pClipboard->Close();
}

LRESULT CEditControl::OnChar(HWND hWnd, unsigned int nChar) {
  switch (nChar) {
    case 1:  // Ctrl+A: a selection made with the keys, in the mark's place
      m_buffer.SetSel(0, m_buffer.GetTextLength());
      m_buffer.SetMark(0, 0);
      return 0;
    case 3:  // Ctrl+C
      SendMessageA(hWnd, WM_COPY, 0, 0);
      return 0;
    case 22:  // Ctrl+V: as a paste request, which the owner may refuse
      SendMessageA(hWnd, WM_PASTE, 0, 0);
      return 0;
    case 24:  // Ctrl+X
      SendMessageA(hWnd, WM_CUT, 0, 0);
      return 0;
    default:
      TypeCharacter(&m_buffer, nChar);
      return 0;
  }
}

LRESULT CEditControl::OnKeyDown(HWND hWnd, unsigned int nVirtKey) {
  bool bShift = GetKeyState(VK_SHIFT) < 0;
  bool bCtrl = GetKeyState(VK_CONTROL) < 0;
  if (nVirtKey == VK_DELETE && bShift) {
    SendMessageA(hWnd, WM_CUT, 0, 0);
  } else if (nVirtKey == VK_INSERT && bCtrl) {
    SendMessageA(hWnd, WM_COPY, 0, 0);
  } else if (nVirtKey == VK_INSERT && bShift) {
    SendMessageA(hWnd, WM_PASTE, 0, 0);
  } else {
    PressEditKey(&m_buffer, nVirtKey, bShift, bCtrl, m_nPageLines);
  }
  return 0;
}

LRESULT CEditControl::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam,
                                 LPARAM lParam) {
  switch (uMsg) {
    case WM_CHAR:
      return OnChar(hWnd, static_cast<unsigned int>(wParam));
    case WM_KEYDOWN:
      return OnKeyDown(hWnd, static_cast<unsigned int>(wParam));
    case WM_COPY:
      CopyText(hWnd, GetTextToCopy(m_buffer));
      return 0;
    case WM_CUT:
      // The mark is only to copy: a cut takes the selection.
      CopyText(hWnd, GetSelectedText(m_buffer));
      m_buffer.ReplaceSel(nullptr);
      return 0;
    case WM_CLEAR:
      m_buffer.ReplaceSel(nullptr);
      return 0;
    case WM_PASTE:
      Paste(hWnd);
      return 0;
    case WM_SETTEXT:
      m_buffer.SetText(reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_GETTEXTLENGTH:
      return m_buffer.GetTextLength();
    case WM_GETTEXT: {
      char* psz = reinterpret_cast<char*>(lParam);
      if (psz == nullptr || wParam == 0) return 0;
      size_t n = std::min(static_cast<size_t>(wParam) - 1,
                          m_buffer.GetText().size());
      std::memcpy(psz, m_buffer.GetText().data(), n);
      psz[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case EM_GETSEL: {
      int nStart = 0;
      int nEnd = 0;
      m_buffer.GetSel(&nStart, &nEnd);
      if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = nStart;
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = nEnd;
      return static_cast<LRESULT>((nStart & 0xFFFF) | ((nEnd & 0xFFFF) << 16));
    }
    case EM_SETSEL:
      m_buffer.SetSel(static_cast<int>(wParam), static_cast<int>(lParam));
      return 0;
    case EM_REPLACESEL:
      m_buffer.ReplaceSel(reinterpret_cast<const char*>(lParam));
      return 0;
    case EM_GETLINECOUNT:
      return m_buffer.GetLineCount();
    case EM_LINEINDEX:
      return m_buffer.LineIndex(static_cast<int>(wParam));
    case EM_LINEFROMCHAR:
      return m_buffer.LineFromChar(static_cast<int>(wParam));
    case EM_LINELENGTH:
      return m_buffer.LineLength(static_cast<int>(wParam));
    case EM_GETLINE:
      return m_buffer.GetLine(static_cast<int>(wParam),
                              reinterpret_cast<char*>(lParam));
    case EM_SCROLLCARET:
      m_buffer.ScrollCaret();
      return TRUE;
    case WM_SETREDRAW:
      m_buffer.SetRedraw(wParam != 0);
      return 0;
    case WM_SETFONT:
      m_hFont = static_cast<LPARAM>(wParam);
      return 0;
    case WM_GETFONT:
      return m_hFont;
    case EM_SETPAGELINES:
      m_nPageLines = std::max(1, static_cast<int>(wParam));
      return 0;
    case EM_GETHANDLE:
      return wParam == kEditBufferQuery ? reinterpret_cast<LRESULT>(&m_buffer)
                                        : 0;
    case WM_SETFOCUS:
      NotifyParent(hWnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      NotifyParent(hWnd, EN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(hWnd);
      return 0;
    case WM_NCDESTROY:
      delete this;  // the window's last message
      return 0;
    default:
      return DefWindowProcA(hWnd, uMsg, wParam, lParam);
  }
}

}  // namespace

HWND CreateEditControl(HWND hParent, int nID) {
  if (!IsWindow(hParent)) return nullptr;
  auto* pControl = new CEditControl();
  HWND hWnd = CreatePlatformWindow(
      hParent, nID, [pControl](HWND h, UINT m, WPARAM w, LPARAM l) {
        return pControl->WindowProc(h, m, w, l);
      });
  if (hWnd == nullptr) delete pControl;
  return hWnd;
}

EditBuffer* GetEditBuffer(HWND hEdit) {
  return reinterpret_cast<EditBuffer*>(
      SendMessageA(hEdit, EM_GETHANDLE, kEditBufferQuery, 0));
}
