add_executable(bench_link_read ${CMAKE_CURRENT_LIST_DIR}/bench_link_read.cpp)
target_link_libraries(bench_link_read PRIVATE pv_emulator pv_protocol Qt6::Core)
