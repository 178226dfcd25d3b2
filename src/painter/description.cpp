#include "painter/description.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/diagnostics.h"

namespace bw::painter {

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The text right after the first "KEY=", or nothing when the key is absent.
std::optional<std::string_view> value_after(std::string_view text, std::string_view key) {
  std::string needle(key);
  needle += '=';
  std::size_t at = text.find(needle);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = text.substr(at + needle.size());
  while (!rest.empty() && is_space(rest.front())) rest.remove_prefix(1);
  return rest;
}

// A decimal integer with an optional sign, saturated to the int range; 0 when there is none.
int read_int(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  long long value = 0;
  bool any = false;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    any = true;
    if (value < (1LL << 40)) value = value * 10 + (c - '0');
  }
  if (!any) return 0;
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

// A decimal floating-point number with an optional sign; 0 when there is none or when it is
// not finite.
float read_float(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.front() == '-' || s.front() == '+') return 0.0f;
  float value = 0.0f;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (end == s.data()) return 0.0f;
  if (ec == std::errc::result_out_of_range) return 0.0f;
  if (!std::isfinite(value)) return 0.0f;
  return negative ? -value : value;
}

void read_key(std::string_view text, std::string_view key, float& field, float absent) {
  auto rest = value_after(text, key);
  field = rest ? read_float(*rest) : absent;
}

void read_key(std::string_view text, std::string_view key, int& field, int absent) {
  auto rest = value_after(text, key);
  field = rest ? read_int(*rest) : absent;
}

}  // namespace

PictureDescription parse_picture_description(std::string_view text, std::string name) {
  std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);

  PictureDescription d;
  d.name = std::move(name);
  read_key(text, "PLANS", d.plans, 0);
  read_key(text, "TEX", d.tex, 0.0f);
  read_key(text, "DIST", d.dist, 0.2f);
  read_key(text, "SILHOUETTE", d.silhouette, 0.0f);
  read_key(text, "BUMP0", d.bump0, 0.1f);
  read_key(text, "BUMP1", d.bump1, 0.0f);
  read_key(text, "BUMP2", d.bump2, 0.0f);
  read_key(text, "FLTR1", d.fltr1, 0.0f);
  read_key(text, "FLTR2", d.fltr2, 0.0f);
  read_key(text, "FLTRFORM", d.fltrform, 0.0f);
  read_key(text, "FLTRSURF", d.fltrsurf, 0.0f);
  read_key(text, "FLTRCOL", d.fltrcol, 0.0f);
  read_key(text, "BLOOR", d.bloor, 0.0f);
  read_key(text, "BGCOLOR", d.bgcolor, 1);

  // Five layer slots exist; every picture needs at least its first plan.
  if (d.plans > kMaxPlans) d.plans = kMaxPlans;
  if (d.plans < 1) d.plans = 1;
  return d;
}

std::string description_path(const std::string& picture_name) {
  return kDescriptionFolder + picture_name + "/" + picture_name + ".hdr";
}

std::vector<std::string> picture_names(const std::vector<std::string>& asset_paths) {
  std::vector<std::string> names;
  const std::string_view folder = kDescriptionFolder;
  for (const std::string& path : asset_paths) {
    if (!path.starts_with(folder)) continue;
    const size_t slash = path.find('/', folder.size());
    if (slash == std::string::npos || slash == folder.size()) continue;
    const std::string name = path.substr(folder.size(), slash - folder.size());
    if (path == description_path(name)) names.push_back(name);
  }
  return names;
}

std::optional<PictureDescription> fetch_picture_description(const AssetFetcher& fetch,
                                                            const std::string& picture_name) {
  std::string path = description_path(picture_name);
  std::optional<std::vector<std::uint8_t>> bytes;
  if (fetch) bytes = fetch(path);
  if (!bytes) {
    diag::message("cannot read the picture description \"%s\"", path.c_str());
    return std::nullopt;
  }
  std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  return parse_picture_description(text, picture_name);
}

}  // namespace bw::painter
