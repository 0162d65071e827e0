// Bone names: the name each key's bone and the pedal bone get under the
// export settings, and the Shift-JIS bytes the file stores them as.
//
// Names are held as UTF-8, as typed; the file's text fields hold Shift-JIS
// (code page 932), which every reader of the format decodes. The limits of
// the fields count Shift-JIS bytes: 14 for a bone, 19 for the model.
//
// Key names come from one of three namings:
//   a prefix    "nt"          the prefix and the 3-digit key: nt000..nt127
//   a pattern   "key_{note}"  the text with its one placeholder filled in:
//                 {nnn} 060, {n} 60, {note} C#4 (middle C, key 60, is C4;
//                 key 0 is C-1), {piano} 1..88 (A0, key 21, is 1; keys
//                 outside the piano's 88 have no bone)
//   a map       keys map FILE the names the file lists (motion/key_map.h);
//                 keys it doesn't list have no bone
// A note whose key has no bone is dropped and counted, as a note moved off
// the keyboard by transposition is.
#ifndef SONOMOT_MOTION_BONE_NAMES_H_
#define SONOMOT_MOTION_BONE_NAMES_H_

#include <string>

#include "motion/export_settings.h"

// The Shift-JIS form of strUtf8 in *pOut. False, leaving *pOut undefined,
// when strUtf8 is not UTF-8 or holds a character Shift-JIS lacks.
bool ToShiftJis(const std::string& strUtf8, std::string* pOut);

// Why strUtf8 can't be a name of 1 to nMaxBytes Shift-JIS bytes, or "" when
// it can: empty, a control character, no Shift-JIS form, too long.
std::string NameProblem(const std::string& strUtf8, int nMaxBytes);

// The key a note name or MIDI key number stands for: "60", "C4", "c#4",
// "Db4", "B#3" (= C4); -1 when the text is neither or falls outside 0..127.
int ParseKey(const std::string& str);

// One key naming's placeholder.
enum class KeyPlaceholder { kNone, kNnn, kN, kNote, kPiano };
// The placeholder a keys value holds: kNone for a value without braces (a
// prefix). False when the value holds braces that are not exactly one
// known placeholder.
bool FindKeyPlaceholder(const std::string& strKeys, KeyPlaceholder* pPlaceholder);

// The bone name of key nKey (0..127, after transposition) under the
// settings, UTF-8; "" when the key has no bone.
std::string KeyBoneName(const ExportSettings& settings, int nKey);
// True when every key 0..127 has a bone (a prefix, or {nnn}, {n}, {note}).
bool NamesEveryKey(const ExportSettings& settings);

// Why the settings' bones can't be written, or "" when they can: two bones
// sharing a name ("key 64 and the pedal would both be named cc064"). The
// names themselves are checked where they are set.
std::string BoneNameClash(const ExportSettings& settings);

#endif  // SONOMOT_MOTION_BONE_NAMES_H_
