// Texts: an event as one readable line, the names and texts of the data,
// and how bytes of a file become UTF-8 text.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "midilib/file_text.h"
#include "midilib/midi_data_internal.h"

namespace midilib_internal {

namespace {

// Appends printf-formatted text.
__attribute__((format(printf, 2, 3))) void AppendF(std::string* pOut,
                                                   const char* pszFormat, ...) {
  char sz[256];
  va_list args;
  va_start(args, pszFormat);
  int n = std::vsnprintf(sz, sizeof(sz), pszFormat, args);
  va_end(args);
  if (n > 0) pOut->append(sz, n < static_cast<int>(sizeof(sz)) ? n : sizeof(sz) - 1);
}

void AppendNote(std::string* pOut, uint8_t byKey) {
  static const char* const kNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                         "F#", "G",  "G#", "A",  "A#", "B"};
  AppendF(pOut, "%s%d(%d)", kNames[byKey % 12], byKey / 12 - 1, byKey);
}

// At most the first 8 bytes in hex, then "..." if there are more.
void AppendHex(std::string* pOut, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n && i < 8; i++) AppendF(pOut, " %02X", p[i]);
  if (n > 8) *pOut += " ...";
}

const char* MetaName(uint8_t byType) {
  switch (byType) {
    case 0x00: return "Sequence Number";
    case 0x01: return "Text";
    case 0x02: return "Copyright";
    case 0x03: return "Track Name";
    case 0x04: return "Instrument Name";
    case 0x05: return "Lyric";
    case 0x06: return "Marker";
    case 0x07: return "Cue Point";
    case 0x08: return "Program Name";
    case 0x09: return "Device Name";
    case 0x20: return "Channel Prefix";
    case 0x21: return "Port Prefix";
    case 0x2F: return "End of Track";
    case 0x51: return "Tempo";
    case 0x54: return "SMPTE Offset";
    case 0x58: return "Time Signature";
    case 0x59: return "Key Signature";
    case 0x7F: return "Sequencer Specific";
    default: return nullptr;
  }
}

// nMaxBytes: the room for the whole line; a text that doesn't fit in it
// ends the line where it is cut.
void AppendMeta(std::string* pOut, const MIDIEvent* pEvent, size_t nMaxBytes) {
  size_t n;
  const uint8_t* p = EventBytes(pEvent, &n);
  uint8_t byType = pEvent->m_byData1;
  const char* pszName = MetaName(byType);
  if (pszName == nullptr) {
    AppendF(pOut, "Meta 0x%02X len=%zu", byType, n);
    AppendHex(pOut, p, n);
    return;
  }
  *pOut += pszName;
  if (byType >= 0x01 && byType <= 0x09) {
    *pOut += " \"";
    size_t nRoom = nMaxBytes > pOut->size() ? nMaxBytes - pOut->size() : 0;
    if (AppendFileText(p, n, nRoom, pOut)) *pOut += '"';
  } else if (byType == 0x00 && n == 2) {
    AppendF(pOut, " %d", (p[0] << 8) | p[1]);
  } else if ((byType == 0x20 || byType == 0x21) && n == 1) {
    AppendF(pOut, byType == 0x20 ? " ch=%d" : " port=%d",
            byType == 0x20 ? p[0] + 1 : p[0]);
  } else if (byType == kMetaEndOfTrack && n == 0) {
  } else if (byType == kMetaTempo && n == 3) {
    long lTempo = EventTempo(pEvent);
    if (lTempo > 0) {
      AppendF(pOut, " %ld us/quarter (%.2f BPM)", lTempo, 60000000.0 / lTempo);
    } else {
      AppendF(pOut, " %ld us/quarter", lTempo);
    }
  } else if (byType == 0x54 && n == 5 && p[0] < 0x80) {
    // The hour byte carries the frame rate in bits 5 and 6 (bit 7 is
    // always clear) and the hour in the low five bits.
    static const char* const kRates[4] = {"24", "25", "29.97df", "30"};
    AppendF(pOut, " %02d:%02d:%02d:%02d.%02d fps=%s", p[0] & 0x1F, p[1], p[2], p[3], p[4],
            kRates[p[0] >> 5]);
  } else if (byType == 0x58 && n == 4) {
    if (p[1] < 31) {
      AppendF(pOut, " %d/%lu", p[0], 1ul << p[1]);
    } else {
      AppendF(pOut, " %d/2^%d", p[0], p[1]);
    }
    AppendF(pOut, " clocks=%d 32nds=%d", p[2], p[3]);
  } else if (byType == 0x59 && n == 2) {
    static const char* const kMajor[15] = {"Cb", "Gb", "Db", "Ab", "Eb",
                                           "Bb", "F",  "C",  "G",  "D",
                                           "A",  "E",  "B",  "F#", "C#"};
    static const char* const kMinor[15] = {"Ab", "Eb", "Bb", "F",  "C",
                                           "G",  "D",  "A",  "E",  "B",
                                           "F#", "C#", "G#", "D#", "A#"};
    int sf = static_cast<int8_t>(p[0]);
    if (sf >= -7 && sf <= 7 && p[1] <= 1) {
      AppendF(pOut, " %s %s", (p[1] ? kMinor : kMajor)[sf + 7],
              p[1] ? "minor" : "major");
    } else {
      AppendF(pOut, " sf=%d mi=%d", sf, p[1]);
    }
  } else {
    AppendF(pOut, " len=%zu", n);
    AppendHex(pOut, p, n);
  }
}

}  // namespace

bool AppendFileText(const uint8_t* pText, size_t nLength, size_t nMaxBytes,
                    std::string* pOut) {
  return AppendDisplayText(reinterpret_cast<const char*>(pText), nLength, nMaxBytes,
                           ControlBytes::kEscape, pOut);
}

char* CopyText(const std::string& text, char* buf, long len) {
  if (buf == nullptr || len <= 0) return buf;
  size_t n = text.size();
  if (n > static_cast<size_t>(len - 1)) {
    n = static_cast<size_t>(len - 1);
    // Never cut a UTF-8 character in two.
    while (n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) n--;
  }
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return buf;
}

namespace {

// The text of the first meta event of type byType in the track, or "", at
// most nMaxBytes long.
std::string FirstMetaText(MIDITrack* pTrack, uint8_t byType, size_t nMaxBytes) {
  if (pTrack == nullptr) return std::string();
  for (MIDIEvent* p = pTrack->m_pFirst; p != nullptr; p = p->m_pNext) {
    if (IsMeta(p) && p->m_byData1 == byType) {
      size_t n;
      const uint8_t* pBytes = EventBytes(p, &n);
      std::string text;
      AppendFileText(pBytes, n, nMaxBytes, &text);
      return text;
    }
  }
  return std::string();
}

// nMaxBytes: the room for the line; only a text can make it longer, and a
// text is cut to fit.
std::string EventLine(const MIDIEvent* pEvent, size_t nMaxBytes) {
  std::string line;
  AppendF(&line, "%ld ", static_cast<long>(pEvent->m_lTime));
  int ch = (pEvent->m_byKind & 0x0F) + 1;
  uint8_t d1 = pEvent->m_byData1;
  uint8_t d2 = pEvent->m_byData2;
  switch (pEvent->m_byKind & 0xF0) {
    case 0x80:
      AppendF(&line, "Note Off ch=%d ", ch);
      AppendNote(&line, d1);
      AppendF(&line, " vel=%d", d2);
      return line;
    case 0x90:
      AppendF(&line, "Note On ch=%d ", ch);
      AppendNote(&line, d1);
      AppendF(&line, " vel=%d%s", d2, d2 == 0 ? " (release)" : "");
      return line;
    case 0xA0:
      AppendF(&line, "Key Aftertouch ch=%d ", ch);
      AppendNote(&line, d1);
      AppendF(&line, " value=%d", d2);
      return line;
    case 0xB0:
      AppendF(&line, "Control Change ch=%d cc=%d value=%d", ch, d1, d2);
      return line;
    case 0xC0:
      AppendF(&line, "Program Change ch=%d program=%d", ch, d1);
      return line;
    case 0xD0:
      AppendF(&line, "Channel Aftertouch ch=%d value=%d", ch, d1);
      return line;
    case 0xE0:
      AppendF(&line, "Pitch Bend ch=%d value=%d", ch, ((d2 << 7) | d1) - 8192);
      return line;
    default:
      break;
  }
  if (IsMeta(pEvent)) {
    AppendMeta(&line, pEvent, nMaxBytes);
  } else {
    size_t n;
    const uint8_t* p = EventBytes(pEvent, &n);
    AppendF(&line, "%s len=%zu", pEvent->m_byKind == 0xF0 ? "SysEx" : "SysEx (F7)",
            n);
    AppendHex(&line, p, n);
  }
  return line;
}

}  // namespace

}  // namespace midilib_internal

using namespace midilib_internal;

namespace {

// The room for the text in a buffer of len bytes with its terminator.
size_t TextRoom(long len) { return len > 0 ? static_cast<size_t>(len - 1) : 0; }

}  // namespace

extern "C" {

char* MIDIEvent_ToString(MIDIEvent* pEvent, char* buf, long len) {
  if (pEvent == nullptr) return CopyText(std::string(), buf, len);
  return CopyText(EventLine(pEvent, TextRoom(len)), buf, len);
}

char* MIDITrack_GetName(MIDITrack* pTrack, char* buf, long len) {
  return CopyText(FirstMetaText(pTrack, 0x03, TextRoom(len)), buf, len);
}

char* MIDIData_GetTitle(MIDIData* pData, char* buf, long len) {
  return CopyText(FirstMetaText(MIDIData_GetFirstTrack(pData), 0x03, TextRoom(len)), buf,
                  len);
}

char* MIDIData_GetCopyright(MIDIData* pData, char* buf, long len) {
  return CopyText(FirstMetaText(MIDIData_GetFirstTrack(pData), 0x02, TextRoom(len)), buf,
                  len);
}

char* MIDIData_GetComment(MIDIData* pData, char* buf, long len) {
  return CopyText(FirstMetaText(MIDIData_GetFirstTrack(pData), 0x01, TextRoom(len)), buf,
                  len);
}

}  // extern "C"
