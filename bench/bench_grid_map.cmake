# Drawing the largest grid (999 x 52 cells, some masked, some unmeasured) into a 1600x1000 image.
add_executable(bench_grid_map ${CMAKE_CURRENT_LIST_DIR}/bench_grid_map.cpp)
target_link_libraries(bench_grid_map PRIVATE pv_analysis Qt6::Gui)
