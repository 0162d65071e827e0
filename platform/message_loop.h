// The message loop and the application module.
//
// CMessageLoop::Run takes messages from the queue (platform/message_queue.h)
// until WM_QUIT and returns its code. Windows take part through two
// interfaces: a message filter sees every message before it is dispatched
// and may consume it; an idle handler is called each time the queue runs
// empty. Filters and handlers are not owned by the loop.
#ifndef SONOMOT_PLATFORM_MESSAGE_LOOP_H_
#define SONOMOT_PLATFORM_MESSAGE_LOOP_H_

#include <map>
#include <vector>

#include "platform/message_queue.h"

class CMessageFilter {
 public:
  virtual ~CMessageFilter() = default;
  // TRUE when the message was consumed and must not be dispatched.
  virtual BOOL PreTranslateMessage(MSG* pMsg) = 0;
};

class CIdleHandler {
 public:
  virtual ~CIdleHandler() = default;
  // The result is not used by the loop.
  virtual BOOL OnIdle() = 0;
};

class CMessageLoop {
 public:
  virtual ~CMessageLoop() = default;

  // Adding twice registers twice; removing removes the latest registration.
  // Removing one that is not registered returns FALSE. A filter or handler
  // may remove itself (or another) while it is being called.
  BOOL AddMessageFilter(CMessageFilter* pFilter);
  BOOL RemoveMessageFilter(CMessageFilter* pFilter);
  BOOL AddIdleHandler(CIdleHandler* pHandler);
  BOOL RemoveIdleHandler(CIdleHandler* pHandler);

  // Runs until WM_QUIT and returns its code. Idle handlers run once each
  // time the queue runs empty, and not again after a message that is only a
  // paint, a mouse move or the caret timer; a retrieval error (-1) is
  // skipped.
  int Run();

  // The filter pass: the filters from the last registered to the first; the
  // first that returns TRUE consumes the message.
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // The idle pass: every handler, first registered first; always FALSE.
  virtual BOOL OnIdle(int nIdleCount);

  // Messages after which the loop does not go idle again.
  static BOOL IsIdleMessage(const MSG* pMsg);

  MSG m_msg;

 protected:
  std::vector<CMessageFilter*> m_aMsgFilter;
  std::vector<CIdleHandler*> m_aIdleHandler;
};

// The application module: the instance handle and the message loop of each
// thread. The program has one thread, so the map holds at most one loop.
class CAppModule {
 public:
  // Records the instance and the calling thread, and starts an empty loop
  // map. Always succeeds (returns 0, as COM-style results do).
  int Init(HINSTANCE hInstance);
  void Term();

  // Registers pLoop for the current thread; FALSE if that thread has one.
  BOOL AddMessageLoop(CMessageLoop* pLoop);
  // Unregisters the current thread's loop; FALSE if it has none.
  BOOL RemoveMessageLoop();
  // The loop of a thread, or null.
  CMessageLoop* GetMessageLoop(DWORD dwThreadID = ::GetCurrentThreadId()) const;

  HINSTANCE m_hInst = nullptr;
  DWORD m_dwMainThreadID = 0;

 private:
  std::map<DWORD, CMessageLoop*> m_msgLoopMap;
};

// The program's one module.
extern CAppModule g_Module;

#endif  // SONOMOT_PLATFORM_MESSAGE_LOOP_H_
