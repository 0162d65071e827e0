#include "tests/window_test_util.h"

#include <QApplication>
#include <QStyleHints>
#include <QTest>
#include <cstdlib>

#include "console/edit_buffer.h"
#include "frontends/qt/qt_console_view.h"
#include "frontends/qt/qt_dialog_window.h"
#include "platform/caret.h"
#include "platform/clipboard.h"
#include "platform/window.h"
#include "resources/dialog_template.h"

void WindowSession::SetUp() {
  ResetMessageQueue();
  g_Module.Init(nullptr);
  m_pBackEnd = std::make_unique<CQtBackEnd>(kMainDialogTemplate);
  m_pLoop = std::make_unique<CMessageLoop>();
  g_Module.AddMessageLoop(m_pLoop.get());
  m_pDlg = std::make_unique<CMainDlg>();
  ASSERT_NE(nullptr, m_pDlg->Create(nullptr, 0));
  m_pDlg->ShowWindow(SW_SHOWNORMAL);
  Pump();
  ASSERT_NE(nullptr, Window());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Window()));
  Pump();
}

void WindowSession::TearDown() {
  if (m_pDlg && m_pDlg->IsWindow()) m_pDlg->DestroyWindow();
  g_Module.RemoveMessageLoop();
  m_pDlg.reset();
  m_pLoop.reset();
  m_pBackEnd.reset();
  g_Module.Term();
  ResetMessageQueue();
  DestroyCaret();
}

void WindowSession::Pump() {
  for (int nRound = 0; nRound < 4; ++nRound) {
    QCoreApplication::processEvents();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        m_bQuit = true;
        m_nQuitCode = static_cast<int>(msg.wParam);
        break;
      }
      if (!m_pLoop->PreTranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    if (m_pBackEnd) m_pBackEnd->Sync();
  }
}

CQtDialogWindow* WindowSession::Window() const {
  return m_pBackEnd->FindWindow(m_pDlg->m_hWnd);
}

CQtConsoleView* WindowSession::View() const {
  CQtDialogWindow* pWindow = Window();
  return pWindow != nullptr ? pWindow->GetConsoleView() : nullptr;
}

EditBuffer* WindowSession::Buffer() const {
  return m_pDlg->GetConsole().GetEditBuffer();
}

std::string WindowSession::Text() const { return Buffer()->GetText(); }

std::string WindowSession::LastLine() const {
  std::string text = Text();
  size_t n = text.rfind("\r\n");
  return n == std::string::npos ? text : text.substr(n + 2);
}

void WindowSession::Type(const char* pszText) {
  QTest::keyClicks(View(), QString::fromUtf8(pszText));
  Pump();
}

void WindowSession::Key(int nKey, Qt::KeyboardModifiers modifiers) {
  QTest::keyClick(View(), static_cast<Qt::Key>(nKey), modifiers);
  Pump();
}

// The tests' QApplication, headless unless told otherwise.
int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  // A steady caret: what a test sees must not depend on when it looks.
  QGuiApplication::styleHints()->setCursorFlashTime(0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
