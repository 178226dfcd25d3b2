// --configure: the Linux form of the Setting dialog.
#pragma once

#include <cstdio>

#include "host/options.h"
#include "host/settings.h"

namespace bw::host {

// Prints the picture's speed and delay as the Setting dialog shows them ("speed 20",
// "delay 7", or an empty value when nothing is stored) and, when the options give a speed
// and/or a delay, stores them by the dialog's "Save" rules. A value not given keeps what
// the dialog showed, or the saver's default when nothing was stored, so that setting one
// never clears the other. Returns the exit status.
int run_configure(const SaverOptions& options, SettingsStorage& storage, std::FILE* out,
                  std::FILE* err);

}  // namespace bw::host
