// The fixed palette from which the plans take their foreground and background colours.
#pragma once

#include <array>
#include <cstdint>

namespace bw::painter {

// An (r, g, b) colour with components 0..1.
using Colour = std::array<float, 3>;

// Number of palette entries.
inline constexpr int kPaletteSize = 90;

// Palette entry `index` (0..89) as floats, each component ÷ 256.
Colour palette_colour(int index);

// Palette entry for any 32-bit value taken as unsigned, modulo 90.
Colour palette_colour_unsigned(std::uint32_t value);

}  // namespace bw::painter
