# Renders each manual page as man(1) does and fails on any warning of groff
# or on a placeholder that configuring the page left in it.
#   cmake -DGROFF=<groff> -DPAGES_DIR=<folder of the pages> -P man_check.cmake
if(NOT GROFF)
  message(FATAL_ERROR "groff is not installed (scripts/deps.sh --test installs it)")
endif()
file(GLOB pages "${PAGES_DIR}/*.1")
if(NOT pages)
  message(FATAL_ERROR "no manual pages in ${PAGES_DIR}")
endif()
foreach(page IN LISTS pages)
  execute_process(COMMAND ${GROFF} -ww -z -man "${page}"
                  RESULT_VARIABLE result ERROR_VARIABLE warnings)
  if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "${page} does not render cleanly (${result}):\n${warnings}")
  endif()
  file(READ "${page}" text)
  if(text MATCHES "@[A-Z_]+@")
    message(FATAL_ERROR "${page} still holds ${CMAKE_MATCH_0}")
  endif()
endforeach()
message(STATUS "manual pages render without warnings")
