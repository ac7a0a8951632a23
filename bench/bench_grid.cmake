# The largest grid (999 x 52 cells): its map drawn, readings pushed into it while it is filled
# and painted, and the estimate of its thinnest spot.
add_executable(bench_grid ${CMAKE_CURRENT_LIST_DIR}/bench_grid.cpp)
target_link_libraries(bench_grid PRIVATE pv_assetspage pv_session pv_emulator Qt6::Widgets)
target_compile_definitions(bench_grid PRIVATE PALVARIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
