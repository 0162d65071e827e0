#include "frontends/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

BOOL CQtClipboard::Open(HWND) {
  if (m_bOpen) return FALSE;
  m_bOpen = true;
  return TRUE;
}

void CQtClipboard::Close() { m_bOpen = false; }

BOOL CQtClipboard::GetText(std::string* pText) {
  const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
  if (pData == nullptr || !pData->hasText()) return FALSE;
  *pText = pData->text().toStdString();
  return TRUE;
}

BOOL CQtClipboard::SetText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  return TRUE;
}
