# Device, Texture and Shader on the trace backend: exact call sequences, no GPU.
bw_add_test(device_trace_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_trace_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/shader_trace_test.cpp
  LIBS bw_device_trace)
