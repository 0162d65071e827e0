// The Windows back end: real Win32 windows behind the platform layer.
//
// While it exists it is the message queue's event source (GetMessageA
// waits in GetMessageW, so CMessageLoop::Run is the program's loop), the
// font system (GDI) and the clipboard (Windows'). Each top-level window of
// the platform layer that has become visible and holds the console item of
// the dialog template gets a native window of its own, laid out by that
// template (win32_dialog_window.h).
//
// One back end at a time; it restores the previous event source, font
// system and clipboard when destroyed.
#ifndef SONOMOT_FRONTENDS_WIN32_WIN32_BACK_END_H_
#define SONOMOT_FRONTENDS_WIN32_WIN32_BACK_END_H_

#include <memory>
#include <vector>

#include "frontends/win32/win32_clipboard.h"
#include "frontends/win32/win32_fonts.h"
#include "platform/event_source.h"
#include "platform/win_types.h"
#include "resources/dialog_template.h"

class CClipboard;
class CFontSystem;
class CWin32DialogWindow;

class CWin32BackEnd : public CEventSource {
 public:
  // nShowCommand: how the dialog's window is first shown (SW_SHOWNORMAL,
  // or what the program was started with).
  CWin32BackEnd(const DialogTemplate& layout, int nShowCommand);
  ~CWin32BackEnd() override;
  CWin32BackEnd(const CWin32BackEnd&) = delete;
  CWin32BackEnd& operator=(const CWin32BackEnd&) = delete;

  // Brings every window up to date with its dialog (after messages ran),
  // making windows for dialogs shown since.
  void Sync();
  // The native window showing hWnd or the dialog it belongs to, as an
  // opaque handle; null when there is none (the owner of message boxes).
  void* FindNativeWindow(HWND hWnd) const;
  // The back end in use, or null.
  static CWin32BackEnd* GetRunning();

  // CEventSource: dispatch Windows' messages (waiting for one, or not),
  // which post ours; windows are synced before waiting and after.
  bool WaitForEvents() override;
  void PollEvents() override;

 private:
  DialogTemplate m_layout;
  int m_nShowCommand;
  std::vector<std::unique_ptr<CWin32DialogWindow>> m_windows;
  CWin32FontSystem m_fonts;
  CWin32Clipboard m_clipboard;
  CEventSource* m_pPreviousSource;
  CFontSystem* m_pPreviousFonts;
  CClipboard* m_pPreviousClipboard;
};

#endif  // SONOMOT_FRONTENDS_WIN32_WIN32_BACK_END_H_
