#include "platform/diagnostics.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace bw::diag {
namespace {

// The process-wide sink; empty means standard error.
Sink& installed() {
  static Sink sink;
  return sink;
}

}  // namespace

void to_standard_error(const std::string& line) {
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
}

void say(const std::string& line) {
  const Sink& sink = installed();
  if (sink) {
    sink(line);
  } else {
    to_standard_error(line);
  }
}

void message(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string line;
  if (length > 0) {
    std::vector<char> text(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    line.assign(text.data(), static_cast<size_t>(length));
  }
  va_end(again);
  say(line);
}

int finish_standard_output(const char* program, int status) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int reason = errno;
  if (flushed && !std::ferror(stdout)) return status;
  // A write that failed earlier may have left no reason behind.
  message("%s: cannot write to standard output: %s", program,
          reason != 0 ? std::strerror(reason) : "a write failed");
  return status == 0 ? 1 : status;
}

Sink install_sink(Sink sink) { return std::exchange(installed(), std::move(sink)); }

}  // namespace bw::diag
