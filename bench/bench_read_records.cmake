# Reads 10,000 records of each layout through the whole program (read button to filled
# table) from the emulated gauge at USB full-speed timing; with --store each read is also
# committed to a survey file.
add_executable(bench_read_records ${CMAKE_CURRENT_LIST_DIR}/bench_read_records.cpp)
target_link_libraries(bench_read_records PRIVATE pv_app)
target_compile_definitions(bench_read_records PRIVATE PALVARIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
