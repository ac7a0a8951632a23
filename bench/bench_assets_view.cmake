# The Assets view opened on its largest asset (200 CMLs) of a survey file holding N assigned
# readings (first argument, default 200,000), until painted; then one CML's history shown.
add_executable(bench_assets_view ${CMAKE_CURRENT_LIST_DIR}/bench_assets_view.cpp)
target_link_libraries(bench_assets_view PRIVATE pv_assetspage Qt6::Widgets)
