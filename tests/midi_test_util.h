// Builders of Standard MIDI File bytes for the MIDI data library's tests,
// and a loader that goes through a real file as the program does.
#ifndef SONOMOT_TESTS_MIDI_TEST_UTIL_H_
#define SONOMOT_TESTS_MIDI_TEST_UTIL_H_

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "midilib/MIDIData.h"

namespace miditest {

// Bytes given as numbers: Bytes({0x90, 60, 100}).
std::string Bytes(std::initializer_list<int> values);
// A variable-length quantity (up to 4 bytes, or more if forced by the value
// of nMinBytes for malformed cases).
std::string Vlq(uint32_t value, int nMinBytes = 1);
std::string BE32(uint32_t value);
std::string LE32(uint32_t value);
// A chunk: id, big-endian length (the body's unless given), body.
std::string Chunk(const std::string& id, const std::string& body,
                  int64_t lDeclaredLength = -1);
// "MThd" with a 6-byte body.
std::string Header(int format, int ntrks, int division);
// A whole file: header, then one MTrk chunk per body.
std::string Smf(int format, int division, const std::vector<std::string>& bodies);
// Track body pieces.
std::string Ev(uint32_t delta, std::initializer_list<int> bytes);
std::string Meta(uint32_t delta, int type, const std::string& data);
std::string EndOfTrack(uint32_t delta = 0);

// Writes bytes to a new temporary file; the returned path is removed by
// RemoveFile or by the TempFile's destructor.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes, const char* pszSuffix = ".mid");
  ~TempFile();
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// Owns loaded or created data for the length of a test.
struct DataDeleter {
  void operator()(MIDIData* p) const { MIDIData_Delete(p); }
};
using DataPtr = std::unique_ptr<MIDIData, DataDeleter>;

// A list of expected lines, for comparing with Events().
inline std::vector<std::string> V(std::initializer_list<const char*> items) {
  return std::vector<std::string>(items.begin(), items.end());
}

// Loads bytes through a temporary file with MIDIData_LoadFromSMF.
MIDIData* LoadBytes(const std::string& bytes);

// Every event of a track as "time kind d1 d2" (hex kind; meta: "time FF
// type len"), for comparing whole tracks at once.
std::vector<std::string> Events(MIDITrack* pTrack);
// The n-th track (0-based), or null.
MIDITrack* TrackAt(MIDIData* pData, int n);
// The n-th event (0-based), or null.
MIDIEvent* EventAt(MIDITrack* pTrack, int n);

}  // namespace miditest

#endif  // SONOMOT_TESTS_MIDI_TEST_UTIL_H_
