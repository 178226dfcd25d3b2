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
bw_add_test(store2_links_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/store2_links_test.cpp
  LIBS bw_store)
add_dependencies(store2_links_test store2_test_plugin)
target_compile_definitions(store2_links_test PRIVATE
  BW_TEST_PLUGIN="$<TARGET_FILE:store2_test_plugin>")
