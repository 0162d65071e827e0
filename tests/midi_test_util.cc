#include "tests/midi_test_util.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "tests/os_test_util.h"

namespace miditest {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v & 0xFF);
  return s;
}

std::string Vlq(uint32_t value, int nMinBytes) {
  std::string s(1, static_cast<char>(value & 0x7F));
  value >>= 7;
  while (value != 0 || static_cast<int>(s.size()) < nMinBytes) {
    s.insert(s.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    value >>= 7;
  }
  return s;
}

std::string BE32(uint32_t v) {
  return Bytes({static_cast<int>(v >> 24), static_cast<int>(v >> 16),
                static_cast<int>(v >> 8), static_cast<int>(v)});
}

std::string LE32(uint32_t v) {
  return Bytes({static_cast<int>(v), static_cast<int>(v >> 8),
                static_cast<int>(v >> 16), static_cast<int>(v >> 24)});
}

std::string Chunk(const std::string& id, const std::string& body,
                  int64_t lDeclaredLength) {
  uint32_t n = lDeclaredLength < 0 ? static_cast<uint32_t>(body.size())
                                   : static_cast<uint32_t>(lDeclaredLength);
  return id + BE32(n) + body;
}

std::string Header(int format, int ntrks, int division) {
  return Chunk("MThd", Bytes({format >> 8, format, ntrks >> 8, ntrks,
                              division >> 8, division}));
}

std::string Smf(int format, int division, const std::vector<std::string>& bodies) {
  std::string s = Header(format, static_cast<int>(bodies.size()), division);
  for (const std::string& body : bodies) s += Chunk("MTrk", body);
  return s;
}

std::string Ev(uint32_t delta, std::initializer_list<int> bytes) {
  return Vlq(delta) + Bytes(bytes);
}

std::string Meta(uint32_t delta, int type, const std::string& data) {
  return Vlq(delta) + Bytes({0xFF, type}) +
         Vlq(static_cast<uint32_t>(data.size())) + data;
}

std::string EndOfTrack(uint32_t delta) { return Meta(delta, 0x2F, ""); }

TempFile::TempFile(const std::string& bytes, const char* pszSuffix) {
  m_path = ostest::MakeTempFile("midilib_", pszSuffix);
  if (m_path.empty()) throw std::runtime_error("can't make a temporary file");
  std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("can't write a temporary file");
}

TempFile::~TempFile() { std::remove(m_path.c_str()); }

MIDIData* LoadBytes(const std::string& bytes) {
  TempFile file(bytes);
  return MIDIData_LoadFromSMF(file.Path().c_str());
}

std::vector<std::string> Events(MIDITrack* pTrack) {
  std::vector<std::string> out;
  for (MIDIEvent* p = MIDITrack_GetFirstEvent(pTrack); p; p = MIDIEvent_GetNextEvent(p)) {
    char sz[64];
    long kind = MIDIEvent_GetKind(p);
    if (kind >= 0x80 && kind < 0xF0) {
      long type = kind & 0xF0;
      long d1 = type == 0xB0 || type == 0xC0 ? MIDIEvent_GetNumber(p)
                                               : MIDIEvent_GetKey(p);
      long d2 = type == 0x80 || type == 0x90 ? MIDIEvent_GetVelocity(p)
                                               : MIDIEvent_GetValue(p);
      if (type == 0xD0 || type == 0xE0) d1 = MIDIEvent_GetValue(p), d2 = -1;
      if (type == 0xC0) d2 = -1;
      std::snprintf(sz, sizeof(sz), "%ld %02lX %ld %ld", MIDIEvent_GetTime(p), kind, d1, d2);
    } else if (MIDIEvent_IsEndofTrack(p)) {
      std::snprintf(sz, sizeof(sz), "%ld EOT", MIDIEvent_GetTime(p));
    } else if (MIDIEvent_GetTempo(p) >= 0) {
      std::snprintf(sz, sizeof(sz), "%ld Tempo %ld", MIDIEvent_GetTime(p),
                    MIDIEvent_GetTempo(p));
    } else if (kind == 0xFF) {
      std::snprintf(sz, sizeof(sz), "%ld %02lX", MIDIEvent_GetTime(p),
                    MIDIEvent_GetMetaType(p));
    } else {
      std::snprintf(sz, sizeof(sz), "%ld %02lX", MIDIEvent_GetTime(p), kind);
    }
    out.push_back(sz);
  }
  return out;
}

MIDITrack* TrackAt(MIDIData* pData, int n) {
  MIDITrack* t = MIDIData_GetFirstTrack(pData);
  for (int i = 0; i < n && t != nullptr; i++) t = MIDITrack_GetNextTrack(t);
  return t;
}

MIDIEvent* EventAt(MIDITrack* pTrack, int n) {
  MIDIEvent* e = MIDITrack_GetFirstEvent(pTrack);
  for (int i = 0; i < n && e != nullptr; i++) e = MIDIEvent_GetNextEvent(e);
  return e;
}

}  // namespace miditest
