// Device and Texture behaviour checked call by call on the trace backend.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/device.h"
#include "device/shader.h"
#include "device/texture.h"
#include "device/trace/trace_backend.h"

namespace bw::device {

// A loaded shader with no tables, for drawing quads (shader_trace_test.cpp).
Shader* empty_shader(Device& device);

namespace {

// A device on a fresh trace backend; `trace` stays valid as long as `device` lives.
struct TraceDevice {
  TraceBackend* trace;
  std::unique_ptr<Device> device;

  TraceDevice() {
    auto backend = std::make_unique<TraceBackend>();
    trace = backend.get();
    device = std::make_unique<Device>(std::move(backend));
  }
  // Creates the device at that size and forgets the creation calls.
  void create(int width = 1024, int height = 768) {
    ASSERT_EQ(device->create(0, width, height, 60, false), CreateStatus::created);
    trace->clear_calls();
  }
};

struct HardwareCase {
  const char* what;
  bool pow2, nonpow2_conditional;
  std::uint32_t ps_version, slots;
  bool has_pci;
  std::uint32_t vendor, device;
  bool accepted;
};

TEST(DeviceHardwareCheck, AcceptsAndRefusesByCapabilitiesAndCardList) {
  const HardwareCase cases[] = {
      {"non-power-of-two textures", false, false, 0xFFFF0300u, 0, false, 0, 0, true},
      {"pow2 with conditional npot", true, true, 0xFFFF0300u, 0, false, 0, 0, true},
      {"pow2 only", true, false, 0xFFFF0300u, 0, false, 0, 0, false},
      {"ps 2.0 with 512 slots", false, false, 0xFFFF0200u, 512, false, 0, 0, true},
      {"ps 2.0 with 511 slots", false, false, 0xFFFF0200u, 511, false, 0, 0, false},
      {"ps 3.0 without slots", false, false, 0xFFFF0300u, 0, false, 0, 0, true},
      {"listed card 0xFB", false, false, 0xFFFF0300u, 512, true, 0x10DE, 0xFB, false},
      {"listed card 0x321", false, false, 0xFFFF0300u, 512, true, 0x10DE, 0x321, false},
      {"unlisted card 0xFC", false, false, 0xFFFF0300u, 512, true, 0x10DE, 0xFC, true},
      {"other vendor 0x321", false, false, 0xFFFF0300u, 512, true, 0x1002, 0x321, true},
  };
  for (const HardwareCase& c : cases) {
    Capabilities caps;
    caps.textures_pow2 = c.pow2;
    caps.textures_nonpow2_conditional = c.nonpow2_conditional;
    caps.pixel_shader_version = c.ps_version;
    caps.ps20_instruction_slots = c.slots;
    AdapterIdentity id{c.has_pci, c.vendor, c.device};
    EXPECT_EQ(hardware_accepted(caps, id), c.accepted) << c.what;
  }
}

TEST(DeviceCreate, StatusCodesAndMessages) {
  {
    TraceDevice d;
    d.trace->runtime_present = false;
    EXPECT_EQ(d.device->create(0, 640, 480, 60, false), CreateStatus::runtime_missing);
    ASSERT_EQ(d.trace->errors.size(), 1u);
    EXPECT_EQ(d.trace->errors[0].rfind(kRuntimeMissingMessage, 0), 0u);
  }
  {
    TraceDevice d;
    d.trace->capabilities_readable = false;
    EXPECT_EQ(d.device->create(0, 640, 480, 60, false), CreateStatus::create_failed);
    EXPECT_TRUE(d.trace->errors.empty());
  }
  {
    TraceDevice d;
    d.trace->capabilities.ps20_instruction_slots = 100;
    d.trace->capabilities.pixel_shader_version = 0xFFFF0200u;
    EXPECT_EQ(d.device->create(0, 640, 480, 60, false), CreateStatus::hardware_refused);
    ASSERT_EQ(d.trace->errors.size(), 1u);
    EXPECT_EQ(d.trace->errors[0].rfind(kHardwareRefusedMessage, 0), 0u);
  }
  {
    TraceDevice d;
    d.trace->identity_readable = false;
    EXPECT_EQ(d.device->create(0, 640, 480, 60, false), CreateStatus::hardware_refused);
    EXPECT_EQ(d.trace->errors.size(), 1u);
  }
  // A backend with a reason of its own shows that, and nothing of Direct3D's download.
  for (const bool runtime_missing : {true, false}) {
    TraceDevice d;
    d.trace->own_reason = "no EGL display";
    (runtime_missing ? d.trace->runtime_present : d.trace->identity_readable) = false;
    EXPECT_EQ(d.device->create(0, 640, 480, 60, false),
              runtime_missing ? CreateStatus::runtime_missing : CreateStatus::hardware_refused);
    EXPECT_EQ(d.trace->errors, std::vector<std::string>{"no EGL display"});
  }
  for (int which = 0; which < 2; ++which) {
    TraceDevice d;
    (which == 0 ? d.trace->fail_create_device : d.trace->fail_quad_declaration) = true;
    EXPECT_EQ(d.device->create(0, 640, 480, 60, false), CreateStatus::create_failed);
    EXPECT_TRUE(d.trace->errors.empty());
  }
}

TEST(DeviceCreate, SetsDefaultStatesAndTargetsTheBackBuffer) {
  TraceDevice d;
  d.trace->capabilities.max_texture_width = 2048;
  d.trace->capabilities.max_texture_height = 8192;
  ASSERT_EQ(d.device->create(0, 800, 600, 60, false), CreateStatus::created);
  EXPECT_EQ(d.device->max_texture_size(), 8192u);
  const std::vector<std::string> expected = {
      "load_runtime()",
      "get_capabilities()",
      "get_adapter_identity()",
      "create_device(0, 800, 600, 1, 0)",
      "create_quad_declaration()",
      "set_render_state(7, 0)",
      "set_render_state(14, 0)",
      "set_render_state(22, 1)",
      "set_render_state(27, 0)",
      "get_back_buffer()",
      "get_surface_size(1)",
      "set_render_target(1)",
  };
  EXPECT_EQ(d.trace->texts(), expected);
  EXPECT_EQ(d.device->current_target_width(), 800);
  EXPECT_EQ(d.device->current_target_height(), 600);
  EXPECT_EQ(d.device->full_target_width(), 800);
}

TEST(DeviceClear, ClampsTruncatesAndPacksWithoutAlpha) {
  struct Case { float r, g, b; std::uint32_t colour; };
  const Case cases[] = {
      {1.5f, -2.0f, 0.5f, 0x00FF007Fu},
      {0.0f, 0.0f, 0.0f, 0x00000000u},
      {1.0f, 1.0f, 1.0f, 0x00FFFFFFu},
      {0.999f, 0.004f, 0.25f, 0x00FE013Fu},  // 254.7 -> 254, 1.02 -> 1, 63.75 -> 63
  };
  TraceDevice d;
  d.create();
  for (const Case& c : cases) {
    d.trace->clear_calls();
    d.device->clear(c.r, c.g, c.b);
    EXPECT_EQ(d.trace->texts(), std::vector<std::string>{
                                    "clear(" + std::to_string(c.colour) + ")"});
  }
}

TEST(DeviceBlend, ModeZeroOnlyDisablesBlendingAndKeepsFactors) {
  TraceDevice d;
  d.create();
  d.device->set_blend(2);
  d.device->set_blend(0);
  d.device->set_blend(1);
  d.device->set_blend(7);
  const std::vector<std::string> expected = {
      "set_render_state(19, 2)", "set_render_state(20, 2)", "set_render_state(27, 1)",
      "set_render_state(27, 0)",
      "set_render_state(19, 5)", "set_render_state(20, 6)", "set_render_state(27, 1)",
      "set_render_state(27, 0)",
  };
  EXPECT_EQ(d.trace->texts(), expected);
}

TEST(DeviceQuad, HalfTexelOffsetsFromTheCurrentTarget) {
  TraceDevice d;
  d.create(1024, 768);
  Shader* shader = empty_shader(*d.device);
  d.device->set_shader(shader);
  d.trace->clear_calls();
  d.device->draw_quad(0, 0, 1, 1);
  ASSERT_EQ(d.trace->texts_of("draw_quad").size(), 1u);
  std::vector<double> args;
  for (const TraceCall& call : d.trace->calls)
    if (call.name == "draw_quad") args = call.args;
  const float hx = 0.5f / 1024, hy = 0.5f / 768;
  const float expected[16] = {-1 - hx, 1 + hy, 0, 0,  -1 - hx, -1 + hy, 0, 1,
                              1 - hx,  1 + hy, 1, 0,  1 - hx,  -1 + hy, 1, 1};
  ASSERT_EQ(args.size(), 16u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<float>(args[i]), expected[i]) << i;

  // After a target change the offsets follow the new target's size.
  Texture* target = d.device->create_texture();
  ASSERT_TRUE(target->create(256, 128, 0, 1));
  ASSERT_TRUE(d.device->set_target(target));
  d.trace->clear_calls();
  d.device->draw_quad(0.25f, 0.5f, 0.5f, 0.25f);  // clip (-0.5, 0) - (0.5, 0.5)
  for (const TraceCall& call : d.trace->calls)
    if (call.name == "draw_quad") args = call.args;
  EXPECT_EQ(static_cast<float>(args[0]), -0.5f - 0.5f / 256);
  EXPECT_EQ(static_cast<float>(args[1]), 0.5f + 0.5f / 128);
  EXPECT_EQ(static_cast<float>(args[12]), 0.5f - 0.5f / 256);
  EXPECT_EQ(static_cast<float>(args[13]), 0.0f + 0.5f / 128);
}

TEST(DeviceQuad, NoCurrentShaderDrawsNothing) {
  TraceDevice d;
  d.create();
  d.device->draw_quad(0, 0, 1, 1);
  d.device->draw_quad_clip(-1, -1, 1, 1);
  EXPECT_TRUE(d.trace->calls.empty());
}

TEST(DeviceTarget, FailedTargetKeepsTheStoredSize) {
  TraceDevice d;
  d.create(640, 480);
  Texture* never_created = d.device->create_texture();
  EXPECT_FALSE(d.device->set_target(never_created));
  EXPECT_FALSE(d.device->set_target(nullptr));
  EXPECT_TRUE(d.trace->calls.empty());
  Texture* small = d.device->create_texture();
  ASSERT_TRUE(small->create(64, 32, 0, 1));
  ASSERT_TRUE(d.device->set_target(small));
  EXPECT_EQ(d.device->current_target_width(), 64);
  d.device->set_back_buffer_target();
  EXPECT_EQ(d.device->current_target_width(), 640);
  EXPECT_EQ(d.device->current_target_height(), 480);
}

TEST(DeviceFrame, EndFrameUnbindsEveryStage) {
  TraceDevice d;
  d.create();
  d.device->begin_frame();
  d.device->end_frame();
  d.device->present();
  std::vector<std::string> expected = {"test_cooperative_level()", "begin_scene()"};
  for (int stage = 0; stage < 16; ++stage)
    expected.push_back("set_texture(" + std::to_string(stage) + ", 0)");
  expected.push_back("end_scene()");
  expected.push_back("present()");
  EXPECT_EQ(d.trace->texts(), expected);
}

TEST(TextureUpload, SwapsRedAndBlueInTheCallersBuffer) {
  TraceDevice d;
  d.create();
  Texture* texture = d.device->create_texture();
  EXPECT_EQ(texture->width, 0);
  EXPECT_EQ(texture->height, 0);
  std::uint8_t pixels[8] = {10, 20, 30, 40, 50, 60, 70, 80};
  ASSERT_TRUE(texture->upload(pixels, 2, 1, 1, 1));
  const std::uint8_t swapped[8] = {30, 20, 10, 40, 70, 60, 50, 80};
  EXPECT_EQ(std::vector<std::uint8_t>(pixels, pixels + 8),
            std::vector<std::uint8_t>(swapped, swapped + 8));
  // The texture receives blue, green, red, alpha: red 10 ends in the red channel.
  const std::string update =
      "update_texture(" + std::to_string(texture->handle()) + ", 2, 1, 30, 20, 10, 40)";
  EXPECT_EQ(d.trace->texts_of("update_texture"), std::vector<std::string>{update});
  EXPECT_EQ(texture->width, 2);
  EXPECT_EQ(texture->filter(), 1);
}

TEST(TextureUpload, FailuresLeaveTheDocumentedState) {
  TraceDevice d;
  d.create();
  Texture* texture = d.device->create_texture();
  std::uint8_t pixels[4] = {1, 2, 3, 4};
  d.trace->fail_create_texture = true;
  EXPECT_FALSE(texture->upload(pixels, 1, 1, 1, 1));
  EXPECT_EQ(texture->handle(), 0u);
  EXPECT_EQ(texture->width, 0);
  d.trace->fail_create_texture = false;
  d.trace->fail_update_texture = true;
  EXPECT_FALSE(texture->upload(pixels, 1, 1, 1, 1));
  EXPECT_NE(texture->handle(), 0u);  // created, contents undefined
  EXPECT_EQ(texture->width, 1);
  EXPECT_FALSE(texture->create(0, 16, 0, 1));
  EXPECT_FALSE(texture->upload(nullptr, 4, 4, 0, 1));
}

TEST(TextureCreate, CreatingAgainReplacesTheOldObjectsOnlyOnSuccess) {
  TraceDevice d;
  d.create();
  Texture* texture = d.device->create_texture();
  ASSERT_TRUE(texture->create(16, 16, 0, 1));
  const TextureHandle first = texture->handle();
  ASSERT_TRUE(texture->create(32, 8, 1, 0));
  EXPECT_EQ(d.trace->live_textures.count(first), 0u);  // not leaked
  EXPECT_EQ(d.trace->live_textures.size(), 1u);
  const TextureHandle second = texture->handle();
  d.trace->fail_create_texture = true;
  EXPECT_FALSE(texture->create(64, 64, 0, 1));
  EXPECT_EQ(texture->handle(), second);
  EXPECT_EQ(texture->width, 32);
  EXPECT_EQ(texture->height, 8);
}

TEST(TextureCopy, StretchesTheCurrentTargetOntoTheTexture) {
  TraceDevice d;
  d.create(640, 480);
  Texture* never_created = d.device->create_texture();
  never_created->copy_from_target();
  EXPECT_TRUE(d.trace->calls.empty());

  Texture* texture = d.device->create_texture();
  ASSERT_TRUE(texture->create(256, 256, 0, 1));
  d.trace->clear_calls();
  texture->copy_from_target();
  const std::string back = std::to_string(d.trace->back_buffer);
  const std::vector<std::string> expected = {
      "get_render_target()",
      "stretch_rect(" + back + ", " + std::to_string(texture->surface()) + ")",
      "release_surface(" + back + ")",
  };
  EXPECT_EQ(d.trace->texts(), expected);
}

TEST(DeviceLists, ReleaseLeavesTheListAndIsNotRepeated) {
  TraceDevice d;
  d.create();
  Texture* a = d.device->create_texture();
  Texture* b = d.device->create_texture();
  Texture* c = d.device->create_texture();
  ASSERT_TRUE(b->create(8, 8, 0, 1));
  const TextureHandle b_handle = b->handle();
  b->release();
  EXPECT_EQ(d.device->textures(), (std::vector<Texture*>{a, c}));
  Shader* s1 = d.device->create_shader();
  Shader* s2 = d.device->create_shader();
  d.device->set_shader(s1);
  s1->release();
  EXPECT_EQ(d.device->shaders(), std::vector<Shader*>{s2});
  EXPECT_EQ(d.device->current_shader(), nullptr);
  d.device->release();
  EXPECT_TRUE(d.device->textures().empty());
  EXPECT_TRUE(d.device->shaders().empty());
  EXPECT_EQ(d.trace->texts_of("release_texture"),
            std::vector<std::string>{"release_texture(" + std::to_string(b_handle) + ")"});
  EXPECT_EQ(d.trace->texts_of("release_device").size(), 1u);
}

TEST(DeviceReset, TexturesComeBackEmptyAtTheirSizeWithDefaultModes) {
  TraceDevice d;
  d.create(640, 480);
  Texture* image = d.device->create_texture();
  std::vector<std::uint8_t> pixels(32 * 16 * 4, 9);
  ASSERT_TRUE(image->upload(pixels.data(), 32, 16, 1, 0));
  Texture* never_created = d.device->create_texture();
  const TextureHandle old_handle = image->handle();

  d.device->resize(800, 600);
  EXPECT_EQ(d.trace->texts_of("reset"), std::vector<std::string>{"reset(800, 600)"});
  EXPECT_EQ(image->width, 32);
  EXPECT_EQ(image->height, 16);
  EXPECT_EQ(image->filter(), 0);
  EXPECT_EQ(image->address(), 1);
  EXPECT_NE(image->handle(), 0u);
  EXPECT_NE(image->handle(), old_handle);
  EXPECT_EQ(d.trace->live_textures.count(old_handle), 0u);
  EXPECT_EQ(d.trace->texts_of("update_texture").size(), 1u);  // no contents restored
  EXPECT_EQ(never_created->handle(), 0u);
  EXPECT_EQ(d.device->current_target_width(), 800);  // back buffer targeted again
}

TEST(DeviceReset, ResizeWhileLostIsIgnoredAndTheNextFrameResetsWithTheOldSize) {
  TraceDevice d;
  d.create(640, 480);
  d.trace->cooperative_level = kDeviceLost;
  d.device->resize(1280, 1024);
  EXPECT_TRUE(d.trace->texts_of("reset").empty());
  EXPECT_EQ(d.device->present_params().back_buffer_width, 640);

  d.trace->cooperative_level = kDeviceNotReset;
  d.trace->clear_calls();
  d.device->begin_frame();
  EXPECT_EQ(d.trace->texts_of("reset"), std::vector<std::string>{"reset(640, 480)"});
  EXPECT_EQ(d.trace->texts_of("begin_scene").size(), 1u);
}

TEST(DeviceReset, FailedResetSkipsTheSceneAndLeavesTexturesEmpty) {
  TraceDevice d;
  d.create();
  Texture* target = d.device->create_texture();
  ASSERT_TRUE(target->create(64, 64, 0, 1));
  d.trace->cooperative_level = kDeviceNotReset;
  d.trace->fail_reset = true;
  d.trace->clear_calls();
  d.device->begin_frame();
  EXPECT_TRUE(d.trace->texts_of("begin_scene").empty());
  EXPECT_EQ(target->handle(), 0u);
  EXPECT_EQ(target->width, 64);
  EXPECT_FALSE(d.device->set_target(target));
}

TEST(TextureLoad, ImagesComeThroughTheDevicesImageSource) {
  TraceDevice d;
  d.create();
  int store_calls = 0;
  ImageSource source;
  source.by_path = [](const std::string& path, int& w,
                      int& h) -> std::optional<assets::PixelBuffer> {
    w = h = 0;
    if (path == "empty.tga") return assets::PixelBuffer{0, 4, {}};
    if (path != "a.tga") return std::nullopt;
    return assets::PixelBuffer::allocate(4, 2);
  };
  source.by_store = [&store_calls](int number, int, int& count)
      -> std::optional<assets::PixelBuffer> {
    ++store_calls;
    count = 12;
    if (number < 0) return std::nullopt;
    // Three rows of one pixel: red 1, 2 and 3 from the first row down.
    assets::PixelBuffer image = *assets::PixelBuffer::allocate(1, 3);
    for (int y = 0; y < 3; ++y) image.pixel(0, y)[0] = static_cast<std::uint8_t>(y + 1);
    return image;
  };
  d.device->set_image_source(source);

  Texture* texture = d.device->create_texture();
  int width = -1, height = -1;
  EXPECT_TRUE(texture->load("a.tga", width, height));
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(texture->filter(), 1);
  EXPECT_EQ(texture->address(), 1);
  d.trace->clear_calls();
  EXPECT_FALSE(texture->load("empty.tga", width, height));
  EXPECT_FALSE(texture->load("missing.tga", width, height));
  EXPECT_TRUE(d.trace->calls.empty());  // nothing uploaded
  EXPECT_EQ(texture->width, 4);

  // The stored rows are reversed: the first texture row is the image's last.
  int count = 0;
  texture->load_from_store(5, 0, width, height, count);
  EXPECT_EQ(count, 12);
  EXPECT_EQ(width, 1);
  EXPECT_EQ(height, 3);
  const std::string update = "update_texture(" + std::to_string(texture->handle()) +
                             ", 1, 3, 0, 0, 3, 0)";  // blue, green, red 3, alpha
  EXPECT_EQ(d.trace->texts_of("update_texture"), std::vector<std::string>{update});

  const TextureHandle kept = texture->handle();
  texture->load_from_store(-1, 0, width, height, count);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  EXPECT_EQ(texture->handle(), kept);
  EXPECT_EQ(texture->width, 1);
  EXPECT_EQ(store_calls, 2);
}

}  // namespace
}  // namespace bw::device
