# Test programs of the files floor, working on a few bytes in scratch
# folders.
add_library(files_test_util STATIC files_test_util.cc)
target_link_libraries(files_test_util PUBLIC files os_test_util GTest::gtest)
# Another user to run as, as each OS has one.
target_sources(files_test_util PRIVATE files_test_util_${SONOMOT_OS}.cc)

sonomot_add_test(output_file_test SOURCES output_file_test.cc
                 POSIX_SOURCES output_file_posix_test.cc LIBS files_test_util)
sonomot_add_test(text_lines_test SOURCES text_lines_test.cc LIBS files_test_util)

# Windows only: targets Windows won't let us replace (read-only, held open
# by another program) and the names it keeps for its devices.
if(WIN32)
  sonomot_add_test(output_file_win32_test
                   SOURCES output_file_win32_test.cc file_holder_win32.cc
                   LIBS files_test_util command_test_util)
  sonomot_add_test(file_identity_win32_test SOURCES file_identity_win32_test.cc LIBS files)
endif()
