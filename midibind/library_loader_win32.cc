#include <windows.h>

#include <string>
#include <vector>

#include "midibind/library_loader.h"

const char kMidiDataLibraryFile[] = "MIDIData.dll";

namespace {

std::wstring Widen(const char* pszUtf8) {
  int nChars = MultiByteToWideChar(CP_UTF8, 0, pszUtf8, -1, nullptr, 0);
  if (nChars <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(nChars), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, pszUtf8, -1, wide.data(), nChars);
  wide.resize(static_cast<size_t>(nChars - 1));
  return wide;
}

std::string Narrow(const wchar_t* pszWide, int nChars) {
  int nBytes = WideCharToMultiByte(CP_UTF8, 0, pszWide, nChars, nullptr, 0, nullptr, nullptr);
  if (nBytes <= 0) return std::string();
  std::string text(static_cast<size_t>(nBytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, pszWide, nChars, text.data(), nBytes, nullptr, nullptr);
  return text;
}

// The loader's message for dwError. Some name the file as %1 ("%1 is not a
// valid Win32 application."): it is filled in with the library's file name.
std::string DescribeLoadError(DWORD dwError, const std::wstring& path) {
  size_t nSlash = path.find_last_of(L"\\/");
  std::wstring name = nSlash == std::wstring::npos ? path : path.substr(nSlash + 1);
  DWORD_PTR aArguments[] = {reinterpret_cast<DWORD_PTR>(name.c_str())};
  wchar_t* pszText = nullptr;
  DWORD nLength = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
      nullptr, dwError, 0, reinterpret_cast<wchar_t*>(&pszText), 0,
      reinterpret_cast<va_list*>(aArguments));
  std::string text = nLength > 0 ? Narrow(pszText, static_cast<int>(nLength)) : std::string();
  if (pszText != nullptr) LocalFree(pszText);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text.empty() ? "error " + std::to_string(dwError) : text;
}

}  // namespace

std::string GetProgramFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      std::string folder = Narrow(path.data(), static_cast<int>(n));
      size_t nSlash = folder.find_last_of("\\/");
      return nSlash == std::string::npos ? std::string() : folder.substr(0, nSlash + 1);
    }
    path.resize(path.size() * 2);
  }
}

void* OpenLibrary(const char* pszPath, std::string* pReason) {
  std::wstring path = Widen(pszPath);
  // No error box of the system's own: the program reports the failure.
  UINT nOldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE hLibrary = LoadLibraryW(path.c_str());
  DWORD dwError = GetLastError();
  SetErrorMode(nOldMode);
  if (hLibrary == nullptr) *pReason = DescribeLoadError(dwError, path);
  return reinterpret_cast<void*>(hLibrary);
}

void* FindLibraryFunction(void* hLibrary, const char* pszName) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(hLibrary), pszName));
}

void CloseLibrary(void* hLibrary) { FreeLibrary(static_cast<HMODULE>(hLibrary)); }
