#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

#include "midibind/library_loader.h"

const char kMidiDataLibraryFile[] = "libMIDIData.so";

std::string GetProgramFolder() {
  char szPath[4096];
  ssize_t n = readlink("/proc/self/exe", szPath, sizeof(szPath) - 1);
  if (n <= 0) return std::string();
  std::string path(szPath, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void* OpenLibrary(const char* pszPath, std::string* pReason) {
  void* hLibrary = dlopen(pszPath, RTLD_NOW | RTLD_LOCAL);
  if (hLibrary != nullptr) return hLibrary;
  // The loader's reason usually starts with the path it tried.
  const char* pszReason = dlerror();
  if (pszReason == nullptr) pszReason = "unknown reason";
  size_t nPath = std::strlen(pszPath);
  if (std::strncmp(pszReason, pszPath, nPath) == 0 && std::strncmp(pszReason + nPath, ": ", 2) == 0) {
    pszReason += nPath + 2;
  }
  *pReason = pszReason;
  return nullptr;
}

void* FindLibraryFunction(void* hLibrary, const char* pszName) { return dlsym(hLibrary, pszName); }

void CloseLibrary(void* hLibrary) { dlclose(hLibrary); }
