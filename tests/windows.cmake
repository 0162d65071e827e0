# The tests of the Windows build (scripts/build-windows.sh with
# -DSONOMOT_TESTS=ON; scripts/test-windows.sh builds and runs them).
#
# GoogleTest is built here from Debian's source (libgtest-dev keeps it in
# /usr/src/googletest), with the program's compiler. Every test program
# runs under wine in the build folder's own prefix (made once by
# scripts/test-windows.sh), and is asked for its cases when ctest runs,
# not when it is built: the build needs no wine.
#
# A test that needs what only Linux has stays there: it is listed below
# with its reason and shows in ctest's summary as disabled.

set(SONOMOT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest's source, built for Windows with the tests")
if(NOT EXISTS ${SONOMOT_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's source is not in ${SONOMOT_GOOGLETEST_SOURCE}: "
                      "scripts/deps.sh --test installs libgtest-dev")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# GoogleTest's own code is not held to our warnings.
get_directory_property(sonomot_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${SONOMOT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${sonomot_options}")

find_program(SONOMOT_WINE NAMES wine64 wine)
if(NOT SONOMOT_WINE)
  message(FATAL_ERROR "wine is not installed: scripts/deps.sh --test installs it")
endif()
# Each test program runs in the prefix under this build folder, quietly,
# with no Mono or Gecko to install.
set(SONOMOT_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env WINEPREFIX=${SONOMOT_WINEPREFIX} WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml=" ${SONOMOT_WINE})
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# The tests that stay on Linux, each with its reason.
set(SONOMOT_LINUX_ONLY)
macro(sonomot_linux_only name reason)
  list(APPEND SONOMOT_LINUX_ONLY ${name})
  set(SONOMOT_LINUX_ONLY_REASON_${name} "${reason}")
endmacro()
sonomot_linux_only(midicsv_check_test "runs midicsv, a Linux program")
sonomot_linux_only(vmd_writer_test
                   "forks, mounts file systems, sets extended attributes and ACLs, changes uids")
sonomot_linux_only(vmd_reader_test "runs node and mmd-parser from npm")
sonomot_linux_only(motion_player_check "runs node and three.js from npm")
sonomot_linux_only(settings_file_test "forks, mounts file systems and limits the file size")
sonomot_linux_only(export_test "forks to export under a file size limit")
sonomot_linux_only(sonomot_console_test "runs the Linux program through a shell")
sonomot_linux_only(console_program_test "runs the program in tmux and through a shell")
sonomot_linux_only(curses_screen_test "the full-screen terminal is ncurses'")
sonomot_linux_only(ManPages "the manual pages are installed on Linux only")
sonomot_linux_only(BashCompletion "bash completes the Linux programs")
sonomot_linux_only(LayersOneWay "reads the sources, the same on every build")
# Cases of programs that run here (their <unit>_posix_test.cc).
sonomot_linux_only(MidiRead.FifoIsRefusedNotWaitedOn "makes a FIFO")
sonomot_linux_only(WriteMotionTest.BucketsGiveTheirMemoryBack "reads /proc/self/statm")
sonomot_linux_only(ExportTrackTest.FailedWriteIsReportedAndLeavesNoFile
                   "cuts the write short with a file size limit")

# Called once every area has added its tests: each test left on Linux is
# shown as such, disabled, never silently missing.
function(sonomot_add_windows_tests)
  foreach(name IN LISTS SONOMOT_LINUX_ONLY)
    add_test(NAME ${name}
             COMMAND ${CMAKE_COMMAND} -E echo "Linux only: ${SONOMOT_LINUX_ONLY_REASON_${name}}")
    set_tests_properties(${name} PROPERTIES DISABLED TRUE LABELS linux-only)
  endforeach()
endfunction()
