// General MIDI programs: the short name the track table shows for each, and
// the ones a keyboard player plays, which the whole piece is made of.
//
// Programs are counted from 0 as a file stores them: 0 is the acoustic
// grand piano (program 1 of the General MIDI list, which counts from 1).
#ifndef SONOMOT_MOTION_PROGRAM_NAMES_H_
#define SONOMOT_MOTION_PROGRAM_NAMES_H_

// The longest short name, so that a column of them stays narrow.
constexpr int kProgramNameWidth = 8;

// "piano", "organ", "flute", "strings": lower-case ASCII of 1 to
// kProgramNameWidth bytes. REQUIRES: 0 <= nProgram <= 127.
const char* ProgramName(int nProgram);

// True for the piano family (programs 0 to 7: the pianos, harpsichord and
// clavinet) and the organs (16 to 20: drawbar, percussive, rock, church
// and reed organ); false for every other program.
bool IsKeyboardProgram(int nProgram);

#endif  // SONOMOT_MOTION_PROGRAM_NAMES_H_
