# Places: 10,000 CMLs under 200 assets imported from CSV, 20 surveys walked by route; the Assets
# view on the largest asset, one CML's history, and a million-row file of the last schema
# brought in beside a bare INSERT ... SELECT of the same rows.
add_executable(bench_places ${CMAKE_CURRENT_LIST_DIR}/bench_places.cpp)
target_link_libraries(bench_places PRIVATE pv_assetspage pv_store pv_interaction PkgConfig::SQLITE3 Qt6::Widgets)
