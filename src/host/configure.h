// --configure: the Linux form of the Setting dialog.
#pragma once

#include <cstdio>

#include "host/options.h"
#include "host/settings.h"

namespace bw::host {

// Prints the speed and delay the picture's saver runs with ("speed 20", "delay 7": the
// stored numbers, or the defaults where none is stored) and, when the options give a speed
// and/or a delay, stores them first. A given value must be a number the settings reader
// takes back (decimal digits, 0 to 4294967295): anything else is refused with a line on
// `err` and status 2. A value not given keeps the one in force, so that setting one never
// clears the other. Returns the exit status.
int run_configure(const SaverOptions& options, SettingsStorage& storage, std::FILE* out,
                  std::FILE* err);

}  // namespace bw::host
