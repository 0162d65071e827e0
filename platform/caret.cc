#include "platform/caret.h"

namespace {
CaretState g_caret;
}

BOOL CreateCaret(HWND hWnd, HBITMAP hBitmap, int nWidth, int nHeight) {
  if (hWnd == nullptr) return FALSE;
  g_caret = CaretState{hWnd, nWidth, nHeight, false};
  return TRUE;
}

BOOL ShowCaret(HWND hWnd) {
  if (g_caret.hWnd == nullptr) return FALSE;
  if (hWnd != nullptr && hWnd != g_caret.hWnd) return FALSE;
  g_caret.bShown = true;
  return TRUE;
}

BOOL HideCaret(HWND hWnd) {
  if (g_caret.hWnd == nullptr) return FALSE;
  if (hWnd != nullptr && hWnd != g_caret.hWnd) return FALSE;
  g_caret.bShown = false;
  return TRUE;
}

BOOL DestroyCaret() {
  if (g_caret.hWnd == nullptr) return FALSE;
  g_caret = CaretState{};
  return TRUE;
}

CaretState GetCaretState() { return g_caret; }
