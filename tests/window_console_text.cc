// window_console_text [FILE]: opens FILE as the window program does when
// given it, then types each line of standard input into the window
// program's console followed by Enter, on the Qt back end (offscreen
// unless QT_QPA_PLATFORM says otherwise), as a user at the window would;
// once every line has been carried out, writes the console's whole text to
// standard output as it stands (CR LF between lines) and closes the
// window. scripts/check-windows-window.sh compares it with the console of
// the Windows window after the same typing.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "app/qt_front_end.h"
#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "platform/event_source.h"
#include "platform/messages.h"

namespace {

// The window's front end, which also stands before its back end as the
// queue's event source: the queue asks it to wait only once every typed
// line has been carried out.
class CTypingFrontEnd : public CQtFrontEnd, public CEventSource {
 public:
  CTypingFrontEnd(std::string file, std::vector<std::string> lines)
      : CQtFrontEnd(std::move(file)), m_lines(std::move(lines)) {}
  bool Start() override {
    CQtFrontEnd::Start();
    m_pQtSource = SetEventSource(this);
    return true;
  }
  void Attach(CMainDlg* pDlg) override {
    m_pDlg = pDlg;
    CQtFrontEnd::Attach(pDlg);
    for (const std::string& line : m_lines) pDlg->TypeLine(line);
  }
  bool WaitForEvents() override {
    if (!m_bWritten) {
      m_bWritten = true;
      EditBuffer* pBuffer = GetEditBuffer(m_pDlg->GetDlgItem(CMainDlg::IDC_CONSOLE));
      if (pBuffer != nullptr) std::fwrite(pBuffer->GetText().data(), 1, pBuffer->GetText().size(), stdout);
      PostMessageA(m_pDlg->m_hWnd, WM_CLOSE, 0, 0);
      return true;
    }
    return m_pQtSource->WaitForEvents();
  }
  void PollEvents() override { m_pQtSource->PollEvents(); }

 private:
  std::vector<std::string> m_lines;
  CMainDlg* m_pDlg = nullptr;
  CEventSource* m_pQtSource = nullptr;
  bool m_bWritten = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::vector<std::string> lines;
  for (std::string line; std::getline(std::cin, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  CTypingFrontEnd frontEnd(argc > 1 ? argv[1] : "", std::move(lines));
  return RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd);
}
