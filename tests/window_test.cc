// The window program end to end: the main dialog on the Qt back end, driven
// by Qt's own key, mouse, drop and close events.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QFile>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

#include "app/app_run.h"
#include "app/qt_front_end.h"
#include "app/window_display.h"
#include "console/console_font.h"
#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "frontends/qt/qt_console_view.h"
#include "frontends/qt/qt_dialog_window.h"
#include "frontends/qt/qt_fonts.h"
#include "platform/caret.h"
#include "platform/window.h"
#include "tests/glyph_check.h"
#include "tests/window_test_util.h"

// No test here reads the user's own settings file: the settings home is
// a folder that holds none (a test of the settings sets its own).
const bool g_bNoUserSettings = [] {
  std::string strHome = (std::filesystem::temp_directory_path() / "sonomot_no_config").string();
  return setenv("XDG_CONFIG_HOME", strHome.c_str(), 1) == 0;
}();

namespace {

using WindowTest = WindowSession;

int SelectionStart(const EditBuffer& buffer) {
  int nStart = 0;
  int nEnd = 0;
  buffer.GetSel(&nStart, &nEnd);
  return nStart;
}

int SelectionEnd(const EditBuffer& buffer) {
  int nStart = 0;
  int nEnd = 0;
  buffer.GetSel(&nStart, &nEnd);
  return nEnd;
}

QColor Rgb(COLORREF cr) {
  return QColor(cr & 0xFF, (cr >> 8) & 0xFF, (cr >> 16) & 0xFF);
}

TEST_F(WindowTest, StartShowsBannerAndPromptInConsoleColoursWithBlockCaret) {
  const std::string text = Text();
  EXPECT_EQ("root>", LastLine());
  EXPECT_EQ(7, Buffer()->GetLineCount()) << text;  // six banner lines
  EXPECT_NE(std::string::npos, text.find("0.0.0.2")) << text;
  EXPECT_EQ(Buffer()->GetTextLength(), Buffer()->GetCaret());
  EXPECT_TRUE(View()->hasFocus());
  CaretState caret = GetCaretState();
  EXPECT_EQ(View()->GetEditWindow(), caret.hWnd);
  EXPECT_TRUE(caret.bShown);

  // The picture right after start, kept in the build folder to look at.
  QImage shot = Window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_TRUE(shot.save("sonomot_start.png"));

  const QColor background = Rgb(RGB(0, 32, 64));
  const QColor text_colour = Rgb(RGB(64, 255, 255));
  // The caret inverts the dark blue it covers.
  const QColor caret_colour(255 - 0, 255 - 32, 255 - 64);
  int nBackground = 0;
  int nText = 0;
  int nCaret = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      QColor c = shot.pixelColor(x, y);
      if (c == background) ++nBackground;
      // Text is smoothed: count the pixels close to the text colour.
      if (std::abs(c.red() - text_colour.red()) < 24 &&
          std::abs(c.green() - text_colour.green()) < 24 &&
          std::abs(c.blue() - text_colour.blue()) < 24) {
        ++nText;
      }
      if (c == caret_colour) ++nCaret;
    }
  }
  const int nPixels = shot.width() * shot.height();
  EXPECT_GT(nBackground, nPixels / 2);
  EXPECT_GT(nText, 100);
  // A block, not a line: at least its width times its height, less a row.
  EXPECT_GE(nCaret, caret.cx * (caret.cy - 1));
}

TEST_F(WindowTest, DialogHasFixedSizeCaptionAndOnlyACloseBox) {
  CQtDialogWindow* pWindow = Window();
  EXPECT_EQ(QStringLiteral("Sonomot"), pWindow->windowTitle());
  EXPECT_EQ(pWindow->minimumSize(), pWindow->maximumSize());
  EXPECT_EQ(pWindow->size(), pWindow->minimumSize());
  Qt::WindowFlags flags = pWindow->windowFlags();
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(pWindow->windowIcon().isNull());

  // 239 x 115 dialog units of the dialog's font; the console 237 x 115.
  QSize base = CQtDialogWindow::DialogBaseUnits(pWindow->font());
  EXPECT_EQ((239 * base.width() + 2) / 4, pWindow->width());
  EXPECT_EQ((115 * base.height() + 4) / 8, pWindow->height());
  EXPECT_EQ((237 * base.width() + 2) / 4, View()->width());
  EXPECT_EQ(pWindow->height(), View()->height());

  // Centred on the work area of its screen.
  QRect area = pWindow->screen()->availableGeometry();
  QPoint centre = pWindow->frameGeometry().center();
  EXPECT_LE(std::abs(centre.x() - area.center().x()), 1);
  EXPECT_LE(std::abs(centre.y() - area.center().y()), 1);
}

TEST_F(WindowTest, TypedKeysFollowTheConsoleRules) {
  Type("abc");
  EXPECT_EQ("root>abc", LastLine());
  for (int i = 0; i < 6; ++i) Key(Qt::Key_Backspace);
  EXPECT_EQ("root>", LastLine()) << "Backspace must not eat the prompt";

  // Home puts the caret in the prompt; the next character goes to the end.
  Type("xy");
  Key(Qt::Key_Home);
  Type("z");
  EXPECT_EQ("root>xyz", LastLine());

  // A selection reaching into the prompt loses its prompt part.
  Key(Qt::Key_Home, Qt::ShiftModifier);
  Key(Qt::Key_End);
  Key(Qt::Key_Left, Qt::ShiftModifier);
  Key(Qt::Key_Left, Qt::ShiftModifier);
  Key(Qt::Key_Delete);
  EXPECT_EQ("root>x", LastLine());

  // Enter hands the line on; "his" is the console's own.
  Key(Qt::Key_Backspace);
  Type("his");
  Key(Qt::Key_Return);
  EXPECT_EQ("root>", LastLine());
  EXPECT_NE(std::string::npos, Text().find("root>his\r\n\r\nroot>"))
      << Text();
}

TEST_F(WindowTest, RightClickPastesTheFirstClipboardLineAfterTheSelection) {
  QGuiApplication::clipboard()->setText(QStringLiteral("first\r\nsecond"));
  Type("abc");
  for (int i = 0; i < 3; ++i) Key(Qt::Key_Left, Qt::ShiftModifier);
  const int nLineStart = Buffer()->LineIndex(Buffer()->GetLineCount() - 1);
  ASSERT_EQ(nLineStart + 5, SelectionStart(*Buffer()));

  QTest::mouseClick(View()->viewport(), Qt::RightButton, {}, QPoint(20, 20));
  Pump();
  EXPECT_EQ("root>abcfirst", LastLine());
  EXPECT_EQ(Buffer()->GetTextLength(), Buffer()->GetCaret());

  // A clipboard that starts with a line break adds nothing visible.
  QGuiApplication::clipboard()->setText(QStringLiteral("\r\nlater"));
  QTest::mouseClick(View()->viewport(), Qt::RightButton, {}, QPoint(20, 20));
  Pump();
  EXPECT_EQ("root>abcfirst", LastLine());
}

TEST_F(WindowTest, KeyboardPasteInsertsNothing) {
  QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
  Type("ab");
  Key(Qt::Key_V, Qt::ControlModifier);
  Key(Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ("root>ab", LastLine());
}

TEST_F(WindowTest, DropInsertsOnlyTheFirstFileQuoted) {
  Type("Open ");
  auto* pData = new QMimeData;
  pData->setUrls({QUrl::fromLocalFile("/tmp/my songs/first.mid"),
                  QUrl::fromLocalFile("/tmp/second.mid"),
                  QUrl::fromLocalFile("/tmp/third.mid")});
  QWidget* pTarget = View()->viewport();
  QPoint point(30, 30);
  QDragEnterEvent enter(point, Qt::CopyAction, pData, Qt::LeftButton,
                        Qt::NoModifier);
  QCoreApplication::sendEvent(pTarget, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(point), Qt::CopyAction, pData, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(pTarget, &drop);
  Pump();
  delete pData;
  EXPECT_EQ("root>Open \"/tmp/my songs/first.mid\"", LastLine());
}

TEST_F(WindowTest, LongDroppedPathIsCutWithoutBreakingACharacter) {
  // 253 bytes, then a three-byte character across the 255-byte limit.
  std::string path = "/" + std::string(252, 'd') + "あ.mid";
  auto* pData = new QMimeData;
  pData->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, pData, Qt::LeftButton,
                        Qt::NoModifier);
  QCoreApplication::sendEvent(View()->viewport(), &enter);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, pData, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(View()->viewport(), &drop);
  Pump();
  delete pData;
  EXPECT_EQ("root>\"" + path.substr(0, 253) + "\"", LastLine());
}

TEST_F(WindowTest, ClickOnlyGivesTheFocusAndTheCaretComesBackWhereItWas) {
  Type("abcd");
  Key(Qt::Key_Left, Qt::ShiftModifier);
  Key(Qt::Key_Left, Qt::ShiftModifier);
  const int nEnd = SelectionEnd(*Buffer());
  const int nStart = SelectionStart(*Buffer());
  ASSERT_LT(nStart, nEnd);

  // Another window takes the focus: the caret goes.
  QWidget other;
  other.setFocusPolicy(Qt::StrongFocus);
  other.show();
  other.activateWindow();
  other.setFocus();
  QTest::qWait(20);
  Pump();
  EXPECT_FALSE(View()->hasFocus());
  EXPECT_EQ(nullptr, GetCaretState().hWnd);

  // A click back on the console: focus and block caret again, the
  // selection collapsed to its end, the caret not moved to the click.
  Window()->activateWindow();
  QTest::qWait(20);
  QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
  Pump();
  EXPECT_TRUE(View()->hasFocus());
  EXPECT_EQ(View()->GetEditWindow(), GetCaretState().hWnd);
  EXPECT_TRUE(GetCaretState().bShown);
  EXPECT_EQ(nEnd, SelectionStart(*Buffer()));
  EXPECT_EQ(nEnd, SelectionEnd(*Buffer()));
  EXPECT_EQ("root>abcd", LastLine());
}

TEST_F(WindowTest, MouseOverTheConsoleShowsTheArrow) {
  EXPECT_EQ(Qt::IBeamCursor, View()->viewport()->cursor().shape());
  QTest::mouseMove(View()->viewport(), QPoint(40, 40));
  QTest::mouseMove(View()->viewport(), QPoint(41, 41));
  Pump();
  EXPECT_EQ(Qt::ArrowCursor, View()->viewport()->cursor().shape());
}

TEST_F(WindowTest, ConsoleFontHasEveryGlyphAndTheCaretIsOneBlank) {
  QFont font = View()->GetConsoleFont();
  QFontMetrics metrics(font);
  ConsoleFontChoice choice = ConsoleFontForLevel(g_nFontLevel);
  EXPECT_LE(CellHeight(font), choice.nCellHeight);
  EXPECT_GE(CellHeight(font), choice.nCellHeight - 1);
  EXPECT_EQ(CellHeight(font), View()->GetLineHeight());
  if (g_nFontLevel == 0) {
    EXPECT_EQ(FallbackFamily(choice.pszFace, true), QFontInfo(font).family());
    EXPECT_EQ(QString::fromUtf8(kFallbackFixedFaces[0]), QFontInfo(font).family());
  }
  // Track names read from MIDI files are often Japanese: drawn from the
  // substituted Japanese face, never as boxes.
  EXPECT_TRUE(HasEveryGlyph(font, QStringLiteral("トラック名 ピアノ右手")));
  // Every character the console shows after start exists in the font, so
  // no box is drawn in its place.
  for (QChar c : QString::fromStdString(Text())) {
    if (c == u'\r' || c == u'\n') continue;
    EXPECT_TRUE(metrics.inFont(c))
        << "missing glyph U+" << std::hex << static_cast<int>(c.unicode());
  }
  CaretState caret = GetCaretState();
  CaretSize expected = CaretSizeForBlank(
      g_nFontLevel, metrics.horizontalAdvance(QChar(u' ')), CellHeight(font));
  EXPECT_EQ(expected.cx, caret.cx);
  EXPECT_EQ(expected.cy, caret.cy);
  EXPECT_GT(caret.cx, 1);
}

TEST_F(WindowTest, LongLinesScrollSidewaysAndManyLinesScrollDown) {
  EXPECT_EQ(0, View()->GetHorizontalOffset());
  Type(std::string(150, 'w').c_str());
  EXPECT_GT(View()->GetHorizontalOffset(), 0);
  Key(Qt::Key_Home);
  EXPECT_EQ(0, View()->GetHorizontalOffset());
  Key(Qt::Key_End);

  for (int i = 0; i < 12; ++i) {
    Type("his");
    Key(Qt::Key_Return);
  }
  QScrollBar* pBar = View()->verticalScrollBar();
  EXPECT_GT(pBar->maximum(), 0);
  EXPECT_EQ(pBar->maximum(), pBar->value()) << "the prompt stays in view";
}

TEST_F(WindowTest, CaretStandsAfterTheCharactersDrawnTabsWidened) {
  const int cxBlank = QFontMetrics(View()->GetConsoleFont())
                          .horizontalAdvance(QChar(u' '));
  auto caretX = [&] {
    QWidget* pView = View();  // the public query of QWidget
    return pView->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
  };
  const int x0 = caretX() - 5 * cxBlank;  // after "root>"
  Type("a");
  EXPECT_EQ(x0 + 6 * cxBlank, caretX());
  Key(Qt::Key_Tab);  // to the tab stop at column 8
  Type("b");
  EXPECT_EQ("root>a\tb", LastLine());
  EXPECT_EQ(x0 + 9 * cxBlank, caretX());
}

TEST_F(WindowTest, CloseBoxEndsTheLoopWithExitCodeTwo) {
  Window()->close();
  // The window stays until the dialog decides.
  EXPECT_TRUE(Window()->isVisible());
  EXPECT_EQ(2, m_pLoop->Run());
  EXPECT_FALSE(m_pDlg->IsWindow());
  m_pBackEnd->Sync();
  EXPECT_EQ(nullptr, m_pBackEnd->FindWindow(m_pDlg->m_hWnd));
}

TEST_F(WindowTest, ExitCommandEndsTheLoopWithExitCodeTwo) {
  Type("exit");
  Key(Qt::Key_Return);
  EXPECT_TRUE(m_bQuit);
  EXPECT_EQ(2, m_nQuitCode);
}

// The window program's whole start-up and shutdown: the library bound
// from beside the program, the back end started, the dialog found and shown,
// the close box pressed, everything taken down again.
TEST(WindowProgramTest, RunsFromBindingToTheCloseBoxWithExitStatusZero) {
  CQtFrontEnd frontEnd;
  std::string lastLine;
  QString title;
  bool bFocus = false;
  int nTries = 0;
  std::function<void()> closeWhenShown = [&] {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
      auto* pWindow = dynamic_cast<CQtDialogWindow*>(pWidget);
      if (pWindow == nullptr || !pWindow->isVisible()) continue;
      // The console gets the focus once the window is active.
      if (!pWindow->GetConsoleView()->hasFocus() && ++nTries < 100) break;
      title = pWindow->windowTitle();
      const std::string& text =
          GetEditBuffer(pWindow->GetConsoleView()->GetEditWindow())->GetText();
      lastLine = text.substr(text.rfind("\r\n") + 2);
      bFocus = pWindow->GetConsoleView()->hasFocus();
      pWindow->close();
      return;
    }
    QTimer::singleShot(10, closeWhenShown);
  };
  QTimer::singleShot(0, closeWhenShown);
  EXPECT_EQ(0, RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd));
  EXPECT_EQ(QStringLiteral("Sonomot"), title);
  EXPECT_EQ("root>", lastLine);
  EXPECT_TRUE(bFocus);
  EXPECT_EQ(nullptr, frontEnd.GetBackEnd());
  for (QWidget* pWidget : QApplication::topLevelWidgets()) {
    EXPECT_EQ(nullptr, dynamic_cast<CQtDialogWindow*>(pWidget));
  }
}

// A file given on the command line is opened once the window is up, as if
// Open "FILE" had been typed: the line shows at the prompt and is in the
// history, and the prompt becomes midi>.
TEST(WindowProgramTest, OpensTheFileGivenOnItsCommandLine) {
  CQtFrontEnd frontEnd(SONOMOT_SOURCE_DIR "/examples/demo.mid");
  std::string text;
  int nTries = 0;
  std::function<void()> closeWhenOpened = [&] {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
      auto* pWindow = dynamic_cast<CQtDialogWindow*>(pWidget);
      if (pWindow == nullptr || !pWindow->isVisible()) continue;
      text = GetEditBuffer(pWindow->GetConsoleView()->GetEditWindow())->GetText();
      if (text.size() < 5 || text.compare(text.size() - 5, 5, "midi>") != 0) {
        if (++nTries < 500) break;
      }
      pWindow->close();
      return;
    }
    QTimer::singleShot(10, closeWhenOpened);
  };
  QTimer::singleShot(0, closeWhenOpened);
  EXPECT_EQ(0, RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd));
  EXPECT_NE(std::string::npos,
            text.find("\r\nroot>Open \"" SONOMOT_SOURCE_DIR "/examples/demo.mid\"\r\n"
                      "File Open \"demo.mid\".\r\n"))
      << text;
  EXPECT_NE(std::string::npos, text.find("[Track] 001 Piano \r\n")) << text;
  EXPECT_EQ("midi>", text.substr(text.size() - 5)) << text;
}

// Typed at, a damaged file's warning follows the line that names it and a
// failure's reason follows its answer, in lines of at most 64 columns.
TEST(WindowProgramTest, ReasonsAndWarningsAreConsoleLinesThatFit) {
  // Six tracks of one note each, cut inside the third.
  std::string track("MTrk\0\0\0\x0c\0\x90\x3c\x40\x60\x80\x3c\x40\0\xff\x2f\0", 20);
  std::string file = std::string("MThd\0\0\0\x06\0\x01\0\x06\x01\xe0", 14) + track + track;
  file += track.substr(0, 12);
  QTemporaryDir folder;
  std::string path = folder.filePath("short.mid").toStdString();
  std::ofstream(path, std::ios::binary) << file;
  CQtFrontEnd frontEnd(path);
  std::string text;
  bool bTyped = false;
  int nTries = 0;
  auto endsWith = [&text](const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
  };
  std::function<void()> typeThenClose = [&] {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
      auto* pWindow = dynamic_cast<CQtDialogWindow*>(pWidget);
      if (pWindow == nullptr || !pWindow->isVisible()) continue;
      text = GetEditBuffer(pWindow->GetConsoleView()->GetEditWindow())->GetText();
      if (!bTyped && endsWith("midi>")) {
        // Before conv pr: refused.
        QTest::keyClicks(pWindow->GetConsoleView(), QStringLiteral("export x.vmd"));
        QTest::keyClick(pWindow->GetConsoleView(), Qt::Key_Return);
        bTyped = true;
        break;
      }
      bool bAnswered = text.find("export x.vmd\r\n") != std::string::npos && endsWith("\r\nmidi>");
      if (!bAnswered && ++nTries < 500) break;
      pWindow->close();
      return;
    }
    QTimer::singleShot(10, typeThenClose);
  };
  QTimer::singleShot(0, typeThenClose);
  EXPECT_EQ(0, RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd));
  EXPECT_NE(std::string::npos,
            text.find("File Open \"short.mid\".\r\n"
                      "(warning: ends inside track 3 of 6 (4 of its 12 bytes); tracks 4\r\n"
                      " to 6 are missing)\r\n\r\n"))
      << text;
  EXPECT_NE(std::string::npos,
            text.find("midi>export x.vmd\r\nfile not ready.\r\n"
                      "(conv pr has not been run on the loaded file)\r\nmidi>"))
      << text;
}

// Run by the test below in a folder without the MIDI data library: the
// window program's start-up shows its one message box and no window, and
// returns 1. Disabled here, where the library is beside the program.
TEST(WindowProgramTest, DISABLED_StartsWithoutTheLibrary) {
  if (QFile::exists(QCoreApplication::applicationDirPath() +
                    QStringLiteral("/libMIDIData.so"))) {
    GTEST_SKIP() << "the library is here";
  }
  int nBoxes = 0;
  int nWindowsWithBox = -1;
  QString text;
  std::function<void()> answerBox = [&] {
    auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (pBox == nullptr) {
      QTimer::singleShot(10, answerBox);
      return;
    }
    ++nBoxes;
    text = pBox->text();
    nWindowsWithBox = 0;
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
      if (pWidget->isVisible()) ++nWindowsWithBox;
    }
    pBox->button(QMessageBox::Ok)->click();
  };
  QTimer::singleShot(0, answerBox);
  CQtFrontEnd frontEnd;
  EXPECT_EQ(1, RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd));
  EXPECT_EQ(1, nBoxes);
  // Then where it looked and the loader's reason.
  EXPECT_TRUE(text.startsWith(QString::fromUtf8("libMIDIData.soが読み込めません\n(looked for ") +
                              QCoreApplication::applicationDirPath() +
                              QStringLiteral("/libMIDIData.so: cannot open shared object file")))
      << text.toStdString();
  EXPECT_EQ(1, nWindowsWithBox) << "the box alone, no dialog";
  for (QWidget* pWidget : QApplication::topLevelWidgets()) {
    EXPECT_EQ(nullptr, dynamic_cast<CQtDialogWindow*>(pWidget));
  }
}

TEST(WindowProgramTest, WithoutTheLibraryOnlyAMessageBoxAndExitStatusOne) {
  // This test program, alone in a folder of its own.
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QString program = folder.filePath(QStringLiteral("window_test"));
  ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), program));
  QProcess child;
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(program, {QStringLiteral("--gtest_also_run_disabled_tests"),
                        QStringLiteral("--gtest_filter=WindowProgramTest."
                                       "DISABLED_StartsWithoutTheLibrary")});
  ASSERT_TRUE(child.waitForFinished(60000));
  QString output = QString::fromUtf8(child.readAll());
  EXPECT_EQ(QProcess::NormalExit, child.exitStatus());
  EXPECT_EQ(0, child.exitCode()) << output.toStdString();
  EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test")))
      << output.toStdString();
}

// Without a display to show the window on, the program says so in one line
// and ends as a failed start-up does (exit status 1), where Qt would abort;
// a platform that needs no display is never refused.
TEST(WindowProgramTest, WithoutADisplayOneLineAndExitStatusOne) {
  struct Case {
    std::vector<const char*> args;
    std::map<std::string, std::string> env;
    bool bRefused;
  } cases[] = {
      {{}, {}, true},
      {{}, {{"DISPLAY", ""}}, true},
      {{}, {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{"-platform", "xcb"}, {{"QT_QPA_PLATFORM", "offscreen"}}, true},
      {{}, {{"DISPLAY", ":0"}}, false},
      {{}, {{"WAYLAND_DISPLAY", "wayland-0"}}, false},
      {{"-display", ":1"}, {{"QT_QPA_PLATFORM", "xcb"}}, false},
      {{}, {{"QT_QPA_PLATFORM", "offscreen"}}, false},
      {{}, {{"QT_QPA_PLATFORM", "minimal:enable_fonts"}}, false},
      {{"--platform", "offscreen"}, {}, false},
      {{}, {{"QT_QPA_PLATFORM", "wayland;xcb"}}, false},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv = {const_cast<char*>("sonomot")};
    for (const char* psz : c.args) argv.push_back(const_cast<char*>(psz));
    std::string reason = FindMissingDisplay(
        static_cast<int>(argv.size()), argv.data(), [&c](const char* pszName) {
          auto it = c.env.find(pszName);
          return it == c.env.end() ? nullptr : it->second.c_str();
        });
    std::string label = (c.args.empty() ? "" : c.args[0]) +
                        std::string(c.env.empty() ? "" : " " + c.env.begin()->first +
                                                              "=" + c.env.begin()->second);
    EXPECT_EQ(c.bRefused, !reason.empty()) << label << ": " << reason;
  }

  // The program itself: no display named, and one named that isn't there.
  QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/sonomot");
  if (!QFile::exists(program)) GTEST_SKIP() << "the window program is not built";
  QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
  for (const char* pszName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    base.remove(QString::fromLatin1(pszName));
  }
  QProcessEnvironment unreachable = base;
  unreachable.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  unreachable.insert(QStringLiteral("DISPLAY"), QStringLiteral(":987"));
  for (const auto& [env, expected] :
       {std::pair{base, QStringLiteral("sonomot: no display to show the window on")},
        std::pair{unreachable, QStringLiteral("sonomot: the window can't be shown: ")}}) {
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(program, {});
    ASSERT_TRUE(child.waitForFinished(60000));
    QString error = QString::fromLocal8Bit(child.readAllStandardError());
    EXPECT_EQ(QProcess::NormalExit, child.exitStatus()) << error.toStdString();
    EXPECT_EQ(1, child.exitCode()) << error.toStdString();
    EXPECT_TRUE(error.startsWith(expected)) << error.toStdString();
    EXPECT_EQ(1, error.count(QLatin1Char('\n'))) << error.toStdString();
  }
}

// --help and --version are answered before Qt starts, so they work where no
// display can be opened; Qt's own options are taken by Qt and whatever is
// left is refused with EX_USAGE before any window shows.
TEST(WindowProgramTest, CommandLineIsAnsweredOrRefusedBeforeAnyWindow) {
  QString program =
      QCoreApplication::applicationDirPath() + QStringLiteral("/sonomot");
  auto run = [&](const QStringList& args, const QString& platform) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    child.setProcessEnvironment(env);
    child.start(program, args);
    child.closeWriteChannel();
    bool bFinished = child.waitForFinished(60000);
    if (!bFinished) child.kill();
    EXPECT_TRUE(bFinished) << args.join(' ').toStdString();
    return std::make_tuple(child.exitCode(),
                           QString::fromUtf8(child.readAllStandardOutput()),
                           QString::fromUtf8(child.readAllStandardError()));
  };
  // xcb without a display would end the program if Qt were started.
  auto [nHelp, help, helpErr] = run({QStringLiteral("--help")}, QStringLiteral("xcb"));
  EXPECT_EQ(0, nHelp);
  EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: sonomot [OPTION]... [FILE.mid]\n")))
      << help.toStdString();
  EXPECT_EQ(std::string(), helpErr.toStdString());
  auto [nVersion, version, versionErr] =
      run({QStringLiteral("--version")}, QStringLiteral("xcb"));
  EXPECT_EQ(0, nVersion);
  EXPECT_TRUE(version.startsWith(QStringLiteral(
      "sonomot (Sonomot) 0.0.0.2\nCopyright (C) 2026 Sonomot developers\n"
      "License MIT: <https://opensource.org/license/mit>\n")))
      << version.toStdString();
  // A wrong command line is 64 with no display too, and --help that can't
  // be written is a failure.
  auto [nBogus, bogus, bogusErr] = run({QStringLiteral("--bogus")}, QStringLiteral("xcb"));
  EXPECT_EQ(64, nBogus) << bogusErr.toStdString();
  EXPECT_TRUE(bogusErr.startsWith(QStringLiteral("sonomot: unrecognized option '--bogus'\n")))
      << bogusErr.toStdString();
  {
    QProcess full;
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(program, {QStringLiteral("--help")});
    ASSERT_TRUE(full.waitForFinished(60000));
    EXPECT_EQ(1, full.exitCode());
    EXPECT_EQ(QStringLiteral("sonomot: standard output can't be written: No space left on device\n"),
              QString::fromLocal8Bit(full.readAllStandardError()));
  }

  // Qt takes "-platform offscreen" itself; Qt may also have said something
  // of its own first (a missing runtime folder).
  const std::pair<QStringList, QString> refused[] = {
      {{QStringLiteral("-platform"), QStringLiteral("offscreen"),
        QStringLiteral("--bogus")},
       QStringLiteral("unrecognized option '--bogus'")},
      {{QStringLiteral("a.mid"), QStringLiteral("b.mid")},
       QStringLiteral("unexpected argument 'b.mid'")},
  };
  for (const auto& [args, reason] : refused) {
    auto [nExit, out, err] = run(args, QStringLiteral("offscreen"));
    EXPECT_EQ(64, nExit) << reason.toStdString();
    EXPECT_EQ(QString(), out);
    EXPECT_TRUE(err.endsWith(QStringLiteral("sonomot: ") + reason +
                             QStringLiteral("\nTry 'sonomot --help' for more "
                                            "information.\n")))
        << err.toStdString();
  }
}

}  // namespace
