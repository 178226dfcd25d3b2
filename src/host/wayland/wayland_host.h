// The saver on a Wayland compositor: a layer surface on every output, each with a painting
// of its own at that output's size and scale, drawn when the compositor asks for a frame.
// In the overlay layer it is a screen saver that input ends; in the background layer a
// wallpaper that runs until a signal ends it.
#pragma once

#include <memory>

#include "assets/installation.h"
#include "host/options.h"
#include "host/settings.h"

namespace bw::host {

// True when WAYLAND_DISPLAY names a compositor that accepts a connection.
bool wayland_compositor_named();

// Runs --wayland (or the Wayland default); the exit status. A missing compositor, layer
// shell or EGL, and a connection lost while painting, each end it with one line naming
// the compositor and a status of 1. Every output paints from `installation`.
int run_on_wayland(const SaverOptions& options, const Settings& settings,
                   std::shared_ptr<assets::Installation> installation);

}  // namespace bw::host
