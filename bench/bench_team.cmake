# Publishing to the team's server: a survey file of a million readings published into a
# throwaway PostgreSQL 15 cluster of its own, beside psql's \copy of the same rows; a reading
# seen by a listening client through NOTIFY, beside pgbench's single-row insert.
add_executable(bench_team ${CMAKE_CURRENT_LIST_DIR}/bench_team.cpp)
target_link_libraries(bench_team PRIVATE pv_teamstore pv_store Qt6::Core)
target_compile_definitions(bench_team PRIVATE PALVARIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
