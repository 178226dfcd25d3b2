#include "host/settings_file.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace bw::host {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kKeys[] = {"PATH", "SPEED", "DELAY"};

bool is_known_key(std::string_view key) {
  for (auto known : kKeys)
    if (key == known) return true;
  return false;
}

// Reads KEY=VALUE lines of a settings file into `values`; returns whether the file could
// be read. Lines that are not of that form, or name another key, are skipped.
bool read_key_file(const fs::path& file, std::map<std::string, std::string, std::less<>>& values) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string_view key = std::string_view(line).substr(0, equals);
    if (!is_known_key(key)) continue;
    values[std::string(key)] = line.substr(equals + 1);
  }
  return true;
}

std::string home_config_dir() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
    return xdg;
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
    return std::string(home) + "/.config";
  return ".config";
}

}  // namespace

SettingsFile::SettingsFile(std::string_view picture, fs::path user_dir, fs::path system_dir)
    : user_file_(std::move(user_dir) / (std::string(picture) + ".conf")),
      system_file_(std::move(system_dir) / (std::string(picture) + ".conf")) {}

SettingsFile SettingsFile::for_picture(std::string_view picture) {
  return SettingsFile(picture, fs::path(home_config_dir()) / "velmora", "/etc/xdg/velmora");
}

void SettingsFile::load() {
  values_.clear();
  const bool system = read_key_file(system_file_, values_);
  const bool user = read_key_file(user_file_, values_);
  exists_ = system || user;
}

bool SettingsFile::open_key() {
  load();
  return exists_;
}

std::optional<std::string> SettingsFile::read_text(std::string_view name) {
  auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::optional<uint32_t> SettingsFile::read_number(std::string_view name) {
  auto text = read_text(name);
  if (!text || text->empty()) return std::nullopt;
  uint32_t value = 0;
  const char* end = text->data() + text->size();
  auto [stop, error] = std::from_chars(text->data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;  // malformed: as if absent
  return value;
}

bool SettingsFile::store_speed_and_delay(uint32_t speed, uint32_t delay) {
  // Keep whatever else the user's file holds (PATH, unknown lines) in its order.
  std::vector<std::string> lines;
  {
    std::ifstream in(user_file_);
    std::string line;
    while (in && std::getline(in, line)) {
      if (line.rfind("SPEED=", 0) == 0 || line.rfind("DELAY=", 0) == 0) continue;
      lines.push_back(line);
    }
  }
  lines.push_back("SPEED=" + std::to_string(speed));
  lines.push_back("DELAY=" + std::to_string(delay));

  std::error_code error;
  fs::create_directories(user_file_.parent_path(), error);
  if (error) return false;

  // Write a temporary file beside the real one and rename it over, so that a failed
  // write leaves the old file whole.
  fs::path temporary = user_file_;
  temporary += ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::trunc);
    for (const auto& line : lines) out << line << '\n';
    out.flush();
    if (!out) {
      out.close();
      fs::remove(temporary, error);
      return false;
    }
  }
  fs::rename(temporary, user_file_, error);
  if (error) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
}

}  // namespace bw::host
