# Image readers: TGA, DDS, PNG, JPEG, the extension dispatch and the numbered images. The
# corpus is made and checked by reference tools (ImageMagick's convert, cjpeg, djpeg) run
# through a POSIX shell, so neither program is built for Windows yet.
if(WIN32)
  return()
endif()
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
bw_add_test(image_readers_test
  SOURCES image_corpus.cpp image_tga_test.cpp image_dds_test.cpp image_png_test.cpp
          image_jpeg_test.cpp image_load_test.cpp image_store_test.cpp
          image_store_records_test.cpp
  LIBS bw_assets PNG::PNG JPEG::JPEG)
bw_add_test(image_tool_test
  SOURCES image_corpus.cpp image_tool_test.cpp
  LIBS bw_assets)
add_dependencies(image_tool_test bwtool)
target_compile_definitions(image_tool_test PRIVATE BWTOOL_PATH="$<TARGET_FILE:bwtool>")
