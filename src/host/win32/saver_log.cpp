#include "host/win32/saver_log.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/diagnostics.h"

namespace bw::host {
namespace {

namespace fs = std::filesystem;

// Rewrites the log with its newest whole lines that fit in `keep` bytes.
void keep_newest(const std::string& path, std::uintmax_t size, std::uintmax_t keep) {
  std::string tail;
  {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size > keep ? size - keep : 0));
    tail.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The cut may fall inside a line: the part of it that is left goes too.
  const auto first_end = tail.find('\n');
  tail = first_end == std::string::npos ? std::string() : tail.substr(first_end + 1);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << tail;
}

}  // namespace

std::string saver_log_path() {
  char base[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", base, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  const std::string dir = std::string(base) + "\\Brushwright";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + "\\brushwright.log";
}

void append_to_log(const std::string& path, const std::string& line, std::uintmax_t limit) {
  // One message never takes more than half of the log.
  const std::uintmax_t half = limit / 2;
  std::string entry = line.substr(0, half > 2 ? half - 2 : 0) + "\r\n";
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  if (!error && size + entry.size() > limit) keep_newest(path, size, half);
  std::ofstream(path, std::ios::binary | std::ios::app) << entry;
}

std::string log_timestamp() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return text;
}

void install_saver_log(std::uintmax_t limit) {
  diag::install_sink([path = saver_log_path(), limit](const std::string& line) {
    OutputDebugStringA((line + "\n").c_str());
    if (!path.empty()) append_to_log(path, log_timestamp() + " " + line, limit);
  });
}

}  // namespace bw::host
