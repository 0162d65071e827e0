#include "frontends/qt/qt_keys.h"

#include <QList>

#include "platform/message_queue.h"
#include "platform/messages.h"

namespace {

UINT VirtualKeyOf(int nKey) {
  if (nKey >= Qt::Key_A && nKey <= Qt::Key_Z) {
    return static_cast<UINT>('A' + (nKey - Qt::Key_A));
  }
  if (nKey >= Qt::Key_0 && nKey <= Qt::Key_9) {
    return static_cast<UINT>('0' + (nKey - Qt::Key_0));
  }
  if (nKey >= Qt::Key_F1 && nKey <= Qt::Key_F24) {
    return static_cast<UINT>(0x70 + (nKey - Qt::Key_F1));  // VK_F1 ...
  }
  switch (nKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return 0x20;  // VK_SPACE
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default: return 0;
  }
}

}  // namespace

KeyTranslation TranslateQtKey(int nKey, Qt::KeyboardModifiers modifiers,
                              const QString& text) {
  KeyTranslation key;
  key.nVirtKey = VirtualKeyOf(nKey);
  const bool bCtrl = modifiers.testFlag(Qt::ControlModifier);
  if (modifiers.testFlag(Qt::ShiftModifier)) key.dwKeyState |= KEYSTATE_SHIFT;
  if (bCtrl) key.dwKeyState |= KEYSTATE_CONTROL;

  switch (nKey) {
    case Qt::Key_Backspace:
      key.chars.push_back(8);
      return key;
    case Qt::Key_Tab:
      key.chars.push_back(9);
      return key;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      key.chars.push_back(13);
      return key;
    case Qt::Key_Escape:
      key.chars.push_back(27);
      return key;
    default:
      break;
  }
  if (bCtrl) {
    // With Ctrl only the letters type, as their control characters.
    if (nKey >= Qt::Key_A && nKey <= Qt::Key_Z) {
      key.chars.push_back(static_cast<char32_t>(1 + (nKey - Qt::Key_A)));
    }
    return key;
  }
  for (char32_t c : text.toUcs4()) {
    if (c < 0x20 || c == 0x7F) continue;
    key.chars.push_back(c);
  }
  return key;
}
