#define NCURSES_WIDECHAR 1
#include "frontends/term/curses_screen.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>

#include <ncursesw/curses.h>
#include <ncursesw/term.h>

#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "console/paste_text.h"
#include "platform/clipboard.h"
#include "platform/drop.h"
#include "platform/gdi.h"
#include "platform/key_input.h"
#include "platform/message_queue.h"

namespace {

// Key codes we give the bracketed-paste markers (far above ncurses' own).
constexpr int kKeyPasteStart = 0x6F00;
constexpr int kKeyPasteEnd = 0x6F01;
constexpr short kConsolePair = 1;
constexpr short kTitlePair = 2;
// After this many failed reads in a row the terminal is taken as gone.
constexpr int kMaxReadErrors = 100;

// A string capability of the terminal's terminfo entry, extended ones (BE,
// Ss, TS) included, or null when the entry lacks it.
const char* TerminalString(const char* pszName) {
  const char* psz = tigetstr(pszName);
  if (psz == nullptr || psz == reinterpret_cast<const char*>(-1) ||
      *psz == '\0') {
    return nullptr;
  }
  return psz;
}

// Writes a capability's string to the terminal, padding included.
void PutCapability(const char* psz) {
  tputs(psz, 1, [](int c) { return std::putchar(c); });
}

struct KeyMeaning {
  UINT nVirtKey;
  DWORD dwKeyState;
};

std::map<int, KeyMeaning>& KeyTable() {
  static std::map<int, KeyMeaning> table;
  return table;
}

void BuildKeyTable() {
  auto& table = KeyTable();
  table.clear();
  const struct {
    int nCode;
    UINT nVirtKey;
    DWORD dwState;
  } kFixed[] = {
      {KEY_LEFT, VK_LEFT, 0},          {KEY_RIGHT, VK_RIGHT, 0},
      {KEY_UP, VK_UP, 0},              {KEY_DOWN, VK_DOWN, 0},
      {KEY_HOME, VK_HOME, 0},          {KEY_END, VK_END, 0},
      {KEY_PPAGE, VK_PRIOR, 0},        {KEY_NPAGE, VK_NEXT, 0},
      {KEY_DC, VK_DELETE, 0},          {KEY_IC, VK_INSERT, 0},
      {KEY_SLEFT, VK_LEFT, KEYSTATE_SHIFT},
      {KEY_SRIGHT, VK_RIGHT, KEYSTATE_SHIFT},
      {KEY_SR, VK_UP, KEYSTATE_SHIFT}, {KEY_SF, VK_DOWN, KEYSTATE_SHIFT},
      {KEY_SHOME, VK_HOME, KEYSTATE_SHIFT},
      {KEY_SEND, VK_END, KEYSTATE_SHIFT},
      {KEY_SPREVIOUS, VK_PRIOR, KEYSTATE_SHIFT},
      {KEY_SNEXT, VK_NEXT, KEYSTATE_SHIFT},
      {KEY_SDC, VK_DELETE, KEYSTATE_SHIFT},
      {KEY_SIC, VK_INSERT, KEYSTATE_SHIFT},
      {KEY_BTAB, VK_TAB, KEYSTATE_SHIFT},
  };
  for (const auto& k : kFixed) table[k.nCode] = {k.nVirtKey, k.dwState};
  // Keys with modifiers that terminfo names in xterm's way: kLFT5 is
  // Ctrl+Left; the digit is 1 + (Shift 1, Alt 2, Ctrl 4).
  const struct {
    const char* pszName;
    UINT nVirtKey;
  } kExtended[] = {{"kLFT", VK_LEFT}, {"kRIT", VK_RIGHT}, {"kUP", VK_UP},
                   {"kDN", VK_DOWN},  {"kHOM", VK_HOME},  {"kEND", VK_END},
                   {"kPRV", VK_PRIOR}, {"kNXT", VK_NEXT},  {"kDC", VK_DELETE},
                   {"kIC", VK_INSERT}};
  for (const auto& k : kExtended) {
    for (int nMod = 2; nMod <= 8; ++nMod) {
      std::string name = k.pszName + std::to_string(nMod);
      char* psz = tigetstr(name.c_str());
      if (psz == nullptr || psz == reinterpret_cast<char*>(-1)) continue;
      int nCode = key_defined(psz);
      if (nCode <= 0) continue;
      int nBits = nMod - 1;
      DWORD dwState = ((nBits & 1) ? KEYSTATE_SHIFT : 0) |
                      ((nBits & 4) ? KEYSTATE_CONTROL : 0);
      table[nCode] = {k.nVirtKey, dwState};
    }
  }
}

// The code point of the UTF-8 character whose first byte nFirst (0x80 to
// 0xFF) has been read: its continuation bytes are read now. A byte that
// starts no character, or a sequence that is cut short or not valid, gives
// U+FFFD; a byte that does not continue the sequence is left to be read
// next.
unsigned int ReadUtf8Rest(int nFirst) {
  int nMore = 0;
  if (nFirst >= 0xC0 && nFirst < 0xE0) {
    nMore = 1;
  } else if (nFirst >= 0xE0 && nFirst < 0xF0) {
    nMore = 2;
  } else if (nFirst >= 0xF0 && nFirst < 0xF8) {
    nMore = 3;
  }
  char sz[5] = {static_cast<char>(nFirst)};
  int nLength = 1;
  // The bytes of one character arrive together; wait briefly all the same.
  timeout(50);
  for (int i = 0; i < nMore; ++i) {
    int c = getch();
    if (c == ERR) break;
    if (c > 0xFF || (c & 0xC0) != 0x80) {
      ungetch(c);
      break;
    }
    sz[nLength++] = static_cast<char>(c);
  }
  timeout(0);
  if (nLength != nMore + 1) return 0xFFFD;
  const char* p = sz;
  return DecodeUtf8(&p);
}

// Reads the rest of an escape sequence that ncurses did not decode, after
// its ESC [ (CSI) or ESC O (SS3): parameter and intermediate bytes (0x20 to
// 0x3F) up to the final byte (0x40 to 0x7E), all dropped, so a key the
// terminal database doesn't know types nothing. A byte that can't be part
// of the sequence ends it and is left to be read next.
void SkipEscapeSequence() {
  // The bytes of one sequence arrive together; wait briefly all the same.
  timeout(50);
  for (;;) {
    int c = getch();
    if (c == ERR) break;
    if (c >= 0x40 && c <= 0x7E) break;
    if (c < 0x20 || c > 0x3F) {
      ungetch(c);
      break;
    }
  }
  timeout(0);
}

// The nearest of the terminal's colours to cr.
short NearestColor(COLORREF cr) {
  int r = cr & 0xFF;
  int g = (cr >> 8) & 0xFF;
  int b = (cr >> 16) & 0xFF;
  if (COLORS >= 256) {
    // xterm's 6 x 6 x 6 cube and gray ramp.
    static const int kLevels[] = {0, 95, 135, 175, 215, 255};
    auto nearest = [](int v) {
      int best = 0;
      for (int i = 1; i < 6; ++i) {
        if (std::abs(kLevels[i] - v) < std::abs(kLevels[best] - v)) best = i;
      }
      return best;
    };
    int ri = nearest(r);
    int gi = nearest(g);
    int bi = nearest(b);
    int nCube = 16 + 36 * ri + 6 * gi + bi;
    auto dist = [&](int rr, int gg, int bb) {
      return (rr - r) * (rr - r) + (gg - g) * (gg - g) + (bb - b) * (bb - b);
    };
    int nBest = nCube;
    int nBestDist = dist(kLevels[ri], kLevels[gi], kLevels[bi]);
    for (int i = 0; i < 24; ++i) {
      int v = 8 + 10 * i;
      if (dist(v, v, v) < nBestDist) {
        nBestDist = dist(v, v, v);
        nBest = 232 + i;
      }
    }
    return static_cast<short>(nBest);
  }
  // The eight basic colours, by which channels are strong.
  bool bR = r >= 128;
  bool bG = g >= 128;
  bool bB = b >= 128;
  if (!bR && !bG && !bB) {
    // Dark: keep the strongest channel's hue if there is one.
    if (b > r && b > g && b >= 32) return COLOR_BLUE;
    if (g > r && g > b && g >= 32) return COLOR_GREEN;
    if (r > g && r > b && r >= 32) return COLOR_RED;
    return COLOR_BLACK;
  }
  return static_cast<short>((bR ? COLOR_RED : 0) | (bG ? COLOR_GREEN : 0) |
                            (bB ? COLOR_BLUE : 0));
}

// Display width of a character; control characters are shown as one '?'.
int CharWidth(unsigned int nChar) {
  if (nChar < 0x20 || nChar == 0x7F) return 1;
  int n = wcwidth(static_cast<wchar_t>(nChar));
  return n < 0 ? 1 : n;
}

// Columns a character of the console's text takes when drawn: a lone CR or
// LF byte (part of a line, not a line break) shows nothing.
int DrawnWidth(unsigned int nChar) {
  if (nChar == '\r' || nChar == '\n') return 0;
  return CharWidth(nChar);
}

void PutChar(int y, int x, unsigned int nChar, attr_t attr, short nPair) {
  wchar_t sz[2] = {static_cast<wchar_t>(nChar), L'\0'};
  if (nChar < 0x20 || nChar == 0x7F) sz[0] = L'?';
  if (nChar == 0xFFFD && CharWidth(nChar) != 1) sz[0] = L'?';
  cchar_t cc;
  setcchar(&cc, sz, attr, nPair, nullptr);
  mvadd_wch(y, x, &cc);
}

void PercentDecode(std::string* pText) {
  std::string out;
  for (size_t i = 0; i < pText->size(); ++i) {
    char c = (*pText)[i];
    if (c == '%' && i + 2 < pText->size() &&
        std::isxdigit(static_cast<unsigned char>((*pText)[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>((*pText)[i + 2]))) {
      out += static_cast<char>(std::stoi(pText->substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += c;
    }
  }
  *pText = out;
}

}  // namespace

CCursesScreen::~CCursesScreen() { Stop(); }

bool CCursesScreen::CanDrawOn(int fd) {
  int nError = 0;
  if (setupterm(nullptr, fd, &nError) != OK) return false;
  bool bCan = TerminalString("cup") != nullptr && tigetflag("hc") != 1 &&
              tigetflag("gn") != 1;
  del_curterm(cur_term);
  return bCan;
}

bool CCursesScreen::Start() {
  if (m_bStarted) return true;
  // The platform's text is UTF-8; characters only, so numbers keep the C
  // locale's format.
  const char* pszLocale = std::setlocale(LC_CTYPE, "");
  if (pszLocale == nullptr || (std::strstr(pszLocale, "UTF-8") == nullptr &&
                               std::strstr(pszLocale, "utf8") == nullptr)) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
  }
  m_pScreen = newterm(nullptr, stdout, stdin);
  if (m_pScreen == nullptr) return false;
  m_bStarted = true;
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  set_escdelay(25);
  if (has_colors()) {
    start_color();
    use_default_colors();
  }
  BuildKeyTable();
  // Bracketed paste on, where the terminal knows it; its markers are the
  // ones the entry names.
  const char* pszPasteOn = TerminalString("BE");
  m_bPasteMode = pszPasteOn != nullptr && TerminalString("BD") != nullptr;
  if (m_bPasteMode) {
    const char* pszStart = TerminalString("PS");
    const char* pszEnd = TerminalString("PE");
    define_key(pszStart != nullptr ? pszStart : "\033[200~", kKeyPasteStart);
    define_key(pszEnd != nullptr ? pszEnd : "\033[201~", kKeyPasteEnd);
    PutCapability(pszPasteOn);
  }
  // A steady block cursor (style 2).
  const char* pszCursorStyle = TerminalString("Ss");
  m_bCursorShape = pszCursorStyle != nullptr;
  if (m_bCursorShape) PutCapability(tiparm(pszCursorStyle, 2));
  std::fflush(stdout);
  curs_set(2);
  return true;
}

void CCursesScreen::Stop() {
  if (!m_bStarted) return;
  m_bStarted = false;
  if (m_bPasteMode) PutCapability(TerminalString("BD"));
  // Style 0 is the shape the user chose for the terminal; the entries' Se
  // sets a steady block instead.
  if (m_bCursorShape) PutCapability(tiparm(TerminalString("Ss"), 0));
  std::fflush(stdout);
  endwin();
  delscreen(static_cast<SCREEN*>(m_pScreen));
  m_pScreen = nullptr;
}

void CCursesScreen::SetTarget(HWND hDlg, HWND hConsole, EditBuffer* pBuffer) {
  m_hDlg = hDlg;
  m_hConsole = hConsole;
  m_pBuffer = pBuffer;
  std::string caption = GetWindowCaption(hDlg);
  if (m_bStarted && !caption.empty()) WriteTitle(caption);
}

void CCursesScreen::WriteTitle(const std::string& caption) {
  // The terminal window's title, for terminals whose entry says how: its
  // title capability (TS), its status line (tsl/fsl), or xterm's title
  // sequence (XT).
  const char* pszStart = TerminalString("TS");
  const char* pszEnd = "\007";
  if (pszStart == nullptr && tigetflag("hs") == 1 &&
      TerminalString("fsl") != nullptr) {
    // Its parameter is the column to start at.
    pszStart = tiparm(TerminalString("tsl"), 0);
    pszEnd = TerminalString("fsl");
  }
  if (pszStart == nullptr && tigetflag("XT") == 1) pszStart = "\033]0;";
  if (pszStart == nullptr) return;
  PutCapability(pszStart);
  std::fputs(caption.c_str(), stdout);
  PutCapability(pszEnd);
  std::fflush(stdout);
}

void CCursesScreen::UpdateColors() {
  if (!has_colors() || !IsWindow(m_hDlg)) return;
  // Asked of the owner the way a window is drawn: the owner reflects it to
  // the console, which sets its colours.
  HDC__ dc;
  dc.crText = RGB(192, 192, 192);
  dc.crBk = RGB(0, 0, 0);
  SendMessageA(m_hDlg, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(&dc),
               reinterpret_cast<LPARAM>(m_hConsole));
  if (m_bColorsKnown && dc.crText == m_crText && dc.crBk == m_crBack) return;
  m_crText = dc.crText;
  m_crBack = dc.crBk;
  m_bColorsKnown = true;
  init_pair(kConsolePair, NearestColor(m_crText), NearestColor(m_crBack));
  init_pair(kTitlePair, NearestColor(m_crBack), NearestColor(m_crText));
}

void CCursesScreen::Draw() {
  if (!m_bStarted) return;
  int nRows = LINES;
  int nCols = COLS;
  if (nRows < 1 || nCols < 1) return;
  UpdateColors();
  short nPair = m_bColorsKnown ? kConsolePair : 0;
  short nTitlePair = m_bColorsKnown ? kTitlePair : 0;
  erase();
  // The title bar.
  std::string caption = " " + GetWindowCaption(m_hDlg);
  attr_t titleAttr = m_bColorsKnown ? A_BOLD : A_REVERSE;
  for (int x = 0; x < nCols; ++x) PutChar(0, x, ' ', titleAttr, nTitlePair);
  {
    const char* p = caption.c_str();
    int x = 0;
    while (*p != '\0' && x < nCols) {
      unsigned int c = DecodeUtf8(&p);
      PutChar(0, x, c, titleAttr, nTitlePair);
      x += CharWidth(c);
    }
  }
  int nViewRows = nRows - 1;
  if (nViewRows < 1 || m_pBuffer == nullptr || !IsWindow(m_hConsole)) {
    refresh();
    return;
  }
  SendMessageA(m_hConsole, EM_SETPAGELINES, static_cast<WPARAM>(nViewRows), 0);
  const EditBuffer& buffer = *m_pBuffer;
  const std::string& text = buffer.GetText();
  int nLineCount = buffer.GetLineCount();
  int nCaret = buffer.GetCaret();
  int nCaretLine = buffer.LineFromChar(nCaret);
  // Vertically: the caret's line in view, and no empty rows below the text
  // while earlier lines could fill them.
  if (nCaretLine < m_nTopLine) m_nTopLine = nCaretLine;
  if (nCaretLine >= m_nTopLine + nViewRows) {
    m_nTopLine = nCaretLine - nViewRows + 1;
  }
  m_nTopLine = std::min(m_nTopLine, std::max(0, nLineCount - nViewRows));
  m_nTopLine = std::max(m_nTopLine, 0);
  // Sideways: the caret's column in view. After a change of width the view
  // starts again from the left, so lines that now fit are shown whole
  // instead of staying scrolled by what a narrower view needed.
  if (nCols != m_nViewCols) {
    m_nViewCols = nCols;
    m_nLeftColumn = 0;
  }
  int nCaretLineStart = buffer.LineIndex(nCaretLine);
  int nCaretColumn = DisplayColumn(text, nCaretLineStart, nCaret);
  if (nCaretColumn < m_nLeftColumn) m_nLeftColumn = std::max(0, nCaretColumn - nCols / 4);
  if (nCaretColumn >= m_nLeftColumn + nCols) {
    m_nLeftColumn = nCaretColumn - nCols + 1 + nCols / 4;
  }
  int nSelStart = 0;
  int nSelEnd = 0;
  buffer.GetSel(&nSelStart, &nSelEnd);
  for (int nRow = 0; nRow < nViewRows; ++nRow) {
    for (int x = 0; x < nCols; ++x) PutChar(nRow + 1, x, ' ', A_NORMAL, nPair);
    int nLine = m_nTopLine + nRow;
    if (nLine >= nLineCount) continue;
    int nStart = buffer.LineIndex(nLine);
    int nEnd = nStart + buffer.LineLength(nStart);
    const char* p = text.c_str() + nStart;
    const char* pEnd = text.c_str() + nEnd;
    int nColumn = 0;
    while (p < pEnd) {
      int nPos = static_cast<int>(p - text.c_str());
      unsigned int c = DecodeUtf8(&p);
      int nWidth = DrawnWidth(c);
      if (nWidth == 0) continue;
      int x = nColumn - m_nLeftColumn;
      nColumn += nWidth;
      if (x < 0) continue;
      if (x + nWidth > nCols) break;
      attr_t attr = nPos >= nSelStart && nPos < nSelEnd ? A_REVERSE : A_NORMAL;
      if (c == '\t') c = ' ';
      PutChar(nRow + 1, x, c, attr, nPair);
    }
  }
  int nCaretRow = nCaretLine - m_nTopLine + 1;
  int nCaretX = nCaretColumn - m_nLeftColumn;
  if (nCaretRow >= 1 && nCaretRow < nRows && nCaretX >= 0 && nCaretX < nCols) {
    curs_set(2);
    move(nCaretRow, nCaretX);
  } else {
    curs_set(0);
  }
  refresh();
}

int CCursesScreen::DisplayColumn(const std::string& text, int nFrom,
                                 int nTo) {
  int nSize = static_cast<int>(text.size());
  nFrom = std::clamp(nFrom, 0, nSize);
  nTo = std::clamp(nTo, nFrom, nSize);
  int nColumn = 0;
  const char* p = text.c_str() + nFrom;
  const char* pEnd = text.c_str() + nTo;
  while (p < pEnd) nColumn += DrawnWidth(DecodeUtf8(&p));
  return nColumn;
}

std::string CCursesScreen::PastedFilePath(const std::string& text) {
  std::string path = text;
  auto isBlank = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
  };
  while (!path.empty() && isBlank(path.back())) path.pop_back();
  size_t nFirst = 0;
  while (nFirst < path.size() && isBlank(path[nFirst])) ++nFirst;
  path.erase(0, nFirst);
  if (path.empty() || path.find_first_of("\r\n") != std::string::npos) {
    return std::string();
  }
  if (path.size() >= 2 && (path.front() == '\'' || path.front() == '"') &&
      path.back() == path.front()) {
    path = path.substr(1, path.size() - 2);
  }
  if (path.rfind("file://", 0) == 0) {
    path.erase(0, 7);
    PercentDecode(&path);
  }
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return std::string();
  }
  return path;
}

void CCursesScreen::HandlePaste() {
  std::string text;
  text.swap(m_paste);
  HWND hTarget = m_hConsole;
  if (!IsWindow(hTarget)) return;
  std::string path = PastedFilePath(text);
  if (!path.empty() && m_pBuffer != nullptr && IsCaretInQuotes(*m_pBuffer)) {
    // Typed inside a quoted argument: a drop would add quotes of its own
    // and end the argument, so the path goes in as it is.
    text = path;
  } else if (!path.empty() && AcceptsFiles(hTarget)) {
    PostMessageA(hTarget, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(CreateDrop({path})), 0);
    return;
  }
  // As the right-click paste: the pasted text on the clipboard, then the
  // click that pastes its first line at the caret.
  CClipboard* pClipboard = GetClipboard();
  if (!pClipboard->Open(hTarget)) return;
  pClipboard->SetText(text);
  pClipboard->Close();
  PostMessageA(hTarget, WM_RBUTTONDOWN, 0, 0);
}

void CCursesScreen::HandleKey(int nResult, unsigned int nKey) {
  HWND hFocus = GetFocus();
  if (hFocus == nullptr) hFocus = m_hConsole;
  if (nResult == KEY_CODE_YES) {
    int nCode = static_cast<int>(nKey);
    if (nCode == kKeyPasteStart) {
      m_bInPaste = true;
      m_paste.clear();
      return;
    }
    if (nCode == kKeyPasteEnd) {
      m_bInPaste = false;
      HandlePaste();
      return;
    }
    if (nCode == KEY_RESIZE) return;  // the next Draw uses the new size
    if (m_bInPaste) return;
    if (nCode == KEY_BACKSPACE) {
      PostTypedChar(hFocus, 8, 0);
    } else if (nCode == KEY_ENTER) {
      PostTypedChar(hFocus, 13, 0);
    } else {
      auto it = KeyTable().find(nCode);
      if (it != KeyTable().end()) {
        PostKey(hFocus, it->second.nVirtKey, it->second.dwKeyState);
      }
    }
    return;
  }
  if (m_bInPaste) {
    if (nKey == '\r') nKey = '\n';
    m_paste += EncodeUtf8(nKey);
    return;
  }
  switch (nKey) {
    case 8:
    case 127:
      PostTypedChar(hFocus, 8, 0);
      return;
    case 10:
    case 13:
      PostTypedChar(hFocus, 13, 0);
      return;
    case 9:
      PostTypedChar(hFocus, 9, 0);
      return;
    case 27: {
      // A terminal sends Alt with a key as Escape followed at once by the
      // key. Escape is Cancel and ends the program, so only an Escape that
      // nothing follows is the Escape key. Alt with a character types
      // nothing (as a system key would); Alt with a special key acts as the
      // key alone, like the Alt forms of the arrows decoded by ncurses.
      timeout(0);
      int nNext = getch();
      if (nNext == ERR || nNext == 27) {
        // Escape alone, or pressed twice in a row (Alt with Escape): Cancel.
        PostKey(hFocus, VK_ESCAPE, 0);
      } else if (nNext > 0xFF) {
        HandleKey(KEY_CODE_YES, static_cast<unsigned int>(nNext));
      } else if (nNext == '[' || nNext == 'O') {
        SkipEscapeSequence();
      } else if (nNext >= 0x80) {
        ReadUtf8Rest(nNext);  // the rest of the character goes with it
      }
      return;
    }
    default:
      break;
  }
  if (nKey < 0x20) {
    // Ctrl with a letter: the letter's key and the control character.
    UINT nVirtKey = 'A' + nKey - 1;
    PostKeyMessage(hFocus, WM_KEYDOWN, nVirtKey, 1, KEYSTATE_CONTROL);
    PostKeyMessage(hFocus, WM_CHAR, nKey, 1, KEYSTATE_CONTROL);
    return;
  }
  PostTypedChar(hFocus, nKey, 0);
}

void CCursesScreen::ReadKeys(bool bWait) {
  // Bytes, decoded here rather than by get_wch: ncurses waits for more bytes
  // after one that is not UTF-8 and swallows up to 15 keys that follow it
  // (Enter and Escape included). A key that ncurses decodes (arrows, the
  // paste markers, a resize) comes as one code above 0xFF.
  timeout(bWait ? -1 : 0);
  for (;;) {
    int nCode = getch();
    if (nCode == ERR) {
      if (bWait) ++m_nErrors;
      return;
    }
    m_nErrors = 0;
    if (nCode > 0xFF) {
      HandleKey(KEY_CODE_YES, static_cast<unsigned int>(nCode));
    } else {
      HandleKey(OK, nCode < 0x80 ? static_cast<unsigned int>(nCode)
                                 : ReadUtf8Rest(nCode));
    }
    timeout(0);
  }
}

bool CCursesScreen::WaitForEvents() {
  if (!m_bStarted) return false;
  Draw();
  int nBefore = GetQueuedMessageCount();
  ReadKeys(true);
  if (m_nErrors >= kMaxReadErrors) {
    // The terminal is gone: close the dialog as its close box would.
    m_nErrors = 0;
    PostMessageA(m_hDlg, WM_CLOSE, 0, 0);
    return true;
  }
  return m_nErrors == 0 || GetQueuedMessageCount() > nBefore;
}

void CCursesScreen::PollEvents() {
  if (m_bStarted) ReadKeys(false);
}
