# Opening stores, reading records and fields, the writer that builds test stores, and the
# one order of index keys the writer and the lookup share.
bw_add_test(store_records
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/record_open_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/record_read_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/store_writer_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/index_order_test.cpp
  LIBS bw_store)

# bwtool store info|count|read over stores built by the writer. It runs bwtool through a
# POSIX shell (popen, "2>/dev/null"): not on Windows until the tests have a process
# runner there.
if(WIN32)
  return()
endif()
bw_add_test(store_bwtool
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_bwtool_test.cpp
  LIBS bw_store)
target_compile_definitions(store_bwtool PRIVATE BW_BWTOOL="$<TARGET_FILE:bwtool>")
add_dependencies(store_bwtool bwtool)
