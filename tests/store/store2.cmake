# Record lookup: the cursor over every kind of index, collation and damaged indexes.
bw_add_test(store2_lookup_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/store2_lookup_test.cpp
  LIBS bw_store)
# Expressions, field numbers and cross-store references.
bw_add_test(store2_expression_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/store2_expression_test.cpp
  LIBS bw_store)
# Links into other stores, expression fields, and virtual fields through a plug-in library
# built here.
add_library(store2_test_plugin MODULE ${CMAKE_CURRENT_LIST_DIR}/store2_test_plugin.cpp)
target_include_directories(store2_test_plugin PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(store2_test_plugin PRIVATE bw_warnings)
# Methods.so, or Methods.dll on Windows.
set_target_properties(store2_test_plugin PROPERTIES PREFIX "" OUTPUT_NAME "Methods"
                      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/plugin)
# The same library built once more as another user's, whose values say "intruder".
add_library(store2_intruder_plugin MODULE ${CMAKE_CURRENT_LIST_DIR}/store2_test_plugin.cpp)
target_include_directories(store2_intruder_plugin PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(store2_intruder_plugin PRIVATE bw_warnings)
target_compile_definitions(store2_intruder_plugin PRIVATE BW_INTRUDER)
set_target_properties(store2_intruder_plugin PROPERTIES PREFIX "" OUTPUT_NAME "Methods"
                      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/intruder)
bw_add_test(store2_links_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/store2_links_test.cpp
  LIBS bw_store)
add_dependencies(store2_links_test store2_test_plugin store2_intruder_plugin)
target_compile_definitions(store2_links_test PRIVATE
  BW_TEST_PLUGIN="$<TARGET_FILE:store2_test_plugin>"
  BW_INTRUDER_PLUGIN="$<TARGET_FILE:store2_intruder_plugin>")

# bwtool store read|find|eval natively against the Windows bwtool under Wine, after the
# Windows stage (label wine). Skipped until the Windows tree has its bwtool.
if(NOT WIN32)
  set(BW_WINDOWS_BWTOOL "${PROJECT_SOURCE_DIR}/build-windows/tools/bwtool/bwtool.exe"
      CACHE FILEPATH "The Windows bwtool that the backend comparison runs under Wine")
  bw_add_test(store_tool_differential_test ONE_PROCESS
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_tool_differential_test.cpp
    LIBS bw_store
    LABELS wine
    TIMEOUT 1800)
  target_compile_definitions(store_tool_differential_test PRIVATE
    BWTOOL="$<TARGET_FILE:bwtool>" BWTOOL_WINDOWS="${BW_WINDOWS_BWTOOL}"
    WINE_RUN="${PROJECT_SOURCE_DIR}/scripts/wine-run" BW_NATIVE_DATA="${PROJECT_BINARY_DIR}/data")
  add_dependencies(store_tool_differential_test bwtool)
endif()

# The written form of expressions, and bwtool store eval refusing malformed ones (bwtool
# runs through a POSIX shell).
if(NOT WIN32)
  bw_add_test(expression_check_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/expression_check_test.cpp
    LIBS bw_store)
  target_compile_definitions(expression_check_test PRIVATE BW_BWTOOL="$<TARGET_FILE:bwtool>")
  add_dependencies(expression_check_test bwtool)
endif()
