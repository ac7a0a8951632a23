if(PALVARIN_WITH_CALC)
  add_executable(bench_export ${CMAKE_CURRENT_LIST_DIR}/bench_export.cpp)
  target_link_libraries(bench_export PRIVATE pv_export Qt6::Core)
endif()
