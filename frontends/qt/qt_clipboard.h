// The desktop's clipboard behind the platform clipboard interface.
#ifndef SONOMOT_FRONTENDS_QT_QT_CLIPBOARD_H_
#define SONOMOT_FRONTENDS_QT_QT_CLIPBOARD_H_

#include "platform/clipboard.h"

// Text travels as UTF-8. Qt's clipboard is never busy, so Open fails only
// while this object already has it open.
class CQtClipboard : public CClipboard {
 public:
  BOOL Open(HWND hOwner) override;
  void Close() override;
  BOOL GetText(std::string* pText) override;
  BOOL SetText(const std::string& text) override;

 private:
  bool m_bOpen = false;
};

#endif  // SONOMOT_FRONTENDS_QT_QT_CLIPBOARD_H_
