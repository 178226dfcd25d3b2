// Fuzz inputs that stand for the files of a store directory: a run of
// [id: 1 byte][length: 4 bytes LE][bytes] records. Which id names which file is the
// target's; a file whose id does not appear is removed.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "store/store_format.h"
#include "store/store_writer.h"

namespace store2_fuzz {

inline std::string temp_dir(const char* tag) {
  std::string pattern = std::string("/tmp/bw_") + tag + "_XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

// Writes the files the input names into `dir` (names[id]); the rest of the input, after
// the last whole record, is returned as the tail.
inline std::vector<uint8_t> unpack(const uint8_t* data, size_t size, const std::string& dir,
                                   const std::vector<std::string>& names) {
  std::vector<bool> present(names.size(), false);
  size_t pos = 0;
  while (size - pos >= 5 && data[pos] < names.size()) {
    const uint8_t id = data[pos];
    const size_t length = bw::store::load_u32(data + pos + 1);
    pos += 5;
    const size_t take = length < size - pos ? length : size - pos;
    bw::store::write_file(dir + "/" + names[id], std::vector<uint8_t>(data + pos, data + pos + take));
    present[id] = true;
    pos += take;
  }
  for (size_t id = 0; id < names.size(); ++id)
    if (!present[id]) ::unlink((dir + "/" + names[id]).c_str());
  return std::vector<uint8_t>(data + pos, data + size);
}

// Packs files of `dir` as an input (seed makers).
inline std::vector<uint8_t> pack(const std::string& dir, const std::vector<std::string>& names,
                                 const std::string& tail) {
  std::vector<uint8_t> out;
  for (size_t id = 0; id < names.size(); ++id) {
    std::ifstream in(dir + "/" + names[id], std::ios::binary);
    if (!in) continue;
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    out.push_back(static_cast<uint8_t>(id));
    uint8_t length[4];
    bw::store::store_u32(length, static_cast<uint32_t>(bytes.size()));
    out.insert(out.end(), length, length + 4);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

inline void write_seed(const std::string& corpus, const std::string& name,
                       const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(corpus);
  bw::store::write_file(corpus + "/" + name, bytes);
}

}  // namespace store2_fuzz
