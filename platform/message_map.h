// Message maps and the window objects that own them.
//
// A message map is an ordered list of entries. Each entry tests the message
// (a message number, a range of numbers, or WM_COMMAND / OCM_COMMAND with a
// command id or a notification code) and names one handler. The first entry
// whose test matches decides: its handler runs and either consumes the
// message (bHandled stays TRUE; the handler's result is the answer) or passes
// it (sets bHandled to FALSE) to the default processing. Messages no entry
// matches go to the default processing as well.
//
// A window object (CWindowImplBase) binds its map to one window handle,
// either by creating a window of its own or by taking over an existing
// window (SubclassWindow). The default processing is then the window
// procedure it replaced.
#ifndef SONOMOT_PLATFORM_MESSAGE_MAP_H_
#define SONOMOT_PLATFORM_MESSAGE_MAP_H_

#include <span>

#include "platform/window.h"

// The interface of a message dispatcher.
class CMessageMap {
 public:
  virtual ~CMessageMap() = default;
  // Offers one message to the map. TRUE when an entry consumed it, with its
  // answer in lResult; FALSE sends it on to the default processing.
  virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam,
                                    LPARAM lParam, LRESULT& lResult) = 0;
};

template <class T>
struct MessageMapEntry {
  enum Kind { kMessage, kRange, kCommandId, kCommandCode };
  using Handler = LRESULT (T::*)(UINT uMsg, WPARAM wParam, LPARAM lParam,
                                 BOOL& bHandled);

  Kind kind;
  UINT uMsgFirst;
  UINT uMsgLast;
  WORD wValue;  // command id (kCommandId) or notification code (kCommandCode)
  Handler pfnHandler;

  bool Matches(UINT uMsg, WPARAM wParam) const {
    switch (kind) {
      case kMessage:
        return uMsg == uMsgFirst;
      case kRange:
        return uMsg >= uMsgFirst && uMsg <= uMsgLast;
      case kCommandId:
        return uMsg == uMsgFirst && LOWORD(wParam) == wValue;
      case kCommandCode:
        return uMsg == uMsgFirst && HIWORD(wParam) == wValue;
    }
    return false;
  }
};

// Entry makers, for tables written in order.
template <class T>
constexpr MessageMapEntry<T> MessageEntry(
    UINT uMsg, typename MessageMapEntry<T>::Handler pfn) {
  return {MessageMapEntry<T>::kMessage, uMsg, uMsg, 0, pfn};
}
template <class T>
constexpr MessageMapEntry<T> MessageRangeEntry(
    UINT uFirst, UINT uLast, typename MessageMapEntry<T>::Handler pfn) {
  return {MessageMapEntry<T>::kRange, uFirst, uLast, 0, pfn};
}
// uMsg is WM_COMMAND or OCM_COMMAND; wID the command id (low word of wParam).
template <class T>
constexpr MessageMapEntry<T> CommandIdEntry(
    UINT uMsg, WORD wID, typename MessageMapEntry<T>::Handler pfn) {
  return {MessageMapEntry<T>::kCommandId, uMsg, uMsg, wID, pfn};
}
// uMsg is WM_COMMAND or OCM_COMMAND; wCode the notification (high word).
template <class T>
constexpr MessageMapEntry<T> CommandCodeEntry(
    UINT uMsg, WORD wCode, typename MessageMapEntry<T>::Handler pfn) {
  return {MessageMapEntry<T>::kCommandCode, uMsg, uMsg, wCode, pfn};
}

// Runs a map: the first matching entry decides (see the top of this file).
template <class T>
BOOL DispatchToMessageMap(T* pThis, std::span<const MessageMapEntry<T>> map,
                          UINT uMsg, WPARAM wParam, LPARAM lParam,
                          LRESULT& lResult) {
  for (const MessageMapEntry<T>& entry : map) {
    if (!entry.Matches(uMsg, wParam)) continue;
    BOOL bHandled = TRUE;
    LRESULT lAnswer = (pThis->*entry.pfnHandler)(uMsg, wParam, lParam, bHandled);
    if (!bHandled) return FALSE;
    lResult = lAnswer;
    return TRUE;
  }
  return FALSE;
}

// A window object: a window handle plus a message map.
//
// Lifetime: the object must outlive its binding. When its window is
// destroyed the object is unbound (m_hWnd becomes null) after the window's
// last message, and OnFinalMessage is called. Destroying a still-bound object
// gives the window back its previous procedure.
class CWindowImplBase : public CWindow, public CMessageMap {
 public:
  CWindowImplBase() = default;
  CWindowImplBase(const CWindowImplBase&) = delete;
  CWindowImplBase& operator=(const CWindowImplBase&) = delete;
  ~CWindowImplBase() override;

  // Creates a window of our own, child of hParent (null: top level), whose
  // default processing is defaultProc (empty: DefWindowProcA). Null when
  // hParent is not a window or the object is already bound.
  HWND Create(HWND hParent, int nID = 0, WindowProc defaultProc = nullptr);
  // Takes over an existing window. FALSE when hWnd is not a window or this
  // object is already bound.
  BOOL SubclassWindow(HWND hWnd);
  // Gives the window its previous procedure back and unbinds; returns the
  // handle (null when not bound).
  HWND UnsubclassWindow();

  // The default processing: the procedure that was replaced.
  LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);
  // Called once the window has received its last message; does nothing.
  virtual void OnFinalMessage(HWND hWnd) {}

 private:
  void Bind(HWND hWnd, WindowProc previous);
  LRESULT WindowProcedure(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  WindowProc m_pfnSuperWindowProc;
};

#endif  // SONOMOT_PLATFORM_MESSAGE_MAP_H_
