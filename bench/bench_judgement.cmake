# Judging CMLs: 10,000 CMLs x 20 readings written into a survey file and loaded; every CML
# judged again, one mark decided and its CML refreshed, one trend drawn into an 800x500 image.
add_executable(bench_judgement ${CMAKE_CURRENT_LIST_DIR}/bench_judgement.cpp)
target_link_libraries(bench_judgement PRIVATE pv_session pv_store pv_analysis PkgConfig::SQLITE3 Qt6::Gui)
