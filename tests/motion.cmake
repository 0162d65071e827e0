# Test programs of the motion export.
if(TARGET motion)
  add_library(motion_test_util STATIC motion_test_util.cc)
  target_link_libraries(motion_test_util PUBLIC motion midibind GTest::gtest)

  sonomot_add_test(motion_math_test SOURCES motion_math_test.cc LIBS motion)
  sonomot_add_test(vmd_writer_test SOURCES vmd_writer_test.cc LIBS motion motion_test_util)
  sonomot_add_test(write_motion_test SOURCES write_motion_test.cc LIBS motion motion_test_util)
endif()
