// Expressions of the record store: numbers computed from the fields of a record.
//
//   expression   operands joined by "+", "-", "*", "/", with parentheses; blanks ignored
//   operand      a decimal number (sign, digits, point, exponent)
//                "^" field path: the field's number in the current record
//                CX[store, record, ^path]  the field in a record of another store;
//                CX[record, ^path]          ... of the current store; CX[^path] the current
//                                           record. A relative store path is taken from the
//                                           directory that contains the current store.
//
// Evaluation order: the innermost parenthesised part first, then multiplications and
// divisions left to right, then additions and subtractions left to right. Every
// intermediate result of a parenthesised part, a multiplication or a division passes
// through "%f", so it is rounded to six decimals (1/3*3 gives 0.999999).
// Nothing fails loudly: unreadable fields and stores count as 0, and an unbalanced "("
// makes the whole expression 0.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "store/field_path.h"
#include "store/record_store.h"
#include "store/store_links.h"
#include "store/value_text.h"

namespace bw::store {

// Longest expression text evaluated; longer texts give 0.
inline constexpr size_t kMaxExpressionLength = 16384;
// Deepest nesting of expressions evaluated from inside other expressions (through
// expression fields); deeper ones give 0, so that a field that refers to itself ends.
inline constexpr int kMaxExpressionDepth = 16;

// The value of `text` in the context of `record` of `store`. Stores named by cross-store
// references are opened through `links` (the store's own list when null).
double evaluate(RecordStore& store, int record, std::string_view text,
                StoreLinks* links = nullptr);

// Hears of every expression this thread evaluates while it is installed: the text as given
// and the value found. Tools install one to point out stored expressions whose text is
// malformed, which the evaluator reads as best it can and never refuses.
using ExpressionListener = std::function<void(std::string_view text, double value)>;

// Installs `listener` for the current thread for as long as it lives.
class ListenToExpressions {
 public:
  explicit ListenToExpressions(ExpressionListener listener);
  ~ListenToExpressions();
  ListenToExpressions(const ListenToExpressions&) = delete;
  ListenToExpressions& operator=(const ListenToExpressions&) = delete;

 private:
  ExpressionListener previous_;
};

// The number of a field: its text (left in `text` when given) converted by its type:
// dates and times by their parsers, anything else as its longest leading decimal number.
// With `links` the field is read through read_field_linked (links, expressions, plug-in).
long double field_number(RecordStore& store, int record, const FieldPath& path,
                         std::string* text = nullptr, StoreLinks* links = nullptr);

// The longest leading decimal number of `text` (0 when there is none); `used` receives the
// number of characters it took.
double leading_number(std::string_view text, size_t* used = nullptr);

// A value context for `store` whose number texts are evaluated as expressions on `record`.
ValueContext expression_context(RecordStore& store, int record, StoreLinks* links = nullptr);

}  // namespace bw::store
