# Needs the hidraw rig from tests/hidraw (built only where umockdev is installed).
if(TARGET pv_hidraw_rig)
  add_executable(bench_hidraw_read ${CMAKE_CURRENT_LIST_DIR}/bench_hidraw_read.cpp)
  target_link_libraries(bench_hidraw_read PRIVATE pv_hidraw_rig pv_protocol Qt6::Core)
endif()
