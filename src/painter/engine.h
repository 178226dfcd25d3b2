// The painting engine as a host sees it: start it over a backend, then draw frames
// (frame_driver.h, included here for that reason).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/backend.h"
#include "painter/frame_driver.h"
#include "painter/painter_state.h"

namespace bw::painter {

// The images every start loads whatever the picture: the canvas and the signature by
// path, and the facture image every facture texture starts with.
inline constexpr const char* kCanvasImagePath = "data/shaders/oil3.jpg";
inline constexpr const char* kSignatureImagePath = "data/shaders/sig3.tga";
inline constexpr int kFirstFacture = 1;

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

}  // namespace bw::painter
