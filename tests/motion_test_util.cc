#include "tests/motion_test_util.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "midibind/midi_binding.h"
#include "tests/os_test_util.h"

namespace {

FakeTrack* g_pCurrent = nullptr;

FakeTrack::Event* AsEvent(MIDIEvent* p) { return reinterpret_cast<FakeTrack::Event*>(p); }

// The pointers the fake takes over, saved to be restored.
struct SavedBinding {
  decltype(midilib::MIDITrack_GetFirstEvent) pFirst;
  decltype(midilib::MIDIEvent_GetNextEvent) pNext;
  decltype(midilib::MIDIEvent_GetKind) pKind;
  decltype(midilib::MIDIEvent_IsMIDIEvent) pIsMidi;
  decltype(midilib::MIDIEvent_IsNoteOn) pIsNoteOn;
  decltype(midilib::MIDIEvent_GetTime) pTime;
  decltype(midilib::MIDIEvent_GetKey) pKey;
  decltype(midilib::MIDIEvent_GetNumber) pNumber;
  decltype(midilib::MIDIEvent_GetValue) pValue;
  decltype(midilib::MIDIEvent_GetVelocity) pVelocity;
} g_saved;

MIDIEvent* FakeFirstEvent(MIDITrack* pTrack) {
  ++g_pCurrent->m_nFirstEventCalls;
  EXPECT_EQ(g_pCurrent->GetTrack(), pTrack);
  return reinterpret_cast<MIDIEvent*>(g_pCurrent->GetFirst());
}
MIDIEvent* FakeNextEvent(MIDIEvent* p) {
  ++g_pCurrent->m_nNextEventCalls;
  return reinterpret_cast<MIDIEvent*>(AsEvent(p)->pNext);
}
long FakeKind(MIDIEvent* p) { return AsEvent(p)->lKind; }
long FakeIsMidi(MIDIEvent* p) { return AsEvent(p)->bMidi ? 1 : 0; }
long FakeIsNoteOn(MIDIEvent* p) { return AsEvent(p)->bNoteOn ? 1 : 0; }
long FakeTime(MIDIEvent* p) { return AsEvent(p)->lTime; }
long FakeKey(MIDIEvent* p) {
  long lType = AsEvent(p)->lKind & 0xF0;
  EXPECT_TRUE(lType == 0x80 || lType == 0x90 || lType == 0xA0) << "key of a non-note event";
  return AsEvent(p)->lKey;
}
long FakeNumber(MIDIEvent* p) { return AsEvent(p)->lNumber; }
long FakeValue(MIDIEvent* p) { return AsEvent(p)->lValue; }
long FakeVelocity(MIDIEvent* p) {
  long lType = AsEvent(p)->lKind & 0xF0;
  EXPECT_TRUE(lType == 0x80 || lType == 0x90) << "velocity of a non-note event";
  return AsEvent(p)->lVelocity;
}

}  // namespace

FakeTrack::FakeTrack() {
  EXPECT_EQ(nullptr, g_pCurrent) << "one FakeTrack at a time";
  g_pCurrent = this;
  g_saved = {midilib::MIDITrack_GetFirstEvent, midilib::MIDIEvent_GetNextEvent,
             midilib::MIDIEvent_GetKind,       midilib::MIDIEvent_IsMIDIEvent,
             midilib::MIDIEvent_IsNoteOn,      midilib::MIDIEvent_GetTime,
             midilib::MIDIEvent_GetKey,        midilib::MIDIEvent_GetNumber,
             midilib::MIDIEvent_GetValue,      midilib::MIDIEvent_GetVelocity};
  midilib::MIDITrack_GetFirstEvent = FakeFirstEvent;
  midilib::MIDIEvent_GetNextEvent = FakeNextEvent;
  midilib::MIDIEvent_GetKind = FakeKind;
  midilib::MIDIEvent_IsMIDIEvent = FakeIsMidi;
  midilib::MIDIEvent_IsNoteOn = FakeIsNoteOn;
  midilib::MIDIEvent_GetTime = FakeTime;
  midilib::MIDIEvent_GetKey = FakeKey;
  midilib::MIDIEvent_GetNumber = FakeNumber;
  midilib::MIDIEvent_GetValue = FakeValue;
  midilib::MIDIEvent_GetVelocity = FakeVelocity;
}

FakeTrack::~FakeTrack() {
  midilib::MIDITrack_GetFirstEvent = g_saved.pFirst;
  midilib::MIDIEvent_GetNextEvent = g_saved.pNext;
  midilib::MIDIEvent_GetKind = g_saved.pKind;
  midilib::MIDIEvent_IsMIDIEvent = g_saved.pIsMidi;
  midilib::MIDIEvent_IsNoteOn = g_saved.pIsNoteOn;
  midilib::MIDIEvent_GetTime = g_saved.pTime;
  midilib::MIDIEvent_GetKey = g_saved.pKey;
  midilib::MIDIEvent_GetNumber = g_saved.pNumber;
  midilib::MIDIEvent_GetValue = g_saved.pValue;
  midilib::MIDIEvent_GetVelocity = g_saved.pVelocity;
  g_pCurrent = nullptr;
}

FakeTrack::Event& FakeTrack::Add(long lTime, long lKind) {
  Event event;
  event.lTime = lTime;
  event.lKind = lKind;
  m_events.push_back(event);
  if (m_events.size() > 1) m_events[m_events.size() - 2].pNext = &m_events.back();
  return m_events.back();
}

FakeTrack& FakeTrack::Press(long lTime, int nKey, int nChannel, int nVelocity) {
  Event& event = Add(lTime, 0x90 | nChannel);
  event.lKey = nKey;
  event.lVelocity = nVelocity;
  event.bNoteOn = true;
  return *this;
}

FakeTrack& FakeTrack::Release(long lTime, int nKey, int nChannel) {
  Add(lTime, 0x80 | nChannel).lKey = nKey;
  return *this;
}

FakeTrack& FakeTrack::ReleaseByNoteOn(long lTime, int nKey, int nChannel) {
  Add(lTime, 0x90 | nChannel).lKey = nKey;
  return *this;
}

FakeTrack& FakeTrack::Control(long lTime, int nNumber, int nValue, int nChannel) {
  Event& event = Add(lTime, 0xB0 | nChannel);
  event.lNumber = nNumber;
  event.lValue = nValue;
  return *this;
}

FakeTrack& FakeTrack::Other(long lTime, long lKind, bool bMidi, long lKey) {
  Event& event = Add(lTime, lKind);
  event.bMidi = bMidi;
  event.lKey = lKey;
  return *this;
}

TempDir::TempDir() {
  m_strPath = ostest::MakeTempFolder("sonomot-motion-");
  if (m_strPath.empty()) ADD_FAILURE() << "no temporary folder could be made";
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(m_strPath, error);
}

std::vector<std::string> TempDir::ListOf(const std::string& strFolder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(strFolder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> ReadFileBytes(const std::string& strPath) {
  std::ifstream in(strPath, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& strPath, const std::string& strContent) {
  std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
  out << strContent;
}

ExpectedVmd::ExpectedVmd(uint32_t nCount, const std::string& strModel) {
  PutText("Vocaloid Motion Data 0002", 30);
  PutText(strModel, 20);
  PutUInt32(nCount);
}

ExpectedVmd& ExpectedVmd::EmptySections() {
  for (int i = 0; i < 5; ++i) PutUInt32(0);
  return *this;
}

void ExpectedVmd::PutText(const std::string& str, size_t nWidth) {
  EXPECT_LT(str.size(), nWidth) << str;
  m_bytes.insert(m_bytes.end(), str.begin(), str.end());
  m_bytes.push_back(0x00);
  m_bytes.insert(m_bytes.end(), nWidth - 1 - str.size(), 0xFD);
}

ExpectedVmd& ExpectedVmd::Record(const char* pszName, uint32_t nFrame, float fX, float fW) {
  static const uint8_t kRows[4][16] = {
      {20, 20, 20, 20, 20, 20, 20, 0, 107, 107, 107, 107, 107, 107, 107, 127},
      {20, 20, 20, 20, 20, 20, 0, 107, 107, 107, 107, 107, 107, 107, 127, 1},
      {20, 20, 20, 20, 20, 0, 107, 107, 107, 107, 107, 107, 107, 127, 1, 0},
      {20, 20, 20, 20, 0, 107, 107, 107, 107, 107, 107, 107, 127, 1, 0, 0}};
  PutText(pszName, 15);
  PutUInt32(nFrame);
  for (int i = 0; i < 3; ++i) PutFloat(0.0f);
  PutFloat(fX);
  PutFloat(0.0f);
  PutFloat(0.0f);
  PutFloat(fW);
  for (const auto& row : kRows) m_bytes.insert(m_bytes.end(), row, row + 16);
  return *this;
}

void ExpectedVmd::PutUInt32(uint32_t n) {
  for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>(n >> (8 * i)));
}

void ExpectedVmd::PutFloat(float f) {
  uint32_t n;
  std::memcpy(&n, &f, 4);
  PutUInt32(n);
}

std::vector<ReadRecord> ReadRecords(const std::vector<uint8_t>& bytes) {
  std::vector<ReadRecord> records;
  if (bytes.size() < 54) {
    ADD_FAILURE() << "shorter than a header: " << bytes.size();
    return records;
  }
  auto u32 = [&](size_t at) {
    return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
           uint32_t{bytes[at + 3]} << 24;
  };
  uint32_t nCount = u32(50);
  EXPECT_EQ(54u + 111u * nCount, bytes.size()) << "size against count " << nCount;
  for (size_t at = 54; at + 111 <= bytes.size(); at += 111) {
    ReadRecord record;
    record.strName.assign(reinterpret_cast<const char*>(&bytes[at]),
                          strnlen(reinterpret_cast<const char*>(&bytes[at]), 15));
    record.nFrame = u32(at + 15);
    for (int i = 0; i < 4; ++i) {
      uint32_t n = u32(at + 31 + 4 * i);
      std::memcpy(&record.afRotation[i], &n, 4);
    }
    records.push_back(record);
  }
  return records;
}
