# Test programs of the motion export.
# Every motion test program links the binding, whose failure would show
# a message box: motion_message_box.cc is each one's.
add_library(motion_test_util STATIC motion_test_util.cc)
target_link_libraries(motion_test_util PUBLIC motion midibind GTest::gtest)

sonomot_add_test(motion_math_test SOURCES motion_math_test.cc motion_message_box.cc
                 LIBS motion GTest::gtest)
sonomot_add_test(vmd_writer_test SOURCES vmd_writer_test.cc motion_message_box.cc
                 LIBS motion_test_util)
sonomot_add_test(write_motion_test SOURCES write_motion_test.cc motion_message_box.cc
                 LIBS motion_test_util)

# The independent reader: mmd-parser from npm, installed into this build
# folder once by a fixture, then run by node on files we write.
set(MOTION_NPM_PREFIX ${CMAKE_BINARY_DIR}/npm)
add_test(NAME motion_install_mmd_parser
         COMMAND ${CMAKE_COMMAND} -DNPM_PREFIX=${MOTION_NPM_PREFIX}
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/install_mmd_parser.cmake)
set_tests_properties(motion_install_mmd_parser PROPERTIES
                     FIXTURES_SETUP mmd_parser TIMEOUT 300)
add_executable(vmd_reader_test vmd_reader_test.cc motion_message_box.cc)
target_link_libraries(vmd_reader_test PRIVATE motion motion_test_util config_home_guard
                      GTest::gtest GTest::gtest_main)
target_compile_definitions(vmd_reader_test PRIVATE
                           SONOMOT_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
                           SONOMOT_NPM_PREFIX="${MOTION_NPM_PREFIX}")
gtest_discover_tests(vmd_reader_test DISCOVERY_TIMEOUT 60
                     PROPERTIES FIXTURES_REQUIRED mmd_parser)

# The export from end to end, through the command processor and the real
# MIDI data library (bound from the test's folder as the program binds it).
sonomot_add_test(export_test SOURCES export_test.cc motion_message_box.cc
                 LIBS commands console motion_test_util)
add_dependencies(export_test MIDIData)
