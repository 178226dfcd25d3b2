# The painting engine on llvmpipe: one new-picture frame against one display frame.
if(TARGET bw_device_gl)
  bw_add_benchmark(painter_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/painter_frame.cpp
    LIBS bw_painter bw_device_gl bw_bytecode bw_assets)
  target_compile_definitions(painter_bench PRIVATE BW_BUILD_DIR="${CMAKE_BINARY_DIR}")
  target_include_directories(painter_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/painter)
endif()
