# Numbered images: fetch, descramble, decode and turn 100 store images of 512 x 512,
# against decoding the same JPEG bytes with libjpeg directly.
find_package(JPEG REQUIRED)
bw_add_benchmark(image_store_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_store_bench.cpp
                 LIBS bw_assets JPEG::JPEG)
