# Builds the Debian packages with scripts/package.sh (dpkg-buildpackage) and
# checks them: the source package (3.0 (quilt), an upstream tarball and a
# Debian revision of the program's version), what each binary package
# installs, what each depends on and recommends, the copyright file, the
# changelog, README and examples, compressed manual pages, and lintian's
# verdict (no error, no warning) on all of it when lintian is installed.
#   cmake -DPACKAGE_SCRIPT=<scripts/package.sh> -DDPKG_DEB=<dpkg-deb>
#         -DOUT_DIR=<folder> -DVERSION=<program version> [-DLINTIAN=<lintian>]
#         -P deb_check.cmake
if(NOT DPKG_DEB)
  message(FATAL_ERROR "dpkg-deb is not installed")
endif()
execute_process(COMMAND "${PACKAGE_SCRIPT}" "${OUT_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "building the packages failed (${result}):\n${log}")
endif()

# The files each package must hold, and those it must not (the other's).
set(console_files
  "./usr/bin/sonomot-console -> ../lib/[^ \n]*sonomot/sonomot-console"
  "./usr/lib/[^ \n]*sonomot/sonomot-console"
  "./usr/lib/[^ \n]*sonomot/libMIDIData.so"
  "./usr/share/bash-completion/completions/sonomot-console"
  "./usr/share/doc/sonomot-console/changelog.Debian.gz"
  "./usr/share/doc/sonomot-console/copyright"
  "./usr/share/doc/sonomot-console/README.md.gz"
  "./usr/share/doc/sonomot-console/examples/demo.mid"
  "./usr/share/doc/sonomot-console/examples/demo.txt"
  "./usr/share/doc/sonomot-console/examples/demo_hands.mid"
  "./usr/share/man/man1/sonomot-console.1.gz")
set(window_files
  "./usr/bin/sonomot -> ../lib/[^ \n]*sonomot/sonomot"
  "./usr/lib/[^ \n]*sonomot/sonomot"
  "./usr/share/applications/sonomot.desktop"
  "./usr/share/bash-completion/completions/sonomot"
  "./usr/share/doc/sonomot/copyright"
  "./usr/share/icons/hicolor/scalable/apps/sonomot.svg"
  "./usr/share/icons/hicolor/16x16/apps/sonomot.png"
  "./usr/share/icons/hicolor/256x256/apps/sonomot.png"
  "./usr/share/man/man1/sonomot.1.gz")
set(console_lacks "sonomot/sonomot\n" "applications/" "icons/" "man1/sonomot.1")
set(window_lacks "libMIDIData" "sonomot-console")
# What each links or loads, and what it must not pull in.
set(console_depends "libncursesw6" "libstdc\\+\\+6" "libc6")
set(console_not_depends "libqt6" "qt6-" "fonts-" "libx" "libgl")
set(window_depends "sonomot-console \\(= ${VERSION}-[0-9]+\\)" "libqt6widgets6"
                   "libqt6gui6" "qt6-qpa-plugins" "fonts-dejavu-core")
set(window_not_depends)
set(window_recommends "qt6-wayland")

# The source: a Debian revision of the program's version, in the quilt
# format, with the upstream tarball it was made from.
file(GLOB dsc "${OUT_DIR}/sonomot_${VERSION}-*.dsc")
list(LENGTH dsc count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "${count} source packages sonomot_${VERSION}-*.dsc in ${OUT_DIR}:\n${log}")
endif()
file(READ "${dsc}" control)
# An unsigned .dsc begins with its Format field.
if(NOT control MATCHES "(^|\n)Format: 3\\.0 \\(quilt\\)\n" OR
   NOT control MATCHES " sonomot_${VERSION}\\.orig\\.tar\\.xz\n" OR
   NOT control MATCHES "\nTestsuite: autopkgtest\n")
  message(FATAL_ERROR "${dsc} is no quilt source with its upstream tarball and tests:\n${control}")
endif()

foreach(kind console window)
  if(kind STREQUAL console)
    set(name sonomot-console)
  else()
    set(name sonomot)
  endif()
  file(GLOB deb "${OUT_DIR}/${name}_*.deb")
  list(LENGTH deb count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${count} packages named ${name} in ${OUT_DIR}:\n${log}")
  endif()
  execute_process(COMMAND "${DPKG_DEB}" -c "${deb}" OUTPUT_VARIABLE contents)
  foreach(path IN LISTS ${kind}_files)
    if(NOT contents MATCHES " ${path}\n")
      message(FATAL_ERROR "${name} lacks ${path}:\n${contents}")
    endif()
  endforeach()
  foreach(path IN LISTS ${kind}_lacks)
    string(FIND "${contents}" "${path}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${name} holds ${path}, of the other package:\n${contents}")
    endif()
  endforeach()
  if(contents MATCHES "man1/[^ \n]*\\.1\n")
    message(FATAL_ERROR "${name} holds an uncompressed manual page:\n${contents}")
  endif()

  execute_process(COMMAND "${DPKG_DEB}" -f "${deb}" Version OUTPUT_VARIABLE version)
  if(NOT version MATCHES "^${VERSION}-[0-9]+\n$")
    message(FATAL_ERROR "${name}'s version is ${version}, not a revision of ${VERSION}")
  endif()
  execute_process(COMMAND "${DPKG_DEB}" -f "${deb}" Depends OUTPUT_VARIABLE depends)
  foreach(package IN LISTS ${kind}_depends)
    if(NOT depends MATCHES "(^|, )${package}( |,|\n|$)")
      message(FATAL_ERROR "${name} does not depend on ${package}: ${depends}")
    endif()
  endforeach()
  foreach(package IN LISTS ${kind}_not_depends)
    if(depends MATCHES "(^|, )${package}")
      message(FATAL_ERROR "${name} depends on ${package}: ${depends}")
    endif()
  endforeach()
  execute_process(COMMAND "${DPKG_DEB}" -f "${deb}" Recommends OUTPUT_VARIABLE recommends)
  foreach(package IN LISTS ${kind}_recommends)
    if(NOT recommends MATCHES "(^|, )${package}( |,|\n|$)")
      message(FATAL_ERROR "${name} does not recommend ${package}: ${recommends}")
    endif()
  endforeach()

  # The copyright file in the machine-readable form, with the licence.
  set(unpacked "${OUT_DIR}/unpacked/${name}")
  file(REMOVE_RECURSE "${unpacked}")
  file(MAKE_DIRECTORY "${unpacked}")
  execute_process(COMMAND "${DPKG_DEB}" -x "${deb}" "${unpacked}")
  file(READ "${unpacked}/usr/share/doc/${name}/copyright" copyright)
  foreach(line
      "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
      "Files: \\*" "License: Expat" " Permission is hereby granted, free of charge")
    if(NOT copyright MATCHES "(^|\n)${line}")
      message(FATAL_ERROR "${name}'s copyright file lacks \"${line}\":\n${copyright}")
    endif()
  endforeach()
  list(APPEND debs "${deb}")
endforeach()

if(LINTIAN)
  # Info and pedantic tags are shown, not failed on.
  file(GLOB changes "${OUT_DIR}/sonomot_*.changes")
  execute_process(COMMAND "${LINTIAN}" --fail-on error,warning -I --pedantic
                          ${changes}
                  RESULT_VARIABLE result OUTPUT_VARIABLE tags ERROR_VARIABLE tags)
  if(NOT result EQUAL 0 OR tags MATCHES "(^|\n)[EW]: ")
    message(FATAL_ERROR "lintian finds errors or warnings (${result}):\n${tags}")
  endif()
  message(STATUS "lintian: no error, no warning\n${tags}")
else()
  message(STATUS "lintian is not installed: the packages are not linted")
endif()
message(STATUS "packages ${debs} are complete")
