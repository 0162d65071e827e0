# Installs an npm package that reads VMD files independently of us into
# NPM_PREFIX for the reader tests: mmd-parser, or the one NPM_PACKAGE names
# (name@version). Without node and npm it only says so; the tests
# themselves then report that they are skipped.
#   cmake -DNPM_PREFIX=<folder> [-DNPM_PACKAGE=<name>@<version>]
#         -P install_mmd_parser.cmake
if(NOT NPM_PACKAGE)
  set(NPM_PACKAGE mmd-parser)
endif()
string(REGEX REPLACE "(.)@.*$" "\\1" name "${NPM_PACKAGE}")
if(EXISTS "${NPM_PREFIX}/node_modules/${name}/package.json")
  return()
endif()
find_program(NODE node)
find_program(NPM npm)
if(NOT NODE OR NOT NPM)
  message(STATUS "node or npm is not installed: ${name} is not installed")
  return()
endif()
file(MAKE_DIRECTORY "${NPM_PREFIX}")
execute_process(
  COMMAND "${NPM}" install --prefix "${NPM_PREFIX}" --no-audit --no-fund "${NPM_PACKAGE}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "npm could not install ${NPM_PACKAGE} into ${NPM_PREFIX}")
endif()
