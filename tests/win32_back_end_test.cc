// The window program's main dialog on the Win32 back end, in this process:
// what Windows delivers to the native windows reaches the console as Qt's
// events do on Linux (tests/window_test.cc).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/main_dlg.h"
#include "console/edit_buffer.h"
#include "frontends/win32/win32_back_end.h"
#include "platform/key_input.h"
#include "platform/message_loop.h"
#include "platform/message_queue.h"
#include "resources/dialog_template.h"
#include "tests/native_drop.h"
#include "tests/os_test_util.h"

// No test here reads the user's own settings file.
const bool g_bNoUserSettings = [] {
  ostest::SetSettingsHome((std::filesystem::temp_directory_path() / "sonomot_no_config").string());
  return true;
}();

namespace {

// The main dialog shown as the window program shows it.
class Win32BackEndTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetMessageQueue();
    g_Module.Init(nullptr);
    m_pBackEnd = std::make_unique<CWin32BackEnd>(kMainDialogTemplate, SW_SHOWNORMAL);
    g_Module.AddMessageLoop(&m_loop);
    ASSERT_NE(nullptr, m_dlg.Create(nullptr, 0));
    m_dlg.ShowWindow(SW_SHOWNORMAL);
    Pump();
    ASSERT_NE(nullptr, m_pBackEnd->FindNativeWindow(m_dlg.m_hWnd));
  }
  void TearDown() override {
    if (m_dlg.IsWindow()) m_dlg.DestroyWindow();
    Pump();
    g_Module.RemoveMessageLoop();
    m_pBackEnd.reset();
    g_Module.Term();
    ResetMessageQueue();
  }

  // Windows' messages, then ours, then the windows synced; a few rounds,
  // so that what one posts runs too.
  void Pump() {
    for (int nRound = 0; nRound < 4; ++nRound) {
      m_pBackEnd->PollEvents();
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!m_loop.PreTranslateMessage(&msg)) {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
      }
      m_pBackEnd->Sync();
    }
  }

  std::string LastLine() {
    std::string text = m_dlg.GetConsole().GetEditBuffer()->GetText();
    size_t n = text.rfind("\r\n");
    return n == std::string::npos ? text : text.substr(n + 2);
  }

  std::unique_ptr<CWin32BackEnd> m_pBackEnd;
  CMessageLoop m_loop;
  CMainDlg m_dlg;
};

// As on Linux: the first file alone, its path quoted at the caret, nothing
// entered. The name in UTF-16 comes out in UTF-8, a character beyond the
// 16-bit range (a surrogate pair) as one.
TEST_F(Win32BackEndTest, DropTypesTheFirstFileQuoted) {
  PostTypedText(m_dlg.GetDlgItem(CMainDlg::IDC_CONSOLE), "Open ", 0);
  Pump();
  ASSERT_TRUE(PostNativeDrop(m_pBackEnd->FindNativeWindow(m_dlg.m_hWnd),
                             {u"C:\\My Songs\\\U00020BB7ピアノ 1.mid", u"C:\\second.mid"}));
  Pump();
  EXPECT_EQ("root>Open \"C:\\My Songs\\\U00020BB7ピアノ 1.mid\"", LastLine());
}

}  // namespace
