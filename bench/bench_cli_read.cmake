# palvarin-cli read of 10,000 records per layout, against the report-time bound.
add_executable(bench_cli_read ${CMAKE_CURRENT_LIST_DIR}/bench_cli_read.cpp)
target_link_libraries(bench_cli_read PRIVATE pv_cli)
target_compile_definitions(bench_cli_read PRIVATE PALVARIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
