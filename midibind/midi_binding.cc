#include "midibind/midi_binding.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "midibind/library_loader.h"
#include "platform/message_box.h"
#include "platform/messages.h"

namespace {

void* g_hLibrary = nullptr;

void UnbindAll() {
#define SONOMOT_UNBIND(name) midilib::name = nullptr;
  SONOMOT_BOUND_MIDI_FUNCTIONS(SONOMOT_UNBIND)
#undef SONOMOT_UNBIND
}

}  // namespace

int BindMidiDataLibraryFrom(const char* pszPath) {
  ReleaseMidiDataLibrary();
  std::string reason;
  void* hLibrary = OpenLibrary(pszPath, &reason);
  if (hLibrary == nullptr) {
    std::vector<char> text(std::strlen(kMidiDataLibraryFile) + std::strlen(pszPath) +
                           reason.size() + 64);
    std::snprintf(text.data(), text.size(), "%sが読み込めません\n(looked for %s: %s)",
                  kMidiDataLibraryFile, pszPath, reason.c_str());
    MessageBoxA(nullptr, text.data(), nullptr, MB_OK);
    return 0;
  }
  // Bind in the fixed order; the first name not found is reported alone and
  // nothing stays bound.
#define SONOMOT_BIND(name)                                                   \
  {                                                                          \
    void* pfn = FindLibraryFunction(hLibrary, #name);                        \
    if (pfn == nullptr) {                                                    \
      MessageBoxA(nullptr, #name, nullptr, MB_OK);                           \
      UnbindAll();                                                           \
      CloseLibrary(hLibrary);                                                \
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
  std::string path = GetProgramFolder() + kMidiDataLibraryFile;
  return BindMidiDataLibraryFrom(path.c_str());
}

void ReleaseMidiDataLibrary() {
  if (g_hLibrary == nullptr) return;
  UnbindAll();
  CloseLibrary(g_hLibrary);
  g_hLibrary = nullptr;
}
