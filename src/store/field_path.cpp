#include "store/field_path.h"

#include <climits>
#include <cstdio>

namespace bw::store {

FieldPath FieldPath::of(int field, int element) {
  FieldPath path;
  path.push({field, element});
  return path;
}

bool FieldPath::push(PathLevel level) {
  if (count >= kMaxPathLevels) return false;
  levels[static_cast<size_t>(count++)] = level;
  return true;
}

FieldPath FieldPath::below(int n) const {
  FieldPath rest;
  for (int i = n < 0 ? 0 : n; i < count; ++i) rest.push(levels[static_cast<size_t>(i)]);
  return rest;
}

bool FieldPath::operator==(const FieldPath& o) const {
  if (count != o.count) return false;
  for (int i = 0; i < count; ++i) {
    if (!(levels[static_cast<size_t>(i)] == o.levels[static_cast<size_t>(i)])) return false;
  }
  return true;
}

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_x(char c) { return c == 'X' || c == 'x'; }

// Characters that end a path inside an expression (and a name of the name form).
bool ends_path(char c) {
  switch (c) {
    case '.': case '[': case ']': case '+': case '-': case '*': case '/':
    case '(': case ')': case ',':
      return true;
    default:
      return false;
  }
}

// Reads a decimal number at text[pos]; false when there is none or it overflows an int.
bool read_number(std::string_view text, size_t& pos, int& value) {
  if (pos >= text.size() || !is_digit(text[pos])) return false;
  long long v = 0;
  while (pos < text.size() && is_digit(text[pos])) {
    v = v * 10 + (text[pos] - '0');
    if (v > INT_MAX) return false;
    ++pos;
  }
  value = static_cast<int>(v);
  return true;
}

// A field number or "X" at text[pos].
bool read_level_number(std::string_view text, size_t& pos, int& value) {
  if (pos < text.size() && is_x(text[pos])) {
    ++pos;
    value = -1;
    return true;
  }
  return read_number(text, pos, value);
}

// An optional "[k]" or "[X]" at text[pos]; false when one is started but malformed.
bool read_element(std::string_view text, size_t& pos, int& element) {
  element = 0;
  if (pos >= text.size() || text[pos] != '[') return true;
  ++pos;
  if (!read_level_number(text, pos, element)) return false;
  if (pos >= text.size() || text[pos] != ']') return false;
  ++pos;
  return true;
}

// True when the first level after "^" is written in the numeric form.
bool numeric_form(std::string_view text, size_t pos) {
  if (pos >= text.size()) return false;
  if (is_digit(text[pos])) return true;
  if (!is_x(text[pos])) return false;
  // "X" alone is the field -1; "Xpos" is a name.
  return pos + 1 == text.size() || ends_path(text[pos + 1]);
}

int parse_numeric(std::string_view text, size_t pos, FieldPath& path) {
  for (;;) {
    if (path.count >= kMaxNumericPathLevels) return -1;
    PathLevel level;
    if (!read_level_number(text, pos, level.field)) return -1;
    // A "," and a number after a level number are accepted and carry nothing here.
    if (pos < text.size() && text[pos] == ',' && pos + 1 < text.size() &&
        is_digit(text[pos + 1])) {
      ++pos;
      int ignored = 0;
      if (!read_number(text, pos, ignored)) return -1;
    }
    if (!read_element(text, pos, level.element)) return -1;
    path.push(level);
    if (pos >= text.size() || text[pos] != '.') return static_cast<int>(pos);
    ++pos;
  }
}

int parse_names(std::string_view text, size_t pos, FieldPath& path,
                const FieldNameTable& names) {
  int table = names.top_table();
  for (;;) {
    if (path.count >= kMaxPathLevels) return -1;
    size_t start = pos;
    while (pos < text.size() && !ends_path(text[pos])) ++pos;
    if (pos == start) return -1;
    int sub_table = -1;
    PathLevel level;
    level.field = names.find_field(table, text.substr(start, pos - start), sub_table);
    if (level.field <= 0) return -1;
    if (!read_element(text, pos, level.element)) return -1;
    path.push(level);
    if (pos >= text.size() || text[pos] != '.') return static_cast<int>(pos);
    if (sub_table < 0) return -1;  // only a group has fields below it
    table = sub_table;
    ++pos;
  }
}

}  // namespace

int parse_field_path_prefix(std::string_view text, FieldPath& path,
                            const FieldNameTable* names) {
  path = FieldPath{};
  if (text.empty() || text[0] != '^') return -1;
  int used = -1;
  if (numeric_form(text, 1)) {
    used = parse_numeric(text, 1, path);
  } else if (names != nullptr) {
    used = parse_names(text, 1, path, *names);
  }
  if (used < 0) path = FieldPath{};
  return used;
}

bool parse_field_path(std::string_view text, FieldPath& path, const FieldNameTable* names) {
  int used = parse_field_path_prefix(text, path, names);
  if (used < 0 || static_cast<size_t>(used) != text.size()) {
    path = FieldPath{};
    return false;
  }
  return true;
}

std::string format_field_path(const FieldPath& path) {
  std::string text = "^";
  char number[16];
  for (int i = 0; i < path.count; ++i) {
    const PathLevel& level = path[i];
    if (i > 0) text += '.';
    if (level.field < 0) {
      text += 'X';
    } else {
      std::snprintf(number, sizeof number, "%d", level.field);
      text += number;
    }
    if (level.element < 0) {
      text += "[X]";
    } else if (level.element > 0) {
      std::snprintf(number, sizeof number, "[%d]", level.element);
      text += number;
    }
  }
  return text;
}

}  // namespace bw::store
