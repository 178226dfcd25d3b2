# Fetching assets from the asset store or plain files, and packing stores for it.
bw_add_test(asset_fetch_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/asset_fetch_test.cpp
            LIBS bw_assets bw_store)
# The tool test runs bwtool through a POSIX shell (system() with redirections): not on
# Windows until the tests have a process runner there.
if(NOT WIN32)
  bw_add_test(asset_fetch_tool_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/asset_fetch_tool_test.cpp
              LIBS bw_assets bw_store)
  add_dependencies(asset_fetch_tool_test bwtool)
  target_compile_definitions(asset_fetch_tool_test PRIVATE BWTOOL_PATH="$<TARGET_FILE:bwtool>")
endif()
