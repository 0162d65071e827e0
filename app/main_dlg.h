// CMainDlg: the program's one window, a modeless dialog filled by the
// console. It prints the start banner and the first prompt, turns every line
// the console hands over into CommandArgs for the CommandProcessor, and ends
// the message loop when it is closed (OK: code 1, Cancel: code 2; the close
// box, Escape and the "exit" command all arrive as Cancel).
//
// Owns the console and the CommandProcessor. While its window exists it is a
// message filter and an idle handler of the current thread's loop.
#ifndef SONOMOT_APP_MAIN_DLG_H_
#define SONOMOT_APP_MAIN_DLG_H_

#include <functional>
#include <memory>
#include <string>

#include "commands/command_processor.h"
#include "commands/settings_file.h"
#include "console/shell_edit.h"
#include "platform/dialog.h"
#include "platform/message_loop.h"

class CMainDlg : public CDialogImplBase,
                 public CMessageFilter,
                 public CIdleHandler {
 public:
  // The dialog template's id, its console's control id and the string id of
  // the version shown in the banner.
  static constexpr int IDD = 129;
  static constexpr int IDC_CONSOLE = 1000;
  static constexpr UINT IDS_VERSION = 129;

  CMainDlg() = default;
  ~CMainDlg() override;

  // Messages, tested in this order:
  //   WM_INITDIALOG          OnInitDialog, answers 1 (focus to the console)
  //   WM_DESTROY             leaves the loop's filters and idle handlers
  //   WM_SHELLEDIT_COMMAND   OnLineEntered, answers 1
  //   WM_COMMAND IDOK        CloseDialog(1)
  //   WM_COMMAND IDCANCEL    CloseDialog(2)
  //   anything else          reflected to the control it concerns
  //                          (message + 0x2000), else default dialog
  //                          processing (which turns WM_CLOSE into Cancel)
  BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam,
                            LPARAM lParam, LRESULT& lResult) override;

  // Every message of the thread goes through the dialog keyboard handling.
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnIdle() override;

  // Destroys the window and asks the loop to end with nCode.
  void CloseDialog(int nCode);

  CShellEditBox& GetConsole() { return m_wndConsole; }

  // Called after the processor has carried out each entered line, with the
  // line as the console handed it over and how it ended (the script back
  // end reports failures on standard error).
  using LineListener = std::function<void(const char* pszLine, const CommandOutcome& outcome)>;
  void SetLineListener(LineListener listener) { m_lineListener = std::move(listener); }

  // Types the line into the console and presses Enter, as the keyboard
  // would, once the loop runs (the window opens a file given at start-up).
  void TypeLine(const std::string& line);
  // Where the lines about the settings file read at start-up go (bad
  // lines, and which settings it changed): by default console lines after
  // the banner; a front end may take them instead. Set before Create.
  using NoticeSink = std::function<void(const std::string&)>;
  void SetNoticeSink(NoticeSink sink) { m_noticeSink = std::move(sink); }
  // The settings to start with, where the program has read the settings
  // file itself (and set its options over them); otherwise the dialog
  // reads it. Their notices are told as above. Set before Create.
  void SetStartSettings(const StartSettings& start) {
    m_pStartSettings = std::make_unique<StartSettings>(start);
  }
  CommandProcessor* GetCommandProcessor() { return m_pCommandProcessor; }

 protected:
  // The template's one control: the edit control, id 1000, and the caption.
  BOOL CreateControls() override;

 private:
  LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam,
                       BOOL& bHandled);
  LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnLineEntered(UINT uMsg, WPARAM wParam, LPARAM lParam,
                        BOOL& bHandled);
  LRESULT OnOK(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnCancel(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  void WriteBanner();

  CShellEditBox m_wndConsole;
  CommandProcessor* m_pCommandProcessor = nullptr;
  LineListener m_lineListener;
  NoticeSink m_noticeSink;
  std::unique_ptr<StartSettings> m_pStartSettings;
};

#endif  // SONOMOT_APP_MAIN_DLG_H_
