# Checks of what is installed beside the programs: the manual pages render
# without warnings, the bash completion completes, and the Debian packages
# hold the whole program and declare what it needs.
find_program(SONOMOT_GROFF groff)
find_program(SONOMOT_MANDOC mandoc)
add_test(NAME ManPages
         COMMAND ${CMAKE_COMMAND} -DGROFF=${SONOMOT_GROFF}
                 -DMANDOC=${SONOMOT_MANDOC}
                 -DPAGES_DIR=${CMAKE_BINARY_DIR}/resources/man
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/man_check.cmake)
# The bash completion of both programs, with the programs of this build.
find_program(SONOMOT_BASH bash)
if(SONOMOT_BASH)
  add_test(NAME BashCompletion
           COMMAND ${SONOMOT_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/completion_check.sh
                   ${CMAKE_SOURCE_DIR}/resources/completion/sonomot.bash
                   ${CMAKE_BINARY_DIR}/bin)
endif()
# The Debian packages are built from the source with dpkg-buildpackage in a
# folder of their own, not from this build; they hold the window program, so
# a build without Qt skips them. The sanitizers' build has nothing to add.
if(SONOMOT_WITH_QT)
  find_program(SONOMOT_DPKG_DEB dpkg-deb)
  find_program(SONOMOT_LINTIAN lintian)
  add_test(NAME DebPackage
           COMMAND ${CMAKE_COMMAND}
                   -DPACKAGE_SCRIPT=${CMAKE_SOURCE_DIR}/scripts/package.sh
                   -DDPKG_DEB=${SONOMOT_DPKG_DEB} -DLINTIAN=${SONOMOT_LINTIAN}
                   -DOUT_DIR=${CMAKE_CURRENT_BINARY_DIR}/deb_check
                   -DVERSION=${PROJECT_VERSION}
                   -P ${CMAKE_CURRENT_SOURCE_DIR}/deb_check.cmake)
  set_tests_properties(DebPackage PROPERTIES TIMEOUT 1800 LABELS no-sanitize)
endif()
