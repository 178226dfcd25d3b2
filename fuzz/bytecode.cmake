# Effect bytecode over fuzzed bytes: the .bsf reader, the token decoder, the GLSL translator.
foreach(target bsf decode glsl)
  bw_add_fuzzer(bytecode_${target}_fuzz
                SOURCES ${CMAKE_CURRENT_LIST_DIR}/bytecode_${target}_fuzz.cpp
                LIBS bw_bytecode
                SEEDS ${CMAKE_CURRENT_LIST_DIR}/bytecode_seeds.cpp)
  target_compile_definitions(bytecode_${target}_fuzz_seeds PRIVATE
                             BW_SOURCE_DIR="${PROJECT_SOURCE_DIR}" BW_SEED_KIND="${target}")
endforeach()
