#include "support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace bw::artgen::test {

CommandResult run(const std::string& command) {
  CommandResult result;
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  int status = ::pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

std::string quoted(const std::filesystem::path& path) {
  std::string text = "'";
  for (char c : path.string()) {
    if (c == '\'') {
      text += "'\\''";
    } else {
      text += c;
    }
  }
  return text + "'";
}

Pixels decode_jpeg(const std::filesystem::path& path) {
  Pixels pixels;
  const std::filesystem::path pnm = std::filesystem::path(BW_TEST_TMPDIR) / ("decode-" + std::to_string(::getpid()) + ".pnm");
  CommandResult result = run("djpeg -pnm -outfile " + quoted(pnm) + " " + quoted(path));
  EXPECT_EQ(result.status, 0) << path << ": " << result.output;
  std::FILE* file = std::fopen(pnm.c_str(), "rb");
  if (file == nullptr) {
    ADD_FAILURE() << "djpeg wrote nothing for " << path;
    return pixels;
  }
  char kind[3] = {};
  int maxval = 0;
  if (std::fscanf(file, "%2s %d %d %d", kind, &pixels.width, &pixels.height, &maxval) != 4 || maxval != 255) {
    ADD_FAILURE() << "unexpected PNM header from djpeg for " << path;
    std::fclose(file);
    return {};
  }
  std::fgetc(file);  // the single white-space byte before the samples
  pixels.channels = std::string(kind) == "P5" ? 1 : 3;
  pixels.samples.resize(static_cast<std::size_t>(pixels.width) * pixels.height * pixels.channels);
  const std::size_t got = std::fread(pixels.samples.data(), 1, pixels.samples.size(), file);
  std::fclose(file);
  std::filesystem::remove(pnm);
  EXPECT_EQ(got, pixels.samples.size()) << path;
  return pixels;
}

std::filesystem::path fresh_folder(const std::string& name) {
  std::filesystem::path folder = std::filesystem::path(BW_TEST_TMPDIR) / (name + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

// The set is generated once per build of artgen and shared by the test processes: it is
// made under a temporary name and renamed into place when complete, so a process never
// sees half a set; the folder's name changes with the generator binary.
const std::filesystem::path& default_set() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path tmp(BW_TEST_TMPDIR);
    std::error_code error;
    const auto stamp = std::filesystem::last_write_time(BW_ARTGEN, error).time_since_epoch().count();
    const std::filesystem::path ready =
        tmp / ("artgen-set-" + std::to_string(std::filesystem::file_size(BW_ARTGEN, error)) + "-" + std::to_string(stamp));
    if (std::filesystem::is_directory(ready / "colour")) return ready;
    // Sets of earlier builds of the generator are of no further use.
    for (const auto& entry : std::filesystem::directory_iterator(tmp, error)) {
      if (entry.path().filename().string().rfind("artgen-set-", 0) == 0) std::filesystem::remove_all(entry.path(), error);
    }
    const std::filesystem::path building = fresh_folder("artgen-building");
    CommandResult result = run(std::string(BW_ARTGEN) + " --seed 1 " + quoted(building));
    if (result.status != 0) {
      ADD_FAILURE() << "artgen failed: " << result.output;
      return building;
    }
    std::filesystem::rename(building, ready, error);
    if (error) std::filesystem::remove_all(building, error);  // another process was first
    return ready;
  }();
  return folder;
}

std::vector<std::filesystem::path> family_files(const std::string& family) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(default_set() / family, error)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace bw::artgen::test
