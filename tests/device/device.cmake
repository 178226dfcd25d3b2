# Device, Texture and Shader on the trace backend: exact call sequences, no GPU.
bw_add_test(device_trace_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_trace_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/shader_trace_test.cpp
  LIBS bw_device_trace)

# Pixels drawn by the drawing backend of the build, headless: one body of tests for the GL
# backend (llvmpipe) and the Direct3D 9 backend (under Wine when cross-built).
set(device_pixel_tests
  ${CMAKE_CURRENT_LIST_DIR}/pixel_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/conformance_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/default_effects_test.cpp)
if(TARGET bw_device_gl)
  bw_add_test(device_gl_test
    SOURCES ${device_pixel_tests} ${CMAKE_CURRENT_LIST_DIR}/gl/backend_under_test.cpp
    LIBS bw_device_gl
    LABELS gl)
  target_include_directories(device_gl_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
endif()
if(TARGET bw_device_d3d9)
  bw_add_test(device_d3d9_test
    SOURCES ${device_pixel_tests} ${CMAKE_CURRENT_LIST_DIR}/d3d9/backend_under_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/d3d9/failures_test.cpp
    LIBS bw_device_d3d9
    LABELS d3d9)
  target_include_directories(device_d3d9_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
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

# The two backends against each other: bwtool fx render natively (GL) and the Windows
# bwtool under Wine (Direct3D 9). Skipped until the Windows tree has its bwtool.
if(TARGET bw_device_gl AND TARGET bwtool)
  set(BW_WINDOWS_BWTOOL "${PROJECT_SOURCE_DIR}/build-windows/tools/bwtool/bwtool.exe"
      CACHE FILEPATH "The Windows bwtool that the backend comparison runs under Wine")
  # One process: a discovered test would lose its second label, which the stages select on.
  bw_add_test(device_fx_differential_test ONE_PROCESS
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/d3d9/fx_differential_test.cpp
    LIBS bw_bytecode bw_assets
    LABELS gl wine
    TIMEOUT 1800)
  target_include_directories(device_fx_differential_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(device_fx_differential_test PRIVATE
    BWTOOL="$<TARGET_FILE:bwtool>" BWTOOL_WINDOWS="${BW_WINDOWS_BWTOOL}"
    WINE_RUN="${PROJECT_SOURCE_DIR}/scripts/wine-run")
  add_dependencies(device_fx_differential_test bwtool)
endif()

# The GL backend presenting to an X11 window (under Xvfb).
if(TARGET bw_device_gl)
  find_package(X11 REQUIRED)
  bw_add_test(device_gl_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gl/window_test.cpp
    LIBS bw_device_gl X11::X11
    LABELS x11)
endif()
