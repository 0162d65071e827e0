// The basic types of the window layer the program talks to. They keep the
// shapes the code expects (handles, message parameters, colours); the
// back ends (terminal, Qt) give them meaning.
#ifndef SONOMOT_PLATFORM_WIN_TYPES_H_
#define SONOMOT_PLATFORM_WIN_TYPES_H_

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = DWORD;  // 0x00BBGGRR

// A window handle names a window object of the platform layer; null is no
// window.
struct HWND__;
using HWND = HWND__*;

// Handles of the other objects the layer hands out. Each names an object of
// the platform layer; null is none.
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
struct HDC__;  // a drawing context: the colours a window is drawn with
using HDC = HDC__*;
struct HBRUSH__;  // a solid background brush
using HBRUSH = HBRUSH__*;
struct HFONT__;  // a font chosen by the console
using HFONT = HFONT__*;
struct HDROP__;  // the files of one drop (platform/drop.h)
using HDROP = HDROP__*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) {
  return static_cast<WORD>((v >> 16) & 0xFFFF);
}

#endif  // SONOMOT_PLATFORM_WIN_TYPES_H_
