# Test programs of the window program and the console's appearance.
sonomot_add_test(console_font_test SOURCES console_font_test.cc LIBS console)
sonomot_add_test(paste_text_test SOURCES paste_text_test.cc LIBS console)

# The window program on the Qt back end, headless (QT_QPA_PLATFORM=offscreen
# unless set). Its own main makes the QApplication.
if(SONOMOT_WITH_QT AND TARGET platform_qt)
  sonomot_add_test(window_test
    SOURCES window_test.cc window_test_util.cc
    LIBS app_frame midibind platform_qt Qt6::Test)
endif()
