// Data and track objects: creation, the event blocks, walking and deletion.
#include <cstdint>
#include <cstdlib>
#include <new>

#include "midilib/midi_data_internal.h"
#include "midilib/page_memory.h"

namespace midilib_internal {

namespace {
constexpr size_t kSmallBlock = 256;  // events per block made by insertion
}  // namespace

MIDIData* NewData(long lFormat, long lTimeMode, long lTimeResolution) {
  MIDIData* pData = new (std::nothrow) MIDIData();
  if (pData == nullptr) return nullptr;
  pData->m_lFormat = lFormat;
  pData->m_lTimeMode = lTimeMode;
  pData->m_lTimeResolution = lTimeResolution;
  pData->m_lNumTrack = 0;
  pData->m_pFirstTrack = nullptr;
  pData->m_pLastTrack = nullptr;
  pData->m_nBlockCapacity = 0;
  pData->m_nBlockUsed = 0;
  pData->m_pFile = nullptr;
  return pData;
}

MIDITrack* AppendTrack(MIDIData* pData) {
  MIDITrack* pTrack = new (std::nothrow) MIDITrack();
  if (pTrack == nullptr) return nullptr;
  pTrack->m_pData = pData;
  pTrack->m_pPrev = pData->m_pLastTrack;
  pTrack->m_pNext = nullptr;
  pTrack->m_pFirst = nullptr;
  pTrack->m_pLast = nullptr;
  pTrack->m_lNumEvent = 0;
  pTrack->m_lNumber = 0;
  pTrack->m_bMayHoldTempo = false;
  if (pData->m_pLastTrack != nullptr) {
    pData->m_pLastTrack->m_pNext = pTrack;
  } else {
    pData->m_pFirstTrack = pTrack;
  }
  pData->m_pLastTrack = pTrack;
  pData->m_lNumTrack++;
  return pTrack;
}

PageBuffer::~PageBuffer() {
  if (m_p != nullptr) FreePages(m_p, m_nMapped);
}

bool PageBuffer::Allocate(size_t nSize) {
  if (m_p != nullptr) FreePages(m_p, m_nMapped);
  m_p = nullptr;
  m_nMapped = nSize ? nSize : 1;
  void* p = AllocatePages(m_nMapped);
  if (p == nullptr) return false;
  m_p = static_cast<uint8_t*>(p);
  AdviseLargePages(m_p, m_nMapped);
  return true;
}

MIDIEvent* ReserveEvents(MIDIData* pData, size_t nCount) {
  if (nCount == 0) nCount = 1;
  if (nCount > SIZE_MAX / sizeof(MIDIEvent)) return nullptr;
  // malloc, not calloc: the pages stay untouched until events are written.
  MIDIEvent* pBlock =
      static_cast<MIDIEvent*>(std::malloc(nCount * sizeof(MIDIEvent)));
  if (pBlock == nullptr) return nullptr;
  AdviseLargePages(pBlock, nCount * sizeof(MIDIEvent));
  try {
    pData->m_vecBlocks.push_back(pBlock);
  } catch (const std::bad_alloc&) {
    std::free(pBlock);
    return nullptr;
  }
  pData->m_nBlockCapacity = nCount;
  pData->m_nBlockUsed = 0;
  return pBlock;
}

MIDIEvent* NewEvent(MIDIData* pData) {
  if (pData->m_vecBlocks.empty() ||
      pData->m_nBlockUsed >= pData->m_nBlockCapacity) {
    if (ReserveEvents(pData, kSmallBlock) == nullptr) return nullptr;
  }
  MIDIEvent* pEvent = pData->m_vecBlocks.back() + pData->m_nBlockUsed++;
  *pEvent = MIDIEvent();
  return pEvent;
}

const uint8_t* KeepBytes(MIDIData* pData, const std::string& bytes) {
  try {
    pData->m_vecBytes.push_back(nullptr);
    pData->m_vecBytes.back() = new std::string(bytes);
    return reinterpret_cast<const uint8_t*>(pData->m_vecBytes.back()->data());
  } catch (const std::bad_alloc&) {
    if (!pData->m_vecBytes.empty() && pData->m_vecBytes.back() == nullptr) {
      pData->m_vecBytes.pop_back();
    }
    return nullptr;
  }
}

}  // namespace midilib_internal

using namespace midilib_internal;

extern "C" {

MIDIData* MIDIData_Create(long lFormat, long lNumTrack, long lTimeMode,
                          long lTimeResolution) {
  if (lFormat < 0 || lFormat > 2 || lNumTrack < 0 || lNumTrack > 65535) {
    return nullptr;
  }
  if (lFormat == 0 && lNumTrack > 1) return nullptr;
  if (lTimeMode == MIDIDATA_TPQNBASE) {
    if (lTimeResolution < 1 || lTimeResolution > 0x7FFF) return nullptr;
  } else if (lTimeMode == MIDIDATA_SMPTE24BASE ||
             lTimeMode == MIDIDATA_SMPTE25BASE ||
             lTimeMode == MIDIDATA_SMPTE29BASE ||
             lTimeMode == MIDIDATA_SMPTE30BASE) {
    if (lTimeResolution < 1 || lTimeResolution > 255) return nullptr;
  } else {
    return nullptr;
  }
  MIDIData* pData = NewData(lFormat, lTimeMode, lTimeResolution);
  if (pData == nullptr) return nullptr;
  for (long i = 0; i < lNumTrack; i++) {
    if (AppendTrack(pData) == nullptr) {
      MIDIData_Delete(pData);
      return nullptr;
    }
  }
  return pData;
}

void MIDIData_Delete(MIDIData* pData) {
  if (pData == nullptr) return;
  MIDITrack* pTrack = pData->m_pFirstTrack;
  while (pTrack != nullptr) {
    MIDITrack* pNext = pTrack->m_pNext;
    delete pTrack;
    pTrack = pNext;
  }
  for (MIDIEvent* pBlock : pData->m_vecBlocks) std::free(pBlock);
  for (std::string* pBytes : pData->m_vecBytes) delete pBytes;
  std::free(pData->m_pFile);
  delete pData;
}

MIDITrack* MIDIData_GetFirstTrack(MIDIData* pData) {
  return pData != nullptr ? pData->m_pFirstTrack : nullptr;
}

long MIDIData_GetNumTrack(MIDIData* pData) {
  return pData != nullptr ? pData->m_lNumTrack : 0;
}

long MIDIData_GetFormat(MIDIData* pData) {
  return pData != nullptr ? pData->m_lFormat : 0;
}

long MIDIData_GetTimeMode(MIDIData* pData) {
  return pData != nullptr ? pData->m_lTimeMode : 0;
}

long MIDIData_GetTimeResolution(MIDIData* pData) {
  return pData != nullptr ? pData->m_lTimeResolution : 0;
}

MIDITrack* MIDITrack_GetNextTrack(MIDITrack* pTrack) {
  return pTrack != nullptr ? pTrack->m_pNext : nullptr;
}

MIDIEvent* MIDITrack_GetFirstEvent(MIDITrack* pTrack) {
  return pTrack != nullptr ? pTrack->m_pFirst : nullptr;
}

MIDIEvent* MIDITrack_GetLastEvent(MIDITrack* pTrack) {
  return pTrack != nullptr ? pTrack->m_pLast : nullptr;
}

long MIDITrack_GetNumEvent(MIDITrack* pTrack) {
  return pTrack != nullptr ? pTrack->m_lNumEvent : 0;
}

long MIDITrack_GetNumber(MIDITrack* pTrack) {
  return pTrack != nullptr ? pTrack->m_lNumber : 0;
}

long MIDITrack_SetNumber(MIDITrack* pTrack, long lNumber) {
  if (pTrack == nullptr) return 0;
  pTrack->m_lNumber = lNumber;
  return 1;
}

long MIDITrack_Delete(MIDITrack* pTrack) {
  if (pTrack == nullptr) return 0;
  MIDIData* pData = pTrack->m_pData;
  if (pTrack->m_pPrev != nullptr) {
    pTrack->m_pPrev->m_pNext = pTrack->m_pNext;
  } else {
    pData->m_pFirstTrack = pTrack->m_pNext;
  }
  if (pTrack->m_pNext != nullptr) {
    pTrack->m_pNext->m_pPrev = pTrack->m_pPrev;
  } else {
    pData->m_pLastTrack = pTrack->m_pPrev;
  }
  pData->m_lNumTrack--;
  delete pTrack;
  return 1;
}

}  // extern "C"
