// Pixels drawn by the backend of this build, headless, compared with what Direct3D 9
// defines: row and byte order, clears, copies, blending, filtering, addressing, the
// half-texel alignment and resets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "drawing_device.h"
#include "wine_differences.h"

namespace bw::device {
namespace {

using drawing::DrawingDevice;
using drawing::effect;
using drawing::pattern;

// texSampler0 drawn through unchanged; the parameter "colour" drawn everywhere.
const std::string kCopy = effect(".sampler ps texSampler0 s0\n", "texld oC0, v0, s0");
const std::string kColour = effect(".param ps colour c0 4\n", "mov oC0, c0");

// Reference of Direct3D 9's bilinear sampling of an RGBA image with clamped addressing:
// texel centres at (i + 0.5) / size.
double sample_linear(const std::vector<std::uint8_t>& rgba, int width, int height, double u,
                     double v, int channel) {
  const double x = u * width - 0.5;
  const double y = v * height - 0.5;
  const int x0 = static_cast<int>(std::floor(x));
  const int y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0;
  const double fy = y - y0;
  const auto texel = [&](int tx, int ty) {
    tx = std::clamp(tx, 0, width - 1);
    ty = std::clamp(ty, 0, height - 1);
    return double(rgba[(static_cast<std::size_t>(ty) * width + tx) * 4 + channel]);
  };
  return (texel(x0, y0) * (1 - fx) + texel(x0 + 1, y0) * fx) * (1 - fy) +
         (texel(x0, y0 + 1) * (1 - fx) + texel(x0 + 1, y0 + 1) * fx) * fy;
}

TEST(DevicePixels, UploadKeepsRowAndByteOrder) {
  DrawingDevice d;
  ASSERT_TRUE(d.create(16, 16));
  const std::vector<std::uint8_t> image = pattern(5, 3);
  std::vector<std::uint8_t> pixels = image;
  Texture* texture = d.device->create_texture();
  ASSERT_TRUE(texture->upload(pixels.data(), 5, 3, 1, 1));
  // Read back as red, green, blue, alpha with the first row on top: the original bytes.
  EXPECT_EQ(d.read(*texture), image);
}

TEST(DevicePixels, ClearPacksTheClampedColourWithZeroAlpha) {
  DrawingDevice d;
  ASSERT_TRUE(d.create(4, 2));
  d.device->clear(1.5f, -2.0f, 0.5f);
  const std::vector<std::uint8_t> pixels = d.read_back_buffer();
  ASSERT_EQ(pixels.size(), 4u * 2 * 4);
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    EXPECT_EQ(pixels[i], 255);
    EXPECT_EQ(pixels[i + 1], 0);
    EXPECT_EQ(pixels[i + 2], 127);
    EXPECT_EQ(pixels[i + 3], 0);
  }
}

// Pixels where two images of the same size differ, and by how much at most.
struct Mismatch {
  int pixels = 0;
  int largest = 0;
};
Mismatch mismatch(const std::vector<std::uint8_t>& got, const std::vector<std::uint8_t>& want) {
  Mismatch m;
  if (got.size() != want.size()) return {-1, 255};
  for (std::size_t i = 0; i < got.size(); i += 4) {
    int largest = 0;
    for (std::size_t c = i; c < i + 4; ++c) largest = std::max(largest, std::abs(got[c] - want[c]));
    m.pixels += largest > 0;
    m.largest = std::max(m.largest, largest);
  }
  return m;
}

// A point-sampled full-target quad gives back its source exactly, shifted by no pixel,
// both with filter 0 and with filter 1 at the full target size (point magnification).
TEST(DevicePixels, FullTargetQuadReproducesItsSourceExactly) {
  for (int filter : {0, 1}) {
    DrawingDevice d;
    ASSERT_TRUE(d.create(64, 48));
    Shader* copy = d.shader(kCopy);
    ASSERT_NE(copy, nullptr);
    const std::vector<std::uint8_t> image = pattern(64, 48, 7);
    std::vector<std::uint8_t> pixels = image;
    Texture* source = d.device->create_texture();
    ASSERT_TRUE(source->upload(pixels.data(), 64, 48, filter, 1));
    Texture* target = d.device->create_texture();
    ASSERT_TRUE(target->create(64, 48, 0, 1));
    ASSERT_TRUE(d.device->set_target(target));
    copy->set_texture(0, source);
    d.device->set_shader(copy);
    d.device->draw_quad(0, 0, 1, 1);
    const Mismatch into_texture = mismatch(d.read(*target), image);
    EXPECT_EQ(into_texture.pixels, 0) << "filter " << filter << ", largest " << into_texture.largest;
    // The same into the back buffer.
    d.device->set_back_buffer_target();
    d.device->draw_quad(0, 0, 1, 1);
    d.device->present();
    const Mismatch into_back_buffer = mismatch(d.read_back_buffer(), image);
    EXPECT_EQ(into_back_buffer.pixels, 0) << "filter " << filter << ", largest "
                                          << into_back_buffer.largest;
  }
}

// The small passes of the comparison between the backends, on sharp data (neighbouring
// texels far apart): an 8 x 8 copy of an 8 x 8 texture and a cross-fade of two, into the
// back buffer and into a texture, give back exactly what each pixel's own texel holds.
TEST(DevicePixels, SmallPassesOverSharpTexturesAreTexelExact) {
  const std::string cross_fade =
      ".param ps weight c0 1\n.sampler ps texSampler0 s0\n.sampler ps texSampler1 s1\n" +
      std::string(drawing::kPassVertex) +
      ".pixel\nps_3_0\ndcl_texcoord v0.xy\ndcl_2d s0\ndcl_2d s1\n"
      "texld r0, v0, s0\ntexld r1, v0, s1\nlrp oC0, c0.x, r1, r0\n";
  for (int filter : {0, 1}) {
    SCOPED_TRACE("filter " + std::to_string(filter));
    DrawingDevice d;
    ASSERT_TRUE(d.create(8, 8));
    Shader* copy = d.shader(kCopy);
    Shader* fade = d.shader(cross_fade);
    ASSERT_TRUE(copy != nullptr && fade != nullptr);
    // Every other texel black or white, with colours between: a neighbour's value is far off.
    std::vector<std::uint8_t> first = pattern(8, 8, 5), second = pattern(8, 8, 6);
    for (std::size_t i = 0; i < first.size(); ++i)
      if ((i / 4 + i / 32) % 2 == 0) first[i] = 0, second[i] = 255;
    const std::vector<std::uint8_t> first_image = first, second_image = second;
    Texture* a = d.device->create_texture();
    Texture* b = d.device->create_texture();
    ASSERT_TRUE(a->upload(first.data(), 8, 8, filter, 1));
    ASSERT_TRUE(b->upload(second.data(), 8, 8, filter, 1));
    Texture* target = d.device->create_texture();
    ASSERT_TRUE(target->create(8, 8, 0, 1));

    copy->set_texture(0, a);
    fade->set_texture(0, a);
    fade->set_texture(1, b);
    const float quarter[4] = {0.25f, 0, 0, 0};
    fade->set_param("weight", quarter);
    std::vector<std::uint8_t> faded(first_image.size());
    for (std::size_t i = 0; i < faded.size(); ++i)
      faded[i] = static_cast<std::uint8_t>(
          std::lround(0.75 * first_image[i] + 0.25 * second_image[i]));

    struct Pass { const char* what; Shader* shader; const std::vector<std::uint8_t>* want; };
    for (const Pass& pass : {Pass{"copy", copy, &first_image}, Pass{"cross-fade", fade, &faded}}) {
      ASSERT_TRUE(d.device->set_target(target));
      d.device->set_shader(pass.shader);
      d.device->draw_quad(0, 0, 1, 1);
      const Mismatch into_texture = mismatch(d.read(*target), *pass.want);
      d.device->set_back_buffer_target();
      d.device->draw_quad(0, 0, 1, 1);
      const Mismatch into_back_buffer = mismatch(d.read_back_buffer(), *pass.want);
      // One step of rounding in the cross-fade's arithmetic; a neighbour's texel is far more.
      const int allowed = pass.shader == fade ? 1 : 0;
      EXPECT_LE(into_texture.largest, allowed) << pass.what << " into a texture, "
                                               << into_texture.pixels << " pixels off";
      EXPECT_LE(into_back_buffer.largest, allowed) << pass.what << " into the back buffer, "
                                                   << into_back_buffer.pixels << " pixels off";
    }
  }
}

// A smooth texture of another size than the target is filtered linearly, magnified or
// minified, sampling where Direct3D 9 samples: pixel i at u = (i + 0.25) / width (the
// quad's quarter-pixel offset).
TEST(DevicePixels, LinearFilteringSamplesAtDirect3DPositions) {
  struct Case { int texture_width, texture_height, target_width, target_height; };
  const Case cases[] = {{10, 6, 40, 24}, {6, 6, 4, 4}, {9, 5, 7, 11}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.texture_width) + "x" + std::to_string(c.texture_height) +
                 " on " + std::to_string(c.target_width) + "x" +
                 std::to_string(c.target_height));
    DrawingDevice d;
    ASSERT_TRUE(d.create(c.target_width, c.target_height));
    Shader* copy = d.shader(kCopy);
    ASSERT_NE(copy, nullptr);
    const std::vector<std::uint8_t> image = pattern(c.texture_width, c.texture_height, 3);
    std::vector<std::uint8_t> pixels = image;
    Texture* source = d.device->create_texture();
    ASSERT_TRUE(source->upload(pixels.data(), c.texture_width, c.texture_height, 1, 1));
    copy->set_texture(0, source);
    d.device->set_shader(copy);
    d.device->draw_quad(0, 0, 1, 1);
    const std::vector<std::uint8_t> out = d.read_back_buffer();
    ASSERT_EQ(out.size(), static_cast<std::size_t>(c.target_width) * c.target_height * 4);
    int worst = 0;
    for (int y = 0; y < c.target_height; ++y)
      for (int x = 0; x < c.target_width; ++x)
        for (int ch = 0; ch < 4; ++ch) {
          const double expected =
              sample_linear(image, c.texture_width, c.texture_height,
                            (x + 0.25) / c.target_width, (y + 0.25) / c.target_height, ch);
          const int got = out[(static_cast<std::size_t>(y) * c.target_width + x) * 4 + ch];
          worst = std::max(worst, static_cast<int>(std::lround(std::fabs(got - expected))));
        }
    EXPECT_LE(worst, 1);
  }
}

// Address modes outside 0..1: an effect that samples at 3u - 1 across a 12-pixel target
// reads texel i - 4 of a 4-texel row at pixel i, wrapped, clamped or mirrored.
TEST(DevicePixels, AddressModesWrapClampAndMirror) {
  struct Case { int address; const char* columns; };
  const Case cases[] = {{0, "ABCDABCDABCD"}, {1, "AAAAABCDDDDD"}, {2, "DCBAABCDDCBA"}};
  for (const Case& c : cases) {
    DrawingDevice d;
    ASSERT_TRUE(d.create(12, 1));
    Shader* shifted =
        d.shader(effect(".sampler ps texSampler0 s0\n",
                        "def c1, 3, 1, 0, 0\ndef c2, -1, 0, 0, 0\nmad r0.xy, v0, c1, c2\n"
                        "texld oC0, r0, s0"));
    ASSERT_NE(shifted, nullptr);
    std::vector<std::uint8_t> row = {10, 0, 0, 255, 20, 0, 0, 255, 30, 0, 0, 255, 40, 0, 0, 255};
    Texture* source = d.device->create_texture();
    ASSERT_TRUE(source->upload(row.data(), 4, 1, 0, c.address));
    shifted->set_texture(0, source);
    d.device->set_shader(shifted);
    d.device->draw_quad(0, 0, 1, 1);
    const std::vector<std::uint8_t> out = d.read_back_buffer();
    std::string columns;
    for (int x = 0; x < 12; ++x) columns += static_cast<char>('A' + out[x * 4] / 10 - 1);
    EXPECT_EQ(columns, c.columns) << "address mode " << c.address;
  }
}

TEST(DevicePixels, CopyFromTargetScalesWithLinearFiltering) {
  DrawingDevice d;
  ASSERT_TRUE(d.create(8, 8));
  Shader* copy = d.shader(kCopy);
  ASSERT_NE(copy, nullptr);
  const std::vector<std::uint8_t> image = pattern(64, 32, 11);
  std::vector<std::uint8_t> pixels = image;
  Texture* source = d.device->create_texture();
  ASSERT_TRUE(source->upload(pixels.data(), 64, 32, 0, 1));
  ASSERT_TRUE(d.device->set_target(source));

  Texture* same = d.device->create_texture();
  ASSERT_TRUE(same->create(64, 32, 0, 1));
  same->copy_from_target();
  EXPECT_EQ(d.read(*same), image);

  // Half the size: each pixel is the mean of a 2 x 2 block, rows kept in order.
  Texture* half = d.device->create_texture();
  ASSERT_TRUE(half->create(32, 16, 0, 1));
  half->copy_from_target();
  const std::vector<std::uint8_t> out = d.read(*half);
  ASSERT_EQ(out.size(), 32u * 16 * 4);
  int worst = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x)
      for (int c = 0; c < 4; ++c) {
        const auto at = [&](int sx, int sy) {
          return int(image[(static_cast<std::size_t>(sy) * 64 + sx) * 4 + c]);
        };
        const double mean =
            (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
             at(2 * x + 1, 2 * y + 1)) / 4.0;
        const int got = out[(static_cast<std::size_t>(y) * 32 + x) * 4 + c];
        worst = std::max(worst, static_cast<int>(std::lround(std::fabs(got - mean))));
      }
  EXPECT_LE(worst, 1);
}

TEST(DevicePixels, BlendModesMixWithTheTarget) {
  struct Case {
    int mode;
    float colour[4];
    std::uint8_t expected[4];
  };
  // The target is cleared to (0.4, 0.2, 1.0, alpha 0) = bytes (102, 51, 255, 0).
  const Case cases[] = {
      // source * alpha + target * (1 - alpha), alpha 0.5, on every channel (alpha too)
      {1, {1.0f, 0.0f, 0.0f, 0.5f}, {178, 25, 127, 64}},
      // source + target, saturated
      {2, {0.6f, 0.2f, 0.5f, 0.25f}, {255, 102, 255, 64}},
      // blending off: the source replaces the target
      {0, {0.6f, 0.2f, 0.5f, 0.25f}, {153, 51, 127, 64}},
  };
  for (const Case& c : cases) {
    DrawingDevice d;
    ASSERT_TRUE(d.create(4, 4));
    Shader* colour = d.shader(kColour);
    ASSERT_NE(colour, nullptr);
    d.device->clear(0.4f, 0.2f, 1.0f);
    colour->set_param("colour", c.colour);
    d.device->set_shader(colour);
    d.device->set_blend(c.mode);
    d.device->draw_quad(0, 0, 1, 1);
    const std::vector<std::uint8_t> out = d.read_back_buffer();
    for (int channel = 0; channel < 4; ++channel)
      EXPECT_NEAR(out[channel], c.expected[channel], 1) << "mode " << c.mode << " channel "
                                                        << channel;
  }
}

TEST(DevicePixels, PartialQuadCoversTheSamePixelsAsDirect3D) {
  // The left half of an 8 x 4 target: Direct3D 9 covers pixel centres x = 0..3.
  DrawingDevice d;
  ASSERT_TRUE(d.create(8, 4));
  Shader* colour = d.shader(kColour);
  ASSERT_NE(colour, nullptr);
  d.device->clear(0, 0, 0);
  const float white[4] = {1, 1, 1, 1};
  colour->set_param("colour", white);
  d.device->set_shader(colour);
  d.device->draw_quad(0, 0.5f, 0.5f, 0.5f);  // left half, upper half (y grows upward)
  const std::vector<std::uint8_t> out = d.read_back_buffer();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(out[(static_cast<std::size_t>(y) * 8 + x) * 4], (x < 4 && y < 2) ? 255 : 0)
          << x << "," << y;
}

TEST(DevicePixels, ResizeGivesANewBackBufferAndEmptyTexturesOfTheOldSize) {
  DrawingDevice d;
  ASSERT_TRUE(d.create(16, 8));
  Shader* colour = d.shader(kColour);
  ASSERT_NE(colour, nullptr);
  Texture* texture = d.device->create_texture();
  std::vector<std::uint8_t> pixels = pattern(4, 4);
  ASSERT_TRUE(texture->upload(pixels.data(), 4, 4, 1, 1));
  // The reset comes while the texture is the target: it must not hold the reset up.
  ASSERT_TRUE(d.device->set_target(texture));
  d.device->resize(32, 24);
  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  ASSERT_TRUE(d.device->read_back_buffer(rgba, width, height));
  EXPECT_EQ(width, 32);
  EXPECT_EQ(height, 24);
  EXPECT_EQ(texture->width, 4);
  EXPECT_NE(texture->handle(), 0u);
  EXPECT_EQ(texture->filter(), 0);
  // Everything draws as before the reset: the texture as a target, then the back buffer
  // (which the reset made the target again) over its new size.
  const float green[4] = {0, 1, 0, 1};
  colour->set_param("colour", green);
  d.device->set_shader(colour);
  d.device->begin_frame();
  ASSERT_TRUE(d.device->set_target(texture));
  d.device->draw_quad(0, 0, 1, 1);
  d.device->set_back_buffer_target();
  d.device->draw_quad(0, 0, 1, 1);
  d.device->end_frame();
  const std::vector<std::uint8_t> drawn = d.read(*texture);
  ASSERT_EQ(drawn.size(), 4u * 4 * 4);
  EXPECT_EQ(drawn[1], 255);
  rgba = d.read_back_buffer();
  ASSERT_EQ(rgba.size(), 32u * 24 * 4);
  EXPECT_EQ(rgba[1], 255);
  EXPECT_EQ(rgba[rgba.size() - 3], 255) << "bottom right pixel";
}

}  // namespace
}  // namespace bw::device
