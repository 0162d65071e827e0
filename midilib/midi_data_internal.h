// The inner layout of the MIDI data library: what a MIDIData, MIDITrack and
// MIDIEvent hold, shared by the library's sources only (never installed,
// never seen by the program).
//
// Memory: events live in blocks owned by the MIDIData. The reader reserves
// one block for a whole file, sized from the track chunk lengths (each event
// takes at least two bytes of a chunk), so loading touches only the memory
// the events really use. Events made later (insertions, new end-of-track
// events) come from further blocks. A block is never moved or resized, so
// an event handle stays valid until its data is deleted; an event of a
// deleted track is unlinked at once and its memory returns with the data.
//
// Note pairing: a joined note-on keeps its release in m_pLink. Every other
// note event (a note-on not yet joined, or a release) keeps there a later
// note event of the same channel and key in its track ("key chain"): at
// first the next one, press or release. MIDIEvent_Combine follows the
// chain from a note-on to the first release not joined yet: past note-ons
// (a joined one leads to its release, and every release between the two is
// joined) and joined releases; then it lets each event it walked, but a
// joined note-on, lead straight to the release found, which skips only
// joined releases. So joining every note of a track costs about one pass
// whatever the notes look like. Meta and SysEx events use the same field
// for their bytes.
#ifndef SONOMOT_MIDILIB_MIDI_DATA_INTERNAL_H_
#define SONOMOT_MIDILIB_MIDI_DATA_INTERNAL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "midilib/MIDIData.h"
#include "midilib/read_file.h"

// Flags of MIDIEvent::m_byFlags. Whether an event is a channel event, a
// press or a release is set once, when the event is made (EventFlags): the
// walks of the program ask it of every event, and the kind and data bytes
// of an event never change afterwards. The bits asked most sit where a
// shift or a mask alone gives the answer.
constexpr uint8_t kEventPress = 0x01;    // a note-on of velocity above 0
constexpr uint8_t kEventRelease = 0x02;  // a note-off, or a note-on of velocity 0
constexpr uint8_t kEventJoined = 0x04;   // a note-on or release that is paired
constexpr uint8_t kEventKey = 0x08;      // a note or key aftertouch (kind 0x80..0xAF)
constexpr uint8_t kEventChannel = 0x80;  // a channel event (kind 0x80..0xEF)

// 24 bytes per event.
struct MIDIEvent {
  MIDIEvent* m_pNext;  // next event of the track, null after the last
  union {
    MIDIEvent* m_pLink;        // note events: key chain / joined release
    const uint8_t* m_pBytes;   // meta and SysEx: length (VLQ) then the bytes
  };
  int32_t m_lTime;    // absolute, in the data's time base
  uint8_t m_byKind;   // status byte: 0x80..0xEF, 0xF0, 0xF7 or 0xFF
  uint8_t m_byData1;  // channel events: first data byte; meta: its type
  uint8_t m_byData2;  // channel events: second data byte
  uint8_t m_byFlags;
};

struct MIDITrack {
  MIDIData* m_pData;
  MIDITrack* m_pPrev;
  MIDITrack* m_pNext;
  MIDIEvent* m_pFirst;
  MIDIEvent* m_pLast;
  long m_lNumEvent;
  long m_lNumber;
  // False only while the track surely holds no tempo event: set by every
  // way a tempo event comes into a track (reading, insertion, merging), so
  // the time-base conversion walks only tracks that may hold one.
  bool m_bMayHoldTempo;
};

struct MIDIData {
  long m_lFormat;
  long m_lTimeMode;
  long m_lTimeResolution;
  long m_lNumTrack;
  MIDITrack* m_pFirstTrack;
  MIDITrack* m_pLastTrack;
  // The bytes of the meta and SysEx events read from the file, copied out
  // of its image (malloc'd; null when there are none).
  uint8_t* m_pFile;
  // Event blocks: pointer and capacity; m_nBlockUsed counts the events used
  // in the last block.
  std::vector<MIDIEvent*> m_vecBlocks;
  size_t m_nBlockCapacity;
  size_t m_nBlockUsed;
  // Bytes of meta and SysEx events made by insertion (never moved: each
  // piece is its own allocation).
  std::vector<std::string*> m_vecBytes;
};

namespace midilib_internal {

constexpr long kDefaultTempo = 500000;  // microseconds per quarter note
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;
// The bytes of a meta event without data (its length 0).
extern const uint8_t kNoBytes[1];

// A new empty data object (no tracks); the caller fills it.
MIDIData* NewData(long lFormat, long lTimeMode, long lTimeResolution);
// Appends a new empty track at the end of the data's track list.
MIDITrack* AppendTrack(MIDIData* pData);
// Reserves a block of nCount events for the data (the reader's one block).
// Returns null if the memory can't be had.
MIDIEvent* ReserveEvents(MIDIData* pData, size_t nCount);
// A buffer of fresh pages for a file's bytes while they are read: given
// back to the system when it goes, where a large malloc'd block would make
// the allocator keep the next one of its size for good.
class PageBuffer {
 public:
  PageBuffer() = default;
  ~PageBuffer();
  PageBuffer(const PageBuffer&) = delete;
  PageBuffer& operator=(const PageBuffer&) = delete;
  // Room for nSize bytes (at least one page); false if none is to be had.
  bool Allocate(size_t nSize);
  uint8_t* data() const { return m_p; }

 private:
  uint8_t* m_p = nullptr;
  size_t m_nMapped = 0;
};
// One event from the data's blocks, zeroed. Null if out of memory.
MIDIEvent* NewEvent(MIDIData* pData);
// Keeps bytes (already in VLQ-length form) for an inserted meta event.
const uint8_t* KeepBytes(MIDIData* pData, const std::string& bytes);

// Reads a Standard MIDI File (or RMID) from bytes the caller keeps; the
// data copies the few bytes it needs (meta and SysEx events), so they may
// go once it returns. Null if the bytes are not a readable SMF.
MIDIData* LoadFromMemory(const uint8_t* pBytes, size_t nSize);

// The last file this thread loaded with MIDIData_LoadFromSMF, as the reader
// found it: which file in what state (its stamp), and whether it
// was whole (every chunk complete, as many tracks as the header announces).
// MIDIData_CheckSMF asked of that same unchanged file after a whole load
// answers from here instead of reading and walking the file a second time.
struct LoadedFile {
  bool bValid = false;
  bool bWhole = false;
  FileStamp stamp;
};
LoadedFile& LastLoadedFile();

// Builds the key chains of one track while its events are visited in
// order: each note event but a joined note-on gets the next such event of
// its channel and key (null for the last).
class KeyChainLinker {
 public:
  KeyChainLinker();
  void Add(MIDIEvent* pEvent);  // any event; only note events matter
  // A note event but a joined note-on, of linker index (channel << 7 | key).
  void AddNote(MIDIEvent* pEvent, size_t index);
  void Finish();  // ready for the next track
 private:
  MIDIEvent* m_apLast[16 * 128];  // the last event of each chain so far
  uint16_t m_anTouched[16 * 128];
  size_t m_nTouched;
};
// Relinks the key chains of a whole track (after an insertion).
void LinkKeyChains(MIDITrack* pTrack);

// The flags of a channel event of this status byte (0x80..0xEF) and second
// data byte (0 if it has one data byte): kEventChannel, kEventKey for a
// note or key aftertouch, and press or release for a note event.
constexpr uint8_t EventFlags(uint8_t byKind, uint8_t byData2) {
  uint8_t type = byKind & 0xF0;
  uint8_t byFlags = kEventChannel | (type <= 0xA0 ? kEventKey : 0);
  if (type == 0x90) return byFlags | (byData2 != 0 ? kEventPress : kEventRelease);
  return byFlags | (type == 0x80 ? kEventRelease : 0);
}
// True for a note-off, or a note-on of velocity 0.
inline bool IsRelease(const MIDIEvent* p) { return p->m_byFlags & kEventRelease; }
inline bool IsPress(const MIDIEvent* p) { return p->m_byFlags & kEventPress; }
inline bool IsChannelEvent(const MIDIEvent* p) { return p->m_byFlags & kEventChannel; }
inline bool IsMeta(const MIDIEvent* p) { return p->m_byKind == 0xFF; }
inline bool IsSysEx(const MIDIEvent* p) {
  return p->m_byKind == 0xF0 || p->m_byKind == 0xF7;
}
inline bool IsEndOfTrack(const MIDIEvent* p) {
  return p->m_byKind == 0xFF && p->m_byData1 == kMetaEndOfTrack;
}

// Inline: the reader calls them for every event of a file.
inline void KeyChainLinker::Add(MIDIEvent* pEvent) {
  uint8_t byFlags = pEvent->m_byFlags;
  if (!(byFlags & (kEventPress | kEventRelease))) return;
  // A joined note-on keeps its release in m_pLink.
  if ((byFlags & (kEventPress | kEventJoined)) == (kEventPress | kEventJoined)) return;
  AddNote(pEvent, (size_t{pEvent->m_byKind & 0x0Fu} << 7) | pEvent->m_byData1);
}

inline void KeyChainLinker::AddNote(MIDIEvent* pEvent, size_t index) {
  MIDIEvent* pLast = m_apLast[index];
  if (pLast != nullptr) {
    pLast->m_pLink = pEvent;
  } else {
    m_anTouched[m_nTouched++] = static_cast<uint16_t>(index);
  }
  pEvent->m_pLink = nullptr;
  m_apLast[index] = pEvent;
}

// The bytes of a meta or SysEx event: sets *pnLength and returns the first
// byte (the length was checked when the event was made).
const uint8_t* EventBytes(const MIDIEvent* pEvent, size_t* pnLength);
// The tempo of a tempo event of three bytes, or -1.
long EventTempo(const MIDIEvent* pEvent);

// Appends the text of a file shown as UTF-8: valid UTF-8 as it is, else
// decoded from Shift-JIS, else \xNN for each byte neither decodes; control
// characters as \xNN so a text always stays on one line. At most nMaxBytes
// are appended, never a cut character or \xNN; returns false if the text
// was cut.
bool AppendFileText(const uint8_t* pText, size_t nLength, size_t nMaxBytes,
                    std::string* pOut);
// Copies text into buf (at most len bytes with the terminator, never a cut
// UTF-8 character); len <= 0 writes nothing. Returns buf.
char* CopyText(const std::string& text, char* buf, long len);

}  // namespace midilib_internal

#endif  // SONOMOT_MIDILIB_MIDI_DATA_INTERNAL_H_
