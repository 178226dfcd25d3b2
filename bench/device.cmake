# The display pass's cross-fade drawn by the GL backend: the translated effect against a
# hand-written GLSL program drawn the same way.
if(TARGET bw_device_gl)
  bw_add_benchmark(device_crossfade_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_crossfade_bench.cpp
    LIBS bw_device_gl)
  target_compile_definitions(device_crossfade_bench PRIVATE BW_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
