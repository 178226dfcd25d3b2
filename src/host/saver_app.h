// The Linux saver as a whole: settings and options joined, the data found, the engine
// started on a window (or headless for --render), and frames rendered until the saver
// is told to stop.
#pragma once

#include <optional>
#include <string>

#include "device/gl/gl_backend.h"
#include "host/engine_host.h"
#include "host/options.h"
#include "host/settings.h"

namespace bw::host {

// Where the saver looks for data/ when the settings name no PATH: beside the installed
// program (<prefix>/share/brushwright) or, for a program run from its build tree, the
// build tree. Returns the first that holds a data folder, or the first candidate.
std::string default_install_dir();

// The settings the saver runs with: the picture's stored settings, then the options.
// An unset PATH leaves default_install_dir().
Settings effective_settings(const SaverOptions& options, SettingsStorage& storage);

// Runs a window mode (--window, --root, --window-id, --fullscreen); the exit status.
int run_on_window(const SaverOptions& options, const Settings& settings,
                  std::shared_ptr<assets::Installation> installation);

// Runs --render: N pictures headless into the options' folder; the exit status.
int run_render(const SaverOptions& options, const Settings& settings,
               std::shared_ptr<assets::Installation> installation);

// Checks for development and soak runs, from the words of BRUSHWRIGHT_DEBUG (separated by
// commas): "every-frame" draws every frame of a headless run, held ones included, as a
// window would; "gl-check" reports after each picture the GL errors raised so far (one ends
// the run) and the resident memory; "phases" says on standard error when a headless run
// passes each of its stages, as seconds since the epoch, for timing where its time goes.
struct DebugChecks {
  bool every_frame = false;
  bool gl_check = false;
  bool phases = false;
};
DebugChecks debug_checks();

// Resident memory of this process in kB (VmRSS); none when it cannot be read.
std::optional<long> resident_kb();

// The gl-check report after picture `picture`; false when GL raised an error.
bool report_checks(device::GlBackend& gl, int picture);

}  // namespace bw::host
