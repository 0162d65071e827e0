#include "platform/cursor.h"

// A system cursor handle is its resource id in handle form; there is nothing
// to load or free.
namespace {
HCURSOR g_hCursor = nullptr;
}

HCURSOR LoadCursorA(HINSTANCE hInstance, const char* pszCursorName) {
  if (hInstance != nullptr) return nullptr;
  std::uintptr_t id = reinterpret_cast<std::uintptr_t>(pszCursorName);
  if (id != kIdcArrow && id != kIdcIBeam) return nullptr;
  return reinterpret_cast<HCURSOR>(id);
}

HCURSOR SetCursor(HCURSOR hCursor) {
  HCURSOR hPrevious = g_hCursor;
  g_hCursor = hCursor;
  return hPrevious;
}

HCURSOR GetCursor() { return g_hCursor; }

std::uintptr_t GetCursorId(HCURSOR hCursor) {
  return reinterpret_cast<std::uintptr_t>(hCursor);
}
