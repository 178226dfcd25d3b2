// The picture description and its effect set: the picture folder first, the shared folder
// data/shaders/ for what it lacks; the per-plan shape effects come from the picture folder
// only.
#pragma once

#include <string>

#include "device/shader.h"
#include "painter/painter_state.h"

namespace bw::painter {

// Reads the description of `picture_name` and loads its effect set; false (after a
// one-line message) when the description cannot be fetched.
bool read_picture_description(PainterState& state, const std::string& picture_name);
// Loads the effect set of the current description, replacing the previous one.
void load_shader_set(PainterState& state);
// One effect file from the picture folder, else the shared folder; null when neither loads.
device::Shader* load_effect(PainterState& state, const std::string& file);

}  // namespace bw::painter
