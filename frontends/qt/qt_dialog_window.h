// A dialog of the platform layer shown as a top-level Qt window: a fixed
// size worked out from its template's dialog units and font, a title bar
// with the caption and a close box only, the application icon, and the
// console view as its one control.
//
// The window mirrors the dialog: Sync copies the caption and the visibility
// and closes the window once the dialog is destroyed. The close box does not
// close it: it posts WM_CLOSE to the dialog, which decides.
#ifndef SONOMOT_FRONTENDS_QT_QT_DIALOG_WINDOW_H_
#define SONOMOT_FRONTENDS_QT_QT_DIALOG_WINDOW_H_

#include <QSize>
#include <QWidget>

#include "platform/win_types.h"
#include "resources/dialog_template.h"

class CQtConsoleView;

class CQtDialogWindow : public QWidget {
 public:
  // hDlg is the dialog made from layout; its item layout.console.nID is the
  // edit control the console view shows.
  CQtDialogWindow(HWND hDlg, const DialogTemplate& layout);

  HWND GetDialogWindow() const { return m_hDlg; }
  CQtConsoleView* GetConsoleView() const { return m_pConsoleView; }
  // True once the dialog has been destroyed and the window closed.
  bool IsFinished() const { return m_bFinished; }

  // Mirrors the dialog (see the top of this file) and syncs the console.
  void Sync();

  // The pixel size of the dialog units of a font: the average width of the
  // 52 Latin letters, rounded as the dialog manager rounds, and the cell
  // height.
  static QSize DialogBaseUnits(const QFont& font);

 protected:
  void closeEvent(QCloseEvent* pEvent) override;

 private:
  // Centres the window on the available area of its screen, inside it.
  void CentreOnScreen();

  HWND m_hDlg;
  CQtConsoleView* m_pConsoleView = nullptr;
  bool m_bShownOnce = false;
  bool m_bFinished = false;
};

#endif  // SONOMOT_FRONTENDS_QT_QT_DIALOG_WINDOW_H_
