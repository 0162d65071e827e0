# Test programs of the MIDI data library and its binding.
add_library(midi_test_util STATIC midi_test_util.cc)
target_link_libraries(midi_test_util PUBLIC MIDIData GTest::gtest)

sonomot_add_test(midi_data_read_test SOURCES midi_data_read_test.cc
                 LIBS midi_test_util MIDIData)
sonomot_add_test(midi_data_edit_test SOURCES midi_data_edit_test.cc
                 LIBS midi_test_util MIDIData)
sonomot_add_test(midi_data_text_test SOURCES midi_data_text_test.cc
                 LIBS midi_test_util MIDIData)

# The cross-check against midicsv; an empty path makes the test fail.
find_program(SONOMOT_MIDICSV_PROGRAM midicsv)
if(NOT SONOMOT_MIDICSV_PROGRAM)
  set(SONOMOT_MIDICSV_PROGRAM "")
endif()
sonomot_add_test(midicsv_check_test SOURCES midicsv_check_test.cc
                 LIBS midi_test_util midigen MIDIData)
target_compile_definitions(midicsv_check_test PRIVATE
                           SONOMOT_MIDICSV="${SONOMOT_MIDICSV_PROGRAM}")
