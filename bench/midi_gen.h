// A generator of format-1 piano files for benchmarks and cross-checks:
// a conductor track (name, time signature, a tempo change every 8 bars)
// and a piano track of chords whose notes overlap, released by note-on of
// velocity 0 (mostly) or note-off, with the sustain pedal (controller 64)
// pressed and released every bar, written with running status.
#ifndef SONOMOT_BENCH_MIDI_GEN_H_
#define SONOMOT_BENCH_MIDI_GEN_H_

#include <cstdint>
#include <string>

// The bytes of a file of nNotes notes; the same arguments always give the
// same bytes. bFormat0: the same song as one format-0 track (tempo changes
// between the notes, running status carried across them).
std::string GeneratePianoMidi(long nNotes, uint32_t seed = 1, bool bFormat0 = false);

#endif  // SONOMOT_BENCH_MIDI_GEN_H_
