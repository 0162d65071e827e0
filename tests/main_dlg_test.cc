// The main dialog and the start-up around it: banner and first prompt, lines
// handed to the command processor, and the exit codes of the ways to close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/app_run.h"
#include "app/main_dlg.h"
#include "commands/command_processor.h"
#include "commands/settings_file.h"
#include "console/display_width.h"
#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "platform/event_source.h"
#include "platform/gdi.h"
#include "platform/key_input.h"
#include "platform/message_box.h"
#include "tests/os_test_util.h"

// No test here reads the user's own settings file: the settings home is
// a folder that holds none (a test of the settings sets its own).
const bool g_bNoUserSettings = [] {
  ostest::SetSettingsHome((std::filesystem::temp_directory_path() / "sonomot_no_config").string());
  return true;
}();

// The binding's message boxes, recorded (this program links no back end).
std::vector<std::string> g_messageBoxes;
int MessageBoxA(HWND, const char* pszText, const char*, UINT) {
  g_messageBoxes.push_back(pszText != nullptr ? pszText : "");
  return IDOK;
}

namespace {

// A back end that types prepared input once the dialog is up.
class TypingFrontEnd : public CFrontEnd, public CEventSource {
 public:
  bool Start() override {
    SetEventSource(this);
    return true;
  }
  void Attach(CMainDlg* pDlg) override {
    m_pDlg = pDlg;
    m_hConsole = pDlg->GetDlgItem(CMainDlg::IDC_CONSOLE);
    m_pBuffer = GetEditBuffer(m_hConsole);
  }
  void Stop() override { SetEventSource(nullptr); }

  bool WaitForEvents() override {
    if (m_nNext >= m_steps.size()) {
      PostQuitMessage(99);  // ran dry: fails the exit-code checks visibly
      return true;
    }
    m_steps[m_nNext++](this);
    return true;
  }
  void PollEvents() override {}

  CMainDlg* m_pDlg = nullptr;
  HWND m_hConsole = nullptr;
  EditBuffer* m_pBuffer = nullptr;
  std::string m_textSeen;
  std::vector<std::function<void(TypingFrontEnd*)>> m_steps;
  size_t m_nNext = 0;
};

std::function<void(TypingFrontEnd*)> Type(const char* pszText) {
  std::string text = pszText;
  return [text](TypingFrontEnd* p) {
    PostTypedText(p->m_hConsole, text.c_str(), 0);
  };
}

std::function<void(TypingFrontEnd*)> Look() {
  return [](TypingFrontEnd* p) { p->m_textSeen = p->m_pBuffer->GetText(); };
}

int RunWith(TypingFrontEnd* pFrontEnd) {
  ResetMessageQueue();
  g_Module.Init(nullptr);
  pFrontEnd->Start();
  int nRet = Run(SW_SHOW, pFrontEnd);
  pFrontEnd->Stop();
  g_Module.Term();
  return nRet;
}

TEST(MainDlgTest, StartsWithTheBannerAndThePromptAndHandsLinesToTheProcessor) {
  TypingFrontEnd fe;
  fe.m_steps = {Look(), Type("roo\r"), Type("\r"), Type("Conf\r"), Look(),
                [](TypingFrontEnd* p) {
                  // The OK command through the dialog's message table.
                  SendMessageA(p->m_pDlg->m_hWnd, WM_COMMAND, IDOK, 0);
                }};
  EXPECT_EQ(1, RunWith(&fe));
  const std::string& text = fe.m_textSeen;
  EXPECT_EQ(0u, text.find("--------------------------------\r\n"
                          " Sonomot ver 0.0.0.2\r\n"));
  size_t nBannerEnd = text.find("\r\n\r\nroot>roo");
  ASSERT_NE(std::string::npos, nBannerEnd) << text;
  // Six banner lines, then the prompt the user typed at.
  std::string banner = text.substr(0, nBannerEnd + 4);
  EXPECT_EQ(6, std::count(banner.begin(), banner.end(), '\n'));
  EXPECT_EQ("root>roo\r\ninvalid command.\r\nroot>\r\nroot>Conf\r\nconf>",
            text.substr(nBannerEnd + 4));
}

// The settings file read at start-up: what it did is told on the console
// between the banner and the first prompt, and the processor has them.
TEST(MainDlgTest, SavedSettingsAreToldOnTheConsoleBeforeThePrompt) {
  std::string strHome = ostest::MakeTempFolder("sonomot_main_dlg_");
  std::filesystem::create_directories(strHome + "/sonomot");
  std::ofstream(strHome + "/sonomot/settings") << "velocity on\nbogus 1\n";
  std::string strSaved = ostest::GetSettingsHome();
  ostest::SetSettingsHome(strHome);
  std::string strPath = SettingsFilePath();
  TypingFrontEnd fe;
  bool bVelocity = false;
  fe.m_steps = {Look(), [&bVelocity](TypingFrontEnd* p) {
                  bVelocity = p->m_pDlg->GetCommandProcessor()->GetExportSettings().bVelocity;
                  SendMessageA(p->m_pDlg->m_hWnd, WM_COMMAND, IDOK, 0);
                }};
  EXPECT_EQ(1, RunWith(&fe));
  ostest::SetSettingsHome(strSaved);
  std::filesystem::remove_all(strHome);
  // Each within the console's 64 columns, as the path's length allows.
  std::string strTold;
  for (const std::string& line : {strPath + ":2: bogus is no setting",
                                  "settings from " + strPath + ": velocity."}) {
    for (const std::string& part : WrapToWidth(line, kConsoleColumns, 2)) strTold += part + "\r\n";
  }
  EXPECT_NE(std::string::npos,
            fe.m_textSeen.find("--------------------------------\r\n\r\n" + strTold + "root>"))
      << fe.m_textSeen;
  EXPECT_TRUE(bVelocity);
}

TEST(MainDlgTest, CloseBoxExitAndEscapeEndWithCancel) {
  {
    TypingFrontEnd fe;
    fe.m_steps = {[](TypingFrontEnd* p) {
      PostMessageA(p->m_pDlg->m_hWnd, WM_CLOSE, 0, 0);
    }};
    EXPECT_EQ(2, RunWith(&fe));
  }
  {
    TypingFrontEnd fe;
    fe.m_steps = {Type("exit\r")};
    EXPECT_EQ(2, RunWith(&fe));
  }
  {
    TypingFrontEnd fe;
    fe.m_steps = {Type("ab"), [](TypingFrontEnd* p) {
                    PostKey(p->m_hConsole, VK_ESCAPE, 0);
                  }};
    EXPECT_EQ(2, RunWith(&fe));
  }
  // After each run the dialog has left the loop it registered with.
  EXPECT_EQ(nullptr, g_Module.GetMessageLoop());
}

TEST(MainDlgTest, ReflectsTheConsolesColourRequest) {
  TypingFrontEnd fe;
  HDC__ dc;
  LRESULT lBrush = 0;
  fe.m_steps = {[&](TypingFrontEnd* p) {
    lBrush = SendMessageA(p->m_pDlg->m_hWnd, WM_CTLCOLOREDIT,
                          reinterpret_cast<WPARAM>(&dc),
                          reinterpret_cast<LPARAM>(p->m_hConsole));
    p->m_pDlg->CloseDialog(IDCANCEL);
  }};
  EXPECT_EQ(2, RunWith(&fe));
  EXPECT_NE(0, lBrush);
  EXPECT_EQ(RGB(64, 255, 255), dc.crText);
  EXPECT_EQ(RGB(0, 32, 64), dc.crBk);
}

// The program's status in the shell's terms: a dialog closed any way is a
// normal end (0), whatever the loop's Cancel code; a front end that can't
// start (a terminal that can't be used) ends the program with 1 before any
// dialog exists, and is still stopped. Each line handed to the processor
// reaches the line listener with how it ended.
TEST(MainDlgTest, ProgramStatusIsZeroWhenClosedAndOneWhenTheFrontEndCannotStart) {
  TypingFrontEnd fe;
  std::vector<std::string> heard;
  fe.m_steps = {[&heard](TypingFrontEnd* p) {
                  p->m_pDlg->SetLineListener([&heard](const char* pszLine, const CommandOutcome& o) {
                    heard.push_back(std::string(pszLine) + (o.bFailed ? ": " + o.strMessage : ""));
                  });
                },
                Type("roo\r"), Type("Conf\r"), Type("exit\r")};
  ResetMessageQueue();
  EXPECT_EQ(0, RunProgram(nullptr, SW_SHOW, &fe));
  EXPECT_EQ((std::vector<std::string>{"roo: invalid command.", "Conf", "exit"}), heard);

  struct FailingFrontEnd : CFrontEnd {
    bool Start() override { return false; }
    void Attach(CMainDlg*) override { ++nAttached; }
    void Stop() override { ++nStopped; }
    int nAttached = 0;
    int nStopped = 0;
  } failing;
  EXPECT_EQ(1, RunProgram(nullptr, SW_SHOW, &failing));
  EXPECT_EQ(0, failing.nAttached);
  EXPECT_EQ(1, failing.nStopped);
  EXPECT_EQ(nullptr, g_Module.GetMessageLoop());
}

}  // namespace
