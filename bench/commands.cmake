# The track dump's page cost on a large track (a plain program printing
# figures).
add_executable(dump_bench ${CMAKE_CURRENT_LIST_DIR}/dump_bench.cc)
target_link_libraries(dump_bench PRIVATE commands midibind midigen)
add_dependencies(dump_bench MIDIData)
# The one-line conversion's cost in the number of files: one run of many
# small files beside one run for each (a plain program timing the
# sonomot-console it is built with).
add_executable(convert_files_bench ${CMAKE_CURRENT_LIST_DIR}/convert_files_bench.cc)
add_dependencies(convert_files_bench sonomot-console)
