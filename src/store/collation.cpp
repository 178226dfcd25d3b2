#include "store/collation.h"

#include "platform/file.h"

namespace bw::store {
namespace {

// On Windows a path from "/" names the root of the current drive.
constexpr const char* kWeightFile = "/usr/local/lib/.weight";

bool read_table(const std::string& path, CollationTable& table) {
  const platform::File file = platform::File::open(path, platform::FileAccess::read_only);
  CollationTable loaded{};
  if (file.read_fully_at(0, loaded.data(), loaded.size()) != loaded.size()) return false;
  table = loaded;
  return true;
}

CollationTable& process_table() {
  static CollationTable table = [] {
    CollationTable t = default_collation();
    read_table(kWeightFile, t);
    return t;
  }();
  return table;
}

}  // namespace

CollationTable default_collation() {
  CollationTable t{};
  for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<uint8_t>(i);
  for (size_t c = 'a'; c <= 'z'; ++c) t[c] = static_cast<uint8_t>(c - 32);
  return t;
}

const CollationTable& collation() { return process_table(); }

bool load_collation(const std::string& path) {
  CollationTable t = default_collation();
  const bool ok = read_table(path, t);
  process_table() = t;
  return ok;
}

int collation_compare(const uint8_t* a, size_t a_len, const uint8_t* b, size_t b_len,
                      size_t n) {
  if (a == nullptr) return b == nullptr ? 0 : -1;
  if (b == nullptr) return 1;
  const CollationTable& w = collation();
  for (size_t i = 0; n == 0 || i < n; ++i) {
    const uint8_t x = i < a_len ? a[i] : 0;
    const uint8_t y = i < b_len ? b[i] : 0;
    const int c = static_cast<int>(w[x]) - static_cast<int>(w[y]);
    if (c != 0) return c;
    if (x == 0 || y == 0) return 0;
  }
  return 0;
}

}  // namespace bw::store
