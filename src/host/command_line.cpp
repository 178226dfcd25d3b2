#include "host/command_line.h"

#include <climits>
#include <cstring>

namespace bw::host {

ArgumentVector split_command_line(char* line) {
  ArgumentVector args;
  char* p = line;
  while (p != nullptr && *p != '\0' && args.count <= kMaxArguments) {
    while (*p != '\0' && is_separator(*p)) ++p;
    if (*p == '\0') break;
    args.slot[args.count++] = p;
    while (*p != '\0' && !is_separator(*p)) ++p;
    if (*p == '\0') break;
    *p++ = '\0';
  }
  return args;
}

int32_t atoi32(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT32_MAX} + 1) break;  // clamped below; stop before overflow
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

ModeChoice choose_mode(const ArgumentVector& args, const PreviewToolFinder& find_preview_tool) {
  ModeChoice choice;
  if (args.count < 2) return choice;
  const std::string_view first = args.slot[1];

  intptr_t preview_parent = 0;
  if (first == "/p") {
    // A missing second argument reads as handle 0, the full-screen saver.
    const std::string_view second = args.count > 2 ? args.slot[2] : "";
    if (second == "scrprev" || second == "ScrPrev" || second == "SCRPREV") {
      preview_parent = find_preview_tool ? find_preview_tool() : 0;
    } else {
      preview_parent = atoi32(second);
    }
  }
  if (first.substr(0, 3) == "/c:") {
    return {Mode::settings, atoi32(first.substr(first.find(':') + 1))};
  }
  if (preview_parent != 0) return {Mode::preview, preview_parent};
  return choice;
}

}  // namespace bw::host
