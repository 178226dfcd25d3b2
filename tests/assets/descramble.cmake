# The additive generator and the descrambling of store records.
bw_add_test(additive_random_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/additive_random_test.cpp
            LIBS bw_assets)
