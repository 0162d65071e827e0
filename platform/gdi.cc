#include "platform/gdi.h"

COLORREF SetTextColor(HDC hdc, COLORREF cr) {
  if (hdc == nullptr) return 0;
  COLORREF old = hdc->crText;
  hdc->crText = cr;
  return old;
}

COLORREF SetBkColor(HDC hdc, COLORREF cr) {
  if (hdc == nullptr) return 0;
  COLORREF old = hdc->crBk;
  hdc->crBk = cr;
  return old;
}

HBRUSH CreateSolidBrush(COLORREF cr) { return new HBRUSH__{cr}; }

BOOL DeleteObject(HBRUSH hBrush) {
  if (hBrush == nullptr) return FALSE;
  delete hBrush;
  return TRUE;
}
