# Test programs of this area.
sonomot_add_test(edit_buffer_test SOURCES edit_buffer_test.cc LIBS console)
sonomot_add_test(console_output_test SOURCES console_output_test.cc LIBS console)
