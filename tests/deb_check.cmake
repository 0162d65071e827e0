# Makes the Debian package with cpack and checks what it installs and that
# it declares what the programs need to run.
#   cmake -DCPACK=<cpack> -DDPKG_DEB=<dpkg-deb> -DBUILD_DIR=<build>
#         -DOUT_DIR=<empty folder> -DVERSION=<program version> -P deb_check.cmake
if(NOT DPKG_DEB)
  message(FATAL_ERROR "dpkg-deb is not installed")
endif()
file(REMOVE_RECURSE "${OUT_DIR}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake"
                        -B "${OUT_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB debs "${OUT_DIR}/sonomot_*.deb")
list(LENGTH debs count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack made ${count} packages (${result}):\n${log}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -c "${debs}" OUTPUT_VARIABLE contents)
set(expected
  "./usr/bin/sonomot -> ../lib/[^ \n]*sonomot/sonomot"
  "./usr/bin/sonomot-console -> ../lib/[^ \n]*sonomot/sonomot-console"
  "./usr/lib/[^ \n]*sonomot/sonomot"
  "./usr/lib/[^ \n]*sonomot/sonomot-console"
  "./usr/lib/[^ \n]*sonomot/libMIDIData.so"
  "./usr/share/applications/sonomot.desktop"
  "./usr/share/icons/hicolor/scalable/apps/sonomot.svg"
  "./usr/share/icons/hicolor/16x16/apps/sonomot.png"
  "./usr/share/icons/hicolor/256x256/apps/sonomot.png"
  "./usr/share/man/man1/sonomot.1"
  "./usr/share/man/man1/sonomot-console.1")
foreach(path IN LISTS expected)
  if(NOT contents MATCHES " ${path}\n")
    message(FATAL_ERROR "the package lacks ${path}:\n${contents}")
  endif()
endforeach()

execute_process(COMMAND "${DPKG_DEB}" -f "${debs}" Version OUTPUT_VARIABLE version)
if(NOT version STREQUAL "${VERSION}\n")
  message(FATAL_ERROR "the package's version is ${version}, not ${VERSION}")
endif()
execute_process(COMMAND "${DPKG_DEB}" -f "${debs}" Depends OUTPUT_VARIABLE depends)
foreach(package libqt6widgets6 libncursesw6 libstdc\\+\\+6 qt6-qpa-plugins)
  if(NOT depends MATCHES "(^|, )${package}( |,|\n|$)")
    message(FATAL_ERROR "the package does not depend on ${package}: ${depends}")
  endif()
endforeach()
message(STATUS "package ${debs} is complete")
