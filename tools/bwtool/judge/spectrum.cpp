#include "judge/spectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>

namespace bw::judge {
namespace {

using Complex = std::complex<double>;

int next_power_of_two(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

// In-place radix-2 transform of `n` values `stride` apart (n a power of two).
void fft(Complex* data, int n, int stride) {
  for (int i = 1, j = 0; i < n; ++i) {
    int bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(data[i * stride], data[j * stride]);
  }
  for (int length = 2; length <= n; length *= 2) {
    const double angle = -2.0 * std::numbers::pi / length;
    const Complex step(std::cos(angle), std::sin(angle));
    for (int start = 0; start < n; start += length) {
      Complex w(1.0, 0.0);
      for (int k = 0; k < length / 2; ++k) {
        Complex& a = data[(start + k) * stride];
        Complex& b = data[(start + k + length / 2) * stride];
        const Complex t = w * b;
        b = a - t;
        a += t;
        w *= step;
      }
    }
  }
}

double hann(int i, int n) {
  return n < 2 ? 1.0 : 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / (n - 1));
}

}  // namespace

PowerSpectrum power_spectrum(const Plane& plane) {
  PowerSpectrum spectrum;
  spectrum.columns = next_power_of_two(plane.width);
  spectrum.rows = next_power_of_two(plane.height);
  const int columns = spectrum.columns, rows = spectrum.rows;
  std::vector<Complex> data(static_cast<size_t>(columns) * rows);
  for (int y = 0; y < plane.height; ++y)
    for (int x = 0; x < plane.width; ++x)
      data[static_cast<size_t>(y) * columns + x] =
          plane.at(x, y) * hann(x, plane.width) * hann(y, plane.height);
  for (int y = 0; y < plane.height; ++y) fft(&data[static_cast<size_t>(y) * columns], columns, 1);
  // Rows past the image are zero and stay zero.
  for (int x = 0; x < columns; ++x) fft(&data[x], rows, columns);
  spectrum.power.resize(data.size());
  for (size_t i = 0; i < data.size(); ++i) spectrum.power[i] = std::norm(data[i]);
  return spectrum;
}

PowerSpectrum averaged_power_spectrum(const Plane& plane, int side) {
  if (plane.width < side || plane.height < side) return power_spectrum(plane);
  PowerSpectrum sum;
  const int step = std::max(1, side / 2);
  Plane window(side, side);
  for (int top = 0; top + side <= plane.height; top += step) {
    for (int left = 0; left + side <= plane.width; left += step) {
      for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) window.at(x, y) = plane.at(left + x, top + y);
      PowerSpectrum one = power_spectrum(window);
      if (sum.power.empty()) {
        sum = std::move(one);
        continue;
      }
      for (size_t i = 0; i < sum.power.size(); ++i) sum.power[i] += one.power[i];
    }
  }
  return sum;
}

}  // namespace bw::judge
