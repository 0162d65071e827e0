#include <unistd.h>

#include <cstdio>

#include "app/full_screen.h"
#include "app/main_dlg.h"
#include "console/edit_control.h"
#include "frontends/term/curses_screen.h"
#include "platform/event_source.h"

namespace {

class CTerminalFrontEnd : public CFrontEnd {
 public:
  explicit CTerminalFrontEnd(const StartSettings& start) : m_start(start) {}
  bool Start() override {
    if (!m_screen.Start()) {
      std::fputs("sonomot-console: the terminal can't be used\n", stderr);
      return false;
    }
    SetEventSource(&m_screen);
    return true;
  }
  void Attach(CMainDlg* pDlg) override {
    HWND hConsole = pDlg->GetDlgItem(CMainDlg::IDC_CONSOLE);
    m_screen.SetTarget(pDlg->m_hWnd, hConsole, GetEditBuffer(hConsole));
  }
  void Stop() override {
    SetEventSource(nullptr);
    m_screen.Stop();
  }
  const StartSettings* GetStartSettings() const override { return &m_start; }
  bool IsTypedAt() const override { return true; }

 private:
  const StartSettings& m_start;
  CCursesScreen m_screen;
};

}  // namespace

std::unique_ptr<CFrontEnd> MakeFullScreenFrontEnd(const StartSettings& start) {
  if (!CCursesScreen::CanDrawOn(STDOUT_FILENO)) return nullptr;
  return std::make_unique<CTerminalFrontEnd>(start);
}
