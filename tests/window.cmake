# Test programs of the window program and the console's appearance.
sonomot_add_test(console_font_test SOURCES console_font_test.cc LIBS console)
sonomot_add_test(paste_text_test SOURCES paste_text_test.cc LIBS console)
