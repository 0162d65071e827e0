// VmdWriter: writes one MIDI track, or several merged into one motion, as
// a VMD motion file.
//
// The file is little-endian: a 30-byte signature, a 20-byte model name, the
// 32-bit bone keyframe count N, then N records of 111 bytes (layout in
// motion/vmd_format.h). Its size is 54 + 111 x N bytes, and 20 more with
// the full layout, whose five empty section counts follow the records.
//
// Names (written in their Shift-JIS form, motion/bone_names.h), poses,
// velocity, transposition, layout and the motion (classic keyframes or
// steps, motion/step_motion.h) come from the ExportSettings the writer is
// made with; the default settings give the program's classic file.
//
// The image is appended field by field through the primitives below. Inside
// Write it streams through two reused buffers, one filled while the other
// is written by a thread of its own (files/write_behind.h), into an OutputFile
// (files/output_file.h): a new file, put at the output path only once
// every byte is written and on the disk, so a failed export leaves neither
// a partial file nor a changed one; or, where replacing the file would
// change more than its content (other hard links, another owner, a folder
// we can't write, an ACL or attribute the new file can't be given), the
// file itself, written in place once room for all of it is reserved.
// Outside Write (no file open) the primitives just grow the image in
// memory, which GetImage shows.
//
// Several tracks make the motion that one track holding all their events
// would make: events in time order, events of one time in the order the
// tracks are given (motion/merged_events.h). One track given alone is
// exported exactly as Write of that track.
//
// A writer serves one export at a time; it keeps nothing between calls of
// Write but the figures of the last one. The tracks are read only through
// the bound functions of midibind/midi_binding.h.
#ifndef SONOMOT_MOTION_VMD_WRITER_H_
#define SONOMOT_MOTION_VMD_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midilib/MIDIData.h"
#include "motion/export_settings.h"

class KeyFrameBuckets;
class MergedEvents;
class WriteBehind;
struct BoneKeyFrame;
struct TrackSummary;

// What an export would write, found by collecting the motion without
// writing it (VmdWriter::Measure).
struct MotionFigures {
  bool bOk = false;  // false: memory ran out while collecting
  uint64_t nKeyFrames = 0;
  uint64_t nBytes = 0;  // the file size, layout included
  // The first and last frame written; both 0 without keyframes.
  uint32_t nFirstFrame = 0;
  uint32_t nLastFrame = 0;
  // Presses on keys (after transposition) that a piano of 88 keys, A0 (21)
  // to C8 (108), doesn't have; they are written all the same.
  uint64_t nOutsidePiano = 0;
  // Presses the settings leave out of the motion (GetDroppedNoteCount).
  uint64_t nDropped = 0;
  // What the steps change (motion/step_motion.h), whichever motion the
  // settings choose: keyframes the classic motion writes on a frame their
  // bone already has one on, presses merged into a sounding key, and
  // releases of a silent key.
  uint64_t nClassicDoubled = 0;
  uint64_t nMergedNotes = 0;
  uint64_t nStrayOffs = 0;
};

class VmdWriter {
 public:
  // Write's results besides the file size.
  static constexpr int kNoMotion = -1;      // the track handle is null
  static constexpr int kCannotOpen = -2;    // the path can't be opened
  static constexpr int kCannotWrite = -3;   // a write, close or rename failed
  static constexpr int kEmptyMotion = -4;   // no keyframe, refused (RefuseEmptyMotion)

  explicit VmdWriter(const ExportSettings& settings = ExportSettings());
  ~VmdWriter();
  VmdWriter(const VmdWriter&) = delete;
  VmdWriter& operator=(const VmdWriter&) = delete;

  // Writes the motion of pTrack to pszPath (created or replaced; no
  // extension added; relative to the current directory). Returns the file
  // size, 54 + 111 x N (+ 20 with the full layout); kNoMotion when pTrack is null (nothing is opened,
  // created or truncated); kCannotOpen when the path can't be opened for
  // writing (a missing folder, a folder in the way, a read-only file);
  // kCannotWrite when writing, closing or putting the finished file in
  // place fails, when memory runs out, or when the file would be larger
  // than an int can report. On every failure the path keeps what it held
  // before, except a file written in place on a file system that can't
  // reserve space, which a disk filling while it is written leaves cut
  // short.
  int Write(const char* pszPath, MIDITrack* pTrack);
  // The same for the tracks ppTracks[0..nTracks - 1] merged into one
  // motion; kNoMotion when there are none or one is null.
  int Write(const char* pszPath, MIDITrack* const* ppTracks, size_t nTracks);
  // With bRefuse, a later Write whose motion holds no keyframe returns
  // kEmptyMotion and leaves the path as it was, instead of writing a file
  // of the header alone. Off by default.
  void RefuseEmptyMotion(bool bRefuse) { m_bRefuseEmpty = bRefuse; }
  // With bStandardOutput, a later Write sends the file to the process's
  // standard output (OutputFile::OpenStandardOutput); the path is not
  // touched. Off by default.
  void WriteToStandardOutput(bool bStandardOutput) { m_bStandardOutput = bStandardOutput; }

  // What Write of these tracks would write, with the same settings, found
  // by the same collection; nothing is opened. With pSummary, the walk also
  // adds every event of the tracks to it. REQUIRES: no track is null.
  MotionFigures Measure(MIDITrack* const* ppTracks, size_t nTracks,
                        TrackSummary* pSummary = nullptr);

  // Primitives, each appending at the end of the image.
  void WriteUInt32(uint32_t nValue);  // little-endian
  void WriteFloat(float fValue);      // IEEE 754 single, little-endian
  void WriteByte(int nValue);         // the low 8 bits
  // Exactly nWidth bytes (REQUIRES: nWidth >= 1): the first
  // min(strlen, nWidth - 1) bytes of psz, 0x00, then 0xFD up to nWidth.
  void WriteFixedString(const char* psz, int nWidth);

  // The signature and the model name. Always returns 1.
  int WriteHeader();
  // Appends the bone keyframe count and every record of pTrack's key and
  // pedal motion, then, with the full layout, the five empty section
  // counts. Returns 0 (appending nothing) when pTrack is null, else 1.
  int WriteMotion(MIDITrack* pTrack);
  // Appends one 111-byte record: name, frame, position, the rotation of
  // the keyframe's pose, the interpolation block.
  void WriteBoneKeyFrame(const BoneKeyFrame& keyFrame);

  // The bytes appended since the image was last emptied and not yet handed
  // to a file.
  const std::vector<uint8_t>& GetImage() const { return m_image; }

  // Note presses that transposition moved outside 0..127 in the last
  // WriteMotion or Write; their keys get no keyframes.
  uint64_t GetDroppedNoteCount() const { return m_nDroppedNotes; }
  // Keyframes of the motion of the last WriteMotion, Write or Measure.
  uint64_t GetKeyFrameCount() const { return m_nKeyFrames; }

  // The name of a temporary file the last Write left in the output's
  // folder because it could not remove it; empty when none is left.
  const std::string& GetLeftover() const { return m_strLeftover; }

 private:
  // Appends n bytes: to the image, or inside Write to the output buffer.
  void Append(const uint8_t* p, size_t n);
  // Where the next record's bytes go; the room is taken.
  uint8_t* RecordRoom();
  // Writes the output buffer to the file (inside Write; else nothing).
  void Flush();
  // Collects the events as the settings ask.
  void CollectMotion(MergedEvents* pEvents, KeyFrameBuckets* pBuckets);
  // The bone keyframe count and records, then, with the full layout, the
  // five empty section counts.
  void WriteKeyFrames(const KeyFrameBuckets& buckets);

  ExportSettings m_settings;
  uint64_t m_nDroppedNotes = 0;
  uint64_t m_nKeyFrames = 0;
  std::string m_strLeftover;
  std::vector<uint8_t> m_image;
  WriteBehind* m_pBehind;  // not owned; set only inside Write
  // Inside Write: the buffer being filled, and its bytes used.
  uint8_t* m_pBuffer = nullptr;
  size_t m_nBuffered = 0;
  bool m_bWriteFailed;
  bool m_bRefuseEmpty = false;
  bool m_bStandardOutput = false;
};

#endif  // SONOMOT_MOTION_VMD_WRITER_H_
