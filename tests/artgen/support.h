// Helpers of the generator tests: running commands, decoding with djpeg, and one
// generated image set shared by the tests of a process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bw::artgen::test {

struct CommandResult {
  int status = -1;     // exit status, or -1 when the command did not end normally
  std::string output;  // standard output and standard error together
};

// Runs a shell command line and collects what it prints.
CommandResult run(const std::string& command);

// Quotes a path for the shell.
std::string quoted(const std::filesystem::path& path);

// A decoded image: 8-bit samples, 1 (grey) or 3 (RGB) channels.
struct Pixels {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> samples;
  int at(int x, int y, int c) const { return samples[(static_cast<std::size_t>(y) * width + x) * channels + c]; }
};

// Decodes a JPEG file with djpeg; fails the calling test (and returns an empty image)
// when djpeg rejects it.
Pixels decode_jpeg(const std::filesystem::path& path);

// The image set written by `artgen --seed 1` with its default counts, generated once
// per test process into a fresh folder.
const std::filesystem::path& default_set();

// A fresh, empty folder under the test's temporary folder.
std::filesystem::path fresh_folder(const std::string& name);

// The JPEG files of one family folder, sorted by name.
std::vector<std::filesystem::path> family_files(const std::string& family);

}  // namespace bw::artgen::test
