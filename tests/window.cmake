# Test programs of the window program and the console's appearance.
sonomot_add_test(console_font_test SOURCES console_font_test.cc LIBS console)
sonomot_add_test(paste_text_test SOURCES paste_text_test.cc LIBS console)
sonomot_add_test(console_appearance_test SOURCES console_appearance_test.cc
                 LIBS console)
# The Windows window's text conversions and font choice, plain C++ tested
# on every OS.
sonomot_add_test(utf16_test SOURCES utf16_test.cc LIBS win32_text)
sonomot_add_test(font_choice_test SOURCES font_choice_test.cc LIBS win32_text)

# The window program on the Qt back end, headless (QT_QPA_PLATFORM=offscreen
# unless set). Its own main makes the QApplication.
if(SONOMOT_WITH_QT)
  sonomot_add_test(window_test
    SOURCES window_test.cc window_test_util.cc
            ${CMAKE_SOURCE_DIR}/app/qt_front_end.cc
            ${CMAKE_SOURCE_DIR}/app/window_display.cc
    LIBS app_frame midibind platform_qt Qt6::Test)
  add_dependencies(window_test MIDIData)  # the whole start-up binds it
  target_compile_definitions(window_test PRIVATE SONOMOT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  # The window program itself is run for its command line.
  add_dependencies(window_test sonomot)
  sonomot_add_test(qt_back_end_test
    SOURCES qt_back_end_test.cc window_test_util.cc
    LIBS app_frame midibind platform_qt Qt6::Test)
  # Types lines at the window offscreen and prints its console's text:
  # the Linux side of scripts/check-windows-window.sh.
  add_executable(window_console_text window_console_text.cc
                 ${CMAKE_SOURCE_DIR}/app/qt_front_end.cc)
  target_link_libraries(window_console_text PRIVATE app_frame midibind platform_qt)
  add_dependencies(window_console_text MIDIData)
  find_package(Qt6 QUIET COMPONENTS Svg)
  if(TARGET Qt6::Svg)
    target_link_libraries(qt_back_end_test PRIVATE Qt6::Svg)
    target_compile_definitions(qt_back_end_test PRIVATE SONOMOT_HAVE_QT_SVG
      SONOMOT_ICON_SVG="${CMAKE_SOURCE_DIR}/resources/icons/sonomot.svg")
  endif()
endif()

# cmake --install lays out both programs, the library, the icon and the
# desktop entry (needs the whole build, as ./test makes it).
if(SONOMOT_WITH_QT)
  find_program(SONOMOT_DESKTOP_FILE_VALIDATE desktop-file-validate)
  add_test(NAME InstallLayout
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                   -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install_check
                   -DLIBDIR=${CMAKE_INSTALL_LIBDIR}
                   -DDESKTOP_FILE_VALIDATE=${SONOMOT_DESKTOP_FILE_VALIDATE}
                   -P ${CMAKE_CURRENT_SOURCE_DIR}/install_check.cmake)
endif()

# The window program on the Win32 back end, its windows real, in one
# process under wine.
if(WIN32)
  sonomot_add_test(win32_back_end_test
    SOURCES win32_back_end_test.cc native_drop_win32.cc
    LIBS app_frame platform_win32 os_test_util)
  add_dependencies(win32_back_end_test MIDIData)
endif()
