# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix-thread compilers, so
# that std::thread and std::mutex exist). Programs link libgcc, libstdc++ and winpthread
# statically: an .exe runs on Windows, or under Wine, without extra DLLs.
#
# BW_WINDOWS_DEPS names the prefix that scripts/windows-deps fills with libjpeg-turbo and
# libpng for this target; zlib comes from the mingw-w64 sysroot. Programs built here run
# through scripts/wine-run (CMAKE_CROSSCOMPILING_EMULATOR), so ctest runs them under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(BW_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BW_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BW_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BW_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BW_MINGW_TRIPLET})
# Try-compiles re-read this file without the cache; pass the deps prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BW_WINDOWS_DEPS)
if(BW_WINDOWS_DEPS)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${BW_WINDOWS_DEPS}")
endif()
# Libraries and headers only from the target's roots; programs (tools run during the
# build) from the build machine.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives first: the mingw sysroot also has zlib as a DLL import library.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a .dll.a .lib)

# 64-bit file offsets and sizes (off_t, struct stat), as on Linux.
set(CMAKE_C_FLAGS_INIT "-D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-D_FILE_OFFSET_BITS=64")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

get_filename_component(BW_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${BW_SOURCE_ROOT}/scripts/wine-run")
