#include "store/collation.h"

#include <algorithm>
#include <cstring>

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

namespace {

// Numeric keys are read from at most this many bytes: a record part of up to 15 bytes
// (the flag nibble) followed by an 8-byte position part.
constexpr size_t kNumericKeyBytes = 24;
using NumericKey = std::array<uint8_t, kNumericKeyBytes>;

// The first bytes of a value, NUL-padded, so that fixed-width reads stay inside it.
NumericKey numeric_key(const uint8_t* value, size_t length) {
  NumericKey out{};
  if (value != nullptr) std::memcpy(out.data(), value, std::min(length, out.size()));
  return out;
}

template <typename T>
int sign_of(T x, T y) {
  return x < y ? -1 : (x > y ? 1 : 0);
}

template <typename Float>
Float float_at(const NumericKey& key) {
  Float f = 0;
  std::memcpy(&f, key.data(), sizeof f);
  return f;
}

}  // namespace

int compare_keys(const FieldDescriptor& d, const uint8_t* a, size_t a_len, const uint8_t* b,
                 size_t b_len, size_t n) {
  const size_t size = d.size;
  switch (d.type) {
    case FieldType::text:
      return sign_of(collation_compare(a, a_len, b, b_len, n), 0);
    case FieldType::date:
    case FieldType::time:
    case FieldType::link:
    case FieldType::position_link:
    case FieldType::signed_integer:
    case FieldType::unsigned_integer:
    case FieldType::single_float:
    case FieldType::double_float:
      break;
    default: {
      const int c = collation_compare(a, a_len, b, b_len, n != 0 ? n : std::max<size_t>(size, 1));
      return sign_of(c, 0);
    }
  }
  const NumericKey x = numeric_key(a, a_len);
  const NumericKey y = numeric_key(b, b_len);
  switch (d.type) {
    case FieldType::date:
      return sign_of(x[0] + 256 * load_u16(&x[1]), y[0] + 256 * load_u16(&y[1]));
    case FieldType::position_link: {
      const size_t record_width = std::min(static_cast<size_t>(d.count_nibble()), size);
      const int c =
          sign_of(load_signed(x.data(), record_width), load_signed(y.data(), record_width));
      if (c != 0 || n != 0) return c;
      const size_t position_width = size - record_width;
      return sign_of(load_signed(x.data() + record_width, position_width),
                     load_signed(y.data() + record_width, position_width));
    }
    case FieldType::unsigned_integer:
      return sign_of(load_unsigned(x.data(), size), load_unsigned(y.data(), size));
    case FieldType::single_float:
      return sign_of(float_at<float>(x), float_at<float>(y));
    case FieldType::double_float:
      return sign_of(float_at<double>(x), float_at<double>(y));
    default:  // time, link, signed
      return sign_of(load_signed(x.data(), size), load_signed(y.data(), size));
  }
}

}  // namespace bw::store
