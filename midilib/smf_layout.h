// The layout of a Standard MIDI File, as the reader (midi_data_smf.cc) and
// the checker (midi_data_check.cc) both walk it: only their walks of a
// track's events differ, the reader's built for speed, the checker's for
// saying where a file goes wrong.
//
// Layout: big-endian chunks of a 4-byte id and a 4-byte length. "MThd"
// (format, track count, division) comes first, then "MTrk" chunks holding
// events whose delta times and meta and SysEx lengths are variable-length
// quantities (7 bits a byte, high bit = more follows; 4 bytes at most). A
// RIFF "RMID" file carries such a file in its "data" chunk (little-endian
// lengths there, chunks padded to an even length). Every read is checked
// against the end of the bytes it may read.
#ifndef SONOMOT_MIDILIB_SMF_LAYOUT_H_
#define SONOMOT_MIDILIB_SMF_LAYOUT_H_

#include <cstddef>
#include <cstdint>

#include "midilib/midi_data_internal.h"
#include "midilib/read_file.h"

namespace midilib_internal {

inline uint32_t ReadBE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
inline uint32_t ReadLE32(const uint8_t* p) {
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}
inline uint16_t ReadBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// How reading a variable-length quantity went.
enum class VLQRead { kRead, kRunsOut, kTooLong };

// Reads a variable-length quantity at p (moved past what it read) into
// *pValue: kRunsOut if it reaches pEnd first, kTooLong if it takes more
// than 4 bytes.
inline VLQRead ReadVLQ(const uint8_t*& p, const uint8_t* pEnd, uint32_t* pValue) {
  uint32_t value = 0;
  for (int i = 0; i < 4; i++) {
    if (p >= pEnd) return VLQRead::kRunsOut;
    uint8_t b = *p++;
    value = (value << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) {
      *pValue = value;
      return VLQRead::kRead;
    }
  }
  return VLQRead::kTooLong;
}

// True when the first 12 bytes may begin a MIDI file (an SMF, or a RIFF
// RMID file): a large file of another kind need not be read further.
bool MayBeMIDIFile(const uint8_t* pFirst12);

// The SMF inside a RIFF RMID image (its "data" chunk, cut to the bytes
// there are), or the whole image if it is no RIFF RMID file. False for a
// RIFF RMID file without a data chunk.
bool FindSMF(const uint8_t* pFile, size_t nSize, const uint8_t** ppSMF, size_t* pnSMF);

// What the "MThd" chunk says.
struct SMFHeader {
  size_t nFirstChunk = 0;  // where the chunk after the header starts
  long lFormat = 0;
  long lTimeMode = 0;  // 0 (ticks a quarter note), or 24, 25, 29, 30 frames a second
  long lResolution = 0;
  unsigned nDeclaredTracks = 0;
};

// Why a header is refused, in the order it is checked.
enum class HeaderFault {
  kNone,
  kNotMIDI,          // no "MThd" at the start
  kEndsInHeader,     // fewer bytes than the header takes
  kTooShort,         // a header length below 6
  kUnknownFormat,    // above 2 (lFormat holds it)
  kUnknownFrameRate  // SMPTE division of another rate (lTimeMode holds it)
};

// Reads the header at the start of an SMF of nSMF bytes. The fields are
// filled as far as the checks got.
HeaderFault ReadHeader(const uint8_t* pSMF, size_t nSMF, SMFHeader* pHeader);

// One chunk after the header: its id, its bytes (cut to what there is) and
// the length its header gives.
struct SMFChunk {
  const uint8_t* pId;
  const uint8_t* pBegin;
  const uint8_t* pEnd;
  uint32_t nDeclared;
  bool IsCut() const { return static_cast<size_t>(pEnd - pBegin) < nDeclared; }
  bool IsTrack() const;
};

// Steps through the chunks of an SMF from the one after the header. A last
// chunk longer than the bytes left is cut to them; fewer than 8 bytes at
// the end are no chunk.
class SMFChunks {
 public:
  SMFChunks(const uint8_t* pSMF, size_t nSMF, const SMFHeader& header)
      : m_pSMF(pSMF), m_nSMF(nSMF), m_nPos(header.nFirstChunk) {}
  // The next chunk, or false when too few bytes are left for one.
  bool Next(SMFChunk* pChunk);
  // The bytes left after the chunks stepped through so far.
  size_t Left() const { return m_nSMF - m_nPos; }

 private:
  const uint8_t* m_pSMF;
  size_t m_nSMF;
  size_t m_nPos;
};

// How reading a file's image treats its start.
enum class ImageRead {
  kWhole,   // every byte, whatever they are
  kIfMIDI,  // nothing past the first 12 bytes unless MayBeMIDIFile
};

// Reads the regular file pszFileName into *pImage (fresh pages, given back
// when it goes): *pnRead bytes, fewer than *pStamp says if the file shrank
// meanwhile. A FIFO never blocks the open. False with errno set if it
// can't be read: EISDIR for a folder, EINVAL for another file that isn't
// regular, ENOMEM when the memory can't be had, EILSEQ when eRead is
// kIfMIDI and the file is of another kind.
bool ReadFileImage(const char* pszFileName, ImageRead eRead, PageBuffer* pImage, size_t* pnRead,
                   FileStamp* pStamp);

}  // namespace midilib_internal

#endif  // SONOMOT_MIDILIB_SMF_LAYOUT_H_
