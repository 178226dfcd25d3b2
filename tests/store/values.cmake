# Value text, dates and times, and field-path texts of the record store.
bw_add_test(value_text_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/value_text_test.cpp LIBS bw_store)
bw_add_test(value_date_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/value_date_test.cpp LIBS bw_store)
bw_add_test(field_path_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/field_path_test.cpp LIBS bw_store)
