// The Windows window program's front end: the Win32 back end, from just
// after the MIDI data library is bound until the loop has ended. The back
// end finds the main dialog itself when the dialog is shown.
#ifndef SONOMOT_APP_WIN32_FRONT_END_H_
#define SONOMOT_APP_WIN32_FRONT_END_H_

#include <memory>
#include <string>

#include "app/app_run.h"
#include "frontends/win32/win32_back_end.h"

class CWin32FrontEnd : public CFrontEnd {
 public:
  // With a path, the dialog opens that file once it is up (app/
  // open_at_start.h). nShowCommand: how the window is first shown.
  CWin32FrontEnd(std::string strOpenAtStart, int nShowCommand)
      : m_strOpenAtStart(std::move(strOpenAtStart)), m_nShowCommand(nShowCommand) {}
  bool Start() override;
  void Attach(CMainDlg* pDlg) override;
  void Stop() override;
  bool IsTypedAt() const override { return true; }

 private:
  std::unique_ptr<CWin32BackEnd> m_pBackEnd;
  std::string m_strOpenAtStart;
  int m_nShowCommand;
};

#endif  // SONOMOT_APP_WIN32_FRONT_END_H_
