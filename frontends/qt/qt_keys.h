// How a Qt key press becomes the console's key messages: the virtual-key
// code of WM_KEYDOWN, the characters of the WM_CHARs that follow it, and the
// Shift and Ctrl state that travels with them.
#ifndef SONOMOT_FRONTENDS_QT_QT_KEYS_H_
#define SONOMOT_FRONTENDS_QT_QT_KEYS_H_

#include <QString>
#include <Qt>
#include <vector>

#include "platform/win_types.h"

struct KeyTranslation {
  UINT nVirtKey = 0;               // 0: the key has no WM_KEYDOWN of ours
  std::vector<char32_t> chars;     // WM_CHAR code points, in order
  DWORD dwKeyState = 0;            // KEYSTATE_SHIFT | KEYSTATE_CONTROL
};

// nKey is a Qt::Key, text the key's text as Qt reports it. Control keys make
// their Windows characters whatever Qt's text says: Backspace 8, Tab 9,
// Enter and Return 13, Escape 27, Ctrl with a letter 1 to 26 (so Ctrl+V is
// 22, the edit control's paste). Other control characters in text are
// dropped; printable text becomes one WM_CHAR per code point.
KeyTranslation TranslateQtKey(int nKey, Qt::KeyboardModifiers modifiers,
                              const QString& text);

#endif  // SONOMOT_FRONTENDS_QT_QT_KEYS_H_
