#include "midibind/midi_binding.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/messages.h"

namespace {

constexpr const char kLibraryFile[] = "libMIDIData.so";

void* g_hLibrary = nullptr;

// The folder of the running executable, with its trailing '/', or "" when
// it can't be read (dlopen then searches the usual places).
std::string ExecutableFolder() {
  char szPath[4096];
  ssize_t n = readlink("/proc/self/exe", szPath, sizeof(szPath) - 1);
  if (n <= 0) return std::string();
  std::string path(szPath, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void UnbindAll() {
#define SONOMOT_UNBIND(name) midilib::name = nullptr;
  SONOMOT_BOUND_MIDI_FUNCTIONS(SONOMOT_UNBIND)
#undef SONOMOT_UNBIND
}

}  // namespace

int BindMidiDataLibraryFrom(const char* pszPath) {
  ReleaseMidiDataLibrary();
  void* hLibrary = dlopen(pszPath, RTLD_NOW | RTLD_LOCAL);
  if (hLibrary == nullptr) {
    // The loader's reason usually starts with the path it tried.
    const char* pszReason = dlerror();
    if (pszReason == nullptr) pszReason = "unknown reason";
    size_t nPath = std::strlen(pszPath);
    if (std::strncmp(pszReason, pszPath, nPath) == 0 && std::strncmp(pszReason + nPath, ": ", 2) == 0) {
      pszReason += nPath + 2;
    }
    std::vector<char> text(std::strlen(kLibraryFile) + nPath + std::strlen(pszReason) + 64);
    std::snprintf(text.data(), text.size(), "%sが読み込めません\n(looked for %s: %s)", kLibraryFile,
                  pszPath, pszReason);
    MessageBoxA(nullptr, text.data(), nullptr, MB_OK);
    return 0;
  }
  // Bind in the fixed order; the first name not found is reported alone and
  // nothing stays bound.
#define SONOMOT_BIND(name)                                                   \
  {                                                                          \
    void* pfn = dlsym(hLibrary, #name);                                      \
    if (pfn == nullptr) {                                                    \
      MessageBoxA(nullptr, #name, nullptr, MB_OK);                           \
      UnbindAll();                                                           \
      dlclose(hLibrary);                                                     \
      return 0;                                                              \
    }                                                                        \
    midilib::name = reinterpret_cast<decltype(midilib::name)>(pfn);          \
  }
  SONOMOT_BOUND_MIDI_FUNCTIONS(SONOMOT_BIND)
#undef SONOMOT_BIND
  g_hLibrary = hLibrary;
  return 1;
}

int BindMidiDataLibrary() {
  std::string path = ExecutableFolder() + kLibraryFile;
  return BindMidiDataLibraryFrom(path.c_str());
}

void ReleaseMidiDataLibrary() {
  if (g_hLibrary == nullptr) return;
  UnbindAll();
  dlclose(g_hLibrary);
  g_hLibrary = nullptr;
}
