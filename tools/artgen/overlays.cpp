// Form images and the signature overlay.
#include <algorithm>
#include <cmath>
#include <vector>

#include "families.h"
#include "noise.h"
#include "random.h"

namespace bw::artgen {
namespace {

constexpr float kPi = 3.14159265358979f;

struct Point {
  float x, y;  // writing units, y up; one unit is the height of a small letter
};

// One pen stroke of the signature, in writing units.
using Stroke = std::vector<Point>;

// Hand-writing as two coupled oscillations: the pen rises and falls once per letter
// stroke while it drifts to the right and swings sideways, which draws the loops and
// arcades of a running hand. Letter heights change only where the pen touches the
// baseline, so the line stays smooth.
Stroke write_word(Rng& rng, float x_start, int letters, bool capital, float& x_end) {
  const float drift = 0.8f / (2.0f * kPi);
  const float step = 0.02f;
  Stroke stroke;
  float t = 0.0f;
  for (int letter = 0; letter < letters; ++letter) {
    float height = 1.0f;
    // Sideways swing: above the drift the pen loops back at the top of the letter (e, l),
    // below it the letter is an open arch (n, m). It changes only on the baseline, where
    // its term is zero, so the line stays unbroken.
    float swing = static_cast<float>(rng.chance(0.6) ? rng.range(0.2, 0.4) : rng.range(0.05, 0.11));
    if (letter == 0 && capital) {
      height = static_cast<float>(rng.range(2.6, 3.2));
      swing = 0.7f;
    } else if (rng.chance(0.22)) {
      height = static_cast<float>(rng.range(2.0, 2.5));  // ascender
    } else if (rng.chance(0.12)) {
      height = -static_cast<float>(rng.range(1.4, 1.8));  // descender
    } else {
      height = static_cast<float>(rng.range(0.85, 1.1));
    }
    for (float k = 0.0f; k < 2.0f * kPi; k += step) {
      float tt = t + k;
      float x = x_start + drift * tt + swing * std::sin(tt);
      float y = height * 0.5f * (1.0f - std::cos(tt));
      stroke.push_back({x, y});
    }
    t += 2.0f * kPi;
  }
  x_end = x_start + drift * t;
  return stroke;
}

Stroke underline(Rng& rng, float x0, float x1) {
  Stroke stroke;
  const float dip = static_cast<float>(rng.range(0.5, 0.9));
  const float lift = static_cast<float>(rng.range(0.2, 0.6));
  for (float s = 0.0f; s <= 1.0f; s += 0.005f) {
    float x = x0 + (x1 - x0) * s;
    float y = -dip + lift * s * s * s + 0.12f * std::sin(kPi * s);
    stroke.push_back({x, y});
  }
  return stroke;
}

// Draws a stroke with a round pen whose width swells on the down strokes and tapers at
// both ends, into a coverage buffer at `scale` times the image size. `spread` widens the
// pen by that many texels on every side and `feather` is the width of its soft edge
// (1 for the ink itself, wider for the light rim under it).
void draw_stroke(std::vector<float>& cover, int width, int height, const Stroke& stroke, float radius,
                 float spread = 0.0f, float feather = 1.0f) {
  const std::size_t n = stroke.size();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const Point a = stroke[i];
    const Point b = stroke[i + 1];
    float dx = b.x - a.x;
    float dy = b.y - a.y;
    float len = std::sqrt(dx * dx + dy * dy);
    float down = len > 0.0f ? std::max(0.0f, dy / len) : 0.0f;  // image y grows downwards
    float ends = std::min(1.0f, std::min(static_cast<float>(i), static_cast<float>(n - 1 - i)) / 25.0f);
    float r = radius * (0.55f + 0.6f * down) * (0.35f + 0.65f * ends) + spread;
    int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.x, b.x) - r - 1)));
    int x1 = std::min(width - 1, static_cast<int>(std::ceil(std::max(a.x, b.x) + r + 1)));
    int y0 = std::max(0, static_cast<int>(std::floor(std::min(a.y, b.y) - r - 1)));
    int y1 = std::min(height - 1, static_cast<int>(std::ceil(std::max(a.y, b.y) + r + 1)));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        float px = static_cast<float>(x) + 0.5f - a.x;
        float py = static_cast<float>(y) + 0.5f - a.y;
        float t = len > 0.0f ? std::clamp((px * dx + py * dy) / (len * len), 0.0f, 1.0f) : 0.0f;
        float ex = px - t * dx;
        float ey = py - t * dy;
        float d = std::sqrt(ex * ex + ey * ey);
        float c = std::clamp((r - d) / feather + 0.5f, 0.0f, 1.0f);
        float& slot = cover[static_cast<std::size_t>(y) * width + x];
        slot = std::max(slot, c);
      }
    }
  }
}

}  // namespace

Image make_form(std::uint32_t seed, int number, int size) {
  Rng rng(stream_seed(seed, static_cast<std::uint32_t>(Family::form), static_cast<std::uint32_t>(number)));
  const int blobs = 2 + rng.below(4);
  struct Blob {
    float x, y, r, stretch, angle;
  };
  std::vector<Blob> list;
  for (int i = 0; i < blobs; ++i) {
    list.push_back({static_cast<float>(rng.range(0.2, 0.8)), static_cast<float>(rng.range(0.2, 0.8)),
                    static_cast<float>(rng.range(0.1, 0.26)), static_cast<float>(rng.range(1.0, 2.5)),
                    static_cast<float>(rng.range(0.0, kPi))});
  }
  const std::uint32_t s = static_cast<std::uint32_t>(rng.next());
  Image image(size, size, 1);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      float u = static_cast<float>(x) / static_cast<float>(size);
      float v = static_cast<float>(y) / static_cast<float>(size);
      float wu = u + 0.08f * fbm(u, v, 3, 4, 0.5f, s);
      float wv = v + 0.08f * fbm(u, v, 3, 4, 0.5f, s + 1);
      float field = 0.0f;
      for (const Blob& b : list) {
        float dx = wu - b.x;
        float dy = wv - b.y;
        float along = (dx * std::cos(b.angle) + dy * std::sin(b.angle)) / b.stretch;
        float across = -dx * std::sin(b.angle) + dy * std::cos(b.angle);
        field += std::exp(-(along * along + across * across) / (b.r * b.r));
      }
      float shape = smoothstep(0.42f, 0.5f, field);
      float shade = 0.7f + 0.3f * std::min(1.0f, field - 0.5f);
      float ground = 0.08f + 0.05f * fbm(u, v, 4, 3, 0.5f, s + 2);
      image.pixel(x, y)[0] = lerp(ground, shade, shape);
    }
  }
  return image;
}

Image make_signature(std::uint32_t seed, int width, int height) {
  Rng rng(stream_seed(seed, static_cast<std::uint32_t>(Family::signature), 1));
  // Two words (a name and a short second word), a dot over one letter and an underline.
  std::vector<Stroke> strokes;
  float x_end = 0.0f;
  strokes.push_back(write_word(rng, 0.0f, 4 + rng.below(2), true, x_end));
  const float first_end = x_end;
  strokes.push_back(write_word(rng, first_end + 0.9f, 5 + rng.below(3), true, x_end));
  const float dot_x = first_end + 0.9f + static_cast<float>(rng.range(1.5, 3.5));
  Stroke dot;
  for (float a = 0.0f; a < 2.0f * kPi; a += 0.3f) dot.push_back({dot_x + 0.07f * std::cos(a), 1.7f + 0.05f * std::sin(a)});
  strokes.push_back(dot);
  strokes.push_back(underline(rng, 0.3f, x_end + 0.4f));

  // Slant, then fit into the image with a transparent margin; image y grows downwards.
  const float slant = static_cast<float>(rng.range(0.25, 0.4));
  float min_x = 1e9f, max_x = -1e9f, min_y = 1e9f, max_y = -1e9f;
  for (Stroke& s : strokes) {
    for (Point& p : s) {
      p.x += slant * p.y;
      min_x = std::min(min_x, p.x);
      max_x = std::max(max_x, p.x);
      min_y = std::min(min_y, p.y);
      max_y = std::max(max_y, p.y);
    }
  }
  constexpr int kScale = 4;
  const int big_w = width * kScale;
  const int big_h = height * kScale;
  const float box_w = 0.84f * static_cast<float>(big_w);
  const float box_h = 0.72f * static_cast<float>(big_h);
  const float scale = std::min(box_w / (max_x - min_x), box_h / (max_y - min_y));
  const float off_x = 0.5f * (static_cast<float>(big_w) - scale * (max_x - min_x));
  const float off_y = 0.5f * (static_cast<float>(big_h) - scale * (max_y - min_y));
  for (Stroke& s : strokes) {
    for (Point& p : s) p = {off_x + (p.x - min_x) * scale, off_y + (max_y - p.y) * scale};
  }
  std::vector<float> cover(static_cast<std::size_t>(big_w) * big_h, 0.0f);
  std::vector<float> rim(cover.size(), 0.0f);
  const float radius = 0.11f * scale;
  for (const Stroke& s : strokes) {
    draw_stroke(cover, big_w, big_h, s, radius);
    draw_stroke(rim, big_w, big_h, s, radius, 1.0f * radius, 0.8f * radius);
  }

  // Ink: a deep red earth, laid over a soft rim of pale ground, as if the name were
  // scratched through a light underlayer: the dark ink reads on light grounds, the rim
  // on dark ones (a dark red ink alone vanished on dark red grounds). Transparent texels
  // carry the rim's colour, so that filtering at the edges never mixes in black.
  const float ink[3] = {0.42f, 0.11f, 0.07f};
  const float pale[3] = {0.93f, 0.87f, 0.76f};
  Image image(width, height, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      float sum = 0.0f;
      float rim_sum = 0.0f;
      for (int j = 0; j < kScale; ++j) {
        for (int i = 0; i < kScale; ++i) {
          const std::size_t k = static_cast<std::size_t>(y * kScale + j) * big_w + x * kScale + i;
          sum += cover[k];
          rim_sum += rim[k];
        }
      }
      const float a_ink = 0.95f * sum / static_cast<float>(kScale * kScale);
      const float a_rim = 0.65f * rim_sum / static_cast<float>(kScale * kScale);
      const float a = a_ink + a_rim * (1.0f - a_ink);
      float* p = image.pixel(x, y);
      for (int c = 0; c < 3; ++c) {
        p[c] = a > 0.0f ? (ink[c] * a_ink + pale[c] * a_rim * (1.0f - a_ink)) / a : pale[c];
      }
      p[3] = a;
    }
  }
  return image;
}

}  // namespace bw::artgen
