# Benchmark programs of the motion export: the scripted export session
# measured beside a floor program of ours and midicsv, and the stages of one
# export inside a process.
add_executable(motion_export_floor ${CMAKE_CURRENT_LIST_DIR}/motion_export_floor.cc)
add_executable(motion_export_bench ${CMAKE_CURRENT_LIST_DIR}/motion_export_bench.cc)
add_dependencies(motion_export_bench motion_export_floor sonomot-console
                 bench_gen_midi)
add_executable(motion_export_stages ${CMAKE_CURRENT_LIST_DIR}/motion_export_stages.cc)
target_link_libraries(motion_export_stages PRIVATE motion midibind)
add_dependencies(motion_export_stages MIDIData)
