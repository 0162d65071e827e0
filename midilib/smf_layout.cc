#include "midilib/smf_layout.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace midilib_internal {

namespace {

bool IsRIFFMIDI(const uint8_t* pFile, size_t nSize) {
  return nSize >= 12 && std::memcmp(pFile, "RIFF", 4) == 0 &&
         std::memcmp(pFile + 8, "RMID", 4) == 0;
}

// Reads up to nSize bytes of file into pBytes (*pnRead of them; fewer if the
// file ends sooner). With eRead kIfMIDI the first 12 bytes are read alone
// and judged first. 0, or the errno of the failure.
int ReadBytes(ReadOnlyFile* pFile, ImageRead eRead, uint8_t* pBytes, size_t nSize, size_t* pnRead) {
  size_t nRead = 0;
  size_t nWanted = eRead == ImageRead::kIfMIDI && nSize > 12 ? 12 : nSize;
  while (nRead < nWanted) {
    size_t n = 0;
    if (int nError = pFile->Read(pBytes + nRead, nWanted - nRead, &n); nError != 0) return nError;
    if (n == 0) break;
    nRead += n;
    if (nRead == nWanted && nWanted < nSize) {
      if (!MayBeMIDIFile(pBytes)) return EILSEQ;
      nWanted = nSize;
    }
  }
  *pnRead = nRead;
  return 0;
}

}  // namespace

bool MayBeMIDIFile(const uint8_t* pFirst12) {
  return std::memcmp(pFirst12, "MThd", 4) == 0 || IsRIFFMIDI(pFirst12, 12);
}

bool FindSMF(const uint8_t* pFile, size_t nSize, const uint8_t** ppSMF, size_t* pnSMF) {
  if (!IsRIFFMIDI(pFile, nSize)) {
    *ppSMF = pFile;
    *pnSMF = nSize;
    return true;
  }
  size_t pos = 12;
  while (nSize - pos >= 8) {
    size_t nLength = ReadLE32(pFile + pos + 4);
    size_t nAvail = nSize - pos - 8;
    if (std::memcmp(pFile + pos, "data", 4) == 0) {
      *ppSMF = pFile + pos + 8;
      *pnSMF = nLength < nAvail ? nLength : nAvail;
      return true;
    }
    if (nLength >= nAvail) return false;
    pos += 8 + nLength + (nLength & 1);
    if (pos > nSize) return false;
  }
  return false;
}

HeaderFault ReadHeader(const uint8_t* pSMF, size_t nSMF, SMFHeader* pHeader) {
  bool bMThd = nSMF >= 4 && std::memcmp(pSMF, "MThd", 4) == 0;
  if (!bMThd) return HeaderFault::kNotMIDI;
  if (nSMF < 8) return HeaderFault::kEndsInHeader;
  size_t nHeader = ReadBE32(pSMF + 4);
  if (nHeader < 6) return HeaderFault::kTooShort;
  if (nHeader > nSMF - 8) return HeaderFault::kEndsInHeader;
  pHeader->nFirstChunk = 8 + nHeader;
  pHeader->lFormat = ReadBE16(pSMF + 8);
  pHeader->nDeclaredTracks = ReadBE16(pSMF + 10);
  if (pHeader->lFormat > 2) return HeaderFault::kUnknownFormat;
  uint16_t wDivision = ReadBE16(pSMF + 12);
  pHeader->lTimeMode = 0;
  pHeader->lResolution = wDivision;
  if (wDivision & 0x8000) {
    pHeader->lTimeMode = -static_cast<int8_t>(wDivision >> 8);
    pHeader->lResolution = wDivision & 0xFF;
    long lRate = pHeader->lTimeMode;
    if (lRate != 24 && lRate != 25 && lRate != 29 && lRate != 30) {
      return HeaderFault::kUnknownFrameRate;
    }
  }
  return HeaderFault::kNone;
}

bool SMFChunk::IsTrack() const { return std::memcmp(pId, "MTrk", 4) == 0; }

bool SMFChunks::Next(SMFChunk* pChunk) {
  if (m_nSMF - m_nPos < 8) return false;
  const uint8_t* pId = m_pSMF + m_nPos;
  uint32_t nDeclared = ReadBE32(pId + 4);
  size_t nAvail = m_nSMF - m_nPos - 8;
  size_t nLength = nDeclared < nAvail ? nDeclared : nAvail;
  *pChunk = {pId, pId + 8, pId + 8 + nLength, nDeclared};
  m_nPos += 8 + nLength;
  return true;
}

bool ReadFileImage(const char* pszFileName, ImageRead eRead, PageBuffer* pImage, size_t* pnRead,
                   FileStamp* pStamp) {
  int nError = 0;
  {
    ReadOnlyFile file;  // closed before errno is set
    nError = file.Open(pszFileName, pStamp);
    if (nError == 0 &&
        (pStamp->nSize > SIZE_MAX || !pImage->Allocate(static_cast<size_t>(pStamp->nSize)))) {
      nError = ENOMEM;
    } else if (nError == 0) {
      // The size can change while we read: read what is there, never past
      // the buffer.
      nError = ReadBytes(&file, eRead, pImage->data(), static_cast<size_t>(pStamp->nSize), pnRead);
    }
  }
  if (nError == 0) return true;
  errno = nError;
  return false;
}

}  // namespace midilib_internal
