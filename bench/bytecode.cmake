# Translating every shipped effect to GLSL, in effects per second, against decoding the
# same token streams alone (the reference measured in the same run).
bw_add_benchmark(bytecode_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/bytecode_translate.cpp
                 LIBS bw_bytecode)
target_compile_definitions(bytecode_bench PRIVATE BW_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
