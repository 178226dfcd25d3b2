#include "test_tmpdir.h"

#include <unistd.h>

#include <filesystem>
#include <string>

const char* bw_test_tmpdir() {
  static const std::string dir = [] {
    const std::string path =
        std::string(BW_TEST_TMPDIR_BASE) + "/" + std::to_string(::getpid());
    std::error_code error;
    std::filesystem::remove_all(path, error);  // a folder left by an earlier process
    std::filesystem::create_directories(path, error);
    return path;
  }();
  return dir.c_str();
}
