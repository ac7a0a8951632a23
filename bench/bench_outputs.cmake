# Writes 100,000 rows x 8 columns as .xlsx and .csv and a 1,000-row PDF report.
add_executable(bench_outputs ${CMAKE_CURRENT_LIST_DIR}/bench_outputs.cpp)
target_link_libraries(bench_outputs PRIVATE pv_report Qt6::Gui)
# Its last figure is the tool's read, from bench_cli_read run beside it.
add_dependencies(bench_outputs bench_cli_read)
