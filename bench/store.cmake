# Record store: reading field 2 of 10 000 records of 4 KiB, against plain pread().
bw_add_benchmark(store_read_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_read_bench.cpp
                 LIBS bw_store)
