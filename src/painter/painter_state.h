// PainterState: the painting engine's one shared state. It holds the device, the sizes and
// compiled-in defaults, every render target and texture, the layer table, the bindings
// that the frame driver re-points at each new picture, and the animation values. Time,
// chance, files, images and the video-memory figure come in through the seams at the top,
// so that the engine runs the same on a real saver and in a test.
//
// Invariants:
//   1. Every Texture and Shader here is owned by `device`; the state only points at them.
//   2. After a successful start, layers[0 .. description->plans - 1] exist and every
//      binding points at a texture of the state or of a layer.
//   3. Every random choice is drawn from `random`, in the order the frame driver and the
//      layers take them; nothing else draws from it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assets/installation.h"
#include "device/device.h"
#include "device/shader.h"
#include "device/texture.h"
#include "painter/clock.h"
#include "painter/description.h"
#include "painter/palette.h"
#include "painter/random_draw.h"
#include "painter/timing.h"

namespace bw::painter {

class Layer;

// Four floats, the unit of every effect parameter.
using Vec4 = std::array<float, 4>;

class PainterState {
 public:
  PainterState();
  ~PainterState();
  PainterState(const PainterState&) = delete;
  PainterState& operator=(const PainterState&) = delete;

  // --- seams, set before start_engine ------------------------------------------------
  // The installation that fetch, probe and image_source read from, shared by every
  // painting of a run; its asset store's damage ends the start. Null: no asset store.
  std::shared_ptr<assets::Installation> installation;
  AssetFetcher fetch;                       // description and effect files
  AssetFetcher probe;                       // the same files, silent about a missing one;
                                            // null: every miss is reported
  bool tell_shared_effects = false;         // say which effects come from the shared
                                            // folder, and which plans share a shape effect
  device::ImageSource image_source;          // named and numbered images; installed on
                                            // the device at start when either road is set
  Clock* clock = nullptr;                   // null: the real clock
  std::function<unsigned()> video_memory_mb;  // null: what the device reports
  std::optional<std::uint32_t> seed;        // replaces the tick count as layer_seed
  std::function<void(const char*)> mark_phase;  // null, or told as start-up passes each of
                                            // its stages (timing a headless run)
  std::function<void(PainterState&)> before_device;  // null, or called once start-up has
                                            // checked the stores, before the device is
                                            // created: work begun there overlaps it

  // --- configuration and compiled-in defaults ---------------------------------------
  int render_width = 1600;       // back-buffer width asked of the device
  int render_height = 1200;      // back-buffer height asked of the device
  int target_width = 0;          // full-size targets; 0 at start: the render size
  int target_height = 0;
  float base_scale = 0.5f;       // scale constant of the filter passes
  std::string picture_name = "Tamsin";
  std::vector<std::string> picture_choices;  // when not empty, every painting after the
                                             // first paints one of these, drawn at random
  int colour_count = 793;        // highest colour image number (the store's count once read)
  int form_count = 221;          // highest form image number
  int facture_count = 118;       // highest facture image number
  float speed = 20.0f;           // SPEED setting
  float delay = 7.0f;            // DELAY setting, seconds
  std::uint32_t layer_seed = 39135;  // seed of `random`

  // --- device, description, effects -------------------------------------------------
  std::unique_ptr<device::Device> device;
  std::optional<PictureDescription> description;  // the current description
  device::Shader* paint_effect = nullptr;
  std::array<device::Shader*, kMaxPlans> formgen_effects{};  // neighbours may share one
  device::Shader* formgen_out_effect = nullptr;
  device::Shader* background_effect = nullptr;
  device::Shader* filter_effect = nullptr;
  device::Shader* color_effect = nullptr;  // loaded, never drawn with
  device::Shader* visual_effect = nullptr;
  device::Shader* reveal_effect = nullptr;       // the display pass
  device::Shader* reveal_plan_effect = nullptr;  // when each pixel of a painting arrives
  device::Shader* reveal_fill_effect = nullptr;  // the plan into the painting's alpha
  device::Shader* color_out_effect = nullptr;
  device::Shader* surface_out_effect = nullptr;
  device::Shader* colorgen_effect = nullptr;
  device::Shader* silhouette_effect = nullptr;
  device::Shader* deriv_effect = nullptr;

  // --- render targets and textures --------------------------------------------------
  device::Texture* canvas_a = nullptr;
  device::Texture* canvas_b = nullptr;
  device::Texture* final_a = nullptr;
  device::Texture* final_b = nullptr;
  device::Texture* work_a = nullptr;
  device::Texture* work_b = nullptr;
  device::Texture* work_1024 = nullptr;
  device::Texture* work_256 = nullptr;
  device::Texture* scratch_target = nullptr;  // made by the first plan pass
  device::Texture* reveal_plan_target = nullptr;  // the newest painting's reveal plan
  device::Texture* facture_1 = nullptr;
  device::Texture* facture_2 = nullptr;
  device::Texture* facture_3 = nullptr;
  device::Texture* facture_4 = nullptr;
  device::Texture* oil_texture = nullptr;
  device::Texture* plain_1 = nullptr;
  device::Texture* plain_2 = nullptr;
  device::Texture* sig3_texture = nullptr;
  std::array<std::unique_ptr<Layer>, kMaxPlans> layers;

  // --- bindings, re-pointed at each new picture --------------------------------------
  device::Texture* facture_cur = nullptr;
  device::Texture* facture_other = nullptr;
  device::Texture* facture2_cur = nullptr;
  device::Texture* facture2_other = nullptr;
  device::Texture* plain_cur = nullptr;
  int side_flag = 0;  // 1 when the picture's direction is -1
  device::Texture* first_layer_a = nullptr;
  device::Texture* first_layer_b = nullptr;
  device::Texture* last_layer_a = nullptr;
  device::Texture* last_layer_b = nullptr;

  // --- animation ----------------------------------------------------------------------
  RandomDraw random;
  ElapsedTimer elapsed;  // elapsed_ms(), shared by the frame driver and the plan pass
  FrameTiming timing;    // frame rate, phase, hold and progress
  std::array<Vec4, 3> pass_constants{};
  int capture_toggle = 0;      // 0: the next capture goes to final_a
  int background_index = -1;   // last background colour number of one-plan pictures
  std::array<float, 16> random16{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::array<float, 16> random16_prev{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  Vec4 wave{0, 0, 0, 1};

  // --- for hosts and tests ------------------------------------------------------------
  int pictures_built = 0;                    // captures made so far
  device::Texture* last_capture = nullptr;   // final target of the latest capture
  float shown_weight = -1.0f;                // display weight last drawn; -1: none yet
  bool missing_facture_reported = false;     // each search failure is reported once
  bool missing_colour_reported = false;

  // The reveal value of the current picture.
  float progress() const { return timing.progress; }
  // `progress` seen from the picture's side: progress when side_flag is 1, else 1 - it.
  float side_progress() const;
  // elapsed_ms() on the engine's clock.
  std::uint32_t elapsed_ms() { return elapsed.elapsed_ms(); }
  // The clock in use (the real clock when none was given).
  Clock& active_clock();
  // The number of plans of the current description (1 before one is read).
  int plans() const { return description ? description->plans : 1; }

 private:
  RealClock real_clock_;
};

}  // namespace bw::painter
