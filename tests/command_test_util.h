// Shared fixtures of the command tests: a console with a transcript, a main
// window that counts WM_CLOSE, and Standard MIDI Files built byte by byte.
#ifndef SONOMOT_TESTS_COMMAND_TEST_UTIL_H_
#define SONOMOT_TESTS_COMMAND_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "commands/command_processor.h"
#include "console/console_output.h"
#include "console/edit_buffer.h"
#include "platform/win_types.h"

// A main window whose only job is to count the WM_CLOSE it receives.
class CloseCountingWindow {
 public:
  CloseCountingWindow();
  ~CloseCountingWindow();
  HWND GetHandle() const { return m_hWnd; }
  int GetCloseCount() const { return m_nCloseCount; }
  void CountClose() { ++m_nCloseCount; }

 private:
  HWND m_hWnd = nullptr;
  int m_nCloseCount = 0;
};

// A console and a processor as the main dialog sets them up. Type() enters
// a line the way the console does: the line and CR LF after the prompt,
// then Dispatch, then the current prompt. The transcript keeps everything
// written, beyond the 80-line limit too, with CR LF shown as a line break
// and a lone LF as the two characters \n.
class CommandTest : public testing::Test {
 protected:
  CommandTest();
  void SetUp() override;
  void Type(const std::string& line);
  void TypeAll(std::initializer_list<const char*> lines);
  // The transcript since the last call, then forgets it.
  std::string TakeTranscript();
  std::string Prompt() const { return m_console.GetPrompt(); }
  // Puts the processor in the mode whose prompt is pszPrompt, data or not.
  void EnterMode(const std::string& prompt);
  // A path in a fresh folder of this test.
  std::string TempPath(const std::string& name) const;
  std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const;

  EditBuffer m_buffer;
  ConsoleOutput m_console{&m_buffer};
  CloseCountingWindow m_mainWindow;
  std::unique_ptr<CommandProcessor> m_pProcessor;
  std::string m_transcript;
  std::string m_folder;
};

// The same with the MIDI data library bound, as the program binds it.
class MidiCommandTest : public CommandTest {
 protected:
  void SetUp() override;
  // Opens a one-note file ("Piano", key 60 for a quarter note), converts
  // it and types the track command given; the transcript is taken.
  void PrepareTrack(const char* pszTrack);
};

// A line of the program's own as the console shows it: wrapped within its
// 64 columns, further lines indented by nIndent, each line ending in a
// line break (for lines that hold a path of the test's, whose length
// varies).
std::string ConsoleLines(const std::string& line, size_t nIndent = 2);

// Standard MIDI File bytes.
class SmfBuilder {
 public:
  SmfBuilder(int nFormat, int nDivision) : m_nFormat(nFormat), m_nDivision(nDivision) {}
  // Starts a new track; the events below go into it.
  SmfBuilder& Track();
  // One event: its delta time and its bytes (status included).
  SmfBuilder& Event(uint32_t nDelta, std::initializer_list<uint8_t> bytes);
  SmfBuilder& Meta(uint32_t nDelta, uint8_t nType, const std::string& data);
  SmfBuilder& EndOfTrack(uint32_t nDelta = 0) { return Meta(nDelta, 0x2F, ""); }
  // nCount note-on/note-off pairs on key 60, channel 0, one tick apart.
  SmfBuilder& Notes(int nCount);
  std::vector<uint8_t> Build() const;

 private:
  int m_nFormat;
  int m_nDivision;
  std::vector<std::vector<uint8_t>> m_tracks;
};

#endif  // SONOMOT_TESTS_COMMAND_TEST_UTIL_H_
