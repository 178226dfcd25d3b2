#include "store/expression_check.h"

#include <vector>

#include "store/expression.h"

namespace bw::store {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_operator(char c) { return c == '+' || c == '-' || c == '*' || c == '/'; }

// One level of parentheses (the outermost level is the whole text).
struct Group {
  size_t open = 0;         // position of its "(" (unused for the whole text)
  int operands = 0;        // operands seen so far at this level
  bool bare_cross = false;  // its only operand so far is a cross-store reference
  size_t cross_at = 0;      // where that reference starts
  char operator_before = '\0';  // the operator before the coming operand
  // A reference after "+" or "-", waiting for the operator after it: only "*" or "/" lets
  // the evaluator read it as one.
  std::optional<size_t> waiting_cross;
};

class Checker {
 public:
  Checker(std::string_view text, const FieldNameTable* names) : text_(text), names_(names) {}

  std::optional<ExpressionFault> run() {
    if (text_.size() > kMaxExpressionLength)
      return fault(kMaxExpressionLength,
                   "longer than " + std::to_string(kMaxExpressionLength) + " characters");
    groups_.push_back(Group{});
    bool want_operand = true;
    size_t last_operator = 0;
    for (;;) {
      skip_blanks();
      if (want_operand) {
        if (at_end())
          return groups_.size() > 1 || groups_.back().operands > 0 || pos_ > 0
                     ? fault(pos_, "an operand is missing at the end" +
                                       after_operator(last_operator))
                     : fault(pos_, "the expression is empty");
        if (text_[pos_] == '+' || text_[pos_] == '-') {
          ++pos_;
          skip_blanks();
          if (at_end() || is_operator(text_[pos_]) || text_[pos_] == ')')
            return fault(pos_, "an operand expected after the sign");
        }
        if (text_[pos_] == '(') {
          Group inner;
          inner.open = pos_++;
          groups_.push_back(inner);
          continue;
        }
        if (auto bad = operand()) return bad;
        want_operand = false;
        continue;
      }
      // After an operand: an operator, a ")" or the end.
      Group& group = groups_.back();
      if (at_end() || text_[pos_] == ')' || text_[pos_] == '+' || text_[pos_] == '-') {
        if (group.waiting_cross) return misplaced_cross(*group.waiting_cross);
      }
      if (at_end()) {
        if (groups_.size() > 1)
          return fault(groups_.back().open, "this \"(\" is never closed");
        return std::nullopt;
      }
      const char c = text_[pos_];
      if (c == ')') {
        if (groups_.size() == 1) return fault(pos_, "a \")\" without a \"(\" before it");
        if (auto bad = close_group()) return bad;
        continue;
      }
      if (!is_operator(c)) return fault(pos_, "an operator expected");
      group.waiting_cross.reset();
      group.operator_before = c;
      last_operator = pos_++;
      want_operand = true;
    }
  }

 private:
  bool at_end() const { return pos_ >= text_.size(); }
  void skip_blanks() {
    while (!at_end() && is_blank(text_[pos_])) ++pos_;
  }
  static std::optional<ExpressionFault> fault(size_t at, std::string reason) {
    return ExpressionFault{at, std::move(reason)};
  }
  std::string after_operator(size_t at) const {
    if (at >= text_.size() || !is_operator(text_[at])) return {};
    return std::string(" after \"") + text_[at] + "\"";
  }
  static std::optional<ExpressionFault> misplaced_cross(size_t at) {
    return fault(at, "a cross-store reference is read only first, or left of \"*\" or \"/\"");
  }

  // Counts one operand at the current level; `cross_at` is set for a cross-store
  // reference (or a parenthesised one that the evaluator unwraps into one).
  std::optional<ExpressionFault> count_operand(std::optional<size_t> cross_at) {
    Group& group = groups_.back();
    ++group.operands;
    group.bare_cross = group.operands == 1 && cross_at.has_value();
    if (cross_at) {
      group.cross_at = *cross_at;
      // Right of "*" or "/" a reference is never read as one.
      if (group.operator_before == '*' || group.operator_before == '/')
        return misplaced_cross(*cross_at);
      if (group.operands > 1) group.waiting_cross = *cross_at;
    }
    return std::nullopt;
  }

  // A ")" closing the innermost group.
  std::optional<ExpressionFault> close_group() {
    const Group inner = groups_.back();
    groups_.pop_back();
    // The evaluator drops parentheses around a text without any operator character, so
    // that a reference inside them stands where the parentheses stood.
    bool has_operator = false;
    for (size_t i = inner.open + 1; i < pos_; ++i) has_operator |= is_operator(text_[i]);
    ++pos_;
    std::optional<size_t> cross;
    if (inner.bare_cross && !has_operator) cross = inner.cross_at;
    return count_operand(cross);
  }

  std::optional<ExpressionFault> operand() {
    const size_t start = pos_;
    if (text_[pos_] == '^') return field_operand();
    if (text_.substr(pos_, 3) == "CX[") {
      if (auto bad = cross_operand()) return bad;
      return count_operand(start);
    }
    if (is_digit(text_[pos_]) || text_[pos_] == '.') {
      size_t used = 0;
      leading_number(text_.substr(pos_), &used);
      if (used == 0) return fault(start, "a number, a field (^...) or CX[...] expected");
      pos_ += used;
      return count_operand(std::nullopt);
    }
    if (text_[pos_] == ')') return fault(pos_, "an operand expected before \")\"");
    if (is_operator(text_[pos_])) return fault(pos_, "two operators in a row");
    return fault(start, "a number, a field (^...) or CX[...] expected");
  }

  // "^" and a path, which ends at a blank or at a character that cannot continue it.
  std::optional<ExpressionFault> field_operand() {
    size_t end = pos_;
    while (end < text_.size() && !is_blank(text_[end])) ++end;
    FieldPath path;
    int used = parse_field_path_prefix(text_.substr(pos_, end - pos_), path, names_);
    if (used < 0 && names_ == nullptr) used = unchecked_names(end);
    if (used <= 1) return fault(pos_, "no field of this store is named here");
    pos_ += static_cast<size_t>(used);
    return count_operand(std::nullopt);
  }

  // Without the store's names a name-form path is taken as written: names (anything up
  // to a character that ends a path), each with an optional "[k]", joined by ".".
  int unchecked_names(size_t end) const {
    auto ends_name = [](char c) {
      return is_operator(c) || c == '.' || c == '[' || c == ']' || c == '(' || c == ')' ||
             c == ',';
    };
    size_t p = pos_ + 1;
    for (;;) {
      const size_t start = p;
      while (p < end && !ends_name(text_[p])) ++p;
      if (p == start || is_digit(text_[start])) return -1;
      if (p < end && text_[p] == '[') {
        const size_t close = text_.find(']', p);
        if (close == std::string_view::npos || close >= end) return -1;
        p = close + 1;
      }
      if (p >= end || text_[p] != '.') return static_cast<int>(p - pos_);
      ++p;
    }
  }

  // CX[store, record, ^path], CX[record, ^path] or CX[^path].
  std::optional<ExpressionFault> cross_operand() {
    const size_t start = pos_;
    size_t p = pos_ + 3;
    int depth = 1;
    bool quoted = false;
    for (; p < text_.size() && depth > 0; ++p) {
      const char c = text_[p];
      if (c == '"') quoted = !quoted;
      if (quoted) continue;
      if (c == '[') ++depth;
      if (c == ']') --depth;
    }
    if (depth > 0) return fault(start, "this \"CX[\" is never closed by \"]\"");
    const std::string_view inner = text_.substr(start + 3, p - 1 - (start + 3));
    pos_ = p;
    auto trim = [](std::string_view s) {
      while (!s.empty() && (is_blank(s.front()) || s.front() == '"')) s.remove_prefix(1);
      while (!s.empty() && (is_blank(s.back()) || s.back() == '"')) s.remove_suffix(1);
      return s;
    };
    const size_t last = inner.rfind(',');
    const std::string_view reference = trim(last == std::string_view::npos ? inner : inner.substr(last + 1));
    FieldPath path;
    // Names of another store are not known here: only the current store's are checked.
    const bool other_store = last != std::string_view::npos &&
                             inner.substr(0, last).find(',') != std::string_view::npos;
    const bool checkable = !other_store && names_ != nullptr;
    if (reference.size() < 2 || reference.front() != '^' ||
        (checkable && !parse_field_path(reference, path, names_)))
      return fault(start, "a cross-store reference needs a field path (^...) last");
    if (last == std::string_view::npos) return std::nullopt;
    const std::string_view before = inner.substr(0, last);
    const size_t second = before.rfind(',');
    const std::string_view record =
        trim(second == std::string_view::npos ? before : before.substr(second + 1));
    size_t used = 0;
    const double number = leading_number(record, &used);
    if (used != record.size() || !(number >= 1 && number <= 2147483647.0) ||
        number != static_cast<double>(static_cast<long long>(number)))
      return fault(start, "a cross-store reference needs a record number from 1");
    if (second != std::string_view::npos && trim(before.substr(0, second)).empty())
      return fault(start, "a cross-store reference names no store");
    return std::nullopt;
  }

  std::string_view text_;
  const FieldNameTable* names_;
  size_t pos_ = 0;
  std::vector<Group> groups_;
};

}  // namespace

std::optional<ExpressionFault> check_expression(std::string_view text,
                                                const FieldNameTable* names) {
  return Checker(text, names).run();
}

std::string describe_fault(std::string_view text, const ExpressionFault& fault) {
  std::string line = "at character " + std::to_string(fault.position + 1);
  if (fault.position < text.size()) {
    constexpr size_t kShown = 16;
    std::string shown(text.substr(fault.position, kShown));
    for (char& c : shown)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';  // one line
    line += " (\"" + shown + (text.size() - fault.position > kShown ? "...\")" : "\")");
  }
  return line + ": " + fault.reason;
}

}  // namespace bw::store
