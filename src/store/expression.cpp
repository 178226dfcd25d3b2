#include "store/expression.h"

#include "store/store_state.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace bw::store {
namespace {

bool is_operator(char c) { return c == '+' || c == '-' || c == '*' || c == '/'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "%f" of a value, the form every intermediate result passes through.
std::string printed(double v) { return fixed_text(v, 6); }

double rounded(double v) { return std::isfinite(v) ? leading_number(printed(v)) : v; }

// A number operand. The printed forms of infinities and NaN ("inf", "-nan") that a division
// by zero leaves in the text read back as what they print, not as 0.
double number_operand(std::string_view text) {
  size_t used = 0;
  const double v = leading_number(text, &used);
  if (used > 0) return v;
  std::string_view s = text;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
  if (s.substr(0, 3) == "inf" || s.substr(0, 3) == "nan")
    return std::strtod(std::string(text.substr(0, text.size() - s.size() + 3)).c_str(), nullptr);
  return 0;
}

// End of the operand that starts at `pos` (a leading sign belongs to it): the next operator
// outside brackets and double quotes, where the sign of a number's exponent is no operator.
size_t operand_end(std::string_view text, size_t pos) {
  size_t p = pos;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
  const bool is_reference = p < text.size() && text[p] == '^';
  int depth = 0;
  bool quoted = false;
  for (; p < text.size(); ++p) {
    const char c = text[p];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '[') ++depth;
    if (c == ']' && depth > 0) --depth;
    if (depth > 0 || !is_operator(c)) continue;
    const bool exponent_sign = (c == '+' || c == '-') && !is_reference && p >= pos + 2 &&
                               (text[p - 1] == 'e' || text[p - 1] == 'E') &&
                               (is_digit(text[p - 2]) || text[p - 2] == '.');
    if (!exponent_sign) break;
  }
  return p;
}

struct Evaluator {
  RecordStore& store;
  int record;
  StoreLinks& links;

  double field_reference(RecordStore& in, int in_record, std::string_view text) const {
    FieldPath path;
    if (parse_field_path_prefix(text, path, &in) < 0) return 0;
    StoreLinks* in_links = &in == &store ? &links : links.links_of(&in);
    return static_cast<double>(field_number(in, in_record, path, nullptr, in_links));
  }

  // CX[store, record, ^path], CX[record, ^path] or CX[^path].
  double cross_reference(std::string_view text) const {
    std::string_view inner = text.substr(3);
    const size_t close = inner.rfind(']');
    if (close != std::string_view::npos) inner = inner.substr(0, close);
    auto trim = [](std::string_view s) {
      while (!s.empty() && (s.front() == ' ' || s.front() == '"')) s.remove_prefix(1);
      return s;
    };
    const size_t last = inner.rfind(',');
    if (last == std::string_view::npos) return field_reference(store, record, trim(inner));
    const std::string_view reference = trim(inner.substr(last + 1));
    const std::string_view before = inner.substr(0, last);
    const size_t second = before.rfind(',');
    const std::string_view record_text =
        second == std::string_view::npos ? before : before.substr(second + 1);
    const double target_record = leading_number(trim(record_text));
    if (!(target_record >= 1 && target_record <= 2147483647.0)) return 0;
    if (second == std::string_view::npos)
      return field_reference(store, static_cast<int>(target_record), reference);
    std::string name(trim(before.substr(0, second)));
    const size_t quote = name.rfind('"');
    if (quote != std::string::npos) name.erase(quote, 1);
    RecordStore* target = links.get(linked_store_path(store.path(), name));
    if (target == nullptr) return 0;
    return field_reference(*target, static_cast<int>(target_record), reference);
  }

  double operand(std::string_view text, bool may_cross) const {
    std::string_view s = text;
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
      negative = s.front() == '-';
      s.remove_prefix(1);
    }
    double v = 0;
    if (!s.empty() && s.front() == '^')
      v = field_reference(store, record, s);
    else if (may_cross && s.substr(0, 3) == "CX[")
      v = cross_reference(s);
    else
      return number_operand(text);
    return negative ? -v : v;
  }

  // Operands joined by operators, no parentheses: "*" and "/" first, left to right, each
  // result rounded through "%f"; then "+" and "-" left to right.
  double flat(std::string_view text) const {
    std::vector<std::string_view> operands;
    std::vector<char> operators;
    size_t pos = 0;
    while (true) {
      const size_t end = operand_end(text, pos);
      operands.push_back(text.substr(pos, end - pos));
      if (end >= text.size()) break;
      operators.push_back(text[end]);
      pos = end + 1;
    }
    auto multiplies = [&](size_t k) {
      return k < operators.size() && (operators[k] == '*' || operators[k] == '/');
    };
    std::vector<double> terms;
    std::vector<char> signs;
    double current = operand(operands[0], true);
    for (size_t k = 0; k < operators.size(); ++k) {
      const char op = operators[k];
      if (op == '*' || op == '/') {
        const double right = operand(operands[k + 1], false);
        current = rounded(op == '*' ? current * right : current / right);
        continue;
      }
      terms.push_back(current);
      signs.push_back(op);
      current = operand(operands[k + 1], multiplies(k + 1));
    }
    terms.push_back(current);
    double sum = terms[0];
    for (size_t i = 0; i < signs.size(); ++i)
      sum = signs[i] == '+' ? sum + terms[i + 1] : sum - terms[i + 1];
    return sum;
  }

  double whole(std::string text) const {
    // Innermost parentheses first: the last "(" and the first ")" after it.
    while (true) {
      const size_t open = text.rfind('(');
      if (open == std::string::npos) break;
      const size_t close = text.find(')', open);
      if (close == std::string::npos) return 0;
      const std::string_view inside = std::string_view(text).substr(open + 1, close - open - 1);
      bool has_operator = false;
      for (char c : inside) has_operator = has_operator || is_operator(c);
      const std::string middle = has_operator ? printed(flat(inside)) : std::string(inside);
      text = text.substr(0, open) + middle + text.substr(close + 1);
      if (text.size() > 4 * kMaxExpressionLength) return 0;
    }
    return flat(text);
  }
};

thread_local int evaluation_depth = 0;
thread_local ExpressionListener listener;

double heard(std::string_view text, double value) {
  if (listener) listener(text, value);
  return value;
}

}  // namespace

double leading_number(std::string_view text, size_t* used) {
  size_t p = 0;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
  size_t digits = 0;
  while (p < text.size() && is_digit(text[p])) ++p, ++digits;
  if (p < text.size() && text[p] == '.') {
    ++p;
    while (p < text.size() && is_digit(text[p])) ++p, ++digits;
  }
  if (digits == 0) {
    if (used != nullptr) *used = 0;
    return 0;
  }
  if (p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
    size_t q = p + 1;
    if (q < text.size() && (text[q] == '+' || text[q] == '-')) ++q;
    if (q < text.size() && is_digit(text[q])) {
      while (q < text.size() && is_digit(text[q])) ++q;
      p = q;
    }
  }
  if (used != nullptr) *used = p;
  return std::strtod(std::string(text.substr(0, p)).c_str(), nullptr);
}

double evaluate(RecordStore& store, int record, std::string_view text, StoreLinks* links) {
  if (evaluation_depth >= kMaxExpressionDepth) return 0;
  if (text.size() > kMaxExpressionLength) return heard(text, 0);
  std::string compact;
  for (char c : text)
    if (c != ' ' && c != '\t') compact += c;
  struct Depth {
    Depth() { ++evaluation_depth; }
    ~Depth() { --evaluation_depth; }
  } depth;
  Evaluator evaluator{store, record, links != nullptr ? *links : store.state().links};
  return heard(text, evaluator.whole(std::move(compact)));
}

ListenToExpressions::ListenToExpressions(ExpressionListener next) {
  previous_ = std::exchange(listener, std::move(next));
}

ListenToExpressions::~ListenToExpressions() { listener = std::move(previous_); }

long double field_number(RecordStore& store, int record, const FieldPath& path, std::string* text,
                         StoreLinks* links) {
  std::string value;
  const int length = links != nullptr ? read_field_linked(store, *links, record, path, value)
                                      : store.read_field(record, path, value);
  if (text != nullptr) *text = length > 0 ? value : std::string();
  if (length <= 0) return 0;
  bool plain_path = true;
  for (const PathLevel& level : path.view()) plain_path = plain_path && level.field >= 0 && level.element >= 0;
  const int index = plain_path ? store.descriptor_at(path, path.count - 1) : -1;
  if (index >= 0) {
    const FieldType type = store.schema().fields[static_cast<size_t>(index)].type;
    if (type == FieldType::date) return parse_date(value, date_order());
    if (type == FieldType::time) return static_cast<long double>(parse_time(value, date_order()));
  }
  return leading_number(value);
}

ValueContext expression_context(RecordStore& store, int record, StoreLinks* links) {
  ValueContext context;
  context.image_magic = store.schema().image_magic;
  RecordStore* s = &store;
  context.evaluate = [s, record, links](std::string_view text) {
    return evaluate(*s, record, text, links);
  };
  return context;
}

}  // namespace bw::store
