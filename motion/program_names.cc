#include "motion/program_names.h"

namespace {

// The General MIDI list in its order, eight programs a family per row.
const char* const kProgramNames[128] = {
    "piano",    "brtpiano", "e.grand",  "honkytnk", "e.piano1", "e.piano2", "harpsich", "clavinet",
    "celesta",  "glocken",  "musicbox", "vibes",    "marimba",  "xylophon", "tubebell", "dulcimer",
    "organ",    "percorgn", "rockorgn", "church",   "reedorgn", "accordn",  "harmnica", "tangoacc",
    "nylongtr", "steelgtr", "jazzgtr",  "cleangtr", "mutedgtr", "overdriv", "distgtr",  "gtrharm",
    "acbass",   "fngrbass", "pickbass", "fretless", "slapbas1", "slapbas2", "synbass1", "synbass2",
    "violin",   "viola",    "cello",    "contrabs", "tremstr",  "pizzstr",  "harp",     "timpani",
    "strings",  "slowstr",  "synstr1",  "synstr2",  "choir",    "voiceooh", "synvoice", "orchhit",
    "trumpet",  "trombone", "tuba",     "mutetrp",  "frhorn",   "brass",    "synbras1", "synbras2",
    "sopsax",   "altosax",  "tenorsax", "barisax",  "oboe",     "enghorn",  "bassoon",  "clarinet",
    "piccolo",  "flute",    "recorder", "panflute", "bottle",   "shakuhac", "whistle",  "ocarina",
    "squareld", "sawld",    "calliope", "chiffld",  "charang",  "voiceld",  "fifthsld", "bassld",
    "newagepd", "warmpd",   "polysypd", "choirpd",  "bowedpd",  "metalpd",  "halopd",   "sweeppd",
    "rain",     "sndtrack", "crystal",  "atmosphr", "brightns", "goblins",  "echoes",   "scifi",
    "sitar",    "banjo",    "shamisen", "koto",     "kalimba",  "bagpipe",  "fiddle",   "shanai",
    "tinklbel", "agogo",    "steeldrm", "woodblok", "taiko",    "melotom",  "synthdrm", "revcymbl",
    "fretnois", "breath",   "seashore", "bird",     "telephon", "helicopt", "applause", "gunshot",
};

constexpr int kPianoLast = 7;
constexpr int kOrganFirst = 16;
constexpr int kOrganLast = 20;

}  // namespace

const char* ProgramName(int nProgram) { return kProgramNames[nProgram]; }

bool IsKeyboardProgram(int nProgram) {
  return (nProgram >= 0 && nProgram <= kPianoLast) ||
         (nProgram >= kOrganFirst && nProgram <= kOrganLast);
}
