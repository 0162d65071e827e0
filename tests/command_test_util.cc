#include "tests/command_test_util.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "commands/command_args.h"
#include "console/display_width.h"
#include "midibind/midi_binding.h"
#include "platform/message_box.h"
#include "platform/window.h"

// Start-up errors of the binding would show a message box; in the tests
// they fail the test instead.
int MessageBoxA(HWND, const char* pszText, const char*, UINT) {
  ADD_FAILURE() << "message box: " << pszText;
  return 1;
}

CloseCountingWindow::CloseCountingWindow() {
  m_hWnd = CreatePlatformWindow(
      nullptr, 0, [this](HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (uMsg == WM_CLOSE) {
          CountClose();
          return 0;
        }
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
      });
}
CloseCountingWindow::~CloseCountingWindow() { DestroyWindow(m_hWnd); }

namespace {

std::string ShowLineBreaks(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      out += '\n';
      ++i;
    } else if (text[i] == '\n') {
      out += "\\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

void AppendVarLen(std::vector<uint8_t>* pOut, uint32_t nValue) {
  uint8_t bytes[5];
  int n = 0;
  bytes[n++] = nValue & 0x7F;
  while ((nValue >>= 7) != 0) bytes[n++] = static_cast<uint8_t>(0x80 | (nValue & 0x7F));
  while (n > 0) pOut->push_back(bytes[--n]);
}

void AppendBigEndian(std::vector<uint8_t>* pOut, uint32_t nValue, int nBytes) {
  for (int i = nBytes - 1; i >= 0; --i) pOut->push_back((nValue >> (8 * i)) & 0xFF);
}

}  // namespace

CommandTest::CommandTest() {
  m_console.SetWriteListener(
      [this](std::string_view text) { m_transcript.append(text); });
}

void MidiCommandTest::SetUp() {
  if (midilib::MIDIData_LoadFromSMF == nullptr) {
    ASSERT_TRUE(BindMidiDataLibrary()) << "libMIDIData.so beside the test";
  }
  CommandTest::SetUp();
}

void MidiCommandTest::PrepareTrack(const char* pszTrack) {
  std::string path = WriteFile("one.mid", SmfBuilder(1, 480)
                                              .Track()
                                              .Meta(0, 0x03, "Piano")
                                              .Event(0, {0x90, 60, 100})
                                              .Event(480, {0x80, 60, 0})
                                              .EndOfTrack()
                                              .Build());
  TypeAll({("Open " + path).c_str(), "conv pr", pszTrack});
  TakeTranscript();
}

void CommandTest::SetUp() {
  m_pProcessor = std::make_unique<CommandProcessor>(&m_console, m_mainWindow.GetHandle());
  const testing::TestInfo* pInfo = testing::UnitTest::GetInstance()->current_test_info();
  m_folder = (std::filesystem::temp_directory_path() /
              ("sonomot_" + std::to_string(getpid()) + "_" + pInfo->test_suite_name() +
               "_" + pInfo->name()))
                 .string();
  std::filesystem::remove_all(m_folder);
  std::filesystem::create_directories(m_folder);
}

void CommandTest::Type(const std::string& line) {
  m_console.WriteText(m_console.GetPrompt().c_str());
  m_console.WriteText((line + "\r\n").c_str());
  CommandArgs args;
  args.Tokenize(line.c_str());
  m_pProcessor->Dispatch(&args);
}

void CommandTest::EnterMode(const std::string& prompt) {
  for (Mode mode : kEachMode) {
    if (prompt == PromptOf(mode)) return m_pProcessor->SetMode(mode);
  }
  ADD_FAILURE() << "no mode has the prompt " << prompt;
}

void CommandTest::TypeAll(std::initializer_list<const char*> lines) {
  for (const char* pszLine : lines) Type(pszLine);
}

std::string CommandTest::TakeTranscript() {
  std::string text = ShowLineBreaks(m_transcript);
  m_transcript.clear();
  return text;
}

std::string CommandTest::TempPath(const std::string& name) const {
  return m_folder + "/" + name;
}

std::string CommandTest::WriteFile(const std::string& name,
                                   const std::vector<uint8_t>& bytes) const {
  std::string path = TempPath(name);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return path;
}

SmfBuilder& SmfBuilder::Track() {
  m_tracks.emplace_back();
  return *this;
}

SmfBuilder& SmfBuilder::Event(uint32_t nDelta, std::initializer_list<uint8_t> bytes) {
  AppendVarLen(&m_tracks.back(), nDelta);
  m_tracks.back().insert(m_tracks.back().end(), bytes);
  return *this;
}

SmfBuilder& SmfBuilder::Meta(uint32_t nDelta, uint8_t nType, const std::string& data) {
  AppendVarLen(&m_tracks.back(), nDelta);
  m_tracks.back().push_back(0xFF);
  m_tracks.back().push_back(nType);
  AppendVarLen(&m_tracks.back(), static_cast<uint32_t>(data.size()));
  m_tracks.back().insert(m_tracks.back().end(), data.begin(), data.end());
  return *this;
}

SmfBuilder& SmfBuilder::Notes(int nCount) {
  for (int i = 0; i < nCount; ++i) {
    Event(1, {0x90, 60, 100});
    Event(1, {0x80, 60, 0});
  }
  return *this;
}

std::vector<uint8_t> SmfBuilder::Build() const {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  AppendBigEndian(&out, static_cast<uint32_t>(m_nFormat), 2);
  AppendBigEndian(&out, static_cast<uint32_t>(m_tracks.size()), 2);
  AppendBigEndian(&out, static_cast<uint32_t>(m_nDivision), 2);
  for (const std::vector<uint8_t>& track : m_tracks) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    AppendBigEndian(&out, static_cast<uint32_t>(track.size()), 4);
    out.insert(out.end(), track.begin(), track.end());
  }
  return out;
}

std::string ConsoleLines(const std::string& line, size_t nIndent) {
  std::string text;
  for (const std::string& part : WrapToWidth(line, kConsoleColumns, nIndent)) text += part + "\n";
  return text;
}
