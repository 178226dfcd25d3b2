// The searches for a loadable numbered image. A store may lack a record or hold one that
// does not decode; the searches then move to the next number. Each is bounded by one pass
// over every number of the family, so an empty or broken store ends the search.
#pragma once

#include <cstdint>
#include <string>

#include "painter/painter_state.h"

namespace bw::painter::detail {

// Loads the image at `path` into `texture`; false when nothing was loaded.
bool load_named(device::Texture& texture, const std::string& path);

// Loads image `number` of `store_code` into `texture`, setting `count` to the store's
// record count. When no image came the texture's width and height become 0: the engine
// tells a loaded image from a failed one by them.
void load_numbered(device::Texture& texture, int number, int store_code, int& count);

// n modulo (count + 1) for n >= 0, with a divisor of at least 1.
int wrap_number(std::int64_t n, int count);

// Attempts allowed for a search over a family of `count` + 1 numbers (plus one for the
// previous number that a downward search restarts from), capped for damaged counts.
std::int64_t search_limit(int count);

// The search of the colour and facture choices: from candidate n, downward while below
// `prev`, upward otherwise, restarting at `prev` below 0. Returns the number whose image
// loaded into `texture`; when none loaded within the limit, `found` is false and the
// last candidate is returned.
int search_away_from(device::Texture& texture, std::int64_t n, int prev,
                     int store_code, int& count, bool& found);

}  // namespace bw::painter::detail
