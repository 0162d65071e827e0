// The Windows side of the Win32 back end: <windows.h> and nothing of the
// platform layer (win32_native.h says why).
#include <windows.h>
#include <imm.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "frontends/win32/utf16.h"
#include "frontends/win32/win32_native.h"

namespace win32 {
namespace {

constexpr wchar_t kDialogClass[] = L"SonomotDialog";
constexpr wchar_t kConsoleClass[] = L"SonomotConsole";
// The application icon's resource id.
constexpr int kIconId = 128;
// WM_DPICHANGED, known to Windows 8.1 and later.
constexpr UINT kWmDpiChanged = 0x02E0;
constexpr UINT kDefaultDpi = 96;

std::wstring Wide(std::string_view text) {
  std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(const wchar_t* pText, size_t nLength) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(pText), nLength));
}

// Functions of newer Windows, looked up so that the program still starts
// where they are missing (it is then drawn at the system's DPI).
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Function>
Function User32Function(const char* pszName) {
  FARPROC pProc = GetProcAddress(GetModuleHandleW(L"user32.dll"), pszName);
  // Through the one pointer type that any function pointer may be cast to.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(pProc));
}

UINT SystemDpi() {
  HDC hdc = GetDC(nullptr);
  int nDpi = GetDeviceCaps(hdc, LOGPIXELSY);
  ReleaseDC(nullptr, hdc);
  return nDpi > 0 ? static_cast<UINT>(nDpi) : kDefaultDpi;
}

UINT DpiOfWindow(HWND hWnd) {
  static auto pGetDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  UINT nDpi = pGetDpiForWindow != nullptr && hWnd != nullptr ? pGetDpiForWindow(hWnd) : 0;
  return nDpi != 0 ? nDpi : SystemDpi();
}

// The DPI fonts are made for: the program's dialog's, once there is one.
UINT g_nDpi = 0;
HWND g_hMainWindow = nullptr;

UINT CurrentDpi() {
  if (g_nDpi == 0) g_nDpi = SystemDpi();
  return g_nDpi;
}

// Fonts live until the program ends: a handful of requests at one or two
// DPIs.
class CFontCache {
 public:
  ~CFontCache() {
    for (auto& entry : m_fonts) DeleteObject(entry.second);
  }
  HFONT Get(const FontRequest& request, UINT nDpi) {
    Key key{request.face, request.nHeight, request.nWeight, request.bFixedPitch, nDpi};
    auto it = m_fonts.find(key);
    if (it != m_fonts.end()) return it->second;
    // A positive height asks for the cell height, as the console means it.
    int nHeight = MulDiv(request.nHeight, static_cast<int>(nDpi), kDefaultDpi);
    HFONT hFont = CreateFontW(nHeight, 0, 0, 0, request.nWeight, FALSE, FALSE, FALSE,
                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              CLEARTYPE_QUALITY,
                              (request.bFixedPitch ? FIXED_PITCH : DEFAULT_PITCH) | FF_DONTCARE,
                              Wide(request.face).c_str());
    if (hFont == nullptr) hFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    m_fonts.emplace(key, hFont);
    return hFont;
  }

 private:
  using Key = std::tuple<std::string, int, int, bool, UINT>;
  std::map<Key, HFONT> m_fonts;
};

CFontCache& Fonts() {
  static CFontCache cache;
  return cache;
}

// A memory context for measuring, with the font selected.
class CMeasuringDC {
 public:
  explicit CMeasuringDC(HFONT hFont)
      : m_hdc(CreateCompatibleDC(nullptr)), m_hOld(SelectObject(m_hdc, hFont)) {}
  ~CMeasuringDC() {
    SelectObject(m_hdc, m_hOld);
    DeleteDC(m_hdc);
  }
  int Width(const std::wstring& text) const {
    SIZE size{};
    GetTextExtentPoint32W(m_hdc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  }
  int CellHeight() const {
    TEXTMETRICW metrics{};
    GetTextMetricsW(m_hdc, &metrics);
    return metrics.tmHeight;
  }

 private:
  HDC m_hdc;
  HGDIOBJ m_hOld;
};

bool IsKeyDown(int nVirtKey) { return GetKeyState(nVirtKey) < 0; }

class CGdiPainter : public CNativePainter {
 public:
  CGdiPainter(HDC hdc, HFONT hFont) : m_hdc(hdc), m_hOld(SelectObject(hdc, hFont)) {
    SetBkMode(m_hdc, TRANSPARENT);
    SetTextAlign(m_hdc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
  }
  ~CGdiPainter() override { SelectObject(m_hdc, m_hOld); }
  void Fill(int x, int y, int cx, int cy, std::uint32_t cr) override {
    RECT rect{x, y, x + cx, y + cy};
    SetDCBrushColor(m_hdc, cr);
    FillRect(m_hdc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  void Text(int x, int y, const std::string& text, std::uint32_t cr) override {
    std::wstring wide = Wide(text);
    SetTextColor(m_hdc, cr);
    TextOutW(m_hdc, x, y, wide.c_str(), static_cast<int>(wide.size()));
  }

 private:
  HDC m_hdc;
  HGDIOBJ m_hOld;
};

}  // namespace

struct CNativeDialog::Impl {
  CNativeEvents* pEvents;
  HWND hDlg = nullptr;
  HWND hConsole = nullptr;
  DialogTemplate layout{};
  std::string dialogFace;
  FontRequest consoleFont;
  bool bShownOnce = false;
  bool bCaretMade = false;
  int nCaretX = 0, nCaretY = 0, nCaretCx = 0, nCaretCy = 0;
  int nMadeCx = 0, nMadeCy = 0;  // size of the caret made
  bool bCaretWanted = false;
  int nWheelDelta = 0;
  int nScrollPos = 0;  // the first line shown
  int nLines = 0;
  CSurrogateJoiner joiner;
  HICON hBigIcon = nullptr;
  HICON hSmallIcon = nullptr;

  UINT Dpi() const { return DpiOfWindow(hDlg); }
  HFONT ConsoleFont() const { return Fonts().Get(consoleFont, Dpi()); }

  void Layout();
  void LoadIcons();
  void CentreOnWorkArea();
  void UpdateCaret();
  void DropCaret();
  LRESULT DialogMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
  LRESULT ConsoleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
  void Paint();
  void Scroll(int nFirstLine);
  void PlaceComposition();
};

namespace {

// The window procedure of both classes: the object comes with
// WM_NCCREATE and answers every later message of its window.
template <HWND CNativeDialog::Impl::*kWindow,
          LRESULT (CNativeDialog::Impl::*kHandle)(UINT, WPARAM, LPARAM)>
LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_NCCREATE) {
    auto* pCreate = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pCreate->lpCreateParams));
  }
  auto* pImpl = reinterpret_cast<CNativeDialog::Impl*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  // Until CreateWindowExW has returned the handle, and after the object
  // has gone, the default processing answers.
  if (pImpl == nullptr || pImpl->*kWindow != hWnd) return DefWindowProcW(hWnd, uMsg, wParam, lParam);
  return (pImpl->*kHandle)(uMsg, wParam, lParam);
}

bool RegisterClasses() {
  static bool bRegistered = false;
  if (bRegistered) return true;
  HINSTANCE hInstance = GetModuleHandleW(nullptr);
  WNDCLASSEXW dialogClass{};
  dialogClass.cbSize = sizeof dialogClass;
  dialogClass.lpfnWndProc =
      WindowProc<&CNativeDialog::Impl::hDlg, &CNativeDialog::Impl::DialogMessage>;
  dialogClass.hInstance = hInstance;
  dialogClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The strip the console leaves free shows the dialog's face colour.
  dialogClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  dialogClass.lpszClassName = kDialogClass;
  WNDCLASSEXW consoleClass{};
  consoleClass.cbSize = sizeof consoleClass;
  consoleClass.style = CS_DBLCLKS;
  consoleClass.lpfnWndProc =
      WindowProc<&CNativeDialog::Impl::hConsole, &CNativeDialog::Impl::ConsoleMessage>;
  consoleClass.hInstance = hInstance;
  consoleClass.lpszClassName = kConsoleClass;
  bRegistered = RegisterClassExW(&dialogClass) != 0 && RegisterClassExW(&consoleClass) != 0;
  return bRegistered;
}

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
constexpr DWORD kDialogExStyle = WS_EX_WINDOWEDGE;

}  // namespace

// The dialog's size and the console's place, from the template's dialog
// units in the dialog font at the window's DPI: a quarter of the average
// width of the 52 Latin letters across, an eighth of the cell height down.
void CNativeDialog::Impl::Layout() {
  UINT nDpi = Dpi();
  // The template's points at the window's DPI, as the character height.
  int nEm = -MulDiv(layout.nPointSize, static_cast<int>(nDpi), 72);
  HFONT hDialogFont = CreateFontW(nEm, 0, 0, 0, layout.nWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, Wide(dialogFace).c_str());
  int nBaseX = 0;
  int nBaseY = 0;
  {
    CMeasuringDC dc(hDialogFont);
    int nLetters = dc.Width(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    nBaseX = (nLetters / 26 + 1) / 2;
    nBaseY = dc.CellHeight();
  }
  DeleteObject(hDialogFont);
  auto toPixelsX = [&](int du) { return MulDiv(du, nBaseX, 4); };
  auto toPixelsY = [&](int du) { return MulDiv(du, nBaseY, 8); };

  RECT frame{0, 0, toPixelsX(layout.cx), toPixelsY(layout.cy)};
  static auto pAdjust = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  if (pAdjust != nullptr) {
    pAdjust(&frame, kDialogStyle, FALSE, kDialogExStyle, nDpi);
  } else {
    AdjustWindowRectEx(&frame, kDialogStyle, FALSE, kDialogExStyle);
  }
  SetWindowPos(hDlg, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const DialogItemTemplate& item = layout.console;
  SetWindowPos(hConsole, nullptr, toPixelsX(item.x), toPixelsY(item.y), toPixelsX(item.cx),
               toPixelsY(item.cy), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CNativeDialog::Impl::LoadIcons() {
  HINSTANCE hInstance = GetModuleHandleW(nullptr);
  if (hBigIcon != nullptr) DestroyIcon(hBigIcon);
  if (hSmallIcon != nullptr) DestroyIcon(hSmallIcon);
  hBigIcon = static_cast<HICON>(LoadImageW(hInstance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  hSmallIcon = static_cast<HICON>(LoadImageW(hInstance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  if (hBigIcon != nullptr) SendMessageW(hDlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hBigIcon));
  if (hSmallIcon != nullptr) {
    SendMessageW(hDlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hSmallIcon));
  }
}

void CNativeDialog::Impl::CentreOnWorkArea() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(hDlg, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& area = monitor.rcWork;
  RECT frame{};
  GetWindowRect(hDlg, &frame);
  int cx = frame.right - frame.left;
  int cy = frame.bottom - frame.top;
  int x = area.left + (area.right - area.left - cx) / 2;
  int y = area.top + (area.bottom - area.top - cy) / 2;
  // Inside the work area, its top left corner first.
  x = std::max<int>(area.left, std::min<int>(x, area.right - cx));
  y = std::max<int>(area.top, std::min<int>(y, area.bottom - cy));
  SetWindowPos(hDlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CNativeDialog::Impl::DropCaret() {
  if (!bCaretMade) return;
  DestroyCaret();
  bCaretMade = false;
}

// The system caret blinks and inverts what it covers: the console's block.
// It exists only while the console has the focus.
void CNativeDialog::Impl::UpdateCaret() {
  if (!bCaretWanted || GetFocus() != hConsole || nCaretCx <= 0 || nCaretCy <= 0) {
    DropCaret();
    return;
  }
  if (!bCaretMade || nMadeCx != nCaretCx || nMadeCy != nCaretCy) {
    DropCaret();
    CreateCaret(hConsole, nullptr, nCaretCx, nCaretCy);
    nMadeCx = nCaretCx;
    nMadeCy = nCaretCy;
    SetCaretPos(nCaretX, nCaretY);
    ShowCaret(hConsole);
    bCaretMade = true;
  } else {
    SetCaretPos(nCaretX, nCaretY);
  }
  PlaceComposition();
}

// An input method composes at the caret, in the console font.
void CNativeDialog::Impl::PlaceComposition() {
  HIMC hImc = ImmGetContext(hConsole);
  if (hImc == nullptr) return;
  COMPOSITIONFORM form{};
  form.dwStyle = CFS_POINT;
  form.ptCurrentPos = POINT{nCaretX, nCaretY};
  ImmSetCompositionWindow(hImc, &form);
  LOGFONTW font{};
  if (GetObjectW(ConsoleFont(), sizeof font, &font) != 0) ImmSetCompositionFontW(hImc, &font);
  ImmReleaseContext(hConsole, hImc);
}

void CNativeDialog::Impl::Paint() {
  PAINTSTRUCT paint;
  HDC hdc = BeginPaint(hConsole, &paint);
  RECT client{};
  GetClientRect(hConsole, &client);
  // Drawn off screen and copied at once: no flicker while typing.
  HDC hMemory = CreateCompatibleDC(hdc);
  HBITMAP hBitmap = CreateCompatibleBitmap(hdc, std::max<int>(1, client.right),
                                           std::max<int>(1, client.bottom));
  HGDIOBJ hOldBitmap = SelectObject(hMemory, hBitmap);
  {
    CGdiPainter painter(hMemory, ConsoleFont());
    pEvents->OnPaint(painter);
  }
  BitBlt(hdc, 0, 0, client.right, client.bottom, hMemory, 0, 0, SRCCOPY);
  SelectObject(hMemory, hOldBitmap);
  DeleteObject(hBitmap);
  DeleteDC(hMemory);
  EndPaint(hConsole, &paint);
}

void CNativeDialog::Impl::Scroll(int nFirstLine) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  GetScrollInfo(hConsole, SB_VERT, &info);
  int nLast = std::max<int>(0, info.nMax - static_cast<int>(info.nPage) + 1);
  pEvents->OnScroll(std::clamp(nFirstLine, 0, nLast));
}

LRESULT CNativeDialog::Impl::DialogMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_CLOSE:
      // The program's dialog decides; it destroys this window through its
      // object when it ends.
      pEvents->OnClose();
      return 0;
    case WM_SETFOCUS:
      // The console is the dialog's one control: activating the dialog
      // gives it the focus, as the dialog manager would.
      SetFocus(hConsole);
      return 0;
    case kWmDpiChanged: {
      g_nDpi = HIWORD(wParam);
      const RECT* pSuggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hDlg, nullptr, pSuggested->left, pSuggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      LoadIcons();
      pEvents->OnDpiChanged();
      InvalidateRect(hConsole, nullptr, FALSE);
      return 0;
    }
    default:
      return DefWindowProcW(hDlg, uMsg, wParam, lParam);
  }
}

LRESULT CNativeDialog::Impl::ConsoleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  const bool bShift = IsKeyDown(VK_SHIFT);
  const bool bCtrl = IsKeyDown(VK_CONTROL);
  switch (uMsg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
      // With an input method composing, its keys are its own.
      if (wParam != VK_PROCESSKEY) pEvents->OnKeyDown(static_cast<unsigned>(wParam), bShift, bCtrl);
      return 0;
    case WM_CHAR:
      for (char32_t c : joiner.Take(static_cast<char16_t>(wParam))) pEvents->OnChar(c, bShift, bCtrl);
      return 0;
    case WM_IME_COMPOSITION: {
      if ((lParam & GCS_RESULTSTR) == 0) {
        pEvents->OnComposition(false);
        return DefWindowProcW(hConsole, uMsg, wParam, lParam);
      }
      // The result is typed here, not as the WM_IME_CHARs the default
      // processing would make of it.
      pEvents->OnComposition(true);
      HIMC hImc = ImmGetContext(hConsole);
      if (hImc == nullptr) return 0;
      LONG nBytes = ImmGetCompositionStringW(hImc, GCS_RESULTSTR, nullptr, 0);
      std::wstring result(nBytes > 0 ? static_cast<size_t>(nBytes) / sizeof(wchar_t) : 0, L'\0');
      if (!result.empty()) {
        ImmGetCompositionStringW(hImc, GCS_RESULTSTR, result.data(), nBytes);
      }
      ImmReleaseContext(hConsole, hImc);
      CSurrogateJoiner resultJoiner;
      for (wchar_t unit : result) {
        for (char32_t c : resultJoiner.Take(static_cast<char16_t>(unit))) {
          pEvents->OnChar(c, false, false);
        }
      }
      return 0;
    }
    case WM_IME_STARTCOMPOSITION:
      PlaceComposition();
      return DefWindowProcW(hConsole, uMsg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: {
      MouseButton button = uMsg == WM_LBUTTONDOWN    ? MouseButton::kLeft
                           : uMsg == WM_LBUTTONDBLCLK ? MouseButton::kLeftDouble
                           : uMsg == WM_RBUTTONDOWN   ? MouseButton::kRight
                                                      : MouseButton::kMiddle;
      // A drag that began here goes on here when the mouse leaves.
      if (uMsg == WM_LBUTTONDOWN) SetCapture(hConsole);
      pEvents->OnMouseButton(button, static_cast<short>(LOWORD(lParam)),
                             static_cast<short>(HIWORD(lParam)));
      return 0;
    }
    case WM_MOUSEMOVE:
      if ((wParam & MK_LBUTTON) != 0 && GetCapture() == hConsole) {
        pEvents->OnMouseDrag(static_cast<short>(LOWORD(lParam)),
                             static_cast<short>(HIWORD(lParam)));
      }
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hConsole) ReleaseCapture();
      return 0;
    case WM_RBUTTONDBLCLK:
      return 0;  // a second right click pastes nothing more
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, pEvents->WantsArrowCursor() ? IDC_ARROW : IDC_IBEAM));
        return TRUE;
      }
      return DefWindowProcW(hConsole, uMsg, wParam, lParam);
    case WM_VSCROLL: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_ALL;
      GetScrollInfo(hConsole, SB_VERT, &info);
      int nPos = info.nPos;
      int nPage = std::max<int>(1, static_cast<int>(info.nPage));
      switch (LOWORD(wParam)) {
        case SB_LINEUP: nPos -= 1; break;
        case SB_LINEDOWN: nPos += 1; break;
        case SB_PAGEUP: nPos -= nPage; break;
        case SB_PAGEDOWN: nPos += nPage; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: nPos = info.nTrackPos; break;
        case SB_TOP: nPos = 0; break;
        case SB_BOTTOM: nPos = info.nMax; break;
        default: return 0;
      }
      Scroll(nPos);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      UINT nLinesPerNotch = 3;
      SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &nLinesPerNotch, 0);
      nWheelDelta += GET_WHEEL_DELTA_WPARAM(wParam);
      int nNotches = nWheelDelta / WHEEL_DELTA;
      nWheelDelta -= nNotches * WHEEL_DELTA;
      if (nNotches != 0) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_POS;
        GetScrollInfo(hConsole, SB_VERT, &info);
        Scroll(info.nPos - nNotches * static_cast<int>(std::min<UINT>(nLinesPerNotch, 100)));
      }
      return 0;
    }
    case WM_DROPFILES: {
      HDROP hDrop = reinterpret_cast<HDROP>(wParam);
      UINT nFiles = DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0);
      std::vector<std::string> paths;
      for (UINT i = 0; i < nFiles; ++i) {
        UINT nLength = DragQueryFileW(hDrop, i, nullptr, 0);
        std::wstring path(nLength + 1, L'\0');
        nLength = DragQueryFileW(hDrop, i, path.data(), nLength + 1);
        paths.push_back(Narrow(path.c_str(), nLength));
      }
      DragFinish(hDrop);
      pEvents->OnDropFiles(std::move(paths));
      return 0;
    }
    case WM_SETFOCUS:
      pEvents->OnFocus(true);
      UpdateCaret();
      return 0;
    case WM_KILLFOCUS:
      DropCaret();
      pEvents->OnFocus(false);
      return 0;
    // As an edit control answers them: automation reads where it stands.
    case EM_GETFIRSTVISIBLELINE:
      return nScrollPos;
    case EM_GETLINECOUNT:
      return nLines;
    case EM_POSFROMCHAR: {
      std::string text = pEvents->GetConsoleText();
      int x = 0;
      int y = 0;
      if (!pEvents->GetCharacterPoint(Utf8OffsetOfUtf16Unit(text, wParam), &x, &y)) return -1;
      return MAKELRESULT(static_cast<WORD>(x), static_cast<WORD>(y));
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(Wide(pEvents->GetConsoleText()).size());
    case WM_GETTEXT: {
      if (wParam == 0 || lParam == 0) return 0;
      std::wstring text = Wide(pEvents->GetConsoleText());
      size_t nCopied = std::min<size_t>(text.size(), wParam - 1);
      auto* pBuffer = reinterpret_cast<wchar_t*>(lParam);
      std::copy_n(text.c_str(), nCopied, pBuffer);
      pBuffer[nCopied] = L'\0';
      return static_cast<LRESULT>(nCopied);
    }
    default:
      return DefWindowProcW(hConsole, uMsg, wParam, lParam);
  }
}

CNativeDialog::CNativeDialog(CNativeEvents* pEvents) : m_pImpl(std::make_unique<Impl>()) {
  m_pImpl->pEvents = pEvents;
}

CNativeDialog::~CNativeDialog() {
  if (m_pImpl->hDlg != nullptr) {
    m_pImpl->DropCaret();
    if (g_hMainWindow == m_pImpl->hDlg) g_hMainWindow = nullptr;
    // Nothing may reach the events once their owner goes.
    SetWindowLongPtrW(m_pImpl->hConsole, GWLP_USERDATA, 0);
    SetWindowLongPtrW(m_pImpl->hDlg, GWLP_USERDATA, 0);
    DestroyWindow(m_pImpl->hDlg);
  }
  if (m_pImpl->hBigIcon != nullptr) DestroyIcon(m_pImpl->hBigIcon);
  if (m_pImpl->hSmallIcon != nullptr) DestroyIcon(m_pImpl->hSmallIcon);
}

bool CNativeDialog::Create(const DialogTemplate& layout, const std::string& dialogFace) {
  if (!RegisterClasses()) return false;
  Impl& impl = *m_pImpl;
  impl.layout = layout;
  impl.dialogFace = dialogFace;
  HINSTANCE hInstance = GetModuleHandleW(nullptr);
  impl.hDlg = CreateWindowExW(kDialogExStyle, kDialogClass, Wide(layout.pszCaption).c_str(),
                              kDialogStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr,
                              nullptr, hInstance, &impl);
  if (impl.hDlg == nullptr) return false;
  impl.hConsole = CreateWindowExW(0, kConsoleClass, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0,
                                  10, 10, impl.hDlg, reinterpret_cast<HMENU>(
                                      static_cast<INT_PTR>(layout.console.nID)),
                                  hInstance, &impl);
  if (impl.hConsole == nullptr) {
    DestroyWindow(impl.hDlg);
    impl.hDlg = nullptr;
    return false;
  }
  g_hMainWindow = impl.hDlg;
  g_nDpi = impl.Dpi();
  impl.Layout();
  impl.LoadIcons();
  return true;
}

void CNativeDialog::SetCaption(const std::string& caption) {
  SetWindowTextW(m_pImpl->hDlg, Wide(caption).c_str());
}

void CNativeDialog::Show(int nCmdShow) {
  Impl& impl = *m_pImpl;
  if (!impl.bShownOnce) impl.CentreOnWorkArea();
  impl.bShownOnce = true;
  ShowWindow(impl.hDlg, nCmdShow);
  SetForegroundWindow(impl.hDlg);
  UpdateWindow(impl.hDlg);
}

void CNativeDialog::Hide() { ShowWindow(m_pImpl->hDlg, SW_HIDE); }

bool CNativeDialog::IsShown() const { return IsWindowVisible(m_pImpl->hDlg) != FALSE; }

bool CNativeDialog::HasFocus() const { return GetFocus() == m_pImpl->hConsole; }

void CNativeDialog::FocusConsole() {
  // Never pulls the window forward: only while it is the active one.
  if (GetActiveWindow() == m_pImpl->hDlg && GetFocus() != m_pImpl->hConsole) {
    SetFocus(m_pImpl->hConsole);
  }
}

void* CNativeDialog::GetHandle() const { return m_pImpl->hDlg; }

void CNativeDialog::SetConsoleFont(const FontRequest& font) {
  m_pImpl->consoleFont = font;
  InvalidateRect(m_pImpl->hConsole, nullptr, FALSE);
}

int CNativeDialog::GetTextWidth(const std::string& text) const {
  return CMeasuringDC(m_pImpl->ConsoleFont()).Width(Wide(text));
}

int CNativeDialog::GetLineHeight() const {
  return std::max(1, CMeasuringDC(m_pImpl->ConsoleFont()).CellHeight());
}

Extent CNativeDialog::GetConsoleSize() const {
  RECT client{};
  GetClientRect(m_pImpl->hConsole, &client);
  return Extent{client.right, client.bottom};
}

void CNativeDialog::SetScrollBar(int nLines, int nPage, int nPos) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  // Always shown, greyed while everything fits.
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = std::max(0, nLines - 1);
  info.nPage = static_cast<UINT>(std::max(1, nPage));
  info.nPos = nPos;
  SetScrollInfo(m_pImpl->hConsole, SB_VERT, &info, TRUE);
  m_pImpl->nScrollPos = nPos;
  m_pImpl->nLines = nLines;
}

void CNativeDialog::SetCaret(bool bShown, int x, int y, int cx, int cy) {
  Impl& impl = *m_pImpl;
  impl.bCaretWanted = bShown;
  impl.nCaretX = x;
  impl.nCaretY = y;
  impl.nCaretCx = cx;
  impl.nCaretCy = cy;
  impl.UpdateCaret();
}

void CNativeDialog::SetAcceptFiles(bool bAccept) { DragAcceptFiles(m_pImpl->hConsole, bAccept); }

void CNativeDialog::Invalidate() { InvalidateRect(m_pImpl->hConsole, nullptr, FALSE); }

bool WaitForNativeEvents() {
  MSG msg;
  BOOL bResult = GetMessageW(&msg, nullptr, 0, 0);
  if (bResult == -1) return false;
  // A WM_QUIT of Windows' own ends nothing: the dialog ends the program.
  if (bResult != 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  PollNativeEvents();
  return true;
}

void PollNativeEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void ShowMessageBox(void* pOwner, const std::string& text, const char* pszCaption) {
  std::wstring caption = pszCaption != nullptr ? Wide(pszCaption) : std::wstring();
  MessageBoxW(static_cast<HWND>(pOwner), Wide(text).c_str(),
              pszCaption != nullptr ? caption.c_str() : nullptr, MB_OK);
}

bool OpenClipboardText() {
  // Setting the clipboard's data needs an owner window.
  return OpenClipboard(g_hMainWindow) != FALSE;
}

void CloseClipboardText() { CloseClipboard(); }

bool GetClipboardText(std::string* pText) {
  HANDLE hData = GetClipboardData(CF_UNICODETEXT);
  if (hData == nullptr) return false;
  const auto* pWide = static_cast<const wchar_t*>(GlobalLock(hData));
  if (pWide == nullptr) return false;
  // Up to the terminating zero, and never past the memory block.
  size_t nMax = GlobalSize(hData) / sizeof(wchar_t);
  size_t nLength = 0;
  while (nLength < nMax && pWide[nLength] != L'\0') ++nLength;
  *pText = Narrow(pWide, nLength);
  GlobalUnlock(hData);
  return true;
}

bool SetClipboardText(const std::string& text) {
  std::wstring wide = Wide(text);
  HGLOBAL hData = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
  if (hData == nullptr) return false;
  auto* pWide = static_cast<wchar_t*>(GlobalLock(hData));
  std::copy_n(wide.c_str(), wide.size() + 1, pWide);
  GlobalUnlock(hData);
  EmptyClipboard();
  if (SetClipboardData(CF_UNICODETEXT, hData) == nullptr) {
    GlobalFree(hData);
    return false;
  }
  return true;
}

namespace {

int CALLBACK AddFamily(const LOGFONTW* pFont, const TEXTMETRICW* pMetrics, DWORD dwType,
                       LPARAM lParam) {
  auto* pFamilies = reinterpret_cast<std::vector<FamilyInfo>*>(lParam);
  std::string name = Narrow(pFont->lfFaceName, wcsnlen(pFont->lfFaceName, LF_FACESIZE));
  // "@" names are the same faces turned for vertical writing.
  if (name.empty() || name[0] == '@') return 1;
  const auto* pNew = reinterpret_cast<const NEWTEXTMETRICW*>(pMetrics);
  bool bScalable = (dwType & TRUETYPE_FONTTYPE) != 0 ||
                   (pNew->ntmFlags & (NTM_PS_OPENTYPE | NTM_TT_OPENTYPE)) != 0;
  for (FamilyInfo& family : *pFamilies) {
    if (family.name == name) {
      family.bScalable = family.bScalable || bScalable;
      return 1;
    }
  }
  pFamilies->push_back({name, bScalable});
  return 1;
}

}  // namespace

std::vector<FamilyInfo> EnumFamilies() {
  std::vector<FamilyInfo> families;
  HDC hdc = GetDC(nullptr);
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(hdc, &all, AddFamily, reinterpret_cast<LPARAM>(&families), 0);
  ReleaseDC(nullptr, hdc);
  return families;
}

Extent MeasureText(const FontRequest& font, const std::string& text) {
  CMeasuringDC dc(Fonts().Get(font, CurrentDpi()));
  return Extent{dc.Width(Wide(text)), dc.CellHeight()};
}

std::uint32_t GetHighlightColour(bool bText) {
  return GetSysColor(bText ? COLOR_HIGHLIGHTTEXT : COLOR_HIGHLIGHT);
}

std::vector<std::string> GetArguments() {
  std::vector<std::string> arguments;
  int nCount = 0;
  LPWSTR* ppArgs = CommandLineToArgvW(GetCommandLineW(), &nCount);
  if (ppArgs == nullptr) return arguments;
  for (int i = 1; i < nCount; ++i) arguments.push_back(Narrow(ppArgs[i], wcslen(ppArgs[i])));
  LocalFree(ppArgs);
  return arguments;
}

int GetStartShowCommand() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWNORMAL;
}

void AttachParentConsole() {
  auto leadsNowhere = [](DWORD dwStream) {
    HANDLE hStream = GetStdHandle(dwStream);
    return hStream == nullptr || hStream == INVALID_HANDLE_VALUE;
  };
  bool bOutput = leadsNowhere(STD_OUTPUT_HANDLE);
  bool bError = leadsNowhere(STD_ERROR_HANDLE);
  if (!bOutput && !bError) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  // Only the streams that led nowhere: a redirected one stays where it is.
  if (bOutput) std::freopen("CONOUT$", "w", stdout);
  if (bError) std::freopen("CONOUT$", "w", stderr);
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace win32
