// The searches for a loadable numbered image. A store may lack a record or hold one that
// does not decode; the searches then move to the next number. Each is bounded by one pass
// over every number of the family, so an empty or broken store ends the search.
#pragma once

#include <cstdint>
#include <string>

#include "painter/painter_state.h"

namespace bw::painter {

// The families of numbered images, one image store each. The value is the store's code on
// the device's side (Texture::load_from_store).
enum class ImageStore : int { colour = 0, form = 1, facture = 2 };

// Where a colour number comes from.
enum class ColourSource { image, palette };

}  // namespace bw::painter

namespace bw::painter::detail {

// Loads the image at `path` into `texture`; false when nothing was loaded.
bool load_named(device::Texture& texture, const std::string& path);

// Loads image `number` of `store` into `texture`, setting `count` to the store's record
// count. When no image came the texture's width and height become 0: the engine
// tells a loaded image from a failed one by them.
void load_numbered(device::Texture& texture, int number, ImageStore store, int& count);

// n modulo (count + 1) for n >= 0, with a divisor of at least 1.
int wrap_number(std::int64_t n, int count);

// Attempts allowed for a search over a family of `count` + 1 numbers (plus one for the
// previous number that a downward search restarts from), capped for damaged counts.
std::int64_t search_limit(int count);

// The search of the colour and facture choices: from candidate n, downward while below
// `prev`, upward otherwise, restarting at `prev` below 0. Returns the number whose image
// loaded into `texture`; when none loaded within the limit, `found` is false and the
// last candidate is returned.
int search_away_from(device::Texture& texture, std::int64_t n, int prev, ImageStore store,
                     int& count, bool& found);

}  // namespace bw::painter::detail

namespace bw::painter {

// Loads the first loadable facture from number `start` on into `texture`. After one pass
// over every number without success it reports once and leaves the texture without image.
void load_any_facture(PainterState& state, device::Texture* texture, int start);
// Where the plans of a picture take their colours from: colour images when BGCOLOR is
// odd, the palette when it is even.
ColourSource colour_source(const PictureDescription& description);
// Chooses a colour number: a palette index, or a colour image loaded into `texture`,
// searching away from `prev` when an image does not load.
int choose_image(PainterState& state, device::Texture* texture, int n, int prev,
                 ColourSource source);

}  // namespace bw::painter
