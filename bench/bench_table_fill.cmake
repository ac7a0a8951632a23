# Fills the records table with 100,000 single-layer rows through the batch path, against a
# baseline of one widget per row.
add_executable(bench_table_fill ${CMAKE_CURRENT_LIST_DIR}/bench_table_fill.cpp)
target_link_libraries(bench_table_fill PRIVATE pv_recordspage Qt6::Widgets)
