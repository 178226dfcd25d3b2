// The painting engine's operations: start-up, the effect set, the numbered-image searches,
// the frame driver and the painting passes, all over one PainterState.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/backend.h"
#include "painter/painter_state.h"

namespace bw::painter {

// How start_engine ended.
enum class StartResult {
  started,          // the engine is ready for draw_frame
  no_device,        // the device could not be created (its layer showed why)
  no_description,   // the picture description could not be read: the saver ends (-1)
  no_assets,        // the asset store is damaged (the asset layer said where): nothing paints
};

// Creates the device over `backend` (back buffer render_width x render_height, windowed
// unless `fullscreen`), sizes and creates every target and texture, seeds the random
// generator, reads the picture and its effects, builds the layers and the first bindings.
StartResult start_engine(PainterState& state, std::unique_ptr<device::Backend> backend,
                         std::uintptr_t window, bool fullscreen);

// Size of the full-size targets for a wanted size, the device's largest texture side and
// the video memory in megabytes (0: unknown, no memory rule).
struct TargetSize {
  int width;
  int height;
};
TargetSize size_targets(int width, int height, std::uint32_t max_texture_size,
                        unsigned video_memory_mb);

// Reads the description of `picture_name` and loads its effect set; false (after a
// one-line message) when the description cannot be fetched.
bool read_picture_description(PainterState& state, const std::string& picture_name);
// Loads the effect set of the current description, replacing the previous one.
void load_shader_set(PainterState& state);
// One effect file from the picture folder, else the shared folder; null when neither loads.
device::Shader* load_effect(PainterState& state, const std::string& file);

// Loads the first loadable facture from number `start` on into `texture`. After one pass
// over every number without success it reports once and leaves the texture without image.
void load_any_facture(PainterState& state, device::Texture* texture, int start);
// Chooses a colour number: a palette index (kind -1) or a colour image loaded into
// `texture` (kind 0), searching away from `prev` when an image does not load.
int choose_image(PainterState& state, device::Texture* texture, int n, int prev, int kind);

// Renders one frame of the picture cycle; needs a started engine.
void draw_frame(PainterState& state);
// draw_frame for a host that saves power: the display pass is left out when it would
// change no pixel by a whole colour level from what was last displayed. Returns whether
// the frame drew anything to show.
bool draw_frame_if_changed(PainterState& state);

// The painting passes, in the order a new picture runs them.
void filter_pass(PainterState& state, device::Texture* texture, float alpha, const Vec4& mask,
                 float delta);
void deriv_pass(PainterState& state, device::Texture* src, device::Texture* dst, float s,
                float m);
void compose_picture(PainterState& state);
void background_pass(PainterState& state, device::Texture* canvas, float progress,
                     Layer& first_layer);
void surface_out_pass(PainterState& state);
void colour_out_pass(PainterState& state);
void paint_pass(PainterState& state);
void signature_pass(PainterState& state);
// Writes into the alpha of `painting` (a captured painting) the moment of its reveal at
// which each pixel is painted, drawn at half size into state.reveal_plan_target first;
// uses the back buffer, which it leaves holding the result.
void reveal_plan_pass(PainterState& state, device::Texture* painting);
// Draws the screen from the two captured paintings: with the reveal effect, the newest
// one painted stroke by stroke over the other (or over the canvas before there is an
// other) as far as its reveal has come (`weight` is second's share, so first's reveal is
// 1 - weight); otherwise, or when neither is the newest, the two cross-faded.
void display_pass(PainterState& state, device::Texture* first, device::Texture* second,
                  float weight);

}  // namespace bw::painter
