# The console's cost of typing one long line (a plain program printing
# figures).
add_executable(console_typing_bench ${CMAKE_CURRENT_LIST_DIR}/console_typing_bench.cc)
target_link_libraries(console_typing_bench PRIVATE console platform_core)
