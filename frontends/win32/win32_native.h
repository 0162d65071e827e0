// The Windows side of the Win32 back end, in plain C++ types.
//
// The platform layer's headers and <windows.h> can't share a translation
// unit: both name HWND, MSG, SIZE, RGB, DeleteObject, MessageBoxA and the
// virtual-key constants, with other types. So win32_native.cc includes
// <windows.h> and this header only, and the back end (win32_back_end.cc and
// its neighbours) the platform's headers and this one only.
//
// Texts are UTF-8 on this side of the line; win32_native.cc turns them into
// UTF-16 at every call of Windows. Colours are 0x00BBGGRR, the COLORREF of
// both sides. Lengths are device pixels: fonts and the dialog are scaled by
// the DPI of the monitor the window is on (the program is per-monitor DPI
// aware through its manifest).
#ifndef SONOMOT_FRONTENDS_WIN32_WIN32_NATIVE_H_
#define SONOMOT_FRONTENDS_WIN32_WIN32_NATIVE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "resources/dialog_template.h"

namespace win32 {

// A font as asked for: an installed family (the back end picks which), a
// cell height (ascent + descent) in pixels at 96 dots per inch, a weight
// (100 to 900) and the pitch.
struct FontRequest {
  std::string face;
  int nHeight = 12;
  int nWeight = 400;
  bool bFixedPitch = false;
};

// One family as EnumFontFamiliesExW reports it; scalable means TrueType or
// OpenType outlines (bitmap and vector fonts are not).
struct FamilyInfo {
  std::string name;
  bool bScalable = false;
};

struct Extent {
  int cx = 0;
  int cy = 0;
};

enum class MouseButton { kLeft, kLeftDouble, kRight, kMiddle };

// Drawing the console, valid during CNativeEvents::OnPaint. Text is drawn in
// the console font, transparent, with the top of its cell at y.
class CNativePainter {
 public:
  virtual ~CNativePainter() = default;
  virtual void Fill(int x, int y, int cx, int cy, std::uint32_t cr) = 0;
  virtual void Text(int x, int y, const std::string& text, std::uint32_t cr) = 0;
};

// What happens to the native dialog, told to the back end. Called while
// native messages are dispatched: inside WaitForNativeEvents and
// PollNativeEvents, or a loop Windows runs itself (moving the window, a
// message box).
class CNativeEvents {
 public:
  virtual ~CNativeEvents() = default;
  // WM_KEYDOWN of the console, with the Shift and Ctrl state.
  virtual void OnKeyDown(unsigned nVirtKey, bool bShift, bool bCtrl) = 0;
  // A typed character: WM_CHAR's UTF-16 units joined into code points.
  virtual void OnChar(char32_t c, bool bShift, bool bCtrl) = 0;
  // An input method composes (bResult false) or has finished; its result
  // follows as OnChar.
  virtual void OnComposition(bool bResult) = 0;
  // A button pressed over the console, at client coordinates of the console.
  virtual void OnMouseButton(MouseButton button, int x, int y) = 0;
  // The mouse moved with the left button held since it was pressed over
  // the console (the console has the mouse until the button is released):
  // client coordinates, outside the console too.
  virtual void OnMouseDrag(int x, int y) = 0;
  // True when the mouse over the console shows the arrow, false for the
  // text cursor.
  virtual bool WantsArrowCursor() = 0;
  // Files dropped on the console, full paths in the order given.
  virtual void OnDropFiles(std::vector<std::string> paths) = 0;
  // The close box, Alt+F4 or the system menu's Close.
  virtual void OnClose() = 0;
  // The console gained or lost the keyboard focus.
  virtual void OnFocus(bool bFocused) = 0;
  // The user scrolled to show nFirstLine at the top.
  virtual void OnScroll(int nFirstLine) = 0;
  virtual void OnPaint(CNativePainter& painter) = 0;
  // The window moved to a monitor of another DPI, or the DPI changed: its
  // size, fonts and caret have been scaled; measure again.
  virtual void OnDpiChanged() = 0;
  // The console's text, for WM_GETTEXT on the console window (screen
  // readers and automation read it as they read an edit control).
  virtual std::string GetConsoleText() = 0;
  // Where the character at byte nPos of that text is drawn, for
  // EM_POSFROMCHAR: the top left of its cell, client coordinates of the
  // console. False when nPos is not within the text.
  virtual bool GetCharacterPoint(size_t nPos, int* px, int* py) = 0;
};

// A dialog window laid out from a template, with one child: the console,
// which has a vertical scroll bar. Not owned by Windows: destroying the
// object destroys the windows. Other programs (screen readers, automation)
// read the console as they read an edit control: WM_GETTEXT, its first
// visible line, its line count and where a character is (EM_POSFROMCHAR,
// its index in UTF-16 units).
class CNativeDialog {
 public:
  // pEvents must outlive the dialog.
  explicit CNativeDialog(CNativeEvents* pEvents);
  ~CNativeDialog();
  CNativeDialog(const CNativeDialog&) = delete;
  CNativeDialog& operator=(const CNativeDialog&) = delete;

  // Makes the windows, hidden: the dialog's size from the template's
  // dialog units in the font of the face dialogFace (the installed family
  // standing for the template's), the application icon (resource 128) in
  // the title bar. False when Windows refuses.
  bool Create(const DialogTemplate& layout, const std::string& dialogFace);

  void SetCaption(const std::string& caption);
  // Shows it centred on the work area of its monitor, the first time, and
  // gives it the keyboard focus.
  void Show(int nCmdShow);
  void Hide();
  bool IsShown() const;
  bool HasFocus() const;
  // Gives the console the keyboard focus, while the dialog is the active
  // window (it is never pulled in front of the window the user is at).
  void FocusConsole();
  // The native window, as an opaque handle (the owner of message boxes).
  void* GetHandle() const;

  // The font the console is drawn and measured in.
  void SetConsoleFont(const FontRequest& font);
  int GetTextWidth(const std::string& text) const;
  int GetLineHeight() const;
  // Client area of the console, less its scroll bar.
  Extent GetConsoleSize() const;

  // The scroll bar: lines 0 to nLines - 1, nPage of them shown from nPos.
  void SetScrollBar(int nLines, int nPage, int nPos);
  // The system caret: a solid block of cx by cy at x, y while bShown and
  // the console has the focus; none otherwise.
  void SetCaret(bool bShown, int x, int y, int cx, int cy);
  void SetAcceptFiles(bool bAccept);
  void Invalidate();

  // The windows and their state (win32_native.cc).
  struct Impl;

 private:
  std::unique_ptr<Impl> m_pImpl;
};

// The message loop's side of the back end: dispatch native messages,
// waiting for one (false when GetMessageW fails) or not.
bool WaitForNativeEvents();
void PollNativeEvents();

// MessageBoxW with an OK button; a null caption leaves the system's.
// pOwner is a CNativeDialog's handle or null.
void ShowMessageBox(void* pOwner, const std::string& text, const char* pszCaption);

// The clipboard's text as CF_UNICODETEXT. Open fails while another program
// holds the clipboard; every successful open must be closed.
bool OpenClipboardText();
void CloseClipboardText();
bool GetClipboardText(std::string* pText);
bool SetClipboardText(const std::string& text);

// Every installed family, in the order Windows reports them.
std::vector<FamilyInfo> EnumFamilies();
// Width of the text and height of the cell in the font, at the DPI of the
// program's dialog (the primary monitor's before there is one).
Extent MeasureText(const FontRequest& font, const std::string& text);

// The system's colours of selected text: its background, or its text.
std::uint32_t GetHighlightColour(bool bText);

// The program's arguments after its name, from the UTF-16 command line.
std::vector<std::string> GetArguments();
// The show command the program was started with (SW_SHOWNORMAL when none).
int GetStartShowCommand();
// A program without a console of its own (linked as a GUI program) writes
// --help and its refusals to the console it was started from, if any, when
// its standard output and error lead nowhere.
void AttachParentConsole();

}  // namespace win32

#endif  // SONOMOT_FRONTENDS_WIN32_WIN32_NATIVE_H_
