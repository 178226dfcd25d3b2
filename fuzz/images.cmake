# Image readers over fuzzed bytes: TGA, DDS, PNG (as an in-memory file) and JPEG.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
foreach(reader tga dds png jpeg)
  bw_add_fuzzer(image_${reader}_fuzz
                SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_${reader}_fuzz.cpp
                LIBS bw_assets PNG::PNG JPEG::JPEG
                SEEDS ${CMAKE_CURRENT_LIST_DIR}/image_seeds.cpp)
endforeach()
