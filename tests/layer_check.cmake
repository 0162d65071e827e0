# Keeps the layers one way: a file may include headers of its own folder and
# of the folders below it, never of one above. Checked for every floor under
# app/, whose files must stay usable without anything that builds on them:
#   platform/  the window-system stand-in: only platform/
#   files/     writing a file safely (OutputFile, WriteBehind, InPlaceWatch),
#              reading text files into lines, paths, which file a path
#              names, Status, and the one interface to the system's
#              files: only files/
#   midilib/   the MIDI data library: only midilib/, no window of any kind
#   motion/    the motion export: motion/, files/, the library and its binding
#   midibind/  the binding: the library and the message box of platform/
#   console/   the console: console/ and platform/
#   commands/  the commands: the console, the motion export, files/, the
#              library and its binding, platform/; no front end
#   frontends/ the back ends: the console, platform/ and the resources
#              they draw (icon, dialog layout); no command
# Every quoted include names its folder, so a header without one fails too.
#   cmake -DSOURCE_DIR=<source tree> -P layer_check.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed_platform platform)
set(allowed_files files)
set(allowed_midilib midilib)
set(allowed_motion motion files midibind midilib)
set(allowed_midibind midibind midilib platform)
set(allowed_console console platform)
set(allowed_commands commands console motion files midibind midilib platform)
set(allowed_frontends frontends console platform resources)

set(faults "")
foreach(floor platform files midilib motion midibind console commands frontends)
  file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}"
       "${SOURCE_DIR}/${floor}/*.h" "${SOURCE_DIR}/${floor}/*.cc")
  if(NOT files)
    string(APPEND faults "\n  ${floor}/ has no sources: is SOURCE_DIR right?")
  endif()
  foreach(file IN LISTS files)
    file(STRINGS "${SOURCE_DIR}/${file}" includes
         REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
      string(REGEX MATCH "^[^/]+/" folder "${header}")
      string(REGEX REPLACE "/$" "" folder "${folder}")
      if(NOT folder IN_LIST allowed_${floor})
        string(APPEND faults "\n  ${file}: #include \"${header}\"")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "includes from a folder above:${faults}")
endif()
message(STATUS "no floor under app/ includes a folder above it")
