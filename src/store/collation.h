// Collation of the record store: one weight per byte value, used to order text keys in
// every index. The table is loaded once per process from "/usr/local/lib/.weight"
// (256 raw bytes); without that file lower-case letters weigh as their upper-case forms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/store_format.h"

namespace bw::store {

using CollationTable = std::array<uint8_t, 256>;

// The built-in table: identity, except "a".."z" weigh as "A".."Z".
CollationTable default_collation();

// The process's table: loaded from the weight file on the first call, fixed afterwards.
const CollationTable& collation();

// Replaces the process's table with the one in `path` (or the built-in one when the file
// cannot be read whole); returns true when the file gave the table. For tests and tools.
bool load_collation(const std::string& path);

// Compares two texts by weight. A missing text (nullptr) sorts first; two missing texts
// are equal. Bytes past a text's length count as NUL; the end of a text is compared like
// any byte (so a text sorts before its longer continuations) and ends the comparison.
// n > 0 bounds the comparison to n bytes. Returns the first weight difference or 0.
int collation_compare(const uint8_t* a, size_t a_len, const uint8_t* b, size_t b_len,
                      size_t n);

// The order of index keys: the sign (-1, 0, +1) of a - b for two stored values of a field
// described by `d`; n > 0 bounds the comparison to n bytes (a prefix search), 0 compares
// whole values. Every index is written and searched in this one order.
//
//   type                 compared as
//   0, 1, 10, 12 and up  collation over n bytes, or over the field size (at least 1)
//   2                    day numbers: byte 0 + 256 * unsigned 16-bit at byte 1
//   3, 4, 6              signed integers of the field size
//   5                    record parts (first N bytes, signed), then when n is 0 the
//                        position parts (the remaining size - N bytes, signed)
//   7                    unsigned integers of the field size
//   8, 9                 single and double floats
//   11                   collation of the whole texts (over n bytes when n > 0)
// Integers wider than 8 bytes are compared by their low 8 bytes; values shorter than the
// field count as NUL-padded.
int compare_keys(const FieldDescriptor& d, const uint8_t* a, size_t a_len, const uint8_t* b,
                 size_t b_len, size_t n);

}  // namespace bw::store
