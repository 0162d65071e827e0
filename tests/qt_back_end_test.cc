// The Qt back end's parts on their own: key translation, fonts, clipboard,
// message box, and the application icon.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>

#include "console/console_font.h"
#include "frontends/qt/qt_clipboard.h"
#include "frontends/qt/qt_fonts.h"
#include "frontends/qt/qt_keys.h"
#include "midibind/midi_binding.h"
#include "platform/font.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "resources/app_icon.h"
#include "resources/icon_sizes.h"
#include "tests/glyph_check.h"
#include "tests/window_test_util.h"
#ifdef SONOMOT_HAVE_QT_SVG
#include <QSvgRenderer>
#endif

namespace {

TEST(QtKeysTest, ControlKeysBecomeTheirWindowsCharacters) {
  struct Case {
    int nKey;
    Qt::KeyboardModifiers modifiers;
    const char* pszText;
    UINT nVirtKey;
    std::vector<char32_t> chars;
    DWORD dwKeyState;
  } cases[] = {
      {Qt::Key_A, Qt::NoModifier, "a", 'A', {U'a'}, 0},
      {Qt::Key_A, Qt::ShiftModifier, "A", 'A', {U'A'}, KEYSTATE_SHIFT},
      {Qt::Key_V, Qt::ControlModifier, "\x16", 'V', {22}, KEYSTATE_CONTROL},
      {Qt::Key_V, Qt::ControlModifier, "v", 'V', {22}, KEYSTATE_CONTROL},
      {Qt::Key_A, Qt::ControlModifier, "", 'A', {1}, KEYSTATE_CONTROL},
      {Qt::Key_Return, Qt::NoModifier, "\r", VK_RETURN, {13}, 0},
      {Qt::Key_Enter, Qt::KeypadModifier, "\r", VK_RETURN, {13}, 0},
      {Qt::Key_Backspace, Qt::NoModifier, "\b", VK_BACK, {8}, 0},
      {Qt::Key_Escape, Qt::NoModifier, "\x1b", VK_ESCAPE, {27}, 0},
      {Qt::Key_Tab, Qt::NoModifier, "\t", VK_TAB, {9}, 0},
      {Qt::Key_Left, Qt::ShiftModifier, "", VK_LEFT, {}, KEYSTATE_SHIFT},
      {Qt::Key_Insert, Qt::ShiftModifier, "", VK_INSERT, {}, KEYSTATE_SHIFT},
      {Qt::Key_Delete, Qt::NoModifier, "\x7f", VK_DELETE, {}, 0},
      {Qt::Key_Home, Qt::ControlModifier, "", VK_HOME, {}, KEYSTATE_CONTROL},
      {Qt::Key_PageUp, Qt::NoModifier, "", VK_PRIOR, {}, 0},
      {Qt::Key_Space, Qt::NoModifier, " ", 0x20, {U' '}, 0},
      {Qt::Key_5, Qt::NoModifier, "5", '5', {U'5'}, 0},
      {Qt::Key_unknown, Qt::NoModifier, "ト", 0, {U'ト'}, 0},
      {Qt::Key_Shift, Qt::ShiftModifier, "", VK_SHIFT, {}, KEYSTATE_SHIFT},
  };
  for (const Case& c : cases) {
    KeyTranslation key =
        TranslateQtKey(c.nKey, c.modifiers, QString::fromUtf8(c.pszText));
    EXPECT_EQ(c.nVirtKey, key.nVirtKey) << std::hex << c.nKey;
    EXPECT_EQ(c.chars, key.chars) << std::hex << c.nKey;
    EXPECT_EQ(c.dwKeyState, key.dwKeyState) << std::hex << c.nKey;
  }
}

TEST(QtFontsTest, InstalledFamiliesAreReportedWithTheirScalability) {
  CQtFontSystem fonts;
  std::vector<FontFamilyInfo> families = fonts.EnumFontFamilies();
  // The set-up script installs every fallback face.
  for (const char* pszFace : kFallbackFixedFaces) {
    auto it = std::find_if(families.begin(), families.end(),
                           [&](const auto& f) { return f.name == pszFace; });
    ASSERT_NE(families.end(), it) << pszFace << " is not installed";
    EXPECT_TRUE(it->bScalable) << pszFace;
  }
}

TEST(QtFontsTest, MissingFaceFallsBackToAFixedFontOfTheCellHeight) {
  for (unsigned nLevel : {0u, 1u, 2u, 4u}) {
    ConsoleFontChoice choice = ConsoleFontForLevel(nLevel);
    HFONT__ request;
    request.face = choice.pszFace;
    request.nHeight = choice.nCellHeight;
    request.nWeight = choice.nWeight;
    request.bFixedPitch = true;
    QFont font = QtFontForRequest(request);
    QFontInfo info(font);
    if (!QFontDatabase::hasFamily(QString::fromUtf8(choice.pszFace))) {
      EXPECT_EQ(QString::fromUtf8(kFallbackFixedFaces[0]), info.family())
          << nLevel;
    }
    QFontMetrics metrics(font);
    EXPECT_LE(CellHeight(font), choice.nCellHeight) << nLevel;
    EXPECT_GE(CellHeight(font), choice.nCellHeight - 1) << nLevel;
    // Every Latin cell as wide as a blank, as in a fixed-pitch face.
    for (QChar c : QStringLiteral("iMW0_>")) {
      EXPECT_EQ(metrics.horizontalAdvance(QChar(u' ')),
                metrics.horizontalAdvance(c)) << nLevel;
    }
    EXPECT_EQ(QFont::Light, font.weight()) << nLevel;
  }
}

TEST(QtFontsTest, TextExtentMeasuresUtf8InTheRequestedFont) {
  CQtFontSystem fonts;
  HFONT hFont = CreateFontA(12, 0, 0, 0, FW_LIGHT, 0, 0, 0, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            CLEARTYPE_QUALITY, FIXED_PITCH | FF_DONTCARE,
                            "MS ゴシック");
  SIZE blank = fonts.GetTextExtent(hFont, " ", 1);
  SIZE three = fonts.GetTextExtent(hFont, "abc", 3);
  EXPECT_GT(blank.cx, 0);
  EXPECT_EQ(3 * blank.cx, three.cx);  // fixed pitch
  EXPECT_EQ(CellHeight(QtFontForRequest(*hFont)), blank.cy);
  // A cut UTF-8 sequence is measured, not read past.
  SIZE cut = fonts.GetTextExtent(hFont, "\xE3\x81", 2);
  EXPECT_GE(cut.cx, 0);
  DeleteObject(hFont);
}

TEST(QtClipboardTest, TextRoundTripsAsUtf8AndEveryOpenCloses) {
  CQtClipboard clipboard;
  ASSERT_TRUE(clipboard.Open(nullptr));
  EXPECT_FALSE(clipboard.Open(nullptr)) << "already open";
  EXPECT_TRUE(clipboard.SetText("トラック 1\r\nline two"));
  std::string text;
  EXPECT_TRUE(clipboard.GetText(&text));
  EXPECT_EQ("トラック 1\r\nline two", text);
  clipboard.Close();
  EXPECT_EQ(QStringLiteral("トラック 1\r\nline two"),
            QGuiApplication::clipboard()->text());

  QGuiApplication::clipboard()->clear();
  ASSERT_TRUE(clipboard.Open(nullptr));
  EXPECT_FALSE(clipboard.GetText(&text));
  clipboard.Close();
}

// Answers the next message box, recording what it showed.
struct MessageBoxSeen {
  QString text;
  QString title;
  QFont font;
  int nButtons = 0;
  bool bOkButton = false;
  int nVisibleWindows = 0;
};

void AnswerNextMessageBox(MessageBoxSeen* pSeen) {
  QTimer::singleShot(0, [pSeen] {
    auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (pBox == nullptr) {
      AnswerNextMessageBox(pSeen);  // not up yet
      return;
    }
    pSeen->text = pBox->text();
    pSeen->title = pBox->windowTitle();
    pSeen->font = pBox->font();
    pSeen->nButtons = static_cast<int>(pBox->buttons().size());
    pSeen->bOkButton = pBox->button(QMessageBox::Ok) != nullptr;
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
      if (pWidget->isVisible()) ++pSeen->nVisibleWindows;
    }
    pBox->button(QMessageBox::Ok)->click();
  });
}

TEST(QtMessageBoxTest, ShowsTheTextWithOnlyAnOkButton) {
  MessageBoxSeen seen;
  AnswerNextMessageBox(&seen);
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "MIDIData_Create", nullptr, MB_OK));
  EXPECT_EQ(QStringLiteral("MIDIData_Create"), seen.text);
  EXPECT_EQ(1, seen.nButtons);
  EXPECT_TRUE(seen.bOkButton);
  EXPECT_TRUE(seen.title.isEmpty())
      << "no caption of the program's own: the system decides";
}

TEST(QtMessageBoxTest, MissingLibraryShowsOneBoxAndNoWindow) {
  MessageBoxSeen seen;
  AnswerNextMessageBox(&seen);
  EXPECT_EQ(0, BindMidiDataLibraryFrom("/nonexistent/libMIDIData.so"));
  EXPECT_EQ(QString::fromUtf8("libMIDIData.soが読み込めません\n(looked for /nonexistent/"
                              "libMIDIData.so: cannot open shared object file: No such file or "
                              "directory)"),
            seen.text);
  // No boxes in place of the kana; a character no installed face has
  // shows that the check can tell.
  EXPECT_TRUE(HasEveryGlyph(seen.font, seen.text));
  EXPECT_FALSE(HasEveryGlyph(seen.font, QString::fromUtf8("\U00013000")));
  EXPECT_EQ(1, seen.nVisibleWindows) << "the box alone";
}

QImage LoadIcon(int nSize) {
  return QImage(QStringLiteral(":/icons/sonomot-%1.png").arg(nSize))
      .convertToFormat(QImage::Format_ARGB32);
}

TEST(IconTest, EverySizeIsBuiltInAndShowsTheKeys) {
  QIcon icon = LoadApplicationIcon();
  ASSERT_FALSE(icon.isNull());
  for (int nSize : kIconSizes) {
    QImage image = LoadIcon(nSize);
    ASSERT_FALSE(image.isNull()) << nSize;
    EXPECT_EQ(QSize(nSize, nSize), image.size());
    EXPECT_EQ(QSize(nSize, nSize), icon.pixmap(nSize, nSize).size());
    // A light white key low in the middle, a dark black key above it.
    QColor white = image.pixelColor(nSize * 3 / 16, nSize * 3 / 4);
    QColor black = image.pixelColor(nSize * 5 / 16, nSize / 4);
    EXPECT_GT(white.lightness(), 200) << nSize;
    EXPECT_LT(black.lightness(), 80) << nSize;
    EXPECT_EQ(0, image.pixelColor(0, 0).alpha()) << "rounded corners";
  }
}

#ifdef SONOMOT_HAVE_QT_SVG
// The PNGs are rendered from the SVG and committed; after a change of the
// SVG they must be rendered again (target icon_pngs).
TEST(IconTest, PngsMatchTheirSvgSource) {
  QSvgRenderer renderer(QStringLiteral(SONOMOT_ICON_SVG));
  ASSERT_TRUE(renderer.isValid());
  for (int nSize : kIconSizes) {
    QImage rendered(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
    rendered.fill(Qt::transparent);
    QPainter painter(&rendered);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    QImage expected = rendered.convertToFormat(QImage::Format_ARGB32);
    QImage committed = LoadIcon(nSize);
    int nDiffering = 0;
    for (int y = 0; y < nSize; ++y) {
      for (int x = 0; x < nSize; ++x) {
        QRgb a = expected.pixel(x, y);
        QRgb b = committed.pixel(x, y);
        if (std::abs(qRed(a) - qRed(b)) > 8 ||
            std::abs(qGreen(a) - qGreen(b)) > 8 ||
            std::abs(qBlue(a) - qBlue(b)) > 8 ||
            std::abs(qAlpha(a) - qAlpha(b)) > 8) {
          ++nDiffering;
        }
      }
    }
    EXPECT_LE(nDiffering, nSize * nSize / 100) << nSize;
  }
}
#endif

}  // namespace
