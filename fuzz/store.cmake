# Record stores over fuzzed bytes: open a store made of fuzzed files, read every field.
bw_add_fuzzer(store_open_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_open_fuzz.cpp
              LIBS bw_store SEEDS ${CMAKE_CURRENT_LIST_DIR}/store_seeds.cpp)
