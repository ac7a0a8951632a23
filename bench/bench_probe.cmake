# A reading judged at the probe: 10,000 CMLs x 20 readings in a survey file, a route over 200
# of them walked with the emulated gauge; each push timed from its arrival at the connection to
# the walk view painted with its verdict.
add_executable(bench_probe ${CMAKE_CURRENT_LIST_DIR}/bench_probe.cpp)
target_link_libraries(bench_probe PRIVATE pv_walkpage pv_session pv_emulator Qt6::Widgets)
target_compile_definitions(bench_probe PRIVATE PALVARIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
