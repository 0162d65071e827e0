// Binding the MIDI data library by name: a missing library or function is
// reported in exactly one message box and leaves nothing bound.
#include "midibind/midi_binding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "midibind/library_loader.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "tests/os_test_util.h"

namespace {

struct Box {
  std::string text;
  bool bCaption;
  UINT uType;
};
std::vector<Box> g_boxes;

}  // namespace

// The recording fake of the back ends' message box.
int MessageBoxA(HWND, const char* pszText, const char* pszCaption, UINT uType) {
  g_boxes.push_back({pszText ? pszText : "", pszCaption != nullptr, uType});
  return IDOK;
}

namespace {

int CountBound() {
  int n = 0;
#define SONOMOT_COUNT(name) n += midilib::name != nullptr;
  SONOMOT_BOUND_MIDI_FUNCTIONS(SONOMOT_COUNT)
#undef SONOMOT_COUNT
  return n;
}

int CountListed() {
  int n = 0;
#define SONOMOT_COUNT(name) n++;
  SONOMOT_BOUND_MIDI_FUNCTIONS(SONOMOT_COUNT)
#undef SONOMOT_COUNT
  return n;
}

class MidiBinding : public ::testing::Test {
 protected:
  void SetUp() override { g_boxes.clear(); }
  void TearDown() override { ReleaseMidiDataLibrary(); }
};

TEST_F(MidiBinding, BindsEveryFunctionFromTheExecutablesFolder) {
  ASSERT_EQ(1, BindMidiDataLibrary());
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(CountListed(), CountBound());
  // The bound functions are the library's: make and walk the test data.
  MIDIData* pData = midilib::MIDIData_Create(1, 2, 0, 480);
  ASSERT_NE(nullptr, pData);
  MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(pData);
  EXPECT_NE(0, midilib::MIDITrack_InsertNote(pTrack, 0, 0, 60, 100, 120));
  EXPECT_EQ(2, midilib::MIDITrack_GetNumEvent(pTrack));
  EXPECT_NE(0, midilib::MIDIEvent_IsNoteOn(midilib::MIDITrack_GetFirstEvent(pTrack)));
  midilib::MIDIData_Delete(pData);
  ReleaseMidiDataLibrary();
  EXPECT_EQ(0, CountBound());
}

// The box also says where the library was looked for and the loader's
// reason, for a file that is missing and for one that is no library.
TEST_F(MidiBinding, MissingLibraryShowsItsFileNameOnce) {
  const std::string library = kMidiDataLibraryFile;
  const std::string missing = "/nonexistent/folder/" + library;
  EXPECT_EQ(0, BindMidiDataLibraryFrom(missing.c_str()));
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ(library + "が読み込めません\n(looked for " + missing + ": " +
                ostest::MissingLibraryReason() + ")",
            g_boxes[0].text);
  std::string notLibrary = ::testing::TempDir() + library;
  FILE* pFile = std::fopen(notLibrary.c_str(), "w");
  ASSERT_NE(nullptr, pFile);
  for (int i = 0; i < 64; ++i) std::fputs("not a library\n", pFile);
  std::fclose(pFile);
  EXPECT_EQ(0, BindMidiDataLibraryFrom(notLibrary.c_str()));
  ASSERT_EQ(2u, g_boxes.size());
  std::string strLookedFor = library + "が読み込めません\n(looked for " + notLibrary + ": ";
  EXPECT_EQ(0u, g_boxes[1].text.find(strLookedFor)) << g_boxes[1].text;
  EXPECT_NE(std::string::npos, g_boxes[1].text.find(ostest::NotALibraryMark(), strLookedFor.size()))
      << g_boxes[1].text;
  std::remove(notLibrary.c_str());
  EXPECT_FALSE(g_boxes[0].bCaption);
  EXPECT_EQ(static_cast<UINT>(MB_OK), g_boxes[0].uType);
  EXPECT_EQ(0, CountBound());
}

TEST_F(MidiBinding, MissingFunctionIsNamedAloneAndNothingStaysBound) {
  // First a good binding, so a failure must also undo it.
  ASSERT_EQ(1, BindMidiDataLibrary());
  EXPECT_EQ(0, BindMidiDataLibraryFrom(
                   (SONOMOT_BINDTEST_DIR "/lacking_insertnote/" + std::string(kMidiDataLibraryFile)).c_str()));
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ("MIDITrack_InsertNote", g_boxes[0].text);
  EXPECT_FALSE(g_boxes[0].bCaption);
  EXPECT_EQ(0, CountBound());
}

TEST_F(MidiBinding, OfTwoMissingFunctionsTheFirstInBindingOrderIsNamed) {
  // The library lacks MIDIData_GetComment and MIDIEvent_ToString; events
  // are bound before data.
  EXPECT_EQ(0, BindMidiDataLibraryFrom(
                   (SONOMOT_BINDTEST_DIR "/lacking_two/" + std::string(kMidiDataLibraryFile)).c_str()));
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ("MIDIEvent_ToString", g_boxes[0].text);
  EXPECT_EQ(0, CountBound());
}

}  // namespace
