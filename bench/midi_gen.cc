#include "bench/midi_gen.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kTicksPerQuarter = 480;
constexpr int kTicksPerBar = 4 * kTicksPerQuarter;

// A channel message, or a tempo event (0xFF then three tempo bytes).
struct GenEvent {
  int64_t lTime;
  uint8_t abyBytes[4];
  uint8_t nBytes;
};

class Random {
 public:
  explicit Random(uint32_t seed) : m_state(seed * 2654435761u + 1) {}
  uint32_t Next(uint32_t n) {
    m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>((m_state >> 33) % n);
  }

 private:
  uint64_t m_state;
};

void PutVlq(std::string* pOut, uint32_t value) {
  char buf[5];
  int n = 0;
  buf[n++] = static_cast<char>(value & 0x7F);
  while ((value >>= 7) != 0) buf[n++] = static_cast<char>(0x80 | (value & 0x7F));
  while (n > 0) *pOut += buf[--n];
}

void PutBE32(std::string* pOut, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) *pOut += static_cast<char>(v >> shift);
}

void PutChunk(std::string* pOut, const char* id, const std::string& body) {
  *pOut += id;
  PutBE32(pOut, static_cast<uint32_t>(body.size()));
  *pOut += body;
}

void PutMeta(std::string* pOut, uint32_t delta, int type, const std::string& data) {
  PutVlq(pOut, delta);
  *pOut += '\xFF';
  *pOut += static_cast<char>(type);
  PutVlq(pOut, static_cast<uint32_t>(data.size()));
  *pOut += data;
}

}  // namespace

std::string GeneratePianoMidi(long nNotes, uint32_t seed, bool bFormat0) {
  Random random(seed);
  std::vector<GenEvent> events;
  events.reserve(static_cast<size_t>(nNotes) * 2 + static_cast<size_t>(nNotes) / 4 + 16);
  int64_t lTime = 0;
  int64_t lPedalBar = -1;
  long nMade = 0;
  while (nMade < nNotes) {
    // A chord of 1 to 4 notes around the middle of the keyboard.
    int nChord = 1 + static_cast<int>(random.Next(4));
    int root = 36 + static_cast<int>(random.Next(48));
    for (int i = 0; i < nChord && nMade < nNotes; i++, nMade++) {
      uint8_t key = static_cast<uint8_t>(root + i * (3 + random.Next(2)));
      uint8_t velocity = static_cast<uint8_t>(30 + random.Next(90));
      int64_t lLength = 30 + random.Next(4 * kTicksPerQuarter);  // overlaps often
      events.push_back({lTime, {0x90, key, velocity}, 3});
      if (random.Next(4) == 0) {
        events.push_back({lTime + lLength, {0x80, key, 64}, 3});
      } else {
        events.push_back({lTime + lLength, {0x90, key, 0}, 3});
      }
    }
    // The pedal: up and down again at each new bar.
    int64_t lBar = lTime / kTicksPerBar;
    if (lBar != lPedalBar) {
      lPedalBar = lBar;
      int64_t lBarStart = lBar * kTicksPerBar;
      events.push_back({lBarStart, {0xB0, 64, 0}, 3});
      events.push_back({lBarStart + 10, {0xB0, 64, static_cast<uint8_t>(64 + random.Next(64))}, 3});
    }
    lTime += 60 * (1 + random.Next(4));
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const GenEvent& a, const GenEvent& b) { return a.lTime < b.lTime; });
  int64_t lEnd = events.empty() ? 0 : events.back().lTime;

  // A tempo change every 8 bars, between 90 and 150 BPM.
  std::vector<GenEvent> tempos;
  for (int64_t t = 0; t <= lEnd; t += 8 * kTicksPerBar) {
    uint32_t tempo = 60000000u / (90 + random.Next(61));
    tempos.push_back({t, {0xFF, static_cast<uint8_t>(tempo >> 16),
                          static_cast<uint8_t>(tempo >> 8), static_cast<uint8_t>(tempo)}, 4});
  }
  if (bFormat0) {
    // One track: tempo changes go before the notes of their time.
    events.insert(events.begin(), tempos.begin(), tempos.end());
    std::stable_sort(events.begin(), events.end(),
                     [](const GenEvent& a, const GenEvent& b) { return a.lTime < b.lTime; });
    tempos.clear();
  }

  auto putEvents = [](std::string* pTrack, const std::vector<GenEvent>& list, int64_t lEnd) {
    uint8_t byRunning = 0;
    int64_t lPrev = 0;
    for (const GenEvent& e : list) {
      uint32_t delta = static_cast<uint32_t>(e.lTime - lPrev);
      lPrev = e.lTime;
      if (e.abyBytes[0] == 0xFF) {
        PutMeta(pTrack, delta, 0x51,
                std::string(reinterpret_cast<const char*>(e.abyBytes + 1), 3));
        continue;  // running status carries across it, as readers expect
      }
      PutVlq(pTrack, delta);
      if (e.abyBytes[0] != byRunning) {
        *pTrack += static_cast<char>(e.abyBytes[0]);
        byRunning = e.abyBytes[0];
      }
      for (int i = 1; i < e.nBytes; i++) *pTrack += static_cast<char>(e.abyBytes[i]);
    }
    PutMeta(pTrack, static_cast<uint32_t>(lEnd - lPrev), 0x2F, "");
  };

  std::string conductor;
  PutMeta(&conductor, 0, 0x03, "Sonomot bench");
  PutMeta(&conductor, 0, 0x58, std::string("\x04\x02\x18\x08", 4));
  std::string piano;
  piano.reserve(events.size() * 4 + 64);
  if (!bFormat0) {
    putEvents(&conductor, tempos, lEnd);
    PutMeta(&piano, 0, 0x03, "Piano");
  } else {
    piano = conductor;
  }
  PutVlq(&piano, 0);
  piano += '\xC0';
  piano += '\x00';
  putEvents(&piano, events, lEnd);

  std::string file;
  file += "MThd";
  PutBE32(&file, 6);
  file += bFormat0 ? std::string("\x00\x00\x00\x01", 4) : std::string("\x00\x01\x00\x02", 4);
  file += static_cast<char>(kTicksPerQuarter >> 8);
  file += static_cast<char>(kTicksPerQuarter & 0xFF);
  if (!bFormat0) PutChunk(&file, "MTrk", conductor);
  PutChunk(&file, "MTrk", piano);
  return file;
}
