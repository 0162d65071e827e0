# Benchmark programs of the MIDI data library.
# The piano-file generator is also used by the midicsv cross-check test and
# by the motion export's benchmark (bench_gen_midi in the bin folder).
add_library(midigen STATIC ${CMAKE_CURRENT_LIST_DIR}/midi_gen.cc)
add_executable(bench_gen_midi ${CMAKE_CURRENT_LIST_DIR}/bench_gen_midi.cc)
target_link_libraries(bench_gen_midi PRIVATE midigen)
add_executable(midilib_bench ${CMAKE_CURRENT_LIST_DIR}/midilib_bench.cc)
target_link_libraries(midilib_bench PRIVATE MIDIData)
add_dependencies(midilib_bench bench_gen_midi)
