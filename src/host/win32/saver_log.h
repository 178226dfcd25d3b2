// Where the saver's diagnostics go on Windows. A .scr has no console: each message goes to
// the debugger's output and is appended, after the time, to a small log under the user's
// local application data folder, "<LOCALAPPDATA>\Brushwright\brushwright.log".
#pragma once

#include <cstdint>
#include <string>

namespace bw::host {

// The size the log never grows past.
constexpr std::uintmax_t kLogLimit = 256 * 1024;

// The log's path, its folder made; empty when there is no local application data folder.
std::string saver_log_path();

// Appends `line` and a line end to the log at `path`. When that would take the log past
// `limit` bytes, its oldest lines go first, so that the newest half of the log is kept.
void append_to_log(const std::string& path, const std::string& line, std::uintmax_t limit);

// The local time as each log line begins with it: "2026-12-11 07:48:17.123".
std::string log_timestamp();

// Sends every later diagnostic to the debugger's output and to the saver's log, where each
// line begins with the time it was said.
void install_saver_log(std::uintmax_t limit = kLogLimit);

}  // namespace bw::host
