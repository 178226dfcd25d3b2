// Factures: greyscale reliefs that the painter reads as height (it takes their derivative
// for lighting) to give the paint its surface. Every facture tiles seamlessly and is
// normalised to a mid-grey mean with a fixed spread, so that all of them light alike.
//
// Kinds, dealt out in a repeating order of eight:
//   weave       canvas threads over and under (plain, twill or basket), slubs, fibres
//   strokes     brush strokes laid along a flow field that runs near the x axis (the
//               painter turns them): bristle grooves, ridged edges,
//               a load of paint where the stroke starts, dry-brush gaps where it ends
//   plaster     trowelled terraces over sand grain, with a few pits
//   paper       cold-pressed bumps and fibres, or laid lines with chain lines
//   craquelure  the cracked varnish of an old painting, the cells slightly cupped
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#include "families.h"
#include "noise.h"
#include "random.h"

namespace bw::artgen {
namespace {

constexpr float kPi = 3.14159265358979f;

constexpr std::array<FactureKind, 8> kKindOrder = {FactureKind::strokes, FactureKind::strokes, FactureKind::strokes,
                                                   FactureKind::plaster, FactureKind::strokes, FactureKind::strokes,
                                                   FactureKind::strokes, FactureKind::strokes};

// Shifts and scales the relief to the given mean and standard deviation.
void normalise(Image& image, float spread, float centre = 0.5f) {
  const double n = static_cast<double>(image.samples.size());
  double mean = std::accumulate(image.samples.begin(), image.samples.end(), 0.0) / n;
  double var = 0.0;
  for (float v : image.samples) var += (v - mean) * (v - mean);
  double sd = std::sqrt(var / n);
  float scale = sd > 1e-6 ? static_cast<float>(spread / sd) : 1.0f;
  for (float& v : image.samples) v = std::clamp(centre + (v - static_cast<float>(mean)) * scale, 0.0f, 1.0f);
}

// Height of a woven cloth at (u, v) in [0, 1): `threads` threads each way; `pattern` 0
// plain, 1 twill, 2 basket; `slubs` how much the threads thicken and thin along their
// length. Shared with the oil canvas.
float weave_height(float u, float v, int threads, int pattern, std::uint32_t seed, float slubs = 0.15f) {
  float tu = u * static_cast<float>(threads);
  float tv = v * static_cast<float>(threads);
  int i = static_cast<int>(std::floor(tu));
  int j = static_cast<int>(std::floor(tv));
  float fu = tu - static_cast<float>(i);
  float fv = tv - static_cast<float>(j);
  i = ((i % threads) + threads) % threads;
  j = ((j % threads) + threads) % threads;
  bool warp_over = false;
  switch (pattern) {
    case 0: warp_over = ((i + j) & 1) == 0; break;
    case 1: warp_over = (i + j) % 3 != 0; break;
    default: warp_over = (((i >> 1) + (j >> 1)) & 1) == 0; break;
  }
  // Threads vary in thickness, and along their length (slubs).
  float warp_thick = 0.72f + 0.22f * static_cast<float>(hash_point(i, 0, seed) & 255U) / 255.0f;
  float weft_thick = 0.72f + 0.22f * static_cast<float>(hash_point(0, j, seed ^ 0x55U) & 255U) / 255.0f;
  warp_thick *= 1.0f + slubs * gradient_noise(static_cast<float>(i) + 0.5f, v * 8.0f, threads, 8, seed + 1);
  weft_thick *= 1.0f + slubs * gradient_noise(u * 8.0f, static_cast<float>(j) + 0.5f, 8, threads, seed + 2);
  float across_warp = std::fabs(fu - 0.5f) * 2.0f / warp_thick;
  float across_weft = std::fabs(fv - 0.5f) * 2.0f / weft_thick;
  float warp_profile = std::sqrt(std::max(0.0f, 1.0f - across_warp * across_warp));
  float weft_profile = std::sqrt(std::max(0.0f, 1.0f - across_weft * across_weft));
  float arch_warp = 0.7f + 0.3f * std::sin(kPi * fv);
  float arch_weft = 0.7f + 0.3f * std::sin(kPi * fu);
  float warp = warp_profile * (warp_over ? arch_warp : 0.45f) * (0.5f + 0.5f * warp_thick);
  float weft = weft_profile * (warp_over ? 0.45f : arch_weft) * (0.5f + 0.5f * weft_thick);
  return std::max(warp, weft);
}

void make_strokes(Image& image, Rng& rng) {
  const int size = image.width;
  const float fs = static_cast<float>(size);
  const std::uint32_t flow_seed = static_cast<std::uint32_t>(rng.next());
  // The strokes run along x, give or take a little: the painter turns each facture to
  // the direction its strokes should follow.
  const float base_angle = static_cast<float>(rng.range(-0.15, 0.15));
  const float turbulence = static_cast<float>(rng.range(0.12, 0.3));
  // From fine hatching to broad sweeps, short dabs to long pulls.
  const float width_mean = fs * static_cast<float>(rng.range(0.025, 0.11));
  const float length_mean = fs * static_cast<float>(rng.range(0.15, 0.55));
  const float curl = static_cast<float>(rng.range(0.1, 0.9));
  // Ground: a soft underlayer.
  const std::uint32_t ground = static_cast<std::uint32_t>(rng.next());
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      image.pixel(x, y)[0] = 0.45f + 0.08f * fbm(static_cast<float>(x) / fs, static_cast<float>(y) / fs, 4, 4, 0.5f, ground);
    }
  }
  const int strokes = static_cast<int>(3.0f * fs * fs / (width_mean * length_mean));
  for (int k = 0; k < strokes; ++k) {
    const float cx = static_cast<float>(rng.uniform()) * fs;
    const float cy = static_cast<float>(rng.uniform()) * fs;
    // Laid as a painter lays them: broad strokes first, then smaller and smaller ones over
    // them, each turned a little from the flow on its own.
    const float laid = static_cast<float>(k) / static_cast<float>(strokes);
    const float scale = 1.6f - 1.1f * laid;
    const float angle = base_angle + turbulence * kPi * fbm(cx / fs, cy / fs, 2, 2, 0.5f, flow_seed) +
                        static_cast<float>(rng.range(-0.12, 0.12));
    const float dx = std::cos(angle);
    const float dy = std::sin(angle);
    const float width = width_mean * scale * static_cast<float>(rng.range(0.7, 1.3));
    const float length = length_mean * scale * static_cast<float>(rng.range(0.5, 1.5));
    const float bend = static_cast<float>(rng.range(-curl, curl)) / length;
    // Each stroke its own load of paint, which the painter also reads as its tone.
    const float level = static_cast<float>(rng.range(0.34, 0.66));
    const float load = static_cast<float>(rng.range(0.06, 0.16));
    // Every brush its own bristles: how many, how deep their grooves, how far they run
    // before they wander, and how unevenly they lie, so that no two strokes' grooves line
    // up into a lattice where the painter lays strokes across each other.
    const float bristles = static_cast<float>(rng.range(7.0, 24.0));
    const float groove_depth = static_cast<float>(rng.range(0.1, 0.24));
    const float groove_run = static_cast<float>(rng.range(1.0, 4.0));
    const float unevenness = static_cast<float>(rng.range(0.5, 1.2));
    const float dryness = static_cast<float>(rng.range(0.2, 0.7));
    const std::uint32_t bristle_seed = static_cast<std::uint32_t>(rng.next());
    const float reach = 0.5f * length + width;
    const int x0 = static_cast<int>(std::floor(cx - reach));
    const int x1 = static_cast<int>(std::ceil(cx + reach));
    const int y0 = static_cast<int>(std::floor(cy - reach));
    const int y1 = static_cast<int>(std::ceil(cy + reach));
    for (int py = y0; py <= y1; ++py) {
      for (int px = x0; px <= x1; ++px) {
        float ox = static_cast<float>(px) - cx;
        float oy = static_cast<float>(py) - cy;
        float s = ox * dx + oy * dy;
        float t = -ox * dy + oy * dx - bend * s * s;
        float a = (s + 0.5f * length) / length;  // 0 where the brush lands, 1 where it lifts
        if (a < -0.1f || a > 1.0f) continue;
        // The brush lands square and lifts slightly narrower.
        float half = 0.5f * width * std::sqrt(std::clamp((a + 0.1f) / 0.1f, 0.0f, 1.0f)) *
                     (a > 0.7f ? 1.0f - 0.3f * (a - 0.7f) / 0.3f : 1.0f);
        float across = std::fabs(t);
        if (across >= half) continue;
        float q = t / width + 0.5f;
        // Across the stroke the bristles' places are warped by a slower noise (spacing from
        // half to one and a half of the mean), and a finer layer splits some grooves.
        float place = q * bristles + unevenness * gradient_noise(q * bristles * 0.31f, a * groove_run * 0.5f, 1 << 16, 1 << 16, bristle_seed + 1);
        float groove = 0.7f * value_noise(place, 0.5f + a * groove_run, 1 << 16, 1 << 16, bristle_seed) +
                       0.3f * value_noise(place * 2.3f, a * groove_run * 1.7f, 1 << 16, 1 << 16, bristle_seed + 2);
        // Dry brush: bristles give out one by one towards the end of the stroke.
        // The threshold is soft, so that the bristles' ends fade over a few texels rather
        // than stop in steps once the painter magnifies the facture.
        float presence = smoothstep(-0.16f, 0.16f, (1.0f - dryness * a * a) - (1.0f - groove) * 1.1f);
        float cover = smoothstep(half, half - 1.5f, across) * presence;
        if (cover <= 0.0f) continue;
        float ridge = smoothstep(0.55f, 0.95f, across / half);
        float blob = 1.0f - smoothstep(0.0f, 0.18f, a);
        float h = level + groove_depth * (groove - 0.5f) + 0.1f * ridge + load * blob;
        int wx = ((px % size) + size) % size;
        int wy = ((py % size) + size) % size;
        float* p = image.pixel(wx, wy);
        p[0] = lerp(p[0], h, cover);
      }
    }
  }
}

void make_plaster(Image& image, Rng& rng) {
  const int size = image.width;
  const float fs = static_cast<float>(size);
  const std::uint32_t seed = static_cast<std::uint32_t>(rng.next());
  const float steps = static_cast<float>(rng.range(6.0, 12.0));
  const float warp = static_cast<float>(rng.range(0.05, 0.15));
  const float sand = static_cast<float>(rng.range(0.03, 0.07));
  const int pit_cells = 24 + rng.below(24);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      float u = static_cast<float>(x) / fs;
      float v = static_cast<float>(y) / fs;
      float wu = wrap01(u + warp * fbm(u, v, 2, 3, 0.5f, seed + 1));
      float wv = wrap01(v + warp * fbm(u, v, 2, 3, 0.5f, seed + 2));
      float field = 0.5f + 0.5f * fbm(wu, wv, 2, 5, 0.55f, seed + 3);
      float t = field * steps;
      float terrace = (std::floor(t) + smoothstep(0.8f, 1.0f, t - std::floor(t))) / steps;
      // Trowel marks: fine streaks along the terraces' sweep.
      float streak = gradient_noise(wu * 4.0f, wv * 96.0f, 4, 96, seed + 4);
      float grain = gradient_noise(u * fs * 0.5f, v * fs * 0.5f, size / 2, size / 2, seed + 5);
      Cellular pits = cellular(u, v, pit_cells, seed + 6);
      float pit = (pits.id & 15U) == 0 ? 1.0f - smoothstep(0.04f, 0.14f, pits.f1) : 0.0f;
      image.pixel(x, y)[0] = 0.35f * terrace + 0.25f * field + 0.05f * streak + sand * grain - 0.12f * pit;
    }
  }
}

}  // namespace

FactureKind facture_kind(int number) {
  return kKindOrder[static_cast<std::size_t>(((number - 1) % 8 + 8) % 8)];
}

int facture_size(int number) {
  return facture_kind(number) == FactureKind::plaster && ((number - 1) / 8) % 2 == 1 ? 256 : 512;
}

Image make_facture(std::uint32_t seed, int number, int size) {
  Rng rng(stream_seed(seed, static_cast<std::uint32_t>(Family::facture), static_cast<std::uint32_t>(number)));
  Image image(size, size, 1);
  switch (facture_kind(number)) {
    case FactureKind::strokes: make_strokes(image, rng); break;
    case FactureKind::plaster: make_plaster(image, rng); break;
  }
  normalise(image, 0.16f);
  return image;
}

// The oil canvas: a fine plain-weave linen under a coat of primer that fills the hollows
// between the threads, so the weave shows as a gentle tooth rather than as holes.
Image make_oil_canvas(std::uint32_t seed, int size) {
  Rng rng(stream_seed(seed, static_cast<std::uint32_t>(Family::oil), 1));
  const std::uint32_t s = static_cast<std::uint32_t>(rng.next());
  const int threads = std::max(2, size / 7 / 2 * 2);
  const float fs = static_cast<float>(size);
  Image image(size, size, 1);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      float u = static_cast<float>(x) / fs;
      float v = static_cast<float>(y) / fs;
      float wu = wrap01(u + 0.003f * fbm(u, v, 6, 2, 0.5f, s + 1));
      float wv = wrap01(v + 0.003f * fbm(u, v, 6, 2, 0.5f, s + 2));
      float weave = weave_height(wu, wv, threads, 0, s, 0.35f);
      float primer = 0.56f + 0.05f * fbm(u, v, 16, 3, 0.5f, s + 3);
      // Smooth maximum of thread and primer level.
      float k = 0.12f;
      float hmax = std::max(weave, primer);
      float overlap = std::max(0.0f, k - std::fabs(weave - primer));
      float h = hmax + 0.25f * overlap * overlap / k;
      h += 0.05f * fbm(u, v, 2, 4, 0.5f, s + 4);
      h += 0.02f * gradient_noise(u * fs * 0.5f, v * fs * 0.5f, size / 2, size / 2, s + 5);
      image.pixel(x, y)[0] = h;
    }
  }
  // The primer rounds every edge of the weave: two passes of a 3 x 3 box blur, wrapping.
  for (int pass = 0; pass < 2; ++pass) {
    Image soft(size, size, 1);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        float sum = 0.0f;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) sum += image.pixel((x + dx + size) % size, (y + dy + size) % size)[0];
        }
        soft.pixel(x, y)[0] = sum / 9.0f;
      }
    }
    image = std::move(soft);
  }
  normalise(image, 0.1f, 0.62f);
  return image;
}

}  // namespace bw::artgen
