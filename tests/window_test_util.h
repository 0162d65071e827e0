// Fixtures of the window program's tests: the main dialog running on the Qt
// back end, headless (QT_QPA_PLATFORM=offscreen), with helpers to pump its
// messages and read what the console holds.
#ifndef SONOMOT_TESTS_WINDOW_TEST_UTIL_H_
#define SONOMOT_TESTS_WINDOW_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/main_dlg.h"
#include "frontends/qt/qt_back_end.h"
#include "platform/message_loop.h"

class CQtConsoleView;
class CQtDialogWindow;
class EditBuffer;

// The main dialog as the window program shows it, set up as Run does.
class WindowSession : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Lets Qt deliver its events and the loop dispatch every queued message
  // (through the dialog's filter, as CMessageLoop::Run does), then syncs the
  // windows; a few rounds, so posted follow-ups run too. Records a quit.
  void Pump();

  CQtDialogWindow* Window() const;
  CQtConsoleView* View() const;
  EditBuffer* Buffer() const;
  // The console's last line (the input line).
  std::string LastLine() const;
  std::string Text() const;
  // Types text through Qt key events, then pumps.
  void Type(const char* pszText);
  void Key(int nKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

  std::unique_ptr<CQtBackEnd> m_pBackEnd;
  std::unique_ptr<CMessageLoop> m_pLoop;
  std::unique_ptr<CMainDlg> m_pDlg;
  bool m_bQuit = false;
  int m_nQuitCode = -1;
};

#endif  // SONOMOT_TESTS_WINDOW_TEST_UTIL_H_
