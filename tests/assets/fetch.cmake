# Fetching assets from the asset store or plain files, and packing stores for it.
bw_add_test(asset_fetch_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/asset_fetch_test.cpp
            LIBS bw_assets bw_store)
