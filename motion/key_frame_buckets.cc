#include "motion/key_frame_buckets.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "midibind/midi_binding.h"
#include "midilib/page_memory.h"
#include "motion/bone_names.h"
#include "motion/merged_events.h"

namespace {

// Slabs grow from 64 KiB by four times to 4 MiB: a short track costs little,
// a long one few slabs. Slabs of 4 MiB are placed on large-page boundaries
// and asked for large pages, where touching memory costs one fault per
// large page.
constexpr size_t kFirstSlabBytes = size_t{64} << 10;
constexpr size_t kLargeSlabBytes = size_t{4} << 20;

// A slab of nBytes of fresh memory, untouched; null if none is to be had.
void* MapSlab(size_t nBytes) {
  return nBytes < kLargeSlabBytes ? AllocatePages(nBytes) : AllocateLargePages(nBytes);
}

}  // namespace

KeyFrameBuckets::KeyFrameBuckets() { m_aBone[kPedalBone].m_bPedal = true; }

KeyFrameBuckets::~KeyFrameBuckets() {
  size_t nBytes = kFirstSlabBytes;
  for (void* p : m_slabs) {
    FreePages(p, nBytes);
    if (nBytes < kLargeSlabBytes) nBytes *= 4;
  }
}

uint8_t* KeyFrameBuckets::NewPiece() {
  if (m_nSlabPiecesLeft == 0) {
    size_t nBytes = kFirstSlabBytes;
    for (size_t i = 0; i < m_slabs.size() && nBytes < kLargeSlabBytes; ++i) nBytes *= 4;
    m_slabs.reserve(m_slabs.size() + 1);  // may throw before the slab is mapped
    void* pSlab = MapSlab(nBytes);
    if (pSlab == nullptr) throw std::bad_alloc();
    m_slabs.push_back(pSlab);
    m_pSlabFree = static_cast<uint8_t*>(pSlab);
    m_nSlabPiecesLeft = nBytes / kPieceBytes;
  }
  uint8_t* pPiece = m_pSlabFree;
  m_pSlabFree += kPieceBytes;
  --m_nSlabPiecesLeft;
  return pPiece;
}

void KeyFrameBuckets::AddPiece(Bone* pBone) {
  pBone->m_pieces.reserve(pBone->m_pieces.size() + 1);
  uint8_t* pPiece = NewPiece();
  pBone->m_pieces.push_back(pPiece);
  pBone->m_pWrite = pPiece;
  pBone->m_pWriteEnd = pPiece + kPieceBytes;
  pBone->m_pRoomEnd = pBone->m_pWriteEnd - (kEntryRoom - 1);
}

KeyFrameBuckets::Bone::Iterator::Iterator(const Bone* pBone, size_t nLeft)
    : m_pBone(pBone), m_nLeft(nLeft), m_bPedal(pBone->m_bPedal), m_bVelocity(pBone->m_bVelocity) {
  if (m_nLeft > 0) {
    SetPiece();
    Decode();
  }
}

void KeyFrameBuckets::Bone::Iterator::SetPiece() {
  m_pAt = m_pBone->m_pieces[m_nPiece];
  size_t nBytes = std::min(kPieceBytes, m_pBone->Bytes() - m_nPiece * kPieceBytes);
  m_pEnd = m_pAt + nBytes;
  const size_t nTail = kEntryRoom - 1;
  m_pWholeEnd = m_pAt + (nBytes > nTail ? nBytes - nTail : 0);
}

void KeyFrameBuckets::Bone::Iterator::NextPiece() {
  ++m_nPiece;
  SetPiece();
}

void KeyFrameBuckets::Bone::Iterator::DecodeAcrossPieces() {
  uint64_t nValue = 0;
  for (int nShift = 0;; nShift += 7) {
    uint8_t by = NextByte();
    nValue |= uint64_t{by & 0x7Fu} << nShift;
    if (by < 0x80) break;
  }
  // The byte after the value may begin the next piece.
  if (m_bPedal || m_bVelocity) {
    if (m_pAt == m_pEnd) NextPiece();
  }
  Finish(nValue, m_pAt);
}

void KeyFrameBuckets::Collect(MIDITrack* pTrack, const ExportSettings& settings) {
  MergedEvents events(&pTrack, 1);
  Collect(&events, settings);
}

void KeyFrameBuckets::Collect(MergedEvents* pEvents, const ExportSettings& settings) {
  // With velocity on, a key's entry carries its velocity in a byte more.
  for (int nKey = 0; nKey < kKeyCount; ++nKey) {
    if (m_aBone[nKey].empty()) m_aBone[nKey].m_bVelocity = settings.bVelocity;
  }
  m_bPedalBone = settings.bPedal;
  for (int nKey = 0; nKey < kKeyCount; ++nKey) {
    int nBone = nKey + settings.nTranspose;
    bool bHasBone = nBone >= 0 && nBone < kKeyCount && !KeyBoneName(settings, nBone).empty();
    m_apKeyBone[nKey] = bHasBone ? &m_aBone[nBone] : nullptr;
  }
  m_calls = {midilib::MIDIEvent_IsMIDIEvent, midilib::MIDIEvent_GetKind,
             midilib::MIDIEvent_GetKey, midilib::MIDIEvent_IsNoteOn};
  if (settings.bSteps) {
    Walk<true>(pEvents);
  } else {
    Walk<false>(pEvents);
  }
  // Two keyframes per key entry, the companion one frame before and the
  // event's own; one per pedal entry.
  uint64_t nKeyFrames = 0;
  for (int nKey = 0; nKey < kKeyCount; ++nKey) nKeyFrames += 2 * m_aBone[nKey].size();
  m_nKeyFrameCount = nKeyFrames - m_nKeysAtZero + m_aBone[kPedalBone].size();
  if (settings.bSteps) {
    for (KeySteps<StepCounter>& steps : m_aKeySteps) {
      steps.Finish();
      m_nStepKeyFrameCount += steps.GetSink().nKeyFrames;
    }
    m_pedalSteps.Finish();
    m_nStepKeyFrameCount += m_pedalSteps.GetSink().nKeyFrames;
  }
}

template <bool kSteps>
void KeyFrameBuckets::Walk(MergedEvents* pEvents) {
  // Inlined into each loop of the walk: a call per event would cost more
  // than most of what it does. What it needs is reached through this alone,
  // which leaves the loops their registers.
  pEvents->ForEach([this](MIDIEvent* pEvent, auto time) __attribute__((always_inline)) {
    if (!m_calls.pfnIsMIDIEvent(pEvent)) return;
    // The low four bits are the channel: every channel drives the same
    // bones. 0x80 and 0x90 differ in one bit only.
    long lKind = m_calls.pfnGetKind(pEvent);
    if ((lKind & 0xE0) == 0x80) {
      long lKey = m_calls.pfnGetKey(pEvent);
      if (static_cast<unsigned long>(lKey) >= kKeyCount) return;
      bool bPress = m_calls.pfnIsNoteOn(pEvent) != 0;
      Bone* pBone = m_apKeyBone[lKey];
      if (pBone == nullptr) {
        // Off the keyboard, or a key the model has no bone for: nothing can
        // show it. Counting the presses tells the user how many notes the
        // motion lacks.
        if (bPress) ++m_nDroppedNotes;
        return;
      }
      long lTime = time.Get();
      uint32_t nFrame = static_cast<uint32_t>(lTime);
      if (!decltype(time)::kFrameTime && static_cast<unsigned long>(lTime) - 1 >= INT32_MAX) {
        // At or before 0, or past the library's times: held at the nearer
        // end. At frame 0 a key has no companion keyframe.
        nFrame = lTime <= 0 ? 0 : INT32_MAX;
        if (nFrame == 0) ++m_nKeysAtZero;
      }
      if constexpr (kSteps) m_aKeySteps[pBone - m_aBone].Add(nFrame, bPress, 0);
      if (!pBone->m_bVelocity) {
        PutKey<false>(pBone, nFrame, bPress);
        return;
      }
      int nBone = static_cast<int>(pBone - m_aBone);
      if (bPress) {
        long lVelocity = midilib::MIDIEvent_GetVelocity(pEvent);
        m_anPressVelocity[nBone] =
            static_cast<uint8_t>(lVelocity < 1 ? 1 : lVelocity > 127 ? 127 : lVelocity);
      } else if (m_anPressVelocity[nBone] == 0) {
        // A release with no press before it: the key was down all along.
        m_anPressVelocity[nBone] = 127;
      }
      PutKey<true>(pBone, nFrame, bPress, m_anPressVelocity[nBone]);
    } else if (m_bPedalBone && (lKind & 0xF0) == 0xB0 &&
               midilib::MIDIEvent_GetNumber(pEvent) == kPedalNumber) {
      long lValue = midilib::MIDIEvent_GetValue(pEvent);
      // A controller value is 7 bits; anything else is held at the ends.
      auto nValue = static_cast<uint8_t>(lValue < 0 ? 0 : lValue > 127 ? 127 : lValue);
      auto nFrame = static_cast<uint32_t>(time.Get());
      PutPedal(&m_aBone[kPedalBone], nFrame, nValue);
      if constexpr (kSteps) m_pedalSteps.Add(nFrame, nValue);
    }
  });
}
