// Windows' clipboard behind the platform clipboard interface: text as
// CF_UNICODETEXT there, UTF-8 here.
#ifndef SONOMOT_FRONTENDS_WIN32_WIN32_CLIPBOARD_H_
#define SONOMOT_FRONTENDS_WIN32_WIN32_CLIPBOARD_H_

#include "platform/clipboard.h"

// Open fails while another program holds the clipboard (the console then
// pastes nothing), and while this object has it open.
class CWin32Clipboard : public CClipboard {
 public:
  BOOL Open(HWND hOwner) override;
  void Close() override;
  BOOL GetText(std::string* pText) override;
  BOOL SetText(const std::string& text) override;

 private:
  bool m_bOpen = false;
};

#endif  // SONOMOT_FRONTENDS_WIN32_WIN32_CLIPBOARD_H_
