# `cpack -G DEB` in the build folder: one .deb that installs everything
# `cmake --install` does (both programs and the MIDI data library, links in
# bin/, icons, desktop entry, manual pages) under /usr. The libraries the
# programs link (Qt, ncurses, the C++ runtime) are found by dpkg-shlibdeps;
# what they only load at run time is named here: Qt's platform plugins for
# the window and the fonts the console's glyphs come from.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonomot)
set(CPACK_PACKAGE_VENDOR Sonomot)
set(CPACK_PACKAGE_CONTACT "Sonomot developers <sonomot@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "turns the notes of a MIDI file into a VMD motion for a keyboard model")
# The summary is the package's first line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Each MIDI key becomes a bone of the model (nt000 to nt127) that dips while
its key is pressed, and the sustain pedal becomes the bone cc064. Commands
are typed at a console, in a window (sonomot) or in a terminal
(sonomot-console), which can also run a session from a script.")
# The whole four-part version, not only its first three parts.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
set(CPACK_STRIP_FILES ON)
include(CPack)
