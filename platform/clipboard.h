// The clipboard. The console copies and cuts into it and pastes its first
// line on a right click. Back ends install their own (the window back end:
// the desktop's clipboard); without one the in-memory clipboard below is
// used, which is also what tests use.
#ifndef SONOMOT_PLATFORM_CLIPBOARD_H_
#define SONOMOT_PLATFORM_CLIPBOARD_H_

#include <string>

#include "platform/win_types.h"

class CClipboard {
 public:
  virtual ~CClipboard() = default;
  // Opens the clipboard for hOwner; FALSE when it is busy. Every successful
  // Open must be followed by Close.
  virtual BOOL Open(HWND hOwner) = 0;
  virtual void Close() = 0;
  // The text on the clipboard (bytes as stored); FALSE when it holds none.
  // REQUIRES: open.
  virtual BOOL GetText(std::string* pText) = 0;
  // Replaces the clipboard's content by the text. REQUIRES: open.
  virtual BOOL SetText(const std::string& text) = 0;
};

// A clipboard in memory. It can be made busy, and it counts opens and
// closes, so tests can check that every open is closed.
class CMemoryClipboard : public CClipboard {
 public:
  BOOL Open(HWND hOwner) override;
  void Close() override;
  BOOL GetText(std::string* pText) override;
  BOOL SetText(const std::string& text) override;

  bool m_bBusy = false;  // Open fails while set
  bool m_bOpen = false;
  bool m_bHasText = false;
  std::string m_text;
  int m_nOpens = 0;
  int m_nCloses = 0;
};

// The clipboard in use. Never null: the program's in-memory clipboard when
// none is installed.
CClipboard* GetClipboard();
// Installs a clipboard (not owned); null returns to the in-memory one.
// Returns the previous one.
CClipboard* SetClipboard(CClipboard* pClipboard);

#endif  // SONOMOT_PLATFORM_CLIPBOARD_H_
