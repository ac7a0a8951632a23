# Fills the records table with N single-layer records (first argument, default 100,000) in one
# batch through the records model, adds one pushed record to the full table, and compares
# with a baseline of one widget per row.
add_executable(bench_table_fill ${CMAKE_CURRENT_LIST_DIR}/bench_table_fill.cpp)
target_link_libraries(bench_table_fill PRIVATE pv_recordspage Qt6::Widgets)
