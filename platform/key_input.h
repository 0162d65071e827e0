// Typing through messages: how the back ends (terminal, script) turn a key
// or a typed character into the messages a Windows window would receive.
// A key is WM_KEYDOWN with its virtual-key code; a typed character is the
// WM_KEYDOWN of its key followed by WM_CHAR with the character (a Unicode
// code point). Backspace types character 8 and Enter character 13, after
// their keys VK_BACK and VK_RETURN. Both carry the Shift and Ctrl state.
#ifndef SONOMOT_PLATFORM_KEY_INPUT_H_
#define SONOMOT_PLATFORM_KEY_INPUT_H_

#include <string>

#include "platform/win_types.h"

// The virtual-key code of the key that types nChar: letters and digits
// their capital letter or digit, Backspace VK_BACK, Tab VK_TAB, Enter
// VK_RETURN, Escape VK_ESCAPE, a blank 0x20; 0 for any other character.
UINT VirtualKeyOfChar(unsigned int nChar);

// Posts WM_KEYDOWN for vk to hWnd.
void PostKey(HWND hWnd, UINT nVirtKey, DWORD dwKeyState);
// Posts the WM_KEYDOWN of nChar's key, then WM_CHAR with nChar.
void PostTypedChar(HWND hWnd, unsigned int nChar, DWORD dwKeyState);
// Posts each UTF-8 character of pszText as PostTypedChar (an invalid byte
// is typed as U+FFFD).
void PostTypedText(HWND hWnd, const char* pszText, DWORD dwKeyState);

// The same, sent at once (the key state is made current for the call).
void SendKey(HWND hWnd, UINT nVirtKey, DWORD dwKeyState);
void SendTypedChar(HWND hWnd, unsigned int nChar, DWORD dwKeyState);
void SendTypedText(HWND hWnd, const char* pszText, DWORD dwKeyState);

// Decodes the UTF-8 character at *ppsz and advances past it; an invalid or
// cut sequence gives U+FFFD and advances one byte. REQUIRES: **ppsz != 0.
unsigned int DecodeUtf8(const char** ppsz);
// The UTF-8 bytes of a code point; "" for a surrogate or a value past
// U+10FFFF.
std::string EncodeUtf8(unsigned int nChar);

#endif  // SONOMOT_PLATFORM_KEY_INPUT_H_
