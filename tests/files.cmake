# Test programs of the files floor, working on a few bytes in scratch
# folders.
add_library(files_test_util STATIC files_test_util.cc)
target_link_libraries(files_test_util PUBLIC files GTest::gtest)

sonomot_add_test(output_file_test SOURCES output_file_test.cc LIBS files_test_util)
sonomot_add_test(text_lines_test SOURCES text_lines_test.cc LIBS files_test_util)
