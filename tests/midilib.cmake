# Test programs of the MIDI data library and its binding.
add_library(midi_test_util STATIC midi_test_util.cc)
target_link_libraries(midi_test_util PUBLIC MIDIData os_test_util GTest::gtest)

sonomot_add_test(midi_data_read_test SOURCES midi_data_read_test.cc
                 POSIX_SOURCES midi_data_read_posix_test.cc
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

# The binding, with a recording fake message box, against our library and
# against copies of it built without some functions (renamed away).
set(MIDIDATA_BINDTEST_DIR ${CMAKE_BINARY_DIR}/bin/bindtest)
foreach(variant lacking_insertnote lacking_two)
  add_library(MIDIData_${variant} SHARED ${MIDIDATA_SOURCES})
  set_target_properties(MIDIData_${variant} PROPERTIES
                        OUTPUT_NAME MIDIData
                        LIBRARY_OUTPUT_DIRECTORY ${MIDIDATA_BINDTEST_DIR}/${variant}
                        C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden
                        VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(MIDIData_${variant} PRIVATE filetext)
  if(WIN32)  # MIDIData.dll, which Windows counts with the programs
    set_target_properties(MIDIData_${variant} PROPERTIES PREFIX ""
                          RUNTIME_OUTPUT_DIRECTORY ${MIDIDATA_BINDTEST_DIR}/${variant})
  endif()
endforeach()
target_compile_definitions(MIDIData_lacking_insertnote PRIVATE
                           MIDITrack_InsertNote=Removed_MIDITrack_InsertNote)
target_compile_definitions(MIDIData_lacking_two PRIVATE
                           MIDIData_GetComment=Removed_MIDIData_GetComment
                           MIDIEvent_ToString=Removed_MIDIEvent_ToString)
sonomot_add_test(midi_binding_test SOURCES midi_binding_test.cc LIBS midibind os_test_util)
add_dependencies(midi_binding_test MIDIData MIDIData_lacking_insertnote MIDIData_lacking_two)
target_compile_definitions(midi_binding_test PRIVATE
                           SONOMOT_BINDTEST_DIR="${MIDIDATA_BINDTEST_DIR}")
