# Test programs of the MIDI data library and its binding.
add_library(midi_test_util STATIC midi_test_util.cc)
target_link_libraries(midi_test_util PUBLIC MIDIData GTest::gtest)

sonomot_add_test(midi_data_read_test SOURCES midi_data_read_test.cc
                 LIBS midi_test_util MIDIData)
sonomot_add_test(midi_data_edit_test SOURCES midi_data_edit_test.cc
                 LIBS midi_test_util MIDIData)
sonomot_add_test(midi_data_text_test SOURCES midi_data_text_test.cc
                 LIBS midi_test_util MIDIData)
