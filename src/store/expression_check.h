// The written form of a store expression, checked before anyone relies on its value.
//
// The evaluator never refuses a text: whatever it cannot read counts as 0 or is dropped
// ("2^3" is 2, "1 2" is 12, "((1)" is 0). A tool that shows a value asks here first, so
// that a mistyped expression is refused with where it went wrong rather than answered
// with a wrong number. The evaluator itself keeps its forgiving reading.
//
// Accepted: operands joined by "+", "-", "*", "/", each operand with at most one sign of
// its own; an operand is a decimal number (digits, a point, an exponent), a field path
// "^...", a cross-store reference "CX[...]", or a parenthesised expression. Blanks may
// stand between operands and operators, never inside a number or a path. A cross-store
// reference must stand where the evaluator reads one: first in its expression, or left of
// "*" or "/" (elsewhere it counts as 0).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "store/field_path.h"

namespace bw::store {

// Where a text stops being an expression, and why.
struct ExpressionFault {
  size_t position = 0;  // 0-based index of the character where it went wrong
  std::string reason;   // what was wrong there, in a few words
};

// Checks `text` against the written form. Field names of the name form are looked up in
// `names` (the store the expression runs on); without it only the numeric form is known.
// Returns nothing when the text is a sound expression.
std::optional<ExpressionFault> check_expression(std::string_view text,
                                                const FieldNameTable* names = nullptr);

// One line for a fault: "at character 4 (\"^3\"): an operator expected".
std::string describe_fault(std::string_view text, const ExpressionFault& fault);

}  // namespace bw::store
