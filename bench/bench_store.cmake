# The survey store: a million read records in one batch, single pushed measurements committed
# durably against the disk's own flush time, a 100,000-row session opened from the history,
# and the bytes each row takes on disk; the batch beside the bare C API in the same run.
add_executable(bench_store ${CMAKE_CURRENT_LIST_DIR}/bench_store.cpp)
target_link_libraries(bench_store PRIVATE pv_session pv_store PkgConfig::SQLITE3)
