# Benchmark programs of the MIDI data library.
