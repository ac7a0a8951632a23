# Statistics, both charts and one pushed reading over N single-layer records (first argument,
# default 1,000,000), with limits set so the bands are counted too.
add_executable(bench_analysis ${CMAKE_CURRENT_LIST_DIR}/bench_analysis.cpp)
target_link_libraries(bench_analysis PRIVATE pv_recordspage Qt6::Widgets)
