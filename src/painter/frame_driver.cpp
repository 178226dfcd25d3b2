// The frame driver: measures the frame rate, moves the reveal, builds a new picture on the
// frame where the reveal reverses, holds it for the delay, and ends every frame with the
// cross-fade of the two finished pictures.
#include "painter/frame_driver.h"

#include "painter/effect_set.h"
#include "painter/held_frame.h"
#include "painter/image_search.h"
#include "painter/layer.h"
#include "painter/passes.h"

namespace bw::painter {

namespace {

float unit_draw(PainterState& state) {
  return static_cast<float>(state.random.next()) / static_cast<float>(kRandomMax);
}

// With several pictures to choose from, each painting after the first paints one drawn at
// random: its description and effects replace the last one's, and a plan it has beyond
// those of the pictures before gets its layer now.
void choose_next_picture(PainterState& state) {
  const auto& choices = state.picture_choices;
  if (choices.empty() || state.pictures_built == 0) return;
  const std::string& name = choices[state.random.next() % choices.size()];
  if (name != state.description->name && !read_picture_description(state, name)) return;
  for (int i = 0; i < state.plans(); ++i) {
    auto& layer = state.layers[static_cast<std::size_t>(i)];
    if (!layer) layer = std::make_unique<Layer>(state, i);
    layer->formgen = state.formgen_effects[static_cast<std::size_t>(i)];
  }
}

// Steps of a new picture up to its composition, in the order the random draws are taken.
void start_new_picture(PainterState& state) {
  choose_next_picture(state);
  const PictureDescription& d = *state.description;
  const int plans = d.plans;
  const bool side_a = state.timing.direction < 0;

  state.facture_cur = side_a ? state.facture_1 : state.facture_2;
  state.facture_other = side_a ? state.facture_2 : state.facture_1;
  state.facture2_cur = side_a ? state.facture_3 : state.facture_4;
  state.facture2_other = side_a ? state.facture_4 : state.facture_3;
  state.plain_cur = side_a ? state.plain_1 : state.plain_2;
  state.side_flag = side_a ? 1 : 0;
  for (int i = 0; i < plans; ++i) state.layers[static_cast<std::size_t>(i)]->select_side(side_a);

  Layer& first = *state.layers[0];
  Layer& last = *state.layers[static_cast<std::size_t>(plans - 1)];
  state.first_layer_a = first.colour_tex_a;
  state.first_layer_b = first.colour_tex_b;
  state.last_layer_a = plans >= 2 ? last.colour_tex_a : state.plain_1;
  state.last_layer_b = plans >= 2 ? last.colour_tex_b : state.plain_2;

  state.random16_prev = state.random16;
  for (float& value : state.random16) value = unit_draw(state);

  for (int i = 0; i < plans; ++i) {
    Layer& layer = *state.layers[static_cast<std::size_t>(i)];
    layer.pick(state, ImageStore::colour, -1);
    layer.pick(state, ImageStore::form, -1);
    layer.pick(state, ImageStore::facture, -1);
  }
  if (plans < 2) {
    state.background_index = choose_image(state, state.plain_cur, -1, state.background_index,
                                          colour_source(d));
  }

  load_any_facture(state, state.facture_cur, state.random.next() + 1);
  deriv_pass(state, state.facture_cur, state.facture_cur, -0.0016f, 7.0f);
  load_any_facture(state, state.facture2_cur, state.random.next() + 1);
  deriv_pass(state, state.facture2_cur, state.facture2_cur, -0.0016f, 7.0f);

  for (int i = 0; i < plans; ++i) state.layers[static_cast<std::size_t>(i)]->roll(state);
  compose_picture(state);
  if (d.fltrform != 0.0f) {
    filter_pass(state, state.canvas_a, 10.0f, Vec4{1.0f, 1.0f, 1.0f, 1.0f}, d.fltrform * 1.5f);
  }
}

// The output passes and the capture of the finished picture.
void finish_new_picture(PainterState& state) {
  surface_out_pass(state);
  colour_out_pass(state);
  paint_pass(state);
  signature_pass(state);
  device::Texture* target = state.capture_toggle == 0 ? state.final_a : state.final_b;
  target->copy_from_target();
  reveal_plan_pass(state, target);
  state.capture_toggle ^= 1;
  state.last_capture = target;
  ++state.pictures_built;
}

}  // namespace

namespace {

// One frame of the cycle. The display pass is left out when `only_when_changed` and it
// would show nothing worth a frame over what the screen shows (display_differs). Returns
// whether the display pass ran.
bool run_frame(PainterState& state, bool only_when_changed) {
  // Nothing to paint before a successful start.
  if (!state.device || !state.description || !state.layers[0]) return false;
  state.active_clock().frame_started();
  state.timing.measure_rate(state.elapsed);
  const bool new_picture = state.timing.advance(state.delay, state.speed);
  if (new_picture) start_new_picture(state);

  const auto wave = state.timing.advance_wave();
  state.wave[0] = wave[0];
  state.wave[1] = wave[1];

  if (new_picture) finish_new_picture(state);
  const float weight = 1.0f - state.progress();
  if (only_when_changed && !new_picture && !display_differs(state, weight)) return false;
  display_pass(state, state.final_a, state.final_b, weight);
  state.shown_weight = weight;
  return true;
}

}  // namespace

void draw_frame(PainterState& state) { run_frame(state, false); }

bool draw_frame_if_changed(PainterState& state) { return run_frame(state, true); }

}  // namespace bw::painter
