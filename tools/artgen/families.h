// The image families the painter draws from. Each maker is a pure function of the run
// seed and the image number: the same arguments always give the same image.
#pragma once

#include <cstdint>

#include "image.h"

namespace bw::artgen {

// Family tags that separate the random streams of the families.
enum class Family : std::uint32_t { colour = 1, facture = 2, form = 3, oil = 4, signature = 5 };

// A colour image: a harmonious colour field (gradient, landscape, soft colour regions or
// stacked colour fields), RGB, size x size.
Image make_colour_image(std::uint32_t seed, int number, int size);

// The kind of facture that number `number` gets (brush strokes, with a plaster in every
// eight), and its edge length (256 or 512). Weaves belong to the oil canvas only: as paint
// relief they read as cloth.
enum class FactureKind { strokes, plaster };
FactureKind facture_kind(int number);
int facture_size(int number);

// A facture: a tileable greyscale relief, mid-grey on average, to be read as height.
Image make_facture(std::uint32_t seed, int number, int size);

// A form image: light organic shapes on a dark ground, greyscale.
Image make_form(std::uint32_t seed, int number, int size);

// The oil canvas: a fine, primed linen weave, tileable, greyscale.
Image make_oil_canvas(std::uint32_t seed, int size);

// The signature: a dark hand-written flourish over a soft pale rim, on a transparent
// ground, RGBA.
Image make_signature(std::uint32_t seed, int width, int height);

}  // namespace bw::artgen
