# The track dump's page cost on a large track (a plain program printing
# figures).
add_executable(dump_bench ${CMAKE_CURRENT_LIST_DIR}/dump_bench.cc)
target_link_libraries(dump_bench PRIVATE commands midibind midigen)
add_dependencies(dump_bench MIDIData)
