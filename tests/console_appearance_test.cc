// The console's font, caret and focus handling over the platform's
// in-memory font system: which face Initialize asks for, given the installed
// families, and the block caret the focus gives.
#include <gtest/gtest.h>

#include "console/console_font.h"
#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "console/shell_edit.h"
#include "platform/caret.h"
#include "platform/dialog.h"
#include "platform/font.h"

namespace {

class ConsoleAppearanceTest : public testing::Test {
 protected:
  void SetUp() override {
    g_nFontLevel = 0;  // a fresh run
    m_fonts.m_cx = 8;
    m_fonts.m_cy = 20;
    m_pPrevious = SetFontSystem(&m_fonts);
    // An owner that reflects its control's notifications, as the dialog.
    m_hOwner = CreatePlatformWindow(
        nullptr, 0, [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
          LRESULT lResult = 0;
          if (ReflectNotifications(h, m, w, l, lResult)) return lResult;
          return DefDlgProcA(h, m, w, l);
        });
    m_hEdit = CreateEditControl(m_hOwner, 1000);
  }
  void TearDown() override {
    SetFocus(nullptr);
    DestroyWindow(m_hOwner);
    DestroyCaret();
    SetFontSystem(m_pPrevious);
  }

  // Initializes a console with these families installed; returns its font.
  HFONT Start(std::vector<FontFamilyInfo> families) {
    m_fonts.m_families = std::move(families);
    EXPECT_TRUE(m_console.Initialize(m_hEdit));
    return m_console.GetFont();
  }

  CFixedCellFontSystem m_fonts;
  CFontSystem* m_pPrevious = nullptr;
  HWND m_hOwner = nullptr;
  HWND m_hEdit = nullptr;
  CShellEditBox m_console;
};

TEST_F(ConsoleAppearanceTest, MeiryoWhenTheOnlyMeiryoKeConsoleIsABitmapFont) {
  HFONT hFont = Start({{"MeiryoKe_Console", false},
                       {"MS ゴシック", true},
                       {"メイリオ", true}});
  ASSERT_NE(nullptr, hFont);
  EXPECT_EQ("メイリオ", hFont->face);
  EXPECT_EQ(16, hFont->nHeight);
  EXPECT_EQ(FW_LIGHT, hFont->nWeight);
  EXPECT_TRUE(hFont->bFixedPitch);
  EXPECT_EQ(hFont, reinterpret_cast<HFONT>(
                       SendMessageA(m_hEdit, WM_GETFONT, 0, 0)));

  // Focus: a block one pixel wider and three shorter than a blank.
  SetFocus(m_hEdit);
  CaretState caret = GetCaretState();
  EXPECT_EQ(m_hEdit, caret.hWnd);
  EXPECT_TRUE(caret.bShown);
  EXPECT_EQ(9, caret.cx);
  EXPECT_EQ(17, caret.cy);
}

TEST_F(ConsoleAppearanceTest, MeiryoKeConsoleWinsOverMsGothic) {
  HFONT hFont = Start({{"MS ゴシック", true}, {"MeiryoKe_Console", true}});
  EXPECT_EQ("MeiryoKe_Console", hFont->face);
  EXPECT_EQ(12, hFont->nHeight);
  SetFocus(m_hEdit);
  EXPECT_EQ(8, GetCaretState().cx);
  EXPECT_EQ(19, GetCaretState().cy);
}

TEST_F(ConsoleAppearanceTest, NoKnownFaceStillAsksForMsGothic) {
  HFONT hFont = Start({{"DejaVu Sans Mono", true}, {"Meiryo UI", true}});
  EXPECT_EQ("MS ゴシック", hFont->face);
  EXPECT_EQ(12, hFont->nHeight);
}

TEST_F(ConsoleAppearanceTest, CaretLivesWithTheFocusAndComesBackCollapsed) {
  Start({});
  EditBuffer* pBuffer = GetEditBuffer(m_hEdit);
  ASSERT_NE(nullptr, pBuffer);
  m_console.WriteText("root>abcdef");
  SetFocus(m_hEdit);
  EXPECT_EQ(m_hEdit, GetCaretState().hWnd);
  pBuffer->SetSel(7, 10);

  SetFocus(nullptr);
  EXPECT_EQ(nullptr, GetCaretState().hWnd);
  int nStart = 0;
  int nEnd = 0;
  pBuffer->GetSel(&nStart, &nEnd);
  EXPECT_EQ(7, nStart) << "the selection waits for the focus";

  SetFocus(m_hEdit);
  pBuffer->GetSel(&nStart, &nEnd);
  EXPECT_EQ(10, nStart);
  EXPECT_EQ(10, nEnd);
  EXPECT_TRUE(GetCaretState().bShown);
}

}  // namespace
