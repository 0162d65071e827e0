#include "app/app_run.h"

#include <memory>

#include "app/exit_status.h"
#include "app/main_dlg.h"
#include "midibind/midi_binding.h"
#include "platform/message_loop.h"

int Run(int nCmdShow, CFrontEnd* pFrontEnd) {
  auto pLoop = std::make_unique<CMessageLoop>();
  g_Module.AddMessageLoop(pLoop.get());
  auto pDlg = std::make_unique<CMainDlg>();
  if (pFrontEnd != nullptr && pFrontEnd->TakesNotices()) {
    pDlg->SetNoticeSink([pFrontEnd](const std::string& strLine) { pFrontEnd->Notice(strLine); });
  }
  if (pFrontEnd != nullptr && pFrontEnd->GetStartSettings() != nullptr) {
    pDlg->SetStartSettings(*pFrontEnd->GetStartSettings());
  }
  if (pDlg->Create(nullptr, 0) == nullptr) {
    g_Module.RemoveMessageLoop();
    return 0;
  }
  if (pFrontEnd != nullptr && pFrontEnd->IsTypedAt() && pDlg->GetCommandProcessor() != nullptr) {
    pDlg->GetCommandProcessor()->SetReasonsShown(true);
  }
  if (pFrontEnd != nullptr) pFrontEnd->Attach(pDlg.get());
  pDlg->ShowWindow(nCmdShow);
  int nRet = pLoop->Run();
  g_Module.RemoveMessageLoop();
  // A quit posted by someone else leaves the window up: take it down before
  // the objects bound to it go.
  if (pDlg->IsWindow()) pDlg->DestroyWindow();
  pDlg.reset();  // deletes the CommandProcessor, then the console
  pLoop.reset();
  return nRet;
}

int RunProgram(HINSTANCE hInstance, int nCmdShow, CFrontEnd* pFrontEnd) {
  if (!BindMidiDataLibrary()) return kExitFailure;
  // COM and the common controls have no counterpart here.
  if (pFrontEnd != nullptr && !pFrontEnd->Start()) {
    pFrontEnd->Stop();
    ReleaseMidiDataLibrary();
    return kExitFailure;
  }
  g_Module.Init(hInstance);
  // The loop's result is the dialog's code, 1 (OK) or 2 (Cancel): both are
  // a normal end. 0 means the dialog could not be created.
  int nLoop = Run(nCmdShow, pFrontEnd);
  g_Module.Term();
  if (pFrontEnd != nullptr) pFrontEnd->Stop();
  ReleaseMidiDataLibrary();
  return nLoop == 0 ? kExitFailure : kExitOk;
}
