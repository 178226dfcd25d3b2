// In-memory images of the generator: floating-point samples in [0, 1], channel-interleaved,
// rows top to bottom. Conversion to 8-bit happens only when a file is written.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace bw::artgen {

struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;  // 1 grey, 3 RGB, 4 RGBA
  std::vector<float> samples;

  Image() = default;
  Image(int w, int h, int c) : width(w), height(h), channels(c), samples(static_cast<std::size_t>(w) * h * c, 0.0f) {}

  float* pixel(int x, int y) { return &samples[(static_cast<std::size_t>(y) * width + x) * channels]; }
  const float* pixel(int x, int y) const { return &samples[(static_cast<std::size_t>(y) * width + x) * channels]; }
};

// Clamps to [0, 1] and rounds to the nearest 8-bit value.
inline std::uint8_t to_byte(float v) {
  v = std::clamp(v, 0.0f, 1.0f);
  return static_cast<std::uint8_t>(v * 255.0f + 0.5f);
}

// The image's samples as bytes, in the same order.
inline std::vector<std::uint8_t> to_bytes(const Image& image) {
  std::vector<std::uint8_t> bytes(image.samples.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = to_byte(image.samples[i]);
  return bytes;
}

inline float smoothstep(float e0, float e1, float x) {
  float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

inline float lerp(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace bw::artgen
