// Where image readers get their bytes: a fetcher for assets named by relative path (the
// asset store, else a plain file), and the install directory for readers that open files.
#pragma once

#include <cstdint>
#include <functional>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace bw::assets {

// Returns the bytes of the asset at a relative path, or none when it is missing (the
// fetcher writes its own message, if any).
using AssetFetcher =
    std::function<std::optional<std::vector<std::uint8_t>>(const std::string& path)>;

// Everything the path-based readers need to find their input.
struct ImageSources {
  AssetFetcher fetch;          // TGA and JPEG assets
  std::string install_dir;     // second place to look for PNG and DDS files; "" for none
};

// The bytes of the asset at `path` through `fetch`; none when there is no fetcher or it
// has no such asset. The road of the TGA and JPEG readers.
std::optional<std::vector<std::uint8_t>> fetch_image_asset(const std::string& path,
                                                           const AssetFetcher& fetch);

// Reads a whole regular file; none when it cannot be opened, is not a regular file, or is
// larger than max_bytes.
std::optional<std::vector<std::uint8_t>> read_whole_file(const std::string& path,
                                                         std::size_t max_bytes = 1u << 30);

// Joins an install directory and a relative path with "/" ("." when dir is empty).
std::string join_install_path(const std::string& install_dir, const std::string& path);

// Opens `path` for reading, else the same path under `install_dir` (when not empty): the
// two places PNG and DDS files are looked for. Null when neither opens; the caller closes.
std::FILE* open_image_file(const std::string& path, const std::string& install_dir);

}  // namespace bw::assets
