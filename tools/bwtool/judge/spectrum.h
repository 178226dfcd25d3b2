// The power spectrum of a plane, for finding periodic patterns.
#pragma once

#include <vector>

#include "judge/planes.h"

namespace bw::judge {

// |DFT|^2 of `plane` after a Hann window, zero-padded to the next powers of two at least
// as large as each side. Bin (u, v) at index v * columns + u; bin (0, 0) is the mean.
struct PowerSpectrum {
  int columns = 0;
  int rows = 0;
  std::vector<double> power;
};

PowerSpectrum power_spectrum(const Plane& plane);

// The sum of the power spectra of side x side windows half a window apart (Welch's
// method; `side` a power of two), which is steadier than one spectrum of the whole plane:
// random texture averages out to its smooth level while a repeated pattern adds up at its
// frequencies. A plane smaller than a window gives its own spectrum.
PowerSpectrum averaged_power_spectrum(const Plane& plane, int side);

}  // namespace bw::judge
