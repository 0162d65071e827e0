// Shared fixtures of the motion tests: a MIDI track held in memory and read
// through the bound library pointers, and the expected bytes of a VMD file
// built by hand from its layout; with those of the files floor (a scratch
// folder, file helpers).
#ifndef SONOMOT_TESTS_MOTION_TEST_UTIL_H_
#define SONOMOT_TESTS_MOTION_TEST_UTIL_H_

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "midilib/MIDIData.h"
#include "tests/files_test_util.h"

// A track of fake events. While it lives, the midilib:: pointers that the
// motion export uses point at functions reading it, and count their calls;
// the destructor restores the pointers. One FakeTrack at a time.
class FakeTrack {
 public:
  struct Event {
    long lKind = 0;      // status byte: 0x90 | channel, 0xB0 | channel, 0xFF...
    long lTime = 0;
    long lKey = 0;       // note events
    long lNumber = 0;    // control change
    long lValue = 0;     // control change
    long lVelocity = 0;  // note events
    bool bMidi = true;   // MIDIEvent_IsMIDIEvent
    bool bNoteOn = false;  // MIDIEvent_IsNoteOn
    Event* pNext = nullptr;
  };

  FakeTrack();
  ~FakeTrack();
  FakeTrack(const FakeTrack&) = delete;
  FakeTrack& operator=(const FakeTrack&) = delete;

  // A note-on that presses its key with nVelocity (above 0).
  FakeTrack& Press(long lTime, int nKey, int nChannel = 0, int nVelocity = 100);
  // A note-off.
  FakeTrack& Release(long lTime, int nKey, int nChannel = 0);
  // A note-on of velocity 0: a release by the library's word.
  FakeTrack& ReleaseByNoteOn(long lTime, int nKey, int nChannel = 0);
  FakeTrack& Control(long lTime, int nNumber, int nValue, int nChannel = 0);
  // Any other event, e.g. 0xC0 program change, 0xE0 pitch bend, 0xA0 key
  // aftertouch (with lKey), or a meta event (bMidi false).
  FakeTrack& Other(long lTime, long lKind, bool bMidi, long lKey = 0);

  MIDITrack* GetTrack() { return reinterpret_cast<MIDITrack*>(this); }
  Event* GetFirst() { return m_events.empty() ? nullptr : &m_events.front(); }
  size_t GetEventCount() const { return m_events.size(); }

  // Calls made since construction.
  int m_nFirstEventCalls = 0;
  int m_nNextEventCalls = 0;

 private:
  Event& Add(long lTime, long lKind);

  std::deque<Event> m_events;
};

// Expected VMD bytes, assembled from the layout alone.
class ExpectedVmd {
 public:
  // The 54-byte start: signature, model name, the count.
  explicit ExpectedVmd(uint32_t nCount, const std::string& strModel = "pmdGRAND");
  // One record: name, frame, zero position, rotation X, Y, Z, W, the
  // interpolation rows.
  ExpectedVmd& Record(const char* pszName, uint32_t nFrame, float fX, float fW);
  // The five zero counts of the sections after the bone keyframes.
  ExpectedVmd& EmptySections();
  const std::vector<uint8_t>& GetBytes() const { return m_bytes; }

 private:
  // A fixed-width text: the text, 0x00, then 0xFD up to nWidth.
  void PutText(const std::string& str, size_t nWidth);
  void PutUInt32(uint32_t n);
  void PutFloat(float f);

  std::vector<uint8_t> m_bytes;
};

// The rotation of a written record (X, Y, Z, W) and its frame, read back.
struct ReadRecord {
  std::string strName;
  uint32_t nFrame;
  float afRotation[4];
};
// Reads every record of a VMD image; fails the test on a bad layout.
std::vector<ReadRecord> ReadRecords(const std::vector<uint8_t>& bytes);

#endif  // SONOMOT_TESTS_MOTION_TEST_UTIL_H_
