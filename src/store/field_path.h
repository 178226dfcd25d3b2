// Field paths of the record store: which field of a record, level by level through groups
// and links, with an optional element index per level.
//
// Text form: "^" then one level per "."-separated part.
//   numeric form   "^2", "^3.1", "^2[3]", "^2[X]"; "X" (or "x") stands for -1
//                  (at most 15 levels)
//   name form      "^Name.Sub": field names looked up in the current table; only a group
//                  may be followed by a further level (at most 16 levels)
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace bw::store {

// One level of a path: a field number (-1 = every field) and an element index
// (0 = none, k = the k-th element or line, -1 = every element).
struct PathLevel {
  int field = 0;
  int element = 0;
  bool operator==(const PathLevel&) const = default;
};

inline constexpr int kMaxPathLevels = 16;          // levels a path can hold
inline constexpr int kMaxNumericPathLevels = 15;   // levels the numeric text form accepts

// A field path of at most kMaxPathLevels levels, held inline (no allocation).
struct FieldPath {
  std::array<PathLevel, kMaxPathLevels> levels{};
  int count = 0;

  // The one-level path {field}.
  static FieldPath of(int field, int element = 0);
  // Appends a level; false when the path is full.
  bool push(PathLevel level);
  // The levels below the first `n` (an empty path when n >= count).
  FieldPath below(int n) const;
  std::span<const PathLevel> view() const { return {levels.data(), static_cast<size_t>(count)}; }
  bool empty() const { return count == 0; }
  const PathLevel& operator[](int i) const { return levels[static_cast<size_t>(i)]; }
  bool operator==(const FieldPath& o) const;
};

// Field names of a store, for the name form of paths. Tables are named by handles that
// the implementation chooses; top_table() is the store's top-level field table.
class FieldNameTable {
 public:
  virtual ~FieldNameTable() = default;
  // Handle of the top-level table.
  virtual int top_table() const = 0;
  // 1-based number of the field called `name` (exact bytes) in `table`, or 0 when absent;
  // for a group field `sub_table` receives the handle of its sub-fields, else -1.
  virtual int find_field(int table, std::string_view name, int& sub_table) const = 0;
};

// Parses a path at the start of `text` ("^..."). Returns the number of characters used,
// or -1 when the text does not start with a valid path. The name form needs `names`.
// A path ends at the end of the text or at a character that cannot continue it.
int parse_field_path_prefix(std::string_view text, FieldPath& path,
                            const FieldNameTable* names = nullptr);
// Parses a whole text as a path; false when it is invalid or has characters left over.
bool parse_field_path(std::string_view text, FieldPath& path,
                      const FieldNameTable* names = nullptr);

// The numeric text form of a path: "^2.X[3]".
std::string format_field_path(const FieldPath& path);

}  // namespace bw::store
