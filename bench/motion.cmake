# Benchmark programs of the motion export: the scripted export session
# measured beside a floor program of ours and midicsv.
add_executable(motion_export_floor ${CMAKE_CURRENT_LIST_DIR}/motion_export_floor.cc)
add_executable(motion_export_bench ${CMAKE_CURRENT_LIST_DIR}/motion_export_bench.cc)
