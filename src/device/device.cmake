# The device layer: Device, Texture and Shader over the Backend interface, the trace
# backend (tests) and, when drawing is built, the OpenGL backend.
add_library(bw_device STATIC
  ${CMAKE_CURRENT_LIST_DIR}/device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/texture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shader.cpp)
target_include_directories(bw_device PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(bw_device PUBLIC bw_bytecode bw_assets PRIVATE bw_warnings)

add_library(bw_device_trace STATIC ${CMAKE_CURRENT_LIST_DIR}/trace/trace_backend.cpp)
target_link_libraries(bw_device_trace PUBLIC bw_device PRIVATE bw_warnings)

if(BW_GL)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BW_EPOXY REQUIRED IMPORTED_TARGET epoxy)
  pkg_check_modules(BW_EGL REQUIRED IMPORTED_TARGET egl)
  find_package(X11 REQUIRED)
  add_library(bw_device_gl STATIC
    ${CMAKE_CURRENT_LIST_DIR}/gl/gl_backend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gl/gl_context.cpp)
  # Programs that can draw test for this to offer drawing.
  target_compile_definitions(bw_device_gl PUBLIC BW_HAVE_GL=1)
  target_link_libraries(bw_device_gl PUBLIC bw_device
    PRIVATE PkgConfig::BW_EPOXY PkgConfig::BW_EGL X11::X11 bw_diagnostics bw_warnings)
endif()

if(WIN32)
  # Direct3D 9 and DirectDraw are loaded at run time: nothing to link but the system's own.
  add_library(bw_device_d3d9 STATIC
    ${CMAKE_CURRENT_LIST_DIR}/d3d9/d3d9_backend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/d3d9/video_memory.cpp)
  # Programs that can draw test for this to offer drawing.
  target_compile_definitions(bw_device_d3d9 PUBLIC BW_HAVE_D3D9=1)
  target_link_libraries(bw_device_d3d9 PUBLIC bw_device PRIVATE bw_warnings)
endif()
