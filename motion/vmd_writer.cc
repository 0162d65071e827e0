#include "motion/vmd_writer.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include "files/output_file.h"
#include "files/write_behind.h"
#include "motion/bone_key_frame.h"
#include "motion/bone_names.h"
#include "motion/key_frame_buckets.h"
#include "motion/merged_events.h"
#include "motion/step_motion.h"
#include "motion/vmd_format.h"
#include "motion/vmd_record.h"

namespace {
// The image goes to the file in pieces of this size: large enough that the
// number of writes doesn't matter (a few hundred for a file of 300 MB),
// small enough that a file of any length costs no more memory.
constexpr size_t kBufferSize = WriteBehind::kBufferSize;
// The keys of an 88-key piano: A0 to C8.
constexpr int kLowestPianoKey = 21;
constexpr int kHighestPianoKey = 108;

void PutUInt32(uint8_t* p, uint32_t nValue) {
  p[0] = static_cast<uint8_t>(nValue);
  p[1] = static_cast<uint8_t>(nValue >> 8);
  p[2] = static_cast<uint8_t>(nValue >> 16);
  p[3] = static_cast<uint8_t>(nValue >> 24);
}

// The bytes a name is stored as: its Shift-JIS form. A name that has none
// (settings not checked) goes as it is, cut to its field like any other.
std::string StoredName(const std::string& strName) {
  std::string strShiftJis;
  return ToShiftJis(strName, &strShiftJis) ? strShiftJis : strName;
}
}  // namespace

VmdWriter::VmdWriter(const ExportSettings& settings)
    : m_settings(settings), m_pBehind(nullptr), m_bWriteFailed(false) {}

VmdWriter::~VmdWriter() = default;

void VmdWriter::WriteUInt32(uint32_t nValue) {
  uint8_t a[4];
  PutUInt32(a, nValue);
  Append(a, sizeof a);
}

void VmdWriter::WriteFloat(float fValue) {
  uint32_t nBits;
  std::memcpy(&nBits, &fValue, sizeof nBits);
  WriteUInt32(nBits);
}

void VmdWriter::WriteByte(int nValue) {
  uint8_t by = static_cast<uint8_t>(nValue);
  Append(&by, 1);
}

void VmdWriter::WriteFixedString(const char* psz, int nWidth) {
  std::vector<uint8_t> bytes;
  vmd::AppendFixedString(&bytes, psz, nWidth);
  Append(bytes.data(), bytes.size());
}

int VmdWriter::WriteHeader() {
  WriteFixedString(vmd::kSignature, vmd::kSignatureWidth);
  WriteFixedString(StoredName(m_settings.strModelName).c_str(), vmd::kModelNameWidth);
  return 1;
}

void VmdWriter::WriteBoneKeyFrame(const BoneKeyFrame& keyFrame) {
  std::vector<uint8_t> record;
  vmd::AppendRecord(&record, keyFrame);
  Append(record.data(), record.size());
}

void VmdWriter::Append(const uint8_t* p, size_t n) {
  if (!m_pBehind) {
    m_image.insert(m_image.end(), p, p + n);
    return;
  }
  while (n > 0) {
    if (m_nBuffered == kBufferSize) Flush();
    size_t nPart = std::min(n, kBufferSize - m_nBuffered);
    std::memcpy(m_pBuffer + m_nBuffered, p, nPart);
    m_nBuffered += nPart;
    p += nPart;
    n -= nPart;
  }
}

inline uint8_t* VmdWriter::RecordRoom() {
  if (!m_pBehind) {
    size_t nAt = m_image.size();
    m_image.resize(nAt + vmd::kRecordSize);
    return m_image.data() + nAt;
  }
  if (m_nBuffered + vmd::kRecordSize > kBufferSize) Flush();
  uint8_t* p = m_pBuffer + m_nBuffered;
  m_nBuffered += vmd::kRecordSize;
  return p;
}

int VmdWriter::WriteMotion(MIDITrack* pTrack) {
  if (!pTrack) return 0;
  KeyFrameBuckets buckets;
  MergedEvents events(&pTrack, 1);
  CollectMotion(&events, &buckets);
  WriteKeyFrames(buckets);
  return 1;
}

void VmdWriter::CollectMotion(MergedEvents* pEvents, KeyFrameBuckets* pBuckets) {
  pBuckets->Collect(pEvents, m_settings);
  m_nDroppedNotes = pBuckets->GetDroppedNoteCount();
  m_nKeyFrames = m_settings.bSteps ? pBuckets->GetStepKeyFrameCount()
                                   : pBuckets->GetKeyFrameCount();
}

MotionFigures VmdWriter::Measure(MIDITrack* const* ppTracks, size_t nTracks,
                                 TrackSummary* pSummary) {
  MotionFigures figures;
  m_nDroppedNotes = 0;
  m_nKeyFrames = 0;
  try {
    KeyFrameBuckets buckets;
    MergedEvents events(ppTracks, nTracks);
    events.SetSummary(pSummary);
    buckets.Collect(&events, m_settings);
    StepFigures steps = MeasureSteps(buckets);
    m_nDroppedNotes = buckets.GetDroppedNoteCount();
    m_nKeyFrames = m_settings.bSteps ? buckets.GetStepKeyFrameCount() : buckets.GetKeyFrameCount();
    figures.nKeyFrames = m_nKeyFrames;
    figures.nBytes = vmd::kEmptyFileSize + uint64_t{vmd::kRecordSize} * figures.nKeyFrames +
                     (m_settings.bFullLayout ? vmd::kEmptySectionsSize : 0);
    figures.nDropped = buckets.GetDroppedNoteCount();
    bool bAny = false;
    for (int nBone = 0; nBone < KeyFrameBuckets::kBoneCount; ++nBone) {
      bool bKey = nBone < KeyFrameBuckets::kKeyCount;
      bool bOffPiano = bKey && (nBone < kLowestPianoKey || nBone > kHighestPianoKey);
      for (const KeyFrameBuckets::Entry& entry : buckets.GetBone(nBone)) {
        uint32_t nFirst = entry.nFrame - (bKey && entry.bCompanion ? 1 : 0);
        if (!bAny || nFirst < figures.nFirstFrame) figures.nFirstFrame = nFirst;
        if (!bAny || entry.nFrame > figures.nLastFrame) figures.nLastFrame = entry.nFrame;
        bAny = true;
        if (bOffPiano && entry.bPress) ++figures.nOutsidePiano;
      }
    }
    if (m_settings.bSteps) {
      figures.nFirstFrame = steps.nFirstFrame;
      figures.nLastFrame = steps.nLastFrame;
    }
    figures.nClassicDoubled = steps.nClassicDoubled;
    figures.nMergedNotes = steps.nMergedNotes;
    figures.nStrayOffs = steps.nStrayOffs;
    figures.bOk = true;
  } catch (const std::bad_alloc&) {
    figures = MotionFigures();
  }
  return figures;
}

void VmdWriter::WriteKeyFrames(const KeyFrameBuckets& buckets) {
  WriteUInt32(static_cast<uint32_t>(m_nKeyFrames));

  // Records of one bone and pose differ only in their frame number, so each
  // is made once as a template and copied with its frame set.
  // keyTemplates holds, for each key, its KeyUp record, then its KeyDown one.
  std::vector<uint8_t> keyTemplates;
  keyTemplates.reserve(KeyFrameBuckets::kKeyCount * 2 * vmd::kRecordSize);
  const Quaternion keyDown = KeyDownRotation(m_settings);
  for (int nKey = 0; nKey < KeyFrameBuckets::kKeyCount; ++nKey) {
    BoneKeyFrame keyFrame;
    snprintf(keyFrame.name, sizeof keyFrame.name, "%s",
             StoredName(KeyBoneName(m_settings, nKey)).c_str());
    keyFrame.kind = BoneKeyFrame::KeyUp;
    vmd::AppendRecord(&keyTemplates, keyFrame);
    keyFrame.kind = BoneKeyFrame::KeyDown;
    vmd::AppendRecord(&keyTemplates, keyFrame);
    vmd::PutRecordRotation(keyTemplates.data() + keyTemplates.size() - vmd::kRecordSize,
                           keyDown);
  }
  // With velocity on, a press's depth depends on its velocity: the
  // rotation of each velocity, put into the KeyDown records as they go.
  std::vector<Quaternion> keyDownByVelocity;
  if (m_settings.bVelocity) {
    for (int nVelocity = 0; nVelocity < 128; ++nVelocity) {
      keyDownByVelocity.push_back(KeyDownRotation(m_settings, nVelocity));
    }
  }
  std::vector<uint8_t> pedalTemplates;
  if (!buckets.GetBone(KeyFrameBuckets::kPedalBone).empty()) {
    pedalTemplates.reserve(128 * vmd::kRecordSize);
    for (int nValue = 0; nValue < 128; ++nValue) {
      BoneKeyFrame keyFrame;
      snprintf(keyFrame.name, sizeof keyFrame.name, "%s",
               StoredName(m_settings.strPedalName).c_str());
      keyFrame.kind = BoneKeyFrame::Pedal;
      keyFrame.value = nValue;
      vmd::AppendRecord(&pedalTemplates, keyFrame);
      if (!m_settings.bDefaultPedalAngle) {
        vmd::PutRecordRotation(pedalTemplates.data() + pedalTemplates.size() - vmd::kRecordSize,
                               PedalRotation(m_settings, nValue));
      }
    }
  }

  // A record is its template with the frame put in (and, with velocity
  // on, a pressed key's rotation): one copy of a fixed size straight into
  // the output buffer.
  auto putRecord = [this](const uint8_t* pTemplate, uint32_t nFrame,
                          const Quaternion* pRotation = nullptr) {
    uint8_t* p = RecordRoom();
    std::memcpy(p, pTemplate, vmd::kRecordSize);
    PutUInt32(p + vmd::kFrameOffset, nFrame);
    if (pRotation) vmd::PutRecordRotation(p, *pRotation);
  };

  for (int nKey = 0; nKey < KeyFrameBuckets::kKeyCount && !m_bWriteFailed; ++nKey) {
    const uint8_t* pUp = keyTemplates.data() + (nKey * 2) * vmd::kRecordSize;
    const uint8_t* pDown = pUp + vmd::kRecordSize;
    const KeyFrameBuckets::Bone& bone = buckets.GetBone(nKey);
    if (m_settings.bSteps) {
      KeySteps steps([&](uint32_t nFrame, bool bDown, uint8_t nVelocity) {
        const Quaternion* pDepth =
            bDown && !keyDownByVelocity.empty() ? &keyDownByVelocity[nVelocity] : nullptr;
        putRecord(bDown ? pDown : pUp, nFrame, pDepth);
      });
      for (const KeyFrameBuckets::Entry& entry : bone) steps.Add(entry);
      steps.Finish();
      continue;
    }
    if (keyDownByVelocity.empty()) {
      for (const KeyFrameBuckets::Entry& entry : bone) {
        // The key holds its earlier state until one frame before the event
        // and reaches the new state at the event's frame.
        if (entry.bCompanion) putRecord(entry.bPress ? pUp : pDown, entry.nFrame - 1);
        putRecord(entry.bPress ? pDown : pUp, entry.nFrame);
      }
      continue;
    }
    for (const KeyFrameBuckets::Entry& entry : bone) {
      const uint8_t* pBefore = entry.bPress ? pUp : pDown;
      const uint8_t* pAfter = entry.bPress ? pDown : pUp;
      const Quaternion* pDepth = &keyDownByVelocity[entry.nValue];
      if (entry.bCompanion) putRecord(pBefore, entry.nFrame - 1, entry.bPress ? nullptr : pDepth);
      putRecord(pAfter, entry.nFrame, entry.bPress ? pDepth : nullptr);
    }
  }
  const KeyFrameBuckets::Bone& pedal = buckets.GetBone(KeyFrameBuckets::kPedalBone);
  if (!m_settings.bSteps) {
    for (const KeyFrameBuckets::Entry& entry : pedal) {
      if (m_bWriteFailed) break;
      putRecord(pedalTemplates.data() + entry.nValue * vmd::kRecordSize, entry.nFrame);
    }
  } else if (!m_bWriteFailed) {
    PedalSteps steps([&](uint32_t nFrame, uint8_t nValue) {
      putRecord(pedalTemplates.data() + nValue * vmd::kRecordSize, nFrame);
    });
    for (const KeyFrameBuckets::Entry& entry : pedal) steps.Add(entry);
    steps.Finish();
  }
  // The full layout: the counts of the sections that follow, all empty.
  if (m_settings.bFullLayout) {
    for (int i = 0; i < vmd::kEmptySectionCount; ++i) WriteUInt32(0);
  }
}

void VmdWriter::Flush() {
  if (!m_pBehind) return;  // no file yet: the image stays in memory
  if (m_nBuffered > 0) m_pBehind->Send(m_nBuffered);
  // A write that failed ends the export: the records still to come are
  // not made.
  if (m_pBehind->Failed()) m_bWriteFailed = true;
  m_pBuffer = m_pBehind->GetBuffer();
  m_nBuffered = 0;
}

int VmdWriter::Write(const char* pszPath, MIDITrack* pTrack) {
  return Write(pszPath, &pTrack, 1);
}

int VmdWriter::Write(const char* pszPath, MIDITrack* const* ppTracks, size_t nTracks) {
  m_image.clear();
  m_nDroppedNotes = 0;
  m_nKeyFrames = 0;
  m_strLeftover.clear();
  WriteHeader();
  // Without a track there is no motion; the path is not touched.
  if (nTracks == 0) return kNoMotion;
  for (size_t i = 0; i < nTracks; ++i) {
    if (!ppTracks[i]) return kNoMotion;
  }
  try {
    KeyFrameBuckets buckets;
    MergedEvents events(ppTracks, nTracks);
    {
      // The file this export will replace gives up its cached pages on
      // the other core while the motion is collected; the block ends by
      // waiting for it. Only a hint: without a thread it is left out.
      std::jthread forget;
      try {
        if (!m_bStandardOutput) forget = std::jthread(OutputFile::ForgetCachedPages, pszPath);
      } catch (const std::system_error&) {
      } catch (const std::bad_alloc&) {
      }
      CollectMotion(&events, &buckets);
    }
    if (m_bRefuseEmpty && buckets.GetKeyFrameCount() == 0) {
      m_image.clear();
      return kEmptyMotion;
    }
    // The size is known before the first byte is written. Write reports it
    // as an int: a larger file could not be reported and is not written.
    uint64_t nSize = vmd::kEmptyFileSize +
                     uint64_t{vmd::kRecordSize} * m_nKeyFrames +
                     (m_settings.bFullLayout ? vmd::kEmptySectionsSize : 0);
    if (nSize > INT_MAX) {
      m_image.clear();
      return kCannotWrite;
    }
    OutputFile output;
    if (!(m_bStandardOutput ? output.OpenStandardOutput() : output.Open(pszPath))) {
      m_image.clear();
      return kCannotOpen;
    }
    // Room for the whole file first: a full disk or a size limit fails
    // here, before a file written in place loses a byte.
    if (!output.Reserve(nSize)) {
      m_image.clear();
      return kCannotWrite;
    }
    // The header made so far goes first into the buffers the file is
    // written from, each written while the next is filled.
    WriteBehind behind(&output);
    m_pBehind = &behind;
    m_pBuffer = behind.GetBuffer();
    m_nBuffered = 0;
    m_bWriteFailed = false;
    Append(m_image.data(), m_image.size());
    m_image.clear();
    WriteKeyFrames(buckets);
    Flush();
    bool bWritten = behind.Finish() && !m_bWriteFailed;
    m_pBehind = nullptr;
    m_pBuffer = nullptr;
    bool bOk = bWritten && output.Commit();
    m_strLeftover = output.GetLeftover();
    return bOk ? static_cast<int>(nSize) : kCannotWrite;
  } catch (const std::bad_alloc&) {
    // Out of memory while collecting or writing: a new output file, if
    // opened, is removed by its destructor and the path keeps what it held.
    m_pBehind = nullptr;
    m_pBuffer = nullptr;
    m_image.clear();
    return kCannotWrite;
  }
}
