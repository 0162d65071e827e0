# Installs the npm package mmd-parser, an independent VMD reader, into
# NPM_PREFIX for the reader test. Without node and npm it only says so; the
# test itself then reports that it is skipped.
#   cmake -DNPM_PREFIX=<folder> -P install_mmd_parser.cmake
if(EXISTS "${NPM_PREFIX}/node_modules/mmd-parser/package.json")
  return()
endif()
find_program(NODE node)
find_program(NPM npm)
if(NOT NODE OR NOT NPM)
  message(STATUS "node or npm is not installed: mmd-parser is not installed")
  return()
endif()
file(MAKE_DIRECTORY "${NPM_PREFIX}")
execute_process(
  COMMAND "${NPM}" install --prefix "${NPM_PREFIX}" --no-audit --no-fund mmd-parser
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "npm could not install mmd-parser into ${NPM_PREFIX}")
endif()
