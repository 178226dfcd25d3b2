#include "painter/image_search.h"

#include "platform/diagnostics.h"

namespace bw::painter {

namespace detail {

bool load_named(device::Texture& texture, const std::string& path) {
  int width = 0;
  int height = 0;
  return texture.load(path, width, height) && width != 0 && height != 0;
}

void load_numbered(device::Texture& texture, int number, ImageStore store, int& count) {
  int width = 0;
  int height = 0;
  texture.load_from_store(number, static_cast<int>(store), width, height, count);
  if (width == 0 || height == 0) {
    texture.width = 0;
    texture.height = 0;
  }
}

int wrap_number(std::int64_t n, int count) {
  std::int64_t modulus = count < 0 ? 1 : static_cast<std::int64_t>(count) + 1;
  std::int64_t r = n % modulus;
  if (r < 0) r += modulus;
  return static_cast<int>(r);
}

std::int64_t search_limit(int count) {
  constexpr std::int64_t kMost = 1 << 16;
  std::int64_t numbers = count < 0 ? 1 : static_cast<std::int64_t>(count) + 2;
  return numbers < kMost ? numbers : kMost;
}

namespace {

bool holds_image(const device::Texture& texture) {
  return texture.width != 0 && texture.height != 0;
}

}  // namespace

int search_away_from(device::Texture& texture, std::int64_t n, int prev, ImageStore store,
                     int& count, bool& found) {
  for (std::int64_t attempt = 1;; ++attempt) {
    int candidate = wrap_number(n, count);
    load_numbered(texture, candidate, store, count);
    if (holds_image(texture)) {
      found = true;
      return candidate;
    }
    if (attempt >= search_limit(count)) {
      found = false;
      return candidate;
    }
    n = candidate < prev ? candidate - 1 : static_cast<std::int64_t>(candidate) + 1;
    if (n == -1) n = prev;
  }
}

}  // namespace detail

void load_any_facture(PainterState& state, device::Texture* texture, int start) {
  std::int64_t n = start;
  for (std::int64_t attempt = 1;; ++attempt) {
    int candidate = detail::wrap_number(n, state.facture_count);
    detail::load_numbered(*texture, candidate, ImageStore::facture, state.facture_count);
    if (texture->width != 0 && texture->height != 0) return;
    // One pass over the numbers 0 .. facture_count.
    if (attempt >= detail::search_limit(state.facture_count) - 1) break;
    n = static_cast<std::int64_t>(candidate) + 1;
  }
  if (!state.missing_facture_reported) {
    diag::say("no facture image of the facture store loads");
    state.missing_facture_reported = true;
  }
}

ColourSource colour_source(const PictureDescription& description) {
  return description.bgcolor % 2 != 0 ? ColourSource::image : ColourSource::palette;
}

int choose_image(PainterState& state, device::Texture* texture, int n, int prev,
                 ColourSource source) {
  if (n < 0) n = state.random.next() + 1;
  if (source == ColourSource::palette) return static_cast<int>(static_cast<unsigned>(n) % kPaletteSize);
  bool found = false;
  int chosen = detail::search_away_from(*texture, n, prev, ImageStore::colour,
                                        state.colour_count, found);
  if (!found && !state.missing_colour_reported) {
    diag::say("no colour image of the colour store loads");
    state.missing_colour_reported = true;
  }
  return chosen;
}

}  // namespace bw::painter
