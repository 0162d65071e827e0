#include "app/main_dlg.h"

#include <array>
#include <string>
#include <vector>

#include "app/resource_strings.h"
#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "commands/settings_file.h"
#include "console/display_width.h"
#include "console/edit_control.h"
#include "platform/key_input.h"

namespace {
using Entry = MessageMapEntry<CMainDlg>;
}

CMainDlg::~CMainDlg() {
  delete m_pCommandProcessor;
  m_pCommandProcessor = nullptr;
  // The console goes with the members, after the processor that writes to it.
}

BOOL CMainDlg::CreateControls() {
  SetWindowText("Sonomot");
  return CreateEditControl(m_hWnd, IDC_CONSOLE) != nullptr ? TRUE : FALSE;
}

BOOL CMainDlg::ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam,
                                    LPARAM lParam, LRESULT& lResult) {
  static constexpr std::array<Entry, 5> kMessageMap = {
      MessageEntry<CMainDlg>(WM_INITDIALOG, &CMainDlg::OnInitDialog),
      MessageEntry<CMainDlg>(WM_DESTROY, &CMainDlg::OnDestroy),
      MessageEntry<CMainDlg>(WM_SHELLEDIT_COMMAND, &CMainDlg::OnLineEntered),
      CommandIdEntry<CMainDlg>(WM_COMMAND, IDOK, &CMainDlg::OnOK),
      CommandIdEntry<CMainDlg>(WM_COMMAND, IDCANCEL, &CMainDlg::OnCancel),
  };
  if (DispatchToMessageMap<CMainDlg>(this, kMessageMap, uMsg, wParam, lParam,
                                     lResult)) {
    return TRUE;
  }
  return ReflectNotifications(hWnd, uMsg, wParam, lParam, lResult);
}

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  // The terminal fills the screen and the window back end centres the
  // dialog when it shows it; the icons are the window back end's.
  if (CMessageLoop* pLoop = g_Module.GetMessageLoop()) {
    pLoop->AddMessageFilter(this);
    pLoop->AddIdleHandler(this);
  }
  m_wndConsole.Initialize(GetDlgItem(IDC_CONSOLE));
  WriteBanner();
  // The settings saved by an earlier run (read here unless the program
  // has read them already). Without a settings file nothing is said, so
  // the start looks as it always has.
  StartSettings start = m_pStartSettings ? *m_pStartSettings : ReadSavedSettings();
  m_pStartSettings.reset();
  for (const std::string& strLine : start.notices) {
    if (m_noticeSink) {
      m_noticeSink(strLine);
    } else {
      for (const std::string& strPart : WrapToWidth(strLine, kConsoleColumns, 2)) {
        m_wndConsole.WriteLine("%s", strPart.c_str());
      }
    }
  }
  m_wndConsole.SetPrompt("root>");
  m_wndConsole.WriteText("root>");
  m_pCommandProcessor = new CommandProcessor(&m_wndConsole, m_hWnd);
  m_pCommandProcessor->SetExportSettings(start.settings, start.given);
  return 1;
}

void CMainDlg::WriteBanner() {
  char szVersion[256] = {};
  LoadStringA(g_Module.m_hInst, IDS_VERSION, szVersion, sizeof(szVersion));
  m_wndConsole.WriteLine("--------------------------------");
  m_wndConsole.WriteLine(" Sonomot ver %s", szVersion);
  m_wndConsole.WriteLine(" MIDI notes to VMD key motion");
  m_wndConsole.WriteLine(" \"tolk\" about, \"his\" history, \"exit\" quit");
  m_wndConsole.WriteLine("--------------------------------");
  m_wndConsole.WriteLine("");
}

LRESULT CMainDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  if (CMessageLoop* pLoop = g_Module.GetMessageLoop()) {
    pLoop->RemoveMessageFilter(this);
    pLoop->RemoveIdleHandler(this);
  }
  return 0;
}

LRESULT CMainDlg::OnLineEntered(UINT, WPARAM wParam, LPARAM, BOOL&) {
  const char* pszLine = reinterpret_cast<const char*>(wParam);
  CommandArgs args;
  args.Tokenize(pszLine != nullptr ? pszLine : "");
  if (m_pCommandProcessor != nullptr) {
    m_pCommandProcessor->Dispatch(&args);
    if (m_lineListener) m_lineListener(pszLine != nullptr ? pszLine : "", m_pCommandProcessor->GetOutcome());
  }
  return 1;
}

void CMainDlg::TypeLine(const std::string& line) {
  HWND hConsole = GetDlgItem(IDC_CONSOLE);
  PostTypedText(hConsole, line.c_str(), 0);
  PostTypedChar(hConsole, 13, 0);
}

LRESULT CMainDlg::OnOK(UINT, WPARAM, LPARAM, BOOL&) {
  CloseDialog(IDOK);
  return 0;
}

LRESULT CMainDlg::OnCancel(UINT, WPARAM, LPARAM, BOOL&) {
  CloseDialog(IDCANCEL);
  return 0;
}

BOOL CMainDlg::PreTranslateMessage(MSG* pMsg) {
  return IsDialogMessageA(m_hWnd, pMsg);
}

BOOL CMainDlg::OnIdle() { return FALSE; }

void CMainDlg::CloseDialog(int nCode) {
  DestroyWindow();
  PostQuitMessage(nCode);
}
