# Record lookup: the cursor over every kind of index, collation and damaged indexes.
bw_add_test(store2_lookup_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/store2_lookup_test.cpp
  LIBS bw_store)
# Expressions, field numbers and cross-store references.
bw_add_test(store2_expression_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/store2_expression_test.cpp
  LIBS bw_store)
