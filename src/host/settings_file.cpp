#include "host/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <vector>

#include "assets/image_source.h"
#include "host/options.h"
#include "platform/diagnostics.h"
#include "platform/file_replacement.h"

namespace bw::host {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kKeys[] = {"PATH", "SPEED", "DELAY"};

bool is_known_key(std::string_view key) {
  for (auto known : kKeys)
    if (key == known) return true;
  return false;
}

// The whole text of a settings file, or none. Only a regular file of at most
// kMaxSettingsFileBytes is read: a FIFO would hang the saver and a device such as
// /dev/zero would never end. `problem` says why a file that exists was not read.
std::optional<std::string> read_settings_text(const fs::path& file, std::string& problem,
                                              std::string& identity) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) problem = std::strerror(errno);
    return std::nullopt;
  }
  // The file as it is now: another file put at the same path is news again.
  identity = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
             std::to_string(st.st_ctim.tv_sec) + "." + std::to_string(st.st_ctim.tv_nsec);
  if (!S_ISREG(st.st_mode)) {
    problem = "not a regular file";
    return std::nullopt;
  }
  if (static_cast<uint64_t>(st.st_size) > kMaxSettingsFileBytes) {
    problem = "larger than " + std::to_string(kMaxSettingsFileBytes / 1024) + " KB";
    return std::nullopt;
  }
  // The reader checks again on what it opened, in case the file changed meanwhile.
  const auto bytes = assets::read_whole_file(file.string(), kMaxSettingsFileBytes);
  if (!bytes) {
    problem = "it cannot be read";
    return std::nullopt;
  }
  return std::string(bytes->begin(), bytes->end());
}

// An editor may begin a UTF-8 file with a byte-order mark; it is no part of the first key.
std::string without_byte_order_mark(const std::string& text) {
  return text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text;
}

std::optional<uint32_t> stored_number(std::string_view text) { return setting_number(text); }

// Reads KEY=VALUE lines of a settings file into `values`; returns whether the file could
// be read. Lines that are not of that form, or name another key, are skipped. A SPEED or
// DELAY that no setting can hold is named in `problems`.
bool read_key_file(const fs::path& file, std::map<std::string, std::string, std::less<>>& values,
                   std::vector<std::string>& problems, std::string& identity) {
  std::string problem;
  const auto text = read_settings_text(file, problem, identity);
  if (!problem.empty()) problems.push_back(problem);
  if (!text) return false;
  std::istringstream in(without_byte_order_mark(*text));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string_view key = std::string_view(line).substr(0, equals);
    if (!is_known_key(key)) continue;
    const std::string value = line.substr(equals + 1);
    // Kept all the same: it hides a machine-wide value, and reads as absent.
    if (key != "PATH" && !value.empty() && !stored_number(value))
      problems.push_back("\"" + line + "\" is ignored: " + setting_number_rule());
    if (key == "PATH" && value.size() >= kSettingsFilePathRoom) {
      problems.push_back("PATH= of " + std::to_string(value.size()) +
                         " characters is ignored: a path has at most " +
                         std::to_string(kSettingsFilePathRoom - 1));
      continue;  // read as absent: a machine-wide PATH, else the installed data, is used
    }
    values[std::string(key)] = value;
  }
  return true;
}

// The file a write of `file` must replace: the end of its chain of symbolic links, so that
// the link stays and the file it names is the one updated.
fs::path write_target(const fs::path& file) {
  fs::path target = file;
  std::error_code error;
  for (int hop = 0; hop < 40 && fs::is_symlink(fs::symlink_status(target, error)); ++hop) {
    const fs::path next = fs::read_symlink(target, error);
    if (error) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
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
  bool exists = false;
  for (const fs::path* file : {&system_file_, &user_file_}) {
    std::vector<std::string> problems;
    std::string identity;
    exists |= read_key_file(*file, values_, problems, identity);
    // Each problem of a file once in the process, though the file is read whenever a key is
    // opened, by every storage object made for the picture.
    static std::set<std::string> warned;
    for (const auto& problem : problems)
      if (warned.insert(file->string() + "\n" + identity + "\n" + problem).second)
        diag::message("brushwright: settings file \"%s\": %s", file->c_str(),
                      problem.c_str());
  }
  exists_ = exists;
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
  if (!text) return std::nullopt;
  return stored_number(*text);  // empty: as if absent
}

std::string SettingsFile::store_failure() const { return store_failure_; }

bool SettingsFile::store_speed_and_delay(uint32_t speed, uint32_t delay) {
  store_failure_.clear();
  // A symbolic link stays; the file it names is the one written.
  const fs::path target = write_target(user_file_);
  auto fail = [&](const fs::path& where, const std::string& reason) {
    store_failure_ = "\"" + user_file_.string() + "\"";
    std::error_code ignored;
    fs::path shown = fs::weakly_canonical(where, ignored);
    if (ignored) shown = where;
    if (where != user_file_) store_failure_ += " (at \"" + shown.string() + "\")";
    store_failure_ += ": " + reason;
    return false;
  };

  // Keep whatever else the user's file holds (PATH, unknown lines) in its order.
  std::vector<std::string> lines;
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    if (!S_ISREG(st.st_mode)) return fail(target, "not a regular file");
    // A file made read-only stays as it is, even for a user whom the system would let
    // write it.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0)
      return fail(target, "the file is read-only");
    if (static_cast<uint64_t>(st.st_size) > kMaxSettingsFileBytes)
      return fail(target, "larger than " + std::to_string(kMaxSettingsFileBytes / 1024) + " KB");
    const auto bytes = assets::read_whole_file(target.string(), kMaxSettingsFileBytes);
    if (!bytes) return fail(target, "cannot be read");
    std::istringstream in(without_byte_order_mark(std::string(bytes->begin(), bytes->end())));
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("SPEED=", 0) == 0 || line.rfind("DELAY=", 0) == 0) continue;
      lines.push_back(line);
    }
  }
  lines.push_back("SPEED=" + std::to_string(speed));
  lines.push_back("DELAY=" + std::to_string(delay));

  std::error_code error;
  fs::create_directories(target.parent_path(), error);
  if (error) return fail(target.parent_path(), error.message());

  // Write a temporary file beside the real one and rename it over, so that a failed
  // write leaves the old file whole; one that a killed save left behind goes now.
  platform::remove_stale_temporaries(target.parent_path().string(), ".conf");
  platform::FileReplacement file;
  std::string reason;
  if (!file.open(target.string(), &reason))
    return fail(fs::path(platform::temporary_path(target.string())), reason);
  for (const auto& line : lines) file.write((line + "\n").data(), line.size() + 1);
  // The new file keeps the permissions of the one it replaces.
  if (exists && ::fchmod(::fileno(file.stream()), st.st_mode & 07777) != 0)
    file.note_failure(errno);
  if (!file.commit(&reason)) return fail(target, reason);
  return true;
}

}  // namespace bw::host
