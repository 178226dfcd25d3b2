# Value text and field-path texts of the record store over fuzzed bytes.
bw_add_fuzzer(values_text_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/values_text_fuzz.cpp
              LIBS bw_store SEEDS ${CMAKE_CURRENT_LIST_DIR}/values_seeds.cpp)
