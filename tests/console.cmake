# Test programs of this area.

# The console window, its edit control and the platform layer under it.
sonomot_add_test(shell_edit_test
  SOURCES shell_edit_test.cc console_test_util.cc
  LIBS console platform_core)
sonomot_add_test(message_loop_test
  SOURCES message_loop_test.cc
  LIBS platform_core)
sonomot_add_test(main_dlg_test
  SOURCES main_dlg_test.cc
  LIBS app_frame os_test_util)
sonomot_add_test(edit_buffer_editing_test
  SOURCES edit_buffer_editing_test.cc
  LIBS console platform_core)

# sonomot-console as a whole: scripts, a missing library, and a terminal
# session in tmux.
sonomot_add_test(console_program_test SOURCES console_program_test.cc LIBS)
target_compile_definitions(console_program_test PRIVATE
                           SONOMOT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(console_program_test sonomot-console MIDIData)
sonomot_add_test(curses_screen_test
  SOURCES curses_screen_test.cc
  LIBS platform_term)

