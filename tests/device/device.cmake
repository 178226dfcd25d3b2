# Device, Texture and Shader on the trace backend: exact call sequences, no GPU.
bw_add_test(device_trace_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_trace_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/shader_trace_test.cpp
  LIBS bw_device_trace)

# Pixels drawn by the GL backend on a headless llvmpipe context.
if(TARGET bw_device_gl)
  bw_add_test(device_gl_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gl/pixel_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/gl/conformance_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/gl/default_effects_test.cpp
    LIBS bw_device_gl
    LABELS gl)
endif()

# bwtool fx render, run as a program.
if(TARGET bw_device_gl)
  bw_add_test(device_fx_render_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/fx_render_test.cpp
    LIBS bw_bytecode bw_assets
    LABELS gl)
  target_compile_definitions(device_fx_render_test PRIVATE BWTOOL="$<TARGET_FILE:bwtool>")
  add_dependencies(device_fx_render_test bwtool)
endif()

# The GL backend presenting to an X11 window (under Xvfb).
if(TARGET bw_device_gl)
  find_package(X11 REQUIRED)
  bw_add_test(device_gl_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gl/window_test.cpp
    LIBS bw_device_gl X11::X11
    LABELS x11)
endif()
