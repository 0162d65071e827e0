# Test programs of this area.
sonomot_add_test(edit_buffer_test SOURCES edit_buffer_test.cc LIBS console)
sonomot_add_test(console_output_test SOURCES console_output_test.cc LIBS console)
sonomot_add_test(display_width_test SOURCES display_width_test.cc LIBS console)
sonomot_add_test(command_args_test SOURCES command_args_test.cc LIBS commands)
# Command tests share one fixture library; they bind libMIDIData.so from
# their own folder as the program does.
add_library(command_test_util STATIC command_test_util.cc)
target_link_libraries(command_test_util PUBLIC commands GTest::gtest)
# They don't link the library, so building one of them alone must still
# build libMIDIData.so, or the test finds none to bind.
add_dependencies(command_test_util MIDIData)
sonomot_add_test(command_processor_test SOURCES command_processor_test.cc
                 LIBS command_test_util motion_test_util)
sonomot_add_test(settings_file_test SOURCES settings_file_test.cc
                 LIBS command_test_util motion_test_util)
sonomot_add_test(midi_file_commands_test SOURCES midi_file_commands_test.cc
                 LIBS command_test_util)
sonomot_add_test(track_dump_test SOURCES track_dump_test.cc LIBS command_test_util)
sonomot_add_test(display_text_test SOURCES display_text_test.cc LIBS commands)
# Runs the program beside it; the program finds libMIDIData.so there too.
sonomot_add_test(sonomot_console_test SOURCES sonomot_console_test.cc LIBS)
add_dependencies(sonomot_console_test sonomot-console)
# The example session is run from the source tree's examples/.
target_compile_definitions(sonomot_console_test PRIVATE
                           SONOMOT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
sonomot_add_test(export_track_test SOURCES export_track_test.cc
                 POSIX_SOURCES export_track_posix_test.cc
                 LIBS command_test_util motion_test_util midigen)
sonomot_add_test(track_info_test SOURCES track_info_test.cc LIBS command_test_util)
