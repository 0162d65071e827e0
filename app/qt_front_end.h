// The window program's front end: the Qt back end, from just after the MIDI
// data library is bound until the loop has ended. The back end finds the
// main dialog itself when the dialog is shown.
#ifndef SONOMOT_APP_QT_FRONT_END_H_
#define SONOMOT_APP_QT_FRONT_END_H_

#include <memory>
#include <string>

#include "app/app_run.h"
#include "frontends/qt/qt_back_end.h"

// REQUIRES: a QApplication exists while Start to Stop runs.
class CQtFrontEnd : public CFrontEnd {
 public:
  // With a path, the dialog opens that file once it is up, as if
  // Open "PATH" had been typed (a file given on the command line). A path
  // the console can't take (one holding '"' or '#') is not opened; standard
  // error says so.
  explicit CQtFrontEnd(std::string strOpenAtStart = std::string())
      : m_strOpenAtStart(std::move(strOpenAtStart)) {}
  bool Start() override;
  void Attach(CMainDlg* pDlg) override;
  void Stop() override;
  bool IsTypedAt() const override { return true; }

  // The running back end, or null outside Start to Stop.
  CQtBackEnd* GetBackEnd() const { return m_pBackEnd.get(); }

 private:
  std::unique_ptr<CQtBackEnd> m_pBackEnd;
  std::string m_strOpenAtStart;
};

#endif  // SONOMOT_APP_QT_FRONT_END_H_
