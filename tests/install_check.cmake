# Installs the build into a fresh prefix and checks the layout: both programs
# beside the MIDI data library (they load it from their own folder), links to
# them in bin/, the icon in every size, the desktop entry and the manual pages.
# The desktop entry is checked with desktop-file-validate when it is given.
# LIBDIR is the build's library folder under the prefix (lib, or Debian's
# lib/<triplet>).
#   cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder> -DLIBDIR=<lib folder>
#         [-DDESKTOP_FILE_VALIDATE=<desktop-file-validate>] -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}"
                        --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(app_dir "${PREFIX}/${LIBDIR}/sonomot")
set(expected
  "${app_dir}/sonomot"
  "${app_dir}/sonomot-console"
  "${app_dir}/libMIDIData.so"
  "${PREFIX}/share/icons/hicolor/scalable/apps/sonomot.svg"
  "${PREFIX}/share/applications/sonomot.desktop"
  "${PREFIX}/share/man/man1/sonomot.1"
  "${PREFIX}/share/man/man1/sonomot-console.1")
foreach(size 16 32 48 256)
  list(APPEND expected
       "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/sonomot.png")
endforeach()
foreach(path IN LISTS expected)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

foreach(program sonomot sonomot-console)
  set(link "${PREFIX}/bin/${program}")
  if(NOT IS_SYMLINK "${link}")
    message(FATAL_ERROR "${link} is not a link")
  endif()
  file(REAL_PATH "${link}" target)
  file(REAL_PATH "${app_dir}/${program}" real_program)
  if(NOT target STREQUAL real_program)
    message(FATAL_ERROR "${link} points at ${target}, not ${real_program}")
  endif()
endforeach()

file(READ "${PREFIX}/share/applications/sonomot.desktop" entry)
foreach(line "Exec=sonomot %f" "Icon=sonomot" "Name=Sonomot"
             "GenericName=MIDI to Motion Converter"
             "MimeType=audio/midi;audio/x-midi;" "X-Sonomot-Version=0.0.0.2")
  string(FIND "${entry}" "${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "desktop entry lacks \"${line}\":\n${entry}")
  endif()
endforeach()
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}"
                          "${PREFIX}/share/applications/sonomot.desktop"
                  RESULT_VARIABLE result OUTPUT_VARIABLE faults
                  ERROR_VARIABLE faults)
  if(NOT result EQUAL 0 OR NOT faults STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate finds faults:\n${faults}")
  endif()
endif()
message(STATUS "install layout is complete")
