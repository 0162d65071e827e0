// The message loop's filter and idle rules and its exit code; window
// objects, message maps, dialogs and reflection of the platform layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/event_source.h"
#include "platform/message_loop.h"

namespace {

// A back end that hands out prepared batches of messages, one batch per
// wait; a batch of nullopt is a failed wait.
class ScriptedSource : public CEventSource {
 public:
  std::vector<std::function<bool()>> m_batches;
  size_t m_nNext = 0;
  int m_nPolls = 0;

  bool WaitForEvents() override {
    if (m_nNext >= m_batches.size()) {
      PostQuitMessage(99);  // a test that runs dry ends, visibly
      return true;
    }
    return m_batches[m_nNext++]();
  }
  void PollEvents() override { ++m_nPolls; }
};

class Recorder : public CMessageFilter, public CIdleHandler {
 public:
  explicit Recorder(std::string name, std::vector<std::string>* pLog)
      : m_name(std::move(name)), m_pLog(pLog) {}
  BOOL PreTranslateMessage(MSG* pMsg) override {
    m_pLog->push_back(m_name + ":filter:" + std::to_string(pMsg->message));
    return pMsg->message == m_uConsume ? TRUE : FALSE;
  }
  BOOL OnIdle() override {
    m_pLog->push_back(m_name + ":idle");
    return TRUE;
  }
  std::string m_name;
  std::vector<std::string>* m_pLog;
  UINT m_uConsume = 0xFFFF;
};

class MessageLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMessageQueue();
    SetEventSource(&m_source);
    m_hWnd = CreatePlatformWindow(
        nullptr, 0, [this](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
          m_log.push_back("dispatch:" + std::to_string(m));
          return 0;
        });
  }
  void TearDown() override {
    SetEventSource(nullptr);
    DestroyWindow(m_hWnd);
    ResetMessageQueue();
  }
  // A batch that posts these messages to the window.
  std::function<bool()> Post(std::vector<UINT> messages) {
    return [this, messages] {
      for (UINT m : messages) PostMessageA(m_hWnd, m, 0, 0);
      return true;
    };
  }

  ScriptedSource m_source;
  HWND m_hWnd = nullptr;
  std::vector<std::string> m_log;
};

TEST_F(MessageLoopTest, IdleRunsOnceWhenTheQueueRunsEmptyButNotAfterPaintMouseOrCaretTimer) {
  CMessageLoop loop;
  Recorder idle("i", &m_log);
  loop.AddIdleHandler(&idle);
  m_source.m_batches = {
      Post({WM_KEYDOWN, WM_CHAR}),
      Post({WM_PAINT}),
      Post({WM_MOUSEMOVE, WM_NCMOUSEMOVE, WM_SYSTIMER}),
      Post({WM_TIMER}),
      [] {
        PostQuitMessage(2);
        return true;
      },
  };
  EXPECT_EQ(2, loop.Run());
  EXPECT_EQ((std::vector<std::string>{
                "i:idle", "dispatch:256", "dispatch:258", "i:idle",
                "dispatch:15", "dispatch:512", "dispatch:160", "dispatch:280",
                "dispatch:275", "i:idle"}),
            m_log);
}

TEST_F(MessageLoopTest, FiltersRunLastRegisteredFirstAndMayConsume) {
  CMessageLoop loop;
  Recorder first("a", &m_log);
  Recorder second("b", &m_log);
  loop.AddMessageFilter(&first);
  loop.AddMessageFilter(&second);
  second.m_uConsume = WM_CHAR;
  m_source.m_batches = {Post({WM_KEYDOWN, WM_CHAR}), [] {
                          PostQuitMessage(1);
                          return true;
                        }};
  EXPECT_EQ(1, loop.Run());
  EXPECT_EQ((std::vector<std::string>{"b:filter:256", "a:filter:256",
                                      "dispatch:256", "b:filter:258"}),
            m_log);
  EXPECT_TRUE(loop.RemoveMessageFilter(&first));
  EXPECT_FALSE(loop.RemoveMessageFilter(&first));
}

TEST_F(MessageLoopTest, AFilterMayRemoveItselfWhileItRuns) {
  CMessageLoop loop;
  struct SelfRemover : CMessageFilter {
    CMessageLoop* pLoop;
    int nCalls = 0;
    BOOL PreTranslateMessage(MSG*) override {
      ++nCalls;
      pLoop->RemoveMessageFilter(this);
      return FALSE;
    }
  } remover;
  remover.pLoop = &loop;
  Recorder other("a", &m_log);
  loop.AddMessageFilter(&other);
  loop.AddMessageFilter(&remover);
  m_source.m_batches = {Post({WM_KEYDOWN, WM_KEYDOWN}), [] {
                          PostQuitMessage(0);
                          return true;
                        }};
  EXPECT_EQ(0, loop.Run());
  EXPECT_EQ(1, remover.nCalls);
  EXPECT_EQ(2, static_cast<int>(std::count(m_log.begin(), m_log.end(),
                                           "a:filter:256")));
}

TEST_F(MessageLoopTest, ARetrievalErrorDoesNotEndTheLoop) {
  CMessageLoop loop;
  m_source.m_batches = {[] { return false; }, [] { return false; },
                        Post({WM_KEYDOWN}), [] {
                          PostQuitMessage(2);
                          return true;
                        }};
  EXPECT_EQ(2, loop.Run());
  EXPECT_EQ((std::vector<std::string>{"dispatch:256"}), m_log);
}

TEST_F(MessageLoopTest, QuitComesAfterThePostedMessagesAndCarriesItsCode) {
  PostMessageA(m_hWnd, WM_KEYDOWN, 0, 0);
  PostQuitMessage(-5);
  PostMessageA(m_hWnd, WM_CHAR, 0, 0);
  CMessageLoop loop;
  EXPECT_EQ(-5, loop.Run());
  EXPECT_EQ((std::vector<std::string>{"dispatch:256", "dispatch:258"}), m_log);
}

TEST_F(MessageLoopTest, WithoutABackEndAnEmptyQueueEndsTheLoop) {
  SetEventSource(nullptr);
  CMessageLoop loop;
  EXPECT_EQ(0, loop.Run());
}

TEST_F(MessageLoopTest, KeyStateTravelsWithThePostedKey) {
  std::vector<bool> shifts;
  HWND h = CreatePlatformWindow(nullptr, 0, [&](HWND, UINT, WPARAM, LPARAM) {
    shifts.push_back(GetKeyState(VK_SHIFT) < 0);
    return LRESULT{0};
  });
  PostKeyMessage(h, WM_CHAR, 'a', 0, KEYSTATE_SHIFT);
  PostKeyMessage(h, WM_CHAR, 'a', 0, 0);
  PostQuitMessage(0);
  CMessageLoop loop;
  loop.Run();
  EXPECT_EQ((std::vector<bool>{true, false}), shifts);
  DestroyWindow(h);
}

TEST(AppModuleTest, OneLoopPerThread) {
  CAppModule module;
  module.Init(nullptr);
  EXPECT_EQ(GetCurrentThreadId(), module.m_dwMainThreadID);
  CMessageLoop loop;
  CMessageLoop other;
  EXPECT_EQ(nullptr, module.GetMessageLoop());
  EXPECT_TRUE(module.AddMessageLoop(&loop));
  EXPECT_FALSE(module.AddMessageLoop(&other));
  EXPECT_EQ(&loop, module.GetMessageLoop());
  EXPECT_EQ(nullptr, module.GetMessageLoop(GetCurrentThreadId() + 1));
  EXPECT_TRUE(module.RemoveMessageLoop());
  EXPECT_FALSE(module.RemoveMessageLoop());
  module.Term();
}

// A window object with a small ordered table.
class CProbe : public CWindowImplBase {
 public:
  BOOL ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam,
                            LRESULT& lResult) override {
    static constexpr MessageMapEntry<CProbe> kMap[] = {
        MessageEntry<CProbe>(WM_CHAR, &CProbe::OnPassed),
        MessageEntry<CProbe>(WM_CHAR, &CProbe::OnConsumed),  // never reached
        CommandIdEntry<CProbe>(WM_COMMAND, 7, &CProbe::OnConsumed),
        MessageRangeEntry<CProbe>(WM_KEYDOWN, WM_CHAR, &CProbe::OnConsumed),
    };
    return DispatchToMessageMap<CProbe>(this, kMap, uMsg, wParam, lParam,
                                        lResult);
  }
  LRESULT OnPassed(UINT uMsg, WPARAM, LPARAM, BOOL& bHandled) {
    m_log.push_back("passed:" + std::to_string(uMsg));
    bHandled = FALSE;
    return 0;
  }
  LRESULT OnConsumed(UINT uMsg, WPARAM, LPARAM, BOOL&) {
    m_log.push_back("consumed:" + std::to_string(uMsg));
    return 42;
  }
  void OnFinalMessage(HWND) override { m_bFinal = true; }
  std::vector<std::string> m_log;
  bool m_bFinal = false;
};

TEST(WindowTest, FirstMatchingEntryDecidesAndTheRestGoesToTheOldProcedure) {
  std::vector<UINT> defaults;
  HWND h = CreatePlatformWindow(nullptr, 3, [&](HWND, UINT m, WPARAM, LPARAM) {
    defaults.push_back(m);
    return LRESULT{7};
  });
  CProbe probe;
  ASSERT_TRUE(probe.SubclassWindow(h));
  EXPECT_FALSE(probe.SubclassWindow(h));
  EXPECT_EQ(7, SendMessageA(h, WM_CHAR, 'x', 0));  // passed on
  EXPECT_EQ(42, SendMessageA(h, WM_KEYDOWN, 0, 0));
  EXPECT_EQ(42, SendMessageA(h, WM_COMMAND, 7, 0));
  EXPECT_EQ(7, SendMessageA(h, WM_COMMAND, 8, 0));
  EXPECT_EQ((std::vector<std::string>{"passed:258", "consumed:256",
                                      "consumed:273"}),
            probe.m_log);
  EXPECT_EQ((std::vector<UINT>{WM_CHAR, WM_COMMAND}), defaults);
  EXPECT_EQ(h, probe.UnsubclassWindow());
  SendMessageA(h, WM_KEYDOWN, 0, 0);
  EXPECT_EQ(3u, defaults.size());
  ASSERT_TRUE(probe.SubclassWindow(h));
  DestroyWindow(h);
  EXPECT_TRUE(probe.m_bFinal);
  EXPECT_EQ(nullptr, probe.m_hWnd);
  // A stale handle is harmless.
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(0, SendMessageA(h, WM_CHAR, 0, 0));
  EXPECT_EQ(nullptr, GetParent(h));
}

TEST(WindowTest, DestroyReachesChildrenAndPostedMessagesToThemAreDropped) {
  std::vector<std::string> log;
  auto proc = [&log](const char* name) {
    return [&log, name](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
      if (m == WM_DESTROY) log.push_back(std::string(name) + ":destroy");
      if (m == WM_NCDESTROY) log.push_back(std::string(name) + ":last");
      if (m == WM_CHAR) log.push_back(std::string(name) + ":char");
      return 0;
    };
  };
  HWND hParent = CreatePlatformWindow(nullptr, 0, proc("p"));
  HWND hChild = CreatePlatformWindow(hParent, 1000, proc("c"));
  EXPECT_EQ(hChild, GetDlgItem(hParent, 1000));
  EXPECT_EQ(hParent, GetParent(hChild));
  SetFocus(hChild);
  ResetMessageQueue();
  PostMessageA(hChild, WM_CHAR, 0, 0);
  DestroyWindow(hParent);
  EXPECT_EQ((std::vector<std::string>{"p:destroy", "c:destroy", "c:last",
                                      "p:last"}),
            log);
  EXPECT_FALSE(IsWindow(hChild));
  EXPECT_EQ(nullptr, GetFocus());
  MSG msg;
  ASSERT_EQ(1, GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(0, DispatchMessageA(&msg));
  EXPECT_EQ(4u, log.size());
}

class CTestDialog : public CDialogImplBase {
 public:
  BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam,
                            LPARAM lParam, LRESULT& lResult) override {
    if (uMsg == WM_INITDIALOG) {
      lResult = 1;
      return TRUE;
    }
    if (uMsg == WM_COMMAND && LOWORD(wParam) <= IDCANCEL) {
      m_commands.push_back(LOWORD(wParam));
      lResult = 0;
      return TRUE;
    }
    return ReflectNotifications(hWnd, uMsg, wParam, lParam, lResult);
  }
  BOOL CreateControls() override {
    m_hControl = CreatePlatformWindow(
        m_hWnd, 1000, [this](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
          m_reflected.push_back(m);
          return 5;
        });
    return m_hControl != nullptr;
  }
  HWND m_hControl = nullptr;
  std::vector<int> m_commands;
  std::vector<UINT> m_reflected;
};

TEST(DialogTest, CloseIsCancelEscapeIsCancelAndNotificationsAreReflected) {
  CTestDialog dlg;
  ASSERT_NE(nullptr, dlg.Create(nullptr));
  EXPECT_EQ(dlg.m_hControl, GetFocus());  // WM_INITDIALOG answered 1
  dlg.m_reflected.clear();
  SendMessageA(dlg.m_hWnd, WM_CLOSE, 0, 0);
  EXPECT_EQ((std::vector<int>{IDCANCEL}), dlg.m_commands);
  EXPECT_TRUE(dlg.IsWindow());

  MSG msg;
  msg.hwnd = dlg.m_hControl;
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_ESCAPE;
  EXPECT_TRUE(IsDialogMessageA(dlg.m_hWnd, &msg));
  EXPECT_EQ((std::vector<int>{IDCANCEL, IDCANCEL}), dlg.m_commands);
  msg.wParam = 'A';
  EXPECT_TRUE(IsDialogMessageA(dlg.m_hWnd, &msg));  // dispatched here
  EXPECT_EQ((std::vector<UINT>{WM_KEYDOWN}), dlg.m_reflected);
  HWND hOther = CreatePlatformWindow(nullptr, 0, nullptr);
  msg.hwnd = hOther;
  EXPECT_FALSE(IsDialogMessageA(dlg.m_hWnd, &msg));
  DestroyWindow(hOther);

  dlg.m_reflected.clear();
  WPARAM wNotify = 1000 | (static_cast<WPARAM>(EN_SETFOCUS) << 16);
  EXPECT_EQ(5, SendMessageA(dlg.m_hWnd, WM_COMMAND, wNotify,
                            reinterpret_cast<LPARAM>(dlg.m_hControl)));
  EXPECT_EQ(5, SendMessageA(dlg.m_hWnd, WM_CTLCOLOREDIT, 0,
                            reinterpret_cast<LPARAM>(dlg.m_hControl)));
  NMHDR header;
  header.hwndFrom = dlg.m_hControl;
  EXPECT_EQ(5, SendMessageA(dlg.m_hWnd, WM_NOTIFY, 1000,
                            reinterpret_cast<LPARAM>(&header)));
  EXPECT_EQ(5, SendMessageA(dlg.m_hWnd, WM_PARENTNOTIFY,
                            WM_LBUTTONDOWN | (1000u << 16), 0));
  DRAWITEMSTRUCT item;
  item.hwndItem = dlg.m_hControl;
  EXPECT_EQ(0, SendMessageA(dlg.m_hWnd, WM_DRAWITEM, 0,
                            reinterpret_cast<LPARAM>(&item)));  // wParam 0
  EXPECT_EQ((std::vector<UINT>{OCM_COMMAND, OCM_CTLCOLOREDIT, OCM_NOTIFY,
                               OCM_PARENTNOTIFY}),
            dlg.m_reflected);
  // No control: default dialog processing.
  EXPECT_EQ(0, SendMessageA(dlg.m_hWnd, WM_COMMAND, 1000, 0));
  dlg.DestroyWindow();
}

}  // namespace
