# Test programs of the motion export.
# Every motion test program links the binding, whose failure would show
# a message box: motion_message_box.cc is each one's.
add_library(motion_test_util STATIC motion_test_util.cc)
target_link_libraries(motion_test_util PUBLIC motion midibind files_test_util GTest::gtest)

sonomot_add_test(motion_math_test SOURCES motion_math_test.cc motion_message_box.cc
                 LIBS motion GTest::gtest)
sonomot_add_test(vmd_writer_test SOURCES vmd_writer_test.cc motion_message_box.cc
                 LIBS motion_test_util)
sonomot_add_test(write_motion_test SOURCES write_motion_test.cc motion_message_box.cc
                 POSIX_SOURCES write_motion_posix_test.cc
                 LIBS motion_test_util)

# Node and npm are Linux's (tests/windows.cmake lists what stays here).
if(NOT WIN32)
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

# A real engine plays a steps export of the demo: three.js' MMD loader and
# animation mixer, from npm (r171, the last release that has the loader),
# sampled at every frame against the MIDI file as midicsv lists it. Both
# npm installs go into one folder, so they run one after the other.
add_test(NAME motion_install_three
         COMMAND ${CMAKE_COMMAND} -DNPM_PREFIX=${MOTION_NPM_PREFIX} -DNPM_PACKAGE=three@0.171.0
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/install_mmd_parser.cmake)
set_tests_properties(motion_install_three PROPERTIES
                     FIXTURES_SETUP three DEPENDS motion_install_mmd_parser TIMEOUT 300)
find_program(SONOMOT_NODE_PROGRAM node)
find_program(SONOMOT_MIDICSV_FOR_PLAYER midicsv)
if(SONOMOT_NODE_PROGRAM AND SONOMOT_MIDICSV_FOR_PLAYER)
  add_test(NAME motion_player_check
           COMMAND ${SONOMOT_NODE_PROGRAM} ${CMAKE_CURRENT_SOURCE_DIR}/vmd_player_check.mjs
                   ${MOTION_NPM_PREFIX} $<TARGET_FILE:sonomot-console>
                   ${SONOMOT_MIDICSV_FOR_PLAYER} ${CMAKE_SOURCE_DIR}/examples/demo_hands.mid
                   ${CMAKE_CURRENT_BINARY_DIR}/player_check 1,2)
else()
  add_test(NAME motion_player_check
           COMMAND ${CMAKE_COMMAND} -E echo "node or midicsv is not installed: skipped")
  set_tests_properties(motion_player_check PROPERTIES SKIP_REGULAR_EXPRESSION "skipped")
endif()
set_tests_properties(motion_player_check PROPERTIES FIXTURES_REQUIRED three TIMEOUT 120)
endif()

# The export from end to end, through the command processor and the real
# MIDI data library (bound from the test's folder as the program binds it).
sonomot_add_test(export_test SOURCES export_test.cc motion_message_box.cc
                 LIBS commands console motion_test_util)
add_dependencies(export_test MIDIData)
