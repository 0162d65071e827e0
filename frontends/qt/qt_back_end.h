// The window back end: Qt 6 Widgets behind the platform layer.
//
// While it exists it is the message queue's event source (GetMessageA waits
// in Qt's event processing, so CMessageLoop::Run is the program's loop), the
// font system, and the clipboard. Each top-level window of the platform
// layer that has become visible and holds the console item of the dialog
// template gets a window of its own, laid out by that template.
//
// REQUIRES: a QApplication exists for the whole life of the back end. One
// back end at a time; it restores the previous event source, font system and
// clipboard when destroyed.
#ifndef SONOMOT_FRONTENDS_QT_QT_BACK_END_H_
#define SONOMOT_FRONTENDS_QT_QT_BACK_END_H_

#include <memory>
#include <vector>

#include "frontends/qt/qt_clipboard.h"
#include "frontends/qt/qt_fonts.h"
#include "platform/event_source.h"
#include "platform/win_types.h"
#include "resources/dialog_template.h"

class CClipboard;
class CFontSystem;
class CQtDialogWindow;

class CQtBackEnd : public CEventSource {
 public:
  explicit CQtBackEnd(const DialogTemplate& layout);
  ~CQtBackEnd() override;
  CQtBackEnd(const CQtBackEnd&) = delete;
  CQtBackEnd& operator=(const CQtBackEnd&) = delete;

  // Brings every window up to date with its dialog (after messages ran),
  // making windows for dialogs shown since.
  void Sync();

  // The window that shows hDlg, or null. Owned by the back end.
  CQtDialogWindow* FindWindow(HWND hDlg) const;

  // CEventSource: process Qt's events (waiting for one, or not), which post
  // our messages; windows are synced before waiting and after.
  bool WaitForEvents() override;
  void PollEvents() override;

 private:
  DialogTemplate m_layout;
  std::vector<std::unique_ptr<CQtDialogWindow>> m_windows;
  CQtFontSystem m_fonts;
  CQtClipboard m_clipboard;
  CEventSource* m_pPreviousSource;
  CFontSystem* m_pPreviousFonts;
  CClipboard* m_pPreviousClipboard;
};

#endif  // SONOMOT_FRONTENDS_QT_QT_BACK_END_H_
