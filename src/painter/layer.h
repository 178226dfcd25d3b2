// Layer: one plan of a picture. It owns the pairs of form, facture and colour textures (the
// previous image of each stays for the cross-fade), its foreground and background colour
// pairs, sixteen animation values with their previous values, and the image numbers it
// chose. The frame driver points the "current" members at one side of each pair at every
// new picture, then asks the layer for new images (pick) and new values (roll).
#pragma once

#include <array>
#include <cstdint>

#include "device/shader.h"
#include "device/texture.h"
#include "painter/image_search.h"
#include "painter/palette.h"

namespace bw::painter {

class PainterState;

class Layer {
 public:
  // Builds the layer of plan `index`: six empty textures, colours from layer_seed, sixteen
  // animation values (and sixteen unused draws), then a colour, a form and a facture pick.
  Layer(PainterState& state, int index);

  // Chooses a new image of the family `which`; n < 0 asks for a random choice. Returns
  // the number.
  int pick(PainterState& state, ImageStore which, int n);
  // Draws the layer's new colours (into the current slots) and animation values.
  void roll(PainterState& state);
  // Points the five current members at the "a" side (side_a true) or the "b" side.
  void select_side(bool side_a);
  // Paints the layer onto `canvas` (and its colours onto `canvas2` for coloured plans).
  void plan_pass(PainterState& state, device::Texture* canvas, device::Texture* canvas2,
                 float progress);

  device::Texture* form_tex_a = nullptr;
  device::Texture* form_tex_b = nullptr;
  device::Texture* form_tex = nullptr;      // receives the next form
  device::Texture* facture_tex_a = nullptr;
  device::Texture* facture_tex_b = nullptr;
  device::Texture* facture_tex = nullptr;   // receives the next facture image
  device::Texture* colour_tex_a = nullptr;
  device::Texture* colour_tex_b = nullptr;
  device::Texture* colour_tex = nullptr;    // receives the next colour image
  Colour bg_colour_a{}, bg_colour_b{};
  Colour fg_colour_a{}, fg_colour_b{};
  Colour* bg_slot = nullptr;  // where roll writes the next background colour
  Colour* fg_slot = nullptr;  // where roll writes the next foreground colour
  std::array<float, 16> anim{};
  std::array<float, 16> anim_prev{};
  int colour_no = 0;
  int form_no = 0;
  int facture_no = 0;
  device::Shader* formgen = nullptr;  // this plan's shape effect
  int index = 0;

 private:
  int pick_form(PainterState& state, int n);
  int pick_facture(PainterState& state, int n);
};

// Palette index of a layer's construction background colour: layer_seed read as signed,
// plus 543.23, truncated, taken as unsigned, modulo 90.
int initial_background_index(std::uint32_t layer_seed);

}  // namespace bw::painter
