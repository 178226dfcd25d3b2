# Every target of ours builds with the same warnings; CI turns them into errors.
add_library(bw_warnings INTERFACE)
# Only the compilers take them: resource scripts (Windows) build with the same targets.
target_compile_options(bw_warnings INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall$<SEMICOLON>-Wextra>)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports std::string assignments of literals as overlapping copies at -O2
  # (GCC bug 105329); the warning is wrong there and says nothing about our code.
  target_compile_options(bw_warnings INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Wno-restrict>)
endif()
if(BW_WERROR)
  target_compile_options(bw_warnings INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Werror>)
endif()
