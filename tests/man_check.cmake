# Renders each manual page as man(1) does and fails on any warning of groff
# or of mandoc's lint, on a placeholder that configuring the page left in
# it, on a missing date or on a missing section.
#   cmake -DGROFF=<groff> [-DMANDOC=<mandoc>] -DPAGES_DIR=<folder of the pages>
#         -P man_check.cmake
if(NOT GROFF)
  message(FATAL_ERROR "groff is not installed (scripts/deps.sh --test installs it)")
endif()
file(GLOB pages "${PAGES_DIR}/*.1")
if(NOT pages)
  message(FATAL_ERROR "no manual pages in ${PAGES_DIR}")
endif()
set(sections NAME SYNOPSIS DESCRIPTION OPTIONS COMMANDS ENVIRONMENT
             "EXIT STATUS" FILES EXAMPLES AUTHORS COPYRIGHT "SEE ALSO")
foreach(page IN LISTS pages)
  execute_process(COMMAND ${GROFF} -ww -z -man "${page}"
                  RESULT_VARIABLE result ERROR_VARIABLE warnings)
  if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "${page} does not render cleanly (${result}):\n${warnings}")
  endif()
  if(MANDOC)
    execute_process(COMMAND ${MANDOC} -Tlint "${page}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE warnings
                    ERROR_VARIABLE warnings)
    if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
      message(FATAL_ERROR "mandoc -Tlint finds faults in ${page}:\n${warnings}")
    endif()
  endif()
  file(READ "${page}" text)
  if(text MATCHES "@[A-Z_]+@")
    message(FATAL_ERROR "${page} still holds ${CMAKE_MATCH_0}")
  endif()
  if(NOT text MATCHES "^\\.TH [^ \n]+ 1 [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] ")
    message(FATAL_ERROR "${page} has no date in its .TH line")
  endif()
  foreach(section IN LISTS sections)
    if(NOT text MATCHES "\n\\.SH \"?${section}\"?\n")
      message(FATAL_ERROR "${page} has no section ${section}")
    endif()
  endforeach()
endforeach()
message(STATUS "manual pages render without warnings")
