# Asset fetch: 10 000 random fetches and lookups on a 10 000-asset store against the same
# lookups in SQLite, and descrambling throughput against memcpy.
find_package(SQLite3)
if(SQLite3_FOUND)
  bw_add_benchmark(store2_fetch_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/store2_fetch_bench.cpp
                   LIBS bw_assets bw_store SQLite::SQLite3)
endif()
