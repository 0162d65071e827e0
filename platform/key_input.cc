#include "platform/key_input.h"

#include "platform/message_queue.h"

UINT VirtualKeyOfChar(unsigned int nChar) {
  if (nChar >= 'a' && nChar <= 'z') return nChar - 'a' + 'A';
  if ((nChar >= 'A' && nChar <= 'Z') || (nChar >= '0' && nChar <= '9')) {
    return nChar;
  }
  switch (nChar) {
    case 8:
      return VK_BACK;
    case 9:
      return VK_TAB;
    case 13:
      return VK_RETURN;
    case 27:
      return VK_ESCAPE;
    case ' ':
      return 0x20;
    default:
      return 0;
  }
}

void PostKey(HWND hWnd, UINT nVirtKey, DWORD dwKeyState) {
  PostKeyMessage(hWnd, WM_KEYDOWN, nVirtKey, 1, dwKeyState);
}

void PostTypedChar(HWND hWnd, unsigned int nChar, DWORD dwKeyState) {
  PostKeyMessage(hWnd, WM_KEYDOWN, VirtualKeyOfChar(nChar), 1, dwKeyState);
  PostKeyMessage(hWnd, WM_CHAR, nChar, 1, dwKeyState);
}

unsigned int DecodeUtf8(const char** ppsz) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(*ppsz);
  unsigned int c = p[0];
  int nMore = 0;
  unsigned int nMin = 0;
  if (c < 0x80) {
    *ppsz += 1;
    return c;
  } else if ((c & 0xE0) == 0xC0) {
    c &= 0x1F;
    nMore = 1;
    nMin = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    c &= 0x0F;
    nMore = 2;
    nMin = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    c &= 0x07;
    nMore = 3;
    nMin = 0x10000;
  } else {
    *ppsz += 1;
    return 0xFFFD;
  }
  for (int i = 1; i <= nMore; ++i) {
    if ((p[i] & 0xC0) != 0x80) {
      *ppsz += 1;
      return 0xFFFD;
    }
    c = (c << 6) | (p[i] & 0x3F);
  }
  if (c < nMin || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    *ppsz += 1;
    return 0xFFFD;
  }
  *ppsz += 1 + nMore;
  return c;
}

void PostTypedText(HWND hWnd, const char* pszText, DWORD dwKeyState) {
  if (pszText == nullptr) return;
  while (*pszText != '\0') PostTypedChar(hWnd, DecodeUtf8(&pszText), dwKeyState);
}

void SendKey(HWND hWnd, UINT nVirtKey, DWORD dwKeyState) {
  SetKeyState((dwKeyState & KEYSTATE_SHIFT) != 0,
              (dwKeyState & KEYSTATE_CONTROL) != 0);
  SendMessageA(hWnd, WM_KEYDOWN, nVirtKey, 1);
}

void SendTypedChar(HWND hWnd, unsigned int nChar, DWORD dwKeyState) {
  SendKey(hWnd, VirtualKeyOfChar(nChar), dwKeyState);
  SendMessageA(hWnd, WM_CHAR, nChar, 1);
}

void SendTypedText(HWND hWnd, const char* pszText, DWORD dwKeyState) {
  if (pszText == nullptr) return;
  while (*pszText != '\0') SendTypedChar(hWnd, DecodeUtf8(&pszText), dwKeyState);
}

std::string EncodeUtf8(unsigned int nChar) {
  std::string out;
  if (nChar < 0x80) {
    out += static_cast<char>(nChar);
  } else if (nChar < 0x800) {
    out += static_cast<char>(0xC0 | (nChar >> 6));
    out += static_cast<char>(0x80 | (nChar & 0x3F));
  } else if (nChar < 0x10000) {
    if (nChar >= 0xD800 && nChar <= 0xDFFF) return out;
    out += static_cast<char>(0xE0 | (nChar >> 12));
    out += static_cast<char>(0x80 | ((nChar >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (nChar & 0x3F));
  } else if (nChar <= 0x10FFFF) {
    out += static_cast<char>(0xF0 | (nChar >> 18));
    out += static_cast<char>(0x80 | ((nChar >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((nChar >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (nChar & 0x3F));
  }
  return out;
}
