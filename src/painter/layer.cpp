#include "painter/layer.h"

#include <cmath>
#include <limits>

#include "painter/effect_draw.h"
#include "painter/image_search.h"
#include "painter/passes.h"
#include "platform/diagnostics.h"

namespace bw::painter {

namespace {

float unit_draw(PainterState& state) {
  return static_cast<float>(state.random.next()) / static_cast<float>(kRandomMax);
}

}  // namespace

int initial_background_index(std::uint32_t layer_seed) {
  double shifted = static_cast<double>(static_cast<std::int32_t>(layer_seed)) + 543.23;
  // Out of range the conversion yields the "integer indefinite" 0x80000000, as the
  // processor's truncating conversion does.
  std::int32_t truncated = std::numeric_limits<std::int32_t>::min();
  if (shifted < 2147483648.0) truncated = static_cast<std::int32_t>(shifted);
  return static_cast<int>(static_cast<std::uint32_t>(truncated) % kPaletteSize);
}

Layer::Layer(PainterState& state, int plan_index) : index(plan_index) {
  device::Device& device = *state.device;
  form_tex_a = device.create_texture();
  form_tex_b = device.create_texture();
  facture_tex_a = device.create_texture();
  facture_tex_b = device.create_texture();
  colour_tex_a = device.create_texture();
  colour_tex_b = device.create_texture();
  form_tex = form_tex_a;
  facture_tex = facture_tex_a;
  colour_tex = colour_tex_a;
  formgen = state.formgen_effects[static_cast<std::size_t>(index)];

  fg_colour_a = fg_colour_b = palette_colour_unsigned(state.layer_seed);
  bg_colour_a = bg_colour_b = palette_colour(initial_background_index(state.layer_seed));

  for (float& value : anim) value = unit_draw(state);
  for (int k = 0; k < 16; ++k) state.random.next();  // drawn and not used

  pick(state, ImageStore::colour, -1);
  pick(state, ImageStore::form, -1);
  pick(state, ImageStore::facture, -1);
}

void Layer::select_side(bool side_a) {
  form_tex = side_a ? form_tex_a : form_tex_b;
  facture_tex = side_a ? facture_tex_a : facture_tex_b;
  colour_tex = side_a ? colour_tex_a : colour_tex_b;
  bg_slot = side_a ? &bg_colour_a : &bg_colour_b;
  fg_slot = side_a ? &fg_colour_a : &fg_colour_b;
}

int Layer::pick(PainterState& state, ImageStore which, int n) {
  switch (which) {
    case ImageStore::colour:
      colour_no = choose_image(state, colour_tex, n, colour_no,
                               colour_source(*state.description));
      return colour_no;
    case ImageStore::form:
      return pick_form(state, n);
    case ImageStore::facture:
      return pick_facture(state, n);
  }
  return 0;
}

int Layer::pick_form(PainterState& state, int n) {
  const PictureDescription& d = *state.description;
  if (n < 0) n = state.random.next() + 1;
  n = detail::wrap_number(n, state.form_count);
  if (d.bump0 != 0.0f) {
    if (EffectDraw visual(state, Effect::visual); visual) {
      if (form_tex->width == 0 || form_tex->height == 0) {
        form_tex->create(1024, 1024, device::kFilterModePoint, device::kAddressModeClamp);
      }
      // The first form of a picture is the current canvas, drawn as it stands.
      visual.textures({state.canvas_a, state.canvas_a});
      visual.set(param::alpha, 0.0f).set(param::beta, 0.0f);
      visual.draw();
      form_tex->copy_from_target();
    } else {
      n = 0;
    }
  }
  form_no = n;
  if (d.fltrsurf != 0.0f) {
    filter_pass(state, form_tex, 10.0f, Vec4{1.0f, 1.0f, 1.0f, 0.0f}, d.fltrsurf);
  }
  return n;
}

int Layer::pick_facture(PainterState& state, int n) {
  int prev = facture_no;
  if (n < 0) n = state.random.next() + 1;
  bool found = false;
  n = detail::search_away_from(*facture_tex, n, prev, ImageStore::facture,
                               state.facture_count, found);
  if (!found && !state.missing_facture_reported) {
    diag::say("no facture image of the facture store loads");
    state.missing_facture_reported = true;
  }
  facture_no = n;
  return n;
}

void Layer::roll(PainterState& state) {
  // The slots are pointed by the frame driver before the first roll; the "a" side else.
  if (fg_slot == nullptr || bg_slot == nullptr) select_side(true);
  std::uint32_t fg = static_cast<std::uint32_t>(facture_no) * static_cast<std::uint32_t>(form_no);
  std::uint32_t bg = static_cast<std::uint32_t>(colour_no) * static_cast<std::uint32_t>(form_no);
  *fg_slot = palette_colour_unsigned(fg);
  *bg_slot = palette_colour_unsigned(bg);
  anim_prev = anim;
  for (float& value : anim) value = unit_draw(state);
}

}  // namespace bw::painter
