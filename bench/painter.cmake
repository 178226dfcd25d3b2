# The painting engine on llvmpipe: one new-picture frame against one display frame
# (painter_bench), and start-up to the first painted frame against creating the GL
# context alone (startup_bench).
if(TARGET bw_painter AND TARGET bw_device_gl)
  foreach(bench painter_bench:painter_frame startup_bench:startup_bench)
    string(REPLACE ":" ";" parts ${bench})
    list(GET parts 0 name)
    list(GET parts 1 source)
    bw_add_benchmark(${name}
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/${source}.cpp
      LIBS bw_painter bw_device_gl bw_bytecode bw_assets)
    target_compile_definitions(${name} PRIVATE BW_BUILD_DIR="${CMAKE_BINARY_DIR}")
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/painter)
  endforeach()
endif()
