# Lookups over fuzzed index files, fetch_asset over a fuzzed asset store, expressions and
# field paths over fuzzed text.
foreach(target store2_lookup_fuzz store2_fetch_fuzz store2_expression_fuzz)
  bw_add_fuzzer(${target} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${target}.cpp
                LIBS bw_assets bw_store SEEDS ${CMAKE_CURRENT_LIST_DIR}/store2_seeds.cpp)
endforeach()
